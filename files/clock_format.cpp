#include "clock_format.h"

QString formatDate(QDate date)
{
    return QString::asprintf("%02d-%02d-%04d", date.month(), date.day(), date.year());
}

QString formatTime(QTime time)
{
    return QString::asprintf("%02d:%02d:%02d", time.hour(), time.minute(), time.second());
}

namespace {

// The number written in `length` ASCII digits at `from`, or -1.
template<typename Text> int digitsAt(Text text, qsizetype from, qsizetype length)
{
    int value = 0;
    for (qsizetype i = from; i < from + length; ++i) {
        const char16_t c = QChar(text[i]).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = 10 * value + (c - u'0');
    }
    return value;
}

template<typename Text> QDate dateOf(Text text)
{
    // QDate::fromString would take other widths; the files hold only this one.
    if (text.size() != 10 || QChar(text[2]) != u'-' || QChar(text[5]) != u'-')
        return {};
    return QDate(digitsAt(text, 6, 4), digitsAt(text, 0, 2), digitsAt(text, 3, 2));
}

template<typename Text> QTime timeOf(Text text)
{
    if (text.size() != 8 || QChar(text[2]) != u':' || QChar(text[5]) != u':')
        return {};
    return QTime(digitsAt(text, 0, 2), digitsAt(text, 3, 2), digitsAt(text, 6, 2));
}

} // namespace

QDate parseDate(QStringView text)
{
    return dateOf(text);
}

QDate parseDate(QLatin1StringView text)
{
    return dateOf(text);
}

QTime parseTime(QStringView text)
{
    return timeOf(text);
}

QTime parseTime(QLatin1StringView text)
{
    return timeOf(text);
}

#include "clock_format.h"

#include <algorithm>

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
int digitsAt(QStringView text, qsizetype from, qsizetype length)
{
    const QStringView digits = text.sliced(from, length);
    const bool ok = std::all_of(digits.begin(), digits.end(),
                                [](QChar c) { return c >= u'0' && c <= u'9'; });
    return ok ? digits.toInt() : -1;
}

} // namespace

QDate parseDate(QStringView text)
{
    // QDate::fromString would take other widths; the files hold only this one.
    if (text.size() != 10 || text[2] != u'-' || text[5] != u'-')
        return {};
    return QDate(digitsAt(text, 6, 4), digitsAt(text, 0, 2), digitsAt(text, 3, 2));
}

QTime parseTime(QStringView text)
{
    if (text.size() != 8 || text[2] != u':' || text[5] != u':')
        return {};
    return QTime(digitsAt(text, 0, 2), digitsAt(text, 3, 2), digitsAt(text, 6, 2));
}

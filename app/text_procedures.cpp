#include "text_procedures.h"

#include <algorithm>
#include <charconv>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

double numericValue(QStringView text)
{
    QByteArray number;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (c == u' ')
            continue;
        const bool digit = c.unicode() >= '0' && c.unicode() <= '9';
        const bool point = c == u'.' && !seenPoint;
        const bool sign = (c == u'+' || c == u'-') && number.isEmpty();
        if (!digit && !point && !sign)
            break;
        seenDigit |= digit;
        seenPoint |= point;
        number += char(c.unicode());
    }
    if (!seenDigit)
        return 0;
    double value = 0;
    // from_chars takes no leading "+", and a lone "." or sign never reaches it.
    const char *begin = number.constData() + (number.startsWith('+') ? 1 : 0);
    std::from_chars(begin, number.constData() + number.size(), value);
    return value;
}

QString padAssignmentNumber(const QString &text)
{
    // A character outside the 16-bit range is one character in two code units.
    const qsizetype characters = text.size()
            - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
    if (characters == 1)
        return u"00"_s + text;
    if (characters == 2)
        return u'0' + text;
    return text;
}

QString shortestDecimal(double value)
{
    char digits[32];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    return QString::fromLatin1(digits, result.ptr - digits);
}

QString numberLayout(double value)
{
    return (std::signbit(value) && value != 0 ? u'-' : u' ') + shortestDecimal(std::abs(value))
            + u' ';
}

QString expandBreaks(const QString &text)
{
    return QString(text).replace(u"{}"_s, u"\r\n"_s);
}

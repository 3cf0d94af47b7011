#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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
    // from_chars reads the C form whatever the user's locale, but takes no leading "+".
    const char *begin = number.constData() + (number.startsWith('+') ? 1 : 0);
    const char *end = number.constData() + number.size();
    double value = 0;
    if (std::from_chars(begin, end, value).ec == std::errc::result_out_of_range) {
        // Too many digits for a double: too large when a digit before the point is not 0.
        const bool tooLarge = std::any_of(begin, std::find(begin, end, '.'),
                                          [](char c) { return c >= '1' && c <= '9'; });
        value = tooLarge ? std::numeric_limits<double>::infinity() : 0.0;
        if (number.startsWith('-'))
            value = -value;
    }
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
    // Plain decimal notation, never an exponent; the largest double has 309 digits.
    char digits[400];
    const auto result
            = std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed);
    return QString::fromLatin1(digits, result.ptr - digits);
}

QString numberLayout(double value)
{
    // Rounded to 15 significant digits, as many as a double always holds, so that a product
    // such as 0.07 * 10000 shows as 700 and not as its binary neighbour 700.0000000000001.
    char digits[32];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), std::abs(value),
                                       std::chars_format::scientific, 14);
    double rounded = 0;
    std::from_chars(digits, written.ptr, rounded);
    return (std::signbit(value) && value != 0 ? u'-' : u' ') + shortestDecimal(rounded) + u' ';
}

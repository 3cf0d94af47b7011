#include "cp1252.h"

#include <algorithm>
#include <array>

namespace {

// Bytes 0x80 to 0x9F; the rest of the set is Latin-1.
constexpr std::array<char16_t, 32> upperControlRange = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

namespace {

// The characters whose code is their byte: all but the set's 32 of 0x80 to 0x9F.
constexpr bool isOwnByte(char32_t c)
{
    return c < 0x80 || (c >= 0xA0 && c <= 0xFF);
}

} // namespace

std::optional<char> cp1252Byte(char32_t c)
{
    if (isOwnByte(c))
        return char(c);
    const auto found = std::find(upperControlRange.begin(), upperControlRange.end(), c);
    if (found == upperControlRange.end())
        return std::nullopt;
    return char(0x80 + (found - upperControlRange.begin()));
}

QString fromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(upperControlRange[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray toCp1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isOwnByte(c.unicode())) {
            *out++ = char(c.unicode());
            continue;
        }
        // A character beyond the 16-bit range takes two code units but is one character.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        *out++ = c.isSurrogate() ? '?' : cp1252Byte(c.unicode()).value_or('?');
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

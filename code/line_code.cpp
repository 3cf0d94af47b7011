#include "line_code.h"

#include "files/text_codec.h"

#include <cmath>

QString code(const QString &a, int)
{
    return a;
}

QString makeCodeLine(int codeNbr, const std::function<double()> &random)
{
    // Round to nearest, an exact half to the even neighbour (the default rounding mode).
    const auto codeFrom = [](double base, double span, double r) {
        return char(int(std::nearbyint(base + span * r)));
    };
    QByteArray bytes;
    for (int pass = 0; pass < codeNbr; ++pass) {
        if (random() < 0.1)
            bytes += codeFrom(66, 50, random());
        bytes += codeFrom(118, 137, random());
    }
    return fromCp1252(bytes);
}

std::optional<int> codeNumberOf(QStringView codeLine)
{
    int count = 0;
    bool afterFiller = false;
    for (QChar c : codeLine) {
        // A file read as UTF-8 gives back the characters of the bytes, not the bytes.
        const std::optional<char> byte = cp1252Byte(c.unicode());
        const int value = byte ? uchar(*byte) : -1;
        if (value >= 118) {
            ++count;
            afterFiller = false;
        } else if (value >= 66 && value <= 116 && !afterFiller) {
            afterFiller = true;
        } else {
            return std::nullopt;
        }
    }
    if (afterFiller || count == 0)
        return std::nullopt;
    return count;
}

QString remSpaces(const QString &a)
{
    QString result = a;
    result.remove(u' ');
    result.remove(u'-');
    return result;
}

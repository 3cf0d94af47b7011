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

QString remSpaces(const QString &a)
{
    QString result = a;
    result.remove(u' ');
    result.remove(u'-');
    return result;
}

#include "expected_records.h"

namespace {

const QByteArray opening = "......!!!!!!!!...................................";
const QByteArray closing = ".................................................";
const QByteArray indent(36, ' ');

} // namespace

QByteArray crlfLines(std::initializer_list<QByteArray> lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QByteArray headerBytes(const QByteArray &codeLine, const QByteArray &assignmentNumber,
                       const QByteArray &startLine, const QByteArray &date)
{
    return crlfLines({codeLine, "assignment #" + assignmentNumber, startLine, "Physics II", date});
}

QByteArray responseBytes(bool master, const QByteArray &scriptLine, const QByteArray &response,
                         const std::optional<QByteArray> &ratingLine,
                         const QByteArray &questionNumber, const QByteArray &time)
{
    QByteArray bytes = crlfLines({opening, indent + time});
    if (master)
        bytes += crlfLines({"", "", "`questionNumber" + questionNumber});
    bytes += crlfLines({scriptLine, opening, "RESPONSE -->  ", response});
    if (ratingLine)
        bytes += crlfLines({*ratingLine});
    return bytes + crlfLines({closing});
}

QByteArray noteBytes(const QByteArray &scriptLine, const QByteArray &note, const QByteArray &time,
                     const QByteArray &dateAndTime)
{
    return crlfLines({opening, indent + time, indent + dateAndTime, scriptLine, opening,
                      "NOTES -------> " + note, closing});
}

QByteArray largeResponse(int index, int size)
{
    QByteArray text = "large response " + QByteArray::number(index);
    const QByteArray line = "\r\n" + QByteArray(98, 'x');
    while (text.size() < size)
        text += line;
    return text;
}

#include "record_composer.h"

#include "code/line_code.h"
#include "cp1252.h"
#include "plain_spelling.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// The one place where a text becomes bytes of the files: every line break it holds, of whatever
// kind, and its end become CR LF, so no line holds another CR or LF.
QByteArray lineBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() + 2);
    for (qsizetype position = 0; position < text.size();) {
        const qsizetype runEnd = endOfPlainRun(text, position);
        bytes += toCp1252(text.sliced(position, runEnd - position));
        if (runEnd == text.size())
            break;
        const WrittenPiece piece = writtenPieceAt(text, runEnd);
        bytes += toCp1252(piece.written);
        position = runEnd + piece.length;
    }
    bytes += "\r\n";
    return bytes;
}

} // namespace

RecordComposer::RecordComposer(const RecordContext &context,
                               std::initializer_list<SessionFile> files)
    : m_context(context)
{
    for (const SessionFile file : files)
        m_shares.append({file, QByteArray()});
}

void RecordComposer::addLine(const QString &line)
{
    const QByteArray bytes = lineBytes(line);
    for (Share &share : m_shares)
        share.bytes += bytes;
}

void RecordComposer::addLineTo(SessionFile file, const QString &line)
{
    const auto share = std::find_if(m_shares.begin(), m_shares.end(),
                                    [file](const Share &share) { return share.file == file; });
    Q_ASSERT(share != m_shares.end());
    share->bytes += lineBytes(line);
}

void RecordComposer::addCodedLine(const QString &line)
{
    addLineEach([&] { return code(line, m_context.codeNumber); });
}

void RecordComposer::addClockLine(const std::function<QString(const QDateTime &)> &lineAt)
{
    addLineEach([&] { return lineAt(m_context.now()); });
}

void RecordComposer::addLineEach(const std::function<QString()> &makeLine)
{
    // A line made the same for the next file shares its bytes, so a long response is encoded
    // once however many files take it.
    std::optional<std::pair<QString, QByteArray>> previous;
    for (Share &share : m_shares) {
        const QString line = makeLine();
        if (!previous || previous->first != line)
            previous.emplace(line, lineBytes(line));
        share.bytes += previous->second;
    }
}

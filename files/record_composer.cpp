#include "record_composer.h"

#include "code/line_code.h"
#include "text_codec.h"

#include <algorithm>
#include <optional>
#include <utility>

RecordComposer::RecordComposer(const RecordContext &context,
                               std::initializer_list<SessionFile> files)
    : m_context(context)
{
    for (const SessionFile file : files)
        m_shares.append({file, QByteArray()});
}

void RecordComposer::addLine(const QString &line)
{
    const QByteArray bytes = toFileLines(line);
    for (Share &share : m_shares)
        share.bytes += bytes;
}

void RecordComposer::addLineTo(SessionFile file, const QString &line)
{
    const auto share = std::find_if(m_shares.begin(), m_shares.end(),
                                    [file](const Share &share) { return share.file == file; });
    Q_ASSERT(share != m_shares.end());
    share->bytes += toFileLines(line);
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
            previous.emplace(line, toFileLines(line));
        share.bytes += previous->second;
    }
}

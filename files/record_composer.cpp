#include "record_composer.h"

#include "code/line_code.h"
#include "cp1252.h"

#include <algorithm>

namespace {

QByteArray lineBytes(const QString &line)
{
    return toCp1252(line) + "\r\n";
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
    for (Share &share : m_shares)
        share.bytes += lineBytes(makeLine());
}

#include "record_composer.h"

#include "code/line_code.h"
#include "cp1252.h"

namespace {

QByteArray lineBytes(const QString &line)
{
    return toCp1252(line) + "\r\n";
}

} // namespace

RecordComposer::RecordComposer(const QStringList &paths, std::function<QDateTime()> now,
                               int codeNumber)
    : m_now(std::move(now)), m_codeNumber(codeNumber)
{
    for (const QString &path : paths)
        m_records.append({path, QByteArray()});
}

void RecordComposer::addLine(const QString &line)
{
    const QByteArray bytes = lineBytes(line);
    for (FileRecord &record : m_records)
        record.bytes += bytes;
}

void RecordComposer::addLineTo(qsizetype file, const QString &line)
{
    m_records[file].bytes += lineBytes(line);
}

void RecordComposer::addCodedLine(const QString &line)
{
    addLineEach([&] { return code(line, m_codeNumber); });
}

void RecordComposer::addClockLine(const std::function<QString(const QDateTime &)> &lineAt)
{
    addLineEach([&] { return lineAt(m_now()); });
}

void RecordComposer::addLineEach(const std::function<QString()> &makeLine)
{
    for (FileRecord &record : m_records)
        record.bytes += lineBytes(makeLine());
}

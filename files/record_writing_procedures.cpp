#include "app/query_template.h"

#include "app/announcer.h"
#include "record_append.h"
#include "record_layout.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

RecordContext query_template::recordContext() const
{
    return {m_services.now, state.codeNumber};
}

QString query_template::filePath(SessionFile file) const
{
    return m_filePaths[std::size_t(file)];
}

RecordPlace query_template::recordPlace() const
{
    return {*m_services.files, m_services.stateFolder};
}

bool query_template::appendRecord(const RecordComposer &record, const QString &consequence,
                                  const QString &partialConsequence)
{
    QList<FileRecord> records;
    for (const RecordComposer::Share &share : record.shares())
        records.append({filePath(share.file), share.bytes});
    const AppendOutcome outcome = appendRecords(recordPlace(), records);
    for (const QString &notice : outcome.notices)
        reportProblem(notice);
    const auto &failure = outcome.failure;
    if (!failure)
        return true;
    QStringList uncut;
    for (const QString &path : failure->uncut)
        uncut << QDir::toNativeSeparators(path);
    const QString next
            = uncut.isEmpty() ? consequence : partialConsequence.arg(uncut.join(u" and "_s));
    reportProblem(u"Could not write to %1: %2. %3"_s.arg(QDir::toNativeSeparators(failure->path),
                                                         failure->reason, next));
    return false;
}

bool query_template::recordAnswer(const RecordComposer &record, const QString &kind,
                                  const QString &recordedText)
{
    // Nothing is pending from here on, whether the record is written or not: the answer box keeps
    // what was typed, so the student can try again, and the next step must not put the prompt
    // over it.
    state.blockPending = false;
    if (!appendRecord(record,
                      u"Nothing of this %1 was written; your text is kept so you can try "
                      u"again."_s.arg(kind),
                      u"%1 may hold part of a record until the next recording cuts it back; your "
                      u"text is kept so you can try again."_s)) {
        m_answerKept = true;
        return false;
    }
    state.responseText = recordedText;
    // Both boxes are emptied without a word: say that it worked, and where it went.
    QStringList files;
    for (const RecordComposer::Share &share : record.shares())
        files << QFileInfo(filePath(share.file)).fileName();
    const QString last = files.takeLast();
    m_announcer->announce(u"%1 recorded in %2 and %3."_s.arg(
            kind.front().toUpper() + kind.sliced(1), files.join(u", "_s), last));
    return true;
}

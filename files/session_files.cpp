#include "app/query_template.h"

#include "code/line_code.h"
#include "record_composer.h"
#include "record_layout.h"

using namespace Qt::Literals::StringLiterals;

void query_template::openSessionFiles()
{
    state.scriptLineIndex = 0;
    const QString key = state.assignmentNumber + u'.';
    QString line;
    while (line.left(4) != key) {
        // The search never reads past the last slot.
        if (state.scriptLineIndex == lastScriptSlot) {
            reportProblem(
                    u"The script has no assignment numbered \"%1\"."_s.arg(state.assignmentNumber));
            endProgram();
            return;
        }
        ++state.scriptLineIndex;
        line = state.scriptLines[state.scriptLineIndex];
    }

    RecordComposer header = newRecord({state.masterFilePath, state.sendFilePath});
    composeHeader(header, makeCodeLine(state.codeNumber, m_services.random), state.assignmentNumber,
                  line, state.courseTitle);
    if (!appendRecord(header, u"Nothing was written, and the session cannot start."_s))
        endProgram();
}

RecordComposer query_template::newRecord(const QStringList &paths) const
{
    return RecordComposer(paths, m_services.now, state.codeNumber);
}

bool query_template::appendRecord(const RecordComposer &record, const QString &consequence)
{
    const auto failure = appendRecords(record.records());
    if (!failure)
        return true;
    reportProblem(
            u"Could not write to %1: %2. %3"_s.arg(failure->path, failure->reason, consequence));
    return false;
}

bool query_template::recordAnswer(const RecordComposer &record, const QString &kind,
                                  const QString &recordedText)
{
    // The answer box keeps what was typed, so the student can try again.
    if (!appendRecord(record,
                      u"Nothing of this %1 was written; your text is kept so you can try "
                      u"again."_s.arg(kind)))
        return false;
    state.blockPending = false;
    state.responseText = recordedText;
    m_responseTextIsQuestionBox = false;
    return true;
}

#include "app/query_template.h"

#include "code/line_code.h"
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

    const RecordComposer header
            = composeHeader(recordContext(), makeCodeLine(state.codeNumber, m_services.random),
                            state.assignmentNumber, line, state.courseTitle);
    if (!appendRecord(header, u"Nothing was written, and the session cannot start."_s,
                      u"%1 may hold part of a record until the next recording cuts it back, and "
                      u"the session cannot start."_s))
        endProgram();
}

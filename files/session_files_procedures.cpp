#include "app/query_template.h"

#include "code/line_code.h"
#include "record_layout.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// "It holds assignments 000, 001 and 002", so that the student can start the run again with one.
QString heldAssignments(QStringList numbers)
{
    if (numbers.isEmpty())
        return u"It holds no assignment"_s;
    const QString last = numbers.takeLast();
    if (numbers.isEmpty())
        return u"It holds assignment "_s + last;
    return u"It holds assignments "_s + numbers.join(u", "_s) + u" and "_s + last;
}

} // namespace

void query_template::openSessionFiles()
{
    state.scriptLineIndex = 0;
    const QString key = state.assignmentNumber + u'.';
    QString line;
    while (line.left(4) != key) {
        // The search never reads past the last slot.
        if (state.scriptLineIndex == lastScriptSlot) {
            reportProblem(u"The script has no assignment numbered \"%1\". %2; the session cannot "
                          u"start."_s.arg(state.assignmentNumber,
                                          heldAssignments(assignmentNumbers(state.scriptLines))));
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

#include "query_template.h"

#include "announcer.h"
#include "files/text_codec.h"
#include "question_box.h"
#include "text_box.h"

#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

void query_template::cmdNextQuestion_Click()
{
    readNextQuestion();
    if (m_ended)
        return;
    if (state.shownText.size() > 8 && isRoutineLine(state.shownText)) {
        runRoutine(routineName(state.shownText));
        if (m_ended)
            return;
        state.shownText.clear();
        // Whatever this takes is shown, a routine line too: one routine a click.
        readNextQuestion();
        if (m_ended)
            return;
    }
    const QString shown = expandBreaks(state.shownText);
    state.shownText.clear();
    m_questionBox->step(u"\r\n\r\n"_s + shown, state.responseText);
    // The focus stays on the button, where a screen reader would not notice the new line.
    m_announcer->announce(shown);
}

void query_template::readNextQuestion()
{
    if (state.blockPending && !m_answerKept)
        setBoxText(txt_answer, state.answerPrompt);
    state.blockPending = false;

    QString line;
    do {
        // Past the last slot no line is left: the run is over, as at an end line.
        if (state.scriptLineIndex >= lastScriptSlot) {
            endProgram();
            return;
        }
        ++state.scriptLineIndex;
        line = state.scriptLines[state.scriptLineIndex];
        if (line.startsWith(u"`q"_s)) {
            line.remove(0, 2);
            state.blockKind = u"question"_s;
        } else if (line.startsWith(u"`a"_s)) {
            line.remove(0, 2);
            state.blockKind = u"answer"_s;
        }
    } while (line.isEmpty());
    state.currentLine = line;

    if (!isRoutineLine(line))
        state.blockPending = true;
    state.shownText = line;
    if (line.left(3) == state.nextAssignmentNumber || line.startsWith(u"####.#"_s))
        endProgram();
}

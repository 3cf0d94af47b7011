// Runs assignment 000 in the HOME it is given, records one response whole, then kills itself
// while the confidence prompt of a second response is open.

#include "session_run.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FakeStudent student;
    student.answers = {u"name"_s, u""_s, u"000"_s};
    useCodeLine(student, SessionRun::codeLine);
    useScript(student, {u"000."_s, u"A text line"_s, u"`qA question"_s});
    student.onPrompt = [](const QString &promptText) {
        if (promptText.startsWith(u"Assess your level of confidence"_s))
            killThisProcess();
    };
    const auto window = startShownRun(student);
    clickButton(*window, u"cmdNextQuestion"_s);
    clickButton(*window, u"cmd_clr_answer"_s);
    typeText(textBox(*window, u"txt_answer"_s), u"first"_s);
    clickButton(*window, u"cmd_enter_response"_s);
    clickButton(*window, u"cmdNextQuestion"_s);
    clickButton(*window, u"cmd_clr_answer"_s);
    typeText(textBox(*window, u"txt_answer"_s), u"second"_s);
    clickButton(*window, u"cmd_enter_response"_s);
    // Reached only if the prompt never showed.
    return EXIT_FAILURE;
}

// Runs assignment 000 in the HOME it is given, records one response whole, then kills itself
// while the confidence prompt of a second response is open.

#include "session_run.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const SessionRun run({.script = {u"000."_s, u"A text line"_s, u"`qA question"_s},
                          .home = qEnvironmentVariable("HOME"),
                          .prepare = [](FakeStudent &student) {
                              student.onPrompt = [](const QString &promptText) {
                                  if (promptText.startsWith(u"Assess your level of confidence"_s))
                                      killThisProcess();
                              };
                          }});
    run.step();
    run.answerWith(u"first"_s);
    run.click(u"cmd_enter_response"_s);
    run.step();
    run.answerWith(u"second"_s);
    run.click(u"cmd_enter_response"_s);
    // Reached only if the prompt never showed.
    return EXIT_FAILURE;
}

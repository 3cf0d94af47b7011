#include "session_run.h"

#include "app/text_box.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

SessionRun::SessionRun(const Options &options)
{
    student.answers = options.answers.isEmpty() ? QStringList {u"name"_s, u""_s, options.assignment}
                                                : options.answers;
    student.home = options.home.isEmpty() ? home.path() : options.home;
    useCodeLine(student, options.codeLine);
    if (!options.script.isEmpty())
        useScript(student, options.script, options.scriptStart);
    if (options.prepare)
        options.prepare(student);
    window = options.shown ? startShownRun(student) : startRun(student);
    header = readFile(master());
}

SessionRun::SessionRun(const QString &assignment, const QStringList &script)
    : SessionRun({.assignment = assignment, .script = script})
{ }

QString SessionRun::master() const
{
    return folder() + u"/masterFile.txt"_s;
}

QString SessionRun::send() const
{
    return folder() + u"/send_1208.txt"_s;
}

QString SessionRun::notes() const
{
    return folder() + u"/notes_.txt"_s;
}

QPlainTextEdit *SessionRun::question() const
{
    return textBox(*window, u"txt_question"_s);
}

QPlainTextEdit *SessionRun::answer() const
{
    return textBox(*window, u"txt_answer"_s);
}

QString SessionRun::questionText() const
{
    return boxText(question());
}

QString SessionRun::answerText() const
{
    return boxText(answer());
}

void SessionRun::click(const QString &button) const
{
    clickButton(*window, button);
    // What the click left for later is done before anything else, as the event loop does.
    QCoreApplication::sendPostedEvents();
}

void SessionRun::step() const
{
    click(u"cmdNextQuestion"_s);
}

void SessionRun::answerWith(const QString &text) const
{
    click(u"cmd_clr_answer"_s);
    typeText(answer(), text);
}

// Test helper, not a test: one run of the program that records a given number of responses and
// notes as fast as it can, for the test that runs several of these at once on the same files.
// Started, it says "ready" on its standard output and waits for a line on its standard input, so
// that the runs all begin recording together.
// Usage: concurrent_writer TAG COUNT (HOME names the home folder)

#include "session_run.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString tag = QString::fromLocal8Bit(argv[1]);
    const int count = QByteArray(argv[2]).toInt();

    const SessionRun run({.shown = false, .home = qEnvironmentVariable("HOME")});
    auto *enterResponse = run.window->findChild<QPushButton *>(u"cmd_enter_response"_s);
    auto *saveAsNotes = run.window->findChild<QPushButton *>(u"cmd_save_as_notes"_s);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 3;
    for (int i = 0; i < count; ++i) {
        run.answer()->setPlainText(u"%1 %2"_s.arg(tag).arg(i));
        // Every third record a note, the others responses.
        QTest::mouseClick(i % 3 == 2 ? saveAsNotes : enterResponse, Qt::LeftButton);
    }
    return run.student.problems.isEmpty() && run.student.ends == 0 ? 0 : 1;
}

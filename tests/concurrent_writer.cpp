// Test helper, not a test: one run of the program that records a given number of responses and
// notes as fast as it can, for the test that runs several of these at once on the same files.
// Usage: concurrent_writer TAG COUNT (HOME names the home folder)

#include "test_support.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString tag = QString::fromLocal8Bit(argv[1]);
    const int count = QByteArray(argv[2]).toInt();

    FakeStudent student;
    student.answers = {u"name"_s, u""_s, u"000"_s};
    const auto window = startRun(student);
    auto *answer = textBox(*window, u"txt_answer"_s);
    auto *enterResponse = window->findChild<QPushButton *>(u"cmd_enter_response"_s);
    auto *saveAsNotes = window->findChild<QPushButton *>(u"cmd_save_as_notes"_s);
    for (int i = 0; i < count; ++i) {
        answer->setPlainText(u"%1 %2"_s.arg(tag).arg(i));
        // Every third record a note, the others responses.
        QTest::mouseClick(i % 3 == 2 ? saveAsNotes : enterResponse, Qt::LeftButton);
    }
    return student.problems.isEmpty() && student.ends == 0 ? 0 : 1;
}

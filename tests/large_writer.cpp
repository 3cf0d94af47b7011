// Test helper, not a test: a run of assignment 000 that records large responses one after another,
// for the tests that kill it in the middle of its writes. With "stop-at-send" it limits the size
// of files to the SEND file's length after start-up, so that the signal of that limit (SIGXFSZ)
// kills it at its first write to the SEND file, after the master file's (on POSIX systems only).
// Usage: large_writer BYTES COUNT [stop-at-send]   (HOME names the home folder)

#include "expected_records.h"
#include "session_run.h"

#include "app/text_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const int size = QByteArray(argv[1]).toInt();
    const int count = QByteArray(argv[2]).toInt();

    FakeStudent student;
    student.answers = {u"name"_s, u""_s, u"000"_s};
    useCodeLine(student, SessionRun::codeLine);
    const auto window = startRun(student);
#ifndef Q_OS_WIN
    if (argc > 3 && QByteArray(argv[3]) == "stop-at-send") {
        const QString send = qEnvironmentVariable("HOME") + u"/qorvanit/send_1208.txt"_s;
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(QFileInfo(send).size());
        setrlimit(RLIMIT_FSIZE, &limit);
    }
#endif
    auto *answer = textBox(*window, u"txt_answer"_s);
    auto *enterResponse = window->findChild<QPushButton *>(u"cmd_enter_response"_s);
    for (int i = 0; i < count; ++i) {
        setBoxText(answer, QString::fromLatin1(largeResponse(i, size)));
        enterResponse->click();
    }
    return student.problems.isEmpty() ? 0 : 1;
}

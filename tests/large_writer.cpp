// Test helper, not a test: a run of assignment 000 that records large responses one after another,
// for the tests that kill it in the middle of its writes. It prints a line on its standard output
// before each write of a record's bytes, so that a kill can be aimed at that write; with
// "stop-in-record" it also stops itself (SIGSTOP) there the first time, holding the files' locks.
// With "stop-at-send" it limits the size of files to the SEND file's length after start-up, so
// that the signal of that limit (SIGXFSZ) kills it at its first write to the SEND file, after the
// master file's. Stopping and the size limit are on POSIX systems only.
// Usage: large_writer BYTES COUNT [stop-at-send|stop-in-record]   (HOME names the home folder)

#include "expected_records.h"
#include "faulty_disk.h"
#include "session_run.h"

#include "app/text_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>

#include <cstdio>
#include <utility>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

// The system's file calls, saying before each write of a record's bytes that it begins.
struct AnnouncedWrites : FaultyDisk
{
    Failure write(Handle handle, QByteArrayView bytes) override
    {
        if (bytes.size() >= recordSize) {
            std::fputs("write\n", stdout);
            std::fflush(stdout);
#ifndef Q_OS_WIN
            if (std::exchange(stopOnce, false))
                std::raise(SIGSTOP);
#endif
        }
        return FaultyDisk::write(handle, bytes);
    }
    qsizetype recordSize = 0;
    bool stopOnce = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const int size = QByteArray(argv[1]).toInt();
    const int count = QByteArray(argv[2]).toInt();
    const QByteArray mode = argc > 3 ? QByteArray(argv[3]) : QByteArray();

    AnnouncedWrites layer;
    layer.recordSize = size;
    layer.stopOnce = mode == "stop-in-record";
    const SessionRun run({.shown = false,
                          .home = qEnvironmentVariable("HOME"),
                          .prepare = [&](FakeStudent &student) {
                              student.files = &layer;
                          }});
#ifndef Q_OS_WIN
    if (mode == "stop-at-send") {
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(QFileInfo(run.send()).size());
        setrlimit(RLIMIT_FSIZE, &limit);
    }
#endif
    auto *enterResponse = run.window->findChild<QPushButton *>(u"cmd_enter_response"_s);
    for (int i = 0; i < count; ++i) {
        setBoxText(run.answer(), QString::fromLatin1(largeResponse(i, size)));
        enterResponse->click();
    }
    return run.student.problems.isEmpty() ? 0 : 1;
}

#include "expected_records.h"
#include "session_run.h"

#include "files/record_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList script = {u"000."_s, u"A text line"_s};
const QString kept = u"Nothing of this %1 was written; your text is kept so you can try again."_s;

struct Files
{
    QByteArray master, send, notes;
    bool operator==(const Files &) const = default;
};

Files filesOf(const SessionRun &run)
{
    return {readFile(run.master()), readFile(run.send()), readFile(run.notes())};
}

// What a failed click must leave as it was: the files, both boxes and the state they feed.
struct Snapshot
{
    explicit Snapshot(const SessionRun &run)
        : files(filesOf(run)), question(run.questionText()), answer(run.answerText()),
          blockPending(run.session().blockPending), responseText(run.session().responseText)
    { }
    bool operator==(const Snapshot &) const = default;

    Files files;
    QString question, answer;
    bool blockPending;
    QString responseText;
};

// The bytes a response or a note to the script's text line adds to each file.
Files recordOf(const QString &button, const QByteArray &text)
{
    if (button == u"cmd_save_as_notes"_s) {
        const QByteArray note = noteBytes("A text line", text);
        return {note, note, note};
    }
    return {responseBytes(true, "A text line", text, std::nullopt),
            responseBytes(false, "A text line", text, std::nullopt), QByteArray()};
}

// Writing past `limit` bytes into any file fails with EFBIG, as on a full disk, until restored.
auto limitFileSize(rlim_t limit)
{
    rlimit previous;
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
    return qScopeGuard([previous, previousHandler] {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    });
}

// Whether some process waits in /proc/locks for an exclusive lock on the file.
bool lockIsAwaited(const QString &path)
{
    struct stat status;
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    QFile locks(u"/proc/locks"_s);
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray inode = ':' + QByteArray::number(qulonglong(status.st_ino)) + ' ';
    for (const QByteArray &line : locks.readAll().split('\n')) {
        if (line.contains("->") && line.contains("FLOCK") && line.contains(inode))
            return true;
    }
    return false;
}

} // namespace

class TestRecordFaults : public QObject
{
    Q_OBJECT
private slots:
    void folderRemovedAfterStartUp_data();
    void folderRemovedAfterStartUp();
    void fileThatCannotBeWritten_data();
    void fileThatCannotBeWritten();
    void diskFull_data();
    void diskFull();
    void killedWhileTheRatingPromptIsOpen();
    void appendWaitsWhileAnotherProgramAppends();
};

void TestRecordFaults::folderRemovedAfterStartUp_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("kind");
    QTest::newRow("response") << u"cmd_enter_response"_s << u"response"_s;
    QTest::newRow("note") << u"cmd_save_as_notes"_s << u"note"_s;
}

void TestRecordFaults::folderRemovedAfterStartUp()
{
    QFETCH(QString, button);
    QFETCH(QString, kind);
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"my work"_s);
    QVERIFY(QDir(run.folder()).removeRecursively());
    const Snapshot before(run);

    run.click(button);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: No such file or directory. "_s.arg(run.master())
                          + kept.arg(kind)});
    QVERIFY(Snapshot(run) == before);
    QVERIFY(run.session().blockPending);
    QVERIFY(!QFileInfo::exists(run.folder()));

    // With the folder back, the same click records the text that was kept.
    QVERIFY(QDir().mkpath(run.folder()));
    run.click(button);
    const Files record = recordOf(button, "my work");
    QVERIFY(filesOf(run) == record);
    QVERIFY(!run.session().blockPending);
    QCOMPARE(run.answerText(), QString());
}

void TestRecordFaults::fileThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fileName"); // made a folder, which nobody can write to
    QTest::newRow("send-file-response")
            << u"cmd_enter_response"_s << u"response"_s << u"send_1208.txt"_s;
    QTest::newRow("send-file-note") << u"cmd_save_as_notes"_s << u"note"_s << u"send_1208.txt"_s;
    QTest::newRow("notes-file") << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s;
}

void TestRecordFaults::fileThatCannotBeWritten()
{
    QFETCH(QString, button);
    QFETCH(QString, kind);
    QFETCH(QString, fileName);
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"my work"_s);
    const QString path = run.folder() + u'/' + fileName;
    QFile::remove(path);
    QVERIFY(QDir().mkdir(path));
    const Snapshot before(run);

    run.click(button);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: Is a directory. "_s.arg(path) + kept.arg(kind)});
    QVERIFY(Snapshot(run) == before);
}

void TestRecordFaults::diskFull_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fullFile"); // the file the limit stops; earlier ones are written
    QTest::newRow("master-file-cut-short")
            << u"cmd_enter_response"_s << u"response"_s << u"masterFile.txt"_s;
    QTest::newRow("send-file-after-the-master-file")
            << u"cmd_enter_response"_s << u"response"_s << u"send_1208.txt"_s;
    QTest::newRow("notes-file-after-both")
            << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s;
    QTest::newRow("note-send-file-after-the-master-file")
            << u"cmd_save_as_notes"_s << u"note"_s << u"send_1208.txt"_s;
}

void TestRecordFaults::diskFull()
{
    QFETCH(QString, button);
    QFETCH(QString, kind);
    QFETCH(QString, fullFile);
    SessionRun run(u"000"_s, script);
    const QString fullPath = run.folder() + u'/' + fullFile;
    // Earlier days' work makes the file that runs full the longest of the three.
    if (fullFile != u"masterFile.txt"_s)
        writeFile(fullPath, readFile(fullPath) + QByteArray(8000, 'x') + "\r\n");
    run.step();
    run.answerWith(u"my work"_s);
    const Snapshot before(run);
    const qint64 lengthBefore = QFileInfo(fullPath).size();

    {
        // Room for part of the record only.
        const auto restore = limitFileSize(rlim_t(lengthBefore + 40));
        run.click(button);
    }
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: File too large. "_s.arg(fullPath)
                          + kept.arg(kind)});
    QVERIFY(Snapshot(run) == before);

    run.click(button);
    const Files record = recordOf(button, "my work");
    Files after = before.files;
    after.master += record.master;
    after.send += record.send;
    after.notes += record.notes;
    QVERIFY(filesOf(run) == after);
}

void TestRecordFaults::killedWhileTheRatingPromptIsOpen()
{
    TemporaryHome home;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral(KILL_AT_RATING), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(child.exitCode(), SIGKILL);

    const QByteArray header = headerBytes(SessionRun::codeLine, "000", "000.");
    QCOMPARE(readFile(home.defaultFolder() + u"/masterFile.txt"_s),
             header + responseBytes(true, "A text line", "first", std::nullopt));
    QCOMPARE(readFile(home.defaultFolder() + u"/send_1208.txt"_s),
             header + responseBytes(false, "A text line", "first", std::nullopt));
    QVERIFY(!QFileInfo::exists(home.defaultFolder() + u"/notes_.txt"_s));
}

void TestRecordFaults::appendWaitsWhileAnotherProgramAppends()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"masterFile.txt"_s);
    writeFile(path, "old\r\n");
    // Another program holds the file's lock, in the middle of its own append.
    const int other = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX), 0);

    std::optional<AppendFailure> failure;
    std::thread appending([&] { failure = appendRecords({{path, "new\r\n"}}); });
    auto join = qScopeGuard([&] {
        ::close(other);
        appending.join();
    });
    QTRY_VERIFY(lockIsAwaited(path));
    QCOMPARE(readFile(path), QByteArray("old\r\n"));

    join.dismiss();
    ::close(other);
    appending.join();
    QVERIFY(!failure);
    QCOMPARE(readFile(path), QByteArray("old\r\nnew\r\n"));
}

QTEST_MAIN(TestRecordFaults)
#include "tst_record_faults.moc"

#include "expected_records.h"
#include "faulty_disk.h"
#include "session_run.h"

#include "files/journal.h"
#include "files/record_append.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <chrono>
#include <csignal>
#include <optional>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList script = {u"000."_s, u"A text line"_s};
const QString kept = u"Nothing of this %1 was written; your text is kept so you can try again."_s;

struct Files
{
    QByteArray master, send, notes;
    bool operator==(const Files &) const = default;
};

// A file's bytes; nothing for a FIFO or a device, which are not read.
QByteArray regularFileBytes(const QString &path)
{
    return QFileInfo(path).isFile() ? readFile(path) : QByteArray();
}

Files filesOf(const SessionRun &run)
{
    return {regularFileBytes(run.master()), regularFileBytes(run.send()),
            regularFileBytes(run.notes())};
}

// What a failed click must leave as it was: the files, both boxes and the text they feed.
struct Snapshot
{
    explicit Snapshot(const SessionRun &run)
        : files(filesOf(run)), question(run.questionText()), answer(run.answerText()),
          responseText(run.session().responseText)
    { }
    bool operator==(const Snapshot &) const = default;

    Files files;
    QString question, answer;
    QString responseText;
};

// The bytes a response or a note to a script line adds to each file.
Files recordOf(const QString &button, const QByteArray &text,
               const QByteArray &scriptLine = "A text line")
{
    if (button == u"cmd_save_as_notes"_s) {
        const QByteArray note = noteBytes(scriptLine, text);
        return {note, note, note};
    }
    return {responseBytes(true, scriptLine, text, std::nullopt),
            responseBytes(false, scriptLine, text, std::nullopt), QByteArray()};
}

#ifndef Q_OS_WIN
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
#endif

const QByteArray largeWriterHeader = headerBytes(SessionRun::codeLine, "000", "000.");

// How many of the large writer's records of `size` bytes a file holds, all whole; or where none
// fits.
struct LargeRecords
{
    int count = 0;
    QString fault;
};

LargeRecords readLargeRecords(const QByteArray &bytes, bool master, int size)
{
    LargeRecords records;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
        const QByteArray record
                = responseBytes(master, "", largeResponse(records.count, size), std::nullopt);
        if (rest.startsWith(largeWriterHeader)) {
            at += largeWriterHeader.size();
        } else if (rest.startsWith(record)) {
            at += record.size();
            ++records.count;
        } else {
            records.fault = u"no whole header or record at byte %1"_s.arg(at);
            break;
        }
    }
    return records;
}

// Whether the master and SEND files in `folder` are whole headers and records, the same records in
// both; the number of records, or -1 with the fault.
int wholeAgreeingRecords(const QString &folder, int size, QString *fault)
{
    const LargeRecords master
            = readLargeRecords(readFile(folder + u"/masterFile.txt"_s), true, size);
    const LargeRecords send = readLargeRecords(readFile(folder + u"/send_1208.txt"_s), false, size);
    if (!master.fault.isEmpty() || !send.fault.isEmpty() || master.count != send.count) {
        *fault = u"master file: %1 records %2; SEND file: %3 records %4"_s.arg(master.count)
                         .arg(master.fault)
                         .arg(send.count)
                         .arg(send.fault);
        return -1;
    }
    return master.count;
}

// A run in the HOME of the process that only starts, which repairs the files first.
QStringList startAgain()
{
    const SessionRun run({.shown = false, .home = qEnvironmentVariable("HOME")});
    return run.student.problems;
}

#ifndef Q_OS_WIN
// Sets or clears the file's append-only attribute; false where the system does not allow it.
bool setAppendOnly(const QString &path, bool appendOnly)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = appendOnly ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL;
    set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return set;
}
#endif

} // namespace

class TestRecordFaults : public QObject
{
    Q_OBJECT
private slots:
    void folderRemovedAfterStartUp_data();
    void folderRemovedAfterStartUp();
    void diskFull_data();
    void diskFull();
    void killedWhileTheRatingPromptIsOpen();
    void appendWaitsWhileAnotherProgramAppends();
    void suspendedRunHoldsTheLock();
    void folderOwnedByAnotherUser();
    void killedInTheMiddleOfLargeRecords();
    void killedBetweenTheMasterAndTheSendFile();
    void specialFileAtAName_data();
    void specialFileAtAName();
    void displayOfAFileThatCannotBeShown_data();
    void displayOfAFileThatCannotBeShown();
    void cutBackFails();
    void newFilesAndFolderArePrivate_data();
    void newFilesAndFolderArePrivate();
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
    SessionRun run(u"000"_s,
                   {u"000."_s, u"A text line"_s, u"Two"_s, u"Three"_s, u"Four"_s, u"Five"_s});
    run.step();
    run.answerWith(u"my work"_s);
    QVERIFY(QDir(run.folder()).removeRecursively());
    const Snapshot before(run);

    run.click(button);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: No such file or directory. "_s.arg(
                                  QDir::toNativeSeparators(run.master()))
                          + kept.arg(kind)});
    QVERIFY(Snapshot(run) == before);
    QVERIFY(!run.session().blockPending);
    QVERIFY(!QFileInfo::exists(run.folder()));

    // The kept text stays through the next steps: the prompt does not come back over it.
    for (int step = 0; step < 2; ++step) {
        run.step();
        QCOMPARE(run.answerText(), u"my work"_s);
    }

    // With the folder back, the same click records the text that was kept.
    QVERIFY(QDir().mkpath(run.folder()));
    run.click(button);
    QVERIFY(filesOf(run) == recordOf(button, "my work", "Three"));
    QVERIFY(!run.session().blockPending);
    QCOMPARE(run.answerText(), QString());

    // Recorded, it is kept no more: typed text not recorded gives way to the prompt again.
    run.step();
    run.answerWith(u"not recorded"_s);
    run.step();
    QCOMPARE(run.answerText(), SessionRun::answerPrompt);
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
#ifdef Q_OS_WIN
    QSKIP("POSIX only: a full disk is made with the file-size limit RLIMIT_FSIZE, which Windows "
          "lacks");
#else
    QFETCH(QString, button);
    QFETCH(QString, kind);
    QFETCH(QString, fullFile);
    SessionRun run(u"000"_s, script);
    const QString fullPath = run.folder() + u'/' + fullFile;
    // Earlier days' work makes the file that runs full the longest of the three, and longer
    // than the journal.
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
#endif
}

void TestRecordFaults::killedWhileTheRatingPromptIsOpen()
{
    TemporaryHome home;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral(KILL_AT_RATING), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(child.exitCode(), killedExitCode);

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
    // Another program holds the file's lock, in the middle of its own append, and ends it as soon
    // as the append has found the lock taken.
    FileLayer &system = FileLayer::system();
    const FileLayer::Handle other = system.openForReading(path, FileLayer::Links::Follow).handle;
    QVERIFY(other != FileLayer::noHandle);
    QVERIFY(!system.lock(other, FileLayer::LockKind::Exclusive, std::chrono::milliseconds(0)));
    struct OtherEndsItsAppend : FaultyDisk
    {
        std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                        std::chrono::milliseconds wait) override
        {
            const auto taken = m_system.lock(handle, kind, std::chrono::milliseconds(0));
            foundTaken = taken && taken->busy;
            m_system.close(other);
            return m_system.lock(handle, kind, wait);
        }
        FileLayer::Handle other;
        bool foundTaken = false;
    } layer;
    layer.other = other;

    const AppendOutcome outcome
            = appendRecords({layer, folder.filePath(u"state"_s)}, {{path, "new\r\n"}});
    QVERIFY(layer.foundTaken);
    QVERIFY(!outcome.failure);
    QCOMPARE(readFile(path), QByteArray("old\r\nnew\r\n"));
}

void TestRecordFaults::suspendedRunHoldsTheLock()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: the other run is suspended with SIGSTOP");
#else
    SessionRun run(u"000"_s, script);
    const QString journal = run.folder() + u'/' + journalName;
    // Another run, suspended (Ctrl+Z, a debugger) in the middle of a record: it stops itself
    // there.
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QStringLiteral(LARGE_WRITER), {u"4000000"_s, u"1000"_s, u"stop-in-record"_s});
    const auto end = qScopeGuard([&] {
        writer.kill();
        writer.waitForFinished();
    });
    QVERIFY(writer.waitForReadyRead(60000));
    // The state the kernel gives the process: "T" once it has stopped.
    const auto stopped = [&] {
        QFile stat(u"/proc/%1/stat"_s.arg(writer.processId()));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().split(' ').value(2) == "T";
    };
    QTRY_VERIFY(stopped());
    QVERIFY(QFileInfo::exists(journal));
    run.step();
    run.answerWith(u"my work"_s);
    const Snapshot before(run);

    // Waits its 4 seconds for the other run, and then no longer.
    QElapsedTimer wait;
    wait.start();
    run.click(u"cmd_enter_response"_s);
    QVERIFY2(wait.elapsed() >= 4000 && wait.elapsed() < 6000,
             qPrintable(QString::number(wait.elapsed())));
    QCOMPARE(run.student.problems,
             QStringList {
                     u"Could not write to %1: Another run of the program is writing to it. "_s.arg(
                             run.master())
                     + kept.arg(u"response"_s)});
    QVERIFY(Snapshot(run) == before);
#endif
}

void TestRecordFaults::folderOwnedByAnotherUser()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: acts as another user with seteuid() and chown()");
#else
    if (::geteuid() != 0)
        QSKIP("Needs root, to act as a student who may write the files but not their folder");
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"my work"_s);
    const Snapshot before(run);
    // The folder stays root's; the files, and the home folder's state folder, are the student's.
    constexpr uid_t student = 12345;
    const QString state = run.home.path() + u"/.local/state"_s;
    QVERIFY(QDir().mkpath(state));
    for (const QString &path : {run.home.path(), run.folder()})
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0755), 0);
    for (const QString &path : {run.master(), run.send(), run.home.path() + u"/.local"_s, state})
        QCOMPARE(::chown(QFile::encodeName(path).constData(), student, student), 0);
    QCOMPARE(::seteuid(student), 0);
    {
        const auto root = qScopeGuard([] { QCOMPARE(::seteuid(0), 0); });
        run.click(u"cmd_enter_response"_s);
    }
    QCOMPARE(run.student.problems, QStringList());
    const Files record = recordOf(u"cmd_enter_response"_s, "my work");
    QCOMPARE(readFile(run.master()), before.files.master + record.master);
    QCOMPARE(readFile(run.send()), before.files.send + record.send);
    QCOMPARE(QDir(run.folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList({u"masterFile.txt"_s, u"send_1208.txt"_s}));
    QCOMPARE(QDir(state + u"/q_a_interface"_s).entryList(QDir::Files | QDir::Hidden),
             QStringList());
#endif
}

void TestRecordFaults::killedInTheMiddleOfLargeRecords()
{
    // A few real kills, each aimed at a write of a record's bytes to the master or the SEND file,
    // of the first record or of the one after it: every call of an append is killed and failed
    // in tst_record_append, and a kill from outside can also cut a write short.
    constexpr int insideWritesWanted = 4;
    constexpr int size = 4'000'000;
    int kills = 0, insideWrites = 0, repaired = 0, records = 0;
    // Kills that land after a record's commit count too, but only so many.
    for (; insideWrites < insideWritesWanted; ++kills) {
        QVERIFY2(kills < 3 * insideWritesWanted, qPrintable(QString::number(insideWrites)));
        TemporaryHome home;
        const QString journal = home.defaultFolder() + u'/' + journalName;
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(LARGE_WRITER), {QString::number(size), u"1000"_s});
        // The writer says "write" just before each write of a record: killed as soon as it
        // begins the aimed one.
        const int aimedWrite = kills % 4 + 1;
        for (int writes = 0; writes < aimedWrite;) {
            QVERIFY(writer.canReadLine() || writer.waitForReadyRead(60000));
            writes += writer.readLine().trimmed() == "write"; // with CR LF on Windows
        }
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QCOMPARE(writer.exitCode(), killedExitCode);
        insideWrites += QFileInfo::exists(journal);
        QString fault;
        repaired += wholeAgreeingRecords(home.defaultFolder(), size, &fault) < 0;

        QCOMPARE(startAgain(), QStringList());
        const int whole = wholeAgreeingRecords(home.defaultFolder(), size, &fault);
        QVERIFY2(whole >= 0, qPrintable(fault));
        QVERIFY(!QFileInfo::exists(journal));
        records += whole;
    }
    qInfo("%d kills, %d inside a record's writes, %d left a torn or unmatched record that the "
          "next run cut back, %d whole records kept, no torn record left",
          kills, insideWrites, repaired, records);
}

void TestRecordFaults::killedBetweenTheMasterAndTheSendFile()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: the writer is stopped at the SEND file by RLIMIT_FSIZE and SIGXFSZ");
#else
    TemporaryHome home;
    QVERIFY(QDir().mkpath(home.defaultFolder()));
    const QString master = home.defaultFolder() + u"/masterFile.txt"_s;
    const QString send = home.defaultFolder() + u"/send_1208.txt"_s;
    // An earlier run's SEND file, longer than the master file grows.
    const QByteArray earlier = QByteArray(20000, 'x') + "\r\n";
    writeFile(send, earlier);
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QStringLiteral(LARGE_WRITER), {u"1000"_s, u"1"_s, u"stop-at-send"_s});
    QVERIFY(writer.waitForFinished(60000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(writer.exitCode(), SIGXFSZ);
    // The master file has taken and synced the record; the SEND file has none of it.
    QCOMPARE(readFile(master),
             largeWriterHeader + responseBytes(true, "", largeResponse(0, 1000), std::nullopt));
    QCOMPARE(readFile(send), earlier + largeWriterHeader);

    QCOMPARE(startAgain(), QStringList());
    QCOMPARE(readFile(master), largeWriterHeader + largeWriterHeader);
    QCOMPARE(readFile(send), earlier + largeWriterHeader + largeWriterHeader);
    QVERIFY(!QFileInfo::exists(home.defaultFolder() + u'/' + journalName));
#endif
}

void TestRecordFaults::specialFileAtAName_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name"); // the file name that is not a file of its own
    QTest::addColumn<QString>("there"); // "fifo", "folder", or what a link there leads to
    QTest::addColumn<QString>("reason"); // "~" for the folder
    QTest::newRow("send-file-a-folder-response")
            << u"cmd_enter_response"_s << u"response"_s << u"send_1208.txt"_s << u"folder"_s
            << u"Is a directory"_s;
    QTest::newRow("send-file-a-folder-note")
            << u"cmd_save_as_notes"_s << u"note"_s << u"send_1208.txt"_s << u"folder"_s
            << u"Is a directory"_s;
    QTest::newRow("notes-file-a-folder") << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s
                                         << u"folder"_s << u"Is a directory"_s;
    QTest::newRow("fifo") << u"cmd_enter_response"_s << u"response"_s << u"send_1208.txt"_s
                          << u"fifo"_s << u"Not a regular file"_s;
    QTest::newRow("link-to-a-device") << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s
                                      << u"/dev/zero"_s << u"Not a regular file"_s;
    QTest::newRow("link-to-nowhere")
            << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s << u"/media/gone/notes_.txt"_s
            << u"It is a link to /media/gone/notes_.txt, which does not exist"_s;
    QTest::newRow("send-file-linked-to-the-master-file")
            << u"cmd_enter_response"_s << u"response"_s << u"send_1208.txt"_s
            << u"~/masterFile.txt"_s << u"It is the same file as ~/masterFile.txt"_s;
    QTest::newRow("notes-file-linked-to-the-send-file")
            << u"cmd_save_as_notes"_s << u"note"_s << u"notes_.txt"_s << u"~/send_1208.txt"_s
            << u"It is the same file as ~/send_1208.txt"_s;
}

void TestRecordFaults::specialFileAtAName()
{
    QFETCH(QString, button);
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, there);
    QFETCH(QString, reason);
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"my work"_s);
    const QString path = run.folder() + u'/' + name;
    QFile::remove(path);
    if (there == u"folder"_s) {
        QVERIFY(QDir().mkdir(path));
    } else {
#ifdef Q_OS_WIN
        QSKIP("POSIX only: a FIFO or a symbolic link at the name");
#else
        if (there == u"fifo"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(QString(there).replace(u'~', run.folder()), path));
#endif
    }
    const Snapshot before(run);

    run.click(button);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: %2. "_s.arg(QDir::toNativeSeparators(path),
                                                               reason.replace(u'~', run.folder()))
                          + kept.arg(kind)});
    QVERIFY(Snapshot(run) == before);
}

void TestRecordFaults::displayOfAFileThatCannotBeShown_data()
{
    QTest::addColumn<QString>("target"); // what a link at the SEND file's name leads to
    QTest::addColumn<QString>("reason");
    QTest::newRow("fifo") << QString() << u"Not a regular file"_s;
    QTest::newRow("endless-device") << u"/dev/zero"_s << u"Not a regular file"_s;
    QTest::newRow("link-to-nowhere")
            << u"/media/gone/send_1208.txt"_s
            << u"It is a link to /media/gone/send_1208.txt, which does not exist"_s;
    QTest::newRow("larger-than-256-MB")
            << u"~/huge.txt"_s << u"It is larger than 256 MB, too large to show"_s;
}

void TestRecordFaults::displayOfAFileThatCannotBeShown()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: puts a FIFO, a device and symbolic links at the SEND file's name");
#else
    QFETCH(QString, target);
    QFETCH(QString, reason);
    SessionRun run(u"000"_s, script);
    run.step();
    QVERIFY(QFile::remove(run.send()));
    if (target.isEmpty()) {
        QCOMPARE(::mkfifo(QFile::encodeName(run.send()).constData(), 0600), 0);
    } else {
        target.replace(u'~', run.folder());
        // A sparse file, taking no room on the disk.
        QFile huge(target);
        if (target.startsWith(run.folder()))
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(256 << 20) + 1));
        QVERIFY(QFile::link(target, run.send()));
    }
    const QString question = run.questionText();

    run.click(u"cmd_displayCumulativeText"_s);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not read %1: %2. Nothing was added to the question box."_s.arg(
                     run.send(), reason)});
    QCOMPARE(run.questionText(), question);
#endif
}

void TestRecordFaults::cutBackFails()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: needs the append-only attribute (FS_IOC_SETFLAGS) and RLIMIT_FSIZE");
#else
    SessionRun run(u"000"_s, script);
    // Earlier notes make the notes file the longest of the three.
    writeFile(run.notes(), QByteArray(8000, 'x') + "\r\n");
    run.step();
    run.answerWith(u"my work"_s);
    const Snapshot before(run);
    // The SEND file can be appended to but not cut back, as on a failing disk.
    if (!setAppendOnly(run.send(), true))
        QSKIP("The append-only attribute cannot be set here (it needs CAP_LINUX_IMMUTABLE)");
    auto clearAppendOnly = qScopeGuard([&] { setAppendOnly(run.send(), false); });

    {
        const auto restore = limitFileSize(rlim_t(QFileInfo(run.notes()).size() + 40));
        run.click(u"cmd_save_as_notes"_s);
    }
    QCOMPARE(run.student.problems,
             QStringList {u"Could not write to %1: File too large. %2 may hold part of a record "
                          u"until the next recording cuts it back; your text is kept so you can "
                          u"try again."_s.arg(run.notes(), run.send())});
    const Files record = recordOf(u"cmd_save_as_notes"_s, "my work");
    QCOMPARE(readFile(run.master()), before.files.master);
    QCOMPARE(readFile(run.send()), before.files.send + record.send);
    QCOMPARE(readFile(run.notes()), before.files.notes);
    QCOMPARE(run.answerText(), before.answer);
    QVERIFY(!run.session().blockPending);
    QVERIFY(QFileInfo::exists(run.folder() + u'/' + journalName));

    // Once the disk lets it, the next recording cuts the SEND file back before it writes.
    clearAppendOnly.dismiss();
    QVERIFY(setAppendOnly(run.send(), false));
    run.click(u"cmd_save_as_notes"_s);
    QCOMPARE(run.student.problems.size(), 1);
    QCOMPARE(readFile(run.master()), before.files.master + record.master);
    QCOMPARE(readFile(run.send()), before.files.send + record.send);
    QCOMPARE(readFile(run.notes()), before.files.notes + record.notes);
    QVERIFY(!QFileInfo::exists(run.folder() + u'/' + journalName));
#endif
}

void TestRecordFaults::newFilesAndFolderArePrivate_data()
{
    QTest::addColumn<int>("mask"); // the umask the program runs with
    QTest::addColumn<bool>("folderExists"); // with mode 0755 and a master file of mode 0644
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("masterMode");
    QTest::newRow("new-umask-022") << 022 << false << 0700 << 0600;
    QTest::newRow("new-umask-000") << 0 << false << 0700 << 0600;
    QTest::newRow("existing-ones-keep-theirs") << 0 << true << 0755 << 0644;
}

void TestRecordFaults::newFilesAndFolderArePrivate()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: checks the umask and the file modes; Windows has access lists instead, "
          "which Wine does not keep as Windows does");
#else
    QFETCH(int, mask);
    QFETCH(bool, folderExists);
    QFETCH(int, folderMode);
    QFETCH(int, masterMode);
    const mode_t previousMask = ::umask(mode_t(mask));
    const auto restoreMask = qScopeGuard([previousMask] { ::umask(previousMask); });
    const auto existingFolder = [&](FakeStudent &student) {
        if (!folderExists)
            return;
        const QString folder = student.home + u"/qorvanit"_s;
        QCOMPARE(::mkdir(QFile::encodeName(folder).constData(), 0755), 0);
        writeFile(folder + u"/masterFile.txt"_s, QByteArray());
        QCOMPARE(::chmod(QFile::encodeName(folder + u"/masterFile.txt"_s).constData(), 0644), 0);
    };
    const SessionRun run({.prepare = existingFolder});
    run.click(u"cmd_clr_answer"_s);
    run.click(u"cmd_save_as_notes"_s);
    QCOMPARE(run.student.problems, QStringList());

    const QString folder = run.folder();
    const auto modeOf = [&](const QString &name) {
        struct stat status;
        return ::stat(QFile::encodeName(folder + name).constData(), &status) == 0
                ? int(status.st_mode & 07777)
                : -1;
    };
    QCOMPARE(modeOf(QString()), folderMode);
    QCOMPARE(modeOf(u"/masterFile.txt"_s), masterMode);
    QCOMPARE(modeOf(u"/send_1208.txt"_s), 0600);
    QCOMPARE(modeOf(u"/notes_.txt"_s), 0600);
#endif
}

QTEST_MAIN(TestRecordFaults)
#include "tst_record_faults.moc"

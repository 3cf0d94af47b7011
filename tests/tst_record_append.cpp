#include "expected_records.h"
#include "faulty_disk.h"
#include "test_support.h"

#include "files/file_reading.h"
#include "files/journal.h"
#include "files/record_append.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList fileNames = {u"masterFile.txt"_s, u"send_1208.txt"_s, u"notes_.txt"_s};

// The bytes one record adds to each of its files: a header, a response or a note.
QList<QByteArray> recordBytes(const QString &kind, const QByteArray &text)
{
    if (kind == u"header"_s)
        return {headerBytes(text, "000", "000."), headerBytes(text, "000", "000.")};
    if (kind == u"response"_s) {
        return {responseBytes(true, "A line", text, "confidence assessment:  2"),
                responseBytes(false, "A line", text, "confidence assessment:  2")};
    }
    return {noteBytes("A line", text), noteBytes("A line", text), noteBytes("A line", text)};
}

// A folder of session files, and the state folder beside it, for one append to go wrong in.
struct Folder
{
    explicit Folder(bool existing)
    {
        QVERIFY(QDir().mkpath(state()));
        if (existing) {
            // Earlier days' records, longer than the fingerprint, so it is taken from the middle.
            for (const QString &name : fileNames)
                writeFile(path(name), QByteArray(5000, 'e') + "\r\n");
        }
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString state() const { return dir.filePath(u"state"_s); }
    QList<FileRecord> records(const QList<QByteArray> &bytes) const
    {
        QList<FileRecord> records;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            records.append({path(fileNames[i]), bytes[i]});
        return records;
    }
    QList<QByteArray> contents() const
    {
        QList<QByteArray> contents;
        for (const QString &name : fileNames)
            contents << readFile(path(name));
        return contents;
    }
    QStringList names() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System)
                + QDir(state()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
};

enum class Fault { Kill, Fail, FailFrom, PowerLoss };

struct Case
{
    Fault fault;
    int call;
    int killAt = 0; // a kill during the rollback that follows the failure
    QString failure = u"Input/output error"_s;
};

// Appends record X with `fault` and then, as a new run would, record Y; the files must then hold
// their earlier bytes, X if and only if it was reported written (or, after a kill, whole in every
// file or in none), and Y. `calls` is set to how many calls the faulty append made.
void checkCase(const QString &kind, bool existing, bool refused, const Case &fault,
               int *calls = nullptr)
{
    Folder folder(existing);
    const QString refusedFolder = refused ? folder.dir.path() : QString();
    const QList<QByteArray> before = folder.contents();
    const QStringList namesBefore = folder.names();
    const QList<QByteArray> x = recordBytes(kind, "X"), y = recordBytes(kind, "Y");
    FaultyDisk disk({folder.dir.path(), folder.state()});
    disk.refusedFolder = refusedFolder;
    disk.killAt = fault.fault == Fault::Kill || fault.fault == Fault::PowerLoss ? fault.call
                                                                                : fault.killAt;
    if (fault.fault != Fault::Kill && fault.fault != Fault::PowerLoss) {
        disk.failFrom = fault.call;
        disk.failTo = fault.fault == Fault::Fail ? fault.call : INT_MAX;
        disk.failure = fault.failure;
    }
    std::optional<bool> reportedWritten;
    try {
        const AppendOutcome outcome = appendRecords({disk, folder.state()}, folder.records(x));
        reportedWritten = !outcome.failure;
        // A folder left as it was, unless the disk kept failing.
        if (outcome.failure && outcome.failure->uncut.isEmpty() && fault.fault == Fault::Fail)
            QCOMPARE(folder.names().join(u","_s), namesBefore.join(u","_s));
    } catch (const FaultyDisk::Killed &) { }
    // Before the kill, or once the append is over.
    if (fault.fault == Fault::PowerLoss)
        disk.losePower();
    if (calls)
        *calls = disk.calls;

    FaultyDisk next;
    next.refusedFolder = refusedFolder;
    const AppendOutcome outcome = appendRecords({next, folder.state()}, folder.records(y));
    QVERIFY2(!outcome.failure, qPrintable(outcome.failure ? outcome.failure->reason : QString()));
    QCOMPARE(outcome.notices, QStringList());
    const QList<QByteArray> contents = folder.contents();
    const bool xKept = contents[0].size() > before[0].size() + y[0].size();
    if (reportedWritten)
        QCOMPARE(xKept, *reportedWritten);
    for (qsizetype i = 0; i < x.size(); ++i)
        QCOMPARE(contents[i], before[i] + (xKept ? x[i] : QByteArray()) + y[i]);
    QCOMPARE(folder.names().filter(journalName).join(u","_s), QString());
}

// How many calls an append that goes well makes.
int callsOfAnAppend(const QString &kind, bool existing, bool refused)
{
    int calls = 0;
    checkCase(kind, existing, refused, {Fault::Fail, 0}, &calls);
    return calls;
}

// Appends `x` to `folder` and kills the append before call `call`; false when it ended first.
bool killedAt(const Folder &folder, const QList<QByteArray> &x, int call)
{
    FaultyDisk disk;
    disk.killAt = call;
    try {
        appendRecords({disk, folder.state()}, folder.records(x));
        return false;
    } catch (const FaultyDisk::Killed &) {
        return true;
    }
}

// Kills an append of `x` to `folder` at the first call that leaves the files as `torn` wants them.
void killWhen(const Folder &folder, const QList<QByteArray> &x,
              const std::function<bool(const QList<QByteArray> &)> &torn)
{
    for (int call = 1; killedAt(Folder(true), x, call); ++call) {
        const Folder trial(true);
        if (killedAt(trial, x, call) && torn(trial.contents())) {
            QVERIFY(killedAt(folder, x, call));
            return;
        }
    }
    QFAIL("No kill left the files torn so");
}

// Leaves record `x` torn, as a run killed in the middle of it would: its journal written through
// `files` by a run that reached the folder as `folderPath`, and the first `written` files with
// their share of it.
void tearRecord(FileLayer &files, const Folder &folder, const QString &folderPath,
                const QList<QByteArray> &x, int written)
{
    QList<Journal::Entry> entries;
    for (qsizetype i = 0; i < x.size(); ++i) {
        const QByteArray bytes = readFile(folder.path(fileNames[i]));
        const QByteArrayView before = QByteArrayView(bytes).last(
                std::min<qsizetype>(bytes.size(), Journal::fingerprinted));
        entries.append(
                {fileNames[i], bytes.size(), x[i].size(), Journal::fingerprint(before), x[i]});
    }
    QVERIFY(!Journal(files, folderPath + u"/masterFile.txt"_s, folder.state())
                     .write(entries, false));
    for (int i = 0; i < written; ++i)
        writeFile(folder.path(fileNames[i]), readFile(folder.path(fileNames[i])) + x[i]);
}

const QString partLeft = u"%1 may end in part of a record that an earlier run did not finish. It "
                         u"was not cut back, as the file has changed since."_s;

} // namespace

class TestRecordAppend : public QObject
{
    Q_OBJECT
private slots:
    // CTest runs each row of crashPoints and powerLoss as a test of its own (tests/CMakeLists.txt).
    void appends_data();
    void crashPoints_data() { appends_data(); }
    void crashPoints();
    void powerLoss_data() { appends_data(); }
    void powerLoss();
    void copiedFolderIsRepaired();
    void hostileJournal_data();
    void hostileJournal();
    void journalCutShortIsRemoved();
    void changedFileIsNotCut_data();
    void changedFileIsNotCut();
    void displayShowsNoFragment();
    void displayLocksAsANetworkFileSystemAllows();
    void errorWhileRepairing_data();
    void errorWhileRepairing();
    void recordOfARunThatCouldNotSeeTheJournalIsKept();
    void stateFolderJournalFoundByAnyPath();
    void stateFolderIsMadeThroughTheLayer();
    void twoUsersInOneFolder_data();
    void twoUsersInOneFolder();
};

void TestRecordAppend::appends_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("refused"); // the folder cannot take the journal
    for (const QString &kind : {u"header"_s, u"response"_s, u"note"_s}) {
        QTest::addRow("%s-new-folder", qPrintable(kind)) << kind << false << false;
        QTest::addRow("%s-existing-files", qPrintable(kind)) << kind << true << false;
    }
    QTest::newRow("note-journal-in-the-state-folder") << u"note"_s << true << true;
}

void TestRecordAppend::crashPoints()
{
    QFETCH(QString, kind);
    QFETCH(bool, existing);
    QFETCH(bool, refused);
    const int calls = callsOfAnAppend(kind, existing, refused);
    int cases = 0;
    const auto check = [&](const Case &fault) {
        int made = 0;
        checkCase(kind, existing, refused, fault, &made);
        ++cases;
        if (QTest::currentTestFailed()) {
            qWarning("Failed with fault %d at call %d of %d, killed at %d", int(fault.fault),
                     fault.call, calls, fault.killAt);
        }
        return made;
    };
    for (int call = 1; call <= calls && !QTest::currentTestFailed(); ++call) {
        check({Fault::Kill, call});
        check({Fault::Fail, call, 0, u"No space left on device"_s});
        check({Fault::FailFrom, call});
        // A kill at each call of the rollback that follows the failure.
        const int made = check({Fault::Fail, call});
        for (int killAt = call + 1; killAt <= made && !QTest::currentTestFailed(); ++killAt)
            check({Fault::Fail, call, killAt});
    }
    qInfo("%d calls, %d crash-point cases", calls, cases);
}

void TestRecordAppend::powerLoss()
{
    QFETCH(QString, kind);
    QFETCH(bool, existing);
    QFETCH(bool, refused);
    const int calls = callsOfAnAppend(kind, existing, refused);
    // Power lost before each call, and once the append is over.
    for (int call = 1; call <= calls + 1; ++call) {
        checkCase(kind, existing, refused, {Fault::PowerLoss, call});
        if (QTest::currentTestFailed()) {
            qWarning("Failed with the power lost before call %d of %d", call, calls);
            return;
        }
    }
    qInfo("%d power-loss cases", calls + 1);
}

// Killed once the master file has its share of the record and the SEND file has none.
bool masterOnly(const QList<QByteArray> &x, const QList<QByteArray> &contents)
{
    return contents[0].endsWith(x[0]) && !contents[1].endsWith(x[1]);
}

void TestRecordAppend::copiedFolderIsRepaired()
{
    Folder folder(true);
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y");
    killWhen(folder, x, [&](const QList<QByteArray> &contents) { return masterOnly(x, contents); });
    QVERIFY(QFileInfo::exists(folder.path(journalName)));
    // Copied as a backup or a USB stick plugged in again would have it: every file a new one.
    QTemporaryDir copies;
    const QString copy = copies.filePath(u"copy"_s);
    QVERIFY(QDir().mkdir(copy));
    for (const QFileInfo &file : QDir(folder.dir.path()).entryInfoList(QDir::Files | QDir::Hidden))
        QVERIFY(QFile::copy(file.filePath(), copy + u'/' + file.fileName()));
    QList<FileRecord> records;
    for (qsizetype i = 0; i < y.size(); ++i)
        records.append({copy + u'/' + fileNames[i], y[i]});

    const AppendOutcome outcome = appendRecords({FileLayer::system(), folder.state()}, records);
    QVERIFY(!outcome.failure);
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(readFile(copy + u'/' + fileNames[i]), before[i] + y[i]);
    QVERIFY(!QFileInfo::exists(copy + u'/' + journalName));
}

void TestRecordAppend::hostileJournal_data()
{
    QTest::addColumn<QByteArray>("journal"); // its text, or what it is instead of a file
    const QByteArray empty = Journal::fingerprint({});
    const auto line = [](const QByteArray &entry) {
        return "q_a_interface rollback journal 1\n" + entry + "\nend\n";
    };
    QTest::newRow("symbolic-link") << QByteArray("link");
    QTest::newRow("fifo") << QByteArray("fifo");
    QTest::newRow("folder") << QByteArray("folder");
    QTest::newRow("6-GB-sparse") << QByteArray("sparse");
    QTest::newRow("18-MB") << line(QByteArray(18'000'000, 'x'));
    QTest::newRow("negative-length") << line("-10 6000 " + empty + " masterFile.txt");
    QTest::newRow("naming-the-folder") << line("0 6000 " + empty + " .");
    QTest::newRow("naming-another-file") << line("0 6000 " + empty + " ../masterFile.txt");
    QTest::newRow("no-record-length") << line("0 0 " + empty + " masterFile.txt");
    QTest::newRow("other-text") << QByteArray("my own notes\r\n");
}

void TestRecordAppend::hostileJournal()
{
    QFETCH(QByteArray, journal);
    Folder folder(true);
    const QString path = folder.path(journalName);
#ifdef Q_OS_WIN
    if (journal == "link" || journal == "fifo")
        QSKIP("POSIX only: a symbolic link or a FIFO as the journal");
#endif
    if (journal == "link") {
        QVERIFY(QFile::link(folder.path(u"masterFile.txt"_s), path));
    } else if (journal == "fifo") {
        QCOMPARE(QProcess::execute(u"mkfifo"_s, {path}), 0);
    } else if (journal == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (journal == "sparse") {
        QFile sparse(path);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(6LL << 30));
    } else {
        writeFile(path, journal);
    }
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> y = recordBytes(u"note"_s, "Y");

    QElapsedTimer timer;
    timer.start();
    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!outcome.failure);
    QCOMPARE(outcome.notices, QStringList());
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(readFile(folder.path(fileNames[i])), before[i] + y[i]);
    // Set aside, under a name that says why.
    QVERIFY(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
    const QDir::Filters any = QDir::AllEntries | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(folder.dir.path()).entryList({journalName + u".unusable-*"_s}, any).size(), 1);
}

void TestRecordAppend::journalCutShortIsRemoved()
{
    Folder folder(true);
    writeFile(folder.path(journalName), "q_a_interface rollback journal 1\n0 6000 ");
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> y = recordBytes(u"note"_s, "Y");
    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY(!outcome.failure);
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(readFile(folder.path(fileNames[i])), before[i] + y[i]);
    QCOMPARE(folder.names().filter(journalName), QStringList());
}

void TestRecordAppend::changedFileIsNotCut_data()
{
    QTest::addColumn<bool>("sameLength");
    QTest::newRow("a-line-added") << false;
    QTest::newRow("a-letter-changed") << true;
}

void TestRecordAppend::changedFileIsNotCut()
{
    QFETCH(bool, sameLength);
    Folder folder(true);
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y");
    killWhen(folder, x, [&](const QList<QByteArray> &contents) { return masterOnly(x, contents); });
    // The student edits the master file meanwhile, so the record can no longer be told apart.
    QByteArray edited = folder.contents()[0];
    if (sameLength)
        edited[4000] = 'E';
    else
        edited.prepend("edited\r\n");
    writeFile(folder.path(u"masterFile.txt"_s), edited);
    const QList<QByteArray> before = folder.contents();

    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY(!outcome.failure);
    QCOMPARE(outcome.notices,
             QStringList {partLeft.arg(QDir::toNativeSeparators(folder.path(fileNames[0])))});
    const QList<QByteArray> contents = folder.contents();
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(contents[i], before[i] + y[i]);
    const QDir::Filters files = QDir::Files | QDir::Hidden;
    QCOMPARE(QDir(folder.dir.path()).entryList({journalName + u".unmatched-*"_s}, files).size(), 1);

    // Said once: the next recording has nothing to tell.
    const AppendOutcome again
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY(!again.failure);
    QCOMPARE(again.notices, QStringList());
}

void TestRecordAppend::displayShowsNoFragment()
{
    Folder folder(true);
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> x = recordBytes(u"note"_s, "X");
    // Killed once the SEND file has its share of the record and the notes file has none.
    killWhen(folder, x, [&](const QList<QByteArray> &contents) {
        return contents[1].endsWith(x[1]) && !contents[2].endsWith(x[2]);
    });
    const FileLines send = readFileLines({FileLayer::system(), folder.state()},
                                         folder.path(fileNames[0]), folder.path(fileNames[1]));
    QVERIFY(!send.failure);
    QCOMPARE(send.lines, QStringList {QString(5000, u'e')});
    QCOMPARE(folder.contents(), before);
}

void TestRecordAppend::displayLocksAsANetworkFileSystemAllows()
{
    // As NFS has it: an exclusive lock only through a handle opened for writing.
    struct NetworkFileSystem : FaultyDisk
    {
        Opened openForReading(const QString &path, Links links) override
        {
            const Opened opened = FaultyDisk::openForReading(path, links);
            readOnly << opened.handle;
            return opened;
        }
        std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                        std::chrono::milliseconds wait) override
        {
            if (kind == LockKind::Exclusive && readOnly.contains(handle))
                return LockFailure {false, u"Bad file descriptor"_s};
            return FaultyDisk::lock(handle, kind, wait);
        }
        QList<Handle> readOnly;
    } network;
    Folder folder(true);
    const FileLines send = readFileLines({network, folder.state()}, folder.path(fileNames[0]),
                                         folder.path(fileNames[1]));
    QVERIFY2(!send.failure, qPrintable(send.failure.value_or(QString())));
    QCOMPARE(send.lines, QStringList {QString(5000, u'e')});
}

void TestRecordAppend::errorWhileRepairing_data()
{
    QTest::addColumn<bool>("display"); // the repair is a display's, not a recording's
    QTest::addColumn<bool>("edited"); // the master file was edited by hand since
    QTest::addColumn<int>("failing"); // how many calls the error lasts
    for (const int failing : {1, INT_MAX}) {
        const char *const kind = failing == 1 ? "passing" : "lasting";
        QTest::addRow("recording-%s", kind) << false << false << failing;
        QTest::addRow("display-%s", kind) << true << false << failing;
        QTest::addRow("recording-after-a-hand-edit-%s", kind) << false << true << failing;
    }
    // Both opens of the master file fail, and the SEND file can be read.
    QTest::newRow("display-two-calls") << true << false << 2;
}

// A record torn in the master and the SEND file; an error from call `call` on, for `failing` calls,
// of the next recording or display, then a clean recording: each file holds every record reported
// written once and no part of the torn one, and the student hears of the edited file once.
// `calls` is set to how many calls the recording or display with the error made.
void checkErrorWhileRepairing(bool display, bool edited, int failing, int call, int &calls)
{
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y"),
                            z = recordBytes(u"note"_s, "Z");
    Folder folder(true);
    QList<QByteArray> expected = folder.contents();
    // Its syncs go no further than its model, which keeps this many cases fast.
    FaultyDisk disk;
    tearRecord(disk, folder, folder.dir.path(), x, 2);
    if (edited) {
        // Within the bytes the fingerprint covers.
        expected[0] = readFile(folder.path(fileNames[0]));
        expected[0][4000] = 'E';
        writeFile(folder.path(fileNames[0]), expected[0]);
    }
    disk.calls = 0;
    disk.failFrom = call;
    disk.failTo = failing == INT_MAX ? INT_MAX : call + failing - 1;
    const RecordPlace place {disk, folder.state()};
    QStringList notices;
    bool written = false;
    if (display) {
        const FileLines send
                = readFileLines(place, folder.path(fileNames[0]), folder.path(fileNames[1]));
        QCOMPARE(send.lines, send.failure ? QStringList() : QStringList {QString(5000, u'e')});
        notices << send.notices;
    } else {
        const AppendOutcome outcome = appendRecords(place, folder.records(y));
        written = !outcome.failure;
        notices << outcome.notices;
    }
    calls = disk.calls;
    disk.failFrom = 0;
    const AppendOutcome clean = appendRecords(place, folder.records(z));
    QVERIFY2(!clean.failure, qPrintable(clean.failure ? clean.failure->reason : QString()));
    notices << clean.notices;
    const QList<QByteArray> contents = folder.contents();
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(contents[i], expected[i] + (written ? y[i] : QByteArray()) + z[i]);
    const QStringList partLefts = edited
            ? QStringList {partLeft.arg(QDir::toNativeSeparators(folder.path(fileNames[0])))}
            : QStringList();
    QCOMPARE(notices.filter(u"may end in part of a record"_s), partLefts);
    QCOMPARE(folder.names().filter(journalName).size(), edited ? 1 : 0);
}

void TestRecordAppend::errorWhileRepairing()
{
    QFETCH(bool, display);
    QFETCH(bool, edited);
    QFETCH(int, failing);
    int calls = 0;
    for (int call = 1; call <= calls + 1; ++call) {
        checkErrorWhileRepairing(display, edited, failing, call, calls);
        if (QTest::currentTestFailed()) {
            qWarning("Failed with an error at call %d of %d", call, calls);
            return;
        }
    }
}

void TestRecordAppend::recordOfARunThatCouldNotSeeTheJournalIsKept()
{
    Folder folder(true);
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y"),
                            z = recordBytes(u"note"_s, "Z");
    // Torn before its first byte; then a run that could not see the journal (another path to a
    // state folder, an older version) appends a record of the same length.
    tearRecord(FileLayer::system(), folder, folder.dir.path(), x, 0);
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        writeFile(folder.path(fileNames[i]), before[i] + y[i]);

    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(z));
    QVERIFY(!outcome.failure);
    QStringList notices;
    for (const QString &name : fileNames)
        notices << partLeft.arg(QDir::toNativeSeparators(folder.path(name)));
    QCOMPARE(outcome.notices, notices);
    const QList<QByteArray> contents = folder.contents();
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(contents[i], before[i] + y[i] + z[i]);
}

void TestRecordAppend::stateFolderJournalFoundByAnyPath()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: reaches the folder through a symbolic link");
#endif
    Folder folder(true);
    const QList<QByteArray> before = folder.contents();
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y");
    // A folder that cannot take the journal, reached once through a link and once directly.
    const QString link = folder.dir.filePath(u"link"_s);
    QVERIFY(QFile::link(folder.dir.path(), link));
    FaultyDisk refusing;
    refusing.refusedFolder = folder.dir.path();
    tearRecord(refusing, folder, link, x, 2);
    QCOMPARE(QDir(folder.state()).entryList(QDir::Files).size(), 1);

    const AppendOutcome outcome = appendRecords({refusing, folder.state()}, folder.records(y));
    QVERIFY(!outcome.failure);
    QCOMPARE(outcome.notices, QStringList());
    QCOMPARE(folder.contents(),
             QList<QByteArray>({before[0] + y[0], before[1] + y[1], before[2] + y[2]}));
    QCOMPARE(folder.names().filter(u"journal"_s), QStringList());
}

// Each missing folder of the state folder is made through the file layer, which keeps its name in
// its parent on the disk, from the first that is missing on.
void TestRecordAppend::stateFolderIsMadeThroughTheLayer()
{
    struct MadeFolders : FaultyDisk
    {
        QStringList made;
        Failure makeFolder(const QString &path) override
        {
            made << path;
            return FaultyDisk::makeFolder(path);
        }
    } disk;
    Folder folder(true);
    disk.refusedFolder = folder.dir.path();
    const QString home = folder.dir.filePath(u"home"_s);
    const QString state = home + u"/.local/state/q_a_interface"_s;
    const AppendOutcome outcome
            = appendRecords({disk, state}, folder.records(recordBytes(u"note"_s, "X")));
    QVERIFY(!outcome.failure);
    QCOMPARE(disk.made, QStringList({home, home + u"/.local"_s, home + u"/.local/state"_s, state}));
}

void TestRecordAppend::twoUsersInOneFolder_data()
{
    QTest::addColumn<bool>("edited"); // the master file was edited by hand since
    QTest::newRow("entries-check-out") << false;
    QTest::newRow("master-file-edited") << true;
}

// One user's run is killed in the middle of a record; another user's recording repairs the files
// as its own, or sets the journal aside and says so.
void TestRecordAppend::twoUsersInOneFolder()
{
#ifdef Q_OS_WIN
    QSKIP("POSIX only: acts as another user with seteuid()");
#else
    QFETCH(bool, edited);
    if (::geteuid() != 0)
        QSKIP("Acting as a second user needs root");
    Folder folder(true);
    for (const QString &path : {folder.dir.path(), folder.path(fileNames[0]),
                                folder.path(fileNames[1]), folder.path(fileNames[2])})
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0777), 0);
    QList<QByteArray> expected = folder.contents();
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y");
    QCOMPARE(::seteuid(12345), 0);
    {
        const auto root = qScopeGuard([] { QCOMPARE(::seteuid(0), 0); });
        tearRecord(FileLayer::system(), folder, folder.dir.path(), x, 1);
    }
    QVERIFY(QFileInfo(folder.path(journalName)).ownerId() == 12345);
    if (edited) {
        expected[0] = readFile(folder.path(fileNames[0]));
        expected[0][4000] = 'E';
        writeFile(folder.path(fileNames[0]), expected[0]);
    }

    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY(!outcome.failure);
    QCOMPARE(outcome.notices,
             edited ? QStringList {partLeft.arg(folder.path(fileNames[0]))} : QStringList());
    const QList<QByteArray> contents = folder.contents();
    for (qsizetype i = 0; i < fileNames.size(); ++i)
        QCOMPARE(contents[i], expected[i] + y[i]);
    QCOMPARE(folder.names().filter(journalName).size(), edited ? 1 : 0);
#endif
}

QTEST_MAIN(TestRecordAppend)
#include "tst_record_append.moc"

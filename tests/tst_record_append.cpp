#include "expected_records.h"
#include "faulty_disk.h"
#include "test_support.h"

#include "files/file_reading.h"
#include "files/journal.h"
#include "files/record_append.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    } catch (const FaultyDisk::Killed &) {
        if (fault.fault == Fault::PowerLoss)
            disk.losePower();
    }
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
    void changedFileIsNotCut();
    void displayShowsNoFragment();
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
    QTest::newRow("other-owner") << QByteArray("other-owner");
    QTest::newRow("negative-length") << line("-10 6000 " + empty + " masterFile.txt");
    QTest::newRow("naming-the-folder") << line("0 6000 " + empty + " .");
    QTest::newRow("naming-another-file") << line("0 6000 " + empty + " ../masterFile.txt");
    QTest::newRow("no-record-length") << line("0 0 " + empty + " masterFile.txt");
}

void TestRecordAppend::hostileJournal()
{
    QFETCH(QByteArray, journal);
    Folder folder(true);
    const QString path = folder.path(journalName);
#ifdef Q_OS_WIN
    if (journal == "link" || journal == "fifo" || journal == "other-owner")
        QSKIP("POSIX only: a symbolic link, a FIFO or a file of another user as the journal");
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
#ifndef Q_OS_WIN
    } else if (journal == "other-owner") {
        if (::geteuid() != 0)
            QSKIP("Giving a file to another user needs root");
        writeFile(path,
                  "q_a_interface rollback journal 1\n0 6000 " + Journal::fingerprint({})
                          + " masterFile.txt\nend\n");
        QVERIFY(::chown(QFile::encodeName(path).constData(), 12345, 12345) == 0);
#endif
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

void TestRecordAppend::changedFileIsNotCut()
{
    Folder folder(true);
    const QList<QByteArray> x = recordBytes(u"note"_s, "X"), y = recordBytes(u"note"_s, "Y");
    killWhen(folder, x, [&](const QList<QByteArray> &contents) { return masterOnly(x, contents); });
    // The student edits the master file meanwhile, so the record can no longer be told apart.
    const QByteArray edited = "edited\r\n" + folder.contents()[0];
    writeFile(folder.path(u"masterFile.txt"_s), edited);
    const QList<QByteArray> before = folder.contents();

    const AppendOutcome outcome
            = appendRecords({FileLayer::system(), folder.state()}, folder.records(y));
    QVERIFY(!outcome.failure);
    QCOMPARE(outcome.notices,
             QStringList {u"%1 may end in part of a record that an earlier run did not finish. It "
                          u"was not cut back, as the file has changed since."_s.arg(
                                  QDir::toNativeSeparators(folder.path(u"masterFile.txt"_s)))});
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

QTEST_MAIN(TestRecordAppend)
#include "tst_record_append.moc"

#include "expected_records.h"
#include "session_run.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray someCodeLine = "\x80\x81\x8d\x8f\x90\x9d\xa0\xad\xff\xfe\x99\x9f\x76\x77\x78\x79"
                                "\xc0\xe9\xf6";

} // namespace

class TestSessionFiles : public QObject
{
    Q_OBJECT
private slots:
    void headerGoesToBothFiles_data();
    void headerGoesToBothFiles();
    void startLineMayCarryMoreText();
    void startLineInTheLastSlot();
    void dateIsReadForEachFile();
    void twoRunsOnOneDay();
    void noStartLine_data();
    void noStartLine();
    void fileCannotBeOpenedAtStartUp_data();
    void fileCannotBeOpenedAtStartUp();
};

void TestSessionFiles::headerGoesToBothFiles_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QByteArray>("number"); // as the header gives it
    QTest::addColumn<int>("startSlot");
    QTest::newRow("000") << u"000"_s << QByteArray("000") << 4;
    QTest::newRow("001") << u"001"_s << QByteArray("001") << 10;
    QTest::newRow("typed-as-1") << u"1"_s << QByteArray("001") << 10;
}

void TestSessionFiles::headerGoesToBothFiles()
{
    QFETCH(QString, assignment);
    QFETCH(QByteArray, number);
    QFETCH(int, startSlot);
    const SessionRun run({.assignment = assignment, .shown = false, .codeLine = someCodeLine});
    // Where stepping goes on from: the script shows nothing of its place before a step.
    QCOMPARE(run.session().scriptLineIndex, startSlot);
    const QByteArray header = headerBytes(someCodeLine, number, number + ".");
    QCOMPARE(readFile(run.master()), header);
    QCOMPARE(readFile(run.send()), header);
    QVERIFY(!QFileInfo::exists(run.notes()));
    QVERIFY(run.student.problems.isEmpty());
    QCOMPARE(run.student.ends, 0);
}

void TestSessionFiles::startLineMayCarryMoreText()
{
    const SessionRun run({.assignment = u"001"_s,
                          .script = {u"000."_s, u"01. not a start"_s, u"001. Measuring a pencil"_s,
                                     u"After the start"_s},
                          .codeLine = someCodeLine});
    QCOMPARE(readFile(run.master()), headerBytes(someCodeLine, "001", "001. Measuring a pencil"));
    run.step();
    QVERIFY(run.questionText().endsWith(u"After the start"_s));
}

void TestSessionFiles::startLineInTheLastSlot()
{
    const SessionRun run(
            {.assignment = u"002"_s, .script = {u"002."_s}, .scriptStart = lastScriptSlot});
    QCOMPARE(run.student.ends, 0);
    QVERIFY(readFile(run.send()).endsWith("002.\r\nPhysics II\r\n12-08-2026\r\n"));
    // Nothing follows it: the first step ends the session.
    run.step();
    QCOMPARE(run.student.ends, 1);
}

void TestSessionFiles::dateIsReadForEachFile()
{
    // Once the last prompt is answered, the clock stands a second before midnight and moves on.
    const auto nearMidnight = [](FakeStudent &student) {
        student.onPrompt = [&student](const QString &promptText) {
            if (promptText == u"Assignment Number:  "_s) {
                student.clock = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59));
                student.secondsPerReading = 1;
            }
        };
    };
    const SessionRun run({.shown = false, .codeLine = someCodeLine, .prepare = nearMidnight});
    QCOMPARE(readFile(run.master()), headerBytes(someCodeLine, "000", "000.", "12-08-2026"));
    QCOMPARE(readFile(run.send()), headerBytes(someCodeLine, "000", "000.", "12-09-2026"));
}

void TestSessionFiles::twoRunsOnOneDay()
{
    const QByteArray otherCodeLine(28, '\xf0');
    const SessionRun first({.shown = false, .codeLine = someCodeLine});
    const SessionRun second({.assignment = u"001"_s,
                             .shown = false,
                             .codeLine = otherCodeLine,
                             .home = first.homePath()});
    const QByteArray both
            = headerBytes(someCodeLine, "000", "000.") + headerBytes(otherCodeLine, "001", "001.");
    QCOMPARE(readFile(first.send()), both);
    QCOMPARE(readFile(first.master()), both);
}

void TestSessionFiles::noStartLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("script"); // the built-in bank when empty
    QTest::addColumn<QString>("message");
    const QString builtIn = u"It holds assignments 000 and 001; the session cannot start."_s;
    QTest::newRow("005") << u"005"_s << QStringList()
                         << u"The script has no assignment numbered \"005\". "_s + builtIn;
    QTest::newRow("empty") << u""_s << QStringList()
                           << u"The script has no assignment numbered \"\". "_s + builtIn;
    QTest::newRow("four-characters")
            << u"0001"_s << QStringList()
            << u"The script has no assignment numbered \"0001\". "_s + builtIn;
    QTest::newRow("start-line-without-point")
            << u"000 "_s << QStringList()
            << u"The script has no assignment numbered \"000 \". "_s + builtIn;
    // The numbers come from the script's start lines, whatever the script holds.
    QTest::newRow("three-assignments")
            << u"004"_s << QStringList {u"007."_s,       u"Text"_s, u"`q 012. not a start"_s,
                                        u"012. Title"_s, u"x"_s,    u"A2c.x"_s}
            << u"The script has no assignment numbered \"004\". It holds assignments 007, 012 "
               u"and A2c; the session cannot start."_s;
    QTest::newRow("one-assignment")
            << u"004"_s << QStringList {u"007."_s, u"Text"_s}
            << u"The script has no assignment numbered \"004\". It holds assignment 007; the "
               u"session cannot start."_s;
    QTest::newRow("no-assignment")
            << u"004"_s << QStringList {u"Text"_s}
            << u"The script has no assignment numbered \"004\". It holds no assignment; the "
               u"session cannot start."_s;
}

void TestSessionFiles::noStartLine()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, script);
    QFETCH(QString, message);
    const SessionRun run({.assignment = typed, .script = script, .shown = false});
    QCOMPARE(run.student.problems, QStringList {message});
    QCOMPARE(run.student.ends, 1);
    QVERIFY(run.window->hasEnded());
    QVERIFY(QFileInfo(run.folder()).isDir());
    QCOMPARE(QDir(run.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestSessionFiles::fileCannotBeOpenedAtStartUp_data()
{
    QTest::addColumn<QString>("folderAnswer"); // the path typed at the folder prompt
    QTest::addColumn<QString>("inTheWay"); // a folder standing where a file should be
    QTest::addColumn<QString>("message"); // "~" for the home folder
    QTest::addColumn<QStringList>("filesAfter"); // in the default folder, all empty
    // The master file that the failed append made is removed again.
    QTest::newRow("send-file-is-a-folder")
            << QString() << u"send_1208.txt"_s
            << u"Could not write to ~/qorvanit/send_1208.txt: Is a directory. Nothing was "
               u"written, and the session cannot start."_s
            << QStringList();
    QTest::newRow("master-file-is-a-folder")
            << QString() << u"masterFile.txt"_s
            << u"Could not write to ~/qorvanit/masterFile.txt: Is a directory. Nothing was "
               u"written, and the session cannot start."_s
            << QStringList();
    QTest::newRow("chosen-folder-missing")
            << u"c:\\no such folder"_s << QString()
            << u"Could not write to ~/no such folder/masterFile.txt: No such file or "
               u"directory. Nothing was written, and the session cannot start."_s
            << QStringList();
}

void TestSessionFiles::fileCannotBeOpenedAtStartUp()
{
    QFETCH(QString, folderAnswer);
    QFETCH(QString, inTheWay);
    QFETCH(QString, message);
    QFETCH(QStringList, filesAfter);
    const auto folderInTheWay = [&](FakeStudent &student) {
        const QString folder = student.home + u"/qorvanit"_s;
        QVERIFY(QDir().mkpath(folder));
        if (!inTheWay.isEmpty())
            QVERIFY(QDir(folder).mkdir(inTheWay));
    };
    const SessionRun run({.shown = false,
                          .answers = folderAnswer.isEmpty()
                                  ? QStringList()
                                  : QStringList {u"name"_s, u"1"_s, folderAnswer, u"000"_s},
                          .prepare = folderInTheWay});
    QCOMPARE(run.student.problems,
             QStringList {QDir::toNativeSeparators(message.replace(u'~', run.homePath()))});
    QCOMPARE(run.student.ends, 1);
    QVERIFY(!QFileInfo::exists(run.homePath() + u"/no such folder"_s));
    QCOMPARE(QDir(run.folder()).entryList(QDir::Files), filesAfter);
    for (const QString &file : filesAfter)
        QCOMPARE(QFileInfo(run.folder() + u'/' + file).size(), 0);
}

QTEST_MAIN(TestSessionFiles)
#include "tst_session_files.moc"

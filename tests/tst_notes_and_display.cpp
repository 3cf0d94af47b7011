#include "expected_records.h"
#include "session_run.h"

#include "app/text_box.h"
#include "files/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList script = {u"000."_s, u"`qWhy does the ball roll?"_s, u"Next line"_s};
const QByteArray scriptLine = "Why does the ball roll?";

// The files of the folder that some program holds open.
QStringList openSessionFiles(const QString &folder)
{
    QStringList open;
    const QDir fds(u"/proc/self/fd"_s);
    for (const QString &fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target.startsWith(QDir(folder).canonicalPath()))
            open << target;
    }
    return open;
}

} // namespace

class TestNotesAndDisplay : public QObject
{
    Q_OBJECT
private slots:
    void noteGoesToAllThreeFiles_data();
    void noteGoesToAllThreeFiles();
    void twoNotesInARow();
    void clockIsReadForEachLineAndFile();
    void promptUnchangedSavesNothing();
    void displayNotes();
    void displayNotesTwice();
    void displayNotesWithoutANotesFile_data();
    void displayNotesWithoutANotesFile();
    void displayNotesThatCannotBeRead();
    void displaySendFileIntoAnEmptyBox();
    void displaySendFileAfterTheShownLines();
    void displaySendFileThatIsGone();
    void clearAnswer_data();
    void clearAnswer();
    void quitEndsAtOnce();
    void noFileStaysOpenBetweenClicks();
};

void TestNotesAndDisplay::noteGoesToAllThreeFiles_data()
{
    QTest::addColumn<QString>("typed"); // none: the box emptied
    QTest::addColumn<QByteArray>("note");
    QTest::newRow("one-line") << u"Rolling needs friction"_s
                              << QByteArray("Rolling needs friction");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("two-lines") << u"First thought\nSecond thought"_s
                               << QByteArray("First thought\r\nSecond thought");
}

void TestNotesAndDisplay::noteGoesToAllThreeFiles()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, note);
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(typed);
    run.click(u"cmd_save_as_notes"_s);

    const QByteArray record = noteBytes(scriptLine, note);
    QCOMPARE(readFile(run.master()), run.header + record);
    QCOMPARE(readFile(run.send()), run.header + record);
    QCOMPARE(readFile(run.notes()), record);
    QCOMPARE(run.questionText(), QString());
    QCOMPARE(run.answerText(), QString());
    QVERIFY(!run.session().blockPending);
    QVERIFY(run.student.problems.isEmpty());
    // No rating is asked for a note.
    QCOMPARE(run.student.promptsShown.size(), 3);
    // The next display of the notes shows the note as it was recorded, then the notes file.
    run.click(u"cmd_display_note_file"_s);
    QCOMPARE(run.questionText(),
             u"\r\n\r\nNOTES -------> "_s + fromCp1252(note)
                     + fromCp1252(readFile(run.notes())).remove(u"\r\n"_s));
}

void TestNotesAndDisplay::twoNotesInARow()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"one"_s);
    run.click(u"cmd_save_as_notes"_s);
    run.answerWith(u"two"_s);
    run.click(u"cmd_save_as_notes"_s);
    const QByteArray records = noteBytes(scriptLine, "one") + noteBytes(scriptLine, "two");
    QCOMPARE(readFile(run.master()), run.header + records);
    QCOMPARE(readFile(run.send()), run.header + records);
    QCOMPARE(readFile(run.notes()), records);
}

void TestNotesAndDisplay::clockIsReadForEachLineAndFile()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"n"_s);
    run.student.clock = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));
    run.student.secondsPerReading = 1;
    run.click(u"cmd_save_as_notes"_s);
    // Line 2 in the master file, the SEND file and the notes file, then line 3 in the same order.
    QCOMPARE(readFile(run.master()),
             run.header + noteBytes(scriptLine, "n", "09:00:00", "12-08-202609:00:03"));
    QCOMPARE(readFile(run.send()),
             run.header + noteBytes(scriptLine, "n", "09:00:01", "12-08-202609:00:04"));
    QCOMPARE(readFile(run.notes()), noteBytes(scriptLine, "n", "09:00:02", "12-08-202609:00:05"));
}

void TestNotesAndDisplay::promptUnchangedSavesNothing()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.step();
    const QString responseText = run.session().responseText;
    run.click(u"cmd_save_as_notes"_s);
    QCOMPARE(readFile(run.master()), run.header);
    QCOMPARE(readFile(run.send()), run.header);
    QVERIFY(!QFileInfo::exists(run.notes()));
    QCOMPARE(run.session().responseText, responseText);
    QCOMPARE(run.questionText(), QString());
    QCOMPARE(run.answerText(), QString());
    // Still pending: the next step puts the prompt back.
    run.step();
    QCOMPARE(run.answerText(), SessionRun::answerPrompt);
}

void TestNotesAndDisplay::displayNotes()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"top line\nbottom line"_s);
    run.click(u"cmd_save_as_notes"_s);
    run.step();
    const QString stepped = run.questionText();

    run.click(u"cmd_display_note_file"_s);
    const QString notes = fromCp1252(readFile(run.notes())).remove(u"\r\n"_s);
    QVERIFY(notes.contains(u"NOTES -------> top linebottom line....."_s));
    // The display shows again what the box showed, then the notes.
    QCOMPARE(run.questionText(), stepped + u"\r\n\r\n"_s + stepped + notes);
}

void TestNotesAndDisplay::displayNotesTwice()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"remember"_s);
    run.click(u"cmd_save_as_notes"_s);
    const QString notes = fromCp1252(readFile(run.notes())).remove(u"\r\n"_s);
    // What the box shows first is the note just saved, as it was recorded.
    const QString earlier = u"NOTES -------> remember"_s;

    run.click(u"cmd_display_note_file"_s);
    run.click(u"cmd_display_note_file"_s);
    QCOMPARE(run.questionText(),
             u"\r\n\r\n"_s + earlier + notes + u"\r\n\r\n"_s + earlier + notes + notes);
}

void TestNotesAndDisplay::displayNotesWithoutANotesFile_data()
{
    QTest::addColumn<bool>("emptyFile");
    QTest::newRow("no-file") << false;
    QTest::newRow("empty-file") << true;
}

void TestNotesAndDisplay::displayNotesWithoutANotesFile()
{
    QFETCH(bool, emptyFile);
    SessionRun run(u"000"_s, script);
    if (emptyFile)
        writeFile(run.notes(), QByteArray());
    run.step();
    const QString stepped = run.questionText();
    run.click(u"cmd_display_note_file"_s);
    QCOMPARE(run.questionText(), stepped + u"\r\n\r\n"_s + stepped);
    QVERIFY(run.student.problems.isEmpty());
    QCOMPARE(QFileInfo::exists(run.notes()), emptyFile);
}

void TestNotesAndDisplay::displayNotesThatCannotBeRead()
{
    SessionRun run(u"000"_s, script);
    QVERIFY(QDir(run.folder()).mkdir(u"notes_.txt"_s));
    run.step();
    const QString stepped = run.questionText();
    run.click(u"cmd_display_note_file"_s);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not read %1: Is a directory. Nothing was added to the question "
                          u"box."_s.arg(QDir::toNativeSeparators(run.notes()))});
    QCOMPARE(run.questionText(), stepped);
    QCOMPARE(run.session().responseText, stepped);
}

void TestNotesAndDisplay::displaySendFileIntoAnEmptyBox()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"a\nb"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(run.questionText(), QString());
    const QString responseText = run.session().responseText;

    run.click(u"cmd_displayCumulativeText"_s);
    QString send = fromCp1252(readFile(run.send()));
    QVERIFY(send.endsWith(u"\r\n"_s));
    send.chop(2);
    // Every line after a line break, so the box begins with an empty line.
    QCOMPARE(run.questionText(), u"\r\n"_s + send);
    QCOMPARE(run.session().responseText, responseText);
}

void TestNotesAndDisplay::displaySendFileAfterTheShownLines()
{
    SessionRun run(u"000"_s, script);
    run.step();
    const QString stepped = run.questionText();
    run.click(u"cmd_displayCumulativeText"_s);
    QCOMPARE(run.questionText(), stepped + u"\r\n"_s + fromCp1252(run.header).chopped(2));
    QCOMPARE(readFile(run.send()), run.header);
}

void TestNotesAndDisplay::displaySendFileThatIsGone()
{
    SessionRun run(u"000"_s, script);
    run.step();
    const QString stepped = run.questionText();
    QVERIFY(QFile::remove(run.send()));
    run.click(u"cmd_displayCumulativeText"_s);
    QCOMPARE(run.student.problems,
             QStringList {u"Could not read %1: No such file or directory. Nothing was added to "
                          u"the question box."_s.arg(QDir::toNativeSeparators(run.send()))});
    QCOMPARE(run.questionText(), stepped);
    QVERIFY(!QFileInfo::exists(run.send()));
}

void TestNotesAndDisplay::clearAnswer_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty-box") << QString();
    QTest::newRow("typed-text") << u"half an answer"_s;
}

void TestNotesAndDisplay::clearAnswer()
{
    QFETCH(QString, typed);
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(typed);
    const QString question = run.questionText();
    const SessionState before = run.session();
    run.click(u"cmd_clr_answer"_s);
    QCOMPARE(run.answerText(), QString());
    QCOMPARE(run.questionText(), question);
    QCOMPARE(run.session().blockPending, before.blockPending);
    QCOMPARE(run.session().responseText, before.responseText);
    QCOMPARE(run.session().scriptLineIndex, before.scriptLineIndex);
    QCOMPARE(readFile(run.master()), run.header);
}

void TestNotesAndDisplay::quitEndsAtOnce()
{
    SessionRun run(u"000"_s, script);
    run.step();
    run.answerWith(u"unsaved"_s);
    run.click(u"cmd_quit"_s);
    QCOMPARE(run.student.ends, 1);
    QVERIFY(run.window->hasEnded());
    QCOMPARE(readFile(run.master()), run.header);
    QCOMPARE(readFile(run.send()), run.header);
    QCOMPARE(run.student.promptsShown.size(), 3);
    QVERIFY(run.student.problems.isEmpty());
}

void TestNotesAndDisplay::noFileStaysOpenBetweenClicks()
{
    SessionRun run(u"000"_s, script);
    QCOMPARE(openSessionFiles(run.folder()), QStringList());
    for (const QString &button :
         {u"cmdNextQuestion"_s, u"cmd_enter_response"_s, u"cmd_save_as_notes"_s,
          u"cmd_display_note_file"_s, u"cmd_displayCumulativeText"_s}) {
        run.answerWith(u"text"_s);
        run.click(button);
        QCOMPARE(openSessionFiles(run.folder()), QStringList());
    }
    QVERIFY(QFileInfo::exists(run.notes()));
}

QTEST_MAIN(TestNotesAndDisplay)
#include "tst_notes_and_display.moc"

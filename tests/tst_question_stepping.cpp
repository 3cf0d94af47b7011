#include "expected_records.h"
#include "session_run.h"

#include "app/text_box.h"
#include "pictures/picture_area.h"

#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QColor pixelAt(const SessionRun &run, QPointF user)
{
    const auto *area = run.window->findChild<PictureArea *>(u"Picture1"_s);
    return area->rendered().pixelColor(area->toPixel(user));
}

} // namespace

class TestQuestionStepping : public QObject
{
    Q_OBJECT
private slots:
    void firstStepShowsTheLineAfterTheStartLine();
    void secondStepPutsThePromptBack();
    void stepAfterAResponseKeepsTheAnswerBox();
    void stepsThroughLines_data();
    void stepsThroughLines();
    void routineLineDrawsAndShowsTheNextLine();
    void twoRoutineLinesInARowRunOnlyTheFirst();
    void runEnds_data();
    void runEnds();
    void lastSlotIsTheLastLineTaken();
    void responseTextEqualsTheBoxAfterEveryStep();
};

void TestQuestionStepping::firstStepShowsTheLineAfterTheStartLine()
{
    SessionRun run(u"000"_s);
    const SessionState &session = run.session();
    QCOMPARE(session.scriptLineIndex, 4);

    run.step();
    QCOMPARE(run.questionText(), u"\r\n\r\n"_s + session.scriptLines[5]);
    QCOMPARE(session.scriptLineIndex, 5);
    QCOMPARE(session.currentLine, session.scriptLines[5]);
    QCOMPARE(session.blockKind, QString());
    QVERIFY(session.blockPending);
    QCOMPARE(run.answerText(), u" "_s);
    QCOMPARE(session.responseText, run.questionText());
    QCOMPARE(run.student.ends, 0);
}

void TestQuestionStepping::secondStepPutsThePromptBack()
{
    SessionRun run(u"000"_s);
    const SessionState &session = run.session();
    run.step();
    typeText(run.answer(), u"not recorded"_s);

    run.step();
    QCOMPARE(run.answerText(), SessionRun::answerPrompt);
    const QString sixth = session.scriptLines[6];
    QCOMPARE(sixth.count(u"{}"_s), 2);
    QCOMPARE(run.questionText(),
             u"\r\n\r\n"_s + session.scriptLines[5] + u"\r\n\r\n"_s
                     + QString(sixth).replace(u"{}"_s, u"\r\n"_s));
    // The marks stay in the line the records name.
    QCOMPARE(session.currentLine, sixth);
    QVERIFY(session.blockPending);
}

void TestQuestionStepping::stepAfterAResponseKeepsTheAnswerBox()
{
    SessionRun run(u"000"_s);
    run.step();
    run.click(u"cmd_enter_response"_s);
    QVERIFY(!run.session().blockPending);
    typeText(run.answer(), u"typed early"_s);

    run.step();
    const QString sixth = run.session().scriptLines[6];
    QCOMPARE(run.questionText(), u"\r\n\r\n"_s + QString(sixth).replace(u"{}"_s, u"\r\n"_s));
    QCOMPARE(run.answerText(), u"typed early"_s);
}

void TestQuestionStepping::stepsThroughLines_data()
{
    QTest::addColumn<QStringList>("script"); // from slot 1
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArray>("named"); // the line a response then names
    QTest::addColumn<QByteArray>("rating"); // the rating line it then asks for; none when empty
    QTest::addColumn<bool>("blockPending");
    QTest::addColumn<int>("scriptLineIndex");

    const QByteArray confidence = "confidence assessment:  2";
    const QByteArray selfCritique = "self critique assessment: 2";
    QTest::newRow("question-with-paragraphs")
            << QStringList {u"000."_s, u"`qFirst text{}{}Second text"_s} << 1
            << u"\r\n\r\nFirst text\r\n\r\nSecond text"_s << QByteArray("First text{}{}Second text")
            << confidence << true << 2;
    QTest::newRow("lone-answer-marker")
            << QStringList {u"000."_s, u"`a"_s, u"The given answer"_s} << 1
            << u"\r\n\r\nThe given answer"_s << QByteArray("The given answer") << selfCritique
            << true << 3;
    QTest::newRow("capital-marker-is-text")
            << QStringList {u"000."_s, u"`QNot a question"_s} << 1 << u"\r\n\r\n`QNot a question"_s
            << QByteArray("`QNot a question") << QByteArray() << true << 2;
    QTest::newRow("empty-lines-passed-over")
            << QStringList {u"000."_s, u""_s, u""_s, u"After the gap"_s} << 1
            << u"\r\n\r\nAfter the gap"_s << QByteArray("After the gap") << QByteArray() << true
            << 4;
    QTest::newRow("kind-kept-by-a-plain-line")
            << QStringList {u"000."_s, u"`qAsked"_s, u"Plain"_s} << 2
            << u"\r\n\r\nAsked\r\n\r\nPlain"_s << QByteArray("Plain") << confidence << true << 3;
    QTest::newRow("answer-after-question") << QStringList {u"000."_s, u"`qAsked"_s, u"`aAnswered"_s}
                                           << 2 << u"\r\n\r\nAsked\r\n\r\nAnswered"_s
                                           << QByteArray("Answered") << selfCritique << true << 3;
    QTest::newRow("routine-marker-alone-is-text")
            << QStringList {u"000."_s, u"`routine"_s} << 1 << u"\r\n\r\n`routine"_s
            << QByteArray("`routine") << QByteArray() << false << 2;
    QTest::newRow("marks-left-and-right")
            << QStringList {u"000."_s, u"{{}}{}"_s} << 1 << u"\r\n\r\n{\r\n}\r\n"_s
            << QByteArray("{{}}{}") << QByteArray() << true << 2;
}

void TestQuestionStepping::stepsThroughLines()
{
    QFETCH(QStringList, script);
    QFETCH(int, clicks);
    QFETCH(QString, box);
    QFETCH(QByteArray, named);
    QFETCH(QByteArray, rating);
    QFETCH(bool, blockPending);
    QFETCH(int, scriptLineIndex);
    SessionRun run(u"000"_s, script);
    for (int i = 0; i < clicks; ++i)
        run.step();
    const SessionState &session = run.session();
    QCOMPARE(run.questionText(), box);
    QCOMPARE(session.blockPending, blockPending);
    QCOMPARE(session.scriptLineIndex, scriptLineIndex);
    QCOMPARE(session.responseText, box);
    QCOMPARE(session.shownText, QString());
    QCOMPARE(run.student.ends, 0);

    // A response names the line, marks and all, and asks for the rating of its kind of block.
    run.student.answers = {u"2"_s};
    run.answerWith(u"r"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.send()),
             run.header
                     + responseBytes(false, named, "r",
                                     rating.isEmpty() ? std::nullopt : std::optional(rating)));
}

void TestQuestionStepping::routineLineDrawsAndShowsTheNextLine()
{
    SessionRun run(u"000"_s, {u"000."_s, u"`Routine Graph 2"_s, u"After the graph"_s});
    run.step();
    const SessionState &session = run.session();
    QCOMPARE(run.questionText(), u"\r\n\r\nAfter the graph"_s);
    QCOMPARE(session.currentLine, u"After the graph"_s);
    QVERIFY(session.blockPending);
    QCOMPARE(session.scriptLineIndex, 3);
    QCOMPARE(run.student.ends, 0);
    // Graph 2's first run line lies red on the horizontal axis.
    QCOMPARE(pixelAt(run, {350, 900}), QColor(Qt::red));
}

void TestQuestionStepping::twoRoutineLinesInARowRunOnlyTheFirst()
{
    SessionRun run(u"000"_s, {u"000."_s, u"`routine graph1"_s, u"`routine graph3"_s, u"Text"_s});
    run.step();
    const SessionState &session = run.session();
    QCOMPARE(run.questionText(), u"\r\n\r\n`routine graph3"_s);
    QCOMPARE(session.currentLine, u"`routine graph3"_s);
    QVERIFY(!session.blockPending);
    QCOMPARE(session.scriptLineIndex, 3);
    // Graph 1's horizontal axis is drawn; graph 3, which would paint over it, is not.
    QCOMPARE(pixelAt(run, {50, 900}), QColor(Qt::black));
    QCOMPARE(pixelAt(run, {400, 700}), QColor(Qt::black));
    QVERIFY(pixelAt(run, {425, 700}) != QColor(Qt::green));
}

void TestQuestionStepping::runEnds_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QStringList>("script"); // the built-in bank when empty
    QTest::addColumn<int>("clicksBefore"); // steps that show a line
    QTest::addColumn<int>("scriptLineIndex"); // after the ending step

    QTest::newRow("next-assignment-of-the-bank") << u"000"_s << QStringList() << 5 << 10;
    QTest::newRow("last-assignment-of-the-bank") << u"001"_s << QStringList() << 6 << 5000;
    QTest::newRow("next-start-line-with-text")
            << u"000"_s << QStringList {u"000."_s, u"Text"_s, u"001. The next one"_s} << 1 << 3;
    QTest::newRow("end-line") << u"000"_s << QStringList {u"000."_s, u"####.# the end"_s} << 0 << 2;
    QTest::newRow("question-beginning-with-next-number")
            << u"000"_s << QStringList {u"000."_s, u"`q001 is the answer?"_s} << 0 << 2;
    QTest::newRow("routine-of-nine-characters")
            << u"000"_s << QStringList {u"000."_s, u"`routine "_s, u"Never shown"_s} << 0 << 2;
    QTest::newRow("routine-without-blank")
            << u"000"_s << QStringList {u"000."_s, u"`routinegraph1"_s, u"Never shown"_s} << 0 << 2;
    QTest::newRow("unknown-routine")
            << u"000"_s << QStringList {u"000."_s, u"`routine graph4"_s, u"Never shown"_s} << 0
            << 2;
}

void TestQuestionStepping::runEnds()
{
    QFETCH(QString, assignment);
    QFETCH(QStringList, script);
    QFETCH(int, clicksBefore);
    QFETCH(int, scriptLineIndex);
    SessionRun run(assignment, script);
    for (int i = 0; i < clicksBefore; ++i)
        run.step();
    QCOMPARE(run.student.ends, 0);
    const QString boxBefore = run.questionText();
    const QString responseTextBefore = run.session().responseText;

    run.step();
    QCOMPARE(run.student.ends, 1);
    QVERIFY(run.window->hasEnded());
    QCOMPARE(run.questionText(), boxBefore);
    QCOMPARE(run.session().responseText, responseTextBefore);
    QCOMPARE(run.session().scriptLineIndex, scriptLineIndex);
    QVERIFY(run.student.problems.isEmpty());
}

void TestQuestionStepping::lastSlotIsTheLastLineTaken()
{
    const SessionRun run({.prepare = [](FakeStudent &student) {
        student.script = [](ScriptLines &lines) {
            lines[1] = u"000."_s;
            lines[lastScriptSlot] = u"The very last line"_s;
        };
    }});
    run.step();
    QCOMPARE(run.questionText(), u"\r\n\r\nThe very last line"_s);
    QCOMPARE(run.student.ends, 0);

    // Nothing is left: the next step ends the session, and the box stays as it was.
    run.step();
    QCOMPARE(run.student.ends, 1);
    QCOMPARE(run.questionText(), u"\r\n\r\nThe very last line"_s);
}

void TestQuestionStepping::responseTextEqualsTheBoxAfterEveryStep()
{
    SessionRun run(u"000"_s,
                   {u"000."_s, u"One"_s, u"Two{}lines"_s, u"Three"_s, u"Four"_s, u"Five"_s,
                    u"Six"_s, u"Seven"_s});
    QPlainTextEdit *question = run.question();
    const auto stepAndCompare = [&] {
        run.step();
        QCOMPARE(run.session().responseText, boxText(question));
    };
    stepAndCompare();
    stepAndCompare();
    // The student writes into the question box between steps.
    typeText(question, u"my own words"_s);
    stepAndCompare();
    QVERIFY(boxText(question).contains(u"my own words\r\n\r\nThree"_s));
    typeText(run.answer(), u"a response"_s);
    run.click(u"cmd_enter_response"_s);
    stepAndCompare();
    QCOMPARE(boxText(question), u"\r\n\r\nFour"_s);
    run.click(u"cmd_display_note_file"_s);
    stepAndCompare();
    run.click(u"cmd_displayCumulativeText"_s);
    stepAndCompare();
    run.click(u"cmd_save_as_notes"_s);
    stepAndCompare();
    QCOMPARE(boxText(question), u"\r\n\r\nSeven"_s);
}

QTEST_MAIN(TestQuestionStepping)
#include "tst_question_stepping.moc"

#include "expected_records.h"
#include "session_run.h"

#include "app/text_box.h"
#include "files/text_codec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString confidencePrompt
        = u"Assess your level of confidence in your answer on a scale from 0 to 3, where 0 means "
          u"you have no confidence in your answer, 1 means you have some confidence, 2 means you "
          u"are pretty confident and 3 means you are certain of your answer:"_s;
const QString selfCritiquePrompt
        = u"Rate the quality of your self-critique on a 0-3 scale, where 0 indicates that "
          u"self-critique was necessary on this question but was not given, 1 indicates that "
          u"self-critique was necessary but the given self-critique was not adequate, 2 "
          u"indicates that self-critique was necessary and was mostly adequate, and 3 indicates "
          u"that either self-critique was not necessary or that after reading the solution "
          u"everything was completely obvious so you skipped the self-critique."_s;

// The line the question box shows last, as the records name it.
QByteArray shownLine(const SessionRun &run)
{
    return toCp1252(run.questionText().split(u"\r\n"_s).last());
}

} // namespace

class TestResponseEntry : public QObject
{
    Q_OBJECT
private slots:
    void assignment001EndToEnd();
    void assignment000QuestionNumber();
    void ratings_data();
    void ratings();
    void promptUnchangedWritesNothing();
    void promptWithOneBlankMoreIsAResponse();
    void emptyAnswerBox();
    void responseBeforeTheFirstStep();
    void twoResponsesToOneLine();
    void timeIsReadForEachFile();
    void charactersOutsideTheSetAreSpelledOrQuestionMarks();
    void everyLineBreakIsCrLfInEveryFile_data();
    void everyLineBreakIsCrLfInEveryFile();
    void answerBoxMarksWhatIsNotWrittenAsItStands_data();
    void answerBoxMarksWhatIsNotWrittenAsItStands();
    void markTipShowsOnlyOverTheMarkedCharacter_data();
    void markTipShowsOnlyOverTheMarkedCharacter();
    void questionNumberHasNoBinaryFractionNoise_data();
    void questionNumberHasNoBinaryFractionNoise();
    void codeLineBytesDisplayAndAreWrittenBackUnchanged_data();
    void codeLineBytesDisplayAndAreWrittenBackUnchanged();
};

void TestResponseEntry::assignment001EndToEnd()
{
    SessionRun run(u"001"_s);
    const QByteArray header = crlfLines(
            {SessionRun::codeLine, "assignment #001", "001.", "Physics II", "12-08-2026"});
    QCOMPARE(readFile(run.master()), header);
    QCOMPARE(readFile(run.send()), header);

    run.step();
    run.step();
    QCOMPARE(run.answer()->toPlainText(), SessionRun::answerPrompt.split(u"\r\n"_s).join(u'\n'));
    run.student.answers = {u"2"_s};
    run.answerWith(u"Line one\nLine two"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(run.student.promptsShown.last(), confidencePrompt);

    const QByteArray question = toCp1252(run.session().scriptLines[12]);
    QVERIFY(question.startsWith("`q"));
    const QByteArray opening = "......!!!!!!!!...................................";
    const QByteArray stamp = QByteArray(36, ' ') + "10:30:15";
    const QByteArray middle = crlfLines({question.mid(2), opening, "RESPONSE -->  ", "Line one",
                                         "Line two", "confidence assessment:  2",
                                         "................................................."});
    QCOMPARE(readFile(run.master()),
             header + crlfLines({opening, stamp, "", "", "`questionNumber 10000 "}) + middle);
    QCOMPARE(readFile(run.send()), header + crlfLines({opening, stamp}) + middle);
    QCOMPARE(run.question()->toPlainText(), QString());
    QCOMPARE(run.answer()->toPlainText(), QString());
    QVERIFY(!run.session().blockPending);
    QCOMPARE(run.session().responseText, u"Line one\r\nLine two"_s);
    QCOMPARE(run.session().scriptLineIndex, 12);
    QCOMPARE(run.session().blockKind, u"question"_s);
}

void TestResponseEntry::assignment000QuestionNumber()
{
    SessionRun run(u"000"_s);
    run.step();
    const QByteArray intro = shownLine(run);
    run.answerWith(u"OK"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.master()),
             run.header + responseBytes(true, intro, "OK", std::nullopt, " 0 "));
    QCOMPARE(readFile(run.send()), run.header + responseBytes(false, intro, "OK", std::nullopt));
}

void TestResponseEntry::ratings_data()
{
    QTest::addColumn<QString>("line"); // the line stepped onto
    QTest::addColumn<QStringList>("rating"); // the answer to the prompt; none: cancelled
    QTest::addColumn<QString>("prompt"); // none when no prompt shows
    QTest::addColumn<QByteArray>("ratingLine"); // none when no line is written

    QTest::newRow("confidence-2") << u"`qA question"_s << QStringList {u"2"_s} << confidencePrompt
                                  << QByteArray("confidence assessment:  2");
    QTest::newRow("confidence-7") << u"`qA question"_s << QStringList {u"7"_s} << confidencePrompt
                                  << QByteArray("confidence assessment:  7");
    QTest::newRow("confidence-word")
            << u"`qA question"_s << QStringList {u"pretty sure "_s} << confidencePrompt
            << QByteArray("confidence assessment:  pretty sure ");
    QTest::newRow("confidence-cancelled") << u"`qA question"_s << QStringList() << confidencePrompt
                                          << QByteArray("confidence assessment:  ");
    QTest::newRow("self-critique-3")
            << u"`aThe answer"_s << QStringList {u"3"_s} << selfCritiquePrompt
            << QByteArray("self critique assessment: 3");
    QTest::newRow("self-critique-cancelled")
            << u"`aThe answer"_s << QStringList() << selfCritiquePrompt
            << QByteArray("self critique assessment: ");
    QTest::newRow("no-block-yet") << u"Plain text"_s << QStringList() << QString() << QByteArray();
}

void TestResponseEntry::ratings()
{
    QFETCH(QString, line);
    QFETCH(QStringList, rating);
    QFETCH(QString, prompt);
    QFETCH(QByteArray, ratingLine);
    SessionRun run(u"000"_s, {u"000."_s, line});
    run.step();
    const QByteArray written = shownLine(run);
    run.answerWith(u"My response"_s);
    const qsizetype promptsBefore = run.student.promptsShown.size();
    run.student.answers = rating;
    run.click(u"cmd_enter_response"_s);

    const QStringList shown = run.student.promptsShown.mid(promptsBefore);
    QCOMPARE(shown, prompt.isEmpty() ? QStringList() : QStringList {prompt});
    const std::optional<QByteArray> expectedRating
            = ratingLine.isEmpty() ? std::nullopt : std::optional(ratingLine);
    QCOMPARE(readFile(run.master()),
             run.header + responseBytes(true, written, "My response", expectedRating));
    QCOMPARE(readFile(run.send()),
             run.header + responseBytes(false, written, "My response", expectedRating));
}

void TestResponseEntry::promptUnchangedWritesNothing()
{
    SessionRun run(u"000"_s);
    run.step();
    run.step();
    QCOMPARE(boxText(run.answer()), SessionRun::answerPrompt);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.master()), run.header);
    QCOMPARE(readFile(run.send()), run.header);
    QCOMPARE(run.question()->toPlainText(), QString());
    QCOMPARE(run.answer()->toPlainText(), QString());
    // Still pending: the next step puts the prompt back.
    run.step();
    QCOMPARE(boxText(run.answer()), SessionRun::answerPrompt);
}

void TestResponseEntry::promptWithOneBlankMoreIsAResponse()
{
    SessionRun run(u"000"_s);
    run.step();
    run.step();
    QTextCursor end(run.answer()->document());
    end.movePosition(QTextCursor::End);
    run.answer()->setTextCursor(end);
    typeText(run.answer(), u" "_s);
    run.click(u"cmd_enter_response"_s);
    const QByteArray response = toCp1252(SessionRun::answerPrompt + u' ');
    QCOMPARE(readFile(run.send()),
             run.header
                     + responseBytes(false, toCp1252(run.session().scriptLines[6]), response,
                                     std::nullopt));
    QVERIFY(!run.session().blockPending);
}

void TestResponseEntry::emptyAnswerBox()
{
    SessionRun run(u"000"_s);
    run.step();
    const QByteArray intro = shownLine(run);
    run.click(u"cmd_clr_answer"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.master()), run.header + responseBytes(true, intro, "", std::nullopt));
    QCOMPARE(readFile(run.send()), run.header + responseBytes(false, intro, "", std::nullopt));
}

void TestResponseEntry::responseBeforeTheFirstStep()
{
    SessionRun run(u"000"_s);
    // The answer box starts with one blank.
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(run.student.promptsShown.size(), 3);
    QCOMPARE(readFile(run.master()), run.header + responseBytes(true, "", " ", std::nullopt));
    QCOMPARE(readFile(run.send()), run.header + responseBytes(false, "", " ", std::nullopt));
}

void TestResponseEntry::twoResponsesToOneLine()
{
    SessionRun run(u"000"_s, {u"000."_s, u"`qWhat is g?"_s});
    run.step();
    run.student.answers = {u"1"_s, u"3"_s};
    run.answerWith(u"9.8"_s);
    run.click(u"cmd_enter_response"_s);
    run.answerWith(u"9.81 m/s^2"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.send()),
             run.header + responseBytes(false, "What is g?", "9.8", "confidence assessment:  1")
                     + responseBytes(false, "What is g?", "9.81 m/s^2",
                                     "confidence assessment:  3"));
    QCOMPARE(
            readFile(run.master()),
            run.header + responseBytes(true, "What is g?", "9.8", "confidence assessment:  1")
                    + responseBytes(true, "What is g?", "9.81 m/s^2", "confidence assessment:  3"));
}

void TestResponseEntry::timeIsReadForEachFile()
{
    SessionRun run(u"000"_s);
    run.step();
    const QByteArray intro = shownLine(run);
    run.answerWith(u"x"_s);
    run.student.clock = QDateTime(QDate(2026, 12, 8), QTime(13, 59, 59));
    run.student.secondsPerReading = 1;
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.master()),
             run.header + responseBytes(true, intro, "x", std::nullopt, " 0 ", "13:59:59"));
    QCOMPARE(readFile(run.send()),
             run.header + responseBytes(false, intro, "x", std::nullopt, " 0 ", "14:00:00"));
}

void TestResponseEntry::charactersOutsideTheSetAreSpelledOrQuestionMarks()
{
    SessionRun run(u"000"_s);
    run.step();
    const QByteArray intro = shownLine(run);
    run.answerWith(u"\u20ac5 \u03c0r\u00b2 \u2713 \U0001F600 caf\u00e9"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.send()),
             run.header
                     + responseBytes(false, intro,
                                     "\x80"
                                     "5 pir\xb2 ? ? caf\xe9",
                                     std::nullopt));
}

void TestResponseEntry::everyLineBreakIsCrLfInEveryFile_data()
{
    QTest::addColumn<QString>("lineBreak"); // pasted into the answer box, and in the rating
    QTest::addColumn<QString>("keys"); // typed into the answer box instead, when given
    QTest::newRow("enter") << u"\n"_s << u"Return"_s;
    QTest::newRow("shift-enter") << QString(QChar::LineSeparator) << u"Shift+Return"_s;
    QTest::newRow("paragraph-separator") << QString(QChar::ParagraphSeparator) << QString();
    QTest::newRow("cr-lf") << u"\r\n"_s << QString();
    QTest::newRow("cr") << u"\r"_s << QString();
    QTest::newRow("lf") << u"\n"_s << QString();
    QTest::newRow("nel") << u"\u0085"_s << QString();
}

void TestResponseEntry::everyLineBreakIsCrLfInEveryFile()
{
    QFETCH(QString, lineBreak);
    QFETCH(QString, keys);
    SessionRun run(u"000"_s, {u"000."_s, u"`qQ"_s});
    run.step();
    const auto enterAnswer = [&] {
        run.click(u"cmd_clr_answer"_s);
        if (keys.isEmpty()) {
            QGuiApplication::clipboard()->setText(u"alpha"_s + lineBreak + u"beta"_s);
            run.answer()->paste();
            return;
        }
        typeText(run.answer(), u"alpha"_s);
        QTest::keySequence(run.answer(), QKeySequence(keys));
        typeText(run.answer(), u"beta"_s);
    };
    enterAnswer();
    run.student.answers = {u"2"_s + lineBreak + u"sure"_s};
    run.click(u"cmd_enter_response"_s);
    enterAnswer();
    run.click(u"cmd_save_as_notes"_s);

    const QByteArray note = noteBytes("Q", "alpha\r\nbeta");
    for (const bool master : {true, false}) {
        QCOMPARE(readFile(master ? run.master() : run.send()),
                 run.header
                         + responseBytes(master, "Q", "alpha\r\nbeta",
                                         "confidence assessment:  2\r\nsure", " 0 ")
                         + note);
    }
    QCOMPARE(readFile(run.notes()), note);
}

void TestResponseEntry::answerBoxMarksWhatIsNotWrittenAsItStands_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("marks"); // what the tips say, in order
    QTest::newRow("physics") << u"\u0394v \u2248 3 m/s\u00b2 at \u03b8 = 30\u00b0"_s
                             << QStringList {u"\u0394 is written as \"Delta\""_s,
                                             u"\u2248 is written as \"~=\""_s,
                                             u"\u03b8 is written as \"theta\""_s};
    QTest::newRow("emoji-and-superscript")
            << u"a\U0001F600 10\u2074"_s
            << QStringList {u"\U0001F600 is written as \"?\""_s, u"\u2074 is written as \"^4\""_s};
    QTest::newRow("held-by-the-set")
            << u"caf\u00e9 \u20ac5 \u00bd \u00b5 \u201cok\u201d"_s << QStringList();
    QTest::newRow("accent-composed") << u"cafe\u0301"_s << QStringList();
    QTest::newRow("second-line") << u"ok\n\u03c9"_s
                                 << QStringList {u"\u03c9 is written as \"omega\""_s};
}

void TestResponseEntry::answerBoxMarksWhatIsNotWrittenAsItStands()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, marks);
    SessionRun run;
    run.answerWith(typed);
    QPlainTextEdit *box = run.answer();
    QStringList shown;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange &mark : block.layout()->formats()) {
            QCOMPARE(mark.format.underlineStyle(), QTextCharFormat::WaveUnderline);
            // Hovering over the middle of the marked character shows its tip.
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + mark.start);
            const QRect left = box->cursorRect(cursor);
            cursor.setPosition(block.position() + mark.start + mark.length);
            const QPoint middle((left.x() + box->cursorRect(cursor).x()) / 2, left.center().y());
            QHelpEvent hover(QEvent::ToolTip, middle, box->viewport()->mapToGlobal(middle));
            QCoreApplication::sendEvent(box->viewport(), &hover);
            QTRY_COMPARE(QToolTip::text(), mark.format.toolTip());
            shown.append(QToolTip::text());
        }
    }
    QCOMPARE(shown, marks);
}

void TestResponseEntry::markTipShowsOnlyOverTheMarkedCharacter_data()
{
    QTest::addColumn<QString>("where"); // the pointer, after it was over the mark
    QTest::newRow("below-the-text") << u"below"_s;
    QTest::newRow("right-of-the-line") << u"right"_s;
    QTest::newRow("on-the-character-before") << u"before"_s;
}

void TestResponseEntry::markTipShowsOnlyOverTheMarkedCharacter()
{
    QFETCH(QString, where);
    SessionRun run;
    // The mark last: the nearest gap to a point below the text is after it.
    run.answerWith(u"ab\u03b8"_s);
    QPlainTextEdit *box = run.answer();
    const auto hover = [box](QPoint point) {
        QHelpEvent event(QEvent::ToolTip, point, box->viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(box->viewport(), &event);
    };
    // The middle of the character from `position`.
    const auto middleOf = [box](int position) {
        QTextCursor cursor(box->document());
        cursor.setPosition(position);
        const QRect left = box->cursorRect(cursor);
        cursor.setPosition(position + 1);
        return QPoint((left.x() + box->cursorRect(cursor).x()) / 2, left.center().y());
    };
    hover(middleOf(2));
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), u"\u03b8 is written as \"theta\""_s);

    const QPoint mark = middleOf(2);
    const QPoint away = where == u"below"_s ? QPoint(mark.x(), box->viewport()->height() - 5)
            : where == u"right"_s           ? QPoint(box->viewport()->width() - 5, mark.y())
                                            : middleOf(1);
    hover(away);
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestResponseEntry::questionNumberHasNoBinaryFractionNoise_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QByteArray>("questionNumber");
    QTest::newRow("point-07") << u".07"_s << QByteArray(" 700 ");
    QTest::newRow("point-57") << u".57"_s << QByteArray(" 5700 ");
}

void TestResponseEntry::questionNumberHasNoBinaryFractionNoise()
{
    QFETCH(QString, assignment);
    QFETCH(QByteArray, questionNumber);
    SessionRun run(assignment, {assignment + u'.', u"Text"_s});
    run.step();
    run.answerWith(u"OK"_s);
    run.click(u"cmd_enter_response"_s);
    QCOMPARE(readFile(run.master()),
             run.header + responseBytes(true, "Text", "OK", std::nullopt, questionNumber));
}

void TestResponseEntry::codeLineBytesDisplayAndAreWrittenBackUnchanged_data()
{
    QTest::addColumn<QByteArray>("countBytes");
    // Bytes 128 to 255 in runs of 26, each run's code line made of them.
    for (int first = 128; first <= 255; first += 26) {
        QByteArray bytes;
        for (int b = first; b < std::min(first + 26, 256); ++b)
            bytes += char(b);
        while (bytes.size() < 19)
            bytes += 'v';
        QTest::addRow("from-%d", first) << bytes;
    }
}

void TestResponseEntry::codeLineBytesDisplayAndAreWrittenBackUnchanged()
{
    QFETCH(QByteArray, countBytes);
    const SessionRun run({.codeLine = countBytes});
    run.click(u"cmd_displayCumulativeText"_s);
    const QStringList shown = run.questionText().split(u"\r\n"_s);
    QCOMPARE(shown.value(1), fromCp1252(countBytes));

    // The line moves into the answer box as it stands. (Qt's clipboard copy of a text box would
    // turn byte 160, the no-break space, into a blank on the way.)
    run.answer()->setPlainText(shown.value(1));
    run.click(u"cmd_enter_response"_s);

    QCOMPARE(readFile(run.send()),
             headerBytes(countBytes, "000", "000.")
                     + responseBytes(false, "", countBytes, std::nullopt));
}

QTEST_MAIN(TestResponseEntry)
#include "tst_response_entry.moc"

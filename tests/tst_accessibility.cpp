#include "session_run.h"

#include "app/text_box.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// What a screen reader hears of: text added to a control, and notifications that appear.
struct Heard
{
    QString control; // the object name of a control, or empty
    QString text; // the inserted text, or the notification's text
    bool notification = false;
};

std::vector<Heard> heard;

// What Orca reads of a notification for braille and its history: the text of its labels, less
// a label that repeats the notification's name.
QString notificationText(const QAccessibleInterface *notification)
{
    QString text;
    for (int i = 0; i < notification->childCount(); ++i) {
        const QAccessibleInterface *child = notification->child(i);
        if (child->role() == QAccessible::StaticText
            && child->text(QAccessible::Name) != notification->text(QAccessible::Name))
            text += child->text(QAccessible::Name);
    }
    return text;
}

void listen(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::TextInserted) {
        heard.push_back({event->object()->objectName(),
                         static_cast<QAccessibleTextInsertEvent *>(event)->textInserted()});
    } else if (event->type() == QAccessible::ObjectShow) {
        const QAccessibleInterface *shown = event->accessibleInterface();
        if (shown->role() == QAccessible::Notification)
            heard.push_back({QString(), notificationText(shown), true});
    }
}

// What the question box gained: the text of its insertion events, and the notifications.
QStringList insertedInQuestionBox()
{
    QStringList inserted;
    for (const Heard &event : heard) {
        // A screen reader gets the box's paragraph separators; the program's line breaks are
        // CR LF.
        if (event.control == u"txt_question"_s)
            inserted << QString(event.text).replace(QChar::ParagraphSeparator, u"\r\n"_s);
    }
    return inserted;
}

QStringList notifications()
{
    QStringList names;
    for (const Heard &event : heard) {
        if (event.notification)
            names << event.text;
    }
    return names;
}

QAccessibleInterface *accessible(const SessionRun &run, const QString &name)
{
    return QAccessible::queryAccessibleInterface(run.window->findChild<QWidget *>(name));
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void stepTellsOfTheNewLine_data();
    void stepTellsOfTheNewLine();
    void windowTellsWhereToBegin();
    void recordAndPictureOutcomesAreTold_data();
    void recordAndPictureOutcomesAreTold();
    void announcementWaitsForItsWindow();
    void promptIsSelectedOnFocus_data();
    void promptIsSelectedOnFocus();
    void displayTellsOfTheFile_data();
    void displayTellsOfTheFile();
    void picturesAreNamedGraphicsWithoutFocus_data();
    void picturesAreNamedGraphicsWithoutFocus();
    void pictureIsDescribedByWhatWasDrawn_data();
    void pictureIsDescribedByWhatWasDrawn();
    void answerBoxDescribesItsMarks_data();
    void answerBoxDescribesItsMarks();
};

void TestAccessibility::initTestCase()
{
    query_template::installAccessibleRoles();
    // As a screen reader does when it starts listening: then Qt tells of every change.
    QAccessible::installUpdateHandler(listen);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    QVERIFY(QAccessible::isActive());
}

void TestAccessibility::init()
{
    heard.clear();
}

void TestAccessibility::stepTellsOfTheNewLine_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("shown"); // by the last step
    QTest::addColumn<QString>("told");
    QTest::newRow("first-step") << 1 << u"First line"_s << u"First line"_s;
    QTest::newRow("line-breaks") << 2 << u"Second\r\n\r\nline"_s << u"Second\r\n\r\nline"_s;
    QTest::newRow("after-a-routine")
            << 3 << u"Fourth line"_s << u"Graph drawn: velocity v vs. clock time t. Fourth line"_s;
}

void TestAccessibility::stepTellsOfTheNewLine()
{
    QFETCH(int, steps);
    QFETCH(QString, shown);
    QFETCH(QString, told);
    SessionRun run(u"000"_s,
                   {u"000."_s, u"First line"_s, u"`qSecond{}{}line"_s, u"`routine graph1"_s,
                    u"Fourth line"_s});
    for (int step = 1; step < steps; ++step)
        run.step();
    const QString before = run.questionText();
    heard.clear();
    run.step();
    // The box only grew, and the screen reader heard of exactly what it gained.
    QCOMPARE(run.questionText(), before + u"\r\n\r\n"_s + shown);
    QCOMPARE(insertedInQuestionBox(), QStringList {u"\r\n\r\n"_s + shown});
    // The focus stays on the button, so the line is also read out as a notification, after what
    // else the step did.
    QTRY_COMPARE(notifications(), QStringList {told});
}

void TestAccessibility::windowTellsWhereToBegin()
{
    SessionRun run(u"001"_s);
    QCOMPARE(notifications(),
             QStringList {u"Physics II, assignment 001. Next Question / Answer is two Tab presses "
                          u"away."_s});
    QVERIFY(run.question()->hasFocus());
}

void TestAccessibility::recordAndPictureOutcomesAreTold_data()
{
    QTest::addColumn<QStringList>("buttons"); // clicked after a step and typing an answer
    QTest::addColumn<QString>("told");
    QTest::newRow("response") << QStringList {u"cmd_enter_response"_s}
                              << u"Response recorded in masterFile.txt and send_1208.txt."_s;
    QTest::newRow("note") << QStringList {u"cmd_save_as_notes"_s}
                          << u"Note recorded in masterFile.txt, send_1208.txt and notes_.txt."_s;
    QTest::newRow("copy-picture") << QStringList {u"cmd_copy_picture"_s}
                                  << u"Picture copied to the right area."_s;
    // Told once, though it is clicked twice.
    QTest::newRow("pend-exp")
            << QStringList {u"cmd_pend_exp"_s, u"cmd_pend_exp"_s}
            << u"Timer started: it beeps and draws circles in the drawing area."_s;
}

void TestAccessibility::recordAndPictureOutcomesAreTold()
{
    QFETCH(QStringList, buttons);
    QFETCH(QString, told);
    SessionRun run(u"000"_s, {u"000."_s, u"`routine graph2"_s, u"`qA question"_s});
    // Something to copy: the drawing area has no picture of its own.
    QGuiApplication::clipboard()->setImage(QImage(8, 8, QImage::Format_RGB32));
    run.step();
    run.answerWith(u"An answer"_s);
    heard.clear();
    for (const QString &button : buttons)
        run.click(button);
    QTRY_COMPARE(notifications(), QStringList {told});
}

void TestAccessibility::announcementWaitsForItsWindow()
{
    SessionRun run;
    run.answerWith(u"A note"_s);
    // Another window is active, as a prompt is while it closes: a screen reader reading the
    // window's focus when it comes back would cut the notification off.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    heard.clear();
    run.click(u"cmd_save_as_notes"_s);
    QCoreApplication::processEvents();
    QCOMPARE(notifications(), QStringList());
    run.window->activateWindow();
    QTRY_COMPARE(notifications(),
                 QStringList {u"Note recorded in masterFile.txt, send_1208.txt and notes_.txt."_s});
}

void TestAccessibility::promptIsSelectedOnFocus_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("typedFirst"); // the box holds a typed text instead of the prompt
    QTest::newRow("Tab") << u"Tab"_s << false;
    QTest::newRow("Shift+Tab") << u"Shift+Tab"_s << false;
    QTest::newRow("click") << u"click"_s << false;
    QTest::newRow("typed-text-not-selected") << u"Tab"_s << true;
}

void TestAccessibility::promptIsSelectedOnFocus()
{
    QFETCH(QString, how);
    QFETCH(bool, typedFirst);
    SessionRun run(u"000"_s, {u"000."_s, u"`qFirst"_s, u"`qSecond"_s});
    run.step();
    run.step();
    QPlainTextEdit *answer = run.answer();
    QCOMPARE(run.answerText(), SessionRun::answerPrompt);
    const QString held = typedFirst ? u"Half of it"_s : SessionRun::answerPrompt;
    if (typedFirst)
        setBoxText(answer, held);
    heard.clear();
    if (how == u"Tab"_s) {
        run.question()->setFocus();
        QTest::keyClick(run.question(), Qt::Key_Tab);
    } else if (how == u"Shift+Tab"_s)
        QTest::keyClick(run.window->findChild<QWidget *>(u"cmdNextQuestion"_s), Qt::Key_Backtab);
    else
        QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(answer->hasFocus());
    // As the event loop goes on after the key or the click.
    QCoreApplication::sendPostedEvents();

    // A screen reader sees the whole prompt selected, and hears it whole.
    QAccessibleTextInterface *text = accessible(run, u"txt_answer"_s)->textInterface();
    int start = -1, end = -1;
    if (text->selectionCount() == 1)
        text->selection(0, &start, &end);
    if (typedFirst) {
        QCOMPARE(text->selectionCount(), 0);
    } else {
        QCOMPARE(start, 0);
        QCOMPARE(end, text->characterCount());
        QCOMPARE(text->cursorPosition(), 0);
        QTRY_COMPARE(notifications(),
                     QStringList {u"Selected, so typing replaces it: "_s
                                  + SessionRun::answerPrompt.simplified()});
    }
    // What the student types replaces the prompt, and only the prompt; the caret is at the start.
    QTest::keyClicks(answer, u"It doubles"_s);
    QCOMPARE(run.answerText(), typedFirst ? u"It doubles"_s + held : u"It doubles"_s);
}

void TestAccessibility::displayTellsOfTheFile_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("file"); // as the notification names it
    QTest::newRow("display-SEND-file") << u"cmd_displayCumulativeText"_s << u"SEND file"_s;
    QTest::newRow("display-notes") << u"cmd_display_note_file"_s << u"notes file"_s;
}

void TestAccessibility::displayTellsOfTheFile()
{
    QFETCH(QString, button);
    QFETCH(QString, file);
    SessionRun run;
    run.answerWith(u"A note"_s);
    run.click(u"cmd_save_as_notes"_s);
    run.step();
    const QString before = run.questionText();
    heard.clear();
    run.click(button);

    const QString gained = run.questionText().mid(before.size());
    QVERIFY(run.questionText().startsWith(before));
    QVERIFY(!gained.isEmpty());
    QCOMPARE(insertedInQuestionBox(), QStringList {gained});
    // The lines the box gained, which for the notes are not the file's.
    const qsizetype lines = gained.count(u"\r\n"_s);
    QVERIFY(lines > 1);
    QTRY_COMPARE(notifications(),
                 QStringList {u"The %1 was added to the question box: %2 lines."_s.arg(file).arg(
                         lines)});
}

void TestAccessibility::picturesAreNamedGraphicsWithoutFocus_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("name");
    QTest::newRow("Picture1") << u"Picture1"_s << u"Drawing area"_s;
    QTest::newRow("Picture2") << u"Picture2"_s << u"Copied picture"_s;
}

void TestAccessibility::picturesAreNamedGraphicsWithoutFocus()
{
    QFETCH(QString, area);
    QFETCH(QString, name);
    SessionRun run;
    QAccessibleInterface *picture = accessible(run, area);
    QCOMPARE(picture->role(), QAccessible::Graphic);
    QCOMPARE(picture->text(QAccessible::Name), name);
    QVERIFY(!picture->state().focusable);
    // Neither a click nor the keyboard gives it the focus.
    QWidget *widget = run.window->findChild<QWidget *>(area);
    QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(widget, Qt::LeftButton);
    QVERIFY(!widget->hasFocus());
}

void TestAccessibility::pictureIsDescribedByWhatWasDrawn_data()
{
    QTest::addColumn<QString>("routine"); // empty: the experiment timer
    QTest::addColumn<QString>("description");
    QTest::newRow("graph1") << u"graph1"_s << u"velocity v vs. clock time t"_s;
    QTest::newRow("graph2") << u"graph2"_s << u"Value y (dollars) vs. clock time t (months)"_s;
    QTest::newRow("graph3") << u"graph3"_s << u"Depth y (dollars) vs. clock time t (seconds)"_s;
    QTest::newRow("pend-exp") << QString() << u"circles"_s;
}

void TestAccessibility::pictureIsDescribedByWhatWasDrawn()
{
    QFETCH(QString, routine);
    QFETCH(QString, description);
    // Another graph first: the description follows what was drawn last.
    const QString first = routine == u"graph1"_s ? u"graph2"_s : u"graph1"_s;
    SessionRun run(u"000"_s,
                   {u"000."_s, u"`routine "_s + first, u"Text"_s, u"`routine "_s + routine,
                    u"More text"_s});
    QAccessibleInterface *picture = accessible(run, u"Picture1"_s);
    QCOMPARE(picture->text(QAccessible::Description), QString());
    run.step();
    QVERIFY(!picture->text(QAccessible::Description).isEmpty());
    if (routine.isEmpty()) {
        run.click(u"cmd_pend_exp"_s);
        QTRY_COMPARE(picture->text(QAccessible::Description), description);
    } else {
        run.step();
        QCOMPARE(picture->text(QAccessible::Description), description);
    }
}

void TestAccessibility::answerBoxDescribesItsMarks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("description");
    QTest::newRow("each-mark-once")
            << u"\u0394v \u2248 3 at \u03b8 and \u03b8"_s
            << u"\u0394 is written as \"Delta\"; \u2248 is written as \"~=\"; \u03b8 is written "
               u"as \"theta\""_s;
    QTest::newRow("second-line") << u"ok\n\U0001F600"_s << u"\U0001F600 is written as \"?\""_s;
    QTest::newRow("nothing-marked") << u"caf\u00e9 \u00b5"_s << QString();
}

void TestAccessibility::answerBoxDescribesItsMarks()
{
    QFETCH(QString, typed);
    QFETCH(QString, description);
    SessionRun run;
    run.answerWith(u"\u03c9"_s);
    QAccessibleInterface *answer = accessible(run, u"txt_answer"_s);
    QCOMPARE(answer->text(QAccessible::Description), u"\u03c9 is written as \"omega\""_s);
    run.answerWith(typed);
    QCOMPARE(answer->text(QAccessible::Description), description);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

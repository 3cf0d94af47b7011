#include "expected_records.h"
#include "session_run.h"

#include "app/input_prompt.h"
#include "pictures/picture_area.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString namePrompt = u"Your full name:  "_s;
const QString folderChoicePrompt
        = u"Enter 1 if you want to change the folder to which your files will be written.  The "
          u"current default folder is c:\\qorvanit.  If you wish to use this folder, just hit the "
          u"Enter key"_s;
const QString folderPrompt
        = u"You have chosen to change the folder to which your files will be written on your hard "
          u"drive from the default c:\\qorvanit.  Enter the path to the folder you wish to use.  "
          u"You may just hit the Enter key to retain the default path."_s;
const QString assignmentPrompt = u"Assignment Number:  "_s;

int markCount(const QString &line)
{
    return line.count(u"{}"_s);
}

// The window as a student reads it, as its accessibility interface gives it to a screen reader:
// each row of controls from the top, and each row from the left, a button's caption in brackets,
// a text box's text in quotes, a label's text as it stands.
QStringList readWindow(query_template &window)
{
    QMap<int, QMap<int, QString>> rows; // by top and left
    const QAccessibleInterface *shown = QAccessible::queryAccessibleInterface(&window);
    for (int i = 0; i < shown->childCount(); ++i) {
        const QAccessibleInterface *control = shown->child(i);
        QString read;
        switch (control->role()) {
        case QAccessible::Button:
            read = u'[' + control->text(QAccessible::Name) + u']';
            break;
        case QAccessible::EditableText:
            read = u'"' + control->text(QAccessible::Value) + u'"';
            break;
        case QAccessible::StaticText:
            read = control->text(QAccessible::Name);
            break;
        default:
            continue;
        }
        if (!control->state().invisible)
            rows[control->rect().top()][control->rect().left()] = read;
    }
    QStringList lines;
    for (const QMap<int, QString> &row : std::as_const(rows))
        lines << QStringList(row.values()).join(u' ');
    return lines;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void promptsComeInOrderWithTheirTexts();
    void folderDialogue_data();
    void folderDialogue();
    void typedFolderIsTakenFromTheHomeFolder_data();
    void typedFolderIsTakenFromTheHomeFolder();
    void defaultFolderIsMadeEvenWhenAnotherIsChosen();
    void everyPromptCancelled();
    void sendFileNameTakesMonthThenDay_data();
    void sendFileNameTakesMonthThenDay();
    void assignmentNumbersAsTyped_data();
    void assignmentNumbersAsTyped();
    void answerPromptHasTwoParagraphs();
    void codeNumberAndSeedComeFromTheClockAndGenerator_data();
    void codeNumberAndSeedComeFromTheClockAndGenerator();
    void pictureScales();
    void builtInBank();
    void windowReadsAsDesigned();
    void textBoxes();
    void tabTakesTheStudentThroughEveryControl();
    void inertControlsChangeNothing();
    void enterOrSpaceOnAFocusedButtonClicksIt_data();
    void enterOrSpaceOnAFocusedButtonClicksIt();
    void wholeRunFromTheKeyboard();
    void inputPromptGivesTheTypedTextOrNothing_data();
    void inputPromptGivesTheTypedTextOrNothing();
};

void TestStartup::promptsComeInOrderWithTheirTexts()
{
    TemporaryHome home;
    FakeStudent student;
    student.answers = {u"Ada Student"_s, u"1"_s, u"d:\\course"_s, u"001"_s};
    const auto window = startRun(student);
    QCOMPARE(student.promptsShown,
             QStringList({namePrompt, folderChoicePrompt, folderPrompt, assignmentPrompt}));
    QCOMPARE(folderChoicePrompt.size(), 177);
    QCOMPARE(window->session().courseTitle, u"Physics II"_s);
    QCOMPARE(window->windowTitle(), u"Form1"_s);
}

void TestStartup::folderDialogue_data()
{
    QTest::addColumn<QStringList>("answers"); // to prompts 2 and, when it shows, 3
    QTest::addColumn<bool>("folderPromptShown");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<QString>("masterFilePath");
    QTest::newRow("changed") << QStringList {u"1"_s, u"d:\\work"_s} << true << u"d:\\work"_s
                             << u"d:\\work\\masterFile.txt"_s;
    QTest::newRow("changed-as-typed") << QStringList {u"1"_s, u" /tmp/x "_s} << true
                                      << u" /tmp/x "_s << u" /tmp/x \\masterFile.txt"_s;
    QTest::newRow("trailing-backslash") << QStringList {u"1"_s, u"e:\\x\\"_s} << true
                                        << u"e:\\x\\"_s << u"e:\\x\\\\masterFile.txt"_s;
    QTest::newRow("one-then-empty") << QStringList {u"1"_s, u""_s} << true << u"c:\\qorvanit"_s
                                    << u"c:\\qorvanit\\masterFile.txt"_s;
    QTest::newRow("blank-before-one") << QStringList {u" 1"_s} << false << u"c:\\qorvanit"_s
                                      << u"c:\\qorvanit\\masterFile.txt"_s;
    QTest::newRow("blank-after-one") << QStringList {u"1 "_s} << false << u"c:\\qorvanit"_s
                                     << u"c:\\qorvanit\\masterFile.txt"_s;
    QTest::newRow("enter") << QStringList {u""_s} << false << u"c:\\qorvanit"_s
                           << u"c:\\qorvanit\\masterFile.txt"_s;
    QTest::newRow("two") << QStringList {u"2"_s} << false << u"c:\\qorvanit"_s
                         << u"c:\\qorvanit\\masterFile.txt"_s;
}

void TestStartup::folderDialogue()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, folderPromptShown);
    QFETCH(QString, outputFolder);
    QFETCH(QString, masterFilePath);
    TemporaryHome home;
    FakeStudent student;
    student.answers = QStringList {u"name"_s} + answers + QStringList {u"000"_s};
    const auto window = startRun(student);
    QCOMPARE(student.promptsShown.contains(folderPrompt), folderPromptShown);
    QCOMPARE(student.promptsShown.last(), assignmentPrompt);
    const SessionState &session = window->session();
    QCOMPARE(session.outputFolder, outputFolder);
    QCOMPARE(session.masterFilePath, masterFilePath);
    QCOMPARE(session.notesFilePath, outputFolder + u"\\notes_.txt"_s);
    QCOMPARE(session.sendFilePath, outputFolder + u"\\send_1208.txt"_s);
    QCOMPARE(session.assignmentNumber, u"000"_s);
}

void TestStartup::typedFolderIsTakenFromTheHomeFolder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folder"); // under the home folder
    QTest::newRow("relative") << u"course\\week 1"_s << u"course/week 1"_s;
    QTest::newRow("relative-slashes") << u"course/week 1/"_s << u"course/week 1"_s;
    QTest::newRow("drive") << u"d:\\course"_s << u"course"_s;
    QTest::newRow("tilde") << u"~\\course"_s << u"course"_s;
}

void TestStartup::typedFolderIsTakenFromTheHomeFolder()
{
    QFETCH(QString, typed);
    QFETCH(QString, folder);
    TemporaryHome home;
    QVERIFY(QDir(home.path()).mkpath(folder));
    // Started from another folder, as from a terminal elsewhere.
    QTemporaryDir elsewhere;
    const QString workingFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(workingFolder); });
    FakeStudent student;
    student.home = home.path();
    student.answers = {u"name"_s, u"1"_s, typed, u"000"_s};
    const auto window = startRun(student);
    QVERIFY(student.problems.isEmpty());
    QVERIFY(QFileInfo(home.path() + u'/' + folder + u"/masterFile.txt"_s).size() > 0);
    QVERIFY(QDir(elsewhere.path()).isEmpty());
}

void TestStartup::defaultFolderIsMadeEvenWhenAnotherIsChosen()
{
    TemporaryHome home;
    QTemporaryDir chosen;
    FakeStudent student;
    const QStringList answers = {u"name"_s, u"1"_s, chosen.path(), u"000"_s};
    student.answers = answers;
    const auto window = startRun(student);
    QVERIFY(QFileInfo(home.defaultFolder()).isDir());
    // Made or found: a second run over the existing folder does as well.
    FakeStudent again;
    again.answers = answers;
    const auto second = startRun(again);
    QVERIFY(QFileInfo(home.defaultFolder()).isDir());
    QCOMPARE(second->session().outputFolder, chosen.path());
}

void TestStartup::everyPromptCancelled()
{
    TemporaryHome home;
    FakeStudent student;
    student.answers = {};
    const auto window = startRun(student);
    QCOMPARE(student.promptsShown, QStringList({namePrompt, folderChoicePrompt, assignmentPrompt}));
    const SessionState &session = window->session();
    QCOMPARE(session.outputFolder, u"c:\\qorvanit"_s);
    QCOMPARE(session.assignmentNumber, QString());
    QCOMPARE(session.nextAssignmentNumber, u"001"_s);
}

void TestStartup::sendFileNameTakesMonthThenDay_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("sendFilePath");
    QTest::newRow("christmas") << QDate(2026, 12, 25) << u"en_US"_s
                               << u"c:\\qorvanit\\send_1225.txt"_s;
    QTest::newRow("first-of-february")
            << QDate(2027, 2, 1) << u"en_GB"_s << u"c:\\qorvanit\\send_0201.txt"_s;
    QTest::newRow("arabic-locale")
            << QDate(2027, 2, 1) << u"ar_SA"_s << u"c:\\qorvanit\\send_0201.txt"_s;
    QTest::newRow("persian-locale")
            << QDate(2026, 3, 7) << u"fa_IR"_s << u"c:\\qorvanit\\send_0307.txt"_s;
}

void TestStartup::sendFileNameTakesMonthThenDay()
{
    QFETCH(QDate, today);
    QFETCH(QString, locale);
    QFETCH(QString, sendFilePath);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
    TemporaryHome home;
    FakeStudent student;
    student.clock.setDate(today);
    student.answers = {u"name"_s, u""_s, u"000"_s};
    const auto window = startRun(student);
    QCOMPARE(window->session().sendFilePath, sendFilePath);
}

void TestStartup::assignmentNumbersAsTyped_data()
{
    addAssignmentNumberRows();
}

void TestStartup::assignmentNumbersAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, assignmentNumber);
    QFETCH(QString, nextAssignmentNumber);
    TemporaryHome home;
    FakeStudent student;
    student.answers = {u"name"_s, u""_s, typed};
    const auto window = startRun(student);
    QCOMPARE(window->session().assignmentNumber, assignmentNumber);
    QCOMPARE(window->session().nextAssignmentNumber, nextAssignmentNumber);
}

void TestStartup::answerPromptHasTwoParagraphs()
{
    SessionRun run;
    const auto &window = run.window;
    const QString prompt = window->session().answerPrompt;
    QCOMPARE(prompt.size(), 502);
    QVERIFY(prompt.startsWith(u"Enter, as appropriate,"_s));
    QVERIFY(prompt.endsWith(u"series of problems."_s));
    const QStringList lines = prompt.split(u"\r\n"_s);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].size(), 193);
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2].size(), 305);
    QVERIFY(lines[2].contains(u"errors you makde, and"_s));
    QCOMPARE(prompt.count(u'\n'), 2);
    QCOMPARE(prompt.count(u'\r'), 2);
}

void TestStartup::codeNumberAndSeedComeFromTheClockAndGenerator_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<int>("codeNumber");
    QTest::newRow("lowest") << 0.0 << 19;
    QTest::newRow("just-below-a-step") << 0.0999999 << 19;
    QTest::newRow("middle") << 0.5 << 24;
    QTest::newRow("highest") << 0.9999999 << 28;
    // The generator's two largest values, 1 - 2^-53 and 1 - 2^-52, which the arithmetic rounds
    // to 29.
    QTest::newRow("largest") << std::nextafter(1.0, 0.0) << 28;
    QTest::newRow("second-largest") << 1.0 - 0x1p-52 << 28;
}

void TestStartup::codeNumberAndSeedComeFromTheClockAndGenerator()
{
    QFETCH(double, r);
    QFETCH(int, codeNumber);
    TemporaryHome home;
    FakeStudent student;
    student.randoms = {r};
    student.clock.setTime(QTime(10, 0, 0, 250));
    student.answers = {u"name"_s, u""_s, u"000"_s};
    const auto window = startRun(student);
    QCOMPARE(window->session().codeNumber, codeNumber);
    QCOMPARE(student.seed, 36000.25);
}

void TestStartup::pictureScales()
{
    SessionRun run;
    const auto &window = run.window;
    for (const char *name : {"Picture1", "Picture2"}) {
        const auto *area = window->findChild<PictureArea *>(QString::fromLatin1(name));
        QVERIFY(area);
        QCOMPARE(area->scaleWidth(), 1000.0);
        QCOMPARE(area->scaleHeight(), 1000.0);
    }
}

void TestStartup::builtInBank()
{
    SessionRun run;
    const auto &window = run.window;
    const ScriptLines &lines = window->session().scriptLines;
    // Slot: kind ("start", "text", "question"), exact text where fixed, "{}" mark count.
    struct Slot
    {
        int index;
        const char *kind;
        const char *text;
        int marks;
    };
    const Slot bank[] = {
            {4, "start", "000.", 0},      {5, "text", nullptr, 0},
            {6, "text", nullptr, 2},      {7, "question", nullptr, 10},
            {8, "question", nullptr, 10}, {9, "question", nullptr, 10},
            {10, "start", "001.", 0},     {11, "text", nullptr, 0},
            {12, "question", nullptr, 0}, {13, "question", nullptr, 0},
            {14, "question", nullptr, 0}, {15, "question", nullptr, 14},
            {16, "question", nullptr, 0},
    };
    for (int i = 0; i <= 3; ++i)
        QCOMPARE(lines[i], QString());
    for (const Slot &slot : bank) {
        const QString &line = lines[slot.index];
        QVERIFY2(!line.isEmpty(), qPrintable(QString::number(slot.index)));
        if (slot.text)
            QCOMPARE(line, QString::fromLatin1(slot.text));
        QCOMPARE(line.startsWith(u"`q"_s), qstrcmp(slot.kind, "question") == 0);
        QCOMPARE(markCount(line), slot.marks);
        QVERIFY(!line.contains(u'\r') && !line.contains(u'\n'));
        QVERIFY(!line.startsWith(u"`a"_s) && !isRoutineLine(line) && !line.startsWith(u"####.#"_s));
        QVERIFY(line.size() < 2500);
    }
    QCOMPARE(lines[11], lines[5]);
    QVERIFY(lines[5].endsWith(u"  "_s));
    // No line but a start line may begin with the next assignment's number.
    for (int i = 5; i <= 16; ++i) {
        if (i != 10)
            QVERIFY(!lines[i].startsWith(u"001"_s) && !lines[i].mid(2).startsWith(u"001"_s));
        QVERIFY(!lines[i].startsWith(u"002"_s) && !lines[i].mid(2).startsWith(u"002"_s));
    }
    for (int i = 17; i <= lastScriptSlot; ++i)
        QCOMPARE(lines[i], QString());
}

void TestStartup::windowReadsAsDesigned()
{
    SessionRun run;
    QCOMPARE(readWindow(*run.window),
             QStringList({u"[Next Question / Answer] [quit program]"_s,
                          u"[display notes] [display SEND file] [Enter Response] [Save as Notes] "
                          u"[clear answer]"_s,
                          u"\"\" \" \""_s,
                          u"click only if prompted [next picture] [Trigger Timer] [pend exp]"_s,
                          u"Parameter 1 \"1\" Parameter 3 \"1\""_s,
                          u"[copy picture] Parameter 2 \"1\" Parameter 4 \"1\""_s}));
}

void TestStartup::textBoxes()
{
    SessionRun run;
    const auto &window = run.window;
    for (const char *name : {"txt_question", "txt_answer"}) {
        const auto *box = textBox(*window, QString::fromLatin1(name));
        QCOMPARE(box->font().family(), u"Arial"_s);
        QCOMPARE(box->font().pointSizeF(), 9.75);
        QCOMPARE(box->font().weight(), QFont::Normal);
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    QCOMPARE(window->findChild<QListWidget *>(u"List1"_s)->count(), 0);
}

void TestStartup::tabTakesTheStudentThroughEveryControl()
{
    SessionRun run;
    const auto &window = run.window;
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const QStringList expected = {
            u"txt_question"_s,
            u"txt_answer"_s,
            u"cmdNextQuestion"_s,
            u"cmd_enter_response"_s,
            u"cmd_save_as_notes"_s,
            u"cmd_timerTrigger"_s,
            u"List1"_s,
            u"txt_parameter(0)"_s,
            u"txt_parameter(1)"_s,
            u"txt_parameter(2)"_s,
            u"txt_parameter(3)"_s,
            u"cmd_displayCumulativeText"_s,
            u"cmd_display_note_file"_s,
            u"cmd_quit"_s,
            u"cmd_pend_exp"_s,
            u"cmd_next_picture"_s,
            u"cmd_copy_picture"_s,
            u"cmd_clr_answer"_s,
    };
    QStringList reachable;
    for (const QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if ((control->focusPolicy() & Qt::TabFocus) && control->isVisible() && control->isEnabled())
            reachable << control->objectName();
    }
    const auto walk = [&](Qt::KeyboardModifiers modifiers) {
        QStringList visited = {QApplication::focusWidget()->objectName()};
        for (qsizetype i = 0; i < reachable.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
            visited << QApplication::focusWidget()->objectName();
        }
        return visited;
    };
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), expected.first());
    // Round the window and back to the start, each control once, in the order the student
    // is taught; Shift+Tab goes the same way back.
    const QStringList forward = walk(Qt::NoModifier);
    QCOMPARE(forward, expected + QStringList {expected.first()});
    QStringList backward = walk(Qt::ShiftModifier);
    std::reverse(backward.begin(), backward.end());
    QCOMPARE(backward, forward);
    QStringList visitedOnce = expected;
    visitedOnce.sort();
    reachable.sort();
    QCOMPARE(visitedOnce, reachable);
}

void TestStartup::inertControlsChangeNothing()
{
    SessionRun run;
    const auto &window = run.window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QStringList promptsBefore = run.student.promptsShown;
    const auto filesBefore = QDir(run.home.defaultFolder()).entryList(QDir::Files);
    const QByteArray masterBefore = readFile(run.home.defaultFolder() + u"/masterFile.txt"_s);
    const auto *question = textBox(*window, u"txt_question"_s);
    const auto *answer = textBox(*window, u"txt_answer"_s);
    const int scriptLineIndex = window->session().scriptLineIndex;

    clickButton(*window, u"cmd_timerTrigger"_s);
    auto *parameter = window->findChild<QLineEdit *>(u"txt_parameter(2)"_s);
    parameter->setFocus();
    QTest::keyClicks(parameter, u"7"_s);
    QTest::mouseClick(window->findChild<QLabel *>(u"lbl_only_if_prompted"_s), Qt::LeftButton);

    QCOMPARE(parameter->text(), u"17"_s);
    QCOMPARE(run.student.promptsShown, promptsBefore);
    QCOMPARE(run.student.ends, 0);
    QVERIFY(run.student.problems.isEmpty());
    QCOMPARE(question->toPlainText(), QString());
    QCOMPARE(answer->toPlainText(), u" "_s);
    QCOMPARE(window->session().scriptLineIndex, scriptLineIndex);
    QCOMPARE(QDir(run.home.defaultFolder()).entryList(QDir::Files), filesBefore);
    QCOMPARE(readFile(run.home.defaultFolder() + u"/masterFile.txt"_s), masterBefore);
}

void TestStartup::enterOrSpaceOnAFocusedButtonClicksIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    for (const char *name :
         {"cmdNextQuestion", "cmd_enter_response", "cmd_save_as_notes", "cmd_display_note_file",
          "cmd_displayCumulativeText", "cmd_clr_answer", "cmd_quit", "cmd_next_picture",
          "cmd_copy_picture", "cmd_timerTrigger", "cmd_pend_exp"}) {
        QTest::addRow("%s-enter", name) << QString::fromLatin1(name) << int(Qt::Key_Return);
        QTest::addRow("%s-keypad-enter", name) << QString::fromLatin1(name) << int(Qt::Key_Enter);
        QTest::addRow("%s-space", name) << QString::fromLatin1(name) << int(Qt::Key_Space);
    }
}

void TestStartup::enterOrSpaceOnAFocusedButtonClicksIt()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    SessionRun run;
    const auto &window = run.window;
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *button = window->findChild<QPushButton *>(name);
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::keyClick(button, Qt::Key(key));
    QCOMPARE(clicked.count(), 1);
}

void TestStartup::wholeRunFromTheKeyboard()
{
    TemporaryHome home;
    FakeStudent student;
    student.answers = {u"name"_s, u""_s, u"000"_s};
    const QByteArray codeLine = useCodeLine(student, QByteArray(19, '\x80'));
    const auto window = startShownRun(student);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    // From the question box: Tab, Tab to "Next Question / Answer"; Enter steps three times.
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), u"txt_question"_s);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdNextQuestion"_s);
    for (int step = 0; step < 3; ++step)
        press(Qt::Key_Return);
    // Back to the answer box, type over the prompt, then on to "Enter Response".
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"txt_answer"_s);
    press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), u"typed"_s);
    student.answers = {u"3"_s};
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmd_enter_response"_s);
    press(Qt::Key_Space);
    // Two more steps end the run on the next assignment's start line.
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    QCOMPARE(student.ends, 1);

    const QByteArray question = window->session().scriptLines[7].mid(2).toLatin1();
    const auto expected = [&](bool master) {
        return headerBytes(codeLine, "000", "000.")
                + responseBytes(master, question, "typed", "confidence assessment:  3"_ba);
    };
    QCOMPARE(readFile(home.defaultFolder() + u"/masterFile.txt"_s), expected(true));
    QCOMPARE(readFile(home.defaultFolder() + u"/send_1208.txt"_s), expected(false));
}

void TestStartup::inputPromptGivesTheTypedTextOrNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("given");
    QTest::newRow("enter") << int(Qt::Key_Return) << u"0 1"_s;
    QTest::newRow("escape-after-typing") << int(Qt::Key_Escape) << QString();
}

void TestStartup::inputPromptGivesTheTypedTextOrNothing()
{
    QFETCH(int, key);
    QFETCH(QString, given);
    QString shownText;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        shownText = dialog->findChild<QLabel *>()->text();
        auto *field = dialog->findChild<QLineEdit *>();
        QCOMPARE(field->text(), QString());
        QTest::keyClicks(field, u"0 1"_s);
        QTest::keyClick(field, Qt::Key(key));
    });
    QCOMPARE(showInputPrompt(assignmentPrompt), given);
    QCOMPARE(shownText, assignmentPrompt);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"

#include "session_run.h"

#include "app/caption_button.h"
#include "app/identity.h"
#include "app/input_prompt.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where a control lays out its caption, in its own coordinates, and how it wraps it.
QRect captionRect(const QWidget *control, int *flags)
{
    if (const auto *button = qobject_cast<const CaptionButton *>(control)) {
        *flags = CaptionButton::captionFlags;
        return button->captionRect();
    }
    const auto *label = qobject_cast<const QLabel *>(control);
    *flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    return label->contentsRect();
}

QString caption(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control))
        return button->text();
    return qobject_cast<const QLabel *>(control)->text();
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
    void textBoxesWriteInAnArialMetricFace();
    void screenReaderSeesTheWindowByItsCaption();
    void screenReaderSeesEachPromptByItsText();
    void promptsWriteInTheWindowsFace();
    void windowsCarryThePackagedIcon();
    void packageSaysWhatTheBuiltInScriptDoes_data();
    void packageSaysWhatTheBuiltInScriptDoes();
};

void TestWindow::initTestCase()
{
    QApplication::setStyle(u"fusion"_s);
    query_template::installAccessibleRoles();
}

void TestWindow::captionsFitTheirControls_data()
{
    QTest::addColumn<QString>("control");
    // The control table places these 4 pixels past the window's edge: their captions fit the
    // buttons, but the window cuts off a strip of them.
    const QStringList pastTheEdge = {u"cmd_quit"_s, u"cmd_copy_picture"_s};
    QTest::addColumn<bool>("pastTheEdge");
    FakeStudent student;
    const query_template window(student.services());
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        if (qobject_cast<const QPushButton *>(control) || qobject_cast<const QLabel *>(control)) {
            const QString name = control->objectName();
            const QString tag = QString(name).replace(u'(', u'_').remove(u')');
            QTest::newRow(qPrintable(tag)) << name << pastTheEdge.contains(name);
        }
    }
}

void TestWindow::captionsFitTheirControls()
{
    QFETCH(QString, control);
    QFETCH(bool, pastTheEdge);
    FakeStudent student;
    const query_template window(student.services());
    const auto *widget = window.findChild<QWidget *>(control);
    int flags = 0;
    const QRect contents = captionRect(widget, &flags);
    const QString text = caption(widget);
    const QFontMetricsF metrics(widget->font(), widget);
    const QSizeF lines = metrics.boundingRect(QRectF(contents), flags, text).size();
    // The last line's leading is space below the caption, not ink.
    const QSizeF needed(lines.width(), lines.height() - metrics.leading());
    const QString report = u"%1 needs %2x%3 in %4x%5"_s.arg(text)
                                   .arg(needed.width())
                                   .arg(needed.height())
                                   .arg(contents.width())
                                   .arg(contents.height());
    // Too narrow for any face: its tip shows the whole caption.
    if (control == u"cmd_display_note_file"_s) {
        QVERIFY2(needed.width() > contents.width(), qPrintable(report));
        QCOMPARE(widget->toolTip(), text);
        return;
    }
    QVERIFY2(needed.width() <= contents.width() && needed.height() <= contents.height(),
             qPrintable(report));
    const QRect shown = QRect(widget->mapTo(&window, contents.topLeft()), contents.size());
    QCOMPARE(!window.rect().contains(shown), pastTheEdge);
}

void TestWindow::textBoxesWriteInAnArialMetricFace()
{
    FakeStudent student;
    const query_template window(student.services());
    for (const QString &name : {u"txt_question"_s, u"txt_answer"_s})
        QCOMPARE(QFontInfo(textBox(window, name)->font()).family(), u"Liberation Sans"_s);
}

void TestWindow::screenReaderSeesTheWindowByItsCaption()
{
    FakeStudent student;
    query_template window(student.services());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&window);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Window);
    QCOMPARE(accessible->text(QAccessible::Name), u"Form1"_s);
}

void TestWindow::screenReaderSeesEachPromptByItsText()
{
    const QString promptText = u"Assignment Number:  "_s;
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(dialog);
        role = accessible->role();
        name = accessible->text(QAccessible::Name);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(showInputPrompt(promptText), QString());
    QCOMPARE(role, QAccessible::Dialog);
    QCOMPARE(name, promptText);
}

void TestWindow::promptsWriteInTheWindowsFace()
{
    FakeStudent student;
    const query_template window(student.services());
    const QFontInfo controls(window.findChild<QPushButton *>(u"cmdNextQuestion"_s)->font());
    QCOMPARE(controls.family(), u"Liberation Sans"_s);
    QStringList faces;
    // At start-up, as here, a prompt has no window to take the face from.
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        for (const QWidget *control : dialog->findChildren<QWidget *>()) {
            const QFontInfo face(control->font());
            faces << u"%1 %2px"_s.arg(face.family()).arg(face.pixelSize());
        }
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    showInputPrompt(u"Your full name:  "_s);
    QVERIFY(!faces.isEmpty());
    QCOMPARE(faces.removeDuplicates(), faces.size() - 1);
    QCOMPARE(faces.first(), u"%1 %2px"_s.arg(controls.family()).arg(controls.pixelSize()));
}

void TestWindow::windowsCarryThePackagedIcon()
{
    setProgramIdentity();
    QCOMPARE(QApplication::applicationName(), u"q_a_interface"_s);
    const QIcon icon = QApplication::windowIcon();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage drawn = icon.pixmap(size).toImage();
        QCOMPARE(drawn.size(), QSize(size, size));
        QCOMPARE(drawn,
                 QImage(u"%1/packaging/icons/q_a_interface_%2.png"_s.arg(SOURCE_DIR).arg(size))
                         .convertToFormat(drawn.format()));
    }
    FakeStudent student;
    const query_template window(student.services());
    QCOMPARE(window.windowIcon().cacheKey(), icon.cacheKey());
}

void TestWindow::packageSaysWhatTheBuiltInScriptDoes_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("debian-control") << u"debian/control"_s;
    QTest::newRow("manual-page") << u"packaging/q_a_interface.1"_s;
    QTest::newRow("metainfo") << u"packaging/org.example.q_a_interface.metainfo.xml"_s;
}

void TestWindow::packageSaysWhatTheBuiltInScriptDoes()
{
    QFETCH(QString, file);
    const SessionRun run;
    const ScriptLines &bank = run.session().scriptLines;
    const bool bankDrawsGraphs = std::any_of(bank.begin(), bank.end(), isRoutineLine);
    QStringList assignments = assignmentNumbers(bank);
    QVERIFY(assignments.size() > 1);
    const QString last = assignments.takeLast();
    // The words as a reader sees them: no line breaks, indents or roff escapes in between.
    const QString text = QString::fromUtf8(readFile(u"%1/%2"_s.arg(SOURCE_DIR, file)))
                                 .remove(u'\\')
                                 .replace(QRegularExpression(u"\\s+"_s), u" "_s);
    QVERIFY(text.contains(u"the built-in query script, which holds assignments %1 and %2"_s.arg(
            assignments.join(u", "_s), last)));
    QCOMPARE(text.contains(u"some lines draw"_s), bankDrawsGraphs);
    QCOMPARE(text.contains(u"the built-in script names none, so a student sees no graph"_s),
             !bankDrawsGraphs);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"

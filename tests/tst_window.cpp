#include "session_run.h"

#include "app/announcer.h"
#include "app/caption_button.h"
#include "app/identity.h"
#include "app/input_prompt.h"

#include <QAccessible>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// The window's controls: every child but the announcer, which takes no room.
QList<QWidget *> controlsOf(const query_template &window)
{
    QList<QWidget *> controls = window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    controls.removeIf([](const QWidget *child) { return qobject_cast<const Announcer *>(child); });
    return controls;
}

// What a control shows as its caption; null for a control without one.
QString caption(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    return {};
}

void setCaption(QWidget *control, const QString &caption)
{
    if (auto *button = qobject_cast<QPushButton *>(control))
        button->setText(caption);
    else
        qobject_cast<QLabel *>(control)->setText(caption);
}

// One row for each of the window's controls, or for each that shows a caption.
void addControlRows(bool captionedOnly)
{
    QTest::addColumn<QString>("control");
    FakeStudent student;
    const query_template window(student.services());
    for (const QWidget *control : controlsOf(window)) {
        if (captionedOnly && caption(control).isNull())
            continue;
        const QString name = control->objectName();
        QTest::newRow(qPrintable(QString(name).replace(u'(', u'_').remove(u')'))) << name;
    }
}

// Where a control's caption may ink, in the control's coordinates: inside a push button's frame
// and as wide as the style's place for its contents, or in a label's contents.
QRect captionArea(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        const QStyle *style = button->style();
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
        const QRect contents
                = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return QRect(contents.left(), frame, contents.width(), button->height() - 2 * frame);
    }
    return qobject_cast<const QLabel *>(control)->contentsRect();
}

// Draws the control's caption in `area` as the control lays it out, nothing clipped.
void drawCaption(QPainter &painter, const QWidget *control, const QRect &area)
{
    if (const auto *button = qobject_cast<const CaptionButton *>(control)) {
        button->drawCaption(painter, area);
        return;
    }
    const auto *label = qobject_cast<const QLabel *>(control);
    painter.setFont(label->font());
    painter.drawText(area,
                     int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0)
                             | Qt::TextDontClip,
                     label->text());
}

// What a control shows, in the window's coordinates: a button's caption area, the text area of
// a box or list, or the whole control.
QRect shownPart(const QWidget *control)
{
    QRect part = control->rect();
    if (qobject_cast<const QPushButton *>(control))
        part = captionArea(control);
    else if (const auto *area = qobject_cast<const QAbstractScrollArea *>(control))
        part = area->viewport()->geometry();
    return part.translated(control->pos());
}

// Pixels, black where a caption inks them and white elsewhere.
QImage inkOnly(const QImage &image, QRgb background)
{
    QImage ink(image.size(), QImage::Format_Mono);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink.setPixel(x, y, image.pixel(x, y) == background ? 0 : 1);
    }
    return ink;
}

// The device pixels a caption inks, in `image`.
QRect inkBounds(const QImage &ink)
{
    QRect bounds;
    for (int y = 0; y < ink.height(); ++y) {
        for (int x = 0; x < ink.width(); ++x) {
            if (ink.pixelIndex(x, y))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// What the control shows of its caption at the screen's device pixels: the pixels that differ
// from the control without it.
QImage shownCaption(QWidget *control)
{
    const QImage shown = control->grab().toImage();
    const QString text = caption(control);
    setCaption(control, QString());
    const QImage blank = control->grab().toImage();
    setCaption(control, text);
    QImage ink(shown.size(), QImage::Format_Mono);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            ink.setPixel(x, y, shown.pixel(x, y) == blank.pixel(x, y) ? 0 : 1);
    }
    return ink;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
    void controlsStandInTheWindowClearOfEachOther_data();
    void controlsStandInTheWindowClearOfEachOther();
    void textBoxesWriteInAnArialMetricFace();
    void screenReaderSeesTheWindowByItsCaption();
    void screenReaderNamesEveryControl_data();
    void screenReaderNamesEveryControl();
    void screenReaderHearsThePromptOnce();
    void promptsWriteInTheWindowsFace();
    void windowsCarryThePackagedIcon();
    void packageSaysWhatTheBuiltInScriptDoes_data();
    void packageSaysWhatTheBuiltInScriptDoes();
};

void TestWindow::initTestCase()
{
    // The style the program draws its controls in: Windows's own, or Debian's default.
#ifdef Q_OS_WIN
    QVERIFY(QApplication::setStyle(u"windowsvista"_s));
#else
    QApplication::setStyle(u"fusion"_s);
#endif
    query_template::installAccessibleRoles();
}

void TestWindow::captionsFitTheirControls_data()
{
    addControlRows(true);
}

void TestWindow::captionsFitTheirControls()
{
    QFETCH(QString, control);
    FakeStudent student;
    query_template window(student.services());
    auto *widget = window.findChild<QWidget *>(control);
    const QRect area = captionArea(widget);
    const QString text = caption(widget);
    // The caption as Qt lays it out in the area, at the screen's device pixels, on a canvas with
    // room all round for what does not fit. The room is a multiple of 4 pixels, so that the
    // control's corner falls on a whole device pixel at every scale tested (1.25 x 4 = 5).
    const qreal ratio = widget->devicePixelRatioF();
    const int room = 4 * (widget->width() + widget->height());
    QImage canvas((widget->size() + 2 * QSize(room, room)) * ratio,
                  QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    drawCaption(painter, widget, area.translated(room, room));
    painter.end();
    const QImage laidOut = inkOnly(canvas, qRgb(255, 255, 255));
    const QPoint corner = QPoint(room, room) * ratio;
    // Every pixel it inks, however faint, in device pixels of the control.
    const QRectF ink = inkBounds(laidOut).translated(-corner);
    const QRectF areaPixels(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio);
    const QString report = u"%1 inks %2,%3 %4x%5 in %6,%7 %8x%9 (device pixels)"_s.arg(text)
                                   .arg(ink.x())
                                   .arg(ink.y())
                                   .arg(ink.width())
                                   .arg(ink.height())
                                   .arg(areaPixels.x())
                                   .arg(areaPixels.y())
                                   .arg(areaPixels.width())
                                   .arg(areaPixels.height());
    // Too narrow for any face: its tip shows the whole caption.
    if (control == u"cmd_display_note_file"_s) {
        QVERIFY2(!areaPixels.contains(ink), qPrintable(report));
        QCOMPARE(widget->toolTip(), text);
        return;
    }
    // The device pixels the area touches, where Qt may draw (at 1.25x it starts inside a pixel).
    const QRect shown = areaPixels.toAlignedRect();
    QVERIFY2(QRectF(shown).contains(ink), qPrintable(report));
    // The control shows exactly that caption there.
    QCOMPARE(shownCaption(widget).copy(shown), laidOut.copy(shown.translated(corner)));
    // No edge of the window cuts it off, although two controls stand past it.
    QVERIFY2(QRectF(QPointF(), QSizeF(window.size()) * ratio)
                     .contains(ink.translated(QPointF(widget->pos()) * ratio)),
             qPrintable(report));
}

void TestWindow::controlsStandInTheWindowClearOfEachOther_data()
{
    addControlRows(false);
}

void TestWindow::controlsStandInTheWindowClearOfEachOther()
{
    QFETCH(QString, control);
    FakeStudent student;
    const query_template window(student.services());
    const QWidget *widget = window.findChild<QWidget *>(control);
    QVERIFY(widget->isVisibleTo(&window));
    // Neighbours may share a border pixel, never what the other shows.
    const QRect shown = shownPart(widget);
    for (const QWidget *other : controlsOf(window)) {
        if (other != widget)
            QVERIFY2(!other->geometry().intersects(shown), qPrintable(other->objectName()));
    }
    // The layout puts these two 4 pixels past the window's edge, which cuts off a strip of them
    // but none of their captions.
    const bool pastTheEdge = control == u"cmd_quit"_s || control == u"cmd_copy_picture"_s;
    QCOMPARE(!window.rect().contains(widget->geometry()), pastTheEdge);
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

void TestWindow::screenReaderNamesEveryControl_data()
{
    addControlRows(false);
}

void TestWindow::screenReaderNamesEveryControl()
{
    QFETCH(QString, control);
    FakeStudent student;
    const query_template window(student.services());
    const QWidget *widget = window.findChild<QWidget *>(control);
    const auto nameOf = [](const QWidget *control) {
        return QAccessible::queryAccessibleInterface(const_cast<QWidget *>(control))
                ->text(QAccessible::Name);
    };
    const QString name = nameOf(widget);
    QVERIFY(!name.isEmpty());
    // It reads out what the student sees.
    if (!caption(widget).isNull())
        QCOMPARE(name, caption(widget));
    // A field is named by the label beside it, on its left.
    if (qobject_cast<const QLineEdit *>(widget)) {
        const QWidget *beside = nullptr;
        for (const QWidget *other : controlsOf(window)) {
            if (qobject_cast<const QLabel *>(other) && other->y() == widget->y()
                && other->geometry().right() < widget->x() && (!beside || other->x() > beside->x()))
                beside = other;
        }
        QVERIFY(beside);
        QCOMPARE(name, caption(beside));
    }
    // Among the controls the student can tab to, each name is its own.
    if (widget->focusPolicy() & Qt::TabFocus) {
        for (const QWidget *other : controlsOf(window)) {
            if (other != widget && (other->focusPolicy() & Qt::TabFocus))
                QVERIFY2(nameOf(other) != name, qPrintable(other->objectName()));
        }
    }
}

void TestWindow::screenReaderHearsThePromptOnce()
{
    const QString promptText = u"Assignment Number:  "_s;
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString fieldName;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(dialog);
        role = accessible->role();
        name = accessible->text(QAccessible::Name);
        fieldName = QAccessible::queryAccessibleInterface(dialog->findChild<QLineEdit *>())
                            ->text(QAccessible::Name);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(showInputPrompt(promptText), QString());
    // The program's name as the prompt opens, then the prompt with the field, once.
    QCOMPARE(role, QAccessible::Dialog);
    QCOMPARE(name, QApplication::applicationDisplayName());
    QCOMPARE(fieldName, promptText);
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

#include "session_run.h"

#include "pictures/picture_area.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Picture1 at the window's size: 5175 by 3375 twips.
constexpr QSize areaSize(345, 225);
const QRgb white = qRgb(255, 255, 255);
const QRgb black = qRgb(0, 0, 0);
const QRgb red = qRgb(255, 0, 0);
const QRgb green = qRgb(0, 255, 0);

// The areas draw at the screen's device pixels: the graphs are checked at 1x and at 2x.
double ratio()
{
    return qApp->devicePixelRatio();
}

QSize devicePixels()
{
    return areaSize * ratio();
}

// How many device pixels wide a line is, as the area rounds the ratio.
int lineWidth()
{
    return qMax(1, qRound(ratio()));
}

// The device pixel holding a point of the 1000 by 1000 user scale.
QPoint pixelOf(QPointF user)
{
    return {int(std::floor(user.x() * devicePixels().width() / 1000)),
            int(std::floor(user.y() * devicePixels().height() / 1000))};
}

QRgb pixel(const QImage &image, QPoint at)
{
    return image.pixel(at) | 0xff000000;
}

// The pixels of a horizontal or vertical line, both ends included, that lie inside the area:
// at each point a dot as wide as the line, reaching right and down from the point's pixel.
QList<QPoint> pixelsOf(QLineF line)
{
    const QPoint from = pixelOf(line.p1());
    const QPoint to = pixelOf(line.p2());
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()),
                      (to.y() > from.y()) - (to.y() < from.y()));
    QList<QPoint> pixels;
    for (QPoint at = from;; at += step) {
        for (int dy = 0; dy < lineWidth(); ++dy)
            for (int dx = 0; dx < lineWidth(); ++dx)
                if (QRect(QPoint(), devicePixels()).contains(at + QPoint(dx, dy)))
                    pixels << at + QPoint(dx, dy);
        if (at == to)
            break;
    }
    return pixels;
}

// One axis of a graph: where along the user scale each value lies, and the values written beside
// it.
struct Axis
{
    double origin; // where the axis crosses the other one
    double valueAtOrigin;
    double unitsPerValue;
    QList<double> labels;
    // Where each label's first character cell starts: across for the value axis, down for the
    // time axis. Along the axis it starts at its value, or 10 units before it when `nudged`.
    double labelsAt;
    QList<double> nudged = {};
    double position(double value) const { return origin + (value - valueAtOrigin) * unitsPerValue; }
};

// A segment's slope triangle: its colour, and where its labels' first character cells start.
struct Triangle
{
    QRgb colour;
    QPointF run;
    QPointF rise;
    QPointF slope;
};

struct Graph
{
    QString title;
    QString letter;
    Axis time;
    Axis value;
    QList<QPointF> curve; // (time, value)
    QList<QPointF> marked;
    QList<Triangle> triangles; // one for each segment; none when empty
    QPointF at(QPointF point) const
    {
        return {time.position(point.x()), value.position(point.y())};
    }
};

} // namespace

Q_DECLARE_METATYPE(Graph)

namespace {

// The font the areas write with: their own, aliased.
QFont areaFont(const PictureArea &area)
{
    QFont font = area.font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// How many device pixels apart two cells must be for a text to fall on whole pixels the same way
// in both: on screens of fractional scale, it falls differently in the cells between.
int glyphPeriod()
{
    int period = 1;
    while (std::abs(period / ratio() - std::round(period / ratio())) > 1e-9)
        ++period;
    return period;
}

// The ink of `text` as the areas write it, with the top-left corner of its first character cell
// at device pixel `phase`: the pixels, counted from that corner.
QList<QPoint> textDots(const PictureArea &area, const QString &text, QPoint phase)
{
    const QFontMetricsF metrics(areaFont(area), &area);
    const QSize size
            = (QSizeF(metrics.horizontalAdvance(text) + metrics.height(), 2 * metrics.height())
               * ratio())
                      .toSize()
            + QSize(phase.x(), phase.y());
    QImage ink(size, QImage::Format_ARGB32_Premultiplied);
    ink.setDevicePixelRatio(ratio());
    ink.fill(Qt::transparent);
    ink.setDotsPerMeterX(qRound(area.logicalDpiX() / 0.0254));
    ink.setDotsPerMeterY(qRound(area.logicalDpiY() / 0.0254));
    {
        QPainter painter(&ink);
        painter.setFont(areaFont(area));
        painter.setPen(Qt::black);
        const QPointF cell = QPointF(phase) / ratio();
        painter.drawText(QPointF(cell.x(), cell.y() + QFontMetricsF(painter.font(), &ink).ascent()),
                         text);
    }
    QList<QPoint> dots;
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            if (qAlpha(ink.pixel(x, y)) != 0)
                dots << QPoint(x, y) - phase;
    return dots;
}

bool nearPixel(const QImage &image, QPoint at, const std::function<bool(QRgb)> &matches)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(at + QPoint(dx, dy))
                && matches(pixel(image, at + QPoint(dx, dy))))
                return true;
    return false;
}

// How far a pixel lies from a line between two pixels.
double distance(QLineF line, QPoint at)
{
    const QPointF d = line.p2() - line.p1();
    const double t = std::clamp(
            QPointF::dotProduct(QPointF(at) - line.p1(), d) / QPointF::dotProduct(d, d), 0.0, 1.0);
    const QPointF nearest = line.pointAt(t) - QPointF(at);
    return std::hypot(nearest.x(), nearest.y());
}

QList<QPoint> slantedPixels(QLineF line)
{
    QList<QPoint> pixels;
    for (int i = 0; i <= 20; ++i)
        pixels << pixelOf(line.pointAt(i / 20.0));
    return pixels;
}

QString describe(QPoint at, QRgb colour)
{
    return u"(%1, %2) is #%3"_s.arg(at.x()).arg(at.y()).arg(uint(colour & 0xffffff), 6, 16,
                                                            QChar(u'0'));
}

// A run of assignment "000" whose start line is at slot `start`, with `lines` right after it.
class Run : public SessionRun
{
public:
    Run(int start, const QStringList &lines)
        : SessionRun({.script = QStringList {u"000."_s} + lines, .scriptStart = start})
    { }

    PictureArea *area(const QString &name) const { return window->findChild<PictureArea *>(name); }
    QImage picture1() const { return area(u"Picture1"_s)->rendered(); }
    QImage picture2() const { return area(u"Picture2"_s)->rendered(); }
    int index() const { return session().scriptLineIndex; }
};

// Picture1 after a fresh run has drawn `routine` alone.
QImage drawnAlone(const QString &routine)
{
    Run run(1, {u"`routine "_s + routine});
    run.click(u"cmd_next_picture"_s);
    return run.picture1();
}

bool isBlank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixel(image, {x, y}) != white)
                return false;
    return true;
}

// Where `over` has drawn, `result` shows `over`; everywhere else it shows `under`.
bool drawnOver(const QImage &result, const QImage &under, const QImage &over)
{
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            const QRgb top = pixel(over, {x, y});
            const QRgb expected = top != white ? top : pixel(under, {x, y});
            if (pixel(result, {x, y}) != expected) {
                qWarning().noquote() << describe({x, y}, pixel(result, {x, y}));
                return false;
            }
        }
    }
    return true;
}

// `expected` is empty for a blank area, a routine name for that graph alone, or
// "graphN+graph1" for graph 1 drawn over graph N.
bool showsPicture(const QImage &picture, const QString &expected)
{
    QImage blank(devicePixels(), QImage::Format_RGB32);
    blank.fill(white);
    if (expected.isEmpty())
        return drawnOver(picture, blank, blank);
    const QStringList graphs = expected.split(u'+');
    return graphs.size() == 1 ? drawnOver(picture, blank, drawnAlone(graphs[0]))
                              : drawnOver(picture, drawnAlone(graphs[0]), drawnAlone(graphs[1]));
}

// Where `text` is written in black, whole inside the area, its ink inside the box the text takes
// when written at `at` (the top-left corner of its first character cell, in user units): a line
// high and as wide as the text, and a device pixel more each way, for glyphs fitted to pixels at
// fractional scales. So a text may stray only as far as its box allows, which a reader would not
// see as misplaced. Its ink's bounds, or an empty rectangle when it is not there.
QRect findText(const QImage &image, const PictureArea &area, const QString &text, QPointF at)
{
    const QFontMetricsF metrics(areaFont(area), &area);
    const QSizeF size = QSizeF(metrics.horizontalAdvance(text), metrics.height()) * ratio();
    const QRect box = QRect(pixelOf(at), QSize(std::ceil(size.width()), std::ceil(size.height())))
                              .adjusted(-1, -1, 1, 1);
    const int period = glyphPeriod();
    struct Ink
    {
        QList<QPoint> dots;
        QRect bounds;
    };
    QHash<QPoint, Ink> inks; // by the cell's place in the period
    // Every cell whose ink could lie inside the box.
    for (int y = qMax(0, box.top() - box.height()); y <= box.bottom(); ++y) {
        for (int x = qMax(0, box.left() - box.width()); x <= box.right(); ++x) {
            const QPoint cell(x, y);
            const QPoint phase(x % period, y % period);
            if (!inks.contains(phase)) {
                Ink &ink = inks[phase];
                ink.dots = textDots(area, text, phase);
                for (const QPoint &dot : std::as_const(ink.dots))
                    ink.bounds |= QRect(dot, QSize(1, 1));
            }
            const Ink &ink = inks[phase];
            if (!ink.bounds.isEmpty() && box.contains(ink.bounds.translated(cell))
                && image.rect().contains(ink.bounds.translated(cell))
                && std::all_of(ink.dots.cbegin(), ink.dots.cend(),
                               [&](QPoint dot) { return pixel(image, cell + dot) == black; }))
                return ink.bounds.translated(cell);
        }
    }
    return {};
}

// A number as the graphs write it: at most two decimals, no zero before the point.
QString written(double number)
{
    const double rounded = std::round(number * 100) / 100;
    QString text = QString::number(rounded);
    if (rounded != 0 && std::abs(rounded) < 1)
        text.remove(text.indexOf(u'0'), 1);
    return text;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void scaleCoversTheArea_data();
    void scaleCoversTheArea();
    void ownPictureShowsUnderTheDrawing();
    void printWritesInTheCellAndMovesToTheNextLine();
    void drawingsSurviveBeingCoveredAndUncovered();
    void drawingIsDrawnAgainAtANewSize();
    void aLongDrawingIsKeptAsItsPicture();
    void graphs_data();
    void graphs();
    void graph1DrawsOverWhatIsThere_data();
    void graph1DrawsOverWhatIsThere();
    void graphs2And3ClearTheArea_data();
    void graphs2And3ClearTheArea();
    void routineNames_data();
    void routineNames();
    void nextPicture_data();
    void nextPicture();
    void nextPictureAtTheLastSlots_data();
    void nextPictureAtTheLastSlots();
    void copyPicture_data();
    void copyPicture();
    void timerDrawsRoundCirclesAroundTheMiddle();
    void graph2ClearsTheCircles();
    void steppingThroughRoutineLinesDrawsTheGraphs();
};

void TestPictures::initTestCase()
{
    QApplication::setStyle(u"fusion"_s);
}

void TestPictures::scaleCoversTheArea_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("window_size") << areaSize;
    QTest::newRow("square") << QSize(100, 100);
    QTest::newRow("tall") << QSize(50, 300);
}

void TestPictures::scaleCoversTheArea()
{
    QFETCH(QSize, size);
    PictureArea area;
    area.resize(size);
    area.setScale(1000, 1000);
    // A frame just inside the user scale's edges lies on the area's outermost pixels.
    area.line({0, 0}, {999.9, 0});
    area.line({999.9, 0}, {999.9, 999.9}, Qt::red);
    area.fillRect({0, 999.9}, {999.9, 999.9}, Qt::green);
    area.line({500, 0}, {500, 999.9});
    const QImage image = area.rendered();
    QCOMPARE(image.size(), size);
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    QCOMPARE(pixel(image, {0, 0}), black);
    QCOMPARE(pixel(image, {right - 1, 0}), black);
    QCOMPARE(pixel(image, {right, 1}), red);
    QCOMPARE(pixel(image, {right, bottom - 1}), red);
    QCOMPARE(pixel(image, {0, bottom}), green);
    QCOMPARE(pixel(image, {right, bottom}), green);
    QCOMPARE(pixel(image, {size.width() / 2, size.height() / 2}), black);
    QCOMPARE(pixel(image, {0, size.height() / 2}), white);
    QCOMPARE(pixel(image, {size.width() / 2 - 1, size.height() / 2}), white);
    QCOMPARE(pixel(image, {size.width() / 2 + 1, size.height() / 2}), white);
}

void TestPictures::ownPictureShowsUnderTheDrawing()
{
    PictureArea area;
    area.resize(areaSize);
    area.setScale(1000, 1000);
    QImage own(40, 30, QImage::Format_RGB32);
    own.fill(Qt::blue);
    area.setOwnPicture(own);
    area.line({0, 50}, {999, 50});
    const QImage image = area.rendered();
    const int row = pixelOf({0, 50}).y();
    QCOMPARE(pixel(image, {5, row}), black);
    QCOMPARE(pixel(image, {100, row}), black);
    QCOMPARE(pixel(image, {5, row + 1}), qRgb(0, 0, 255));
    QCOMPARE(pixel(image, {39, 29}), qRgb(0, 0, 255));
    QCOMPARE(pixel(image, {40, 29}), white);
    QCOMPARE(pixel(image, {39, 30}), white);
    QCOMPARE(area.ownPicture(), own);
}

void TestPictures::printWritesInTheCellAndMovesToTheNextLine()
{
    PictureArea area;
    area.resize(areaSize);
    area.setScale(1000, 1000);
    area.setCurrentX(300);
    area.setCurrentY(50);
    area.print(u"Hg"_s);

    const QFontMetricsF metrics(areaFont(area), &area);
    const double nextLine = 50 + metrics.lineSpacing() * 1000 / areaSize.height();
    QCOMPARE(area.currentX(), 0.0);
    QCOMPARE(area.currentY(), nextLine);
    area.print(u"Hg"_s);

    const QImage image = area.rendered();
    const QPoint cell = pixelOf({300, 50});
    QRect first;
    QRect second;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = pixel(image, {x, y});
            QVERIFY2(colour == white || colour == black, qPrintable(describe({x, y}, colour)));
            if (colour == black)
                (x >= cell.x() ? first : second) |= QRect(x, y, 1, 1);
        }
    }
    const QRectF cellRect(cell, QSizeF(metrics.horizontalAdvance(u"Hg"_s), metrics.height()));
    QVERIFY(!first.isEmpty());
    QVERIFY2(cellRect.adjusted(-1, -1, 1, 1).contains(first), "the text stays in its cell");
    QVERIFY2(first.left() - cell.x() <= 2, "the text starts at the cell's left edge");
    QVERIFY2(first.top() - cell.y() <= metrics.ascent() / 2, "the text hangs from the cell's top");
    // The second text starts the next line, at the left edge.
    QVERIFY(!second.isEmpty());
    QVERIFY(second.left() <= 2);
    QCOMPARE(second.top() - first.top(), pixelOf({0, nextLine}).y() - cell.y());
}

void TestPictures::drawingsSurviveBeingCoveredAndUncovered()
{
    Run run(1, {u"`routine graph2"_s});
    run.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
    run.click(u"cmd_next_picture"_s);
    const QImage drawn = run.picture1();
    QVERIFY(!isBlank(drawn));

    run.window->hide();
    run.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
    PictureArea *area = run.area(u"Picture1"_s);
    area->repaint();
    QCOMPARE(area->grab().toImage().convertToFormat(drawn.format()), drawn);
}

void TestPictures::drawingIsDrawnAgainAtANewSize()
{
    const auto draw = [](PictureArea &area) {
        area.setScale(1000, 1000);
        area.line({0, 500}, {999, 500}, Qt::red);
        area.circle({500, 500}, 200);
        area.setCurrentX(100);
        area.setCurrentY(100);
        area.print(u"Hg"_s);
    };
    PictureArea resized;
    resized.resize(areaSize);
    draw(resized);
    resized.resize(areaSize * 2);
    PictureArea drawnAtThatSize;
    drawnAtThatSize.resize(areaSize * 2);
    draw(drawnAtThatSize);
    QCOMPARE(resized.rendered(), drawnAtThatSize.rendered());
}

void TestPictures::aLongDrawingIsKeptAsItsPicture()
{
    // As a timer left running draws it: the same circle, many more times than drawing calls are
    // kept.
    PictureArea area;
    area.resize(areaSize);
    area.setScale(1000, 1000);
    for (int i = 0; i < 5000; ++i)
        area.circle({500, 500}, 300);
    const QImage drawn = area.rendered();

    // At twice the size, the picture the early calls made shows scaled: each of its pixels a
    // block of four, where calls drawn again would give a line one pixel wide.
    area.resize(areaSize * 2);
    const QImage twice = area.rendered();
    int dark = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (pixel(drawn, {x, y}) != black)
                continue;
            ++dark;
            for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                QVERIFY2(pixel(twice, QPoint(2 * x, 2 * y) + corner) == black,
                         qPrintable(describe(QPoint(2 * x, 2 * y) + corner,
                                             pixel(twice, QPoint(2 * x, 2 * y) + corner))));
        }
    }
    QVERIFY(dark > 100);
    // Back at its size, it is the picture it was.
    area.resize(areaSize);
    QCOMPARE(area.rendered(), drawn);
}

void TestPictures::graphs_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<Graph>("graph");
    // The time axis runs right from 100, the value axis up from 900, on the 1000 by 1000 scale.
    QTest::newRow("graph1") << u"graph1"_s
                            << Graph {u"velocity v vs. clock time t"_s,
                                      u"v"_s,
                                      {100, 0, 100, {1, 2, 3, 4, 5, 6}, 950},
                                      {900, 0, -100, {1, 2, 3, 4}, 50},
                                      {{0, 0}, {6, 4}},
                                      {{3, 2}},
                                      {}};
    QTest::newRow("graph2") << u"graph2"_s
                            << Graph {u"Value y (dollars) vs. clock time t (months)"_s,
                                      u"y"_s,
                                      {100, 0, 50, {2, 4, 6, 8, 10, 12}, 950, {10, 12}},
                                      {900, 5000, -1, {5000, 5100, 5200, 5300, 5400, 5500}, 10},
                                      {{3, 5000}, {7, 5300}, {12, 5500}},
                                      {},
                                      {{red, {300, 850}, {470, 750}, {250, 650}},
                                       {red, {550, 550}, {720, 500}, {430, 450}}}};
    QTest::newRow("graph3") << u"graph3"_s
                            << Graph {u"Depth y (dollars) vs. clock time t (seconds)"_s,
                                      u"y"_s,
                                      {100, 0, 5, {20, 40, 60, 80, 100}, 950, {100}},
                                      {900, 0, -5, {20, 40, 60, 80, 100}, 10},
                                      {{10, 80}, {40, 40}, {90, 20}},
                                      {},
                                      {{red, {180, 440}, {320, 550}, {110, 650}},
                                       {green, {430, 640}, {570, 750}, {300, 750}}}};
}

void TestPictures::graphs()
{
    QFETCH(QString, routine);
    QFETCH(Graph, graph);
    Run run(1, {u"`routine "_s + routine});
    const PictureArea &area = *run.area(u"Picture1"_s);
    QCOMPARE(area.size(), areaSize);
    run.click(u"cmd_next_picture"_s);
    const QImage image = run.picture1();
    // A screen reader hears the title.
    QCOMPARE(area.accessibleDescription(), graph.title);

    // Every pixel drawn must belong to something the graph shows; each check below says what may
    // be dark, and in which colour.
    QHash<QPoint, QRgb> allowed;
    QList<QRect> texts;
    QList<QLineF> slanted; // in pixels, through the middle of the line's width
    const auto inked = [&](const QString &text, QPointF at) {
        const QRect found = findText(image, area, text, at);
        QVERIFY2(
                !found.isEmpty(),
                qPrintable(u"\"%1\" is not written at %2, %3"_s.arg(text).arg(at.x()).arg(at.y())));
        texts << found;
    };
    const auto straight = [&](QLineF line, QRgb colour, bool whole) {
        const QList<QPoint> pixels = pixelsOf(line);
        for (const QPoint &at : pixels) {
            allowed[at] = colour;
            if (whole)
                QVERIFY2(pixel(image, at) != white, qPrintable(describe(at, white)));
        }
    };
    const auto curve = [&](QLineF line) {
        for (const QPoint &at : slantedPixels(line))
            QVERIFY2(nearPixel(image, at, [](QRgb c) { return c == black; }),
                     qPrintable(u"no line near (%1, %2)"_s.arg(at.x()).arg(at.y())));
        const QPointF middle((lineWidth() - 1) / 2.0, (lineWidth() - 1) / 2.0);
        slanted << QLineF(pixelOf(line.p1()) + middle, pixelOf(line.p2()) + middle);
    };

    // The axes, crossing at the origin; the value axis may reach on down to the bottom edge.
    straight({0, 900, 900, 900}, black, true);
    straight({100, 100, 100, 900}, black, true);
    straight({100, 900, 100, 999.9}, black, false);
    // The grid: a line across at each value written, and one up every 100 units.
    for (const double value : graph.value.labels) {
        const double y = graph.value.position(value);
        if (y != 900)
            straight({100, y, 900, y}, black, true);
        inked(QString::number(value), {graph.value.labelsAt, y});
    }
    for (double x = 200; x <= 700; x += 100)
        straight({x, 100, x, 900}, black, true);
    for (const double time : graph.time.labels) {
        const double x = graph.time.position(time) - (graph.time.nudged.contains(time) ? 10 : 0);
        inked(QString::number(time), {x, graph.time.labelsAt});
    }
    // The title along the top, the axes' letters and arrows at their ends.
    inked(graph.title, {300, 50});
    inked(graph.letter, {50, 100});
    inked(u"^"_s, {90, 100});
    inked(u"t"_s, {900, 950});
    inked(u">"_s, {900, 870});

    // The curve through its points, and the X on each marked point.
    for (qsizetype i = 1; i < graph.curve.size(); ++i)
        curve({graph.at(graph.curve[i - 1]), graph.at(graph.curve[i])});
    for (const QPointF &point : graph.marked) {
        const QPointF at = graph.at(point);
        curve({at - QPointF(30, 30), at + QPointF(30, 30)});
        curve({at + QPointF(30, -30), at - QPointF(30, -30)});
    }
    // Each slope triangle in its colour, over everything it crosses, with its run, rise and slope
    // written beside it.
    for (qsizetype i = 0; i < graph.triangles.size(); ++i) {
        const Triangle &triangle = graph.triangles[i];
        const QPointF from = graph.curve[i];
        const QPointF to = graph.curve[i + 1];
        const QPointF corner = graph.at({to.x(), from.y()});
        const QLineF legs[] = {{graph.at(from), corner}, {corner, graph.at(to)}};
        for (const QLineF &leg : legs) {
            straight(leg, triangle.colour, false);
            const QSize dot(lineWidth(), lineWidth());
            const QRect start(pixelOf(leg.p1()), dot);
            const QRect end(pixelOf(leg.p2()), dot);
            for (const QPoint &at : pixelsOf(leg)) {
                if (!start.contains(at) && !end.contains(at))
                    QVERIFY2(pixel(image, at) == triangle.colour,
                             qPrintable(describe(at, pixel(image, at))));
            }
        }
        inked(u"run "_s + written(to.x() - from.x()), triangle.run);
        inked(u"rise "_s + written(to.y() - from.y()), triangle.rise);
        inked(u"slope "_s + written((to.y() - from.y()) / (to.x() - from.x())), triangle.slope);
    }

    // Nothing else is drawn.
    const double slantedReach = lineWidth() / 2.0 + 0.5;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPoint at(x, y);
            const QRgb colour = pixel(image, at);
            const bool blackMayBe = std::any_of(texts.cbegin(), texts.cend(),
                                                [at](const QRect &r) { return r.contains(at); })
                    || std::any_of(slanted.cbegin(), slanted.cend(), [&](const QLineF &line) {
                                        return distance(line, at) <= slantedReach;
                                    });
            QVERIFY2(colour == white || colour == allowed.value(at, white)
                             || (colour == black && (blackMayBe || allowed.contains(at))),
                     qPrintable(describe(at, colour)));
        }
    }
}

void TestPictures::graph1DrawsOverWhatIsThere_data()
{
    QTest::addColumn<QString>("first");
    QTest::newRow("over_graph1") << u"graph1"_s;
    QTest::newRow("over_graph2") << u"graph2"_s;
    QTest::newRow("over_graph3") << u"graph3"_s;
}

void TestPictures::graph1DrawsOverWhatIsThere()
{
    QFETCH(QString, first);
    Run run(1, {u"`routine "_s + first, QString(), u"`routine graph1"_s});
    run.click(u"cmd_next_picture"_s);
    QCOMPARE(run.index(), 4);
    // Over itself, graph 1 gives the same picture.
    QVERIFY(showsPicture(run.picture1(), first + u"+graph1"_s));
}

void TestPictures::graphs2And3ClearTheArea_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("clearing");
    QTest::newRow("graph2_after_graph1") << u"graph1"_s << u"graph2"_s;
    QTest::newRow("graph2_after_graph3") << u"graph3"_s << u"graph2"_s;
    QTest::newRow("graph3_after_graph1") << u"graph1"_s << u"graph3"_s;
    QTest::newRow("graph3_after_graph2") << u"graph2"_s << u"graph3"_s;
}

void TestPictures::graphs2And3ClearTheArea()
{
    QFETCH(QString, first);
    QFETCH(QString, clearing);
    Run run(1, {u"`routine "_s + first, QString(), u"`routine "_s + clearing});
    run.click(u"cmd_next_picture"_s);
    QCOMPARE(run.index(), 4);
    QVERIFY(showsPicture(run.picture1(), clearing));
}

void TestPictures::routineNames_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("drawn"); // empty when the program ends instead

    QTest::newRow("lower_case") << u"`routine graph2"_s << u"graph2"_s;
    QTest::newRow("capitals") << u"`ROUTINE GRAPH2"_s << u"graph2"_s;
    QTest::newRow("blank_inside") << u"`routine graph 3"_s << u"graph3"_s;
    QTest::newRow("hyphen_inside") << u"`Routine Graph-1"_s << u"graph1"_s;
    QTest::newRow("blanks_around") << u"`routine  graph3 "_s << u"graph3"_s;
    QTest::newRow("any_ninth_character") << u"`routine:graph2"_s << u"graph2"_s;
    QTest::newRow("no_blank_after_marker") << u"`routinegraph1"_s << QString();
    QTest::newRow("graph4") << u"`routine graph4"_s << QString();
    QTest::newRow("marker_alone") << u"`routine"_s << QString();
    QTest::newRow("marker_and_blank") << u"`routine "_s << QString();
    QTest::newRow("trailing_letter") << u"`routine graph1x"_s << QString();
    QTest::newRow("other_character") << u"`routine graph_1"_s << QString();
}

void TestPictures::routineNames()
{
    QFETCH(QString, line);
    QFETCH(QString, drawn);
    Run run(1, {line});
    const QStringList promptsBefore = run.student.promptsShown;
    run.click(u"cmd_next_picture"_s);
    QVERIFY(run.student.problems.isEmpty());
    QCOMPARE(run.student.promptsShown, promptsBefore);
    if (drawn.isEmpty()) {
        QCOMPARE(run.student.ends, 1);
        QVERIFY(run.window->hasEnded());
        QCOMPARE(run.index(), 1);
        QVERIFY(isBlank(run.picture1()));
    } else {
        QCOMPARE(run.student.ends, 0);
        QCOMPARE(run.index(), 2);
        QVERIFY(showsPicture(run.picture1(), drawn));
    }
}

void TestPictures::nextPicture_data()
{
    QTest::addColumn<QStringList>("lines"); // right after the start line, slot k
    QTest::addColumn<QList<int>>("indexes"); // after each click, counted from k
    QTest::addColumn<QStringList>("pictures"); // after each click

    QTest::newRow("no_routine_ahead")
            << QStringList {u"Some text"_s, u"`qA question"_s, u"`routine graph1"_s}
            << QList<int> {0, 0} << QStringList {QString(), QString()};
    QTest::newRow("routine_then_routine")
            << QStringList {u"`routine graph1"_s, u"`routine graph2"_s, u"Text"_s, u"Text"_s}
            << QList<int> {1, 2, 2} << QStringList {u"graph1"_s, u"graph2"_s, u"graph2"_s};
    QTest::newRow("routine_text_routine")
            << QStringList {u"`routine graph1"_s, u"Text"_s, u"`routine graph3"_s} << QList<int> {3}
            << QStringList {u"graph3"_s};
    QTest::newRow("routine_text_graph1")
            << QStringList {u"`routine graph3"_s, u"Text"_s, u"`routine graph1"_s} << QList<int> {3}
            << QStringList {u"graph3+graph1"_s};
    QTest::newRow("text_then_routine")
            << QStringList {u"Text"_s, u"`routine graph3"_s, u"`routine graph1"_s}
            << QList<int> {2, 3} << QStringList {u"graph3"_s, u"graph3+graph1"_s};
    QTest::newRow("empty_then_routine") << QStringList {QString(), u"`routine graph2"_s}
                                        << QList<int> {2} << QStringList {u"graph2"_s};
    QTest::newRow("three_routines")
            << QStringList {u"`routine graph1"_s, u"`routine graph2"_s, u"`routine graph3"_s}
            << QList<int> {3, 3} << QStringList {u"graph3"_s, u"graph3"_s};
}

void TestPictures::nextPicture()
{
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, indexes);
    QFETCH(QStringList, pictures);
    constexpr int start = 40;
    Run run(start, lines);
    QCOMPARE(run.index(), start);
    const auto *question = textBox(*run.window, u"txt_question"_s);
    const auto *answer = textBox(*run.window, u"txt_answer"_s);
    const QImage picture2 = run.picture2();

    for (qsizetype click = 0; click < indexes.size(); ++click) {
        run.click(u"cmd_next_picture"_s);
        QCOMPARE(run.index(), start + indexes[click]);
        QVERIFY(showsPicture(run.picture1(), pictures[click]));
    }
    QCOMPARE(run.student.ends, 0);
    QCOMPARE(question->toPlainText(), QString());
    QCOMPARE(answer->toPlainText(), u" "_s);
    QCOMPARE(run.picture2(), picture2);
}

void TestPictures::nextPictureAtTheLastSlots_data()
{
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<int>("indexAfter");
    QTest::addColumn<QString>("picture");
    QTest::newRow("routine_in_the_last_slot")
            << u"`routine graph2"_s << lastScriptSlot << u"graph2"_s;
    QTest::newRow("text_in_the_last_slot") << u"Text"_s << lastScriptSlot - 1 << QString();
}

void TestPictures::nextPictureAtTheLastSlots()
{
    QFETCH(QString, lastLine);
    QFETCH(int, indexAfter);
    QFETCH(QString, picture);
    Run run(lastScriptSlot - 1, {lastLine});
    QCOMPARE(run.index(), lastScriptSlot - 1);
    run.click(u"cmd_next_picture"_s);
    QCOMPARE(run.index(), indexAfter);
    QVERIFY(showsPicture(run.picture1(), picture));
    // Again, from there: nothing is left to look at.
    run.click(u"cmd_next_picture"_s);
    QCOMPARE(run.index(), indexAfter);
    QVERIFY(showsPicture(run.picture1(), picture));
    QCOMPARE(run.student.ends, 0);
    QVERIFY(run.student.problems.isEmpty());
}

void TestPictures::copyPicture_data()
{
    QTest::addColumn<QString>("clipboardHolds"); // "image", "text" or "nothing"
    QTest::newRow("image") << u"image"_s;
    QTest::newRow("text") << u"text"_s;
    QTest::newRow("nothing") << u"nothing"_s;
}

void TestPictures::copyPicture()
{
    QFETCH(QString, clipboardHolds);
    Run run(1, {u"`routine graph2"_s});
    run.click(u"cmd_next_picture"_s);
    const QImage picture1 = run.picture1();
    QClipboard *clipboard = QGuiApplication::clipboard();

    // Something copied earlier from another program shows in Picture2.
    QImage earlier(60, 40, QImage::Format_RGB32);
    earlier.fill(qRgb(0, 0, 255));
    clipboard->setImage(earlier);
    run.click(u"cmd_copy_picture"_s);
    QCOMPARE(run.area(u"Picture2"_s)->ownPicture().convertToFormat(earlier.format()), earlier);
    QCOMPARE(pixel(run.picture2(), {59, 39}), qRgb(0, 0, 255));
    QCOMPARE(pixel(run.picture2(), {60, 20}), white);
    QCOMPARE(run.picture1(), picture1);
    const QImage picture2 = run.picture2();

    QImage later(30, 90, QImage::Format_RGB32);
    later.fill(qRgb(200, 100, 0));
    if (clipboardHolds == u"image"_s)
        clipboard->setImage(later);
    else if (clipboardHolds == u"text"_s)
        clipboard->setText(u"copied words"_s);
    else
        clipboard->clear();
    run.click(u"cmd_copy_picture"_s);

    QCOMPARE(run.picture1(), picture1);
    QVERIFY(run.area(u"Picture1"_s)->ownPicture().isNull());
    if (clipboardHolds == u"image"_s) {
        QCOMPARE(clipboard->image().convertToFormat(later.format()), later);
        QCOMPARE(pixel(run.picture2(), {29, 89}), qRgb(200, 100, 0));
        QCOMPARE(pixel(run.picture2(), {30, 10}), white);
    } else {
        // Picture1 has no picture of its own to offer: the clipboard keeps what it holds.
        QVERIFY(clipboard->image().isNull());
        QCOMPARE(clipboard->text(), clipboardHolds == u"text"_s ? u"copied words"_s : QString());
        QCOMPARE(run.picture2(), picture2);
    }
    QCOMPARE(run.student.ends, 0);
}

void TestPictures::timerDrawsRoundCirclesAroundTheMiddle()
{
    Run run(1, {});
    auto *timer = run.window->findChild<QTimer *>(u"tmr_pend_exp"_s);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 15);
    QCOMPARE(run.student.beeps, 0);
    QVERIFY(isBlank(run.picture1()));

    const std::vector<double> cycle = {0.1, 0.3, 0.5, 0.7, 0.9};
    for (int i = 0; i < 1000; ++i)
        run.student.randoms.push_back(cycle[i % cycle.size()]);
    run.click(u"cmd_pend_exp"_s);
    QVERIFY(timer->isActive());
    QTRY_VERIFY(run.student.beeps >= int(cycle.size()));
    run.click(u"cmd_pend_exp"_s);
    QVERIFY(timer->isActive());
    const int ticks = run.student.beeps;
    const QImage image = run.picture1();
    QCOMPARE(run.student.randoms.size(), 1000 - std::size_t(ticks));

    // Radii in pixels, measured on the horizontal scale.
    QList<double> radii;
    for (const double r : cycle)
        radii << 500 * r * areaSize.width() / 1000;
    const QPoint centre = pixelOf({500, 500});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = pixel(image, {x, y});
            if (colour == white)
                continue;
            QCOMPARE(colour, black);
            const double distance = std::hypot(x - centre.x(), y - centre.y());
            QVERIFY2(std::any_of(radii.cbegin(), radii.cend(),
                                 [&](double r) { return std::abs(distance - r) <= 1.0; }),
                     qPrintable(describe({x, y}, colour)));
        }
    }
    const auto dark = [](QRgb c) {
        return c == black;
    };
    for (const double r : radii) {
        const int d = qRound(r);
        QVERIFY(nearPixel(image, centre + QPoint(d, 0), dark));
        QVERIFY(nearPixel(image, centre - QPoint(d, 0), dark));
        if (d < centre.y()) {
            QVERIFY(nearPixel(image, centre + QPoint(0, d), dark));
            QVERIFY(nearPixel(image, centre - QPoint(0, d), dark));
        }
    }
}

void TestPictures::graph2ClearsTheCircles()
{
    Run run(1, {u"`routine graph2"_s});
    run.student.randoms.assign(1000, 0.8);
    run.click(u"cmd_pend_exp"_s);
    QTRY_VERIFY(run.student.beeps >= 3);
    QVERIFY(!isBlank(run.picture1()));

    // Circles drawn after the graph stay small, inside a disc around the middle.
    run.student.randoms.assign(1000, 0.02);
    run.click(u"cmd_next_picture"_s);
    const QImage image = run.picture1();
    const QImage graph2 = drawnAlone(u"graph2"_s);
    const QPoint centre = pixelOf({500, 500});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (std::hypot(x - centre.x(), y - centre.y()) > 6)
                QVERIFY2(pixel(image, {x, y}) == pixel(graph2, {x, y}),
                         qPrintable(describe({x, y}, pixel(image, {x, y}))));
        }
    }
    // And the timer goes on adding circles over the graph.
    const int ticks = run.student.beeps;
    QTRY_VERIFY(run.student.beeps > ticks);
}

void TestPictures::steppingThroughRoutineLinesDrawsTheGraphs()
{
    Run run(1,
            {u"`routine graph2"_s, u"After graph 2"_s, u"`ROUTINE Graph-1"_s, u"After graph 1"_s,
             u"`Routine graph 3"_s, u"After graph 3"_s});
    const auto *question = textBox(*run.window, u"txt_question"_s);

    run.click(u"cmdNextQuestion"_s);
    QVERIFY(question->toPlainText().endsWith(u"After graph 2"_s));
    QVERIFY(showsPicture(run.picture1(), u"graph2"_s));
    run.click(u"cmdNextQuestion"_s);
    QVERIFY(question->toPlainText().endsWith(u"After graph 1"_s));
    QVERIFY(showsPicture(run.picture1(), u"graph2+graph1"_s));
    run.click(u"cmdNextQuestion"_s);
    QVERIFY(question->toPlainText().endsWith(u"After graph 3"_s));
    QVERIFY(showsPicture(run.picture1(), u"graph3"_s));
    QVERIFY(!question->toPlainText().contains(u"outine"_s));
    QCOMPARE(run.student.ends, 0);
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"

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

struct Text
{
    QPointF at;
    QString text;
};

struct ColouredLine
{
    QLineF line;
    QRgb colour;
};

// What a graph must show, as its table gives it.
struct GraphExpectation
{
    QList<QLineF> blackLines; // horizontal and vertical
    QList<QLineF> slantedLines;
    QList<ColouredLine> colouredLines; // drawn after every black line they cross
    QList<Text> texts;
};

} // namespace

Q_DECLARE_METATYPE(GraphExpectation)

namespace {

// The font the areas write with: their own, aliased.
QFont areaFont(const PictureArea &area)
{
    QFont font = area.font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage blankCanvas(const PictureArea &area)
{
    QImage image(devicePixels(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio());
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(qRound(area.logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(area.logicalDpiY() / 0.0254));
    return image;
}

// The ink of `text` alone, with the top-left corner of its first character cell at `at`.
QImage textInk(const PictureArea &area, const Text &text)
{
    QImage ink = blankCanvas(area);
    QPainter painter(&ink);
    painter.setFont(areaFont(area));
    painter.setPen(Qt::black);
    const QPointF cell = QPointF(pixelOf(text.at)) / ratio();
    painter.drawText(QPointF(cell.x(), cell.y() + QFontMetricsF(painter.font(), &ink).ascent()),
                     text.text);
    return ink;
}

QRect inkBounds(const QImage &ink)
{
    QRect bounds;
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            if (qAlpha(ink.pixel(x, y)) != 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
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
        : SessionRun(Options {u"000"_s, QStringList {u"000."_s} + lines, start})
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

QList<QLineF> horizontalGrid(const QList<double> &heights)
{
    QList<QLineF> lines;
    for (const double y : heights)
        lines << QLineF(100, y, 900, y);
    return lines;
}

QList<QLineF> verticalGrid()
{
    QList<QLineF> lines;
    for (const double x : {200, 300, 400, 500, 600, 700})
        lines << QLineF(x, 900, x, 100);
    return lines;
}

QList<Text> axisMarks(const QString &verticalLetter)
{
    return {{{900, 950}, u"t"_s},
            {{900, 870}, u">"_s},
            {{90, 100}, u"^"_s},
            {{50, 100}, verticalLetter}};
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
    TemporaryHome home;
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
    // As a timer left running draws it: many more circles than drawing calls are kept.
    PictureArea area;
    area.resize(areaSize);
    area.setScale(1000, 1000);
    for (int i = 0; i < 5000; ++i)
        area.circle({500, 500}, i / 10.0);
    const QImage drawn = area.rendered();
    // Drawn again at another size, then at this one.
    area.resize(areaSize * 2);
    QVERIFY(!area.rendered().isNull());
    area.resize(areaSize);
    QCOMPARE(area.rendered(), drawn);
}

void TestPictures::graphs_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<GraphExpectation>("expected");

    GraphExpectation graph1;
    graph1.blackLines = QList<QLineF> {{0, 900, 900, 900}, {100, 1000, 100, 100}}
            + horizontalGrid({500, 600, 700, 800}) + verticalGrid();
    graph1.slantedLines = {{100, 900, 700, 500}, {370, 670, 430, 730}, {430, 670, 370, 730}};
    graph1.texts = QList<Text> {{{300, 50}, u"velocity v vs. clock time t"_s}} + axisMarks(u"v"_s)
            + QList<Text> {{{50, 500}, u"4"_s},  {{50, 600}, u"3"_s},  {{50, 700}, u"2"_s},
                           {{50, 800}, u"1"_s},  {{200, 950}, u"1"_s}, {{300, 950}, u"2"_s},
                           {{400, 950}, u"3"_s}, {{500, 950}, u"4"_s}, {{600, 950}, u"5"_s},
                           {{700, 950}, u"6"_s}};
    QTest::newRow("graph1") << u"graph1"_s << graph1;

    GraphExpectation graph2;
    graph2.blackLines = QList<QLineF> {{0, 900, 900, 900}, {100, 100, 100, 900}}
            + horizontalGrid({400, 500, 600, 700, 800}) + verticalGrid();
    graph2.slantedLines = {{250, 900, 450, 600}, {450, 600, 700, 400}};
    graph2.colouredLines = {{{250, 900, 450, 900}, red},
                            {{450, 900, 450, 600}, red},
                            {{450, 600, 700, 600}, red},
                            {{700, 600, 700, 400}, red}};
    graph2.texts = QList<Text> {
        { { 10, 400 }, u"5500"_s },   { { 10, 500 }, u"5400"_s },     { { 10, 600 }, u"5300"_s },
        { { 10, 700 }, u"5200"_s },   { { 10, 800 }, u"5100"_s },     { { 10, 900 }, u"5000"_s },
        { { 200, 950 }, u"2"_s },     { { 300, 950 }, u"4"_s },       { { 400, 950 }, u"6"_s },
        { { 500, 950 }, u"8"_s },     { { 590, 950 }, u"10"_s },      { { 690, 950 }, u"12"_s },
        { { 300, 50 }, u"Value y (dollars) vs. clock time t (months)"_s },
        { { 300, 850 }, u"run 4"_s }, { { 470, 750 }, u"rise 300"_s }, { { 250, 650 }, u"slope 75"_s },
        { { 550, 550 }, u"run 5"_s }, { { 720, 500 }, u"rise 200"_s }, { { 430, 450 }, u"slope 40"_s },
    } + axisMarks(u"y"_s);
    QTest::newRow("graph2") << u"graph2"_s << graph2;

    GraphExpectation graph3;
    graph3.blackLines = QList<QLineF> {{0, 900, 900, 900}, {100, 900, 100, 100}}
            + horizontalGrid({400, 500, 600, 700, 800}) + verticalGrid();
    graph3.slantedLines = {{150, 500, 300, 700}, {300, 700, 550, 800}};
    graph3.colouredLines = {{{150, 500, 300, 500}, red},
                            {{300, 500, 300, 700}, red},
                            {{300, 700, 550, 700}, green},
                            {{550, 700, 550, 800}, green}};
    graph3.texts = QList<Text> {
        { { 10, 400 }, u"100"_s },     { { 10, 500 }, u"80"_s },        { { 10, 600 }, u"60"_s },
        { { 10, 700 }, u"40"_s },      { { 10, 800 }, u"20"_s },        { { 200, 950 }, u"20"_s },
        { { 300, 950 }, u"40"_s },     { { 400, 950 }, u"60"_s },       { { 500, 950 }, u"80"_s },
        { { 590, 950 }, u"100"_s },
        { { 300, 50 }, u"Depth y (dollars) vs. clock time t (seconds)"_s },
        { { 180, 440 }, u"run 30"_s }, { { 320, 550 }, u"rise -40"_s }, { { 110, 650 }, u"slope -1.33"_s },
        { { 430, 640 }, u"run 50"_s }, { { 570, 750 }, u"rise -20"_s }, { { 300, 750 }, u"slope -.4"_s },
    } + axisMarks(u"y"_s);
    QTest::newRow("graph3") << u"graph3"_s << graph3;
}

void TestPictures::graphs()
{
    QFETCH(QString, routine);
    QFETCH(GraphExpectation, expected);
    TemporaryHome home;
    Run run(1, {u"`routine "_s + routine});
    const PictureArea &area = *run.area(u"Picture1"_s);
    QCOMPARE(area.size(), areaSize);
    run.click(u"cmd_next_picture"_s);
    const QImage image = run.picture1();

    // Where each pixel may be drawn, and in which colour it must be where that is fixed.
    QHash<QPoint, QRgb> fixed;
    QList<QRect> mayBeDark;
    QList<QLineF> slanted; // in pixels, through the middle of the line's width
    const double slantedReach = lineWidth() / 2.0 + 0.5;
    const auto inkMayBeAt = [&](QPoint at) {
        return std::any_of(mayBeDark.cbegin(), mayBeDark.cend(),
                           [at](const QRect &r) { return r.contains(at); })
                || std::any_of(slanted.cbegin(), slanted.cend(), [&](const QLineF &line) {
                       return distance(line, at) <= slantedReach;
                   });
    };
    for (const QLineF &line : expected.blackLines)
        for (const QPoint &at : pixelsOf(line))
            fixed[at] = black;
    for (const ColouredLine &coloured : expected.colouredLines) {
        const QList<QPoint> pixels = pixelsOf(coloured.line);
        for (const QPoint &at : pixels)
            fixed[at] = coloured.colour;
        // Each covers its whole length: check its inside, where no other line meets it.
        const QSize dot(lineWidth(), lineWidth());
        const QRect start(pixelOf(coloured.line.p1()), dot);
        const QRect end(pixelOf(coloured.line.p2()), dot);
        for (const QPoint &at : pixels) {
            if (!start.contains(at) && !end.contains(at))
                QVERIFY2(pixel(image, at) == coloured.colour,
                         qPrintable(describe(at, pixel(image, at))));
        }
    }
    for (const QLineF &line : expected.slantedLines) {
        for (const QPoint &at : slantedPixels(line)) {
            QVERIFY2(nearPixel(image, at, [](QRgb c) { return c != white; }),
                     qPrintable(u"no line near (%1, %2)"_s.arg(at.x()).arg(at.y())));
        }
        const QPointF middle((lineWidth() - 1) / 2.0, (lineWidth() - 1) / 2.0);
        slanted << QLineF(pixelOf(line.p1()) + middle, pixelOf(line.p2()) + middle);
    }
    for (const Text &text : expected.texts) {
        const QImage ink = textInk(area, text);
        const QRect bounds = inkBounds(ink);
        QVERIFY2(!bounds.isEmpty(), qPrintable(text.text));
        // Every text, the longest title too, ends inside the area.
        QVERIFY2(pixelOf(text.at).x()
                                 + QFontMetricsF(areaFont(area), &area).horizontalAdvance(text.text)
                                         * ratio()
                         <= devicePixels().width(),
                 qPrintable(text.text));
        mayBeDark << bounds;
        for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
            for (int x = bounds.left(); x <= bounds.right(); ++x) {
                if (qAlpha(ink.pixel(x, y)) != 0)
                    QVERIFY2(pixel(image, {x, y}) == black,
                             qPrintable(text.text + u": "_s
                                        + describe({x, y}, pixel(image, {x, y}))));
            }
        }
    }
    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it) {
        const QRgb colour = pixel(image, it.key());
        QVERIFY2(colour == it.value() || (inkMayBeAt(it.key()) && colour == black),
                 qPrintable(describe(it.key(), colour)));
    }
    // Nothing is drawn anywhere else.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPoint at(x, y);
            if (pixel(image, at) == white || fixed.contains(at))
                continue;
            QVERIFY2(inkMayBeAt(at) && pixel(image, at) == black,
                     qPrintable(describe(at, pixel(image, at))));
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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
    TemporaryHome home;
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

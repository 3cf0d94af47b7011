#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <vector>

class QColor;
class QPainter;

// A picture area: white, with a user scale over its whole size (origin top-left, y down).
// It shows its own picture, if it has one, from the top-left corner at its natural size, and over
// that whatever has been drawn on it. Drawings are kept in an image at the screen's device pixels,
// so they survive the area being covered and uncovered. When the area moves to a screen of another
// scale they are drawn again from the calls that made them since the last fill of the whole area;
// past a few thousand calls (a timer left running) the picture those made stands in for them, and
// is scaled instead. Lines (one device pixel wide at 1x, as many whole device pixels as the scale
// rounds to on other screens) and texts (in the area's small font) are drawn without
// antialiasing, in the foreground colour unless a line is given another. A screen reader sees a
// named graphic, described by what was drawn last; it takes no keyboard focus, as nothing in it
// answers to a key.
class PictureArea : public QWidget
{
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);

    void setScale(double scaleWidth, double scaleHeight);
    double scaleWidth() const { return m_scaleWidth; }
    double scaleHeight() const { return m_scaleHeight; }

    // The device pixel holding a point given in user units.
    QPoint toPixel(QPointF user) const;
    // How many device pixels wide a line is: its dots are this many pixels square.
    int lineWidth() const;

    // Drawing, in user units. Both corners of a rectangle and both end points of a line are
    // inside what is drawn.
    void line(QPointF from, QPointF to);
    void line(QPointF from, QPointF to, const QColor &color);
    void fillRect(QPointF corner, QPointF oppositeCorner, const QColor &color);
    // A circle outline in the foreground colour, round on screen: the radius is measured on the
    // horizontal scale.
    void circle(QPointF centre, double radius);

    double currentX() const { return m_currentX; }
    double currentY() const { return m_currentY; }
    void setCurrentX(double x) { m_currentX = x; }
    void setCurrentY(double y) { m_currentY = y; }
    // Writes `text` with the top-left corner of its first character cell at the current
    // position, then moves the position to the start of the next text line.
    void print(const QString &text);

    // Tells a screen reader what the area shows, such as a graph's title.
    void describe(const QString &whatIsDrawn);

    const QImage &ownPicture() const { return m_ownPicture; }
    void setOwnPicture(const QImage &picture);

    // What the area shows, at device pixels: background, own picture and drawing.
    QImage rendered() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // One drawing call, painting in device pixels; kept to be drawn again at another scale.
    using DrawingCall = std::function<void(QPainter &)>;

    // The area's size in device pixels, and a distance in user units as device pixels, and back.
    QSize devicePixels() const;
    QPointF toPixels(QPointF units) const;
    QPointF toUnits(QPointF pixels) const;
    // Where a line through the dot at `user` runs: the middle of the dot.
    QPointF dotMiddle(QPointF user) const;
    QColor foreground() const;
    void draw(DrawingCall call);
    // The drawing at the area's size and device pixel ratio, drawn again first if either changed.
    const QImage &canvas() const;
    void beginDrawing(QPainter &painter, QImage &image) const;
    void paintPicture(QPainter &painter) const;

    double m_scaleWidth = 0;
    double m_scaleHeight = 0;
    double m_currentX = 0;
    double m_currentY = 0;
    QImage m_ownPicture;
    // The calls since the last fill of the whole area, or since the last time they grew past a few
    // thousand and the picture they made took their place (the experiment timer adds one a tick).
    std::vector<DrawingCall> m_drawing;
    QImage m_earlierDrawing; // the picture of the calls let go, scaled under the calls kept since

    mutable QImage m_canvas; // transparent where nothing has been drawn
};

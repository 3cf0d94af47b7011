#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QColor;
class QPainter;

// A picture area: white, with a user scale over its whole size (origin top-left, y down).
// It shows its own picture, if it has one, from the top-left corner at its natural size, and over
// that whatever has been drawn on it. Drawings are kept in an image of the area's size, so they
// survive the area being covered and uncovered. Lines (one pixel wide) and texts (in the area's
// small font) are drawn without antialiasing, in the foreground colour unless a line is given
// another.
class PictureArea : public QWidget
{
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);

    void setScale(double scaleWidth, double scaleHeight);
    double scaleWidth() const { return m_scaleWidth; }
    double scaleHeight() const { return m_scaleHeight; }

    // The pixel holding a point given in user units.
    QPoint toPixel(QPointF user) const;

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

    const QImage &ownPicture() const { return m_ownPicture; }
    void setOwnPicture(const QImage &picture);

    // What the area shows: background, own picture and drawing, without the focus frame.
    QImage rendered() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // A distance in user units as pixels, and back.
    QPointF toPixels(QPointF units) const;
    QPointF toUnits(QPointF pixels) const;
    QColor foreground() const;
    // The drawing layer, made the area's size first if the area has been resized.
    QImage &canvas();
    void beginDrawing(QPainter &painter);
    void paintPicture(QPainter &painter) const;

    double m_scaleWidth = 0;
    double m_scaleHeight = 0;
    double m_currentX = 0;
    double m_currentY = 0;
    QImage m_ownPicture;
    QImage m_canvas; // transparent where nothing has been drawn
};

#include "picture_area.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QtMath>

PictureArea::PictureArea(QWidget *parent) : QWidget(parent)
{
    // paintEvent covers every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    // A small face: the graphs' texts are placed for a character cell about 6% of the area's
    // height, and their longest titles must end inside the area.
    QFont font = this->font();
    font.setPointSizeF(8);
    setFont(font);
}

void PictureArea::setScale(double scaleWidth, double scaleHeight)
{
    m_scaleWidth = scaleWidth;
    m_scaleHeight = scaleHeight;
}

namespace {

// Until a scale is set, or while the area has no size, a unit is a pixel. Multiplying before
// dividing keeps whole-unit points exact, so they never slip into the pixel before theirs.
double scaled(double value, double to, double from)
{
    return to > 0 && from > 0 ? value * to / from : value;
}

} // namespace

QPointF PictureArea::toPixels(QPointF units) const
{
    return {scaled(units.x(), width(), m_scaleWidth), scaled(units.y(), height(), m_scaleHeight)};
}

QPointF PictureArea::toUnits(QPointF pixels) const
{
    return {scaled(pixels.x(), m_scaleWidth, width()), scaled(pixels.y(), m_scaleHeight, height())};
}

QPoint PictureArea::toPixel(QPointF user) const
{
    const QPointF pixels = toPixels(user);
    return {qFloor(pixels.x()), qFloor(pixels.y())};
}

QColor PictureArea::foreground() const
{
    return palette().color(QPalette::WindowText);
}

QImage &PictureArea::canvas()
{
    if (m_canvas.size() != size()) {
        QImage resized(size(), QImage::Format_ARGB32_Premultiplied);
        resized.fill(Qt::transparent);
        // Texts are sized for the screen the area is on, not for a generic image.
        resized.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
        resized.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
        if (!m_canvas.isNull())
            QPainter(&resized).drawImage(0, 0, m_canvas);
        m_canvas = resized;
    }
    return m_canvas;
}

void PictureArea::beginDrawing(QPainter &painter)
{
    painter.begin(&canvas());
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(foreground(), 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    // Aliased like the lines, so every drawn pixel is the foreground: drawing a text again over
    // itself changes nothing.
    QFont font = this->font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
}

void PictureArea::line(QPointF from, QPointF to)
{
    line(from, to, foreground());
}

void PictureArea::line(QPointF from, QPointF to, const QColor &color)
{
    QPainter painter;
    beginDrawing(painter);
    QPen pen = painter.pen();
    pen.setColor(color);
    painter.setPen(pen);
    painter.drawLine(toPixel(from), toPixel(to));
    update();
}

void PictureArea::fillRect(QPointF corner, QPointF oppositeCorner, const QColor &color)
{
    QPainter painter;
    beginDrawing(painter);
    painter.fillRect(QRect(toPixel(corner), toPixel(oppositeCorner)).normalized(), color);
    update();
}

void PictureArea::circle(QPointF centre, double radius)
{
    const double pixels = toPixels({radius, 0}).x();
    QPainter painter;
    beginDrawing(painter);
    // Around the middle of the centre's pixel, as lines pass through the middle of theirs.
    painter.drawEllipse(QPointF(toPixel(centre)) + QPointF(0.5, 0.5), pixels, pixels);
    update();
}

void PictureArea::print(const QString &text)
{
    QPainter painter;
    beginDrawing(painter);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QPoint cell = toPixel({m_currentX, m_currentY});
    painter.drawText(QPointF(cell.x(), cell.y() + metrics.ascent()), text);
    m_currentX = 0;
    m_currentY += toUnits({0, metrics.lineSpacing()}).y();
    update();
}

void PictureArea::setOwnPicture(const QImage &picture)
{
    m_ownPicture = picture;
    update();
}

void PictureArea::paintPicture(QPainter &painter) const
{
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawImage(0, 0, m_ownPicture);
    painter.drawImage(0, 0, m_canvas);
}

QImage PictureArea::rendered() const
{
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    paintPicture(painter);
    return image;
}

void PictureArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintPicture(painter);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

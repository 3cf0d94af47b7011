#include "picture_area.h"

#include <QFontMetricsF>
#include <QPainter>
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
    // Drawn without antialiasing, glyphs fitted to whole pixels keep their shapes and spacing.
    font.setHintingPreference(QFont::PreferFullHinting);
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

QSize PictureArea::devicePixels() const
{
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

QPointF PictureArea::toPixels(QPointF units) const
{
    return {scaled(units.x(), devicePixels().width(), m_scaleWidth),
            scaled(units.y(), devicePixels().height(), m_scaleHeight)};
}

QPointF PictureArea::toUnits(QPointF pixels) const
{
    return {scaled(pixels.x(), m_scaleWidth, devicePixels().width()),
            scaled(pixels.y(), m_scaleHeight, devicePixels().height())};
}

QPoint PictureArea::toPixel(QPointF user) const
{
    const QPointF pixels = toPixels(user);
    return {qFloor(pixels.x()), qFloor(pixels.y())};
}

int PictureArea::lineWidth() const
{
    // Whole device pixels keep every line, slanted ones too, of one width along its length.
    return qMax(1, qRound(devicePixelRatioF()));
}

QPointF PictureArea::dotMiddle(QPointF user) const
{
    return QPointF(toPixel(user)) + QPointF(lineWidth(), lineWidth()) / 2;
}

QColor PictureArea::foreground() const
{
    return palette().color(QPalette::WindowText);
}

void PictureArea::beginDrawing(QPainter &painter, QImage &image) const
{
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Aliased like the lines, so every drawn pixel is the foreground: drawing a text again over
    // itself changes nothing.
    QFont font = this->font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    // Geometry in device pixels; texts set their own transform.
    painter.setTransform(
            QTransform::fromScale(1 / image.devicePixelRatio(), 1 / image.devicePixelRatio()));
}

const QImage &PictureArea::canvas() const
{
    const double ratio = devicePixelRatioF();
    if (m_canvas.size() != devicePixels() || m_canvas.devicePixelRatio() != ratio) {
        m_canvas = QImage(devicePixels(), QImage::Format_ARGB32_Premultiplied);
        m_canvas.setDevicePixelRatio(ratio);
        m_canvas.fill(Qt::transparent);
        // Texts are sized for the screen the area is on, not for a generic image.
        m_canvas.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
        m_canvas.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
        QPainter painter;
        beginDrawing(painter, m_canvas);
        painter.drawImage(QRect(QPoint(), devicePixels()), m_earlierDrawing);
        for (const DrawingCall &call : m_drawing)
            call(painter);
    }
    return m_canvas;
}

void PictureArea::draw(DrawingCall call)
{
    canvas(); // at the current size and scale first
    QPainter painter;
    beginDrawing(painter, m_canvas);
    call(painter);
    m_drawing.push_back(std::move(call));
    // Past a few thousand calls, the picture they made stands in for them, so that a timer left
    // running does not keep every circle it drew.
    constexpr std::size_t keptCalls = 4096;
    if (m_drawing.size() > keptCalls) {
        painter.end();
        m_earlierDrawing = m_canvas;
        m_drawing.clear();
    }
    update();
}

void PictureArea::line(QPointF from, QPointF to)
{
    line(from, to, foreground());
}

void PictureArea::line(QPointF from, QPointF to, const QColor &color)
{
    draw([this, from, to, color](QPainter &painter) {
        // Square caps cover the dots at both ends whole.
        painter.setPen(QPen(color, lineWidth(), Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(dotMiddle(from), dotMiddle(to));
    });
}

void PictureArea::fillRect(QPointF corner, QPointF oppositeCorner, const QColor &color)
{
    const QRectF filled = QRectF(corner, oppositeCorner).normalized();
    // Nothing drawn before a fill of the whole area can show again.
    if (color.alpha() == 255 && filled.contains(QRectF(0, 0, m_scaleWidth, m_scaleHeight))) {
        m_drawing.clear();
        m_earlierDrawing = QImage();
    }
    draw([this, filled, color](QPainter &painter) {
        const QPoint dot(lineWidth() - 1, lineWidth() - 1);
        painter.fillRect(QRect(toPixel(filled.topLeft()), toPixel(filled.bottomRight()) + dot),
                         color);
    });
}

void PictureArea::circle(QPointF centre, double radius)
{
    draw([this, centre, radius](QPainter &painter) {
        const double pixels = toPixels({radius, 0}).x();
        painter.setPen(QPen(foreground(), lineWidth()));
        painter.drawEllipse(dotMiddle(centre), pixels, pixels);
    });
}

void PictureArea::print(const QString &text)
{
    const QPointF cell(m_currentX, m_currentY);
    draw([this, cell, text](QPainter &painter) {
        // In the screen's coordinates, where the font has its size: the glyphs are still drawn
        // at the image's device pixels, from the cell's device pixel.
        painter.save();
        painter.resetTransform();
        const QPointF topLeft = QPointF(toPixel(cell)) / devicePixelRatioF();
        const double ascent = QFontMetricsF(painter.font(), painter.device()).ascent();
        painter.drawText(topLeft + QPointF(0, ascent), text);
        painter.restore();
    });
    const QFontMetricsF metrics(font(), this);
    m_currentX = 0;
    m_currentY += toUnits({0, metrics.lineSpacing() * devicePixelRatioF()}).y();
}

void PictureArea::describe(const QString &whatIsDrawn)
{
    // A timer describes the area again at every tick; a screen reader hears of changes only.
    if (accessibleDescription() != whatIsDrawn)
        setAccessibleDescription(whatIsDrawn);
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
    painter.drawImage(0, 0, canvas());
}

QImage PictureArea::rendered() const
{
    QImage image(canvas().size(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(canvas().devicePixelRatio());
    QPainter painter(&image);
    paintPicture(painter);
    return image;
}

void PictureArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintPicture(painter);
}

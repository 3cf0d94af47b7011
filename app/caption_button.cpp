#include "caption_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

CaptionButton::CaptionButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{ }

QRect CaptionButton::captionRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    return QRect(contents.left(), frame, contents.width(), height() - 2 * frame);
}

void CaptionButton::drawCaption(QPainter &painter, const QRect &area) const
{
    QTextLayout layout(text(), font(), this);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(area.width());
    layout.endLayout();

    // The ink is centred, from the top of the first line's letters to the bottom of the last's,
    // with a pixel to spare for the smoothed edges of the letters.
    const QFontMetricsF metrics(font(), this);
    const auto inkOf = [&](const QTextLine &line) {
        return metrics.tightBoundingRect(text().mid(line.textStart(), line.textLength()));
    };
    const int lines = layout.lineCount();
    const qreal above = -inkOf(layout.lineAt(0)).top();
    const qreal below = inkOf(layout.lineAt(lines - 1)).bottom();
    qreal pitch = metrics.lineSpacing();
    if (lines > 1)
        pitch = std::min(pitch, (area.height() - 1 - above - below) / (lines - 1));
    const qreal baseline = (area.height() - above - (lines - 1) * pitch - below) / 2 + above;
    for (int i = 0; i < lines; ++i) {
        QTextLine line = layout.lineAt(i);
        line.setPosition(QPointF(0, baseline + i * pitch - line.ascent()));
    }
    layout.draw(&painter, area.topLeft());
}

void CaptionButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(option.palette.color(QPalette::ButtonText));
    drawCaption(painter, captionRect());
}

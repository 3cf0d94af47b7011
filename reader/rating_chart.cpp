#include "rating_chart.h"

#include <QPainter>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

const std::array<QString, RatingChart::barCount> RatingChart::barNames {
        u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"other"_s, u"none"_s};

int RatingChart::barOf(const QString &rating, bool asked)
{
    const QString typed = rating.trimmed();
    if (!asked || typed.isEmpty())
        return 5;
    const int found
            = int(std::find(barNames.begin(), barNames.begin() + 4, typed) - barNames.begin());
    return found < 4 ? found : 4;
}

RatingChart::RatingChart(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(tr("Ratings chart"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void RatingChart::setCounts(const Counts &counts)
{
    m_counts = counts;
    QStringList description;
    for (int i = 0; i < barCount; ++i)
        description.append(tr("%1: %2").arg(barNames[i]).arg(counts[i]));
    setAccessibleDescription(description.join(u", "_s));
    update();
}

QSize RatingChart::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(u'0') * 40, fontMetrics().height() * 9);
}

QSize RatingChart::minimumSizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(u"other"_s) * barCount * 3 / 2,
                 fontMetrics().height() * 6);
}

QRect RatingChart::plotArea() const
{
    // Room above for the counts and below for the names.
    const int line = fontMetrics().height();
    return rect().adjusted(line, line * 3 / 2, -line, -line * 3 / 2);
}

QRect RatingChart::barRect(int index) const
{
    const QRect area = plotArea();
    const int slot = area.width() / barCount;
    const int most = std::max(1, *std::max_element(m_counts.begin(), m_counts.end()));
    const int height = area.height() * m_counts[index] / most;
    return QRect(area.left() + slot * index + slot / 6, area.bottom() + 1 - height, slot * 2 / 3,
                 height);
}

void RatingChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor ink = palette().color(QPalette::Text);
    const QRect area = plotArea();
    painter.setPen(ink);
    painter.drawLine(area.bottomLeft() + QPoint(0, 1), area.bottomRight() + QPoint(0, 1));
    const int line = fontMetrics().height();
    for (int i = 0; i < barCount; ++i) {
        const QRect bar = barRect(i);
        painter.fillRect(bar, ink);
        const QRect column(bar.left() - bar.width() / 4, 0, bar.width() * 3 / 2, height());
        painter.drawText(QRect(column.left(), bar.top() - line, column.width(), line),
                         Qt::AlignCenter, QString::number(m_counts[i]));
        painter.drawText(QRect(column.left(), area.bottom() + 2, column.width(), line),
                         Qt::AlignCenter, barNames[i]);
    }
}

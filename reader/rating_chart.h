#pragma once

#include <QWidget>

#include <array>

// A bar chart of the ratings given to one question: 0, 1, 2, 3, other and none, each bar with its
// count above it and its name below, in black on white so that it prints as it shows.
class RatingChart : public QWidget
{
    Q_OBJECT

public:
    static constexpr int barCount = 6;
    using Counts = std::array<int, barCount>;
    static const std::array<QString, barCount> barNames;

    // The bar a rating as typed goes to: 0 to 3 (blanks around it aside), other, or none when the
    // rating was cancelled or not asked.
    static int barOf(const QString &rating, bool asked);

    explicit RatingChart(QWidget *parent = nullptr);

    void setCounts(const Counts &counts);
    const Counts &counts() const { return m_counts; }
    // Where bar `index` stands, in the widget's coordinates.
    QRect barRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect plotArea() const;

    Counts m_counts {};
};

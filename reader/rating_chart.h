#pragma once

#include <QWidget>

// A bar chart of the ratings given to one question: 0, 1, 2, 3, other and none.
class RatingChart : public QWidget
{
    Q_OBJECT

public:
    explicit RatingChart(QWidget *parent = nullptr);
};

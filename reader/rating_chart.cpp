#include "rating_chart.h"

RatingChart::RatingChart(QWidget *parent) : QWidget(parent) { }

#pragma once

#include <QWidget>

// A picture area: white, with a user scale over its whole size (origin top-left, y down).
class PictureArea : public QWidget
{
    Q_OBJECT
public:
    explicit PictureArea(QWidget *parent = nullptr);

    void setScale(double scaleWidth, double scaleHeight);
    double scaleWidth() const { return m_scaleWidth; }
    double scaleHeight() const { return m_scaleHeight; }

private:
    double m_scaleWidth = 0;
    double m_scaleHeight = 0;
};

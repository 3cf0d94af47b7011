#include "picture_area.h"

PictureArea::PictureArea(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
}

void PictureArea::setScale(double scaleWidth, double scaleHeight)
{
    m_scaleWidth = scaleWidth;
    m_scaleHeight = scaleHeight;
}

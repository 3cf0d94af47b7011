#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider than the button, as the
// window's small buttons need.
class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    CaptionButton(const QString &caption, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

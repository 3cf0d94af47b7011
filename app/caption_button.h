#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider than the button, as the
// window's small buttons need.
class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    CaptionButton(const QString &caption, QWidget *parent);

    // How the caption is laid out: where, and with which alignment and wrapping.
    QRect captionRect() const;
    static constexpr int captionFlags = Qt::AlignCenter | Qt::TextWordWrap;

protected:
    void paintEvent(QPaintEvent *event) override;
};

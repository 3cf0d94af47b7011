#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider than the button, as the
// window's small buttons need.
class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    CaptionButton(const QString &caption, QWidget *parent);

    // Where the caption goes: as wide as the style's place for the button's contents, as high as
    // the inside of its frame (two lines of the window's face need more than a small button's
    // contents have).
    QRect captionRect() const;
    // Draws the caption in `area`, nothing clipped: centred, word-wrapped, its lines a line
    // spacing apart, or as much closer as it takes for all of them to fit the area's height.
    void drawCaption(QPainter &painter, const QRect &area) const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

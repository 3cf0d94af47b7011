#pragma once

#include <QWidget>

// Tells a screen reader what it would otherwise miss, such as text added to a box that does not
// have the focus (a screen reader reads out changes to the focused control only). It is an
// invisible notification that appears anew with each message: a screen reader reads a
// notification when it appears. It takes no room, no focus and no clicks.
class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget *parent);

    void announce(const QString &message);
};

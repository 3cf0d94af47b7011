#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

// Tells a screen reader what it would otherwise miss, such as text added to a box that does not
// have the focus (a screen reader reads out changes to the focused control only). It is an
// invisible notification that appears anew with each message: a screen reader reads a
// notification when it appears. It takes no room, no focus and no clicks.
//
// The message is the text of a label inside it, not the notification's name: Orca puts a
// notification's labels on the braille line and into its notification history, and drops a
// label that repeats the name.
class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget *parent);

    // Read out once the event being handled is done, together with what else it announces.
    void announce(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void appearSoon();
    void appear();

    QLabel *m_text;
    QStringList m_messages; // not read out yet
    bool m_queued = false;
};

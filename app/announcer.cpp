#include "announcer.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

Announcer::Announcer(QWidget *parent) : QWidget(parent), m_text(new QLabel(this))
{
    setFixedSize(0, 0);
    hide();
    window()->installEventFilter(this);
}

void Announcer::announce(const QString &message)
{
    m_messages.append(message);
    appearSoon();
}

bool Announcer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        appearSoon();
    return QWidget::eventFilter(watched, event);
}

void Announcer::appearSoon()
{
    // A screen reader reads the notification's text when it gets to the notification, which may
    // be after the next one has appeared: what one event tells appears once, as one text. It
    // waits for the window to be active (at start-up, or while a prompt is closing), as the
    // screen reader would cut it off to read the control the activation focuses; and the queue
    // puts it after that focus.
    if (m_messages.isEmpty() || m_queued || !window()->isActiveWindow())
        return;
    m_queued = true;
    QTimer::singleShot(0, this, &Announcer::appear);
}

void Announcer::appear()
{
    m_queued = false;
    m_text->setText(m_messages.join(u' '));
    m_messages.clear();
    // Appearing is what is read out, so a second message must appear again.
    hide();
    show();
}

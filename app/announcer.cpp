#include "announcer.h"

Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    setFixedSize(0, 0);
    hide();
}

void Announcer::announce(const QString &message)
{
    setAccessibleName(message);
    // Appearing is what is read out, so a second message must appear again.
    hide();
    show();
}

#include "announcer.h"

#include <QAccessibleWidget>

namespace {

QAccessibleInterface *accessibleNotification(const QString &className, QObject *object)
{
    if (className == QLatin1String(Announcer::staticMetaObject.className()))
        return new QAccessibleWidget(qobject_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    static const bool accessibleAsANotification
            = (QAccessible::installFactory(accessibleNotification), true);
    Q_UNUSED(accessibleAsANotification);
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

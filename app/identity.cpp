#include "identity.h"

#include <QApplication>
#include <QIcon>

void setProgramIdentity()
{
    QApplication::setApplicationName(QStringLiteral("q_a_interface"));
    QApplication::setOrganizationName(QStringLiteral("Physics II course team"));
    QApplication::setApplicationVersion(QStringLiteral(Q_A_VERSION));
    // Ties the window to the menu entry, q_a_interface.desktop.
    QApplication::setDesktopFileName(QStringLiteral("q_a_interface"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/q_a_interface_%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

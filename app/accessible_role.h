#pragma once

#include <QAccessibleWidget>

namespace detail {

template<typename Widget, QAccessible::Role role>
QAccessibleInterface *accessibleAs(const QString &className, QObject *object)
{
    if (className == QLatin1String(Widget::staticMetaObject.className()))
        return new QAccessibleWidget(qobject_cast<QWidget *>(object), role);
    return nullptr;
}

} // namespace detail

// Shows every widget of class `Widget` to assistive technology in `role`, rather than as the
// plain client area or filler that Qt makes of a widget class it does not know. Called once, at
// start-up, before the first such widget is made.
template<typename Widget, QAccessible::Role role> void showAccessibleAs()
{
    QAccessible::installFactory(detail::accessibleAs<Widget, role>);
}

#include "app/query_template.h"

#include "picture_area.h"

#include <QTimer>

void query_template::cmd_pend_exp_Click()
{
    // Starting a running timer again would restart its interval.
    if (!tmr_pend_exp->isActive())
        tmr_pend_exp->start();
}

void query_template::tmr_pend_exp_Timer()
{
    m_services.beep();
    const double r = m_services.random();
    Picture1->circle({500, 500}, 500 * r);
    Picture1->describe(QStringLiteral("circles"));
}

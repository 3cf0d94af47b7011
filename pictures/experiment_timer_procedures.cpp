#include "app/query_template.h"

#include "app/announcer.h"
#include "picture_area.h"

#include <QTimer>

void query_template::cmd_pend_exp_Click()
{
    // Starting a running timer again would restart its interval.
    if (tmr_pend_exp->isActive())
        return;
    tmr_pend_exp->start();
    // It runs until the program ends: there is no stop to announce.
    m_announcer->announce(
            QStringLiteral("Timer started: it beeps and draws circles in the drawing area."));
}

void query_template::tmr_pend_exp_Timer()
{
    m_services.beep();
    const double r = m_services.random();
    Picture1->circle({500, 500}, 500 * r);
    Picture1->describe(QStringLiteral("circles"));
}

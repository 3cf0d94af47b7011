#include "app/query_template.h"

void query_template::runRoutine(const QString &) { }
void query_template::cmd_next_picture_Click() { }
void query_template::cmd_copy_picture_Click() { }
void query_template::printAt(float, float, const QString &) { }
void query_template::graph1() { }
void query_template::graph2() { }
void query_template::graph3() { }
void query_template::cmd_pend_exp_Click() { }
void query_template::tmr_pend_exp_Timer() { }

#include "query_template.h"

void query_template::cmdNextQuestion_Click() { }

void query_template::readNextQuestion() { }

#include "app/query_template.h"

void query_template::openSessionFiles() { }

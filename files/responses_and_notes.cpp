#include "app/query_template.h"

void query_template::cmd_enter_response_Click() { }
void query_template::cmd_save_as_notes_Click() { }
void query_template::cmd_display_note_file_Click() { }
void query_template::cmd_displayCumulativeText_Click() { }
void query_template::cmd_clr_answer_Click() { }
void query_template::cmd_quit_Click() { }

#include "reader_window.h"

ReaderWindow::ReaderWindow(QWidget *parent) : QMainWindow(parent) { }

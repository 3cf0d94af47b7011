#include "csv_export.h"
#include "reader_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ReaderWindow window;
    window.show();
    return app.exec();
}

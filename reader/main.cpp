#include "csv_export.h"
#include "files/file_layer.h"
#include "reader_window.h"

#include <QApplication>

#include <cstring>

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--csv") == 0) {
        // Without a window; the arguments as the system gives them, wide on Windows.
        QCoreApplication app(argc, argv);
        const QStringList arguments = app.arguments();
        if (arguments.size() < 4) {
            FileLayer::writeErrorLine(u"Usage: q_a_reader --csv FILE PATH...");
            return int(ExportStatus::NotWritten);
        }
        return int(exportCsv(arguments[2], arguments.mid(3), &FileLayer::writeErrorLine));
    }
    QApplication app(argc, argv);
    ReaderWindow window;
    window.show();
    if (argc > 1)
        window.open(app.arguments().mid(1));
    return app.exec();
}

#include "csv_export.h"
#include "reader_window.h"

#include <QApplication>
#include <QTextStream>

#include <cstring>

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--csv") == 0) {
        // Without a window; the arguments as the system gives them, wide on Windows.
        QCoreApplication app(argc, argv);
        const QStringList arguments = app.arguments();
        QTextStream errors(stderr);
        if (arguments.size() < 4) {
            errors << "Usage: q_a_reader --csv FILE PATH...\n";
            return int(ExportStatus::NotWritten);
        }
        const auto report = [&](const QString &line) {
            errors << line << '\n';
        };
        return int(exportCsv(arguments[2], arguments.mid(3), report));
    }
    QApplication app(argc, argv);
    ReaderWindow window;
    window.show();
    if (argc > 1)
        window.open(app.arguments().mid(1));
    return app.exec();
}

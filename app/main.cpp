#include "query_template.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // A file-size limit then fails a write (EFBIG), as a full disk does, instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    query_template window(Services::system());
    window.Form_Load();
    window.show();
    return app.exec();
}

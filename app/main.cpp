#include "query_template.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    query_template window(Services::system());
    window.Form_Load();
    window.show();
    return app.exec();
}

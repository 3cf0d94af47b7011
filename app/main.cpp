#include "identity.h"
#include "query_template.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // A file-size limit then fails a write (EFBIG), as a full disk does, instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef Q_OS_WIN
    // Windows's own font engine leaves text boxes blank on some systems (Wine among them);
    // FreeType draws the same faces everywhere. A platform chosen by the user still wins.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#endif
    QApplication app(argc, argv);
    setProgramIdentity();
    query_template::installAccessibleRoles();
    query_template window(Services::system());
    // The display name titles the prompts, which have no title of their own. Qt would append it
    // to every title given after it, so the window takes its caption "Form1" first.
    window.winId();
    QApplication::setApplicationDisplayName(QStringLiteral("Physics II Query"));
    window.Form_Load();
    window.show();
    return app.exec();
}

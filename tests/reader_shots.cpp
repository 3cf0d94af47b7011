// Pictures of the reader's window on a made-up class of 30: the responses to one question with
// their chart (reader-window.png, the one packaging/ shows) and the class (reader-class.png).
// Usage: reader_shots [FOLDER]

#include "made_up_class.h"
#include "reader_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QTemporaryDir classFolder;
    writeMadeUpClass(classFolder.path(), 30, 3, 6000);

    ReaderWindow window;
    window.resize(1000, 760);
    window.show();
    QEventLoop loading;
    QObject::connect(&window, &ReaderWindow::loaded, &loading, &QEventLoop::quit);
    window.open({classFolder.path()});
    loading.exec();

    const auto save = [&](const QString &name) {
        QApplication::processEvents();
        if (!window.grab().save(out.filePath(name)))
            qFatal("Cannot write %s", qPrintable(out.filePath(name)));
    };
    save(u"reader-class.png"_s);
    window.findChild<QTabWidget *>()->setCurrentIndex(1);
    window.findChild<QComboBox *>(u"assignment"_s)->setCurrentText(u"001"_s);
    window.findChild<QComboBox *>(u"question"_s)->setCurrentIndex(1);
    save(u"reader-window.png"_s);
    window.findChild<QTabWidget *>()->setCurrentIndex(2);
    save(u"reader-student.png"_s);
    return 0;
}

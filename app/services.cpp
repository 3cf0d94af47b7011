#include "services.h"

#include "files/file_layer.h"
#include "input_prompt.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <bit>
#include <cstdlib>
#include <memory>
#include <random>

Services Services::system()
{
    auto generator = std::make_shared<std::mt19937_64>();
    Services services;
    services.prompt = [](const QString &promptText) {
        return showInputPrompt(promptText, QApplication::activeWindow());
    };
    services.now = [] {
        return QDateTime::currentDateTime();
    };
    services.seedRandom = [generator](double secondsSinceMidnight) {
        generator->seed(std::bit_cast<std::uint64_t>(secondsSinceMidnight));
    };
    // 53 random bits make a double in [0, 1).
    services.random = [generator] {
        return double((*generator)() >> 11) * 0x1.0p-53;
    };
    services.endProgram = [] {
        std::_Exit(EXIT_SUCCESS);
    };
    services.reportProblem = [](const QString &message) {
        QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::Ok,
                        QApplication::activeWindow());
        // Without a name of its own a screen reader would hear the message as the box's name
        // alone; named, it hears the program's name and then the message.
        box.setAccessibleName(QApplication::applicationDisplayName());
        box.exec();
    };
    services.beep = [] {
        QApplication::beep();
    };
    services.homeFolder = QDir::homePath();
    services.files = &FileLayer::system();
    services.stateFolder
            = FileLayer::stateFolder(services.homeFolder) + QStringLiteral("/q_a_interface");
    return services;
}

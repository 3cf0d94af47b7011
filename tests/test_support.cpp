#include "test_support.h"

#include <QFile>

Services FakeStudent::services()
{
    Services services;
    services.prompt = [this](const QString &promptText) {
        promptsShown << promptText;
        if (onPrompt)
            onPrompt(promptText);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    services.now = [this] { return clock; };
    services.seedRandom = [this](double secondsSinceMidnight) { seed = secondsSinceMidnight; };
    services.random = [this] {
        if (!randoms.empty()) {
            const double r = randoms.front();
            randoms.erase(randoms.begin());
            return r;
        }
        return double(generator() >> 11) * 0x1.0p-53;
    };
    services.endProgram = [this] { ++ends; };
    services.reportProblem = [this](const QString &message) { problems << message; };
    services.loadScript = script;
    return services;
}

TemporaryHome::TemporaryHome() : m_oldHome(qgetenv("HOME"))
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
}

TemporaryHome::~TemporaryHome()
{
    qputenv("HOME", m_oldHome);
}

std::unique_ptr<query_template> startRun(FakeStudent &student)
{
    auto window = std::make_unique<query_template>(student.services());
    window->Form_Load();
    return window;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#endif

Services FakeStudent::services()
{
    Services services;
    services.prompt = [this](const QString &promptText) {
        promptsShown << promptText;
        if (onPrompt)
            onPrompt(promptText);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    services.now = [this] {
        const QDateTime reading = clock;
        clock = clock.addSecs(secondsPerReading);
        return reading;
    };
    services.seedRandom = [this](double secondsSinceMidnight) {
        seed = secondsSinceMidnight;
    };
    services.random = [this] {
        if (!randoms.empty()) {
            const double r = randoms.front();
            randoms.erase(randoms.begin());
            return r;
        }
        return uniformDouble(generator);
    };
    services.endProgram = [this] {
        ++ends;
    };
    services.reportProblem = [this](const QString &message) {
        problems << message;
    };
    services.beep = [this] {
        ++beeps;
    };
    services.loadScript = script;
    // HOME, which TemporaryHome sets, on Windows too, where QDir::homePath() does not read it.
    services.homeFolder = home.isEmpty() ? qEnvironmentVariable("HOME", QDir::homePath()) : home;
    services.drives = Drives::InHomeFolder;
    services.files = files;
    services.stateFolder = services.homeFolder + QStringLiteral("/.local/state/q_a_interface");
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

QByteArray useCodeLine(FakeStudent &student, const QByteArray &countBytes)
{
    // The code number is floor(r * 10 + 19); each pass then draws r1 (0.5: no filler) and r3
    // for the count character 118 + 137 * r3, rounded.
    student.randoms = {(countBytes.size() - 19 + 0.5) / 10};
    for (const char byte : countBytes)
        student.randoms.insert(student.randoms.end(), {0.5, (uchar(byte) - 118) / 137.0});
    return countBytes;
}

void useScript(FakeStudent &student, const QStringList &lines, int start)
{
    student.script = [lines, start](ScriptLines &scriptLines) {
        for (qsizetype i = 0; i < lines.size() && start + i <= lastScriptSlot; ++i)
            scriptLines[start + i] = lines[i];
    };
}

std::unique_ptr<query_template> startRun(FakeStudent &student)
{
    auto window = std::make_unique<query_template>(student.services());
    window->Form_Load();
    return window;
}

std::unique_ptr<query_template> startShownRun(FakeStudent &student)
{
    auto window = startRun(student);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || !QTest::qWaitForWindowActive(window.get()))
        qFatal("The window was not shown");
    QCoreApplication::sendPostedEvents();
    return window;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

double uniformDouble(std::mt19937_64 &generator)
{
    return double(generator() >> 11) * 0x1.0p-53;
}

QPlainTextEdit *textBox(const query_template &window, const QString &name)
{
    auto *box = window.findChild<QPlainTextEdit *>(name);
    if (!box)
        qFatal("The window has no text box %s", qPrintable(name));
    return box;
}

void clickButton(const query_template &window, const QString &name)
{
    auto *button = window.findChild<QPushButton *>(name);
    if (!button || !button->isVisible())
        qFatal("The window shows no button %s", qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeText(QPlainTextEdit *box, const QString &text)
{
    const QString lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i] == u'\n') {
            QTest::keyClick(box, Qt::Key_Return);
            continue;
        }
        // A character beyond the 16-bit range is typed as one key.
        const qsizetype units = lines[i].isHighSurrogate() && i + 1 < lines.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, lines.mid(i, units),
                            Qt::NoModifier);
        i += units - 1;
    }
}

void addAssignmentNumberRows()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("assignmentNumber");
    QTest::addColumn<QString>("nextAssignmentNumber");
    const char *const rows[][3] = {
            {"7", "007", "008"},   {"42", "042", "043"},   {"000", "000", "001"},
            {"099", "099", "100"}, {"999", "999", "1000"}, {"1234", "1234", "1235"},
            {"", "", "001"},       {"x", "00x", "001"},    {"2.5", "2.5", "3.5"},
    };
    for (const auto &[typed, number, next] : rows) {
        QTest::newRow(*typed ? typed : "empty")
                << QString::fromLatin1(typed) << QString::fromLatin1(number)
                << QString::fromLatin1(next);
    }
}

#ifdef Q_OS_WIN
const int killedExitCode = 0xf291;

void killThisProcess()
{
    ::TerminateProcess(::GetCurrentProcess(), killedExitCode);
    std::abort(); // not reached: TerminateProcess does not return for its own process
}
#else
const int killedExitCode = SIGKILL;

void killThisProcess()
{
    std::raise(SIGKILL);
    std::abort();
}
#endif

#include "x_session.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int waitMilliseconds = 20000;

// Lets a moment pass; false once the process has ended.
bool stillRunning(QProcess &process)
{
    return !process.waitForFinished(25) && process.state() == QProcess::Running;
}

} // namespace

XSession::XSession() = default;

XSession::~XSession()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished();
    }
}

bool XSession::start()
{
    for (const QString &tool : {u"Xvfb"_s, u"xdotool"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            m_why = tool + u" is not installed"_s;
            return false;
        }
    }
    // Xvfb picks a free display and writes its number once it accepts connections.
    // Without -noreset it would reset whenever its last client (each xdotool call, each
    // run of the program) disconnects, refusing connections for that moment.
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(u"Xvfb"_s,
                   {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-dpi"_s,
                    u"96"_s, u"-nolisten"_s, u"tcp"_s, u"-noreset"_s});
    const QDeadlineTimer deadline(waitMilliseconds);
    while (!m_server.canReadLine() && m_server.state() != QProcess::NotRunning
           && !deadline.hasExpired()) {
        m_server.waitForReadyRead(100);
    }
    const QByteArray number = m_server.readLine().trimmed();
    if (!number.isEmpty()) {
        m_display = u':' + QString::fromLatin1(number);
        return true;
    }
    m_why = u"Xvfb did not start: %1"_s.arg(m_server.errorString());
    return false;
}

std::unique_ptr<QProcess> XSession::launch(const QString &program, const QString &home) const
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    environment.insert(u"HOME"_s, home);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.insert(u"QT_ENABLE_HIGHDPI_SCALING"_s, u"0"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, home);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, {});
    process->waitForStarted();
    return process;
}

QString XSession::xdotool(const QStringList &arguments) const
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    tool.setProcessEnvironment(environment);
    tool.start(u"xdotool"_s, arguments);
    tool.waitForFinished();
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

QStringList XSession::windowsOf(qint64 pid) const
{
    return xdotool({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(pid)})
            .split(u'\n', Qt::SkipEmptyParts);
}

QString XSession::windowName(const QString &window) const
{
    return xdotool({u"getwindowname"_s, window});
}

QString XSession::waitForWindow(QProcess &process, const QStringList &except) const
{
    const QDeadlineTimer deadline(waitMilliseconds);
    while (!deadline.hasExpired() && stillRunning(process)) {
        for (const QString &window : windowsOf(process.processId())) {
            if (!except.contains(window))
                return window;
        }
    }
    return QString();
}

bool XSession::waitUntilGone(QProcess &process, const QString &window) const
{
    const QDeadlineTimer deadline(waitMilliseconds);
    while (!deadline.hasExpired()) {
        if (!stillRunning(process) || !windowsOf(process.processId()).contains(window))
            return true;
    }
    return false;
}

void XSession::type(const QString &text) const
{
    xdotool({u"type"_s, u"--delay"_s, u"10"_s, u"--"_s, text});
}

void XSession::key(const QString &keys) const
{
    xdotool({u"key"_s, u"--delay"_s, u"20"_s, keys});
}

void XSession::click(const QString &window, int x, int y) const
{
    // No --sync: it waits for the pointer to move, which it never does when it is already there
    // (a button clicked twice), until xdotool gives up. The X server takes the move and the
    // click in order anyway.
    xdotool({u"mousemove"_s, u"--window"_s, window, QString::number(x), QString::number(y),
             u"click"_s, u"1"_s});
}

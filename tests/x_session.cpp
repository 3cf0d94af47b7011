#include "x_session.h"

#include <QDeadlineTimer>
#include <QFileInfo>
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
    for (int number = 50; number < 100; ++number) {
        const QString socket = u"/tmp/.X11-unix/X%1"_s.arg(number);
        if (QFileInfo::exists(socket) || QFileInfo::exists(u"/tmp/.X%1-lock"_s.arg(number)))
            continue;
        m_display = u":%1"_s.arg(number);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(u"Xvfb"_s,
                       {m_display, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-dpi"_s, u"96"_s,
                        u"-nolisten"_s, u"tcp"_s});
        const QDeadlineTimer deadline(waitMilliseconds);
        while (!deadline.hasExpired() && m_server.state() != QProcess::NotRunning
               && !QFileInfo::exists(socket)) {
            m_server.waitForFinished(50);
        }
        if (m_server.state() == QProcess::Running && QFileInfo::exists(socket))
            return true;
        m_server.kill();
        m_server.waitForFinished();
    }
    m_why = u"Xvfb did not start on any display from :50 to :99"_s;
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
    xdotool({u"mousemove"_s, u"--sync"_s, u"--window"_s, window, QString::number(x),
             QString::number(y), u"click"_s, u"1"_s});
}

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// A private X server (Xvfb) for the tests, and xdotool to use the program through it the way a
// person does: typing into the focused window and clicking at places in a window.
class XSession
{
public:
    XSession();
    ~XSession();

    // Starts Xvfb on a free display; false, with the reason in why(), when it cannot be started.
    bool start();
    QString why() const { return m_why; }
    QString display() const { return m_display; }

    // The program under test, started on this display with `home` as its HOME.
    std::unique_ptr<QProcess> launch(const QString &program, const QString &home) const;

    // The visible top-level windows of a process, in creation order.
    QStringList windowsOf(qint64 pid) const;
    QString windowName(const QString &window) const;
    // Waits until the process shows a visible window other than `except` and returns it; empty
    // when none appears in time or the process ends.
    QString waitForWindow(QProcess &process, const QStringList &except = {}) const;
    // Waits until `window` is gone; false when it is still there after the time allowed.
    bool waitUntilGone(QProcess &process, const QString &window) const;

    void type(const QString &text) const;
    void key(const QString &keys) const;
    void click(const QString &window, int x, int y) const;

private:
    QString xdotool(const QStringList &arguments) const;

    QProcess m_server;
    QString m_display;
    QString m_why;
};

#pragma once

#include <QFile>

// The process's peak resident memory in megabytes. Not getrusage(): its figure carries over the
// parent's peak from before the exec.
inline double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        qFatal("No /proc/self/status");
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    qFatal("No VmHWM in /proc/self/status");
}

#include "file_reading.h"

#include "cp1252.h"
#include "retry_on_interrupt.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

bool readAll(int fd, QByteArray &bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::read(fd, buffer, sizeof buffer); });
        if (got <= 0)
            return got == 0;
        bytes.append(buffer, got);
    }
}

bool readLocked(int fd, QByteArray &bytes)
{
    return retryOnInterrupt([&] { return ::flock(fd, LOCK_SH); }) == 0 && readAll(fd, bytes);
}

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.append(fromCp1252(QByteArrayView(bytes).sliced(start, end - start)));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace

FileLines readFileLines(const QString &path)
{
    FileLines result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.missing = errno == ENOENT;
        result.failure = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    QByteArray bytes;
    const bool read = readLocked(fd, bytes);
    const int error = errno;
    ::close(fd);
    if (!read) {
        result.failure = QString::fromLocal8Bit(std::strerror(error));
        return result;
    }
    result.lines = splitLines(bytes);
    return result;
}

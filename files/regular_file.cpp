#include "regular_file.h"

#include "retry_on_interrupt.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

OpenedFile failed(QString reason, bool missing = false)
{
    return {-1, false, missing, std::move(reason)};
}

// Why `path` could not be opened with `error`: a name that is there but leads nowhere, or
// somewhere that is not a file, is told apart from the system's terse reason.
OpenedFile openFailure(const QByteArray &path, int error)
{
    if (error == ENXIO)
        return failed(u"Not a regular file"_s);
    char target[4096];
    const ssize_t length = ::readlink(path.constData(), target, sizeof target - 1);
    if (error == ENOENT && length >= 0) {
        return failed(u"It is a link to %1, which does not exist"_s.arg(
                QFile::decodeName(QByteArray(target, length))));
    }
    return failed(systemReason(error), error == ENOENT);
}

} // namespace

OpenedFile openRegularFile(const QByteArray &path, int flags)
{
    const int fd = retryOnInterrupt(
            [&] { return ::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0)
        return openFailure(path, errno);
    struct stat status;
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        const QString reason = !statted   ? systemReason(errno)
                : S_ISDIR(status.st_mode) ? systemReason(EISDIR)
                                          : u"Not a regular file"_s;
        ::close(fd);
        return failed(reason);
    }
    return {fd, false, false, QString()};
}

OpenedFile openForAppend(const QByteArray &path)
{
    for (;;) {
        // Tried exclusively first, to know whether this append makes the file.
        const int fd = retryOnInterrupt([&] {
            return ::open(path.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0600);
        });
        if (fd >= 0)
            return {fd, true, false, QString()};
        if (errno != EEXIST)
            return openFailure(path, errno);
        OpenedFile file = openRegularFile(path, O_WRONLY | O_APPEND);
        // Only a file removed between the two opens is tried again; a link to nowhere is not.
        if (!file.missing)
            return file;
    }
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool readToEnd(int fd, QByteArray &bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = retryOnInterrupt([&] { return ::read(fd, buffer, sizeof buffer); });
        if (got <= 0)
            return got == 0;
        bytes.append(buffer, got);
    }
}

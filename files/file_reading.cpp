#include "file_reading.h"

#include "regular_file.h"
#include "retry_on_interrupt.h"
#include "text_codec.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Larger than any session file, and than a text box can sensibly hold.
constexpr off_t largestShown = 256 << 20;

std::optional<QString> readLocked(int fd, QByteArray &bytes)
{
    struct stat status;
    if (retryOnInterrupt([&] { return ::flock(fd, LOCK_SH); }) != 0 || ::fstat(fd, &status) != 0)
        return systemReason(errno);
    if (status.st_size > largestShown)
        return u"It is larger than 256 MB, too large to show"_s;
    return readToEnd(fd, bytes) ? std::nullopt : std::optional(systemReason(errno));
}

} // namespace

FileLines readFileLines(const QString &path)
{
    FileLines result;
    const OpenedFile file = openRegularFile(QFile::encodeName(path), O_RDONLY);
    if (file.fd < 0) {
        result.missing = file.missing;
        result.failure = file.failure;
        return result;
    }
    QByteArray bytes;
    result.failure = readLocked(file.fd, bytes);
    ::close(file.fd);
    if (!result.failure)
        result.lines = fromFileLines(bytes);
    return result;
}

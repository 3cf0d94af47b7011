#include "record_file.h"

#include "retry_on_interrupt.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <deque>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file's share of the record, and the file while it is open for appending: closed (and so
// unlocked) when it goes.
struct AppendFile
{
    explicit AppendFile(const FileRecord &record) : record(record) { }
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile()
    {
        if (fd >= 0)
            ::close(fd);
    }

    const FileRecord &record;
    int fd = -1;
    bool created = false;
    off_t lengthBefore = 0;
    bool written = false; // a write was tried, so the file may have grown
};

bool openForAppend(AppendFile &file)
{
    const QByteArray encoded = QFile::encodeName(file.record.path);
    const char *path = encoded.constData();
    for (;;) {
        // Tried exclusively first, to know whether this append makes the file.
        file.fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file.fd >= 0) {
            file.created = true;
            return true;
        }
        if (errno != EEXIST)
            return false;
        file.fd = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (file.fd >= 0)
            return true;
        // Removed between the two opens: make it after all.
        if (errno != ENOENT)
            return false;
    }
}

bool lockAndMeasure(AppendFile &file)
{
    if (retryOnInterrupt([&] { return ::flock(file.fd, LOCK_EX); }) != 0)
        return false;
    struct stat status;
    if (::fstat(file.fd, &status) != 0)
        return false;
    file.lengthBefore = status.st_size;
    return true;
}

bool writeWhole(int fd, const QByteArray &bytes)
{
    const char *next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = retryOnInterrupt([&] { return ::write(fd, next, size_t(left)); });
        if (written < 0)
            return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

bool sync(int fd)
{
    return retryOnInterrupt([&] { return ::fsync(fd); }) == 0;
}

bool syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

void cutBack(const std::deque<AppendFile> &files)
{
    for (const AppendFile &file : files) {
        if (!file.written)
            continue;
        retryOnInterrupt([&] { return ::ftruncate(file.fd, file.lengthBefore); });
        sync(file.fd);
    }
}

} // namespace

std::optional<AppendFailure> appendRecords(const QList<FileRecord> &records)
{
    // A deque, as its files are neither copied nor moved once open.
    std::deque<AppendFile> files;
    for (const FileRecord &record : records)
        files.emplace_back(record);
    const auto fail = [&](const AppendFile &file) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        cutBack(files);
        return AppendFailure {file.record.path, reason};
    };

    for (AppendFile &file : files) {
        if (!openForAppend(file))
            return fail(file);
    }
    for (AppendFile &file : files) {
        if (!lockAndMeasure(file))
            return fail(file);
    }
    for (AppendFile &file : files) {
        file.written = true;
        if (!writeWhole(file.fd, file.record.bytes) || !sync(file.fd))
            return fail(file);
    }
    for (AppendFile &file : files) {
        if (file.created && !syncFolderOf(file.record.path))
            return fail(file);
    }
    return std::nullopt;
}

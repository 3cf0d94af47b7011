#include "record_file.h"

#include "file_paths.h"
#include "retry_on_interrupt.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file open for appending, closed (and so unlocked) when it goes.
struct AppendFile
{
    AppendFile() = default;
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile()
    {
        if (fd >= 0)
            ::close(fd);
    }

    QString platformPath;
    int fd = -1;
    bool created = false;
    off_t lengthBefore = 0;
    bool written = false; // a write was tried, so the file may have grown
};

bool openForAppend(AppendFile &file)
{
    const QByteArray encoded = QFile::encodeName(file.platformPath);
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

bool syncFolderOf(const QString &platformPath)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(platformPath).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

void cutBack(const std::vector<AppendFile> &files)
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
    std::vector<AppendFile> files(records.size());
    const auto fail = [&](qsizetype index) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        cutBack(files);
        return AppendFailure {records[index].path, reason};
    };

    for (qsizetype i = 0; i < records.size(); ++i) {
        files[i].platformPath = toFileSystemPath(records[i].path);
        if (!openForAppend(files[i]))
            return fail(i);
    }
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (!lockAndMeasure(files[i]))
            return fail(i);
    }
    for (qsizetype i = 0; i < records.size(); ++i) {
        files[i].written = true;
        if (!writeWhole(files[i].fd, records[i].bytes) || !sync(files[i].fd))
            return fail(i);
    }
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (files[i].created && !syncFolderOf(files[i].platformPath))
            return fail(i);
    }
    return std::nullopt;
}

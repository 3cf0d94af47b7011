#include "file_layer.h"
#include "file_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

const Drives systemDrives = Drives::InHomeFolder;

namespace {

std::atomic<int> flushes;

// fsync, counted.
int flush(int fd)
{
    ++flushes;
    return ::fsync(fd);
}

// Calls a system call again for as long as a signal interrupts it.
template<typename Call> auto retryOnInterrupt(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result == -1 && errno == EINTR);
    return result;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileLayer::Failure lastFailure()
{
    return systemReason(errno);
}

FileLayer::Failure failureOf(int result)
{
    return result == 0 ? std::nullopt : lastFailure();
}

FileLayer::Opened failed(QString reason, bool missing = false)
{
    return {FileLayer::noHandle, false, missing, std::move(reason)};
}

FileLayer::Opened notAFile(QString reason)
{
    FileLayer::Opened opened = failed(std::move(reason));
    opened.notAFile = true;
    return opened;
}

// Why `path` could not be opened with `error`: a name that is there but leads nowhere, or
// somewhere that is not a file, is told apart from the system's terse reason.
FileLayer::Opened openFailure(const QByteArray &path, int error)
{
    if (error == ENXIO)
        return notAFile(u"Not a regular file"_s);
    if (error == EISDIR)
        return notAFile(systemReason(error));
    char target[4096];
    const ssize_t length = ::readlink(path.constData(), target, sizeof target - 1);
    if (error == ENOENT && length >= 0) {
        return failed(u"It is a link to %1, which does not exist"_s.arg(
                QFile::decodeName(QByteArray(target, length))));
    }
    if (error == ELOOP && length >= 0)
        return notAFile(u"It is a link, which is not followed here"_s);
    return failed(systemReason(error), error == ENOENT);
}

int openWithoutBlocking(const QByteArray &path, int flags)
{
    return retryOnInterrupt(
            [&] { return ::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0600); });
}

// Keeps `fd` only when it is a regular file: a FIFO or a device is opened without blocking and
// never read.
FileLayer::Opened keepRegular(int fd, bool created)
{
    struct stat status;
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted) {
        const QString reason = systemReason(errno);
        ::close(fd);
        return failed(reason);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return notAFile(S_ISDIR(status.st_mode) ? systemReason(EISDIR) : u"Not a regular file"_s);
    }
    return {fd, created, false, QString()};
}

FileLayer::Opened openRegular(const QByteArray &path, int flags, bool created = false)
{
    const int fd = openWithoutBlocking(path, flags);
    return fd < 0 ? openFailure(path, errno) : keepRegular(fd, created);
}

// Waits in flock() for the lock, as long as `wait` at most: a timer of this thread interrupts
// the wait with a signal that does nothing else. Waiting in the call, rather than trying again
// and again, keeps the run's place among the programs waiting for the file.
bool waitForLock(int fd, int operation, std::chrono::milliseconds wait)
{
    static const int interrupt = [] {
        struct sigaction action = {};
        action.sa_handler = [](int) {
        };
        sigemptyset(&action.sa_mask);
        sigaction(SIGRTMIN, &action, nullptr); // without SA_RESTART, so flock() returns EINTR
        return SIGRTMIN;
    }();
    sigevent event = {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = interrupt;
    event._sigev_un._tid = ::gettid(); // sigev_notify_thread_id, which glibc does not name
    timer_t timer;
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    itimerspec times = {};
    times.it_value = {seconds.count(), long((wait - seconds).count()) * 1'000'000};
    // Again every 10 ms after that, in case the first signal came before flock() began to wait.
    times.it_interval = {0, 10'000'000};
    ::timer_settime(timer, 0, &times, nullptr);
    int locked;
    do
        locked = ::flock(fd, operation);
    while (locked != 0 && errno == EINTR && std::chrono::steady_clock::now() < deadline);
    ::timer_delete(timer);
    return locked == 0;
}

FileLayer::FileId idOf(const struct stat &status)
{
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

class PosixFileLayer final : public FileLayer
{
public:
    Opened openForAppend(const QString &path) override
    {
        const QByteArray name = QFile::encodeName(path);
        for (;;) {
            // Tried exclusively first, to know whether this open makes the file.
            const int fd = openWithoutBlocking(name, O_RDWR | O_APPEND | O_CREAT | O_EXCL);
            if (fd >= 0)
                return keepRegular(fd, true);
            if (errno != EEXIST)
                return openFailure(name, errno);
            Opened file = openRegular(name, O_RDWR | O_APPEND);
            // Only a file removed between the two opens is tried again; a link to nowhere is not.
            if (!file.missing)
                return file;
        }
    }

    Opened openForReading(const QString &path, Links links) override
    {
        return openRegular(QFile::encodeName(path),
                           O_RDONLY | (links == Links::Refuse ? O_NOFOLLOW : 0));
    }

    Opened openForCutting(const QString &path) override
    {
        return openRegular(QFile::encodeName(path), O_RDWR);
    }

    Opened createNew(const QString &path) override
    {
        return openRegular(QFile::encodeName(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, true);
    }

    void close(Handle handle) override { ::close(int(handle)); }

    std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                    std::chrono::milliseconds wait) override
    {
        const int operation = kind == LockKind::Shared ? LOCK_SH : LOCK_EX;
        if (retryOnInterrupt([&] { return ::flock(int(handle), operation | LOCK_NB); }) == 0)
            return std::nullopt;
        if (errno != EWOULDBLOCK)
            return LockFailure {false, systemReason(errno)};
        if (wait <= std::chrono::milliseconds(0) || !waitForLock(int(handle), operation, wait))
            return LockFailure {true, systemReason(EWOULDBLOCK)};
        return std::nullopt;
    }

    Status status(Handle handle) override
    {
        struct stat status;
        if (::fstat(int(handle), &status) != 0)
            return {lastFailure(), 0, {}, false};
        return {std::nullopt, qint64(status.st_size), idOf(status), status.st_uid == ::geteuid()};
    }

    std::optional<FileId> idAt(const QString &path) override
    {
        struct stat status;
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            return std::nullopt;
        return idOf(status);
    }

    Failure write(Handle handle, QByteArrayView bytes) override
    {
        while (!bytes.isEmpty()) {
            const ssize_t written = retryOnInterrupt(
                    [&] { return ::write(int(handle), bytes.data(), size_t(bytes.size())); });
            if (written < 0)
                return lastFailure();
            if (written == 0)
                return systemReason(ENOSPC);
            bytes = bytes.sliced(written);
        }
        return std::nullopt;
    }

    Failure read(Handle handle, qint64 offset, qint64 size, QByteArray &bytes) override
    {
        const qsizetype start = bytes.size();
        bytes.resize(start + size);
        qint64 got = 0;
        while (got < size) {
            const ssize_t read = retryOnInterrupt([&] {
                return ::pread(int(handle), bytes.data() + start + got, size_t(size - got),
                               off_t(offset + got));
            });
            if (read <= 0) {
                const int error = errno;
                bytes.resize(start + got);
                return read == 0 ? std::nullopt : std::optional(systemReason(error));
            }
            got += read;
        }
        return std::nullopt;
    }

    Failure sync(Handle handle) override
    {
        return failureOf(retryOnInterrupt([&] { return flush(int(handle)); }));
    }

    Failure cutTo(Handle handle, qint64 length) override
    {
        return failureOf(retryOnInterrupt([&] { return ::ftruncate(int(handle), off_t(length)); }));
    }

    Failure remove(const QString &path) override
    {
        return failureOf(::unlink(QFile::encodeName(path).constData()));
    }

    Failure rename(const QString &from, const QString &to) override
    {
        const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                        RENAME_NOREPLACE)
            == 0)
            return std::nullopt;
        if (errno != EINVAL && errno != ENOSYS)
            return lastFailure();
        // Where the file system cannot rename without replacing, a name taken is looked for
        // first.
        struct stat status;
        if (::lstat(target.constData(), &status) == 0)
            return systemReason(EEXIST);
        return failureOf(::rename(source.constData(), target.constData()));
    }

    Failure syncFolder(const QString &path) override
    {
        const int fd
                = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return lastFailure();
        const Failure failure = sync(fd);
        ::close(fd);
        return failure;
    }

    Failure makeFolder(const QString &path) override
    {
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
            return lastFailure();
        return syncFolder(QFileInfo(path).absolutePath());
    }
};

} // namespace

FileLayer &FileLayer::system()
{
    static PosixFileLayer layer;
    return layer;
}

int FileLayer::flushCount()
{
    return flushes;
}

void FileLayer::writeErrorLine(QStringView line)
{
    // Standard error is the last place to tell of a failure: one of its own goes untold.
    system().write(STDERR_FILENO, line.toUtf8() + '\n');
}

QString FileLayer::stateFolder(const QString &homeFolder)
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as the XDG base directory rules say.
    if (QDir::isAbsolutePath(state))
        return state;
    return homeFolder + u"/.local/state"_s;
}

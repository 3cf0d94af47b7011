#include "record_file.h"

#include "regular_file.h"
#include "retry_on_interrupt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <deque>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The journal's last line: a journal without it was cut short while being written, before any file
// was touched. It is kept short, as a file-size limit applies to it too.
const QByteArray journalEnd = "end\n";

// A file's share of the record, and the file while it is open for appending: closed (and so
// unlocked) when it goes.
struct AppendFile
{
    explicit AppendFile(const FileRecord &record)
        : record(record), name(QFile::encodeName(record.path))
    { }
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    const FileRecord &record;
    const QByteArray name;
    int fd = -1;
    bool madeByOpen = false;
    bool created = false; // made by this append and empty when locked, so removed when it fails
    dev_t device = 0;
    ino_t inode = 0;
    off_t lengthBefore = 0;
    bool written = false; // a write was tried, so the file may have grown
};

// The folder of the files, where the journal is kept.
struct Folder
{
    explicit Folder(const QString &file)
        : path(QFileInfo(file).absolutePath()), journalPath(path + u'/' + journalName),
          journal(QFile::encodeName(journalPath))
    { }

    const QString path;
    const QString journalPath;
    const QByteArray journal;
};

bool sync(int fd)
{
    return retryOnInterrupt([&] { return ::fsync(fd); }) == 0;
}

bool syncFolder(const Folder &folder)
{
    const int fd = ::open(QFile::encodeName(folder.path).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
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

bool cutTo(int fd, off_t length)
{
    return retryOnInterrupt([&] { return ::ftruncate(fd, length); }) == 0 && sync(fd);
}

bool removeDurably(const Folder &folder, const QByteArray &name)
{
    return ::unlink(name.constData()) == 0 && syncFolder(folder);
}

// Opens the file and learns which file it is; fails for a second name of a file already open.
std::optional<QString> openFile(AppendFile &file, const std::deque<AppendFile> &files)
{
    const OpenedFile opened = openForAppend(file.name);
    if (opened.fd < 0)
        return opened.failure;
    file.fd = opened.fd;
    file.madeByOpen = opened.created;
    struct stat status;
    if (::fstat(file.fd, &status) != 0)
        return systemReason(errno);
    file.device = status.st_dev;
    file.inode = status.st_ino;
    // Locking a second name of a locked file would wait for ever.
    for (const AppendFile &other : files) {
        if (&other != &file && other.fd >= 0 && other.device == file.device
            && other.inode == file.inode)
            return u"It is the same file as %1"_s.arg(QDir::toNativeSeparators(other.record.path));
    }
    return std::nullopt;
}

// Locks the file, opened again when its name has come to lead elsewhere meanwhile (a failed append
// that made the file removes it again).
std::optional<QString> lock(AppendFile &file, const std::deque<AppendFile> &files)
{
    for (;;) {
        if (retryOnInterrupt([&] { return ::flock(file.fd, LOCK_EX); }) != 0)
            return systemReason(errno);
        struct stat atName;
        if (::stat(file.name.constData(), &atName) == 0 && atName.st_dev == file.device
            && atName.st_ino == file.inode)
            return std::nullopt;
        file.close();
        if (auto failure = openFile(file, files))
            return failure;
    }
}

std::optional<QString> measure(AppendFile &file)
{
    struct stat status;
    if (::fstat(file.fd, &status) != 0)
        return systemReason(errno);
    file.lengthBefore = status.st_size;
    // Another program may have written to a file this one made before it was locked here.
    file.created = file.madeByOpen && file.lengthBefore == 0;
    return std::nullopt;
}

// A file as the journal lists it.
struct JournalEntry
{
    dev_t device;
    ino_t inode;
    off_t lengthBefore;
};

// Cuts the file at `path` back to its length before, but only when it is the listed file and
// longer.
std::optional<QString> cutBack(const QByteArray &path, const JournalEntry &entry)
{
    struct stat status;
    if (::stat(path.constData(), &status) != 0 || status.st_dev != entry.device
        || status.st_ino != entry.inode || status.st_size <= entry.lengthBefore)
        return std::nullopt;
    const OpenedFile file = openRegularFile(path, O_WRONLY | O_APPEND);
    if (file.fd < 0)
        return file.failure;
    const bool cut = cutTo(file.fd, entry.lengthBefore);
    const int error = errno;
    ::close(file.fd);
    return cut ? std::nullopt : std::optional(systemReason(error));
}

// Cuts back the files of the folder that the journal lists by device and inode (whatever name a
// file had for the writer that died, the SEND file of an earlier day included).
std::optional<AppendFailure> cutBackListed(const Folder &folder, const QByteArray &entries)
{
    std::vector<JournalEntry> listed;
    for (const QByteArray &entry : entries.split('\n')) {
        const QList<QByteArray> fields = entry.split(' ');
        if (fields.size() == 3) {
            listed.push_back({dev_t(fields[0].toULongLong()), ino_t(fields[1].toULongLong()),
                              off_t(fields[2].toLongLong())});
        }
    }
    DIR *const names = ::opendir(QFile::encodeName(folder.path).constData());
    if (!names)
        return AppendFailure {folder.path, systemReason(errno), {}};
    const auto closeNames = qScopeGuard([names] { ::closedir(names); });
    while (const dirent *name = ::readdir(names)) {
        const QByteArray path = QFile::encodeName(folder.path) + '/' + name->d_name;
        for (const JournalEntry &entry : listed) {
            if (auto failure = cutBack(path, entry)) {
                const QString file = QFile::decodeName(path);
                return AppendFailure {file, *failure, {file}};
            }
        }
    }
    return std::nullopt;
}

// Rolls back the append of a writer that died in it: every file its journal lists is cut back to
// its length before, then the journal is removed. The caller holds the master file's lock.
std::optional<AppendFailure> recover(const Folder &folder)
{
    const OpenedFile journal = openRegularFile(folder.journal, O_RDONLY | O_NOFOLLOW);
    if (journal.missing)
        return std::nullopt;
    if (journal.fd < 0)
        return AppendFailure {folder.journalPath, journal.failure, {}};
    QByteArray text;
    const bool read = readToEnd(journal.fd, text);
    const int error = errno;
    ::close(journal.fd);
    if (!read)
        return AppendFailure {folder.journalPath, systemReason(error), {}};
    if (text.endsWith(journalEnd)) {
        if (auto failure = cutBackListed(folder, text.chopped(journalEnd.size())))
            return failure;
    }
    if (!removeDurably(folder, folder.journal))
        return AppendFailure {folder.journalPath, systemReason(errno), {}};
    return std::nullopt;
}

std::optional<QString> writeJournal(const Folder &folder, const std::deque<AppendFile> &files)
{
    QByteArray text;
    for (const AppendFile &file : files) {
        text += QByteArray::number(qulonglong(file.device)) + ' '
                + QByteArray::number(qulonglong(file.inode)) + ' '
                + QByteArray::number(qlonglong(file.lengthBefore)) + '\n';
    }
    text += journalEnd;
    // Never over another writer's journal: there is none while the master file's lock is held.
    const int fd = retryOnInterrupt([&] {
        return ::open(folder.journal.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    });
    if (fd < 0)
        return systemReason(errno);
    bool written = writeWhole(fd, text) && sync(fd);
    int error = errno;
    ::close(fd);
    // The folder's sync also keeps the files this append made.
    if (written && !syncFolder(folder)) {
        written = false;
        error = errno;
    }
    if (!written)
        ::unlink(folder.journal.constData());
    return written ? std::nullopt : std::optional(systemReason(error));
}

// Undoes what the append did so far; returns the files that could not be cut back, for which the
// journal stays.
QStringList rollBack(const std::deque<AppendFile> &files, const Folder &folder, bool journalWritten)
{
    QStringList uncut;
    for (const AppendFile &file : files) {
        if (file.written && !cutTo(file.fd, file.lengthBefore))
            uncut << file.record.path;
    }
    if (!uncut.isEmpty())
        return uncut;
    bool removed = false;
    for (const AppendFile &file : files) {
        if (file.created)
            removed |= ::unlink(file.name.constData()) == 0;
    }
    if (journalWritten)
        removed |= ::unlink(folder.journal.constData()) == 0;
    if (removed)
        syncFolder(folder);
    return uncut;
}

} // namespace

std::optional<AppendFailure> appendRecords(const QList<FileRecord> &records)
{
    // A deque, as its files are neither copied nor moved once open.
    std::deque<AppendFile> files;
    for (const FileRecord &record : records)
        files.emplace_back(record);
    const Folder folder(records.first().path);
    bool journalWritten = false;
    const auto fail = [&](const QString &path, const QString &reason) {
        return AppendFailure {path, reason, rollBack(files, folder, journalWritten)};
    };

    for (AppendFile &file : files) {
        if (auto failure = openFile(file, files); failure || (failure = lock(file, files)))
            return fail(file.record.path, *failure);
        if (&file == &files.front()) {
            if (auto failure = recover(folder)) {
                failure->uncut += rollBack(files, folder, false);
                return failure;
            }
        }
        if (auto failure = measure(file))
            return fail(file.record.path, *failure);
    }
    if (auto failure = writeJournal(folder, files))
        return fail(folder.journalPath, *failure);
    journalWritten = true;
    for (AppendFile &file : files) {
        file.written = true;
        if (!writeWhole(file.fd, file.record.bytes) || !sync(file.fd))
            return fail(file.record.path, systemReason(errno));
    }
    if (!removeDurably(folder, folder.journal))
        return fail(folder.journalPath, systemReason(errno));
    return std::nullopt;
}

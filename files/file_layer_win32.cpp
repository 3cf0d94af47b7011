#include "file_layer.h"
#include "file_paths.h"
#include "windows_names.h"

#include <QDir>
#include <QStandardPaths>

#include <atomic>
#include <memory>
#include <thread>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

using namespace Qt::Literals::StringLiterals;

const Drives systemDrives = Drives::Real;

namespace {

// Every open lets other programs read the file, a second run of this one append to it under the
// lock, and a name be removed or renamed while the file is open, as POSIX does.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Files are locked on this one byte, far past any data, so that the lock (which Windows enforces
// on reads and writes of the range) never keeps another program from reading the file.
constexpr quint64 lockOffset = 0x7fff'ffff'ffff'fffeULL;

// The reasons the program's messages give on both systems, for the errors a student meets; any
// other error in the system's own words.
QString systemReason(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return u"No such file or directory"_s;
    case ERROR_ACCESS_DENIED:
        return u"Permission denied"_s;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return u"No space left on device"_s;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return u"File exists"_s;
    case ERROR_WRITE_PROTECT:
        return u"Read-only file system"_s;
    case ERROR_LOCK_VIOLATION:
        return u"Resource temporarily unavailable"_s;
    }
    wchar_t *text = nullptr;
    const DWORD length
            = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length > 0 ? QString::fromWCharArray(text, length).trimmed()
                                : u"Windows error %1"_s.arg(error);
    ::LocalFree(text);
    // The system's sentences end in a full stop; the program's messages go on after the reason.
    if (reason.endsWith(u'.'))
        reason.chop(1);
    return reason;
}

FileLayer::Failure lastFailure()
{
    return systemReason(::GetLastError());
}

FileLayer::Failure failureOf(BOOL succeeded)
{
    return succeeded ? std::nullopt : lastFailure();
}

// Every name in its extended-length form, which Windows takes past 260 characters (the program's
// manifest says it is long-path aware); the messages name the path as the program has it.
std::wstring nativeName(const QString &path)
{
    return extendedLengthPath(path, QDir::currentPath()).toStdWString();
}

std::atomic<int> flushes;

BOOL flush(HANDLE file)
{
    ++flushes;
    return ::FlushFileBuffers(file);
}

HANDLE handleOf(FileLayer::Handle handle)
{
    return reinterpret_cast<HANDLE>(handle);
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

// Why `path` could not be opened with `error`: a link to nowhere, a folder or a link that is not
// to be followed is told apart from the system's terse reason.
FileLayer::Opened openFailure(const std::wstring &path, DWORD error)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const bool there = attributes != INVALID_FILE_ATTRIBUTES;
    if (there && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && error == ERROR_FILE_NOT_FOUND)
        return failed(u"It is a link to a file that does not exist"_s);
    if (there && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return notAFile(u"Is a directory"_s);
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return failed(systemReason(error), missing && !there);
}

// Keeps `file` only when it is a regular file on a disk: a pipe, a console or another device, or
// (with `links` refused) a link to another name is closed again without being read. A file that a
// cloud-storage client keeps as a placeholder is no link: the client fills it when it is read. (A
// folder is never opened here: that takes backup semantics.)
FileLayer::Opened keepRegular(HANDLE file, bool created, FileLayer::Links links)
{
    QString reason;
    FILE_ATTRIBUTE_TAG_INFO information;
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        reason = u"Not a regular file"_s;
    } else if (links == FileLayer::Links::Refuse) {
        // What the file is could not be read: that is no verdict on it.
        if (!::GetFileInformationByHandleEx(file, FileAttributeTagInfo, &information,
                                            sizeof information)) {
            const QString failure = systemReason(::GetLastError());
            ::CloseHandle(file);
            return failed(failure);
        }
        if (isLink(information.FileAttributes, information.ReparseTag))
            reason = u"It is a link, which is not followed here"_s;
    }
    if (reason.isEmpty())
        return {FileLayer::Handle(file), created, false, QString()};
    ::CloseHandle(file);
    return notAFile(reason);
}

FileLayer::Opened openRegular(const QString &path, DWORD access, DWORD disposition,
                              FileLayer::Links links = FileLayer::Links::Follow)
{
    const std::wstring name = nativeName(path);
    // Only a link that is not to be followed is opened as itself, to be recognised and refused.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL
            | (links == FileLayer::Links::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const HANDLE file
            = ::CreateFileW(name.c_str(), access, shareAll, nullptr, disposition, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return openFailure(name, ::GetLastError());
    const bool created = disposition == CREATE_NEW
            || (disposition == OPEN_ALWAYS && ::GetLastError() != ERROR_ALREADY_EXISTS);
    return keepRegular(file, created, links);
}

OVERLAPPED at(quint64 offset)
{
    OVERLAPPED overlapped = {};
    overlapped.Offset = DWORD(offset);
    overlapped.OffsetHigh = DWORD(offset >> 32);
    return overlapped;
}

struct LocalFreeDeleter
{
    void operator()(void *memory) const { ::LocalFree(memory); }
};

// What this program's access token says of `kind`; nothing when it cannot be read.
std::unique_ptr<char[]> tokenInformation(TOKEN_INFORMATION_CLASS kind)
{
    HANDLE token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    auto information = std::make_unique<char[]>(size);
    const bool read
            = size > 0 && ::GetTokenInformation(token, kind, information.get(), size, &size);
    ::CloseHandle(token);
    return read ? std::move(information) : nullptr;
}

// A file made by the user belongs to the user, or to the group the token makes owner of what
// it creates (Administrators, for an elevated program).
bool ownedByUser(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return false;
    const std::unique_ptr<void, LocalFreeDeleter> keep(descriptor);
    const auto user = tokenInformation(TokenUser);
    const auto defaultOwner = tokenInformation(TokenOwner);
    return (user && ::EqualSid(owner, reinterpret_cast<TOKEN_USER *>(user.get())->User.Sid))
            || (defaultOwner
                && ::EqualSid(owner, reinterpret_cast<TOKEN_OWNER *>(defaultOwner.get())->Owner));
}

class Win32FileLayer final : public FileLayer
{
public:
    // Files inherit their folder's permissions, as every Windows program's do; the default
    // folder is made for its owner alone (makeFolder), so its files are too.
    Opened openForAppend(const QString &path) override
    {
        // Every write goes to the end of the file (write() asks for that), however many runs
        // append at once. A failed record is cut back through this same handle, which NTFS
        // allows only with the right to write the data, not merely to append it. Other programs
        // may read and write the file as before: the sharing is what they see, not these rights.
        return openRegular(path, GENERIC_READ | FILE_WRITE_DATA | FILE_APPEND_DATA, OPEN_ALWAYS);
    }

    Opened openForReading(const QString &path, Links links) override
    {
        return openRegular(path, GENERIC_READ, OPEN_EXISTING, links);
    }

    Opened openForCutting(const QString &path) override
    {
        return openRegular(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    }

    Opened createNew(const QString &path) override
    {
        // CREATE_NEW fails on any name that is there, a link included.
        return openRegular(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, Links::Refuse);
    }

    void close(Handle handle) override { ::CloseHandle(handleOf(handle)); }

    std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                    std::chrono::milliseconds wait) override
    {
        // A handle that is not opened for overlapped input and output cannot wait for a lock
        // for a limited time, so the lock is tried again and again, the pauses growing from
        // 1 ms to 50 ms.
        const auto deadline = std::chrono::steady_clock::now() + wait;
        auto pause = std::chrono::milliseconds(1);
        const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY
                | (kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        for (;;) {
            OVERLAPPED range = at(lockOffset);
            if (::LockFileEx(handleOf(handle), flags, 0, 1, 0, &range))
                return std::nullopt;
            const DWORD error = ::GetLastError();
            if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
                return LockFailure {false, systemReason(error)};
            if (std::chrono::steady_clock::now() >= deadline)
                return LockFailure {true, systemReason(ERROR_LOCK_VIOLATION)};
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(50));
        }
    }

    Status status(Handle handle) override
    {
        BY_HANDLE_FILE_INFORMATION information;
        if (!::GetFileInformationByHandle(handleOf(handle), &information))
            return {lastFailure(), 0, {}, false};
        return {std::nullopt,
                qint64(quint64(information.nFileSizeHigh) << 32 | information.nFileSizeLow),
                idOf(information), ownedByUser(handleOf(handle))};
    }

    std::optional<FileId> idAt(const QString &path) override
    {
        // No access asked: only the file's identity is read. Folders need backup semantics.
        const HANDLE file = ::CreateFileW(nativeName(path).c_str(), 0, shareAll, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return std::nullopt;
        BY_HANDLE_FILE_INFORMATION information;
        const bool read = ::GetFileInformationByHandle(file, &information);
        ::CloseHandle(file);
        return read ? std::optional(idOf(information)) : std::nullopt;
    }

    Failure write(Handle handle, QByteArrayView bytes) override
    {
        while (!bytes.isEmpty()) {
            // The offset "all ones" writes at the end of the file.
            OVERLAPPED end = at(~quint64(0));
            DWORD written = 0;
            const DWORD size = DWORD(std::min<qsizetype>(bytes.size(), 1 << 30));
            if (!::WriteFile(handleOf(handle), bytes.data(), size, &written, &end))
                return lastFailure();
            if (written == 0)
                return systemReason(ERROR_DISK_FULL);
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
            OVERLAPPED from = at(quint64(offset + got));
            DWORD read = 0;
            const DWORD wanted = DWORD(std::min<qint64>(size - got, 1 << 30));
            const bool succeeded = ::ReadFile(handleOf(handle), bytes.data() + start + got, wanted,
                                              &read, &from);
            if (!succeeded || read == 0) {
                const DWORD error = succeeded ? ERROR_HANDLE_EOF : ::GetLastError();
                bytes.resize(start + got);
                return error == ERROR_HANDLE_EOF ? std::nullopt
                                                 : std::optional(systemReason(error));
            }
            got += read;
        }
        return std::nullopt;
    }

    Failure sync(Handle handle) override { return failureOf(flush(handleOf(handle))); }

    Failure cutTo(Handle handle, qint64 length) override
    {
        FILE_END_OF_FILE_INFO end;
        end.EndOfFile.QuadPart = length;
        return failureOf(::SetFileInformationByHandle(handleOf(handle), FileEndOfFileInfo, &end,
                                                      sizeof end));
    }

    Failure remove(const QString &path) override
    {
        return failureOf(::DeleteFileW(nativeName(path).c_str()));
    }

    Failure rename(const QString &from, const QString &to) override
    {
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken makes the move fail; write
        // through returns only once the new name is on the disk.
        return failureOf(::MoveFileExW(nativeName(from).c_str(), nativeName(to).c_str(),
                                       MOVEFILE_WRITE_THROUGH));
    }

    Failure syncFolder(const QString &) override
    {
        // NTFS has no sync of a folder's names: it journals them itself, and a name made,
        // removed or renamed is as durable as its file's own flush makes it.
        return std::nullopt;
    }

    Failure makeFolder(const QString &path) override
    {
        // For its owner alone: a folder at a drive's root would otherwise inherit the root's
        // permissions, which let every user of the computer read it. The one entry is
        // inherited by the files and folders made in it.
        const auto user = tokenInformation(TokenUser);
        wchar_t *sid = nullptr;
        if (!user
            || !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.get())->User.Sid,
                                         &sid))
            return lastFailure();
        const QString sddl = u"D:P(A;OICI;FA;;;%1)"_s.arg(QString::fromWCharArray(sid));
        ::LocalFree(sid);
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    sddl.toStdWString().c_str(), SDDL_REVISION_1, &attributes.lpSecurityDescriptor,
                    nullptr))
            return lastFailure();
        const std::unique_ptr<void, LocalFreeDeleter> keep(attributes.lpSecurityDescriptor);
        return failureOf(::CreateDirectoryW(nativeName(path).c_str(), &attributes));
    }

private:
    static FileId idOf(const BY_HANDLE_FILE_INFORMATION &information)
    {
        return {information.dwVolumeSerialNumber,
                quint64(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
    }
};

} // namespace

FileLayer &FileLayer::system()
{
    static Win32FileLayer layer;
    return layer;
}

int FileLayer::flushCount()
{
    return flushes;
}

void FileLayer::writeErrorLine(QStringView line)
{
    // A console on its OEM code page would show UTF-8 bytes as other letters; its characters
    // are written as they are. Standard error is the last place to tell of a failure: one of its
    // own goes untold.
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode, written;
    if (::GetConsoleMode(error, &mode)) {
        const QString text = line.toString().append(u"\r\n");
        ::WriteConsoleW(error, text.utf16(), DWORD(text.size()), &written, nullptr);
        return;
    }
    system().write(Handle(error), line.toUtf8() + "\r\n");
}

QString FileLayer::stateFolder(const QString &homeFolder)
{
    // The user's own application data on this computer, which does not roam with the profile,
    // where Windows says it is (SHGetKnownFolderPath(FOLDERID_LocalAppData)): an administrator
    // may have moved it.
    const QString local = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return local.isEmpty() ? homeFolder + u"/AppData/Local"_s : local;
}

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <chrono>
#include <optional>
#include <utility>

// The operating system's file calls, and the only code that knows which system it runs on: a
// POSIX side and a Win32 side, chosen by the build. Everything the program writes or reads goes
// through one of these, so a test can put a layer of its own in between that fails any call, or
// stops the program there as a kill would.
//
// Paths are this file system's (as QDir gives them, "/" separated). A call that fails says why in
// the system's words; `Failure` is empty when it succeeded.
class FileLayer
{
public:
    using Handle = qintptr; // a file descriptor, or a Windows HANDLE
    static constexpr Handle noHandle = -1;
    using Failure = std::optional<QString>;

    // A file opened, or why it could not be. Only a regular file is ever kept open: a FIFO, a
    // device or a link to nowhere is refused without waiting or reading.
    struct Opened
    {
        Handle handle = noHandle;
        bool created = false; // made by this open
        bool missing = false; // there is no such file (a link to nowhere is not missing)
        QString failure;
        // Something that is not a regular file is at the name: a FIFO, a device, a folder, or a
        // link where links are refused. Unlike a failing disk, that is a fact about the name.
        bool notAFile = false;
    };

    // Which file a handle or a name leads to, for as long as the program runs.
    struct FileId
    {
        quint64 volume = 0;
        quint64 index = 0;
        bool operator==(const FileId &) const = default;
    };

    struct Status
    {
        Failure failure;
        qint64 size = 0;
        FileId id;
        bool ownedByUser = false;
    };

    struct LockFailure
    {
        bool busy = false; // another program still held the lock when the wait ran out
        QString reason;
    };

    enum class LockKind { Shared, Exclusive };
    enum class Links { Follow, Refuse };

    virtual ~FileLayer() = default;

    // Opens the file for appending and reading; a missing one is made, readable by its owner
    // alone.
    virtual Opened openForAppend(const QString &path) = 0;
    // Opens an existing file for reading; with `Links::Refuse` a symbolic link is not followed.
    virtual Opened openForReading(const QString &path, Links links) = 0;
    // Opens an existing file to read its end and cut it back.
    virtual Opened openForCutting(const QString &path) = 0;
    // Makes a new file for writing, readable by its owner alone; never over a file or a link
    // that is there.
    virtual Opened createNew(const QString &path) = 0;
    virtual void close(Handle handle) = 0;

    // Waits at most `wait` for a lock on the file, which the system lets go when it is closed.
    // Other programs may still read the file while it is locked.
    virtual std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                            std::chrono::milliseconds wait)
            = 0;
    virtual Status status(Handle handle) = 0;
    // Which file the name leads to now; nothing when it leads nowhere.
    virtual std::optional<FileId> idAt(const QString &path) = 0;

    // Writes all of `bytes` at the end of a file opened for appending.
    virtual Failure write(Handle handle, QByteArrayView bytes) = 0;
    // Appends to `bytes` up to `size` bytes from `offset` on; fewer at the end of the file.
    virtual Failure read(Handle handle, qint64 offset, qint64 size, QByteArray &bytes) = 0;
    // Returns once what was written, or the cut, is on the disk.
    virtual Failure sync(Handle handle) = 0;
    virtual Failure cutTo(Handle handle, qint64 length) = 0;

    virtual Failure remove(const QString &path) = 0;
    // Gives a file a new name in its folder, never over another file.
    virtual Failure rename(const QString &from, const QString &to) = 0;
    // Returns once the folder's names (files made, removed or renamed in it) are on the disk.
    virtual Failure syncFolder(const QString &path) = 0;
    // Makes the folder, for its owner alone, and keeps its name on the disk.
    virtual Failure makeFolder(const QString &path) = 0;

    // The system's own layer.
    static FileLayer &system();
    // Where the user's programs keep their state, outside any document folder, for the user
    // whose home folder is `homeFolder`.
    static QString stateFolder(const QString &homeFolder);
    // How many flushes the system's layer has asked the disk for, of files and folders alike: a
    // flush leaves nothing a test could read back, so tests count them.
    static int flushCount();
    // Writes `line` and the system's line end to standard error: to a console in characters
    // whatever its code page, to a file or a pipe as UTF-8.
    static void writeErrorLine(QStringView line);
};

// A handle that is closed when it goes, through the layer that opened it.
class FileHandle
{
public:
    FileHandle() = default;
    FileHandle(FileLayer &layer, FileLayer::Handle handle) : m_layer(&layer), m_handle(handle) { }
    FileHandle(FileHandle &&other) noexcept
        : m_layer(other.m_layer), m_handle(std::exchange(other.m_handle, FileLayer::noHandle))
    { }
    FileHandle &operator=(FileHandle &&other) noexcept
    {
        std::swap(m_layer, other.m_layer);
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    ~FileHandle() { close(); }

    void close()
    {
        if (m_handle != FileLayer::noHandle)
            m_layer->close(std::exchange(m_handle, FileLayer::noHandle));
    }
    bool isOpen() const { return m_handle != FileLayer::noHandle; }
    FileLayer::Handle get() const { return m_handle; }

private:
    FileLayer *m_layer = nullptr;
    FileLayer::Handle m_handle = FileLayer::noHandle;
};

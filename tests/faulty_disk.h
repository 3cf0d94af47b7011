#pragma once

#include "files/file_layer.h"

#include <QHash>
#include <QStringList>

#include <optional>

// The system's file layer with a test in between. It numbers the calls that touch the disk, from
// 1; it can stop the program before one of them, as a kill would (by throwing `Killed`, so nothing
// after it runs), and fail calls as a failing disk would. It also keeps what a power loss would
// leave of the folders it watches: each file's bytes as of its last sync, and the names as of the
// folder's last sync. Syncs go no further than that model, which keeps the tests fast.
class FaultyDisk : public FileLayer
{
public:
    struct Killed
    {
    };

    explicit FaultyDisk(const QStringList &watchedFolders = {});

    int calls = 0; // the calls made so far
    int killAt = 0; // the call before which the program is killed; never when 0
    int failFrom = 0; // the first call to fail; none when 0
    int failTo = 0; // the last call to fail
    QString failure = QStringLiteral("Input/output error");
    // A folder where no new file may be made, as one the user may write files in but not add
    // names to.
    QString refusedFolder;

    // Puts the watched folders back as a power loss now would leave them.
    void losePower();

    Opened openForAppend(const QString &path) override;
    Opened openForReading(const QString &path, Links links) override;
    Opened openForCutting(const QString &path) override;
    Opened createNew(const QString &path) override;
    void close(Handle handle) override;
    std::optional<LockFailure> lock(Handle handle, LockKind kind,
                                    std::chrono::milliseconds wait) override;
    Status status(Handle handle) override;
    std::optional<FileId> idAt(const QString &path) override;
    Failure write(Handle handle, QByteArrayView bytes) override;
    Failure read(Handle handle, qint64 offset, qint64 size, QByteArray &bytes) override;
    Failure sync(Handle handle) override;
    Failure cutTo(Handle handle, qint64 length) override;
    Failure remove(const QString &path) override;
    Failure rename(const QString &from, const QString &to) override;
    Failure syncFolder(const QString &path) override;
    Failure makeFolder(const QString &path) override;

protected:
    FileLayer &m_system = FileLayer::system();

private:
    // Counts a call; throws before it when it is the one to be killed at, and gives the failure
    // when it is one to fail.
    Failure nextCall();
    Opened opened(const QString &path, const Opened &opened);

    QStringList m_folders;
    QHash<Handle, QString> m_paths;
    QHash<QString, QByteArray> m_synced; // each file's bytes as of its last sync
    QHash<QString, QStringList> m_names; // each folder's names as of its last sync
};

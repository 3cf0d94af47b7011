#include "faulty_disk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

FaultyDisk::FaultyDisk(const QStringList &watchedFolders) : m_folders(watchedFolders)
{
    for (const QString &folder : m_folders) {
        m_names[folder] = namesIn(folder);
        for (const QString &name : m_names[folder])
            m_synced[folder + u'/' + name] = bytesOf(folder + u'/' + name);
    }
}

void FaultyDisk::losePower()
{
    for (const QString &folder : std::as_const(m_folders)) {
        const QStringList kept = m_names.value(folder);
        for (const QString &name : namesIn(folder)) {
            if (!kept.contains(name))
                QFile::remove(folder + u'/' + name);
        }
        for (const QString &name : kept) {
            QFile file(folder + u'/' + name);
            if (!file.open(QIODevice::WriteOnly)
                || file.write(m_synced.value(file.fileName()))
                        != m_synced.value(file.fileName()).size())
                qFatal("Could not put back %s", qPrintable(file.fileName()));
        }
    }
}

FileLayer::Failure FaultyDisk::nextCall()
{
    ++calls;
    if (calls == killAt)
        throw Killed();
    if (failFrom > 0 && calls >= failFrom && calls <= failTo)
        return failure;
    return std::nullopt;
}

FileLayer::Opened FaultyDisk::opened(const QString &path, const Opened &opened)
{
    if (opened.handle != noHandle)
        m_paths[opened.handle] = path;
    return opened;
}

FileLayer::Opened FaultyDisk::openForAppend(const QString &path)
{
    if (auto failure = nextCall())
        return {noHandle, false, false, *failure};
    return opened(path, m_system.openForAppend(path));
}

FileLayer::Opened FaultyDisk::openForReading(const QString &path, Links links)
{
    if (auto failure = nextCall())
        return {noHandle, false, false, *failure};
    return opened(path, m_system.openForReading(path, links));
}

FileLayer::Opened FaultyDisk::openForCutting(const QString &path)
{
    if (auto failure = nextCall())
        return {noHandle, false, false, *failure};
    return opened(path, m_system.openForCutting(path));
}

FileLayer::Opened FaultyDisk::createNew(const QString &path)
{
    if (auto failure = nextCall())
        return {noHandle, false, false, *failure};
    // Whatever path leads to the folder.
    if (!refusedFolder.isEmpty()
        && QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath()
                == QFileInfo(refusedFolder).canonicalFilePath())
        return {noHandle, false, false, QStringLiteral("Permission denied")};
    return opened(path, m_system.createNew(path));
}

// Closing touches nothing on the disk, and a killed program's files are closed too.
void FaultyDisk::close(Handle handle)
{
    m_paths.remove(handle);
    m_system.close(handle);
}

std::optional<FileLayer::LockFailure> FaultyDisk::lock(Handle handle, LockKind kind,
                                                       std::chrono::milliseconds wait)
{
    if (auto failure = nextCall())
        return LockFailure {false, *failure};
    return m_system.lock(handle, kind, wait);
}

FileLayer::Status FaultyDisk::status(Handle handle)
{
    if (auto failure = nextCall())
        return {failure, 0, {}, false};
    return m_system.status(handle);
}

std::optional<FileLayer::FileId> FaultyDisk::idAt(const QString &path)
{
    if (nextCall())
        return std::nullopt;
    return m_system.idAt(path);
}

FileLayer::Failure FaultyDisk::write(Handle handle, QByteArrayView bytes)
{
    if (auto failure = nextCall()) {
        // A failing disk may take part of the bytes first.
        m_system.write(handle, bytes.first(bytes.size() / 2));
        return failure;
    }
    return m_system.write(handle, bytes);
}

FileLayer::Failure FaultyDisk::read(Handle handle, qint64 offset, qint64 size, QByteArray &bytes)
{
    if (auto failure = nextCall())
        return failure;
    return m_system.read(handle, offset, size, bytes);
}

FileLayer::Failure FaultyDisk::sync(Handle handle)
{
    if (auto failure = nextCall())
        return failure;
    m_synced[m_paths.value(handle)] = bytesOf(m_paths.value(handle));
    return std::nullopt;
}

FileLayer::Failure FaultyDisk::cutTo(Handle handle, qint64 length)
{
    if (auto failure = nextCall())
        return failure;
    return m_system.cutTo(handle, length);
}

FileLayer::Failure FaultyDisk::remove(const QString &path)
{
    if (auto failure = nextCall())
        return failure;
    return m_system.remove(path);
}

FileLayer::Failure FaultyDisk::rename(const QString &from, const QString &to)
{
    if (auto failure = nextCall())
        return failure;
    // The bytes go with the file to its new name, once that name is kept.
    if (m_synced.contains(from))
        m_synced[to] = m_synced.value(from);
    return m_system.rename(from, to);
}

FileLayer::Failure FaultyDisk::syncFolder(const QString &path)
{
    if (auto failure = nextCall())
        return failure;
    if (m_folders.contains(path))
        m_names[path] = namesIn(path);
    return std::nullopt;
}

FileLayer::Failure FaultyDisk::makeFolder(const QString &path)
{
    if (auto failure = nextCall())
        return failure;
    return m_system.makeFolder(path);
}

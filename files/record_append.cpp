#include "record_append.h"

#include "journal.h"

#include <QDir>
#include <QFileInfo>

#include <deque>

using namespace Qt::Literals::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

const QString busyReason = u"Another run of the program is writing to it"_s;

// Rounded up, so that a wait that runs out ends at the deadline, never a part of a millisecond
// before it.
std::chrono::milliseconds timeLeft(Clock::time_point deadline)
{
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

// Takes the lock on `handle` before `deadline`; the reason when it could not.
std::optional<QString> lockBefore(FileLayer &files, FileLayer::Handle handle,
                                  Clock::time_point deadline)
{
    const auto failure = files.lock(handle, FileLayer::LockKind::Exclusive, timeLeft(deadline));
    if (!failure)
        return std::nullopt;
    return failure->busy ? busyReason : failure->reason;
}

// A file's share of the record, and the file while it is open (and locked, until it closes).
struct AppendFile
{
    explicit AppendFile(const FileRecord &record) : record(record) { }

    const FileRecord &record;
    FileHandle handle;
    FileLayer::FileId id;
    bool madeByOpen = false; // so removed again on a failure, when it is still empty
    bool locked = false;
    qint64 lengthBefore = 0;
    QByteArray fingerprint;
    bool written = false; // a write was tried, so the file may have grown
};

// One append, in its phases: lock all files, finish an earlier writer's record, measure, write
// the journal, write the files, commit; and roll back on a failure before the commit.
class RecordAppend
{
public:
    RecordAppend(const RecordPlace &place, const QList<FileRecord> &records)
        : m_files(place.files), m_folder(QFileInfo(records.first().path).absolutePath()),
          m_journal(place.files, records.first().path, place.stateFolder),
          m_deadline(Clock::now() + place.lockWait)
    {
        for (const FileRecord &record : records)
            m_appendFiles.emplace_back(record);
    }

    AppendOutcome run()
    {
        for (const auto phase :
             {&RecordAppend::lockAll, &RecordAppend::recover, &RecordAppend::measure,
              &RecordAppend::writeJournal, &RecordAppend::write, &RecordAppend::commit}) {
            if (std::optional<AppendFailure> failure = (this->*phase)()) {
                rollBack(*failure);
                return {failure, m_notices};
            }
        }
        return {std::nullopt, m_notices};
    }

private:
    std::optional<AppendFailure> failedAt(const AppendFile &file, const QString &reason)
    {
        return AppendFailure {file.record.path, reason, {}};
    }

    std::optional<AppendFailure> lockAll()
    {
        for (AppendFile &file : m_appendFiles) {
            if (auto failure = open(file); failure || (failure = lock(file)))
                return failedAt(file, *failure);
            file.locked = true;
        }
        return std::nullopt;
    }

    // Opens the file and learns which file it is; fails for a second name of a file already open.
    std::optional<QString> open(AppendFile &file)
    {
        const FileLayer::Opened opened = m_files.openForAppend(file.record.path);
        if (opened.handle == FileLayer::noHandle)
            return opened.failure;
        file.handle = FileHandle(m_files, opened.handle);
        file.madeByOpen = opened.created;
        const FileLayer::Status status = m_files.status(file.handle.get());
        if (status.failure)
            return status.failure;
        file.id = status.id;
        // Locking a second name of a locked file would wait for ever.
        for (const AppendFile &other : m_appendFiles) {
            if (&other != &file && other.handle.isOpen() && other.id == file.id) {
                return u"It is the same file as %1"_s.arg(
                        QDir::toNativeSeparators(other.record.path));
            }
        }
        return std::nullopt;
    }

    // Locks the file, opened again when its name has come to lead elsewhere meanwhile (a failed
    // append that made the file removes it again).
    std::optional<QString> lock(AppendFile &file)
    {
        for (;;) {
            if (auto failure = lockBefore(m_files, file.handle.get(), m_deadline))
                return failure;
            if (m_files.idAt(file.record.path) == file.id)
                return std::nullopt;
            file.handle.close();
            if (Clock::now() >= m_deadline)
                return busyReason;
            if (auto failure = open(file))
                return failure;
        }
    }

    std::optional<AppendFailure> recover()
    {
        Journal::Recovery recovery = m_journal.recover();
        m_notices << recovery.notices;
        if (recovery.failedPath.isEmpty())
            return std::nullopt;
        return AppendFailure {recovery.failedPath, recovery.reason,
                              recovery.partLeft ? QStringList {recovery.failedPath}
                                                : QStringList()};
    }

    std::optional<AppendFailure> measure()
    {
        for (AppendFile &file : m_appendFiles) {
            const FileLayer::Status status = m_files.status(file.handle.get());
            if (status.failure)
                return failedAt(file, *status.failure);
            file.lengthBefore = status.size;
            const qint64 from = std::max<qint64>(0, file.lengthBefore - Journal::fingerprinted);
            QByteArray before;
            if (auto failure
                = m_files.read(file.handle.get(), from, file.lengthBefore - from, before))
                return failedAt(file, *failure);
            file.fingerprint = Journal::fingerprint(before);
        }
        return std::nullopt;
    }

    std::optional<AppendFailure> writeJournal()
    {
        QList<Journal::Entry> entries;
        bool madeFiles = false;
        for (const AppendFile &file : m_appendFiles) {
            entries.append({QFileInfo(file.record.path).fileName(), file.lengthBefore,
                            file.record.bytes.size(), file.fingerprint, file.record.bytes});
            madeFiles |= file.madeByOpen;
        }
        if (auto failure = m_journal.write(entries, madeFiles))
            return AppendFailure {m_folder, *failure, {}};
        m_journalWritten = true;
        return std::nullopt;
    }

    std::optional<AppendFailure> write()
    {
        for (AppendFile &file : m_appendFiles) {
            file.written = true;
            FileLayer::Failure failure = m_files.write(file.handle.get(), file.record.bytes);
            if (!failure)
                failure = m_files.sync(file.handle.get());
            if (failure)
                return failedAt(file, *failure);
        }
        return std::nullopt;
    }

    std::optional<AppendFailure> commit()
    {
        if (auto failure = m_journal.remove())
            return AppendFailure {m_folder, *failure, {}};
        // Committed: from here on nothing is undone, whatever the disk says.
        if (auto failure = m_journal.syncRemoval()) {
            m_notices << u"The record was written to the files in %1, but the disk then reported "
                         u"an error: %2. If the computer stops suddenly, look at the end of the "
                         u"files."_s.arg(QDir::toNativeSeparators(m_folder), *failure);
        }
        return std::nullopt;
    }

    // Cuts back every file a write was tried on and removes the files this append made; the
    // journal stays until all of that is done, so a kill meanwhile is finished by the next append.
    void rollBack(AppendFailure &failure)
    {
        for (const AppendFile &file : m_appendFiles) {
            if (!file.written)
                continue;
            FileLayer::Failure cut = m_files.cutTo(file.handle.get(), file.lengthBefore);
            if (!cut)
                cut = m_files.sync(file.handle.get());
            if (cut)
                failure.uncut << file.record.path;
        }
        if (!failure.uncut.isEmpty())
            return;
        bool removed = false;
        for (AppendFile &file : m_appendFiles) {
            if (file.madeByOpen && isEmptyAndOurs(file))
                removed |= !m_files.remove(file.record.path);
        }
        if (removed)
            m_files.syncFolder(m_folder);
        if (m_journalWritten && !m_journal.remove())
            m_journal.syncRemoval();
    }

    // Whether a file is still empty and no other run can be writing to it: this one holds its
    // lock, or no run can have one.
    bool isEmptyAndOurs(AppendFile &file)
    {
        if (!file.handle.isOpen())
            return false;
        if (!file.locked) {
            const auto failure = m_files.lock(file.handle.get(), FileLayer::LockKind::Exclusive,
                                              std::chrono::milliseconds(0));
            if (failure && failure->busy)
                return false;
        }
        const FileLayer::Status status = m_files.status(file.handle.get());
        return !status.failure && status.size == 0;
    }

    FileLayer &m_files;
    const QString m_folder;
    Journal m_journal;
    const Clock::time_point m_deadline;
    // A deque, as its files are neither copied nor moved once open.
    std::deque<AppendFile> m_appendFiles;
    bool m_journalWritten = false;
    QStringList m_notices;
};

} // namespace

AppendOutcome appendRecords(const RecordPlace &place, const QList<FileRecord> &records)
{
    return RecordAppend(place, records).run();
}

AppendOutcome finishUnfinishedRecord(const RecordPlace &place, const QString &masterPath,
                                     const std::function<void()> &whileLocked)
{
    // Opened for writing too, as a network file system grants an exclusive lock only so; a master
    // file the user may only read is locked as well as the system lets.
    FileLayer::Opened opened = place.files.openForCutting(masterPath);
    if (opened.handle == FileLayer::noHandle && !opened.missing)
        opened = place.files.openForReading(masterPath, FileLayer::Links::Follow);
    // Without a master file to lock, no record can have been started.
    if (opened.missing) {
        whileLocked();
        return {};
    }
    if (opened.handle == FileLayer::noHandle)
        return {AppendFailure {masterPath, opened.failure, {}}, {}};
    const FileHandle master(place.files, opened.handle);
    if (auto failure = lockBefore(place.files, master.get(), Clock::now() + place.lockWait))
        return {AppendFailure {masterPath, *failure, {}}, {}};
    const Journal::Recovery recovery
            = Journal(place.files, masterPath, place.stateFolder).recover();
    if (!recovery.failedPath.isEmpty())
        return {AppendFailure {recovery.failedPath, recovery.reason, {}}, recovery.notices};
    whileLocked();
    return {std::nullopt, recovery.notices};
}

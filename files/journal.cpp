#include "journal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray firstLine = "q_a_interface rollback journal 1\n";
// The last line: a journal without it was cut short while being written, before any file was
// touched.
const QByteArray lastLine = "end\n";
// Far more than three entries take; a larger journal is none of this program's.
constexpr qint64 largestJournal = 4096;
// Larger than any file this program can grow, small enough that sums cannot overflow.
constexpr qint64 largestLength = qint64(1) << 52;

std::optional<qint64> lengthField(const QByteArray &field)
{
    bool ok = false;
    const qint64 length = field.toLongLong(&ok);
    if (!ok || length < 0 || length > largestLength || field.startsWith('+'))
        return std::nullopt;
    return length;
}

// The entries of a journal's text; nothing when it is not one this program writes.
std::optional<QList<Journal::Entry>> parse(const QByteArray &text)
{
    if (!text.startsWith(firstLine) || !text.endsWith(lastLine))
        return std::nullopt;
    const QByteArray body
            = text.sliced(firstLine.size(), text.size() - firstLine.size() - lastLine.size());
    QList<Journal::Entry> entries;
    QStringList names;
    QList<QByteArray> lines = body.split('\n');
    if (!lines.takeLast().isEmpty())
        return std::nullopt;
    for (const QByteArray &line : std::as_const(lines)) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 4)
            return std::nullopt;
        const auto before = lengthField(fields[0]);
        const auto length = lengthField(fields[1]);
        const QString name = QString::fromLatin1(fields[3]);
        if (!before || !length || *length == 0 || fields[2].size() != 64
            || QByteArray::fromHex(fields[2]).toHex() != fields[2]
            || !Journal::isRecordFileName(name) || names.contains(name))
            return std::nullopt;
        names << name;
        entries.append({name, *before, *length, fields[2]});
    }
    if (entries.isEmpty())
        return std::nullopt;
    return entries;
}

// The status of an opened file, or why it could not be opened.
FileLayer::Status statusOf(FileLayer &files, const FileLayer::Opened &opened)
{
    if (opened.handle != FileLayer::noHandle)
        return files.status(opened.handle);
    return {opened.failure, 0, {}, false};
}

QByteArray format(const QList<Journal::Entry> &entries)
{
    QByteArray text = firstLine;
    for (const Journal::Entry &entry : entries) {
        text += QByteArray::number(entry.lengthBefore) + ' '
                + QByteArray::number(entry.recordLength) + ' ' + entry.fingerprint + ' '
                + entry.name.toLatin1() + '\n';
    }
    return text + lastLine;
}

} // namespace

Journal::Journal(FileLayer &files, const QString &folder, const QString &stateFolder)
    : m_files(files), m_folder(folder), m_inFolder(folder + u'/' + journalName),
      m_inStateFolder(stateFolder + u'/'
                      + QString::fromLatin1(QCryptographicHash::hash(QFile::encodeName(folder),
                                                                     QCryptographicHash::Sha256)
                                                    .toHex()
                                                    .left(32))
                      + u".journal"_s),
      m_path(m_inFolder)
{ }

bool Journal::isRecordFileName(const QString &name)
{
    static const QRegularExpression names(u"\\A(masterFile|send_[0-9]{4}|notes_)\\.txt\\z"_s);
    return names.match(name).hasMatch();
}

QByteArray Journal::fingerprint(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

Journal::Recovery Journal::recover()
{
    Recovery recovery;
    for (const QString &path : {m_inFolder, m_inStateFolder}) {
        recoverFrom(path, recovery);
        if (!recovery.failedPath.isEmpty())
            break;
    }
    return recovery;
}

void Journal::recoverFrom(const QString &journalPath, Recovery &recovery)
{
    // A journal is set aside under a name that says why, never over an earlier one.
    const auto setAside = [&](const QString &why) {
        const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMddThhmmsszzz"_s);
        for (int attempt = 1; attempt <= 10; ++attempt) {
            const QString aside = u"%1.%2-%3-%4"_s.arg(journalPath, why, stamp).arg(attempt);
            if (!m_files.rename(journalPath, aside))
                return m_files.syncFolder(QFileInfo(journalPath).absolutePath());
        }
        return FileLayer::Failure(u"No free name to set the journal aside"_s);
    };

    QByteArray text;
    {
        const FileLayer::Opened opened
                = m_files.openForReading(journalPath, FileLayer::Links::Refuse);
        if (opened.missing)
            return;
        const FileHandle journal(m_files, opened.handle);
        const FileLayer::Status status = statusOf(m_files, opened);
        if (status.failure || !status.ownedByUser || status.size > largestJournal
            || m_files.read(journal.get(), 0, largestJournal + 1, text)) {
            // Nothing this program writes, so it has touched no file: it must not stop the
            // recording, whether or not it can be moved out of the way.
            setAside(u"unusable"_s);
            return;
        }
    }
    // Cut short while it was written, before any file was touched.
    const bool cutShort = !text.endsWith(lastLine) && text.size() <= largestJournal;
    const auto entries = parse(text);
    if (!entries && !cutShort) {
        setAside(u"unusable"_s);
        return;
    }

    QStringList unmatched;
    for (const Entry &entry : entries.value_or(QList<Entry>())) {
        const QString path = m_folder + u'/' + entry.name;
        const FileLayer::Opened opened = m_files.openForCutting(path);
        if (opened.missing)
            continue;
        const FileHandle file(m_files, opened.handle);
        const FileLayer::Status status = statusOf(m_files, opened);
        if (status.failure) {
            recovery = {path, *status.failure, true, recovery.notices};
            return;
        }
        if (status.size == entry.lengthBefore)
            continue;
        const qint64 from = std::max<qint64>(0, entry.lengthBefore - fingerprinted);
        QByteArray before;
        const FileLayer::Failure read = status.size > entry.lengthBefore
                        && status.size - entry.lengthBefore <= entry.recordLength
                ? m_files.read(file.get(), from, entry.lengthBefore - from, before)
                : FileLayer::Failure(QString());
        if (read || fingerprint(before) != entry.fingerprint) {
            unmatched << path;
            continue;
        }
        // Cut through the handle that was checked, so no file put at the name meanwhile is.
        FileLayer::Failure cut = m_files.cutTo(file.get(), entry.lengthBefore);
        if (!cut)
            cut = m_files.sync(file.get());
        if (cut) {
            recovery = {path, *cut, true, recovery.notices};
            return;
        }
    }

    if (!unmatched.isEmpty()) {
        // It may still tell someone where a record was left unfinished, so it is kept; but it
        // must never cut what has been written since.
        if (const FileLayer::Failure failure = setAside(u"unmatched"_s)) {
            recovery = {m_folder, *failure, false, recovery.notices};
            return;
        }
        for (const QString &path : unmatched) {
            recovery.notices << u"%1 may end in part of a record that an earlier run did not "
                                u"finish. It was not cut back, as the file has changed since."_s
                                        .arg(QDir::toNativeSeparators(path));
        }
        return;
    }
    FileLayer::Failure removed = m_files.remove(journalPath);
    if (!removed)
        removed = m_files.syncFolder(QFileInfo(journalPath).absolutePath());
    if (removed)
        recovery = {m_folder, *removed, false, recovery.notices};
}

FileLayer::Failure Journal::write(const QList<Entry> &entries, bool madeFiles)
{
    FileLayer::Opened opened = m_files.createNew(m_inFolder);
    m_path = m_inFolder;
    if (opened.handle == FileLayer::noHandle) {
        // A folder the student may write files in but not make names in.
        const QString stateFolder = QFileInfo(m_inStateFolder).absolutePath();
        QDir().mkpath(QFileInfo(stateFolder).absolutePath());
        m_files.makeFolder(stateFolder);
        const FileLayer::Opened inStateFolder = m_files.createNew(m_inStateFolder);
        if (inStateFolder.handle == FileLayer::noHandle)
            return opened.failure;
        opened = inStateFolder;
        m_path = m_inStateFolder;
    }
    FileHandle journal(m_files, opened.handle);
    FileLayer::Failure failure = m_files.write(journal.get(), format(entries));
    if (!failure)
        failure = m_files.sync(journal.get());
    journal.close();
    const QString journalFolder = QFileInfo(m_path).absolutePath();
    if (!failure)
        failure = m_files.syncFolder(journalFolder);
    if (!failure && madeFiles && journalFolder != m_folder)
        failure = m_files.syncFolder(m_folder);
    if (failure)
        m_files.remove(m_path);
    return failure;
}

FileLayer::Failure Journal::remove()
{
    return m_files.remove(m_path);
}

FileLayer::Failure Journal::syncRemoval()
{
    return m_files.syncFolder(QFileInfo(m_path).absolutePath());
}

#include "journal.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <variant>

using namespace Qt::Literals::StringLiterals;

namespace {

// The first format, written by earlier versions, lists the files without the record's bytes.
const QByteArray firstLineWithoutShares = "q_a_interface rollback journal 1\n";
const QByteArray firstLine = "q_a_interface rollback journal 2\n";
// After the entries: the record's bytes for each file follow, in the entries' order.
const QByteArray sharesLine = "shares\n";
// The last line: a journal without it was cut short while being written, before any file was
// touched.
const QByteArray lastLine = "end\n";
// Far more than the lines of three entries take; a longer head is none of this program's.
constexpr qint64 largestHead = 4096;
// Larger than any record's bytes the program writes, small enough to be read in one piece.
constexpr qint64 largestShares = qint64(1) << 30;

std::optional<qint64> lengthField(const QByteArray &field, qint64 largest)
{
    bool ok = false;
    const qint64 length = field.toLongLong(&ok);
    if (!ok || length < 0 || length > largest || field.startsWith('+'))
        return std::nullopt;
    return length;
}

// The lines before the records' bytes: the entries, and how many bytes they take.
struct Head
{
    QList<Journal::Entry> entries;
    qint64 size = 0;
    bool withShares = false;
};
struct NotAJournal
{
};
struct Unfinished // a beginning of a journal's head, and no more
{
};

std::variant<Head, NotAJournal, Unfinished> parseHead(const QByteArray &text)
{
    const bool withShares = text.startsWith(firstLine);
    if (!withShares && !text.startsWith(firstLineWithoutShares)) {
        const bool beginning
                = firstLine.startsWith(text) || firstLineWithoutShares.startsWith(text);
        return beginning ? std::variant<Head, NotAJournal, Unfinished>(Unfinished())
                         : NotAJournal();
    }
    Head head {{}, firstLine.size(), withShares};
    QStringList names;
    for (;;) {
        const qsizetype end = text.indexOf('\n', head.size);
        if (end < 0)
            return Unfinished();
        const QByteArray line = text.sliced(head.size, end + 1 - head.size);
        head.size = end + 1;
        if (line == (withShares ? sharesLine : lastLine))
            break;
        const QList<QByteArray> fields = line.chopped(1).split(' ');
        if (fields.size() != 4)
            return NotAJournal();
        const auto before = lengthField(fields[0], qint64(1) << 52);
        const auto length = lengthField(fields[1], largestShares);
        const QString name = QString::fromLatin1(fields[3]);
        if (!before || !length || *length == 0 || fields[2].size() != 64
            || QByteArray::fromHex(fields[2]).toHex() != fields[2]
            || !Journal::isRecordFileName(name) || names.contains(name))
            return NotAJournal();
        names << name;
        head.entries.append({name, *before, *length, fields[2], std::nullopt});
    }
    qint64 shares = 0;
    for (const Journal::Entry &entry : std::as_const(head.entries))
        shares += entry.recordLength;
    if (head.entries.isEmpty() || shares > largestShares)
        return NotAJournal();
    return head;
}

QByteArray format(const QList<Journal::Entry> &entries)
{
    QByteArray text = firstLine;
    for (const Journal::Entry &entry : entries) {
        text += QByteArray::number(entry.lengthBefore) + ' '
                + QByteArray::number(entry.recordLength) + ' ' + entry.fingerprint + ' '
                + entry.name.toLatin1() + '\n';
    }
    text += sharesLine;
    for (const Journal::Entry &entry : entries)
        text += *entry.share;
    return text + lastLine;
}

} // namespace

// What reading a journal came to: no journal, one to set aside unread, its entries (none for one
// cut short), or a failure that says nothing about it.
struct Journal::Read
{
    enum Kind { Missing, Unusable, Entries } kind = Missing;
    FileLayer::Failure failure;
    QList<Entry> entries;

    static Read of(Kind kind, QList<Entry> entries = {}) { return {kind, {}, std::move(entries)}; }
    static Read failed(FileLayer::Failure failure) { return {Missing, std::move(failure), {}}; }
};

// A listed file as recovery found it, open for the cut.
struct Journal::CheckedFile
{
    QString path;
    FileHandle handle;
    qint64 lengthBefore = 0;
    enum { Whole, Torn, Changed } state = Whole;
    FileLayer::Failure failure;
};

Journal::Journal(FileLayer &files, const QString &masterPath, const QString &stateFolder)
    : m_files(files), m_masterPath(masterPath), m_folder(QFileInfo(masterPath).absolutePath()),
      m_inFolder(m_folder + u'/' + journalName), m_stateFolder(stateFolder), m_path(m_inFolder)
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

std::optional<QString> Journal::inStateFolder()
{
    // The folder's identity, not its path: a link to it, another spelling of it or a second
    // mount of its disk all lead to the same journal. (The files a journal cuts are known by name
    // and content, which a copy keeps; this only finds the journal again while the folder is
    // where it was.)
    const std::optional<FileLayer::FileId> id = m_files.idAt(m_folder);
    if (!id)
        return std::nullopt;
    const QByteArray identity
            = QByteArray::number(id->volume) + ':' + QByteArray::number(id->index);
    return m_stateFolder + u'/'
            + QString::fromLatin1(
                    QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(32))
            + u".journal"_s;
}

Journal::Recovery Journal::recover()
{
    Recovery recovery;
    recoverFrom(m_inFolder, recovery);
    if (!recovery.failedPath.isEmpty())
        return recovery;
    if (const std::optional<QString> inState = inStateFolder())
        recoverFrom(*inState, recovery);
    else
        recovery = {m_masterPath, u"Its folder could not be read"_s, false, recovery.notices};
    return recovery;
}

void Journal::recoverFrom(const QString &journalPath, Recovery &recovery)
{
    const auto failed = [&](const QString &path, const QString &reason, bool partLeft) {
        recovery = {path, reason, partLeft, recovery.notices};
    };

    const Read journal = read(journalPath);
    if (journal.failure)
        return failed(m_masterPath, *journal.failure, false);
    if (journal.kind == Read::Missing)
        return;
    if (journal.kind == Read::Unusable) {
        // Nothing this program writes, so it has touched no file: it must not stop the
        // recording, whether or not it can be moved out of the way.
        if (!setAside(journalPath, u"unusable"_s))
            m_files.syncFolder(QFileInfo(journalPath).absolutePath());
        return;
    }

    std::vector<CheckedFile> files;
    for (const Entry &entry : journal.entries) {
        files.push_back(check(entry));
        if (files.back().failure)
            return failed(files.back().path, *files.back().failure, false);
    }

    for (CheckedFile &file : files) {
        if (file.state != CheckedFile::Torn)
            continue;
        // Cut through the handle that was checked, so no file put at the name meanwhile is.
        FileLayer::Failure cut = m_files.cutTo(file.handle.get(), file.lengthBefore);
        if (!cut)
            cut = m_files.sync(file.handle.get());
        if (cut)
            return failed(file.path, *cut, true);
    }

    QStringList changed;
    for (const CheckedFile &file : files) {
        if (file.state == CheckedFile::Changed)
            changed << file.path;
    }
    if (changed.isEmpty()) {
        if (const FileLayer::Failure failure = removeFrom(journalPath))
            failed(m_masterPath, *failure, false);
        return;
    }
    // It may still tell someone where a record was left unfinished, so it is kept; but it must
    // never cut what has been written since.
    if (const FileLayer::Failure failure = setAside(journalPath, u"unmatched"_s))
        return failed(m_masterPath, *failure, false);
    // Told now, as no later run finds it.
    for (const QString &path : std::as_const(changed)) {
        recovery.notices << u"%1 may end in part of a record that an earlier run did not "
                            u"finish. It was not cut back, as the file has changed since."_s.arg(
                                    QDir::toNativeSeparators(path));
    }
    if (const FileLayer::Failure failure
        = m_files.syncFolder(QFileInfo(journalPath).absolutePath()))
        failed(m_masterPath, *failure, false);
}

Journal::Read Journal::read(const QString &journalPath)
{
    const FileLayer::Opened opened = m_files.openForReading(journalPath, FileLayer::Links::Refuse);
    if (opened.missing)
        return Read::of(Read::Missing);
    if (opened.notAFile)
        return Read::of(Read::Unusable);
    if (opened.handle == FileLayer::noHandle)
        return Read::failed(opened.failure);
    const FileHandle journal(m_files, opened.handle);
    const FileLayer::Status status = m_files.status(journal.get());
    if (status.failure)
        return Read::failed(status.failure);
    QByteArray text;
    if (auto failure = m_files.read(journal.get(), 0, std::min(status.size, largestHead), text))
        return Read::failed(failure);

    const auto parsed = parseHead(text);
    // Cut short while it was written, before any file was touched: nothing to do but remove it.
    if (std::holds_alternative<Unfinished>(parsed) && status.size <= largestHead)
        return Read::of(Read::Entries);
    const Head *head = std::get_if<Head>(&parsed);
    if (!head)
        return Read::of(Read::Unusable);
    qint64 size = head->size;
    if (head->withShares) {
        for (const Entry &entry : head->entries)
            size += entry.recordLength;
        size += lastLine.size();
        if (status.size < size) // cut short likewise
            return Read::of(Read::Entries);
    }
    if (status.size != size)
        return Read::of(Read::Unusable);
    if (text.size() < size) {
        if (auto failure = m_files.read(journal.get(), text.size(), size - text.size(), text))
            return Read::failed(failure);
    }
    if (text.size() != size || !text.endsWith(lastLine))
        return Read::of(Read::Unusable);
    QList<Entry> entries = head->entries;
    if (head->withShares) {
        qint64 at = head->size;
        for (Entry &entry : entries) {
            entry.share = text.sliced(at, entry.recordLength);
            at += entry.recordLength;
        }
    }
    return Read::of(Read::Entries, entries);
}

Journal::CheckedFile Journal::check(const Entry &entry)
{
    CheckedFile file {m_folder + u'/' + entry.name, {}, entry.lengthBefore, CheckedFile::Whole, {}};
    const FileLayer::Opened opened = m_files.openForCutting(file.path);
    if (opened.missing)
        return file;
    if (opened.handle == FileLayer::noHandle) {
        file.failure = opened.failure;
        return file;
    }
    file.handle = FileHandle(m_files, opened.handle);
    const FileLayer::Status status = m_files.status(file.handle.get());
    file.failure = status.failure;
    if (status.failure || status.size == entry.lengthBefore)
        return file;
    file.state = CheckedFile::Changed;
    // Only the bytes the record was about to write may be cut, and only while what came before
    // them is as it was; a journal of the first format cannot tell what followed.
    const qint64 torn = status.size - entry.lengthBefore;
    if (torn < 0 || torn > entry.recordLength || !entry.share)
        return file;
    const qint64 from = std::max<qint64>(0, entry.lengthBefore - fingerprinted);
    QByteArray bytes;
    file.failure = m_files.read(file.handle.get(), from, status.size - from, bytes);
    const qint64 before = entry.lengthBefore - from;
    if (!file.failure && bytes.size() == status.size - from
        && fingerprint(QByteArrayView(bytes).first(before)) == entry.fingerprint
        && entry.share->startsWith(QByteArrayView(bytes).sliced(before)))
        file.state = CheckedFile::Torn;
    return file;
}

FileLayer::Failure Journal::setAside(const QString &journalPath, const QString &why)
{
    // Under a name that says why, never over an earlier one.
    const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMddThhmmsszzz"_s);
    for (int attempt = 1; attempt <= 10; ++attempt) {
        const QString aside = u"%1.%2-%3-%4"_s.arg(journalPath, why, stamp).arg(attempt);
        if (!m_files.rename(journalPath, aside))
            return std::nullopt;
    }
    return u"No free name to set the journal aside"_s;
}

FileLayer::Failure Journal::removeFrom(const QString &journalPath)
{
    if (FileLayer::Failure failure = m_files.remove(journalPath))
        return failure;
    return m_files.syncFolder(QFileInfo(journalPath).absolutePath());
}

FileLayer::Failure Journal::makeStateFolder()
{
    // Each folder made is kept in its parent, from the first that is missing on.
    QStringList missing;
    for (QString folder = m_stateFolder; !QFileInfo::exists(folder);
         folder = QFileInfo(folder).absolutePath())
        missing.prepend(folder);
    for (const QString &folder : std::as_const(missing)) {
        if (FileLayer::Failure failure = m_files.makeFolder(folder))
            return failure;
    }
    return std::nullopt;
}

FileLayer::Failure Journal::write(const QList<Entry> &entries, bool madeFiles)
{
    FileLayer::Opened opened = m_files.createNew(m_inFolder);
    m_path = m_inFolder;
    if (opened.handle == FileLayer::noHandle) {
        // A folder the student may write files in but not make names in.
        const std::optional<QString> inState = inStateFolder();
        if (!inState || makeStateFolder())
            return opened.failure;
        const FileLayer::Opened inStateFolder = m_files.createNew(*inState);
        if (inStateFolder.handle == FileLayer::noHandle)
            return opened.failure;
        opened = inStateFolder;
        m_path = *inState;
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

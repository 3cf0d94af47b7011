#pragma once

#include "file_layer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The journal's name in the folder of the files.
inline const QString journalName = QStringLiteral(".qorvanit-journal");

// The rollback journal of one folder's record files. While a record is appended it lists, for
// each file the record grows, the file's name in the folder, its length before, a fingerprint of
// the bytes just before, and the record's bytes for it; it is complete and on the disk before the
// first byte of the record is written, and removing it commits the record. Files are known by
// name and content only, so a journal still does its work after the folder was copied or its
// disk plugged in again.
//
// It lives in the folder, or, when the folder cannot take it, in the user's state folder under a
// name made from the folder's identity, which every path to the folder shares.
class Journal
{
public:
    struct Entry
    {
        QString name; // the file's name in the folder
        qint64 lengthBefore = 0;
        qint64 recordLength = 0;
        QByteArray fingerprint; // of the bytes before `lengthBefore`, as `fingerprint` makes it
        // The record's bytes for the file; unknown in a journal of the first format, which did
        // not hold them.
        std::optional<QByteArray> share;
    };

    // What finishing an earlier writer's journal came to.
    struct Recovery
    {
        QString failedPath; // the file that failed; empty when none did
        QString reason;
        bool partLeft = false; // the failed file may still end in part of a record
        QStringList notices; // for the student, once
    };

    // The journal of the files in the folder of `masterPath`, whose lock guards it.
    Journal(FileLayer &files, const QString &masterPath, const QString &stateFolder);

    // Finishes the append of a writer that died in it: every file its journal lists is cut back
    // to its length before, when it still is that file with a beginning of that record's bytes
    // at its end, and then the journal is removed. A journal this program cannot have written is
    // set aside unread; one whose files have changed since is set aside and reported. A journal
    // or file that cannot be read now is left as it is, for the next attempt. The caller holds
    // the master file's lock.
    Recovery recover();

    // Writes the journal and keeps it and the folder's names on the disk; `madeFiles` says
    // whether the append made any file in the folder, whose name must be kept too.
    FileLayer::Failure write(const QList<Entry> &entries, bool madeFiles);
    // Removes the journal: the record's commit point.
    FileLayer::Failure remove();
    // Keeps the journal's removal on the disk.
    FileLayer::Failure syncRemoval();
    // Where the journal is written, for messages.
    QString path() const { return m_path; }

    // The fingerprint of `bytes`, the up to 4096 bytes before a file's length before.
    static QByteArray fingerprint(QByteArrayView bytes);
    static constexpr qint64 fingerprinted = 4096;
    // Whether `name` is one of the names the program gives its record files.
    static bool isRecordFileName(const QString &name);

private:
    struct Read;
    struct CheckedFile;

    void recoverFrom(const QString &journalPath, Recovery &recovery);
    Read read(const QString &journalPath);
    CheckedFile check(const Entry &entry);
    // Renames the journal to say why it is set aside; the caller keeps the name on the disk.
    FileLayer::Failure setAside(const QString &journalPath, const QString &why);
    FileLayer::Failure removeFrom(const QString &journalPath);
    // The journal's place in the state folder; nothing when the folder cannot be identified.
    std::optional<QString> inStateFolder();
    FileLayer::Failure makeStateFolder();

    FileLayer &m_files;
    const QString m_masterPath;
    const QString m_folder;
    const QString m_inFolder; // the journal's place in the folder
    const QString m_stateFolder;
    QString m_path; // where this append's journal was written
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One file's share of a record: the file's path on this file system and the bytes it gains.
struct FileRecord
{
    QString path;
    QByteArray bytes;
};

struct AppendFailure
{
    QString path; // the file's path on this file system
    QString reason; // the system's, or what is wrong with the file
    // Files that could not be cut back and may hold part of a record: the journal still lists
    // them, so the next append cuts them back.
    QStringList uncut;
};

// The rollback journal, in the folder of the files: it lists the files a record grows and their
// lengths before, and is there only while a record is appended or after a writer died in one.
inline const QString journalName = QStringLiteral(".qorvanit-journal");

// Appends every file's bytes, all of them or none, whatever happens to the program or the
// computer meanwhile. The files are regular files in one folder, the first of them the master
// file. They are locked in the order given (master, SEND, notes, for every caller alike), so two
// programs writing to the same files at once neither interleave nor deadlock. Holding the first
// lock, the append first finishes the journal of a writer that died, then writes its own journal
// and syncs it; each file takes its bytes in one write and is synced; removing the journal commits
// the record. When any step fails, every file is cut back to the length it had before and a file
// this append made is removed again, and the failure names the file.
std::optional<AppendFailure> appendRecords(const QList<FileRecord> &records);

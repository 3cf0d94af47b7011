#pragma once

#include "file_layer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// One file's share of a record: the file's path on this file system and the bytes it gains.
struct FileRecord
{
    QString path;
    QByteArray bytes;
};

struct AppendFailure
{
    QString path; // the file (or folder) that failed, on this file system
    QString reason; // the system's, or what is wrong with the file
    // Files that could not be cut back and may hold part of a record: the journal still lists
    // them, so the next append cuts them back.
    QStringList uncut;
};

// What became of an append: written unless it failed, and what the student should hear either
// way.
struct AppendOutcome
{
    std::optional<AppendFailure> failure;
    // Said once: an earlier run's unfinished record that could not be cut back, or a disk that
    // failed after the record was committed.
    QStringList notices;
};

// Where records are appended: the file layer, and the folder for a journal that the files' own
// folder cannot take.
struct RecordPlace
{
    FileLayer &files;
    QString stateFolder;
    // How long a recording waits for another run of the program that is writing to the files.
    std::chrono::milliseconds lockWait = std::chrono::seconds(4);
};

// Appends every file's bytes, all of them or none, whatever happens to the program or the
// computer meanwhile. The files are regular files in one folder, the first of them the master
// file, and are locked in the order given (master, SEND, notes, for every caller alike), so two
// programs writing to the same files neither interleave nor deadlock. Holding the master file's
// lock, the append first finishes what a writer that died left unfinished; then it writes its
// journal, writes each file's bytes and syncs them, and commits by removing the journal. Until
// the commit a failure cuts every file back and removes a file the append made; after it, nothing
// is undone.
AppendOutcome appendRecords(const RecordPlace &place, const QList<FileRecord> &records);

// Finishes a record that a run left unfinished in the master file's folder, then calls
// `whileLocked` still holding the master file's lock, under the same wait as an append, so what
// it reads holds no part of a record.
AppendOutcome finishUnfinishedRecord(const RecordPlace &place, const QString &masterPath,
                                     const std::function<void()> &whileLocked);

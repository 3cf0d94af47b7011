#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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
    QString reason; // the system's
};

// Appends every file's bytes, all of them or none. The files are locked in the order given
// (master, SEND, notes, for every caller alike), so two programs writing to the same files at
// once neither interleave nor deadlock. Each file takes its bytes in one write and is synced, as is
// the folder of a file this append created. When any step fails, every file is cut back to the
// length it had before, and the failure names the file.
std::optional<AppendFailure> appendRecords(const QList<FileRecord> &records);

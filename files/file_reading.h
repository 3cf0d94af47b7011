#pragma once

#include "record_append.h"

#include <QStringList>

#include <optional>

// A session file read whole, or why it could not be.
struct FileLines
{
    bool missing = false; // there is no such file
    std::optional<QString> failure; // the system's reason, when it could not be read
    QString failedPath; // what failed: the file, or the master file whose lock guards it
    QStringList lines; // each without its line end (CR LF, LF or CR), from Windows-1252
    QStringList notices; // for the student, from finishing an earlier run's record
};

// Reads the regular file at `path` on this file system, up to 256 MB, once a record that a run
// left unfinished in the folder of `masterPath` is finished, and holding the master file's lock,
// so that no part of a record is seen.
FileLines readFileLines(const RecordPlace &place, const QString &masterPath, const QString &path);

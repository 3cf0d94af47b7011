#pragma once

#include <QStringList>

#include <optional>

// A session file read whole, or why it could not be.
struct FileLines
{
    bool missing = false; // there is no such file
    std::optional<QString> failure; // the system's reason, when it could not be read
    QStringList lines; // each without its line end (CR LF, LF or CR), from Windows-1252
};

// Reads the regular file at `path` on this file system, up to 256 MB, under a shared lock so that
// a record another program is appending at that moment is seen whole or not at all.
FileLines readFileLines(const QString &path);

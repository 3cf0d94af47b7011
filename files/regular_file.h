#pragma once

#include <QByteArray>
#include <QString>

// A session file opened without blocking, or why it could not be: only a regular file (a symbolic
// link to one included) is kept open, so a FIFO, a device or a link to nowhere cannot hang the
// program or feed it endlessly.
struct OpenedFile
{
    int fd = -1;
    bool created = false; // made by this open
    bool missing = false; // there is no such file (a link to nowhere is not missing)
    QString failure; // why it could not be opened, when fd is -1
};

// Opens the existing file at `path` (as QFile::encodeName gives it) with `flags`.
OpenedFile openRegularFile(const QByteArray &path, int flags);

// Opens the file at `path` for appending, creating it readable by its owner alone when there is
// none.
OpenedFile openForAppend(const QByteArray &path);

// Reads from `fd` to the end of the file onto `bytes`; false, with errno set, when a read fails.
bool readToEnd(int fd, QByteArray &bytes);

// The system's text for `error`.
QString systemReason(int error);

#pragma once

#include <QString>

// Rules of Windows names that the Win32 file layer follows, as plain functions, so that they are
// checked on every system.

// The name of `path` the system takes past 260 characters: the extended-length form, "\\?\c:\a"
// for a drive's name and "\\?\UNC\server\share\a" for a network one. The system no longer tidies
// a name in that form, so this does it as Windows would: "/" and "\" both separate, a relative
// name is taken from `currentFolder` (an absolute name itself), "." and ".." steps are resolved and
// the last name loses its trailing blanks and dots. A name already in that form, or a device's
// ("\\.\NUL"), is kept as it is.
QString extendedLengthPath(const QString &path, const QString &currentFolder);

// Whether a reparse point, known by its `attributes` and its `reparseTag`, is a link to another
// name (a symbolic link, a junction): only these are refused where links are. Any other reparse
// point is the file itself, kept by a file-system filter, as a cloud-storage client keeps its
// placeholders (IO_REPARSE_TAG_CLOUD and its variants) until the file is opened.
bool isLink(quint32 attributes, quint32 reparseTag);

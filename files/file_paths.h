#pragma once

#include <QString>

// How a name with a drive ("c:\qorvanit", "d:\course") is taken: as it stands, where the system
// has drives, or as a name in `homeFolder`, where it has none.
enum class Drives { Real, InHomeFolder };

// The system's rule, given by its file layer.
extern const Drives systemDrives;

// The program names its folder and files the Windows way ("c:\qorvanit\masterFile.txt"). Here "\"
// and "/" both separate; a name starting with "~" or a relative one is taken from `homeFolder`,
// so the files land in the same place however the program was started, and a name with a drive
// follows `drives`. Any other absolute name is used as it stands.
QString toFileSystemPath(const QString &path, const QString &homeFolder,
                         Drives drives = systemDrives);

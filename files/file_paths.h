#pragma once

#include <QString>

// The program names its folder and files the Windows way ("c:\qorvanit\masterFile.txt"). Here "\"
// and "/" both separate, a leading drive ("c:", any letter) or "~" stands for `homeFolder`, and a
// relative path is taken from `homeFolder` too, so the files land in the same place however the
// program was started. An absolute path is used as it stands.
QString toFileSystemPath(const QString &path, const QString &homeFolder);

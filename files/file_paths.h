#pragma once

#include <QString>

// The program names its folder and files the Windows way ("c:\qorvanit\masterFile.txt"). On this
// platform "\" and "/" both separate, and a leading drive ("c:", any letter) or "~" stands for the
// user's home folder. Any other path is used as it stands.
QString toFileSystemPath(const QString &path);

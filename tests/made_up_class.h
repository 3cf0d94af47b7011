#pragma once

#include <QString>

// A class of made-up students, each a subfolder of `folder` holding SEND files composed by the
// program's own records, one file a day, each grown to about `fileBytes`; the same class for the
// same arguments.
void writeMadeUpClass(const QString &folder, int students, int filesEach, int fileBytes);

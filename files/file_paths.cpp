#include "file_paths.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace {

bool startsWithDrive(const QString &path)
{
    return path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 0x80;
}

} // namespace

QString toFileSystemPath(const QString &path, const QString &homeFolder, Drives drives)
{
    QString mapped = path;
    mapped.replace(u'\\', u'/');
    if (mapped.startsWith(u'~'))
        mapped = homeFolder + u'/' + mapped.mid(1);
    else if (startsWithDrive(mapped) && drives == Drives::InHomeFolder)
        mapped = homeFolder + u'/' + mapped.mid(2);
    else if (!startsWithDrive(mapped) && !mapped.startsWith(u'/'))
        mapped = homeFolder + u'/' + mapped;
    // A network name ("\\server\share") keeps its two leading separators, which the clean-up
    // would make one on a system without drives. Doubled separators elsewhere and "." or ".."
    // steps are dropped, so messages name the file plainly.
    if (drives == Drives::Real && mapped.startsWith(u"//"_s))
        return u'/' + QDir::cleanPath(mapped.mid(1));
    return QDir::cleanPath(mapped);
}

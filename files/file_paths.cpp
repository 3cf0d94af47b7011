#include "file_paths.h"

#include <QDir>

namespace {

qsizetype homePrefixLength(const QString &path)
{
    if (path.startsWith(u'~'))
        return 1;
    const bool drive
            = path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 0x80;
    return drive ? 2 : 0;
}

} // namespace

QString toFileSystemPath(const QString &path, const QString &homeFolder)
{
    QString mapped = path;
    mapped.replace(u'\\', u'/');
    if (!mapped.startsWith(u'/'))
        mapped = homeFolder + u'/' + mapped.mid(homePrefixLength(mapped));
    // Doubled separators and "." or ".." steps are dropped, so messages name the file plainly.
    return QDir::cleanPath(mapped);
}

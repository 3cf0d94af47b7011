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

QString toFileSystemPath(const QString &path)
{
    QString mapped = path;
    mapped.replace(u'\\', u'/');
    const qsizetype prefix = homePrefixLength(mapped);
    if (prefix == 0)
        return mapped;
    QString rest = mapped.mid(prefix);
    if (!rest.isEmpty() && !rest.startsWith(u'/'))
        rest.prepend(u'/');
    return QDir::homePath() + rest;
}

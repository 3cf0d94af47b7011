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
    // A network name ("\\server\share") keeps its two leading separators where the system has
    // drives; elsewhere it is one absolute name, the same on every system (the clean-up alone
    // keeps them on one and not on the other). Doubled separators elsewhere and "." or ".." steps
    // are dropped, so messages name the file plainly.
    const bool network = mapped.startsWith(u"//"_s);
    const QString cleaned = QDir::cleanPath(network ? mapped.mid(1) : mapped);
    return network && drives == Drives::Real ? u'/' + cleaned : cleaned;
}

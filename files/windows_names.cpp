#include "windows_names.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace {

bool startsWithDrive(const QString &name)
{
    return name.size() >= 2 && name[1] == u':' && name[0].isLetter() && name[0].unicode() < 0x80;
}

// `name`, "/" separated and absolute below its root, with its steps resolved and the last one
// trimmed as the system trims names not in the extended-length form.
QString tidied(const QString &root, const QString &name)
{
    // One separator first: on Windows QDir takes two for a network name.
    qsizetype start = 0;
    while (start < name.size() && name[start] == u'/')
        ++start;
    QString steps = u'/' + QDir::cleanPath(name.mid(start));
    while (steps.endsWith(u' ') || (steps.endsWith(u'.') && !steps.endsWith(u"/.")))
        steps.chop(1);
    return steps.prepend(root).replace(u'/', u'\\');
}

} // namespace

QString extendedLengthPath(const QString &path, const QString &currentFolder)
{
    QString name = QString(path).replace(u'\\', u'/');
    if (name.startsWith(u"//?/"_s) || name.startsWith(u"//./"_s))
        return path;
    if (!startsWithDrive(name) && !name.startsWith(u"//"_s)) {
        // "\a" is on the current folder's drive; "a" is in the current folder.
        const QString current = QString(currentFolder).replace(u'\\', u'/');
        const bool rooted = name.startsWith(u'/') && startsWithDrive(current);
        name = (rooted ? current.left(2) : current + u'/') + name;
    }
    if (name.startsWith(u"//"_s))
        return tidied(u"//?/UNC"_s, name.mid(2));
    return tidied(u"//?/"_s + name.left(2), name.mid(2));
}

bool isLink(quint32 attributes, quint32 reparseTag)
{
    constexpr quint32 reparsePoint = 0x400; // FILE_ATTRIBUTE_REPARSE_POINT
    // The tag's name-surrogate bit: the point stands for another named file or folder.
    constexpr quint32 nameSurrogate = 0x2000'0000;
    return (attributes & reparsePoint) && (reparseTag & nameSurrogate);
}

#include "script_lines.h"

#include "code/line_code.h"

using namespace Qt::Literals::StringLiterals;

bool isRoutineLine(const QString &line)
{
    return line.left(8).toLower() == u"`routine"_s;
}

QString routineName(const QString &line)
{
    return remSpaces(line.mid(9)).toLower();
}

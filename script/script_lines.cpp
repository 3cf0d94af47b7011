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

QStringList assignmentNumbers(const ScriptLines &lines)
{
    QStringList numbers;
    for (int slot = 1; slot <= lastScriptSlot; ++slot) {
        if (lines[slot].size() >= 4 && lines[slot][3] == u'.')
            numbers.append(lines[slot].left(3));
    }
    return numbers;
}

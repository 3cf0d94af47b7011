#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The query script: slots 1 to 5000 (slot 0 is never used), one line each, no line breaks in a
// line ("{}" marks them).
inline constexpr int lastScriptSlot = 5000;
using ScriptLines = std::array<QString, lastScriptSlot + 1>;

// A line whose first eight characters, in any case, are "`routine".
bool isRoutineLine(const QString &line);

// The routine a routine line names: from its tenth character on, blanks and hyphens removed,
// in lower case.
QString routineName(const QString &line);

// The numbers of the assignments the script holds, in slot order: the first three characters of
// each start line, a line whose fourth character is "." (the start-up search compares a line's
// first four characters with the number followed by ".").
QStringList assignmentNumbers(const ScriptLines &lines);

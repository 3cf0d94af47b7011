#pragma once

#include <QString>

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

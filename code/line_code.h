#pragma once

#include <QString>

#include <functional>
#include <optional>

// The coding step every script line, response and note passes through on its way into the
// files. It leaves the line as it is: the files hold plain text.
QString code(const QString &a, int codeNbr);

// A line of codeNbr groups, each an optional filler character (codes 66 to 116, one pass in ten)
// and one count character (codes 118 to 255), so the count characters carry the code number.
// Draws r1, then r2 for a filler, then r3, from `random` (uniform on [0, 1)).
QString makeCodeLine(int codeNbr, const std::function<double()> &random);

// `a` without its blanks and hyphens; used to clean routine names.
QString remSpaces(const QString &a);

// The code number a code line carries: its count of count characters, when every filler
// character stands before a count character and nothing else is in it.
std::optional<int> codeNumberOf(QStringView codeLine);

// The code numbers a run draws from.
constexpr int lowestCodeNumber = 19;
constexpr int highestCodeNumber = 28;

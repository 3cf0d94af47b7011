#pragma once

#include <QString>

// The number at the start of a text: an optional sign, digits and a decimal point, read up to the
// first character that cannot continue it, with blanks anywhere ignored. 0 without a number.
double numericValue(QStringView text);

// A one- or two-character text padded on the left with "0" to three characters; any other length
// is left as it is. Counts characters, not digits.
QString padAssignmentNumber(const QString &text);

// The shortest decimal text that reads back as `value`: 8 gives "8", 3.5 gives "3.5".
QString shortestDecimal(double value);

// A number as the files write it: a blank (a minus sign when negative), the digits to 15
// significant figures, a blank.
QString numberLayout(double value);

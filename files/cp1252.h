#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The files are Windows-1252 text, one byte a character. Every byte 0-255 maps to one character
// and back; the five bytes the set leaves undefined stand for the control characters of the same
// code. A character the set cannot hold is written as "?".
QString fromCp1252(QByteArrayView bytes);
QByteArray toCp1252(QStringView text);
// The byte of a character the set holds.
std::optional<char> cp1252Byte(char32_t c);

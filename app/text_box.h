#pragma once

#include <QString>

class QPlainTextEdit;

// The text boxes keep LF line breaks inside; the program sees and writes them as CR LF.
QString boxText(const QPlainTextEdit *box);
void setBoxText(QPlainTextEdit *box, const QString &text);
// Adds `text` at the end of the box without touching what it holds already.
void appendBoxText(QPlainTextEdit *box, const QString &text);

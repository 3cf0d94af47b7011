#pragma once

#include <QString>

class QPlainTextEdit;

// The widget side of the text boxes; files/text_codec converts their text.
QString boxText(const QPlainTextEdit *box);
void setBoxText(QPlainTextEdit *box, const QString &text);
// Adds `text` at the end of the box without touching what it holds already.
void appendBoxText(QPlainTextEdit *box, const QString &text);

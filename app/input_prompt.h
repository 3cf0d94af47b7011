#pragma once

#include <QString>

class QWidget;

// A modal prompt: the prompt text, an empty field, OK (or Enter) and Cancel (or Escape). Returns
// the typed text, or the empty text when cancelled. It has no title of its own.
QString showInputPrompt(const QString &promptText, QWidget *parent = nullptr);

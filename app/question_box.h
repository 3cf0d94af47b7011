#pragma once

#include <QString>

class QPlainTextEdit;

// The question box, and a copy of the text the last step left in it. A step adds to that copy
// instead of reading back the megabytes the box may hold; the document's revision tells whether
// anything else (the student typing, a display, emptying it) has changed the box since.
class QuestionBox
{
public:
    explicit QuestionBox(QPlainTextEdit *box);

    // A step: adds `added` at the end of the box; `responseText` becomes the box's whole text.
    void step(const QString &added, QString &responseText);
    // Adds `text` at the end of the box, as the displays do; returns the number of lines the box
    // gained.
    int add(const QString &text);
    void clear();

private:
    int revision() const;

    QPlainTextEdit *m_box;
    QString m_text; // the box's text while the document is at m_revision
    int m_revision = -1;
};

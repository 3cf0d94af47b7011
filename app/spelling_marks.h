#pragma once

#include <QSyntaxHighlighter>

class QPlainTextEdit;

// Marks in a text box, with a wavy underline, each character that the files will not hold as it
// stands (spelled in plain text, or "?"), and tells on hover what is written instead. A character
// written as itself is never marked. The box's accessible description lists the same, each marked
// character once, for a screen reader, which sees neither the underline nor the tip.
class SpellingMarks : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    explicit SpellingMarks(QPlainTextEdit *box);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the mark under `point` (in the box's viewport) says; empty where there is none.
    QString noteAt(QPoint point) const;
    void describeMarks();

    QPlainTextEdit *m_box;
};

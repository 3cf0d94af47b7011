#pragma once

#include <QObject>

class Announcer;
class QPlainTextEdit;

// Selects the whole text of a box that gets the focus, by Tab or by a click, while it holds
// exactly `prompt`: what the student then types replaces the prompt instead of joining it. The
// caret goes to the start, where a braille display shows it, and the prompt is announced whole,
// as a screen reader reads only the line at the caret of a box that gets the focus. `prompt` is
// read at each focus, so it may be set after the box is made.
class PromptSelection : public QObject
{
    Q_OBJECT
public:
    PromptSelection(QPlainTextEdit *box, const QString &prompt, Announcer *announcer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void select();

    QPlainTextEdit *m_box;
    const QString &m_prompt;
    Announcer *m_announcer;
};

#include "prompt_selection.h"

#include "announcer.h"
#include "text_box.h"

#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QTimer>

PromptSelection::PromptSelection(QPlainTextEdit *box, const QString &prompt, Announcer *announcer)
    : QObject(box), m_box(box), m_prompt(prompt), m_announcer(announcer)
{
    box->installEventFilter(this);
}

bool PromptSelection::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Queued: a click places the cursor after its focus.
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
            || reason == Qt::MouseFocusReason)
            QTimer::singleShot(0, this, &PromptSelection::select);
    }
    return QObject::eventFilter(watched, event);
}

void PromptSelection::select()
{
    if (!m_box->hasFocus() || boxText(m_box) != m_prompt)
        return;
    QTextCursor cursor = m_box->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    m_box->setTextCursor(cursor);
    // Its line breaks and double blanks would show on braille as they are.
    m_announcer->announce(QStringLiteral("Selected, so typing replaces it: ")
                          + m_prompt.simplified());
}

#include "question_box.h"

#include "text_box.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QuestionBox::QuestionBox(QPlainTextEdit *box) : m_box(box) { }

int QuestionBox::revision() const
{
    return m_box->document()->revision();
}

void QuestionBox::step(const QString &added, QString &responseText)
{
    // responseText lets go of the copy it shares first, so that the copy grows in place rather
    // than being copied whole at every step.
    responseText = QString();
    if (m_revision != revision())
        m_text = boxText(m_box);
    m_text += added;
    appendBoxText(m_box, added);
    m_revision = revision();
    responseText = m_text;
}

int QuestionBox::add(const QString &text)
{
    const int before = m_box->document()->blockCount();
    appendBoxText(m_box, text);
    // Out of date now: the next step reads the box, and the memory goes at once.
    m_text = QString();
    return m_box->document()->blockCount() - before;
}

void QuestionBox::clear()
{
    setBoxText(m_box, QString());
    m_text = QString();
    m_revision = revision();
}

#include "text_box.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace {

QString toBoxForm(const QString &text)
{
    return QString(text).replace(u"\r\n"_s, u"\n"_s);
}

} // namespace

QString boxText(const QPlainTextEdit *box)
{
    // The raw text keeps every character as typed (toPlainText() would turn no-break spaces
    // into blanks); its paragraph separators are the line breaks.
    return box->document()->toRawText().replace(QChar::ParagraphSeparator, u"\r\n"_s);
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    box->setPlainText(toBoxForm(text));
}

void appendBoxText(QPlainTextEdit *box, const QString &text)
{
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(toBoxForm(text));
}

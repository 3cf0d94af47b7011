#include "text_box.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// Each CR LF as one LF, in one pass: QString::replace moves the rest of a large text again and
// again.
QString toBoxForm(const QString &text)
{
    QString boxForm(text.size(), Qt::Uninitialized);
    QChar *out = boxForm.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
            *out++ = text[i];
    }
    boxForm.truncate(out - boxForm.constData());
    return boxForm;
}

// The box lays out paragraphs from its end up to fill a page, to size its scroll bar, and keeps
// what it laid out: about 40 bytes a character, so a run-together paragraph of megabytes that is
// out of sight would hold hundreds of megabytes. Those paragraphs give their layouts up again; the
// box lays them out anew should they come into view.
void releaseLayoutsBelowView(QPlainTextEdit *box)
{
    const int lastShown
            = box->cursorForPosition(QPoint(0, box->viewport()->height() - 1)).blockNumber();
    for (QTextBlock block = box->document()->lastBlock();
         block.blockNumber() > lastShown && block.layout()->lineCount() > 0;
         block = block.previous()) {
        // Setting a paragraph's layout text frees what it has shaped; the layout takes its text
        // from the paragraph again when it is next laid out.
        block.layout()->setText(QString());
    }
}

} // namespace

QString boxText(const QPlainTextEdit *box)
{
    // The raw text keeps every character as typed (toPlainText() would turn no-break spaces
    // into blanks); its paragraph separators are the line breaks.
    QString text = box->document()->toRawText();
    // Each separator becomes CR LF in place, from the end backwards, in the text grown once.
    qsizetype from = text.size();
    text.resize(from + text.count(QChar::ParagraphSeparator));
    QChar *data = text.data();
    for (qsizetype to = text.size(); from > 0;) {
        const QChar c = data[--from];
        if (c == QChar::ParagraphSeparator) {
            data[--to] = u'\n';
            data[--to] = u'\r';
        } else {
            data[--to] = c;
        }
    }
    return text;
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    box->setPlainText(toBoxForm(text));
}

void appendBoxText(QPlainTextEdit *box, const QString &text)
{
    QTextDocument *document = box->document();
    QTextCursor cursor(document);
    // Inside an edit block the cursor does not lay out the paragraph it stands in, which can be
    // megabytes long.
    cursor.beginEditBlock();
    cursor.setPosition(document->characterCount() - 1);
    cursor.insertText(toBoxForm(text));
    cursor.endEditBlock();
    releaseLayoutsBelowView(box);
}

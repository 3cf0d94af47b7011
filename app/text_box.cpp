#include "text_box.h"

#include "files/text_codec.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace {

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
    return fromBoxText(box->document()->toRawText());
}

void setBoxText(QPlainTextEdit *box, const QString &text)
{
    box->setPlainText(text);
}

void appendBoxText(QPlainTextEdit *box, const QString &text)
{
    QTextDocument *document = box->document();
    QTextCursor cursor(document);
    // Inside an edit block the cursor does not lay out the paragraph it stands in, which can be
    // megabytes long.
    cursor.beginEditBlock();
    cursor.setPosition(document->characterCount() - 1);
    cursor.insertText(text);
    cursor.endEditBlock();
    releaseLayoutsBelowView(box);
}

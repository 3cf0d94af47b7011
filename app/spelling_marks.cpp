#include "spelling_marks.h"

#include "files/text_codec.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

using namespace Qt::Literals::StringLiterals;

SpellingMarks::SpellingMarks(QPlainTextEdit *box) : QSyntaxHighlighter(box->document()), m_box(box)
{
    box->viewport()->installEventFilter(this);
}

void SpellingMarks::highlightBlock(const QString &text)
{
    for (qsizetype position = 0; (position = endOfPlainRun(text, position)) < text.size();) {
        const WrittenPiece piece = writtenPieceAt(text, position);
        if (piece.kind == WrittenPiece::Spelled) {
            QTextCharFormat mark;
            mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            mark.setUnderlineColor(Qt::red);
            mark.setToolTip(u"%1 is written as \"%2\""_s.arg(text.sliced(position, piece.length),
                                                             piece.written));
            setFormat(int(position), int(piece.length), mark);
        }
        position += piece.length;
    }
}

bool SpellingMarks::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: the box may be part-way through its destruction when other events come.
    if (event->type() != QEvent::ToolTip || watched != m_box->viewport())
        return QSyntaxHighlighter::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    if (const QString note = noteAt(help->pos()); !note.isEmpty())
        QToolTip::showText(help->globalPos(), note, m_box->viewport());
    else
        QToolTip::hideText();
    return true;
}

QString SpellingMarks::noteAt(QPoint point) const
{
    // The cursor falls in the gap nearest the point: the character under the point is the one
    // after the gap when the point lies to its right, else the one before.
    const QTextCursor gap = m_box->cursorForPosition(point);
    const int character = gap.positionInBlock() - (point.x() < m_box->cursorRect(gap).x() ? 1 : 0);
    for (const QTextLayout::FormatRange &mark : gap.block().layout()->formats()) {
        if (character >= mark.start && character < mark.start + mark.length)
            return mark.format.toolTip();
    }
    return {};
}

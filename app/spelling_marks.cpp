#include "spelling_marks.h"

#include "files/text_codec.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>

using namespace Qt::Literals::StringLiterals;

SpellingMarks::SpellingMarks(QPlainTextEdit *box) : QSyntaxHighlighter(box->document()), m_box(box)
{
    box->viewport()->installEventFilter(this);
    // Connected after the highlighter's own reaction to a change, so the marks are up to date.
    connect(box->document(), &QTextDocument::contentsChanged, this, &SpellingMarks::describeMarks);
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
    // Only the block nearest the point can hold a mark under it; the point must lie inside the
    // marked character's own box, not merely nearest to it (as below the last line).
    const QTextBlock block = m_box->cursorForPosition(point).block();
    const QTextLayout *layout = block.layout();
    for (const QTextLayout::FormatRange &mark : layout->formats()) {
        QTextCursor start(block);
        start.setPosition(block.position() + mark.start);
        const QRect startRect = m_box->cursorRect(start);
        const QTextLine line = layout->lineForTextPosition(mark.start);
        const qreal width = line.cursorToX(mark.start + mark.length) - line.cursorToX(mark.start);
        const QRectF character(startRect.x(), startRect.y(), width, startRect.height());
        if (character.contains(point))
            return mark.format.toolTip();
    }
    return {};
}

void SpellingMarks::describeMarks()
{
    QStringList notes;
    QSet<QString> noted;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (const QTextLayout::FormatRange &mark : block.layout()->formats()) {
            const QString note = mark.format.toolTip();
            if (!noted.contains(note)) {
                noted.insert(note);
                notes.append(note);
            }
        }
    }
    const QString description = notes.join(u"; "_s);
    if (m_box->accessibleDescription() != description)
        m_box->setAccessibleDescription(description);
}

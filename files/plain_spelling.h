#pragma once

#include <QString>

// How the files write a text, piece by piece. A character the set holds is written as itself.
// Any other character is first composed with the combining marks that follow it (Unicode NFC), so
// that "e" and a combining acute become "é"; what the set still cannot hold is written by its
// plain-text spelling ("theta" for θ, "<=" for ≤), or as "?" when it has none. Every kind of line
// break, CR LF included, is one line break.

// Where the run of characters from `position` on that are written as their own bytes ends.
qsizetype endOfPlainRun(QStringView text, qsizetype position);

// A piece of text not written as it stands.
struct WrittenPiece
{
    enum Kind {
        LineBreak, // written as CR LF
        Composed, // written composed, as characters the set holds
        Spelled, // written spelled out, or as "?"
    };
    Kind kind;
    qsizetype length; // in the text's UTF-16 code units
    QString written;
};

// The piece of `text` that starts at `position`, where a plain run ends.
WrittenPiece writtenPieceAt(QStringView text, qsizetype position);

// The spelling of a (composed) character the set does not hold, or "?" when it has none.
QString plainSpelling(char32_t c);

#pragma once

#include <QString>

// How the files write a text, piece by piece. A character the set holds is written as itself.
// Any other character is first composed with the combining marks that follow it (Unicode NFC), so
// that "e" and a combining acute become "é"; what the set still cannot hold is written by its
// plain-text spelling ("theta" for θ, "<=" for ≤), or as "?" when it has none. Every kind of line
// break, CR LF included, is one line break.
struct WrittenPiece
{
    enum Kind {
        AsTyped, // one character, written as its own byte
        LineBreak,
        Composed, // written as `written`, every character of which the set holds
        Spelled, // written as `written`, which spells what the set cannot hold
    };
    Kind kind;
    qsizetype length; // in the text's UTF-16 code units
    QString written;
};

// The piece of `text` that starts at `position`.
WrittenPiece writtenPieceAt(QStringView text, qsizetype position);

// The spelling of a (composed) character the set does not hold, or "?" when it has none.
QString plainSpelling(char32_t c);

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <string_view>

// Every conversion between what the text boxes show and what the files hold. The files are
// Windows-1252 text, one byte a character, every line ended by CR LF; the program's own texts
// break their lines with CR LF too.

// Line breaks.

// A text box's raw text as the program sees it: each paragraph separator as CR LF. (A box takes
// CR LF as one line break when it is given text.)
QString fromBoxText(QString rawText);
// `text` with every "{}" mark, found from the left, turned into a CR LF line break.
QString expandBreaks(const QString &text);
// A file's lines, each without its line end (CR LF, LF or CR).
QStringList fromFileLines(QByteArrayView bytes);
// The same lines as views of `bytes`, in whatever character set they are.
QList<QByteArrayView> fileLineViews(QByteArrayView bytes);
// Lines as one text for a box, CR LF between them.
QString joinedLines(const QStringList &lines);

// The character set. Every byte 0-255 maps to one character and back; the five bytes the set
// leaves undefined stand for the control characters of the same code.

QString fromCp1252(QByteArrayView bytes);
// The same characters as UTF-8, written at `utf8`, which has room for three bytes a character;
// gives the end of what is written.
char *cp1252ToUtf8(QByteArrayView bytes, char *utf8);
// Each character the set holds as its byte, any other as "?".
QByteArray toCp1252(QStringView text);
// The byte of a character the set holds.
std::optional<char> cp1252Byte(char32_t c);

// Writing typed text. A character the set holds is written as itself. Any other character is
// first composed with the combining marks that follow it (Unicode NFC), so that "e" and a
// combining acute become "é"; what the set still cannot hold is written by its plain-text
// spelling ("theta" for θ, "<=" for ≤), or as "?" when it has none. Every kind of line break,
// CR LF included, is one line break.

// `text` as the files write it, its end and every line break it holds as CR LF.
QByteArray toFileLines(QStringView text);

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

// The plain-text spellings of characters the set does not hold, by character. A character not in
// the table is spelled from its Unicode decomposition.
struct Spelling
{
    char32_t character;
    std::u16string_view spelling;
};
std::span<const Spelling> spellingTable();

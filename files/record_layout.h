#pragma once

#include "record_composer.h"

#include <QString>

#include <functional>

// The records of the master file and the SEND file (and of the notes file, which holds only note
// records), each composed whole, line by line.

// The fixed texts of the layout, shared with what reads the files back.
namespace RecordLayout {
// Opens every record and closes its stamp lines.
inline const QString separatorLine
        = QStringLiteral("......!!!!!!!!...................................");
// Ends every record: 49 full stops.
inline const QString closingLine = QString(49, u'.');
// Stands before the time and the date stamps.
inline const QString stampIndent = QString(36, u' ');
inline const QString assignmentMark = QStringLiteral("assignment #");
inline const QString questionNumberMark = QStringLiteral("`questionNumber");
inline const QString responseMark = QStringLiteral("RESPONSE -->  ");
inline const QString confidenceMark = QStringLiteral("confidence assessment:  ");
inline const QString selfCritiqueMark = QStringLiteral("self critique assessment: ");
inline const QString notesMark = QStringLiteral("NOTES -------> ");
} // namespace RecordLayout

// The five-line header of a session, for the master file and the SEND file: the code line, the
// assignment, its start line, the course title and the date.
RecordComposer composeHeader(const RecordContext &context, const QString &codeLine,
                             const QString &assignmentNumber, const QString &startLine,
                             const QString &courseTitle);

// A response record, for the master file and the SEND file: the opening lines, the question
// number (master file only), the script line, the response, the rating line and the closing line.
// `ratingLine` is asked for its line once the response is composed; it gives a null text when
// the block asks for no rating.
RecordComposer composeResponse(const RecordContext &context, double questionNumber,
                               const QString &currentLine, const QString &response,
                               const std::function<QString()> &ratingLine);

// A note record, for all three files; `noteLine` is "NOTES -------> " and the note.
RecordComposer composeNote(const RecordContext &context, const QString &currentLine,
                           const QString &noteLine);

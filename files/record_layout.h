#pragma once

#include <QString>

class RecordComposer;

// The blocks of the master file and the SEND file (and of the notes file, which holds only note
// records), line by line. Every record's files are given master first.

// The five-line header of a session: the code line, the assignment, its start line, the course
// title and the date.
void composeHeader(RecordComposer &record, const QString &codeLine, const QString &assignmentNumber,
                   const QString &startLine, const QString &courseTitle);

// A response record up to the response: the opening lines, the question number (master file
// only), the script line and the response. The rating line, when the block asks for one, and the
// closing line follow.
void composeResponse(RecordComposer &record, double questionNumber, const QString &currentLine,
                     const QString &response);

// A whole note record; `noteLine` is "NOTES -------> " and the note.
void composeNote(RecordComposer &record, const QString &currentLine, const QString &noteLine);

// The line that closes every response and note record.
void composeRecordClosing(RecordComposer &record);

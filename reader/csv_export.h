#pragma once

#include "received_records.h"

#include <QByteArray>

class QIODevice;

// The records for a grade book: RFC 4180, UTF-8, one row per record, CR LF after each row.
// A header row of the columns, after the byte-order mark that spreadsheet programs look for, and
// each student's rows.
QByteArray csvHead();
void writeCsvRows(QIODevice &csv, const ReceivedStudent &student);

// The exit status of `q_a_reader --csv`.
enum class ExportStatus { AllWhole = 0, NotWritten = 1, SomeProblems = 2 };

// Reads `paths` student by student into the CSV file at `csvPath`, replacing it whole once every
// row is written; each problem goes to `problems`, one a line, beginning with its file and line.
ExportStatus exportCsv(const QString &csvPath, const QStringList &paths,
                       const std::function<void(const QString &line)> &problems);

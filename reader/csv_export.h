#pragma once

#include "received_records.h"

#include <QByteArray>

class QIODevice;

// A student's records for a grade book, as readStudent gives them: RFC 4180, UTF-8, one row per
// record, CR LF after each row. Written to `csv` a piece at a time, and the rest by flush().
class CsvRows : public StudentRecordSink
{
public:
    CsvRows(QIODevice &csv, const StudentFiles &files);

    void addSession(const SessionFields &session) override;
    void addRecord(qsizetype session, const RecordFields &record) override;
    void flush();

private:
    QIODevice &m_csv;
    QByteArray m_name; // each field as written, the comma after it included
    QList<QByteArray> m_files;
    QList<std::pair<QByteArray, bool>> m_sessions; // their fields, and whether they hold a date
    QByteArray m_rows;
};

// The exit status of `q_a_reader --csv`.
enum class ExportStatus { AllWhole = 0, NotWritten = 1, SomeProblems = 2 };

// Reads `paths` student by student into the CSV file at `csvPath`: a byte-order mark, which
// spreadsheet programs look for, a header row of the columns, and each student's rows. The file
// is replaced whole once every row is written. Each problem goes to `problems`, one a line,
// beginning with its file and line; the CSV file's own, when it cannot be written, last.
ExportStatus exportCsv(const QString &csvPath, const QStringList &paths,
                       const std::function<void(const QString &line)> &problems,
                       const ReadProgress &progress = {});

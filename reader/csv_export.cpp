#include "csv_export.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// Pieces of this size go to the file: few writes, and no more than a piece in memory.
constexpr qsizetype pieceSize = 64 * 1024;

// Appends `utf8` and the comma after it, quoted, its quotes doubled, when it holds what would end
// it. No byte of a UTF-8 sequence is below 128: the bytes are searched as they are.
void appendField(QByteArray &row, QByteArrayView utf8)
{
    const auto ends = [](char c) {
        return c == ',' || c == '"' || c == '\n' || c == '\r';
    };
    if (std::none_of(utf8.begin(), utf8.end(), ends)) {
        row.append(utf8).append(',');
        return;
    }
    row += '"';
    qsizetype from = 0;
    for (qsizetype quote; (quote = utf8.indexOf('"', from)) >= 0; from = quote + 1)
        row.append(utf8.sliced(from, quote + 1 - from)).append('"');
    row.append(utf8.sliced(from)).append("\",");
}

QByteArray field(const QString &text)
{
    QByteArray bytes;
    appendField(bytes, text.toUtf8());
    return bytes;
}

// `value` in `digits` digits, zeros before it.
void appendDigits(QByteArray &row, int value, int digits)
{
    row.resize(row.size() + digits);
    for (auto digit = row.end() - 1; digits > 0; --digits, --digit, value /= 10)
        *digit = char('0' + value % 10);
}

void appendDate(QByteArray &row, QDate date)
{
    if (date.isValid()) {
        appendDigits(row, date.year(), 4);
        row += '-';
        appendDigits(row, date.month(), 2);
        row += '-';
        appendDigits(row, date.day(), 2);
    }
    row += ',';
}

QByteArrayView ratingKindField(RatingKind kind)
{
    switch (kind) {
    case RatingKind::Confidence:
        return "confidence,";
    case RatingKind::SelfCritique:
        return "self critique,";
    case RatingKind::None:
        break;
    }
    return ",";
}

} // namespace

CsvRows::CsvRows(QIODevice &csv, const StudentFiles &files) : m_csv(csv), m_name(field(files.name))
{
    for (const QString &file : files.shownNames)
        m_files.append(field(file));
    m_rows.reserve(pieceSize + pieceSize / 4);
}

void CsvRows::addSession(const SessionFields &session)
{
    QByteArray assignment;
    appendField(assignment, session.assignment);
    m_sessions.append({assignment, session.date});
}

void CsvRows::addRecord(qsizetype session, const RecordFields &record)
{
    const auto &[assignment, sessionDate] = m_sessions[session];
    m_rows.append(m_name).append(m_files[record.file]);
    m_rows.append(QByteArray::number(record.line)).append(',').append(assignment);
    // A note known only from a notes file has its own date.
    appendDate(m_rows, sessionDate.isValid() ? sessionDate : record.notedDate);
    if (record.time.isValid()) {
        appendDigits(m_rows, record.time.hour(), 2);
        m_rows += ':';
        appendDigits(m_rows, record.time.minute(), 2);
        m_rows += ':';
        appendDigits(m_rows, record.time.second(), 2);
    }
    m_rows.append(record.kind == RecordKind::Note ? ",note," : ",response,");
    appendField(m_rows, record.scriptLine);
    appendField(m_rows, record.text);
    m_rows.append(ratingKindField(record.ratingKind));
    appendField(m_rows, record.rating);
    m_rows.back() = '\r';
    m_rows += '\n';
    if (m_rows.size() >= pieceSize)
        flush();
}

void CsvRows::flush()
{
    m_csv.write(m_rows);
    m_rows.resize(0);
}

ExportStatus exportCsv(const QString &csvPath, const QStringList &paths,
                       const std::function<void(const QString &line)> &problems,
                       const ReadProgress &progress)
{
    // Found before the CSV's temporary file is made, which may be in a folder read.
    const QList<StudentFiles> found = findReceivedFiles(paths);
    qsizetype total = 0, read = 0;
    for (const StudentFiles &files : found)
        total += files.paths.size();
    QSaveFile csv(csvPath);
    const auto notWritten = [&] {
        problems(u"%1: %2"_s.arg(QDir::toNativeSeparators(csvPath), csv.errorString()));
        return ExportStatus::NotWritten;
    };
    if (!csv.open(QIODevice::WriteOnly))
        return notWritten();
    csv.write("\xEF\xBB\xBFstudent,file,line,assignment,session_date,time,kind,script_line,text,"
              "rating_kind,rating\r\n");
    bool whole = true;
    for (const StudentFiles &files : found) {
        // What could not be read; the records go straight to the file.
        ReceivedStudent student {files.name, {}, {}, {}};
        CsvRows rows(csv, files);
        readStudent(files, rows, student);
        rows.flush();
        for (const ReadProblem &problem : student.skipped + student.problems) {
            whole = false;
            problems(problemLine(problem));
        }
        read += files.paths.size();
        if (progress)
            progress(read, total);
    }
    if (!csv.commit())
        return notWritten();
    return whole ? ExportStatus::AllWhole : ExportStatus::SomeProblems;
}

#include "csv_export.h"

#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// Straight into the row: no QString of the rows, no byte array for each field.
void appendUtf8(QByteArray &row, QStringView text)
{
    QStringEncoder utf8(QStringEncoder::Utf8);
    const qsizetype start = row.size();
    row.resize(start + utf8.requiredSpace(text.size()));
    row.truncate(utf8.appendToBuffer(row.data() + start, text) - row.constData());
}

// Appends `text` and the comma after it, quoted, its quotes doubled, when it holds what would end
// it. No byte of a UTF-8 sequence is below 128, so its bytes are scanned once.
void appendField(QByteArray &row, QStringView text)
{
    const qsizetype start = row.size();
    appendUtf8(row, text);
    const auto ends = [](char c) {
        return c == ',' || c == '"' || c == '\n' || c == '\r';
    };
    if (std::any_of(row.cbegin() + start, row.cend(), ends)) {
        const QByteArray field = row.sliced(start);
        row.truncate(start);
        row += '"';
        qsizetype from = 0;
        for (qsizetype quote; (quote = field.indexOf('"', from)) >= 0; from = quote + 1)
            row.append(field.constData() + from, quote - from).append("\"\"");
        row.append(field.constData() + from, field.size() - from).append('"');
    }
    row += ',';
}

// `value` in `digits` digits, zeros before it.
void appendDigits(QByteArray &row, int value, int digits)
{
    row.resize(row.size() + digits);
    for (auto digit = row.end() - 1; digits > 0; --digits, --digit, value /= 10)
        *digit = char('0' + value % 10);
}

QByteArray ratingKindName(RatingKind kind)
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

QByteArray csvHead()
{
    return "\xEF\xBB\xBFstudent,file,line,assignment,session_date,time,kind,script_line,text,"
           "rating_kind,rating\r\n";
}

void writeCsvRows(QIODevice &csv, const ReceivedStudent &student)
{
    // Written a piece at a time, so that no more than the student's records is in memory.
    constexpr qsizetype pieceSize = 64 * 1024;
    QByteArray name;
    appendField(name, student.name);
    QByteArray rows;
    rows.reserve(pieceSize + pieceSize / 4);
    for (const ReceivedSession &session : student.sessions) {
        for (const ReceivedRecord &record : session.records) {
            rows += name;
            appendField(rows, record.file);
            rows += QByteArray::number(record.line) + ',';
            appendField(rows, session.assignment);
            // A note known only from a notes file has its own date.
            const QDate date = session.date.isValid() ? session.date : record.noted.date();
            if (date.isValid()) {
                appendDigits(rows, date.year(), 4);
                rows += '-';
                appendDigits(rows, date.month(), 2);
                rows += '-';
                appendDigits(rows, date.day(), 2);
            }
            rows += ',';
            if (record.time.isValid()) {
                appendDigits(rows, record.time.hour(), 2);
                rows += ':';
                appendDigits(rows, record.time.minute(), 2);
                rows += ':';
                appendDigits(rows, record.time.second(), 2);
            }
            rows += record.kind == RecordKind::Note ? ",note," : ",response,";
            appendField(rows, record.scriptLine);
            appendField(rows, record.text);
            rows += ratingKindName(record.ratingKind);
            appendField(rows, record.rating);
            rows.back() = '\r';
            rows += '\n';
            if (rows.size() >= pieceSize) {
                csv.write(rows);
                rows.resize(0);
            }
        }
    }
    csv.write(rows);
}

ExportStatus exportCsv(const QString &csvPath, const QStringList &paths,
                       const std::function<void(const QString &line)> &problems)
{
    // Found before the CSV's temporary file is made, which may be in a folder read.
    const QList<StudentFiles> found = findReceivedFiles(paths);
    QSaveFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly)) {
        problems(u"%1: %2"_s.arg(csvPath, csv.errorString()));
        return ExportStatus::NotWritten;
    }
    bool whole = true;
    csv.write(csvHead());
    // One student in memory at a time.
    for (const StudentFiles &files : found) {
        const ReceivedStudent student = readStudent(files);
        writeCsvRows(csv, student);
        for (const ReadProblem &problem : student.skipped + student.problems) {
            whole = false;
            problems(problemLine(problem));
        }
    }
    if (!csv.commit()) {
        problems(u"%1: %2"_s.arg(csvPath, csv.errorString()));
        return ExportStatus::NotWritten;
    }
    return whole ? ExportStatus::AllWhole : ExportStatus::SomeProblems;
}

#include "csv_export.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

// Pieces of this size go to the file: few writes, and no more than a piece in memory.
constexpr qsizetype pieceSize = 64 * 1024;

// The most a field and its comma take: every byte a quote, doubled, between quotes.
qsizetype fieldRoom(QByteArrayView utf8)
{
    return 2 * utf8.size() + 3;
}

// Writes `utf8` at `out` and the comma after it, quoted, its quotes doubled, when it holds what
// would end it, and gives the end. No byte of a UTF-8 sequence is below 128: the bytes are
// searched as they are.
char *writeField(char *out, QByteArrayView utf8)
{
    const auto ends = [](char c) {
        return c == ',' || c == '"' || c == '\n' || c == '\r';
    };
    if (std::none_of(utf8.begin(), utf8.end(), ends)) {
        out = std::copy(utf8.begin(), utf8.end(), out);
        *out++ = ',';
        return out;
    }
    *out++ = '"';
    const char *from = utf8.begin();
    for (const char *quote;
         (quote = static_cast<const char *>(std::memchr(from, '"', utf8.end() - from)));
         from = quote + 1) {
        out = std::copy(from, quote + 1, out);
        *out++ = '"';
    }
    out = std::copy(from, utf8.end(), out);
    *out++ = '"';
    *out++ = ',';
    return out;
}

QByteArray field(QByteArrayView utf8)
{
    QByteArray bytes(fieldRoom(utf8), Qt::Uninitialized);
    bytes.truncate(writeField(bytes.data(), utf8) - bytes.constData());
    return bytes;
}

// `value` in `digits` digits, zeros before it.
char *writeDigits(char *out, int value, int digits)
{
    for (char *digit = out + digits - 1; digit >= out; --digit, value /= 10)
        *digit = char('0' + value % 10);
    return out + digits;
}

char *writeNumber(char *out, int value)
{
    int digits = 1;
    for (int rest = value / 10; rest > 0; rest /= 10)
        ++digits;
    out = writeDigits(out, value, digits);
    *out++ = ',';
    return out;
}

// yyyy-mm-dd, or nothing for no date, and the comma.
char *writeDate(char *out, QDate date)
{
    if (date.isValid()) {
        int year, month, day;
        date.getDate(&year, &month, &day);
        out = writeDigits(out, year, 4);
        *out++ = '-';
        out = writeDigits(out, month, 2);
        *out++ = '-';
        out = writeDigits(out, day, 2);
    }
    *out++ = ',';
    return out;
}

// The most the line number, the date, the time, the kinds and the row's end take.
constexpr qsizetype fixedRoom = 64;

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

CsvRows::CsvRows(QIODevice &csv, const StudentFiles &files)
    : m_csv(csv), m_name(field(files.name.toUtf8()))
{
    for (const QString &file : files.shownNames)
        m_files.append(field(file.toUtf8()));
    m_rows.reserve(pieceSize + pieceSize / 4);
}

void CsvRows::addSession(const SessionFields &session)
{
    // The assignment and the date, or the assignment alone before the notes of a notes file,
    // which have a date each.
    QByteArray fields(fieldRoom(session.assignment) + fixedRoom, Qt::Uninitialized);
    char *out = writeField(fields.data(), session.assignment);
    if (session.date.isValid())
        out = writeDate(out, session.date);
    fields.truncate(out - fields.constData());
    m_sessions.append({fields, session.date.isValid()});
}

void CsvRows::addRecord(qsizetype session, const RecordFields &record)
{
    const auto &[sessionFields, dated] = m_sessions[session];
    const QByteArray &file = m_files[record.file];
    const qsizetype start = m_rows.size();
    m_rows.resize(start + m_name.size() + file.size() + sessionFields.size() + fixedRoom
                  + fieldRoom(record.scriptLine) + fieldRoom(record.text)
                  + fieldRoom(record.rating));
    char *out = std::copy(m_name.begin(), m_name.end(), m_rows.data() + start);
    out = std::copy(file.begin(), file.end(), out);
    out = writeNumber(out, record.line);
    out = std::copy(sessionFields.begin(), sessionFields.end(), out);
    if (!dated)
        out = writeDate(out, record.notedDate);
    if (record.time.isValid()) {
        out = writeDigits(out, record.time.hour(), 2);
        *out++ = ':';
        out = writeDigits(out, record.time.minute(), 2);
        *out++ = ':';
        out = writeDigits(out, record.time.second(), 2);
    }
    const QByteArrayView kind = record.kind == RecordKind::Note ? ",note," : ",response,";
    out = std::copy(kind.begin(), kind.end(), out);
    out = writeField(out, record.scriptLine);
    out = writeField(out, record.text);
    const QByteArrayView ratingKind = ratingKindField(record.ratingKind);
    out = std::copy(ratingKind.begin(), ratingKind.end(), out);
    out = writeField(out, record.rating);
    // The row ends where the comma after its last field was.
    out[-1] = '\r';
    *out++ = '\n';
    m_rows.truncate(out - m_rows.constData());
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
    const QList<StudentPlace> students = findStudents(paths);
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
    for (qsizetype i = 0; i < students.size(); ++i) {
        const StudentFiles files = listFiles(students[i]);
        // What could not be read; the records go straight to the file.
        ReceivedStudent student {files.name, {}, {}, {}};
        CsvRows rows(csv, files);
        readStudent(files, rows, student);
        rows.flush();
        for (const ReadProblem &problem : student.skipped + student.problems) {
            whole = false;
            problems(problemLine(problem));
        }
        if (progress)
            progress(i + 1, students.size());
    }
    if (!csv.commit())
        return notWritten();
    return whole ? ExportStatus::AllWhole : ExportStatus::SomeProblems;
}

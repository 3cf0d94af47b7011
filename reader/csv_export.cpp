#include "csv_export.h"

#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace {

// A field quoted, its quotes doubled, when it holds what would end it.
QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', u"\"\""_s) + u'"';
}

QString ratingKindName(RatingKind kind)
{
    switch (kind) {
    case RatingKind::Confidence:
        return u"confidence"_s;
    case RatingKind::SelfCritique:
        return u"self critique"_s;
    case RatingKind::None:
        break;
    }
    return {};
}

} // namespace

QByteArray csvHead()
{
    return "\xEF\xBB\xBFstudent,file,line,assignment,session_date,time,kind,script_line,text,"
           "rating_kind,rating\r\n";
}

QByteArray csvRows(const ReceivedStudent &student)
{
    QString rows;
    for (const ReceivedSession &session : student.sessions) {
        for (const ReceivedRecord &record : session.records) {
            const bool isNote = record.kind == RecordKind::Note;
            // A note known only from a notes file has its own date.
            const QDate date = session.date.isValid() ? session.date : record.noted.date();
            const QStringList fields {student.name,
                                      record.file,
                                      QString::number(record.line),
                                      session.assignment,
                                      date.toString(Qt::ISODate),
                                      record.time.toString(u"hh:mm:ss"_s),
                                      isNote ? u"note"_s : u"response"_s,
                                      record.scriptLine,
                                      record.text,
                                      ratingKindName(record.ratingKind),
                                      record.rating};
            for (const QString &field : fields)
                rows += csvField(field) + u',';
            rows.back() = u'\r';
            rows += u'\n';
        }
    }
    return rows.toUtf8();
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
        csv.write(csvRows(student));
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

#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>
#include <optional>

// The records of received master, SEND and notes files, read back into sessions, with what could
// not be read. Nothing here writes to, moves or locks what it reads.

enum class RecordKind { Response, Note };
enum class RatingKind { None, Confidence, SelfCritique };

struct ReceivedRecord
{
    RecordKind kind = RecordKind::Response;
    QString file; // relative to the path it was found under
    int line = 0; // where the record starts, from 1
    QTime time;
    std::optional<double> questionNumber; // in a master file only
    QString scriptLine; // as written, its "{}" marks kept
    QString text; // the response, or the note without its mark; lines joined by LF
    RatingKind ratingKind = RatingKind::None;
    QString rating; // as typed; lines joined by LF
    QDateTime noted; // a note's date and time line

    bool operator==(const ReceivedRecord &) const = default;
};

// A session's header and its records. The notes of a notes file make sessions without a header
// (an empty code line and assignment, an invalid date).
struct ReceivedSession
{
    QString file;
    int line = 0;
    QString codeLine;
    QString assignment; // what follows "assignment #"
    QString startLine;
    QString courseTitle;
    QDate date;
    QList<ReceivedRecord> records;

    bool operator==(const ReceivedSession &) const = default;
};

// What was wrong with a file, at a line from 1 (0: the file as a whole).
struct ReadProblem
{
    QString file;
    int line = 0;
    QString text;

    bool operator==(const ReadProblem &) const = default;
};
// The problem as one line: "file:line: text", or "file: text" for the file as a whole.
QString problemLine(const ReadProblem &problem);

// One file's sessions, in the order they were written.
struct ParsedFile
{
    bool isRecordFile = false;
    QList<ReceivedSession> sessions;
    QList<ReadProblem> problems;
};

// Reads one file's bytes (CR LF or LF, Windows-1252 or UTF-8 with or without a mark), shown as
// `file` in what it reports.
ParsedFile parseRecordFile(QByteArrayView bytes, const QString &file);

// The files of one student: the subfolder of a given folder they are in, or the file's own name
// for a file at the top or given itself.
struct StudentFiles
{
    QString name;
    QStringList paths; // on this file system
    QStringList shownNames; // relative to the path given
};

// The files under `paths`, by student, in the order of their names.
QList<StudentFiles> findReceivedFiles(const QStringList &paths);

struct ReceivedStudent
{
    QString name;
    QList<ReceivedSession> sessions; // each record once, though a SEND and a master file hold it
    QList<ReadProblem> problems; // the files' problems, one a line
    QList<ReadProblem> skipped; // files not read as records, with the reason
};

// Reads and merges one student's files.
ReceivedStudent readStudent(const StudentFiles &files);

// Told after each file; may be called from the thread that reads.
using ReadProgress = std::function<void(qsizetype filesRead, qsizetype filesTotal)>;

// Every student's records under `paths`.
QList<ReceivedStudent> readReceived(const QStringList &paths, const ReadProgress &progress = {});

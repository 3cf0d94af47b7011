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

// A student found at the top of the paths given: the name of a folder of their files, or of a
// file of its own, and the folders that hold one by that name.
struct StudentPlace
{
    QString name;
    QStringList folders; // each shared by every student found in it
};

// The students under `paths`, in the order of their names: each folder at the top of a folder
// given, each file there, and each file given itself. Their files are listed only when they are
// read, and a class's list of students holds little more than their names.
QList<StudentPlace> findStudents(const QStringList &paths);
// A student's files, in the order of their names.
StudentFiles listFiles(const StudentPlace &student);

struct ReceivedStudent
{
    QString name;
    QList<ReceivedSession> sessions; // each record once, though a SEND and a master file hold it
    QList<ReadProblem> problems; // the files' problems, one a line
    QList<ReadProblem> skipped; // files not read as records, with the reason
};

// A session as read, its texts as UTF-8. `line` is 0 for the records a file holds before any
// header: a notes file's notes. The views hold until the next session or record.
struct SessionFields
{
    qsizetype file = 0; // its index among the student's files
    int line = 0;
    QByteArrayView codeLine, assignment, startLine, courseTitle;
    QDate date;
};

// A record as read, its texts as UTF-8, its lines joined by LF. The views hold until the next
// session or record.
struct RecordFields
{
    RecordKind kind = RecordKind::Response;
    qsizetype file = 0;
    int line = 0;
    QTime time;
    std::optional<double> questionNumber;
    QDate notedDate;
    QTime notedTime;
    QByteArrayView scriptLine, text;
    RatingKind ratingKind = RatingKind::None;
    QByteArrayView rating;
};

// What a student's records are given to, each record once, in the order read: a student's files
// by name, their records in the order written, and the files that hold notes alone last, so that
// a note is kept with the session a SEND or master file gives it.
class StudentRecordSink
{
public:
    virtual ~StudentRecordSink() = default;
    // The sessions are numbered from 0 in the order given.
    virtual void addSession(const SessionFields &session) = 0;
    virtual void addRecord(qsizetype session, const RecordFields &record) = 0;
};

// Reads one student's files, as listFiles() gives them, into `sink`, one file in memory at a time,
// and adds what could not be read to `student`'s problems and skipped files. A record already
// taken from another file (each known by a hash of what it says, keyed anew each run) is not given
// again.
void readStudent(const StudentFiles &files, StudentRecordSink &sink, ReceivedStudent &student);

// Reads and merges one student's files, as listFiles() gives them.
ReceivedStudent readStudent(const StudentFiles &files);

// Told after each student; may be called from the thread that reads.
using ReadProgress = std::function<void(qsizetype studentsRead, qsizetype studentsTotal)>;

// Every student's records under `paths`.
QList<ReceivedStudent> readReceived(const QStringList &paths, const ReadProgress &progress = {});

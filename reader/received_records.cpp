#include "received_records.h"

#include "code/line_code.h"
#include "files/clock_format.h"
#include "files/number_text.h"
#include "files/record_layout.h"
#include "files/text_codec.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUtf8StringView>

#include <algorithm>
#include <map>
#include <numeric>
#include <utility>

using namespace RecordLayout;
using namespace Qt::Literals::StringLiterals;

namespace {

// The student's program shows no file larger either.
constexpr qint64 largestFile = 256 * 1024 * 1024;
constexpr int headerLines = 5;

QString decoded(QByteArrayView bytes)
{
    const QByteArrayView utf8Mark("\xEF\xBB\xBF");
    if (bytes.startsWith(utf8Mark))
        return QString::fromUtf8(bytes.sliced(utf8Mark.size()));
    // Notepad saves UTF-8 without a mark too; Windows-1252 text with bytes above 127 (and so every
    // code line) is as good as never valid UTF-8. Checked before decoding, which then runs once;
    // the check stops at the first byte that is not UTF-8, on a file's first line.
    return QUtf8StringView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : fromCp1252(bytes);
}

// The stamp lines: the time alone, or the date and the time.
QTime stampTime(QStringView line)
{
    return line.startsWith(stampIndent) ? parseTime(line.sliced(stampIndent.size())) : QTime();
}

QDateTime stampDateAndTime(QStringView line)
{
    if (!line.startsWith(stampIndent) || line.size() != stampIndent.size() + 18)
        return {};
    const QStringView stamp = line.sliced(stampIndent.size());
    const QDate date = parseDate(stamp.first(10));
    const QTime time = parseTime(stamp.sliced(10));
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

QString joined(const QList<QStringView> &lines, qsizetype from, qsizetype to)
{
    QString text;
    text.reserve(
            std::accumulate(lines.begin() + from, lines.begin() + to, to - from,
                            [](qsizetype size, QStringView line) { return size + line.size(); }));
    for (qsizetype i = from; i < to; ++i) {
        if (i > from)
            text += u'\n';
        text += lines[i];
    }
    return text;
}

// The month and day a SEND file's name gives, kept through a renaming such as "send_1208 (1)".
std::optional<std::pair<int, int>> sendFileDay(const QString &file)
{
    const QString name = QFileInfo(file).fileName();
    const qsizetype at = name.indexOf(u"send_"_s, 0, Qt::CaseInsensitive);
    if (at < 0 || at + 9 > name.size())
        return std::nullopt;
    const QStringView digits = QStringView(name).sliced(at + 5, 4);
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    return std::pair(digits.first(2).toInt(), digits.sliced(2).toInt());
}

class FileParser
{
public:
    FileParser(QStringView text, const QString &file) : m_file(file)
    {
        // The next CR and LF, each found by Qt's vectorized search and found again once passed.
        const auto next = [text](QChar c, qsizetype from) {
            const qsizetype at = text.indexOf(c, from);
            return at < 0 ? text.size() : at;
        };
        qsizetype start = 0, cr = -1, lf = -1;
        while (start < text.size()) {
            if (cr < start)
                cr = next(u'\r', start);
            if (lf < start)
                lf = next(u'\n', start);
            qsizetype end = std::min(cr, lf);
            m_lines.append(text.sliced(start, end - start));
            m_lastLineEnded = end < text.size();
            if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n')
                ++end;
            start = end + 1;
        }
        m_fileDay = sendFileDay(file);
    }

    ParsedFile parse()
    {
        qsizetype i = 0;
        while (i < m_lines.size()) {
            if (headerAt(i))
                i = readHeader(i);
            else if (m_lines[i] == separatorLine)
                i = readRecord(i);
            else
                i = skipUnknown(i);
        }
        if (!m_result.isRecordFile && !m_lines.isEmpty()) {
            // A header cut off in its first lines is still a record file's.
            m_result.isRecordFile = headerCutAt(0, m_lines.size());
        }
        return m_result;
    }

private:
    bool headerAt(qsizetype i) const
    {
        return i + 1 < m_lines.size() && m_lines[i + 1].startsWith(assignmentMark);
    }

    bool recordAt(qsizetype i) const
    {
        return m_lines[i] == separatorLine && (cutAt(i + 1) || stampTime(m_lines[i + 1]).isValid());
    }

    // A header or a record starts at `i`, or what the file's end leaves of one.
    bool blockAt(qsizetype i) const
    {
        if (i >= m_lines.size())
            return false;
        return headerAt(i) || recordAt(i) || headerCutAt(i, m_lines.size())
                || (cutAt(i) && separatorLine.startsWith(m_lines[i]));
    }

    // A line at `i` that does not read as it should is the file's end cutting it short when it is
    // past the last line, or is the last line and lacks its line end.
    bool cutAt(qsizetype i) const
    {
        return i >= m_lines.size() || (i == m_lines.size() - 1 && !m_lastLineEnded);
    }

    void report(qsizetype line, const QString &text)
    {
        m_result.problems.append({m_file, int(line + 1), text});
    }

    void reportCut(qsizetype start, const QString &what)
    {
        report(start, u"%1 cut short: the file ends at line %2"_s.arg(what).arg(m_lines.size()));
    }

    qsizetype readHeader(qsizetype i)
    {
        m_result.isRecordFile = true;
        const QDate date = i + 4 < m_lines.size() ? parseDate(m_lines[i + 4]) : QDate();
        if (!date.isValid()) {
            if (cutAt(i + 4))
                reportCut(i, u"a header"_s);
            else
                report(i + 4, u"a header's date that is not mm-dd-yyyy"_s);
            return i + std::min<qsizetype>(headerLines, m_lines.size() - i);
        }
        const std::optional<int> codeNumber = codeNumberOf(m_lines[i]);
        if (!codeNumber || *codeNumber < lowestCodeNumber || *codeNumber > highestCodeNumber)
            report(i, u"a code line that does not hold the code line's structure"_s);
        if (m_fileDay && *m_fileDay != std::pair(date.month(), date.day()))
            report(i + 4,
                   u"a header dated %1 in a file named for another day"_s.arg(formatDate(date)));
        ReceivedSession session;
        session.file = m_file;
        session.line = int(i + 1);
        session.codeLine = m_lines[i].toString();
        session.assignment = m_lines[i + 1].sliced(assignmentMark.size()).toString();
        session.startLine = m_lines[i + 2].toString();
        session.courseTitle = m_lines[i + 3].toString();
        session.date = date;
        m_result.sessions.append(session);
        m_lastTime = QTime();
        return i + headerLines;
    }

    // Reads the record that starts at `i` and gives the line after it.
    qsizetype readRecord(qsizetype i)
    {
        m_result.isRecordFile = true;
        const qsizetype size = m_lines.size();
        const auto line = [&](qsizetype at) {
            return at < size ? m_lines[at] : QStringView();
        };
        const auto fail = [&](qsizetype at, const QString &expected) {
            if (cutAt(at)) {
                reportCut(i, u"a record"_s);
                return size;
            }
            report(at, u"a line where a record has %1"_s.arg(expected));
            return std::max(at, i + 1);
        };

        ReceivedRecord record;
        record.file = m_file;
        record.line = int(i + 1);
        record.time = stampTime(line(i + 1));
        if (!record.time.isValid())
            return fail(i + 1, u"its time"_s);
        qsizetype at = i + 2;
        record.noted = stampDateAndTime(line(at));
        if (record.noted.isValid()) {
            record.kind = RecordKind::Note;
            ++at;
        } else if (line(at).isEmpty() && at + 1 < size && line(at + 1).isEmpty()) {
            // Two empty lines come only before a master file's question number.
            if (!line(at + 2).startsWith(questionNumberMark))
                return fail(at + 2, u"its question number"_s);
            record.questionNumber = numericValue(line(at + 2).sliced(questionNumberMark.size()));
            at += 3;
        }
        if (at >= size)
            return fail(at, u"its script line"_s);
        record.scriptLine = line(at++).toString();
        if (line(at) != separatorLine)
            return fail(at, u"the line of full stops and exclamation marks"_s);
        ++at;
        const bool isNote = record.kind == RecordKind::Note;
        const QString &textMark = isNote ? notesMark : responseMark;
        if (isNote ? !line(at).startsWith(textMark) : line(at) != textMark)
            return fail(at, u"\"%1\""_s.arg(textMark));
        const qsizetype textStart = isNote ? at : at + 1;

        // The record ends at the first closing line that a block or the file's end follows; a
        // closing or separator line in the text followed by anything else is the text's.
        qsizetype end = textStart + 1;
        while (end < size
               && !(m_lines[end] == closingLine && (end + 1 == size || blockAt(end + 1))))
            ++end;
        if (end >= size)
            return fail(size, u"its closing line"_s);

        qsizetype textEnd = end;
        if (!isNote) {
            // The rating is asked after the response: its line is the last one with a mark.
            for (qsizetype k = end - 1; k > textStart; --k) {
                const bool confidence = m_lines[k].startsWith(confidenceMark);
                if (confidence || m_lines[k].startsWith(selfCritiqueMark)) {
                    record.ratingKind
                            = confidence ? RatingKind::Confidence : RatingKind::SelfCritique;
                    const QString &mark = confidence ? confidenceMark : selfCritiqueMark;
                    record.rating = joined(m_lines, k, end).sliced(mark.size());
                    textEnd = k;
                    break;
                }
            }
        }
        record.text = joined(m_lines, textStart, textEnd);
        if (isNote)
            record.text.remove(0, textMark.size());
        for (qsizetype k = textStart + 1; k < end; ++k) {
            if (blockAt(k)) {
                report(k,
                       u"what reads as the start of another record inside one, read as part of "
                       u"the record from line %1"_s.arg(i + 1));
                break;
            }
        }
        if (record.noted.isValid() && record.noted.date() != m_lastNoteDate) {
            m_lastNoteDate = record.noted.date();
            m_lastTime = QTime();
        }
        checkTime(i + 1, record.time);
        // Notes of a notes file come without a header.
        if (m_result.sessions.isEmpty())
            m_result.sessions.append({m_file, 0, {}, {}, {}, {}, {}, {}});
        m_result.sessions.last().records.append(record);
        return end + 1;
    }

    // Times follow the clock; a session past midnight starts the day's hours anew.
    void checkTime(qsizetype line, QTime time)
    {
        if (m_lastTime.isValid() && time < m_lastTime && m_lastTime.secsTo(time) > -12 * 3600)
            report(line,
                   u"a time earlier than the record's before, %1"_s.arg(formatTime(m_lastTime)));
        m_lastTime = time;
    }

    // A code line at the file's end, alone or with part of the assignment line.
    bool headerCutAt(qsizetype i, qsizetype end) const
    {
        const bool partOfHeader = end - i == 1
                || (end - i == 2 && !m_lastLineEnded && assignmentMark.startsWith(m_lines[i + 1]));
        return end == m_lines.size() && partOfHeader && codeNumberOf(m_lines[i]).has_value();
    }

    qsizetype skipUnknown(qsizetype i)
    {
        qsizetype end = i + 1;
        while (end < m_lines.size() && !blockAt(end))
            ++end;
        if (headerCutAt(i, end))
            reportCut(i, u"a header"_s);
        else if (end - i == 1 && cutAt(i))
            report(i, u"a line cut short: the file ends in it"_s);
        else if (end - i == 1)
            report(i, u"a line that fits no layout"_s);
        else
            report(i, u"%1 lines that fit no layout, to line %2"_s.arg(end - i).arg(end));
        return end;
    }

    QString m_file;
    QList<QStringView> m_lines;
    bool m_lastLineEnded = true;
    std::optional<std::pair<int, int>> m_fileDay;
    QTime m_lastTime;
    QDate m_lastNoteDate;
    ParsedFile m_result;
};

} // namespace

ParsedFile parseRecordFile(QByteArrayView bytes, const QString &file)
{
    const QString text = decoded(bytes);
    return FileParser(text, file).parse();
}

namespace {

// Which of a student's files is read first: a master file's records carry their question number.
enum class FileKind { Master, Send, Notes };

FileKind kindOf(const ParsedFile &parsed)
{
    bool headers = false;
    for (const ReceivedSession &session : parsed.sessions) {
        headers = headers || session.line > 0;
        for (const ReceivedRecord &record : session.records)
            if (record.questionNumber)
                return FileKind::Master;
    }
    return headers ? FileKind::Send : FileKind::Notes;
}

// A session's header, or a notes file's name for its notes. Compared field by field where the
// hashes agree.
size_t sessionHash(const ReceivedSession &session)
{
    if (session.line == 0)
        return qHash(session.file);
    return qHashMulti(0, session.codeLine, session.assignment, session.startLine,
                      session.courseTitle, session.date);
}

bool sameSession(const ReceivedSession &a, const ReceivedSession &b)
{
    if (a.line == 0 || b.line == 0)
        return a.line == b.line && a.file == b.file;
    return a.codeLine == b.codeLine && a.assignment == b.assignment && a.startLine == b.startLine
            && a.courseTitle == b.courseTitle && a.date == b.date;
}

// What makes a record the same wherever it is found: not its file, line or question number. A
// note's date and time apart: hashing or comparing a QDateTime converts it to UTC. The script
// line, long and seldom all that tells two records apart, is left to the comparison.
size_t recordHash(qsizetype scope, const ReceivedRecord &record)
{
    return qHashMulti(0, scope, int(record.kind), record.time, record.noted.date(),
                      record.noted.time(), record.text, int(record.ratingKind), record.rating);
}

bool sameRecord(const ReceivedRecord &a, const ReceivedRecord &b)
{
    return a.kind == b.kind && a.time == b.time && a.noted.date() == b.noted.date()
            && a.noted.time() == b.noted.time() && a.scriptLine == b.scriptLine && a.text == b.text
            && a.ratingKind == b.ratingKind && a.rating == b.rating;
}

// A record taken: where it is among the student's sessions, and where it may match another.
struct Seen
{
    qsizetype scope; // the session it matches in, or anyNote
    qsizetype session;
    qsizetype record;
    FileKind kind;
    bool matched = false;
};

// A student's records, each counted once however many files hold it.
class StudentMerge
{
public:
    explicit StudentMerge(ReceivedStudent &student) : m_student(student) { }

    void add(ParsedFile parsed, FileKind kind)
    {
        for (ReceivedSession &session : parsed.sessions) {
            QList<ReceivedRecord> records = std::exchange(session.records, {});
            const size_t hash = sessionHash(session);
            qsizetype at = -1;
            const auto [first, last] = m_sessions.equal_range(hash);
            for (auto found = first; found != last && at < 0; ++found)
                if (sameSession(m_student.sessions[*found], session))
                    at = *found;
            const bool newSession = at < 0;
            if (newSession) {
                at = m_student.sessions.size();
                m_student.sessions.append(std::move(session));
            }
            for (ReceivedRecord &record : records)
                if (isNew(at, record, kind))
                    m_student.sessions[at].records.append(std::move(record));
            if (!newSession)
                continue;
            const ReceivedSession &added = m_student.sessions[at];
            if (added.line == 0 && added.records.isEmpty())
                m_student.sessions.removeLast();
            else
                m_sessions.insert(hash, at);
        }
    }

private:
    // A notes file's note matches the same note in any session.
    static constexpr qsizetype anyNote = -1;

    // Whether `record`, going into the session at `at`, is not one already taken from another
    // file. A notes file's note matches the same note in any session, a session's record the same
    // one in the same session.
    bool isNew(qsizetype at, const ReceivedRecord &record, FileKind kind)
    {
        const bool inHeader = m_student.sessions[at].line > 0;
        const qsizetype scope = inHeader ? at : anyNote;
        QList<Seen> &seen = m_seen[recordHash(scope, record)];
        for (Seen &earlier : seen) {
            if (earlier.matched || earlier.scope != scope)
                continue;
            const ReceivedRecord &taken
                    = m_student.sessions[earlier.session].records[earlier.record];
            if (taken.file == record.file || !sameRecord(taken, record))
                continue;
            earlier.matched = true;
            if (earlier.kind == kind)
                m_student.problems.append(
                        {record.file, record.line,
                         u"a record seen before, in %1 at line %2"_s.arg(taken.file)
                                 .arg(taken.line)});
            return false;
        }
        const qsizetype index = m_student.sessions[at].records.size();
        seen.append({scope, at, index, kind});
        if (record.kind == RecordKind::Note && inHeader)
            m_seen[recordHash(anyNote, record)].append({anyNote, at, index, kind});
        return true;
    }

    ReceivedStudent &m_student;
    QMultiHash<size_t, qsizetype> m_sessions;
    QHash<size_t, QList<Seen>> m_seen;
};

bool namedBefore(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

} // namespace

QString problemLine(const ReadProblem &problem)
{
    if (problem.line == 0)
        return u"%1: %2"_s.arg(problem.file, problem.text);
    return u"%1:%2: %3"_s.arg(problem.file).arg(problem.line).arg(problem.text);
}

QList<StudentFiles> findReceivedFiles(const QStringList &paths)
{
    std::map<QString, StudentFiles, decltype(&namedBefore)> students(&namedBefore);
    const auto add = [&](const QString &student, const QString &path, const QString &shown) {
        StudentFiles &files = students[student];
        files.name = student;
        files.paths.append(path);
        files.shownNames.append(shown);
    };
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            add(info.fileName(), path, info.fileName());
            continue;
        }
        const QDir top(path);
        QDirIterator found(path, QDir::Files | QDir::Hidden | QDir::System,
                           QDirIterator::Subdirectories);
        while (found.hasNext()) {
            const QString file = found.next();
            const QString shown = top.relativeFilePath(file);
            add(shown.section(u'/', 0, 0), file, shown);
        }
    }
    QList<StudentFiles> result;
    for (const auto &entry : students) {
        const StudentFiles &files = entry.second;
        // Each student's files in the order of their names, for the same rows on every run.
        QList<qsizetype> order(files.paths.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            return namedBefore(files.shownNames[a], files.shownNames[b]);
        });
        StudentFiles sorted {files.name, {}, {}};
        for (qsizetype i : order) {
            sorted.paths.append(files.paths[i]);
            sorted.shownNames.append(files.shownNames[i]);
        }
        result.append(sorted);
    }
    return result;
}

ReceivedStudent readStudent(const StudentFiles &files)
{
    ReceivedStudent student {files.name, {}, {}, {}};
    QList<std::pair<FileKind, ParsedFile>> parsed;
    // A student's records ask the same few questions: one copy of each script line, shared,
    // keeps their files in memory at a fraction of their size.
    QSet<QString> scriptLines;
    for (qsizetype i = 0; i < files.paths.size(); ++i) {
        const QString &shown = files.shownNames[i];
        // Read-only and unlocked: the folder stays as it came.
        QFile file(files.paths[i]);
        if (file.size() > largestFile) {
            student.skipped.append({shown, 0, u"over 256 MB, too large for a record file"_s});
            continue;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            student.skipped.append({shown, 0, file.errorString()});
            continue;
        }
        ParsedFile one = parseRecordFile(file.read(largestFile + 1), shown);
        if (one.isRecordFile) {
            for (ReceivedSession &session : one.sessions)
                for (ReceivedRecord &record : session.records)
                    record.scriptLine = *scriptLines.insert(record.scriptLine);
            student.problems += one.problems;
            parsed.append({kindOf(one), std::move(one)});
        } else {
            student.skipped.append(
                    {shown, 0, u"not a record file: it starts with no header and no record"_s});
        }
    }
    std::stable_sort(parsed.begin(), parsed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    StudentMerge merge(student);
    for (auto &[kind, one] : parsed)
        merge.add(std::move(one), kind);
    return student;
}

QList<ReceivedStudent> readReceived(const QStringList &paths, const ReadProgress &progress)
{
    const QList<StudentFiles> found = findReceivedFiles(paths);
    qsizetype total = 0;
    for (const StudentFiles &files : found)
        total += files.paths.size();
    QList<ReceivedStudent> students;
    qsizetype read = 0;
    for (const StudentFiles &files : found) {
        students.append(readStudent(files));
        read += files.paths.size();
        if (progress)
            progress(read, total);
    }
    return students;
}

#include "received_records.h"

#include "code/line_code.h"
#include "files/clock_format.h"
#include "files/file_layer.h"
#include "files/number_text.h"
#include "files/record_layout.h"
#include "files/text_codec.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUtf8StringView>

#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace {

// The student's program shows no file larger either.
constexpr qint64 largestFile = 256 * 1024 * 1024;
constexpr int headerLines = 5;

// The layout's texts as a file holds them: ASCII, the same bytes in Windows-1252 and in UTF-8.
struct LayoutBytes
{
    QByteArray separatorLine = RecordLayout::separatorLine.toLatin1();
    QByteArray closingLine = RecordLayout::closingLine.toLatin1();
    QByteArray stampIndent = RecordLayout::stampIndent.toLatin1();
    QByteArray assignmentMark = RecordLayout::assignmentMark.toLatin1();
    QByteArray questionNumberMark = RecordLayout::questionNumberMark.toLatin1();
    QByteArray responseMark = RecordLayout::responseMark.toLatin1();
    QByteArray confidenceMark = RecordLayout::confidenceMark.toLatin1();
    QByteArray selfCritiqueMark = RecordLayout::selfCritiqueMark.toLatin1();
    QByteArray notesMark = RecordLayout::notesMark.toLatin1();
};

const LayoutBytes &layout()
{
    static const LayoutBytes bytes;
    return bytes;
}

// A file's lines in its own bytes, without their line ends (CR LF, LF or CR), and the character
// set they are in, Windows-1252 or UTF-8 with or without a mark, decided for the file as a whole.
// Read without a copy: the lines view the bytes given.
class FileText
{
public:
    void setBytes(QByteArrayView bytes)
    {
        const QByteArrayView utf8Mark("\xEF\xBB\xBF");
        if (bytes.startsWith(utf8Mark)) {
            bytes = bytes.sliced(utf8Mark.size());
            m_isUtf8 = true;
            // What is not UTF-8 in a marked file reads as replacement characters.
            if (!QUtf8StringView(bytes).isValidUtf8()) {
                m_repaired = QString::fromUtf8(bytes).toUtf8();
                bytes = m_repaired;
            }
        } else {
            // Notepad saves UTF-8 without a mark too; Windows-1252 text with bytes above 127 (and
            // so every code line) is as good as never valid UTF-8. The check stops at the first
            // byte that is not UTF-8, on a file's first line.
            m_isUtf8 = QUtf8StringView(bytes).isValidUtf8();
        }
        splitLines(bytes);
    }

    const QList<QByteArrayView> &lines() const { return m_lines; }
    bool lastLineEnded() const { return m_lastLineEnded; }

    QString decoded(QByteArrayView bytes) const
    {
        return m_isUtf8 ? QString::fromUtf8(bytes) : fromCp1252(bytes);
    }

    // The room lines [from, to) take as UTF-8, LF between them.
    qsizetype utf8Room(qsizetype from, qsizetype to) const
    {
        qsizetype bytes = 0;
        for (qsizetype i = from; i < to; ++i)
            bytes += m_lines[i].size() + 1;
        // A byte of Windows-1252 takes up to three in UTF-8.
        return m_isUtf8 ? bytes : 3 * bytes;
    }

    // Writes lines [from, to) as UTF-8 at `utf8`, LF between them, the first from its byte `skip`
    // on; gives the end of what is written.
    char *writeUtf8(char *utf8, qsizetype from, qsizetype to, qsizetype skip = 0) const
    {
        for (qsizetype i = from; i < to; ++i) {
            if (i > from)
                *utf8++ = '\n';
            const QByteArrayView line = i == from ? m_lines[i].sliced(skip) : m_lines[i];
            if (m_isUtf8)
                utf8 = std::copy(line.begin(), line.end(), utf8);
            else
                utf8 = cp1252ToUtf8(line, utf8);
        }
        return utf8;
    }

private:
    void splitLines(QByteArrayView bytes)
    {
        // Most files end their lines in CR LF or in LF alone: they split at each LF, found by the
        // C library's vectorized search. A CR anywhere else ends a line too; such a file is split
        // again at every CR and LF.
        m_lines.clear();
        qsizetype pairs = 0;
        for (qsizetype start = 0; start < bytes.size();) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            const bool pair = end < bytes.size() && end > start && bytes[end - 1] == '\r';
            pairs += pair;
            m_lines.append(bytes.sliced(start, end - start - pair));
            start = end + 1;
        }
        m_lastLineEnded = bytes.isEmpty() || bytes.back() == '\n' || bytes.back() == '\r';
        if (crCount(bytes) != pairs)
            m_lines = fileLineViews(bytes);
    }

    // Counted in blocks of a fixed size, which the compiler turns into vector instructions.
    static qsizetype crCount(QByteArrayView bytes)
    {
        constexpr qsizetype block = 64;
        const char *data = bytes.data();
        qsizetype count = 0, i = 0;
        for (; i + block <= bytes.size(); i += block) {
            quint8 inBlock = 0;
            for (qsizetype k = 0; k < block; ++k)
                inBlock += data[i + k] == '\r';
            count += inBlock;
        }
        for (; i < bytes.size(); ++i)
            count += data[i] == '\r';
        return count;
    }

    QByteArray m_repaired;
    bool m_isUtf8 = false;
    QList<QByteArrayView> m_lines;
    bool m_lastLineEnded = true;
};

QLatin1StringView latin1(QByteArrayView bytes)
{
    return QLatin1StringView(bytes.data(), bytes.size());
}

// The stamp lines: the time alone, or the date and the time.
QTime stampTime(QByteArrayView line)
{
    const QByteArray &indent = layout().stampIndent;
    return line.startsWith(indent) ? parseTime(latin1(line.sliced(indent.size()))) : QTime();
}

std::pair<QDate, QTime> stampDateAndTime(QByteArrayView line)
{
    const QByteArray &indent = layout().stampIndent;
    if (!line.startsWith(indent) || line.size() != indent.size() + 18)
        return {};
    const QByteArrayView stamp = line.sliced(indent.size());
    const QDate date = parseDate(latin1(stamp.first(10)));
    const QTime time = parseTime(latin1(stamp.sliced(10)));
    if (!date.isValid() || !time.isValid())
        return {};
    return {date, time};
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

// Where a record is in its file's lines: each text is lines [from, to), the first from its byte
// `skip` on.
struct LinesAt
{
    qsizetype from = 0, to = 0, skip = 0;
};

struct RecordAt
{
    RecordKind kind = RecordKind::Response;
    qsizetype line = 0;
    QTime time;
    std::optional<double> questionNumber;
    QDate notedDate;
    QTime notedTime;
    qsizetype scriptLine = 0;
    LinesAt text;
    RatingKind ratingKind = RatingKind::None;
    LinesAt rating;
};

// A header at `line` and the records after it; at line -1 the records before any header.
struct SessionAt
{
    qsizetype line = -1;
    QDate date;
    QList<RecordAt> records;
};

// Which of a student's files holds what: a master file's records carry their question number,
// a notes file holds notes without a header.
enum class FileKind { Master, Send, Notes };

struct FileRecords
{
    bool isRecordFile = false;
    QList<SessionAt> sessions;
    QList<ReadProblem> problems;

    FileKind kind() const
    {
        bool headers = false;
        for (const SessionAt &session : sessions) {
            headers = headers || session.line >= 0;
            for (const RecordAt &record : session.records)
                if (record.questionNumber)
                    return FileKind::Master;
        }
        return headers ? FileKind::Send : FileKind::Notes;
    }
};

class FileParser
{
public:
    FileParser(const FileText &text, const QString &file)
        : m_text(text), m_lines(text.lines()), m_file(file), m_fileDay(sendFileDay(file))
    { }

    FileRecords parse()
    {
        const QByteArray &separatorLine = layout().separatorLine;
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
        return std::move(m_result);
    }

private:
    bool headerAt(qsizetype i) const
    {
        return i + 1 < m_lines.size() && m_lines[i + 1].startsWith(layout().assignmentMark);
    }

    bool recordAt(qsizetype i) const
    {
        return m_lines[i] == layout().separatorLine
                && (cutAt(i + 1) || stampTime(m_lines[i + 1]).isValid());
    }

    // A header or a record starts at `i`, or what the file's end leaves of one.
    bool blockAt(qsizetype i) const
    {
        if (i >= m_lines.size())
            return false;
        return headerAt(i) || recordAt(i) || headerCutAt(i, m_lines.size())
                || (cutAt(i) && QByteArrayView(layout().separatorLine).startsWith(m_lines[i]));
    }

    // A line at `i` that does not read as it should is the file's end cutting it short when it is
    // past the last line, or is the last line and lacks its line end.
    bool cutAt(qsizetype i) const
    {
        return i >= m_lines.size() || (i == m_lines.size() - 1 && !m_text.lastLineEnded());
    }

    std::optional<int> codeNumberAt(qsizetype i) const
    {
        return codeNumberOf(m_text.decoded(m_lines[i]));
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
        const QDate date = i + 4 < m_lines.size() ? parseDate(latin1(m_lines[i + 4])) : QDate();
        if (!date.isValid()) {
            if (cutAt(i + 4))
                reportCut(i, u"a header"_s);
            else
                report(i + 4, u"a header's date that is not mm-dd-yyyy"_s);
            return i + std::min<qsizetype>(headerLines, m_lines.size() - i);
        }
        const std::optional<int> codeNumber = codeNumberAt(i);
        if (!codeNumber || *codeNumber < lowestCodeNumber || *codeNumber > highestCodeNumber)
            report(i, u"a code line that does not hold the code line's structure"_s);
        if (m_fileDay && *m_fileDay != std::pair(date.month(), date.day()))
            report(i + 4,
                   u"a header dated %1 in a file named for another day"_s.arg(formatDate(date)));
        m_result.sessions.append({i, date, {}});
        m_lastTime = QTime();
        return i + headerLines;
    }

    // Reads the record that starts at `i` and gives the line after it.
    qsizetype readRecord(qsizetype i)
    {
        const LayoutBytes &marks = layout();
        m_result.isRecordFile = true;
        const qsizetype size = m_lines.size();
        const auto line = [&](qsizetype at) {
            return at < size ? m_lines[at] : QByteArrayView();
        };
        const auto fail = [&](qsizetype at, const QString &expected) {
            if (cutAt(at)) {
                reportCut(i, u"a record"_s);
                return size;
            }
            report(at, u"a line where a record has %1"_s.arg(expected));
            return std::max(at, i + 1);
        };

        RecordAt record;
        record.line = i;
        record.time = stampTime(line(i + 1));
        if (!record.time.isValid())
            return fail(i + 1, u"its time"_s);
        qsizetype at = i + 2;
        std::tie(record.notedDate, record.notedTime) = stampDateAndTime(line(at));
        if (record.notedDate.isValid()) {
            record.kind = RecordKind::Note;
            ++at;
        } else if (line(at).isEmpty() && at + 1 < size && line(at + 1).isEmpty()) {
            // Two empty lines come only before a master file's question number.
            if (!line(at + 2).startsWith(marks.questionNumberMark))
                return fail(at + 2, u"its question number"_s);
            record.questionNumber = numericValue(
                    QString::fromLatin1(line(at + 2).sliced(marks.questionNumberMark.size())));
            at += 3;
        }
        if (at >= size)
            return fail(at, u"its script line"_s);
        record.scriptLine = at++;
        if (line(at) != marks.separatorLine)
            return fail(at, u"the line of full stops and exclamation marks"_s);
        ++at;
        const bool isNote = record.kind == RecordKind::Note;
        const QByteArray &textMark = isNote ? marks.notesMark : marks.responseMark;
        if (isNote ? !line(at).startsWith(textMark) : line(at) != textMark)
            return fail(at, u"\"%1\""_s.arg(QLatin1StringView(textMark)));
        const qsizetype textStart = isNote ? at : at + 1;

        // The record ends at the first closing line that a block or the file's end follows; a
        // closing or separator line in the text followed by anything else is the text's.
        qsizetype end = textStart + 1;
        while (end < size
               && !(m_lines[end] == marks.closingLine && (end + 1 == size || blockAt(end + 1))))
            ++end;
        if (end >= size)
            return fail(size, u"its closing line"_s);

        qsizetype textEnd = end;
        if (!isNote) {
            // The rating is asked after the response: its line is the last one with a mark.
            for (qsizetype k = end - 1; k > textStart; --k) {
                const bool confidence = m_lines[k].startsWith(marks.confidenceMark);
                if (confidence || m_lines[k].startsWith(marks.selfCritiqueMark)) {
                    record.ratingKind
                            = confidence ? RatingKind::Confidence : RatingKind::SelfCritique;
                    const QByteArray &mark
                            = confidence ? marks.confidenceMark : marks.selfCritiqueMark;
                    record.rating = {k, end, mark.size()};
                    textEnd = k;
                    break;
                }
            }
        }
        record.text = {textStart, textEnd, isNote ? textMark.size() : 0};
        for (qsizetype k = textStart + 1; k < end; ++k) {
            if (blockAt(k)) {
                report(k,
                       u"what reads as the start of another record inside one, read as part of "
                       u"the record from line %1"_s.arg(i + 1));
                break;
            }
        }
        if (record.notedDate.isValid() && record.notedDate != m_lastNoteDate) {
            m_lastNoteDate = record.notedDate;
            m_lastTime = QTime();
        }
        checkTime(i + 1, record.time);
        // Notes of a notes file come without a header.
        if (m_result.sessions.isEmpty())
            m_result.sessions.append(SessionAt());
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
                || (end - i == 2 && !m_text.lastLineEnded()
                    && QByteArrayView(layout().assignmentMark).startsWith(m_lines[i + 1]));
        return end == m_lines.size() && partOfHeader && codeNumberAt(i).has_value();
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

    const FileText &m_text;
    const QList<QByteArrayView> &m_lines;
    QString m_file;
    std::optional<std::pair<int, int>> m_fileDay;
    QTime m_lastTime;
    QDate m_lastNoteDate;
    FileRecords m_result;
};

// A session's header texts as UTF-8 in `buffer`, and the fields that view them.
SessionFields sessionFields(const SessionAt &session, qsizetype file, const FileText &text,
                            QByteArray &buffer)
{
    SessionFields fields {file, int(session.line + 1), {}, {}, {}, {}, session.date};
    if (session.line < 0)
        return fields;
    // The code line, the assignment without its mark, the start line and the course title.
    buffer.resize(text.utf8Room(session.line, session.line + 4));
    qsizetype ends[4];
    char *out = buffer.data();
    for (qsizetype n = 0; n < 4; ++n) {
        const qsizetype line = session.line + n;
        out = text.writeUtf8(out, line, line + 1, n == 1 ? layout().assignmentMark.size() : 0);
        ends[n] = out - buffer.data();
    }
    buffer.truncate(ends[3]);
    const QByteArrayView texts(buffer);
    fields.codeLine = texts.first(ends[0]);
    fields.assignment = texts.sliced(ends[0], ends[1] - ends[0]);
    fields.startLine = texts.sliced(ends[1], ends[2] - ends[1]);
    fields.courseTitle = texts.sliced(ends[2], ends[3] - ends[2]);
    return fields;
}

// A record's texts as UTF-8 in `buffer`, one after another and nothing else, and the fields that
// view them.
RecordFields recordFields(const RecordAt &record, qsizetype file, const FileText &text,
                          QByteArray &buffer)
{
    const LinesAt parts[]
            = {{record.scriptLine, record.scriptLine + 1, 0}, record.text, record.rating};
    qsizetype room = 0;
    for (const LinesAt &part : parts)
        room += text.utf8Room(part.from, part.to);
    buffer.resize(room);
    qsizetype ends[3];
    char *out = buffer.data();
    for (int n = 0; n < 3; ++n) {
        out = text.writeUtf8(out, parts[n].from, parts[n].to, parts[n].skip);
        ends[n] = out - buffer.data();
    }
    buffer.truncate(ends[2]);
    const QByteArrayView texts(buffer);
    return {record.kind,
            file,
            int(record.line + 1),
            record.time,
            record.questionNumber,
            record.notedDate,
            record.notedTime,
            texts.first(ends[0]),
            texts.sliced(ends[0], ends[1] - ends[0]),
            record.ratingKind,
            texts.sliced(ends[1], ends[2] - ends[1])};
}

ReceivedSession receivedSession(const SessionFields &fields, const QString &file)
{
    return {file,
            fields.line,
            QString::fromUtf8(fields.codeLine),
            QString::fromUtf8(fields.assignment),
            QString::fromUtf8(fields.startLine),
            QString::fromUtf8(fields.courseTitle),
            fields.date,
            {}};
}

ReceivedRecord receivedRecord(const RecordFields &fields, const QString &file)
{
    return {fields.kind,
            file,
            fields.line,
            fields.time,
            fields.questionNumber,
            QString::fromUtf8(fields.scriptLine),
            QString::fromUtf8(fields.text),
            fields.ratingKind,
            QString::fromUtf8(fields.rating),
            fields.notedDate.isValid() ? QDateTime(fields.notedDate, fields.notedTime)
                                       : QDateTime()};
}

// What tells a record or a session from any other: a 64-bit hash of what it says, keyed anew
// each run, so that no file can be made to match another.
using Digest = size_t;

// The hash of `bytes`, keyed by `key`.
Digest hashOf(size_t key, QByteArrayView bytes)
{
    static const size_t seed = size_t(QHashSeed::globalSeed());
    return qHashBits(bytes.data(), size_t(bytes.size()), seed ^ key);
}

// A session's header texts in `texts`, one after another.
Digest sessionDigest(const SessionFields &session, QByteArrayView texts)
{
    return hashOf(qHashMulti(0, session.codeLine.size(), session.assignment.size(),
                             session.startLine.size(), session.courseTitle.size(),
                             session.date.toJulianDay()),
                  texts);
}

// A record as the same wherever it is found: neither its file, nor its line, nor a master
// file's question number. `texts` are its texts one after another, `scope` the session it is in
// or anyNote, and `ordinal` counts the same record before it in its file.
Digest recordDigest(const RecordFields &record, QByteArrayView texts, qint64 scope, qint64 ordinal)
{
    return hashOf(qHashMulti(0, scope, ordinal, int(record.kind),
                             record.time.msecsSinceStartOfDay(), record.notedDate.toJulianDay(),
                             record.notedTime.msecsSinceStartOfDay(), int(record.ratingKind),
                             record.scriptLine.size(), record.text.size()),
                  texts);
}

// A note of a notes file matches the same note in any session.
constexpr qint64 anyNote = -1;

// Reads a student's files one at a time, each record given to the sink once.
class StudentReading
{
public:
    StudentReading(const StudentFiles &files, StudentRecordSink &sink, ReceivedStudent &student)
        : m_files(files), m_sink(sink), m_student(student), m_kinds(files.paths.size())
    { }

    void read()
    {
        // A notes file's notes are read last, so that a note a session holds too is taken with it.
        QList<qsizetype> notesFiles;
        for (qsizetype file = 0; file < m_files.paths.size(); ++file) {
            std::optional<FileRecords> records = readFile(file);
            if (!records)
                continue;
            m_kinds[file] = records->kind();
            if (m_kinds[file] == FileKind::Notes)
                notesFiles.append(file);
            else
                take(file, *records);
        }
        for (qsizetype file : notesFiles) {
            if (std::optional<FileRecords> records = readFile(file))
                take(file, *records);
        }
    }

private:
    // The file's records, or nothing when it is no record file or cannot be read: a skipped file.
    std::optional<FileRecords> readFile(qsizetype index)
    {
        const QString &shown = m_files.shownNames[index];
        const auto skip = [&](const QString &reason) {
            m_student.skipped.append({shown, 0, reason});
            return std::nullopt;
        };
        if (index >= noFile)
            return skip(u"one file more than the 65,535 read for a student"_s);
        // Read-only, shared with any other program and never locked: the folder stays as it
        // came. Only a regular file is opened: a pipe would keep the reading waiting.
        FileLayer &layer = FileLayer::system();
        const FileLayer::Opened opened
                = layer.openForReading(m_files.paths[index], FileLayer::Links::Follow);
        if (opened.notAFile)
            return skip(u"not a file"_s);
        if (!opened.failure.isEmpty())
            return skip(opened.failure);
        const FileHandle file(layer, opened.handle);
        const FileLayer::Status status = layer.status(file.get());
        if (status.failure)
            return skip(*status.failure);
        if (status.size > largestFile)
            return skip(u"over 256 MB, too large for a record file"_s);
        m_bytes.resize(0);
        if (const FileLayer::Failure failure = layer.read(file.get(), 0, status.size, m_bytes))
            return skip(*failure);
        m_text.setBytes(m_bytes);
        FileRecords records = FileParser(m_text, shown).parse();
        if (!records.isRecordFile)
            return skip(u"not a record file: it starts with no header and no record"_s);
        return records;
    }

    void take(qsizetype file, const FileRecords &records)
    {
        m_student.problems += records.problems;
        for (const SessionAt &at : records.sessions) {
            const SessionFields session = sessionFields(at, file, m_text, m_sessionBuffer);
            const bool inHeader = session.line > 0;
            // Records before any header are a session of their own file's.
            qsizetype index = -1;
            if (inHeader) {
                const Digest digest = sessionDigest(session, m_sessionBuffer);
                const auto found = m_sessions.constFind(digest);
                if (found != m_sessions.cend()) {
                    index = *found;
                } else {
                    index = m_sessionCount++;
                    m_sessions.insert(digest, index);
                    m_sink.addSession(session);
                }
            }
            for (const RecordAt &recordAt : at.records) {
                const RecordFields record = recordFields(recordAt, file, m_text, m_recordBuffer);
                if (!isNew(record, inHeader ? index : anyNote))
                    continue;
                // A note in a session matches the same note of a notes file.
                if (record.kind == RecordKind::Note && inHeader)
                    isNew(record, anyNote, Seen::Quietly);
                if (index < 0) {
                    index = m_sessionCount++;
                    m_sink.addSession(session);
                }
                m_sink.addRecord(index, record);
            }
        }
    }

    // Whether `record` is new to the student, and taken now. A record that some other file gave
    // is not new; the same record twice in one file is twice.
    enum class Seen { Reported, Quietly };
    bool isNew(const RecordFields &record, qint64 scope, Seen seen = Seen::Reported)
    {
        for (qint64 ordinal = 0;; ++ordinal) {
            Taken &taken = m_taken[recordDigest(record, m_recordBuffer, scope, ordinal)];
            if (taken.file == noFile) {
                taken = {record.line, quint16(record.file), quint16(record.file)};
                return true;
            }
            if (taken.lastFile == record.file)
                continue;
            taken.lastFile = quint16(record.file);
            if (seen == Seen::Reported && m_kinds[taken.file] == m_kinds[record.file])
                m_student.problems.append({m_files.shownNames[record.file], record.line,
                                           u"a record seen before, in %1 at line %2"_s
                                                   .arg(m_files.shownNames[taken.file])
                                                   .arg(taken.line)});
            return false;
        }
    }

    // Where a record was first taken, and the file that last held it too: eight bytes, of
    // which a student's every record keeps one.
    struct Taken
    {
        qint32 line = 0;
        quint16 file = noFile;
        quint16 lastFile = noFile;
    };
    static constexpr quint16 noFile = std::numeric_limits<quint16>::max();

    const StudentFiles &m_files;
    StudentRecordSink &m_sink;
    ReceivedStudent &m_student;
    QList<FileKind> m_kinds;
    QByteArray m_bytes;
    FileText m_text;
    QByteArray m_sessionBuffer, m_recordBuffer;
    QHash<Digest, qsizetype> m_sessions;
    qsizetype m_sessionCount = 0;
    QHash<Digest, Taken> m_taken;
};

// The student's records as the window shows them: each in its session.
class ReceivedSessions : public StudentRecordSink
{
public:
    ReceivedSessions(const StudentFiles &files, ReceivedStudent &student)
        : m_files(files), m_student(student)
    { }

    void addSession(const SessionFields &session) override
    {
        m_student.sessions.append(receivedSession(session, m_files.shownNames[session.file]));
    }

    void addRecord(qsizetype session, const RecordFields &record) override
    {
        // A student's records ask the same few questions: one copy of each script line, shared.
        ReceivedRecord received = receivedRecord(record, m_files.shownNames[record.file]);
        received.scriptLine = *m_scriptLines.insert(received.scriptLine);
        m_student.sessions[session].records.append(std::move(received));
    }

private:
    const StudentFiles &m_files;
    ReceivedStudent &m_student;
    QSet<QString> m_scriptLines;
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

ParsedFile parseRecordFile(QByteArrayView bytes, const QString &file)
{
    FileText text;
    text.setBytes(bytes);
    const FileRecords records = FileParser(text, file).parse();
    ParsedFile parsed {records.isRecordFile, {}, records.problems};
    QByteArray buffer;
    for (const SessionAt &session : records.sessions) {
        parsed.sessions.append(receivedSession(sessionFields(session, 0, text, buffer), file));
        for (const RecordAt &record : session.records)
            parsed.sessions.last().records.append(
                    receivedRecord(recordFields(record, 0, text, buffer), file));
    }
    return parsed;
}

QList<StudentPlace> findStudents(const QStringList &paths)
{
    QList<StudentPlace> found;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            found.append({info.fileName(), {info.path()}});
            continue;
        }
        QDirIterator entries(path,
                             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        while (entries.hasNext()) {
            entries.next();
            found.append({entries.fileName(), {path}});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const StudentPlace &a, const StudentPlace &b) {
        return namedBefore(a.name, b.name);
    });
    // One student for each name, however many of the paths given hold it.
    QList<StudentPlace> students;
    for (StudentPlace &place : found) {
        if (!students.isEmpty() && students.last().name == place.name)
            students.last().folders += place.folders;
        else
            students.append(std::move(place));
    }
    return students;
}

StudentFiles listFiles(const StudentPlace &student)
{
    StudentFiles found {student.name, {}, {}};
    for (const QString &folder : student.folders) {
        const QString path = QDir(folder).filePath(student.name);
        if (!QFileInfo(path).isDir()) {
            found.paths.append(path);
            found.shownNames.append(student.name);
            continue;
        }
        const QDir top(path);
        QDirIterator files(path, QDir::Files | QDir::Hidden | QDir::System,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = files.next();
            found.paths.append(file);
            found.shownNames.append(student.name + u'/' + top.relativeFilePath(file));
        }
    }
    // In the order of their names, for the same rows on every run.
    QList<qsizetype> order(found.paths.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return namedBefore(found.shownNames[a], found.shownNames[b]);
    });
    StudentFiles sorted {found.name, {}, {}};
    for (qsizetype i : order) {
        sorted.paths.append(found.paths[i]);
        sorted.shownNames.append(found.shownNames[i]);
    }
    return sorted;
}

void readStudent(const StudentFiles &files, StudentRecordSink &sink, ReceivedStudent &student)
{
    StudentReading(files, sink, student).read();
}

ReceivedStudent readStudent(const StudentFiles &files)
{
    ReceivedStudent student {files.name, {}, {}, {}};
    ReceivedSessions sessions(files, student);
    readStudent(files, sessions, student);
    return student;
}

QList<ReceivedStudent> readReceived(const QStringList &paths, const ReadProgress &progress)
{
    const QList<StudentPlace> students = findStudents(paths);
    QList<ReceivedStudent> read;
    for (const StudentPlace &student : students) {
        read.append(readStudent(listFiles(student)));
        if (progress)
            progress(read.size(), students.size());
    }
    return read;
}

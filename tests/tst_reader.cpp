#include "csv_export.h"
#include "files/record_layout.h"
#include "files/text_codec.h"
#include "rating_chart.h"
#include "reader_window.h"
#include "session_run.h"

#include <QBuffer>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString slot12 = u"Suppose you measure the length of a pencil"_s;

// A student's files as the program writes them: two runs on one day, 001 with the built-in bank
// and 000 with a script of its own, the second past midnight.
struct RecordedFiles
{
    QByteArray master, send, notes;
    QString question; // the script line of slot 12
};

RecordedFiles recordTwoRuns()
{
    SessionRun first(u"001"_s);
    first.answerWith(u"before any step"_s);
    first.click(u"cmd_enter_response"_s);
    first.step();
    first.step();
    first.student.clock = first.student.clock.addSecs(45);
    first.student.answers = {u"2"_s};
    first.answerWith(u"Line one\nθ ≤ 2"_s);
    first.click(u"cmd_enter_response"_s);
    first.student.clock = first.student.clock.addSecs(60);
    first.answerWith(u"second try"_s); // its rating cancelled
    first.click(u"cmd_enter_response"_s);
    first.student.clock = first.student.clock.addSecs(60);
    first.answerWith(u"a note, \"quoted\""_s);
    first.click(u"cmd_save_as_notes"_s);

    SessionRun second({.assignment = u"000"_s,
                       .script = {u"000."_s, u"`qFirst{}question"_s, u"`aThe answer"_s, u"001."_s},
                       .home = first.homePath(),
                       .prepare = [](FakeStudent &student) {
                           student.clock = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 50));
                       }});
    second.step();
    second.student.answers = {u"3"_s};
    second.answerWith(u"q"_s);
    second.click(u"cmd_enter_response"_s);
    second.step();
    second.student.clock = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 20));
    second.student.answers = {u"1"_s};
    second.answerWith(u"critique"_s);
    second.click(u"cmd_enter_response"_s);
    second.student.clock = second.student.clock.addSecs(20);
    second.answerWith(u"late note"_s);
    second.click(u"cmd_save_as_notes"_s);
    return {readFile(first.master()), readFile(first.send()), readFile(first.notes()),
            first.session().scriptLines[12].mid(2)};
}

const RecordedFiles &recorded()
{
    static const RecordedFiles files = recordTwoRuns();
    return files;
}

// Each record with its session, field by field.
QStringList rowsOf(const ReceivedStudent &student)
{
    QStringList rows;
    for (const ReceivedSession &session : student.sessions) {
        for (const ReceivedRecord &record : session.records) {
            const QString questionNumber
                    = record.questionNumber ? QString::number(*record.questionNumber) : u"-"_s;
            rows.append(QStringList {session.assignment, session.date.toString(Qt::ISODate),
                                     record.file, record.time.toString(), questionNumber,
                                     record.noted.toString(Qt::ISODate), record.scriptLine,
                                     record.text, QString::number(int(record.ratingKind)),
                                     record.rating}
                                .join(u'|'));
        }
    }
    return rows;
}

// The records of recordTwoRuns(), as read from `file`; a SEND file has no question numbers.
QStringList expectedRows(const QString &file, bool master)
{
    const QString q = recorded().question;
    const QString of001 = master ? u"10000"_s : u"-"_s;
    const QString of000 = master ? u"0"_s : u"-"_s;
    return {u"001|2026-12-08|%1|10:30:15|%2|||before any step|0|"_s.arg(file, of001),
            u"001|2026-12-08|%1|10:31:00|%2||%3|Line one\ntheta <= 2|1|2"_s.arg(file, of001, q),
            u"001|2026-12-08|%1|10:32:00|%2||%3|second try|1|"_s.arg(file, of001, q),
            u"001|2026-12-08|%1|10:33:00|-|2026-12-08T10:33:00|%2|a note, \"quoted\"|0|"_s.arg(file,
                                                                                               q),
            u"000|2026-12-08|%1|23:59:50|%2||First{}question|q|1|3"_s.arg(file, of000),
            u"000|2026-12-08|%1|00:00:20|%2||The answer|critique|2|1"_s.arg(file, of000),
            u"000|2026-12-08|%1|00:00:40|-|2026-12-09T00:00:40|The answer|late note|0|"_s.arg(
                    file)};
}

// A class folder with one student's files, as named here.
QString writeClass(const QTemporaryDir &dir, const QList<std::pair<QString, QByteArray>> &files)
{
    for (const auto &[name, bytes] : files) {
        QDir(dir.path()).mkpath(QFileInfo(name).path());
        writeFile(dir.filePath(name), bytes);
    }
    return dir.path();
}

ReceivedStudent readOnly(const QString &folder)
{
    const QList<ReceivedStudent> students = readReceived({folder});
    return students.size() == 1 ? students.first() : ReceivedStudent();
}

// The whole records of a file cut after `size` bytes, by the line each starts at.
QList<int> recordLines(const ParsedFile &parsed)
{
    QList<int> lines;
    for (const ReceivedSession &session : parsed.sessions)
        for (const ReceivedRecord &record : session.records)
            lines.append(record.line);
    return lines;
}

// The fields of an RFC 4180 text, row by row.
QList<QStringList> csvTable(const QString &text)
{
    QList<QStringList> rows {{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u',' || c == u'\r')) {
            rows.last().append(std::exchange(field, {}));
            if (c == u'\r') {
                rows.append(QStringList());
                ++i; // its LF
            }
        } else {
            field += c;
        }
    }
    rows.removeLast();
    return rows;
}

} // namespace

class TestReader : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void asReceived_data();
    void asReceived();
    void cutAnywhere_data();
    void cutAnywhere();
    void problemsReported_data();
    void problemsReported();
    void sameRecordsTwice_data();
    void sameRecordsTwice();
    void oneCopyEdited_data();
    void oneCopyEdited();
    void edgeLayouts_data();
    void edgeLayouts();
    void csvBytes();
    void csvField_data();
    void csvField();
    void csvExitStatus_data();
    void csvExitStatus();
    void window();
};

void TestReader::roundTrip()
{
    const RecordedFiles &files = recorded();
    QTemporaryDir dir;
    const QString folder = writeClass(dir,
                                      {{u"anna/masterFile.txt"_s, files.master},
                                       {u"anna/send_1208.txt"_s, files.send},
                                       {u"anna/notes_.txt"_s, files.notes}});
    const ReceivedStudent anna = readOnly(folder);
    QCOMPARE(anna.name, u"anna"_s);
    QCOMPARE(rowsOf(anna), expectedRows(u"anna/masterFile.txt"_s, true));
    QCOMPARE(anna.sessions.size(), 2);
    QCOMPARE(anna.sessions[0].codeLine, fromCp1252(SessionRun::codeLine));
    QCOMPARE(anna.sessions[0].startLine, u"001."_s);
    QCOMPARE(anna.sessions[0].courseTitle, u"Physics II"_s);
    QCOMPARE(anna.problems, QList<ReadProblem>());
    QCOMPARE(anna.skipped, QList<ReadProblem>());
}

void TestReader::asReceived_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray send = recorded().send;
    const QByteArray utf8 = fromCp1252(send).toUtf8();
    QTest::newRow("lf") << u"send_1208.txt"_s << QByteArray(send).replace("\r\n", "\n");
    QTest::newRow("cr") << u"send_1208.txt"_s << QByteArray(send).replace("\r\n", "\r");
    QTest::newRow("utf8") << u"send_1208.txt"_s << utf8;
    QTest::newRow("utf8-mark") << u"send_1208.txt"_s << "\xEF\xBB\xBF" + utf8;
    QTest::newRow("utf8-lf") << u"send_1208.txt"_s << QByteArray(utf8).replace("\r\n", "\n");
    QTest::newRow("renamed") << u"send_1208 (1).txt"_s << send;
}

void TestReader::asReceived()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString folder
            = writeClass(dir,
                         {{u"bo/"_s + name, bytes},
                          {u"bo/reply.txt"_s, "Thanks, see you Monday.\r\n"},
                          {u"bo/pics/graph.png"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)}});
    QStringList expectedSkipped {u"bo/pics/graph.png"_s, u"bo/reply.txt"_s};
#ifdef Q_OS_UNIX
    // A pipe is listed, never opened: opening it would wait for a program to write to it.
    QCOMPARE(QProcess::execute(u"mkfifo"_s, {dir.filePath(u"bo/pipe"_s)}), 0);
    expectedSkipped.insert(1, u"bo/pipe"_s);
#endif
    const ReceivedStudent student = readOnly(folder);
    QCOMPARE(rowsOf(student), expectedRows(u"bo/"_s + name, false));
    QCOMPARE(student.problems, QList<ReadProblem>());
    QStringList skipped;
    for (const ReadProblem &problem : student.skipped)
        skipped.append(problem.file);
    QCOMPARE(skipped, expectedSkipped);
}

void TestReader::cutAnywhere_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("send") << recorded().send;
    QTest::newRow("master") << recorded().master;
}

void TestReader::cutAnywhere()
{
    // Cut at the start of each line and a few bytes into it, the file keeps the records before
    // the cut, whole, and says where the one cut short starts.
    QFETCH(QByteArray, bytes);
    const QByteArray &send = bytes;
    const ParsedFile whole = parseRecordFile(send, u"send_1208.txt"_s);
    QList<int> blockLines; // where each header and record starts
    for (const ReceivedSession &session : whole.sessions) {
        blockLines.append(session.line);
        for (const ReceivedRecord &record : session.records)
            blockLines.append(record.line);
    }
    const QList<int> allRecords = recordLines(whole);
    qsizetype lineStart = 0;
    for (int line = 1; lineStart < send.size(); ++line) {
        const qsizetype lineEnd = send.indexOf("\r\n", lineStart);
        for (qsizetype cut : {lineStart, lineStart + 1, lineStart + 3}) {
            if (cut > lineEnd || cut == 0)
                continue;
            const ParsedFile parsed = parseRecordFile(send.first(cut), u"send_1208.txt"_s);
            const bool atBlock = cut == lineStart && blockLines.contains(line);
            // The block holding the cut; a cut at a block's start ends the one before whole.
            const int cutBlock = *std::prev(std::upper_bound(blockLines.begin(), blockLines.end(),
                                                             atBlock ? line - 1 : line));
            QList<int> expected;
            for (int start : allRecords)
                if (start < cutBlock || (atBlock && start == cutBlock))
                    expected.append(start);
            const QString where = u"cut at byte %1 (line %2)"_s.arg(cut).arg(line);
            QVERIFY2(recordLines(parsed) == expected, qPrintable(where));
            QVERIFY2(parsed.problems.size() == (atBlock ? 0 : 1), qPrintable(where));
            if (!atBlock) {
                QVERIFY2(parsed.problems[0].line == cutBlock, qPrintable(where));
                QVERIFY2(parsed.problems[0].text.contains(u"cut short"_s), qPrintable(where));
            }
        }
        lineStart = lineEnd + 2;
    }
}

void TestReader::problemsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("places"); // of the problems, file and line
    QTest::addColumn<QString>("saying"); // what each says
    const QByteArray send = recorded().send;
    QTest::newRow("date-not-the-file-name's")
            << u"send_1209.txt"_s << send
            << QStringList {u"c/send_1209.txt:5"_s, u"c/send_1209.txt:41"_s} << u"another day"_s;
    QTest::newRow("time-running-backwards")
            << u"send_1208.txt"_s << QByteArray(send).replace("10:32:00", "10:20:00")
            << QStringList {u"c/send_1208.txt:23"_s} << u"earlier"_s;
    QTest::newRow("code-line-broken")
            << u"send_1208.txt"_s << QByteArray(send).replace(SessionRun::codeLine, "ABC\xe4")
            << QStringList {u"c/send_1208.txt:1"_s, u"c/send_1208.txt:37"_s} << u"code line"_s;
    QTest::newRow("line-fitting-no-layout")
            << u"send_1208.txt"_s
            << QByteArray(send).insert(send.indexOf("\r\n......") + 2, "hi\r\n")
            << QStringList {u"c/send_1208.txt:6"_s} << u"fits no layout"_s;
}

void TestReader::problemsReported()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, places);
    QFETCH(QString, saying);
    QTemporaryDir dir;
    const ReceivedStudent student = readOnly(writeClass(dir, {{u"c/"_s + name, bytes}}));
    QStringList found;
    for (const ReadProblem &problem : student.problems) {
        found.append(u"%1:%2"_s.arg(problem.file).arg(problem.line));
        QVERIFY2(problem.text.contains(saying), qPrintable(problem.text));
    }
    QCOMPARE(found, places);
    QCOMPARE(rowsOf(student).size(), 7);
}

void TestReader::sameRecordsTwice_data()
{
    QTest::addColumn<QStringList>("names"); // of a student's files, each as its name says
    QTest::addColumn<QString>("shownFrom"); // the file each record is shown from
    QTest::addColumn<QString>("firstProblem"); // of one a record, or none
    // A SEND file that came twice: its records once, each second one reported.
    QTest::newRow("send-twice")
            << QStringList {u"send_1208.txt"_s, u"send_1208 (1).txt"_s} << u"send_1208 (1).txt"_s
            << u"d/send_1208.txt:6: a record seen before, in d/send_1208 (1).txt "
               u"at line 6"_s;
    QTest::newRow("master-and-send-twice")
            << QStringList {u"masterFile.txt"_s, u"send_1208.txt"_s, u"send_1208 (1).txt"_s}
            << u"masterFile.txt"_s << QString();
    // Named first, the notes file is read last: its notes are the SEND file's, in their sessions.
    QTest::newRow("notes-file-first")
            << QStringList {u"notes.txt"_s, u"send_1208.txt"_s} << u"send_1208.txt"_s << QString();
}

void TestReader::sameRecordsTwice()
{
    QFETCH(QStringList, names);
    QFETCH(QString, shownFrom);
    QFETCH(QString, firstProblem);
    QList<std::pair<QString, QByteArray>> files;
    for (const QString &name : names) {
        const RecordedFiles &recorded = ::recorded();
        files.append({u"d/"_s + name,
                      name.startsWith(u"master"_s)          ? recorded.master
                              : name.startsWith(u"notes"_s) ? recorded.notes
                                                            : recorded.send});
    }
    QTemporaryDir dir;
    const ReceivedStudent student = readOnly(writeClass(dir, files));
    const bool master = shownFrom.startsWith(u"master"_s);
    QCOMPARE(rowsOf(student), expectedRows(u"d/"_s + shownFrom, master));
    QCOMPARE(student.problems.size(), firstProblem.isEmpty() ? 0 : 7);
    if (!firstProblem.isEmpty())
        QCOMPARE(problemLine(student.problems[0]), firstProblem);
}

void TestReader::oneCopyEdited_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("script line") << QByteArray("First{}question") << QByteArray("First{}Question");
    QTest::newRow("text") << QByteArray("second try") << QByteArray("second trY");
    QTest::newRow("time") << QByteArray("00:00:20") << QByteArray("00:00:21");
}

void TestReader::oneCopyEdited()
{
    // The record edited in one copy of a SEND file is two records; the others are read once.
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QByteArray send = recorded().send;
    QCOMPARE(send.count(before), 1);
    QTemporaryDir dir;
    const ReceivedStudent student = readOnly(
            writeClass(dir,
                       {{u"d/send_1208.txt"_s, send},
                        {u"d/send_1208 (1).txt"_s, QByteArray(send).replace(before, after)}}));
    QCOMPARE(rowsOf(student).size(), expectedRows({}, false).size() + 1);
    QCOMPARE(student.problems.size(), 6);
}

void TestReader::edgeLayouts_data()
{
    using namespace RecordLayout;
    QTest::addColumn<QString>("response");
    QTest::addColumn<int>("steps"); // to the question, which asks a rating, or none
    QTest::addColumn<bool>("readAsTyped"); // or reported
    QTest::newRow("separator-and-closing-lines")
            << u"a\n%1\n%2\nb"_s.arg(separatorLine, closingLine) << 2 << true;
    QTest::newRow("closing-then-separator")
            << u"%1\n%2\n%3\nend"_s.arg(closingLine, separatorLine, closingLine) << 2 << true;
    QTest::newRow("empty") << QString() << 2 << true;
    QTest::newRow("rating-mark-first") << u"confidence assessment:  9\nmore"_s << 2 << true;
    QTest::newRow("rating-mark-first-unrated") << u"confidence assessment:  9\nmore"_s << 0 << true;
    QTest::newRow("record-pasted-in")
            << u"see:\n%1\n%2\n%3\n"_s.arg(closingLine, separatorLine, stampIndent + u"09:00:00"_s)
            << 2 << false;
}

void TestReader::edgeLayouts()
{
    QFETCH(QString, response);
    QFETCH(int, steps);
    QFETCH(bool, readAsTyped);
    SessionRun run(u"001"_s);
    for (int step = 0; step < steps; ++step)
        run.step();
    run.student.answers = {u"2"_s};
    run.answerWith(response);
    run.click(u"cmd_enter_response"_s);
    run.answerWith(u"after"_s);
    run.click(u"cmd_enter_response"_s);

    const ParsedFile parsed = parseRecordFile(readFile(run.send()), u"send_1208.txt"_s);
    QList<ReceivedRecord> records;
    for (const ReceivedSession &session : parsed.sessions)
        records += session.records;
    if (readAsTyped) {
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[0].text, response);
        QCOMPARE(records[0].ratingKind, steps ? RatingKind::Confidence : RatingKind::None);
        QCOMPARE(records[0].rating, steps ? u"2"_s : QString());
        QCOMPARE(records[1].text, u"after"_s);
        QCOMPARE(parsed.problems, QList<ReadProblem>());
    } else {
        // Reported within the record that holds the paste, lines 6 to 17.
        QVERIFY(!parsed.problems.isEmpty());
        QVERIFY(parsed.problems.first().line > 6 && parsed.problems.first().line <= 17);
    }
}

void TestReader::csvBytes()
{
    SessionRun run(u"001"_s);
    run.step();
    run.step();
    run.student.answers = {u" 2"_s};
    run.answerWith(u"1,5 m, \"about\"\nor so"_s);
    run.click(u"cmd_enter_response"_s);
    run.answerWith(u"noted"_s);
    run.click(u"cmd_save_as_notes"_s);
    QTemporaryDir dir;
    const QString folder = writeClass(dir,
                                      {{u"cleo/send_1208.txt"_s, readFile(run.send())},
                                       {u"dan.txt"_s, readFile(run.notes())}});
    const QString csvPath = dir.filePath(u"out.csv"_s);
    QStringList problems;
    const ExportStatus status
            = exportCsv(csvPath, {folder}, [&](const QString &line) { problems.append(line); });
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    QCOMPARE(status, ExportStatus::AllWhole);
    const QByteArray question = '"' + run.session().currentLine.toUtf8() + '"'; // it has commas
    const QByteArray expected
            = "\xEF\xBB\xBFstudent,file,line,assignment,session_date,time,kind,script_line,text,"
              "rating_kind,rating\r\n"
              "cleo,cleo/send_1208.txt,6,001,2026-12-08,10:30:15,response,"
            + question
            + ",\"1,5 m, \"\"about\"\"\nor so\",confidence, 2\r\n"
              "cleo,cleo/send_1208.txt,15,001,2026-12-08,10:30:15,note,"
            + question
            + ",noted,,\r\n"
              "dan.txt,dan.txt,1,,2026-12-08,10:30:15,note,"
            + question + ",noted,,\r\n";
    const QByteArray bytes = readFile(csvPath);
    QCOMPARE(bytes, expected);
    const QList<QStringList> table = csvTable(QString::fromUtf8(bytes.sliced(3)));
    QCOMPARE(table.size(), 4);
    QCOMPARE(table[1][8], u"1,5 m, \"about\"\nor so"_s);
}

void TestReader::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << u"a b"_s << QByteArray("a b");
    QTest::newRow("comma") << u"a,b"_s << QByteArray("\"a,b\"");
    QTest::newRow("quotes") << u"\"a\"\""_s << QByteArray("\"\"\"a\"\"\"\"\"");
    QTest::newRow("LF") << u"a\nb"_s << QByteArray("\"a\nb\"");
    QTest::newRow("CR") << u"a\rb"_s << QByteArray("\"a\rb\"");
    QTest::newRow("beyond ASCII") << u"\u00e9 \u2248 1"_s << QByteArray("\xC3\xA9 \xE2\x89\x88 1");
}

void TestReader::csvField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    const QByteArray utf8 = text.toUtf8();
    RecordFields record;
    record.line = 3;
    record.time = QTime(9, 5, 7);
    record.scriptLine = "q";
    record.text = utf8;
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    CsvRows rows(csv, {u"s"_s, {u"f"_s}, {u"f"_s}});
    rows.addSession({0, 1, {}, "001", {}, {}, QDate(987, 1, 2)});
    // Enough rows to be written in several pieces.
    constexpr int rowCount = 2000;
    for (int row = 0; row < rowCount; ++row)
        rows.addRecord(0, record);
    rows.flush();
    QCOMPARE(csv.data(),
             ("s,f,3,001,0987-01-02,09:05:07,response,q," + field + ",,\r\n").repeated(rowCount));
}

void TestReader::csvExitStatus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("csvName");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("problems");
    const QByteArray send = recorded().send;
    const QString cut = u":58: a record cut short: the file ends at line 64"_s;
    QTest::newRow("whole") << u"send_1208.txt"_s << send << u"out.csv"_s << 0 << QStringList();
    QTest::newRow("cut") << u"send_1208.txt"_s << send.first(send.size() - 3) << u"out.csv"_s << 2
                         << QStringList {u"send_1208.txt"_s + cut};
    // Written as UTF-8 where it goes to a file or a pipe, whatever the system.
    QTest::newRow("cut-name-beyond-ascii")
            << u"Zo\u00eb send_1208.txt"_s << send.first(send.size() - 3) << u"out.csv"_s << 2
            << QStringList {u"Zo\u00eb send_1208.txt"_s + cut};
    QTest::newRow("unwritable") << u"send_1208.txt"_s << send << u"no-folder/out.csv"_s << 1
                                << QStringList();
}

void TestReader::csvExitStatus()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, csvName);
    QFETCH(int, status);
    QFETCH(QStringList, problems);
    QTemporaryDir dir;
    writeFile(dir.filePath(name), bytes);
    // The program itself, as a course team runs it.
    QProcess reader;
    reader.start(u"" READER_PATH ""_s, {u"--csv"_s, dir.filePath(csvName), dir.filePath(name)});
    QVERIFY(reader.waitForFinished(-1));
    QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
    QCOMPARE(reader.exitCode(), status);
    // A line the program writes to standard error ends in CR LF on Windows.
    const QStringList reported = QString::fromUtf8(reader.readAllStandardError())
                                         .remove(u'\r')
                                         .split(u'\n', Qt::SkipEmptyParts);
    if (status == int(ExportStatus::NotWritten)) {
        QCOMPARE(reported.size(), 1);
        QVERIFY(reported.first().startsWith(QDir::toNativeSeparators(dir.filePath(csvName))
                                            + u": "_s));
        QVERIFY(!QFile::exists(dir.filePath(csvName)));
    } else {
        QCOMPARE(reported, problems);
        QVERIFY(readFile(dir.filePath(csvName)).count("\r\n") > 4);
    }
}

void TestReader::window()
{
    // Two students, each with a rating of 2 for the question; one cancelled, one a word.
    const QByteArray send = recorded().send;
    QTemporaryDir dir;
    const QString folder
            = writeClass(dir,
                         {{u"anna/send_1208.txt"_s, send},
                          {u"ben/send_1208.txt"_s,
                           QByteArray(send).replace("assessment:  \r\n", "assessment:  sure\r\n")},
                          {u"ben/notes.doc"_s, "PK\3\4"}});
    ReaderWindow window;
    window.resize(900, 700);
    window.show();
    QSignalSpy loaded(&window, &ReaderWindow::loaded);
    window.open({folder});
    QVERIFY(loaded.wait(10000));

    const auto *classView = window.findChild<QTreeWidget *>(u"classView"_s);
    QCOMPARE(classView->topLevelItemCount(), 2);
    const auto rowText = [](const QTreeWidgetItem *item) {
        QStringList columns;
        for (int column = 0; column < item->columnCount(); ++column)
            columns.append(item->text(column));
        return columns.join(u' ');
    };
    QCOMPARE(rowText(classView->topLevelItem(0)), u"anna 2 5 2 2026-12-09 0"_s);
    QCOMPARE(rowText(classView->topLevelItem(1)), u"ben 2 5 2 2026-12-09 1"_s);
    QCOMPARE(rowText(classView->topLevelItem(0)->child(0)), u"assignment 000 1 2 1 2026-12-09 0"_s);
    QCOMPARE(rowText(classView->topLevelItem(0)->child(1)), u"assignment 001 1 3 1 2026-12-08 0"_s);

    auto *assignment = window.findChild<QComboBox *>(u"assignment"_s);
    auto *question = window.findChild<QComboBox *>(u"question"_s);
    assignment->setCurrentText(u"001"_s);
    question->setCurrentIndex(question->findData(recorded().question));
    const QString responses = window.findChild<QPlainTextEdit *>(u"responses"_s)->toPlainText();
    QVERIFY(responses.contains(
            u"anna, 2026-12-08 10:31:00 (confidence 2)\n    Line one\n    theta <= 2"_s));
    QVERIFY(responses.contains(
            u"anna, 2026-12-08 10:32:00 (confidence not given)\n    second try"_s));
    QVERIFY(responses.contains(u"ben, 2026-12-08 10:32:00 (confidence sure)\n    second try"_s));

    // The chart's bars, measured in its pixels as the longest dark run down the middle of each:
    // as tall as their counts, no bar where the count is 0 (a digit's strokes are short).
    auto *chart = window.findChild<RatingChart *>();
    QCOMPARE(chart->counts(), (RatingChart::Counts {0, 0, 2, 0, 1, 1}));
    const QImage image = chart->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    QList<int> bars;
    for (int bar = 0; bar < RatingChart::barCount; ++bar) {
        const int x = int(chart->barRect(bar).center().x() * scale);
        int run = 0, longest = 0;
        for (int y = 0; y < image.height(); ++y) {
            run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        bars.append(longest);
    }
    const int digit = int(chart->fontMetrics().height() * scale);
    QVERIFY2(bars[4] > 2 * digit && bars[5] == bars[4], qPrintable(QDebug::toString(bars)));
    QVERIFY2(std::abs(bars[2] - 2 * bars[4]) <= 2 * scale, qPrintable(QDebug::toString(bars)));
    for (int bar : {0, 1, 3})
        QVERIFY2(bars[bar] < digit, qPrintable(QDebug::toString(bars)));

    // The window exports what the command line does.
    QTemporaryDir out;
    QSignalSpy exported(&window, &ReaderWindow::exported);
    window.exportCsv(out.filePath(u"window.csv"_s));
    QVERIFY(exported.wait(10000));
    QCOMPARE(exported.first().first(), QVariant(true));
    exportCsv(out.filePath(u"direct.csv"_s), {folder}, [](const QString &) {});
    QCOMPARE(readFile(out.filePath(u"window.csv"_s)), readFile(out.filePath(u"direct.csv"_s)));
}

QTEST_MAIN(TestReader)
#include "tst_reader.moc"

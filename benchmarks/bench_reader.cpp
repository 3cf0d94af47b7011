// The reader on a made-up class, beside its floor in the same run: reading the same bytes and
// splitting them into lines. Prints the ratio, where the time goes and the export's peak memory.
// bench_reader [--students N] [--files N] [--kilobytes N] [--rounds N]; the whole class is
// 300 students of 40 SEND files of about 50 KB each (600 MB), made in memory where the system
// has it (/dev/shm).

#include "peak_memory.h"

#include "csv_export.h"
#include "received_records.h"

#include "code/line_code.h"
#include "files/record_layout.h"
#include "script/builtin_bank.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double timeTarget = 2.0;
// The export's peak memory above that of an export of one file, in sizes of the largest file.
constexpr double memoryTarget = 4.0;

struct ClassSize
{
    int students = 300;
    int filesPerStudent = 40;
    int kilobytes = 50;
    int rounds = 3;
};

// The question lines of the built-in script, without their marks, as a response record takes them.
QStringList questionLines()
{
    QStringList lines;
    for (const char *line : builtInBankLines) {
        if (qstrlen(line) > 100)
            lines << QString::fromLatin1(line).remove(u"`q"_s);
    }
    return lines;
}

QString responseText(int record, int variant)
{
    return u"The ball rolled %1 cm in %2 s, so its mean speed was about %3 cm/s.\n"
           "Timing it by hand, I would put the uncertainty at 0.2 s; the length is good to 0.5 cm."
           "\nSo the speed is uncertain by about 15%, mostly from the timing.\n"
           "Repeating the run %4 times and taking the mean would help."_s.arg(40 + record % 20)
                   .arg(1.1 + variant * 0.1)
                   .arg(35 + record % 13)
                   .arg(3 + record % 5);
}

QByteArray sendShare(const RecordComposer &record)
{
    for (const RecordComposer::Share &share : record.shares()) {
        if (share.file == SessionFile::Send)
            return share.bytes;
    }
    qFatal("A record without a SEND file's share");
}

// A day's SEND file of about `bytes`, as the student's program writes it: two sessions, one in the
// morning and one in the evening, of responses of a few lines with both kinds of rating and a note
// now and then. `variant` varies the code number, the numbers in the responses and the ratings.
// Counts its records in `records`.
QByteArray sendFile(QDate day, int variant, qsizetype bytes, qsizetype &records)
{
    static const QStringList questions = questionLines();
    QDateTime clock(day, QTime(9, 0), Qt::UTC);
    std::mt19937 generator(variant * 1000 + day.dayOfYear());
    std::uniform_real_distribution<double> uniform;
    const RecordContext context {[&clock] { return clock = clock.addSecs(1); }, 19 + variant % 10};
    QByteArray file;
    for (int session = 0; session < 2; ++session) {
        clock.setTime(QTime(9 + 11 * session, 0));
        file += sendShare(composeHeader(
                context, makeCodeLine(context.codeNumber, [&] { return uniform(generator); }),
                u"001"_s, u"001."_s, u"Physics II"_s));
        for (int record = 1; file.size() < bytes * (session + 1) / 2; ++record, ++records) {
            clock = clock.addSecs(40);
            const QString &question = questions[record % questions.size()];
            if (record % 6 == 0) {
                file += sendShare(composeNote(context, question,
                                              RecordLayout::notesMark
                                                      + u"Ask about the ruler's distortion."_s));
                continue;
            }
            const QString rating = QString::number((record + variant) % 4);
            file += sendShare(composeResponse(
                    context, 10010 + record, question, responseText(record, variant), [&] {
                        return (record % 3 ? RecordLayout::confidenceMark
                                           : RecordLayout::selfCritiqueMark)
                                + rating;
                    }));
        }
    }
    return file;
}

QString studentName(int student)
{
    return u"student %1"_s.arg(student, 3, 10, QChar(u'0'));
}

// The class in `folder`: a folder for each student with their SEND files, a day apart. The files
// of a few variants are made and written again for each student, so making the class costs
// little beside reading it. Gives the number of records.
qsizetype makeClass(const QString &folder, const ClassSize &size)
{
    constexpr int variants = 5;
    const QDate firstDay(2026, 9, 1);
    QList<QList<QByteArray>> files(variants);
    QList<qsizetype> records(variants);
    for (int variant = 0; variant < variants; ++variant) {
        for (int day = 0; day < size.filesPerStudent; ++day)
            files[variant] << sendFile(firstDay.addDays(day), variant, size.kilobytes * 1000,
                                       records[variant]);
    }
    qsizetype classRecords = 0;
    for (int student = 0; student < size.students; ++student) {
        classRecords += records[student % variants];
        const QString studentFolder = folder + u'/' + studentName(student);
        if (!QDir().mkpath(studentFolder))
            qFatal("Cannot make %s", qPrintable(studentFolder));
        for (int day = 0; day < size.filesPerStudent; ++day) {
            QFile file(studentFolder + u"/send_"_s + firstDay.addDays(day).toString(u"MMdd"_s)
                       + u".txt"_s);
            if (!file.open(QIODevice::WriteOnly)
                || file.write(files[student % variants][day])
                        != files[student % variants][day].size())
                qFatal("Cannot write %s", qPrintable(file.fileName()));
        }
    }
    return classRecords;
}

// The rows of a CSV file: each ends in CR LF, and no field holds a CR.
qsizetype csvRowCount(const QString &path)
{
    QFile csv(path);
    if (!csv.open(QIODevice::ReadOnly))
        qFatal("Cannot read %s", qPrintable(path));
    qsizetype rows = 0;
    while (!csv.atEnd())
        rows += csv.read(1 << 24).count('\r');
    return rows - 1; // the header
}

// The floor: every file under `folder` read whole and split into lines.
qsizetype readAndSplit(const QString &folder)
{
    qsizetype lineCount = 0;
    QList<QByteArrayView> lines;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            qFatal("Cannot read %s", qPrintable(file.fileName()));
        const QByteArray bytes = file.readAll();
        lines.clear();
        for (qsizetype start = 0; start < bytes.size();) {
            const qsizetype end = bytes.indexOf('\n', start);
            const qsizetype next = end < 0 ? bytes.size() : end + 1;
            lines.append(QByteArrayView(bytes).sliced(start, next - start));
            start = next;
        }
        lineCount += lines.size();
    }
    return lineCount;
}

// Beside the floor: every file under `folder` read whole and written to one file at `copyPath`,
// as the export writes its CSV file. What reading and writing cost before any parsing.
void readAndCopy(const QString &folder, const QString &copyPath)
{
    QSaveFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly))
        qFatal("Cannot write %s", qPrintable(copyPath));
    for (QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            qFatal("Cannot read %s", qPrintable(file.fileName()));
        copy.write(file.readAll());
    }
    if (!copy.commit())
        qFatal("Cannot write %s", qPrintable(copyPath));
}

// The processor time `work` takes, the system's share (reading files) included: on a machine busy
// with other work too, the time that passes would measure that work as well.
double elapsedSeconds(const std::function<void()> &work)
{
    const std::clock_t start = std::clock();
    work();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A sink that keeps nothing: what reading and merging cost alone.
class NoSink : public StudentRecordSink
{
    void addSession(const SessionFields &) override { }
    void addRecord(qsizetype, const RecordFields &) override { }
};

// The time of each step of an export, taken one step at a time over the same files.
void printWhereTheTimeGoes(const QString &folder, const QString &csvPath)
{
    double finding = 0, reading = 0, merging = 0, rows = 0, writing = 0;
    QList<StudentFiles> found;
    finding = elapsedSeconds([&] {
        for (const StudentPlace &student : findStudents({folder}))
            found.append(listFiles(student));
    });
    QFile csv(csvPath);
    if (!csv.open(QIODevice::WriteOnly))
        qFatal("Cannot write %s", qPrintable(csvPath));
    for (const StudentFiles &files : std::as_const(found)) {
        reading += elapsedSeconds([&] {
            for (const QString &path : files.paths) {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly) || file.readAll().isEmpty())
                    qFatal("Cannot read %s", qPrintable(file.fileName()));
            }
        });
        ReceivedStudent student;
        NoSink nothing;
        merging += elapsedSeconds([&] { readStudent(files, nothing, student); });
        QBuffer studentRows;
        studentRows.open(QIODevice::WriteOnly);
        rows += elapsedSeconds([&] {
            CsvRows csvRows(studentRows, files);
            readStudent(files, csvRows, student);
            csvRows.flush();
        });
        writing += elapsedSeconds([&] { csv.write(studentRows.data()); });
    }
    rows -= merging;
    merging -= reading;
    const double total = finding + reading + merging + rows + writing;
    const auto share = [total](const char *step, double seconds) {
        std::printf("  %-52s %6.2f s %5.1f%%\n", step, seconds, 100 * seconds / total);
    };
    std::printf("Where the time goes, one step at a time (%.2f s in all):\n", total);
    share("finding the files", finding);
    share("reading them", reading);
    share("parsing and merging each student's files", merging);
    share("making the CSV rows, in memory (CsvRows)", rows);
    share("writing them", writing);
}

// In a process of its own, so that its peak memory is the export's: exports `paths` to `csvPath`
// and prints the peak in megabytes.
int exportChild(const QString &csvPath, const QStringList &paths)
{
    const ExportStatus status = exportCsv(csvPath, paths, [](const QString &problem) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    });
    std::printf("%.3f\n", peakMegabytes());
    return int(status);
}

// The peak, or nothing when the export failed.
std::optional<double> exportPeakMegabytes(const QString &csvPath, const QString &path)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {u"--export-child"_s, csvPath, path});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != int(ExportStatus::AllWhole))
        return std::nullopt;
    return child.readAllStandardOutput().trimmed().toDouble();
}

ClassSize sizeFrom(const QStringList &arguments)
{
    ClassSize size;
    const std::pair<QString, int *> options[] = {{u"--students"_s, &size.students},
                                                 {u"--files"_s, &size.filesPerStudent},
                                                 {u"--kilobytes"_s, &size.kilobytes},
                                                 {u"--rounds"_s, &size.rounds}};
    for (qsizetype i = 1; i < arguments.size(); i += 2) {
        const auto option
                = std::find_if(std::begin(options), std::end(options),
                               [&](const auto &option) { return option.first == arguments[i]; });
        bool ok = false;
        if (option == std::end(options) || i + 1 == arguments.size()
            || (*option->second = arguments[i + 1].toInt(&ok), !ok || *option->second < 1))
            qFatal("Usage: bench_reader [--students N] [--files N] [--kilobytes N] [--rounds N]");
    }
    return size;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() >= 4 && arguments[1] == u"--export-child"_s)
        return exportChild(arguments[2], arguments.mid(3));
    const ClassSize size = sizeFrom(arguments);

    // In memory where the system has it, so that the disk's speed does not enter the figures.
    QTemporaryDir work(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/bench_reader-XXXXXX"_s
                                                    : QDir::tempPath() + u"/bench_reader-XXXXXX"_s);
    const QString folder = work.filePath(u"class"_s);
    const QString csvPath = work.filePath(u"class.csv"_s);
    qsizetype records = 0;
    const double making = elapsedSeconds([&] { records = makeClass(folder, size); });
    std::printf("A class of %d students, %d SEND files each of about %d KB, made in %.1f s (all "
                "times are processor time)\n",
                size.students, size.filesPerStudent, size.kilobytes, making);

    std::vector<double> exports, floors, copies;
    qsizetype lines = 0;
    // A failure returns, so that the class is removed.
    for (int round = 0; round < size.rounds; ++round) {
        ExportStatus status;
        exports.push_back(elapsedSeconds(
                [&] { status = exportCsv(csvPath, {folder}, [](const QString &) {}); }));
        if (status != ExportStatus::AllWhole) {
            std::fprintf(stderr, "The made-up class did not read whole\n");
            return 1;
        }
        floors.push_back(elapsedSeconds([&] { lines = readAndSplit(folder); }));
        copies.push_back(elapsedSeconds([&] { readAndCopy(folder, work.filePath(u"copy"_s)); }));
    }
    // A reader that lost records would be fast for nothing.
    if (const qsizetype rows = csvRowCount(csvPath); rows != records) {
        std::fprintf(stderr, "The CSV holds %lld rows for %lld records\n", qint64(rows),
                     qint64(records));
        return 1;
    }
    qint64 bytes = 0, largest = 0;
    for (QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
        const qint64 fileSize = files.nextFileInfo().size();
        bytes += fileSize;
        largest = std::max(largest, fileSize);
    }
    const double ratio = median(exports) / median(floors);
    std::printf("%.0f MB in %lld lines: export to CSV %.2f s (%.0f MB/s), reading and splitting "
                "them into lines %.2f s; ratio %.2f (target at most %.1f)\n",
                bytes / 1e6, qint64(lines), median(exports), bytes / 1e6 / median(exports),
                median(floors), ratio, timeTarget);
    std::printf("Reading them and writing their bytes to one file, with no parsing, takes %.2f s, "
                "%.2f times the floor; the CSV file is %.0f MB\n",
                median(copies), median(copies) / median(floors), QFileInfo(csvPath).size() / 1e6);
    printWhereTheTimeGoes(folder, csvPath);

    // Beside a class of one student with one file: the export's cost whatever the class, its
    // code's pages among it. A class with nothing to read is shown too.
    const QString firstStudent = folder + u'/' + studentName(0);
    const QString firstFile = QDir(firstStudent).entryList(QDir::Files).first();
    const QString oneFile = work.filePath(u"one/"_s) + studentName(0);
    const QString empty = work.filePath(u"empty"_s);
    if (!QDir().mkpath(oneFile) || !QDir().mkpath(empty)
        || !QFile::copy(firstStudent + u'/' + firstFile, oneFile + u'/' + firstFile))
        qFatal("Cannot make %s", qPrintable(oneFile));
    const std::optional<double> peak = exportPeakMegabytes(csvPath, folder);
    const std::optional<double> onePeak = exportPeakMegabytes(csvPath, work.filePath(u"one"_s));
    const std::optional<double> emptyPeak = exportPeakMegabytes(csvPath, empty);
    if (!peak || !onePeak || !emptyPeak) {
        std::fprintf(stderr, "An export in a process of its own failed\n");
        return 1;
    }
    const double memoryRatio = (*peak - *onePeak) * 1e6 / largest;
    std::printf("Export's peak memory %.1f MB, %.1f MB for one file, %.1f MB with nothing to read; "
                "above one file it is %.1f times the largest file of %.0f KB (target at most "
                "%.1f) and %.2f times a student's files\n",
                *peak, *onePeak, *emptyPeak, memoryRatio, largest / 1e3, memoryTarget,
                (*peak - *onePeak) * 1e6 * size.students / bytes);
    return ratio <= timeTarget && memoryRatio <= memoryTarget ? 0 : 1;
}

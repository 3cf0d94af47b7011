// Several runs of the program on the same day append to the same files at once; each file must
// stay a sequence of whole headers and records.

#include "expected_records.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int recordsPerRun = 1500;
const QList<QByteArray> tags = {"first", "second", "third"};

enum class File { Master, Send, Notes };

// What run `tag` records as its record `index`: every third a note, the others responses.
QByteArray recordBytes(File file, const QByteArray &tag, int index)
{
    const QByteArray text = tag + ' ' + QByteArray::number(index);
    if (index % 3 == 2)
        return noteBytes("", text);
    return file == File::Notes ? QByteArray()
                               : responseBytes(file == File::Master, "", text, std::nullopt);
}

bool isCodeLine(QByteArrayView line)
{
    const auto isCount = [](char c) {
        return uchar(c) >= 118;
    };
    const auto isFiller = [](char c) {
        return uchar(c) >= 66 && uchar(c) <= 116;
    };
    const auto counts = std::count_if(line.begin(), line.end(), isCount);
    return counts >= 19 && counts <= 28 && std::all_of(line.begin(), line.end(), [&](char c) {
               return isCount(c) || isFiller(c);
           });
}

// The indices of a run's records that `file` takes: the notes file takes the notes only.
std::vector<int> recordIndices(File file)
{
    std::vector<int> indices;
    for (int index = 0; index < recordsPerRun; ++index) {
        if (!recordBytes(file, "", index).isEmpty())
            indices.push_back(index);
    }
    return indices;
}

struct Reading
{
    QString fault; // where no whole block fits; empty when every run's blocks are all there
    int runChanges = 0; // how often a record comes from another run than the one before it
    QList<QByteArray> order; // the records as the file holds them, each as its text
};

// Reads the file from its start as whole blocks, each a header or the next record of one of the
// runs.
Reading readBlocks(File file, const QByteArray &bytes)
{
    Reading reading;
    const QByteArray *lastRun = nullptr;
    const std::vector<int> indices = recordIndices(file);
    const QByteArray headerTail = headerBytes("", "000", "000.").mid(2);
    std::map<QByteArray, std::size_t> taken; // how many of each run's records the file has shown
    qsizetype headers = 0;
    qsizetype at = 0;
    const auto nextRecord = [&](const QByteArray &tag) {
        const std::size_t count = taken[tag];
        return count < indices.size() ? recordBytes(file, tag, indices[count]) : QByteArray();
    };
    while (at < bytes.size()) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(at);
        const qsizetype lineEnd = rest.indexOf("\r\n");
        if (file != File::Notes && lineEnd > 0 && isCodeLine(rest.first(lineEnd))
            && rest.sliced(lineEnd + 2).startsWith(headerTail)) {
            at += lineEnd + 2 + headerTail.size();
            ++headers;
            continue;
        }
        const auto fits = std::find_if(tags.begin(), tags.end(), [&](const QByteArray &tag) {
            const QByteArray record = nextRecord(tag);
            return !record.isEmpty() && rest.startsWith(record);
        });
        if (fits == tags.end()) {
            reading.fault = u"no whole header or record at byte %1"_s.arg(at);
            return reading;
        }
        at += nextRecord(*fits).size();
        reading.order.append(*fits + ' ' + QByteArray::number(indices[taken[*fits]]));
        ++taken[*fits];
        reading.runChanges += lastRun && lastRun != &*fits;
        lastRun = &*fits;
    }
    if (file != File::Notes && headers != tags.size())
        reading.fault = u"%1 headers, not %2"_s.arg(headers).arg(tags.size());
    for (const QByteArray &tag : tags) {
        if (taken[tag] != indices.size())
            reading.fault
                    = u"run %1 shows %2 records"_s.arg(QString::fromLatin1(tag)).arg(taken[tag]);
    }
    return reading;
}

} // namespace

class TestConcurrentRuns : public QObject
{
    Q_OBJECT
private slots:
    void runsAtOnceLeaveWholeBlocks();
};

void TestConcurrentRuns::runsAtOnceLeaveWholeBlocks()
{
    // In memory where the system has such a folder: what is tested is how the runs take turns,
    // and syncs to a disk would only slow each turn down.
    const QString memory = u"/dev/shm"_s;
    QTemporaryDir home(QFileInfo(memory).isDir() ? memory + u"/concurrent-XXXXXX"_s
                                                 : QDir::tempPath() + u"/concurrent-XXXXXX"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home.path());
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const QByteArray &tag : tags) {
        auto run = std::make_unique<QProcess>();
        run->setProcessEnvironment(environment);
        run->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run->start(QStringLiteral(CONCURRENT_WRITER_PATH),
                   {QString::fromLatin1(tag), QString::number(recordsPerRun)});
        runs.push_back(std::move(run));
    }
    // Every run has started up before any records: they all record at once.
    for (const auto &run : runs)
        QVERIFY(run->canReadLine() || run->waitForReadyRead(60000));
    for (const auto &run : runs) {
        run->write("go\n");
        QVERIFY(run->waitForBytesWritten());
    }
    for (const auto &run : runs) {
        QVERIFY(run->waitForFinished(300000));
        QCOMPARE(run->exitStatus(), QProcess::NormalExit);
        QCOMPARE(run->exitCode(), 0);
    }
    const QString folder = home.path() + u"/qorvanit/"_s;
    const std::pair<File, QString> files[] = {
            {File::Master, u"masterFile.txt"_s},
            {File::Send, u"send_1208.txt"_s},
            {File::Notes, u"notes_.txt"_s},
    };
    std::map<File, QList<QByteArray>> orders;
    for (const auto &[file, name] : files) {
        QFile contents(folder + name);
        QVERIFY2(contents.open(QIODevice::ReadOnly), qPrintable(name));
        const Reading reading = readBlocks(file, contents.readAll());
        QVERIFY2(reading.fault.isEmpty(), qPrintable(name + u": "_s + reading.fault));
        // The runs wrote at the same time, not one after the other.
        QVERIFY2(reading.runChanges > 10, qPrintable(QString::number(reading.runChanges)));
        orders[file] = reading.order;
    }
    // A record goes to all its files before the next one goes to any.
    QCOMPARE(orders[File::Send], orders[File::Master]);
    QList<QByteArray> notes = orders[File::Master];
    notes.removeIf([](const QByteArray &record) { return record.split(' ')[1].toInt() % 3 != 2; });
    QCOMPARE(orders[File::Notes], notes);
    // Every run's journal was its own and is gone with its record.
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({u"masterFile.txt"_s, u"notes_.txt"_s, u"send_1208.txt"_s}));
}

QTEST_GUILESS_MAIN(TestConcurrentRuns)
#include "tst_concurrent_runs.moc"

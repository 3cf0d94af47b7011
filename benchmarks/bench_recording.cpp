// Each case times the program beside its baseline in the same run, round by round in turn, and
// compares the medians with the target ratio.

#include "peak_memory.h"
#include "tests/test_support.h"

#include "app/text_box.h"
#include "files/number_text.h"
#include "files/record_append.h"
#include "files/record_composer.h"
#include "files/text_codec.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList assignment000 = {u"name"_s, u""_s, u"000"_s};

// A script line of the usual kind: about 400 characters with a few paragraph marks.
QString questionLine(int number)
{
    return u"`qQuestion %1: a steel ball rolls down an incline about 50 cm long.{}{}"_s.arg(number)
            + QString(300, u'x') + u"{}{}Say what you can about the uncertainty."_s;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    const double ms = timer.nsecsElapsed() / 1e6;
    return ms;
}

// Runs `rounds` rounds, each timing `measured` and then `baseline`; reports both medians and
// checks their ratio against `target`.
void compare(const char *what, int rounds, const std::function<double()> &measured,
             const std::function<double()> &baseline, double target)
{
    std::vector<double> measuredMs, baselineMs;
    for (int round = 0; round < rounds; ++round) {
        measuredMs.push_back(measured());
        baselineMs.push_back(baseline());
    }
    const double ratio = median(measuredMs) / median(baselineMs);
    qInfo("%s: %.3f ms against %.3f ms, ratio %.2f (target at most %.1f)", what, median(measuredMs),
          median(baselineMs), ratio, target);
    QVERIFY2(ratio <= target, what);
}

void step(const query_template &window)
{
    clickButton(window, u"cmdNextQuestion"_s);
    // Let the box repaint, as it does between the student's clicks.
    QApplication::processEvents();
}

void click(const query_template &window, const QString &button)
{
    clickButton(window, button);
    QApplication::processEvents();
}

// A SEND file of about `megabytes` of 50-byte lines in the home's default folder.
void writeSendFile(const TemporaryHome &home, int megabytes)
{
    QVERIFY(QDir().mkpath(home.defaultFolder()));
    QByteArray lines;
    for (int i = 0; lines.size() < megabytes * 1'000'000; ++i)
        lines += QByteArray::number(i).rightJustified(8, '0') + QByteArray(40, 'y') + "\r\n";
    writeFile(home.defaultFolder() + u"/send_1208.txt"_s, lines);
}

// A run of assignment 000 in `home`, shown, with a question to step to.
std::unique_ptr<query_template> startRunIn(const TemporaryHome &home, FakeStudent &student)
{
    student.home = home.path();
    student.answers = assignment000;
    useScript(student, {u"000."_s, u"`qWhat does the ball do?"_s, u"`qAnd then?"_s});
    return startShownRun(student);
}

// The median times of displaying a SEND file of `megabytes` and of the step after it, each beside
// its floor: one read, decode and setPlainText of the file; reading the box once and appending
// the step's line.
struct DisplayFigures
{
    double display, displayFloor, stepAfter, stepFloor;
};

DisplayFigures displaySendFile(int megabytes, int rounds)
{
    TemporaryHome home;
    writeSendFile(home, megabytes);
    std::vector<double> display, displayFloor, stepAfter, stepFloor;
    for (int round = 0; round < rounds; ++round) {
        {
            FakeStudent student;
            const auto window = startRunIn(home, student);
            display.push_back(elapsedMs([&] { click(*window, u"cmd_displayCumulativeText"_s); }));
            stepAfter.push_back(elapsedMs([&] { step(*window); }));
            if (!student.problems.isEmpty() || student.ends != 0)
                qFatal("The display or the step failed");
        }
        {
            FakeStudent student;
            const auto window = startRunIn(home, student);
            QPlainTextEdit *box = textBox(*window, u"txt_question"_s);
            displayFloor.push_back(elapsedMs([&] {
                QFile send(home.defaultFolder() + u"/send_1208.txt"_s);
                if (!send.open(QIODevice::ReadOnly))
                    qFatal("The SEND file is gone");
                box->setPlainText(fromCp1252(send.readAll()));
                QApplication::processEvents();
            }));
            stepFloor.push_back(elapsedMs([&] {
                const QString text = boxText(box);
                appendBoxText(box, u"\r\n\r\nWhat does the ball do?"_s);
                QApplication::processEvents();
                if (text.isEmpty())
                    qFatal("The box is empty");
            }));
        }
    }
    const DisplayFigures figures {median(display), median(displayFloor), median(stepAfter),
                                  median(stepFloor)};
    qInfo("SEND file of %d MB: display %.1f ms against %.1f ms, ratio %.2f; the step after it "
          "%.1f ms against %.1f ms, ratio %.2f",
          megabytes, figures.display, figures.displayFloor, figures.display / figures.displayFloor,
          figures.stepAfter, figures.stepFloor, figures.stepAfter / figures.stepFloor);
    return figures;
}

void checkRatio(const char *what, double ratio, double target)
{
    qInfo("%s: ratio %.2f (target at most %.1f)", what, ratio, target);
    QVERIFY2(ratio <= target, what);
}

// The notes file of the memory case: about a megabyte of note records.
QByteArray megabyteOfNotes()
{
    QByteArray notes;
    while (notes.size() < 1'000'000) {
        notes += "......!!!!!!!!...................................\r\n"
                 "                                    10:30:15\r\n"
                 "NOTES -------> The ball rolled 50 cm in about 1.2 s.\r\n"
                 ".................................................\r\n";
    }
    return notes;
}

// Run in a process of its own, so its peak memory is its own: five presses of "display notes"
// with a megabyte of notes, or the final text of those presses set once in the same box.
int displayNotesChild(bool setOnce)
{
    TemporaryHome home;
    QDir().mkpath(home.defaultFolder());
    writeFile(home.defaultFolder() + u"/notes_.txt"_s, megabyteOfNotes());
    FakeStudent student;
    const auto window = startRunIn(home, student);
    QPlainTextEdit *box = textBox(*window, u"txt_question"_s);
    if (!setOnce) {
        std::vector<double> msPerMegabyte;
        for (int press = 0; press < 5; ++press) {
            const qsizetype before = box->document()->characterCount();
            const double ms = elapsedMs([&] { click(*window, u"cmd_display_note_file"_s); });
            msPerMegabyte.push_back(ms * 1e6 / (box->document()->characterCount() - before));
        }
        const auto [fastest, slowest]
                = std::minmax_element(msPerMegabyte.begin(), msPerMegabyte.end());
        std::printf("%.1f %.1f %.1f\n", peakMegabytes(), *fastest, *slowest);
        return 0;
    }
    // The text five presses leave, built without the box.
    QString finalText = boxText(box);
    QString responseText = window->session().responseText;
    const QString notes = fromCp1252(megabyteOfNotes()).remove(u'\r').remove(u'\n');
    for (int press = 0; press < 5; ++press) {
        responseText += notes;
        finalText += u"\r\n\r\n"_s + responseText;
    }
    setBoxText(box, finalText);
    QApplication::processEvents();
    std::printf("%.1f 0 0\n", peakMegabytes());
    return 0;
}

// What a display-notes child printed: its peak memory in megabytes, then, for the presses, the
// fastest and the slowest press in milliseconds per megabyte added.
QList<double> runDisplayNotesChild(const char *variant)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(variant)});
    if (!child.waitForFinished(300'000) || child.exitCode() != 0)
        qFatal("The display-notes child failed");
    QList<double> figures;
    for (const QByteArray &figure : child.readAllStandardOutput().trimmed().split(' '))
        figures.append(figure.toDouble());
    return figures;
}

} // namespace

class BenchRecording : public QObject
{
    Q_OBJECT
private slots:
    void stepWithTenMegabytesInTheBox();
    void displaySendFileOfOneMegabyte();
    void appendToATwoGigabyteMasterFile();
    void displaySendFileAndTheStepAfterIt();
    void displayNotesFivePresses();
    void recordAPastedTenMegabyteResponse();
};

void BenchRecording::stepWithTenMegabytesInTheBox()
{
    constexpr int rounds = 40;
    constexpr int stepsPerRound = 25;
    QStringList script = {u"000."_s};
    for (int i = 1; i < lastScriptSlot; ++i)
        script << questionLine(i);

    TemporaryHome home;
    FakeStudent emptyStudent, fullStudent;
    emptyStudent.answers = fullStudent.answers = assignment000;
    useScript(emptyStudent, script);
    useScript(fullStudent, script);
    const auto empty = startShownRun(emptyStudent);
    const auto full = startShownRun(fullStudent);
    // Ten megabytes of earlier steps, then one step so the box and responseText agree again.
    QString earlier;
    while (earlier.size() < 10'000'000)
        earlier += u"\r\n\r\n"_s + expandBreaks(questionLine(0).mid(2));
    setBoxText(textBox(*full, u"txt_question"_s), earlier);
    step(*full);
    step(*empty);

    const auto steps = [](const query_template &window) {
        return [&window] {
            return elapsedMs([&] {
                for (int i = 0; i < stepsPerRound; ++i)
                    step(window);
            });
        };
    };
    compare("step, 10 MB in the question box against an empty box", rounds, steps(*full),
            steps(*empty), 2.0);
    QCOMPARE(fullStudent.ends + emptyStudent.ends, 0);
}

void BenchRecording::displaySendFileOfOneMegabyte()
{
    constexpr int rounds = 15;
    TemporaryHome home;
    QVERIFY(QDir().mkpath(home.defaultFolder()));
    {
        QFile send(home.defaultFolder() + u"/send_1208.txt"_s);
        QVERIFY(send.open(QIODevice::WriteOnly));
        for (int i = 0; i < 20'000; ++i)
            send.write(QByteArray::number(i).rightJustified(6, '0') + QByteArray(44, 'y') + "\r\n");
    }
    QString finalText;
    const auto displayed = [&] {
        FakeStudent student;
        student.answers = assignment000;
        const auto window = startShownRun(student);
        const double ms = elapsedMs([&] {
            clickButton(*window, u"cmd_displayCumulativeText"_s);
            QApplication::processEvents();
        });
        finalText = textBox(*window, u"txt_question"_s)->toPlainText();
        return ms;
    };
    const auto setAtOnce = [&] {
        FakeStudent student;
        student.answers = assignment000;
        const auto window = startShownRun(student);
        QPlainTextEdit *box = textBox(*window, u"txt_question"_s);
        return elapsedMs([&] {
            box->setPlainText(finalText);
            QApplication::processEvents();
        });
    };
    compare("display SEND file of 1 MB against one setPlainText of its text", rounds, displayed,
            setAtOnce, 1.5);
    QVERIFY(finalText.size() > 1'000'000);
}

void BenchRecording::appendToATwoGigabyteMasterFile()
{
    constexpr int rounds = 60;
    TemporaryHome emptyHome;
    FakeStudent emptyStudent;
    emptyStudent.home = emptyHome.path();
    emptyStudent.answers = assignment000;
    const auto empty = startShownRun(emptyStudent);
    const QString emptyMaster = emptyHome.defaultFolder() + u"/masterFile.txt"_s;

    TemporaryHome largeHome;
    QVERIFY(QDir().mkpath(largeHome.defaultFolder()));
    const QString largeMaster = largeHome.defaultFolder() + u"/masterFile.txt"_s;
    {
        // Sparse: two gigabytes long without taking the disk space.
        QFile master(largeMaster);
        QVERIFY(master.open(QIODevice::WriteOnly));
        QVERIFY(master.resize(qint64(2) << 30));
    }
    FakeStudent largeStudent;
    largeStudent.home = largeHome.path();
    largeStudent.answers = assignment000;
    const auto large = startShownRun(largeStudent);
    const qint64 emptyBefore = QFileInfo(emptyMaster).size();
    const qint64 largeBefore = QFileInfo(largeMaster).size();

    const auto response = [](const query_template &window) {
        return [&window] {
            setBoxText(textBox(window, u"txt_answer"_s), u"A response of a line or so."_s);
            return elapsedMs([&] { clickButton(window, u"cmd_enter_response"_s); });
        };
    };
    compare("response appended to a 2 GB master file against an empty one", rounds,
            response(*large), response(*empty), 1.5);
    QVERIFY(emptyStudent.problems.isEmpty() && largeStudent.problems.isEmpty());
    // Each side grew its own master file by the same records, and the small one stayed small.
    const qint64 emptyGrowth = QFileInfo(emptyMaster).size() - emptyBefore;
    QVERIFY(emptyGrowth > 0);
    QCOMPARE(QFileInfo(largeMaster).size() - largeBefore, emptyGrowth);
    QVERIFY(QFileInfo(emptyMaster).size() < 1'000'000);
}

void BenchRecording::displaySendFileAndTheStepAfterIt()
{
    const DisplayFigures one = displaySendFile(1, 7);
    const DisplayFigures five = displaySendFile(5, 5);
    const DisplayFigures ten = displaySendFile(10, 5);
    const DisplayFigures fifty = displaySendFile(50, 3);
    checkRatio("display SEND file of 10 MB against its floor", ten.display / ten.displayFloor, 1.3);
    checkRatio("display SEND file of 50 MB against its floor", fifty.display / fifty.displayFloor,
               1.3);
    checkRatio("the first step after displaying 10 MB against its floor",
               ten.stepAfter / ten.stepFloor, 1.5);
    // Growth is taken where both sizes are beyond the processor's caches, which a megabyte is not.
    checkRatio("display SEND file, 50 MB against 5 MB", fifty.display / five.display, 12);
    checkRatio("the step after the display, 50 MB against 5 MB", fifty.stepAfter / five.stepAfter,
               12);
    qInfo("growth from 1 to 10 to 50 MB: display %.1f and %.1f times, the step after it %.1f and "
          "%.1f times",
          ten.display / one.display, fifty.display / ten.display, ten.stepAfter / one.stepAfter,
          fifty.stepAfter / ten.stepAfter);
}

void BenchRecording::displayNotesFivePresses()
{
    const QList<double> setOnce = runDisplayNotesChild("--notes-set-once");
    const QList<double> pressed = runDisplayNotesChild("--notes-five-presses");
    QCOMPARE(setOnce.size(), 3);
    QCOMPARE(pressed.size(), 3);
    qInfo("display notes five times with 1 MB of notes: peak memory %.0f MB against %.0f MB for "
          "the final text set once",
          pressed[0], setOnce[0]);
    checkRatio("display notes, peak memory against the final text set once",
               pressed[0] / setOnce[0], 1.5);
    checkRatio("display notes, the slowest press per megabyte it adds against the fastest",
               pressed[2] / pressed[1], 2.0);
}

void BenchRecording::recordAPastedTenMegabyteResponse()
{
    constexpr int rounds = 11;
    // Ten megabytes of prose, a paragraph every ten sentences, as pasted from a report.
    QString response;
    while (response.size() < 10'000'000) {
        for (int sentence = 0; sentence < 10; ++sentence)
            response += u"The ball rolled 50 cm in 1.2 s, so its mean speed was about 42 cm/s. "_s;
        response += u"\r\n"_s;
    }
    TemporaryHome home;
    FakeStudent student;
    const auto window = startRunIn(home, student);
    TemporaryHome floorHome;
    QVERIFY(QDir().mkpath(floorHome.defaultFolder()));
    const QString floorMaster = floorHome.defaultFolder() + u"/masterFile.txt"_s;
    const QString floorSend = floorHome.defaultFolder() + u"/send_1208.txt"_s;

    const auto recorded = [&] {
        setBoxText(textBox(*window, u"txt_answer"_s), response);
        return elapsedMs([&] { click(*window, u"cmd_enter_response"_s); });
    };
    // Encoding the response for each file as the files take it, and appending it to both, synced.
    const auto floor = [&] {
        return elapsedMs([&] {
            RecordComposer line({}, {SessionFile::Master, SessionFile::Send});
            line.addLine(response);
            const RecordPlace place {FileLayer::system(), floorHome.path() + u"/state"_s};
            if (appendRecords(place,
                              {{floorMaster, line.shares()[0].bytes},
                               {floorSend, line.shares()[1].bytes}})
                        .failure)
                qFatal("The floor's append failed");
        });
    };
    compare("a pasted 10 MB response recorded against encoding and appending it", rounds, recorded,
            floor, 1.5);
    QVERIFY(student.problems.isEmpty());
    QVERIFY(QFileInfo(home.defaultFolder() + u"/send_1208.txt"_s).size() > rounds * 10'000'000);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 2
        && (qstrcmp(argv[1], "--notes-set-once") == 0
            || qstrcmp(argv[1], "--notes-five-presses") == 0))
        return displayNotesChild(qstrcmp(argv[1], "--notes-set-once") == 0);
    BenchRecording bench;
    return QTest::qExec(&bench, argc, argv);
}
#include "bench_recording.moc"

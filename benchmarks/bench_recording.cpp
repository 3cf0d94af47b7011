// Each case times the program beside its baseline in the same run, round by round in turn, and
// compares the medians with the target ratio.

#include "tests/test_support.h"

#include "app/text_box.h"
#include "app/text_procedures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
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

} // namespace

class BenchRecording : public QObject
{
    Q_OBJECT
private slots:
    void stepWithTenMegabytesInTheBox();
    void displaySendFileOfOneMegabyte();
    void appendToATwoGigabyteMasterFile();
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

QTEST_MAIN(BenchRecording)
#include "bench_recording.moc"

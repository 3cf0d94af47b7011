// The built program under a real X server, used the way a student uses it: typing into the
// prompts, clicking the buttons where they stand in the window, and reading the files it leaves.

#include "expected_records.h"
#include "x_session.h"

#include "script/builtin_bank.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <map>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where the controls stand in the window, in pixels (the layout's twips over 15).
const std::map<QString, QRect> controls = {
        {u"cmdNextQuestion"_s, {16, 0, 65, 49}},
        {u"cmd_enter_response"_s, {376, 16, 57, 33}},
        {u"cmd_save_as_notes"_s, {432, 16, 57, 33}},
        {u"cmd_display_note_file"_s, {160, 16, 9, 33}},
        {u"cmd_displayCumulativeText"_s, {296, 16, 61, 33}},
        {u"cmd_clr_answer"_s, {592, 16, 49, 33}},
        {u"cmd_quit"_s, {680, 0, 49, 33}},
        {u"txt_answer"_s, {376, 48, 337, 217}},
};

QByteArray scriptLine(int slot)
{
    return builtInBankLines.at(slot - 4);
}

QByteArray withoutMarker(int slot)
{
    return scriptLine(slot).mid(2);
}

QByteArray confidence(const QByteArray &rating)
{
    return "confidence assessment:  " + rating;
}

// The file with its clock readings and code lines replaced by the values the expected records
// use, once each has been checked for its form; empty when a reading is off.
QByteArray withFixedReadings(const QByteArray &bytes, QString *problem)
{
    static const QRegularExpression time(u"^ {36}\\d\\d:\\d\\d:\\d\\d$"_s);
    static const QRegularExpression dateAndTime(
            u"^ {36}(\\d\\d-\\d\\d-\\d{4})\\d\\d:\\d\\d:\\d\\d$"_s);
    static const QRegularExpression date(u"^\\d\\d-\\d\\d-\\d{4}$"_s);
    const QString today = QDate::currentDate().toString(u"MM-dd-yyyy"_s);
    if (!bytes.endsWith("\r\n")) {
        *problem = u"the file does not end with CR LF"_s;
        return {};
    }
    QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray &line = lines[i];
        if (!line.endsWith('\r')) {
            *problem = u"line %1 does not end with CR LF"_s.arg(i + 1);
            return {};
        }
        line.chop(1);
        const QString text = QString::fromLatin1(line);
        if (i + 1 < lines.size() && lines[i + 1].startsWith("assignment #")) {
            const auto counts = std::count_if(line.begin(), line.end(),
                                              [](char c) { return uchar(c) >= 118; });
            const bool fillersOnly = std::all_of(line.begin(), line.end(), [](char c) {
                return uchar(c) >= 118 || (uchar(c) >= 66 && uchar(c) <= 116);
            });
            if (counts < 19 || counts > 28 || !fillersOnly) {
                *problem = u"line %1 is no code line"_s.arg(i + 1);
                return {};
            }
            line = "CODE";
        } else if (time.match(text).hasMatch()) {
            line = QByteArray(36, ' ') + testTime;
        } else if (const auto match = dateAndTime.match(text); match.hasMatch()) {
            if (match.captured(1) != today) {
                *problem = u"line %1 has not today's date"_s.arg(i + 1);
                return {};
            }
            line = QByteArray(36, ' ') + testDate + testTime;
        } else if (date.match(text).hasMatch()) {
            if (text != today) {
                *problem = u"line %1 has not today's date"_s.arg(i + 1);
                return {};
            }
            line = testDate;
        }
    }
    return lines.join("\r\n") + "\r\n";
}

// One run of the program on the X server, and the student in front of it.
class Run
{
public:
    Run(const XSession &x, const QString &home)
        : m_x(x), m_process(x.launch(QStringLiteral(Q_A_INTERFACE_PATH), home))
    { }
    ~Run()
    {
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished();
        }
    }

    // Types `text` into the prompt (or the message) that comes up next and presses `key`.
    bool answerPrompt(const QString &text, const QString &key = u"Return"_s)
    {
        const QString prompt = m_x.waitForWindow(*m_process, {m_window});
        if (prompt.isEmpty())
            return false;
        if (!text.isEmpty())
            m_x.type(text);
        m_x.key(key);
        return m_x.waitUntilGone(*m_process, prompt);
    }
    bool cancelPrompt() { return answerPrompt(QString(), u"Escape"_s); }

    bool waitForWindow()
    {
        m_window = m_x.waitForWindow(*m_process);
        return !m_window.isEmpty() && m_x.windowName(m_window) == u"Form1"_s;
    }

    void click(const QString &control) const
    {
        const QRect place = controls.at(control);
        m_x.click(m_window, place.center().x(), place.center().y());
    }

    // Replaces whatever the answer box holds with the lines typed, Enter between them.
    void typeResponse(const QStringList &lines) const
    {
        click(u"txt_answer"_s);
        m_x.key(u"ctrl+a"_s);
        m_x.key(u"Delete"_s);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                m_x.key(u"Return"_s);
            if (!lines[i].isEmpty())
                m_x.type(lines[i]);
        }
    }

    // Sets the program's limit on the size of the files it writes (RLIMIT_FSIZE).
    bool limitFileSize(rlim_t limit) const
    {
        const rlimit limits {limit, RLIM_INFINITY};
        return ::prlimit(pid_t(m_process->processId()), RLIMIT_FSIZE, &limits, nullptr) == 0;
    }

    // True when the program ends of itself, normally, within the time allowed.
    bool ends() const
    {
        m_process->waitForFinished(20000);
        return m_process->state() == QProcess::NotRunning
                && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    }

private:
    const XSession &m_x;
    std::unique_ptr<QProcess> m_process;
    QString m_window;
};

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeRunOfAssignment000();
    void runOf001WithResponsesNotesDisplaysAndQuit();
    void typedFolder();
    void assignmentWithoutStartLine();
    void fileSizeLimitReached();

private:
    void compareFile(const QString &path, const QByteArray &expected);
    // The master and SEND files against records(true) and records(false), the notes file.
    void compareSessionFiles(const QString &folder,
                             const std::function<QByteArray(bool master)> &records,
                             const QByteArray &notes);

    XSession m_x;
};

void TestEndToEnd::initTestCase()
{
    if (!m_x.start())
        QSKIP(qPrintable(
                u"No X server could be started (%1): the program was not run."_s.arg(m_x.why())));
}

void TestEndToEnd::compareFile(const QString &path, const QByteArray &expected)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QString problem;
    const QByteArray actual = withFixedReadings(file.readAll(), &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(path + u": "_s + problem));
    QCOMPARE(actual, expected);
}

void TestEndToEnd::compareSessionFiles(const QString &folder,
                                       const std::function<QByteArray(bool master)> &records,
                                       const QByteArray &notes)
{
    compareFile(folder + u"masterFile.txt"_s, records(true));
    compareFile(folder + u"send_"_s + QDate::currentDate().toString(u"MMdd"_s) + u".txt"_s,
                records(false));
    compareFile(folder + u"notes_.txt"_s, notes);
}

void TestEndToEnd::wholeRunOfAssignment000()
{
    QTemporaryDir home;
    Run run(m_x, home.path());
    QVERIFY(run.answerPrompt(u"Ada Lovelace"_s));
    QVERIFY(run.answerPrompt(QString()));
    QVERIFY(run.answerPrompt(u"000"_s));
    QVERIFY(run.waitForWindow());

    run.click(u"cmdNextQuestion"_s); // the introduction
    run.click(u"cmdNextQuestion"_s); // the lab exercises
    run.click(u"cmdNextQuestion"_s); // the first question
    run.typeResponse({u"Timer precision"_s, u"and human triggering"_s});
    run.click(u"cmd_enter_response"_s);
    QVERIFY(run.answerPrompt(u"2"_s));
    run.click(u"cmdNextQuestion"_s);
    run.click(u"cmd_enter_response"_s); // the box is empty after the last response
    QVERIFY(run.cancelPrompt());
    run.click(u"cmdNextQuestion"_s);
    run.typeResponse({u"check the timer's resolution"_s});
    run.click(u"cmd_save_as_notes"_s);
    run.click(u"cmdNextQuestion"_s); // onto the next assignment: the run ends
    QVERIFY(run.ends());

    const QString folder = home.path() + u"/qorvanit/"_s;
    const QByteArray note = noteBytes(withoutMarker(9), "check the timer's resolution");
    const auto records = [&](bool master) {
        return headerBytes("CODE", "000", "000.")
                + responseBytes(master, withoutMarker(7), "Timer precision\r\nand human triggering",
                                confidence("2"))
                + responseBytes(master, withoutMarker(8), "", confidence("")) + note;
    };
    compareSessionFiles(folder, records, note);
}

void TestEndToEnd::runOf001WithResponsesNotesDisplaysAndQuit()
{
    QTemporaryDir home;
    Run run(m_x, home.path());
    QVERIFY(run.answerPrompt(u"Ada Lovelace"_s));
    QVERIFY(run.answerPrompt(u"2"_s));
    QVERIFY(run.answerPrompt(u"1"_s));
    QVERIFY(run.waitForWindow());

    run.typeResponse({u"before the first step"_s});
    run.click(u"cmd_enter_response"_s); // no rating is asked before a question
    run.click(u"cmdNextQuestion"_s); // the introduction
    run.click(u"cmdNextQuestion"_s); // the pencil question
    run.click(u"cmd_enter_response"_s); // the answer prompt unchanged: nothing is written
    run.click(u"cmdNextQuestion"_s);
    run.typeResponse({u"the full-size ruler"_s, u""_s, u"fewer steps"_s});
    run.click(u"cmd_enter_response"_s);
    QVERIFY(run.answerPrompt(u"seven"_s));
    run.typeResponse({u"ask about distortion"_s});
    run.click(u"cmd_save_as_notes"_s);
    run.click(u"cmd_display_note_file"_s);
    run.click(u"cmd_displayCumulativeText"_s);
    run.click(u"cmd_clr_answer"_s);
    run.click(u"cmd_quit"_s);
    QVERIFY(run.ends());

    const QString folder = home.path() + u"/qorvanit/"_s;
    const QByteArray note = noteBytes(withoutMarker(13), "ask about distortion");
    const auto records = [&](bool master) {
        return headerBytes("CODE", "001", "001.")
                + responseBytes(master, "", "before the first step", std::nullopt, " 10000 ")
                + responseBytes(master, withoutMarker(13), "the full-size ruler\r\n\r\nfewer steps",
                                confidence("seven"), " 10000 ")
                + note;
    };
    compareSessionFiles(folder, records, note);
}

void TestEndToEnd::typedFolder()
{
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkdir(u"course"_s));
    Run run(m_x, home.path());
    QVERIFY(run.answerPrompt(u"Ada Lovelace"_s));
    QVERIFY(run.answerPrompt(u"1"_s));
    QVERIFY(run.answerPrompt(u"c:\\course"_s));
    QVERIFY(run.answerPrompt(u"000"_s));
    QVERIFY(run.waitForWindow());
    run.click(u"cmd_quit"_s);
    QVERIFY(run.ends());

    const QString folder = home.path() + u"/course/"_s;
    compareFile(folder + u"masterFile.txt"_s, headerBytes("CODE", "000", "000."));
    compareFile(folder + u"send_"_s + QDate::currentDate().toString(u"MMdd"_s) + u".txt"_s,
                headerBytes("CODE", "000", "000."));
    // The default folder is made all the same, and stays empty.
    QCOMPARE(QDir(home.path() + u"/qorvanit"_s).entryList(QDir::Files), QStringList());
}

void TestEndToEnd::assignmentWithoutStartLine()
{
    QTemporaryDir home;
    Run run(m_x, home.path());
    QVERIFY(run.answerPrompt(u"Ada Lovelace"_s));
    QVERIFY(run.answerPrompt(QString()));
    QVERIFY(run.answerPrompt(u"005"_s));
    QVERIFY(run.answerPrompt(QString())); // the message that the script has no such assignment
    QVERIFY(run.ends());
    QCOMPARE(QDir(home.path() + u"/qorvanit"_s).entryList(QDir::Files), QStringList());
}

void TestEndToEnd::fileSizeLimitReached()
{
    QTemporaryDir home;
    Run run(m_x, home.path());
    QVERIFY(run.answerPrompt(u"Ada Lovelace"_s));
    QVERIFY(run.answerPrompt(QString()));
    QVERIFY(run.answerPrompt(u"000"_s));
    QVERIFY(run.waitForWindow());
    const QString folder = home.path() + u"/qorvanit/"_s;
    const QString send = u"send_"_s + QDate::currentDate().toString(u"MMdd"_s) + u".txt"_s;
    const qint64 headerSize = QFileInfo(folder + u"masterFile.txt"_s).size();

    // Room for part of the response only: the write fails, and the program goes on.
    QVERIFY(run.limitFileSize(rlim_t(headerSize + 40)));
    run.typeResponse({u"Timer precision"_s});
    run.click(u"cmd_enter_response"_s);
    QVERIFY(run.answerPrompt(QString())); // the message that the file is too large
    compareFile(folder + u"masterFile.txt"_s, headerBytes("CODE", "000", "000."));
    compareFile(folder + send, headerBytes("CODE", "000", "000."));

    // The typed response was kept for another try.
    QVERIFY(run.limitFileSize(RLIM_INFINITY));
    run.click(u"cmd_enter_response"_s);
    run.click(u"cmd_quit"_s);
    QVERIFY(run.ends());
    for (const bool master : {true, false}) {
        compareFile(folder + (master ? u"masterFile.txt"_s : send),
                    headerBytes("CODE", "000", "000.")
                            + responseBytes(master, "", "Timer precision", std::nullopt));
    }
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"

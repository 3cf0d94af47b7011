#pragma once

#include "app/query_template.h"
#include "files/file_layer.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <random>

// A student at the keyboard, seen through the window's services: answers prompts from a list,
// a clock that stands still unless moved, a repeatable generator, and a record of every prompt,
// end and problem report.
struct FakeStudent
{
    QStringList answers; // to the prompts, in order; a prompt past the end is cancelled
    QStringList promptsShown;
    QDateTime clock = QDateTime(QDate(2026, 12, 8), QTime(10, 30, 15, 250));
    int secondsPerReading = 0; // the clock moves on by this much after every reading
    std::vector<double> randoms; // taken first, then the generator
    std::mt19937_64 generator {20261208};
    QString home; // the home folder the run maps its files onto; the process's HOME when empty
    double seed = -1;
    int ends = 0;
    int beeps = 0;
    QStringList problems;
    std::function<void(ScriptLines &)> script; // the built-in bank when empty
    FileLayer *files = &FileLayer::system(); // or a test's layer that fails or stops a call
    // Called when a prompt shows, before it is answered (for example to kill a run there).
    std::function<void(const QString &promptText)> onPrompt;

    Services services();
};

// A HOME of its own for each test, so the default folder and the files land in a fresh place.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();
    QString path() const { return m_dir.path(); }
    // The platform path of the default folder, `HOME`/qorvanit.
    QString defaultFolder() const { return m_dir.path() + QStringLiteral("/qorvanit"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
};

// Lets the run draw `countBytes` (19 to 28 bytes of codes 118 to 255) as its code number and code
// line, by the generator values it will take; returns the bytes.
QByteArray useCodeLine(FakeStudent &student, const QByteArray &countBytes);

// Gives the run `lines` as its script, from slot `start` on as far as the last slot, instead of the
// built-in bank.
void useScript(FakeStudent &student, const QStringList &lines, int start = 1);

// A window created and loaded the way the program starts it.
std::unique_ptr<query_template> startRun(FakeStudent &student);
// The same, then shown and active, ready for clicks, with what it announces on opening told.
std::unique_ptr<query_template> startShownRun(FakeStudent &student);

// The exit code of a process that QProcess::kill() ended or that ended itself with
// killThisProcess(): SIGKILL, or on Windows the code of Qt's TerminateProcess.
extern const int killedExitCode;
// Ends this process at once, as a kill from outside would, with no file closed or flushed.
[[noreturn]] void killThisProcess();

QByteArray readFile(const QString &path);
// Makes or replaces the file with `bytes`; a failure fails the calling test.
void writeFile(const QString &path, const QByteArray &bytes);

// A double uniform on [0, 1) from 53 random bits, as the program draws them.
double uniformDouble(std::mt19937_64 &generator);

// Rows (typed, assignmentNumber, nextAssignmentNumber) of the worked assignment-number table.
void addAssignmentNumberRows();

// The window's controls as the student uses them.
QPlainTextEdit *textBox(const query_template &window, const QString &name);
// The window must be shown.
void clickButton(const query_template &window, const QString &name);
// Types `text` into the box key by key, Return for each line break ("\n" or CR LF).
void typeText(QPlainTextEdit *box, const QString &text);

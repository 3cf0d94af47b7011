#pragma once

#include "files/file_paths.h"
#include "script/script_lines.h"

#include <QDateTime>
#include <QString>

#include <functional>

class FileLayer;

// What the window needs from outside: modal prompts, the clock, the random generator, ending the
// program, telling the student about a failure and the home folder. Tests supply their own.
struct Services
{
    // A modal prompt with `promptText`, an empty field, OK and Cancel; the typed text, or the
    // empty text when cancelled.
    std::function<QString(const QString &promptText)> prompt;
    std::function<QDateTime()> now;
    std::function<void(double secondsSinceMidnight)> seedRandom;
    // The next value of the run's one generator, uniform on [0, 1).
    std::function<double()> random;
    // Ends the program at once, without a question or a message.
    std::function<void()> endProgram;
    std::function<void(const QString &message)> reportProblem;
    // The system beep.
    std::function<void()> beep;
    // The folder that "~" stands for, and that a relative folder is taken from; the program's
    // files are mapped onto it once, at start-up.
    QString homeFolder;
    // Whether "c:" is drive C or stands for `homeFolder` too: the system's rule, or the tests'
    // own, which keep every file in their home folder.
    Drives drives = systemDrives;
    // The files, through the system's layer or a test's.
    FileLayer *files = nullptr;
    // Where the program keeps a journal that the output folder cannot take.
    QString stateFolder;
    // Fills the script instead of the built-in bank; empty for the real program.
    std::function<void(ScriptLines &)> loadScript;

    // The real program's: Qt dialogs, the system clock, one seeded generator, an immediate exit,
    // the user's home folder and state folder.
    static Services system();
};

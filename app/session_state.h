#pragma once

#include "script/script_lines.h"

#include <QString>

// The session state of one run, owned by the window. Texts start empty, numbers 0, flags false.
struct SessionState
{
    QString courseTitle;
    QString outputFolder;
    QString masterFilePath;
    QString sendFilePath;
    QString notesFilePath;
    QString assignmentNumber;
    QString nextAssignmentNumber;
    QString answerPrompt;
    int codeNumber = 0;
    ScriptLines scriptLines;
    int scriptLineIndex = 0;
    QString currentLine;
    QString shownText;
    bool blockPending = false;
    QString blockKind; // empty, "question" or "answer"
    QString currentQuestionNumber;
    QString responseText;
};

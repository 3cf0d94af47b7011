#include "app/query_template.h"

#include "app/announcer.h"
#include "app/question_box.h"
#include "app/text_box.h"
#include "file_reading.h"
#include "record_layout.h"
#include "text_codec.h"

#include <QDir>
#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

namespace {

QString readFailure(const QString &path, const QString &reason)
{
    return u"Could not read %1: %2. Nothing was added to the question box."_s.arg(
            QDir::toNativeSeparators(path), reason);
}

// What a screen reader is told when a display has added a file to the question box, with the
// lines the box gained.
QString addedFile(const QString &file, int lines)
{
    return u"The %1 was added to the question box: %2 %3."_s.arg(
            file, QString::number(lines), lines == 1 ? u"line"_s : u"lines"_s);
}

} // namespace

void query_template::cmd_save_as_notes_Click()
{
    const QString note = boxText(txt_answer);
    if (note != state.answerPrompt) {
        const QString noteLine = RecordLayout::notesMark + note;
        const RecordComposer record = composeNote(recordContext(), state.currentLine, noteLine);
        if (!recordAnswer(record, u"note"_s, noteLine))
            return;
    }
    m_questionBox->clear();
    setBoxText(txt_answer, QString());
}

void query_template::cmd_display_note_file_Click()
{
    const FileLines notes = readSessionFile(filePath(SessionFile::Notes));
    // With no note saved yet in this folder there is no notes file: it reads as empty.
    if (notes.failure && !notes.missing) {
        reportProblem(readFailure(notes.failedPath, *notes.failure));
        return;
    }
    state.responseText += notes.lines.join(QString());
    m_announcer->announce(
            addedFile(u"notes file"_s, m_questionBox->add(u"\r\n\r\n"_s + state.responseText)));
}

void query_template::cmd_displayCumulativeText_Click()
{
    const FileLines send = readSessionFile(filePath(SessionFile::Send));
    if (send.failure) {
        reportProblem(readFailure(send.failedPath, *send.failure));
        return;
    }
    if (send.lines.isEmpty())
        return;
    // Every line after a line break, the box updated once.
    m_announcer->announce(
            addedFile(u"SEND file"_s, m_questionBox->add(u"\r\n"_s + joinedLines(send.lines))));
}

FileLines query_template::readSessionFile(const QString &path)
{
    FileLines file = readFileLines(recordPlace(), filePath(SessionFile::Master), path);
    for (const QString &notice : file.notices)
        reportProblem(notice);
    return file;
}

void query_template::cmd_clr_answer_Click()
{
    setBoxText(txt_answer, QString());
}

void query_template::cmd_quit_Click()
{
    endProgram();
}

#pragma once

// The window `query_template` owns the controls, the session state of a run and every procedure
// that works on them. Its member functions, the window's procedures, are defined by subsystem,
// each subsystem's in its own folder; every file but this one's own is named *_procedures.cpp:
//   app/query_template.cpp                    the controls, Form_Load, ending the program
//   app/start_session_procedures.cpp          startSession: the prompts and fixed texts
//   app/question_stepping_procedures.cpp      cmdNextQuestion_Click, readNextQuestion
//   script/load_query_script_procedures.cpp   loadQueryScript
//   files/session_files_procedures.cpp        openSessionFiles: the start line and the header
//   files/response_entry_procedures.cpp       cmd_enter_response_Click, askSelfCritique
//   files/notes_and_display_procedures.cpp    notes, the two displays, "clear answer", "quit"
//   files/record_writing_procedures.cpp       appending a record and telling of a failure
//   pictures/picture_routines_procedures.cpp  runRoutine, "next picture", "copy picture"
//   pictures/graphs_procedures.cpp            printAt, graph1 to graph3
//   pictures/experiment_timer_procedures.cpp  "pend exp" and its timer
// The rest of app/ (the controls' widgets, Services, the session state) and pictures/picture_area
// (a picture area and its drawing) are the window's too.
// Plain logic, with no window and no widget, is the library q_a_interface_plain (CMakeLists.txt),
// which links Qt Core alone: files/record_layout (the records, line by line),
// files/record_composer (a record's bytes for each file), files/record_append (the appender),
// files/journal (its rollback journal), files/file_layer (the operating system's file calls,
// with a POSIX and a Win32 side), files/file_reading, files/file_paths (the names mapped onto the
// file system), files/text_codec (every conversion between the boxes and the files),
// files/number_text (numbers read from and written as text), files/clock_format,
// code/line_code, script/script_lines (the line grammar) and script/builtin_bank. The procedures
// include the plain modules they use; a plain module includes nothing of the window's. This header
// only names the plain types of its procedures, so that a change to a plain module's header
// rebuilds what uses it, not everything that includes the window.

#include "services.h"
#include "session_state.h"

#include <QWidget>

#include <array>
#include <memory>

class Announcer;
struct FileLines;
class PictureArea;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QuestionBox;
class RecordComposer;
struct RecordContext;
struct RecordPlace;
enum class SessionFile;

class query_template : public QWidget
{
    Q_OBJECT
public:
    explicit query_template(Services services, QWidget *parent = nullptr);
    ~query_template() override;

    // Shows the window, its picture areas and its announcements to a screen reader in their
    // roles. Called once, before the first window is made.
    static void installAccessibleRoles();

    // Start-up: the prompts, the session's fixed texts, the script and the session header.
    // Runs once, before the window is first shown.
    void Form_Load();

    const SessionState &session() const { return state; }
    // True once the run has ended: the window then handles nothing more.
    bool hasEnded() const { return m_ended; }

private:
    void createControls();
    void endProgram();
    void reportProblem(const QString &message);

    // Start-up and the script.
    void startSession();
    void loadQueryScript();

    // Question stepping.
    void cmdNextQuestion_Click();
    void readNextQuestion();

    // Session files, responses and notes.
    void openSessionFiles();
    void cmd_enter_response_Click();
    void cmd_save_as_notes_Click();
    void cmd_display_note_file_Click();
    void cmd_displayCumulativeText_Click();
    void cmd_clr_answer_Click();
    void cmd_quit_Click();
    // The self-critique line, with the rating the student gives.
    QString askSelfCritique();
    RecordContext recordContext() const;
    // The file on this file system, as start-up mapped it.
    QString filePath(SessionFile file) const;
    RecordPlace recordPlace() const;
    // Reads a session file for a display, telling the student what finishing an earlier run's
    // record found.
    FileLines readSessionFile(const QString &path);
    // Appends the record whole or not at all; on failure tells the student which file failed and
    // why, followed by `consequence`, and returns false. When a file could not be cut back,
    // `partialConsequence` follows instead, with the files for its %1.
    bool appendRecord(const RecordComposer &record, const QString &consequence,
                      const QString &partialConsequence);
    // Appends a response or note record (`kind`); once it is written, `recordedText` becomes
    // responseText. Nothing is pending afterwards either way; when the record is not written it
    // returns false, and the answer box and responseText are left as they were.
    bool recordAnswer(const RecordComposer &record, const QString &kind,
                      const QString &recordedText);

    // Pictures.
    void runRoutine(const QString &routine);
    void cmd_next_picture_Click();
    void cmd_copy_picture_Click();
    void printAt(float x, float y, const QString &text);
    // A graph's title at the top, which also tells a screen reader which graph the area shows.
    void printTitle(const QString &title);
    void graph1();
    void graph2();
    void graph3();
    void cmd_pend_exp_Click();
    void tmr_pend_exp_Timer();

    Services m_services;
    SessionState state;
    // The session's three files on this file system, indexed by SessionFile.
    std::array<QString, 3> m_filePaths;
    bool m_ended = false;
    // True while the answer box holds, unchanged, a text that could not be recorded: no step puts
    // the prompt over it.
    bool m_answerKept = false;

    QPushButton *cmdNextQuestion;
    QPushButton *cmd_enter_response;
    QPushButton *cmd_save_as_notes;
    QPushButton *cmd_display_note_file;
    QPushButton *cmd_displayCumulativeText;
    QPushButton *cmd_clr_answer;
    QPushButton *cmd_quit;
    QPlainTextEdit *txt_question;
    QPlainTextEdit *txt_answer;
    PictureArea *Picture1;
    PictureArea *Picture2;
    QLabel *lbl_only_if_prompted;
    QPushButton *cmd_next_picture;
    QPushButton *cmd_copy_picture;
    QPushButton *cmd_timerTrigger;
    QListWidget *List1;
    std::array<QLabel *, 4> lbl_parameter;
    std::array<QLineEdit *, 4> txt_parameter;
    QPushButton *cmd_pend_exp;
    QTimer *tmr_pend_exp;
    // Reads out to a screen reader what the question box gains while the focus is elsewhere.
    Announcer *m_announcer;
    // Every change the procedures make to txt_question goes through it.
    std::unique_ptr<QuestionBox> m_questionBox;
};

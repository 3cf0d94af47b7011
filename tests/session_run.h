#pragma once

#include "test_support.h"

#include <QByteArray>

class QPlainTextEdit;

// One run of an assignment in a HOME of its own, started the way the program starts, with a known
// code line; the controls as the student uses them. `header` is what start-up wrote to each file.
struct SessionRun
{
    static inline const QByteArray codeLine = QByteArray(19, '\xe4');
    // What the answer box shows when a step puts the prompt back.
    static inline const QString answerPrompt = QStringLiteral(
            "Enter, as appropriate, an answer to the question, a critique of your answer in "
            "response to a given answer, your insights regarding the situation at this point, "
            "notes to yourself, or just an OK.\r\n\r\nAlways critique your solutions by "
            "describing any insights you had or errors you makde, and by explaining how you can "
            "make use of the insight or how you now know how to avoid certain errors.  Also pose "
            "for the instructor any question or questions that you have related to the problem "
            "or series of problems.");

    struct Options
    {
        QString assignment = QStringLiteral("000");
        QStringList script {}; // from slot 1 on, instead of the built-in bank when not empty
        int scriptStart = 1; // the slot of the script's first line
        bool shown = true; // shown and ready for clicks, or only loaded
        // The answers to the start-up prompts; a name, the default folder and `assignment` when
        // empty.
        QStringList answers {};
        QByteArray codeLine = SessionRun::codeLine;
        QString home {}; // another run's or the process's home folder, instead of one of its own
        // Readies the student, or the home folder, before start-up.
        std::function<void(FakeStudent &)> prepare {};
    };

    explicit SessionRun(const Options &options);
    explicit SessionRun(const QString &assignment = QStringLiteral("000"),
                        const QStringList &script = {});

    QString homePath() const { return student.home; }
    QString folder() const { return homePath() + QStringLiteral("/qorvanit"); }
    QString master() const;
    QString send() const;
    QString notes() const;
    QPlainTextEdit *question() const;
    QPlainTextEdit *answer() const;
    QString questionText() const;
    QString answerText() const;
    const SessionState &session() const { return window->session(); }

    void click(const QString &button) const;
    void step() const;
    // Empties the answer box with "clear answer" and types `text`.
    void answerWith(const QString &text) const;

    TemporaryHome home;
    FakeStudent student;
    std::unique_ptr<query_template> window;
    QByteArray header;
};

#pragma once

#include "test_support.h"

#include <QByteArray>

class QPlainTextEdit;

// One run of an assignment in a HOME of its own, started the way the program starts, with a known
// code line; the controls as the student uses them. `header` is what start-up wrote to each file.
struct SessionRun
{
    struct Options
    {
        QString assignment = QStringLiteral("000");
        QStringList script; // from slot 1 on, instead of the built-in bank when not empty
        int scriptStart = 1; // the slot of the script's first line
        bool shown = true; // shown and ready for clicks, or only loaded
    };

    explicit SessionRun(const Options &options);
    explicit SessionRun(const QString &assignment = QStringLiteral("000"),
                        const QStringList &script = {});

    QString folder() const { return home.defaultFolder(); }
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

    static inline const QByteArray codeLine = QByteArray(19, '\xe4');

    TemporaryHome home;
    FakeStudent student;
    std::unique_ptr<query_template> window;
    QByteArray header;
};

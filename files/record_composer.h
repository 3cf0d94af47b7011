#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

#include <functional>

// The files of a session, in the order every record is written to them (and numbered so).
enum class SessionFile { Master, Send, Notes };

// What every record is made with: the clock, read anew for each time stamp, and the run's code
// number, handed to `code`.
struct RecordContext
{
    std::function<QDateTime()> now;
    int codeNumber = 0;
};

// Composes one record in memory for its files at once, line by line: each line goes to every file
// of the record, master file first, before the next line, so a time stamp or a coded line is made
// anew for each file in that order. A line is Windows-1252 text ended by CR LF, written as
// files/text_codec tells; a text holding line breaks of any kind makes several lines.
class RecordComposer
{
public:
    // One file's share of the record.
    struct Share
    {
        SessionFile file;
        QByteArray bytes;
    };

    RecordComposer(const RecordContext &context, std::initializer_list<SessionFile> files);

    void addLine(const QString &line);
    void addLineTo(SessionFile file, const QString &line);
    // The line through `code`, once for each file.
    void addCodedLine(const QString &line);
    // A line made from the clock, read again for each file.
    void addClockLine(const std::function<QString(const QDateTime &now)> &lineAt);

    const QList<Share> &shares() const { return m_shares; }

private:
    void addLineEach(const std::function<QString()> &makeLine);

    RecordContext m_context;
    QList<Share> m_shares;
};

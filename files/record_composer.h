#pragma once

#include "record_file.h"

#include <QDateTime>
#include <QStringList>

#include <functional>

// Composes one record in memory for several files at once, line by line: each line goes to every
// file in the order the files are given (the master file first) before the next line, so a time
// stamp or a coded line is made anew for each file in that order. A line is Windows-1252 text
// ended by CR LF; a text holding line breaks is taken as it stands and so makes several lines.
class RecordComposer
{
public:
    RecordComposer(const QStringList &paths, std::function<QDateTime()> now, int codeNumber);

    void addLine(const QString &line);
    // A line for one file only, by its place in the list.
    void addLineTo(qsizetype file, const QString &line);
    // The line through `code`, once for each file.
    void addCodedLine(const QString &line);
    // A line made from the clock, read again for each file.
    void addClockLine(const std::function<QString(const QDateTime &now)> &lineAt);

    const QList<FileRecord> &records() const { return m_records; }

private:
    void addLineEach(const std::function<QString()> &makeLine);

    QList<FileRecord> m_records;
    std::function<QDateTime()> m_now;
    int m_codeNumber;
};

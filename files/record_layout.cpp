#include "record_layout.h"

#include "app/text_procedures.h"
#include "clock_format.h"
#include "record_composer.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype masterFile = 0;

const QString separatorLine = u"......!!!!!!!!..................................."_s;
const QString stampIndent = QString(36, u' ');

QString timeStamp(const QDateTime &now)
{
    return stampIndent + formatTime(now.time());
}

QString dateAndTimeStamp(const QDateTime &now)
{
    return stampIndent + formatDate(now.date()) + formatTime(now.time());
}

void composeOpening(RecordComposer &record)
{
    record.addLine(separatorLine);
    record.addClockLine(timeStamp);
}

void composeScriptLine(RecordComposer &record, const QString &currentLine)
{
    record.addCodedLine(currentLine);
    record.addLine(separatorLine);
}

} // namespace

void composeHeader(RecordComposer &record, const QString &codeLine, const QString &assignmentNumber,
                   const QString &startLine, const QString &courseTitle)
{
    record.addLine(codeLine);
    record.addCodedLine(u"assignment #"_s + assignmentNumber);
    record.addCodedLine(startLine);
    record.addLine(courseTitle);
    record.addClockLine([](const QDateTime &now) { return formatDate(now.date()); });
}

void composeResponse(RecordComposer &record, double questionNumber, const QString &currentLine,
                     const QString &response)
{
    composeOpening(record);
    record.addLineTo(masterFile, QString());
    record.addLineTo(masterFile, QString());
    record.addLineTo(masterFile, u"`questionNumber"_s + numberLayout(questionNumber));
    composeScriptLine(record, currentLine);
    record.addLine(u"RESPONSE -->  "_s);
    record.addCodedLine(response);
}

void composeNote(RecordComposer &record, const QString &currentLine, const QString &noteLine)
{
    composeOpening(record);
    record.addClockLine(dateAndTimeStamp);
    composeScriptLine(record, currentLine);
    record.addCodedLine(noteLine);
    composeRecordClosing(record);
}

void composeRecordClosing(RecordComposer &record)
{
    record.addLine(QString(49, u'.'));
}

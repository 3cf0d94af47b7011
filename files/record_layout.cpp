#include "record_layout.h"

#include "clock_format.h"
#include "number_text.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace RecordLayout;

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

RecordComposer composeHeader(const RecordContext &context, const QString &codeLine,
                             const QString &assignmentNumber, const QString &startLine,
                             const QString &courseTitle)
{
    RecordComposer record(context, {SessionFile::Master, SessionFile::Send});
    record.addLine(codeLine);
    record.addCodedLine(assignmentMark + assignmentNumber);
    record.addCodedLine(startLine);
    record.addLine(courseTitle);
    record.addClockLine([](const QDateTime &now) { return formatDate(now.date()); });
    return record;
}

RecordComposer composeResponse(const RecordContext &context, double questionNumber,
                               const QString &currentLine, const QString &response,
                               const std::function<QString()> &ratingLine)
{
    RecordComposer record(context, {SessionFile::Master, SessionFile::Send});
    composeOpening(record);
    record.addLineTo(SessionFile::Master, QString());
    record.addLineTo(SessionFile::Master, QString());
    record.addLineTo(SessionFile::Master, questionNumberMark + numberLayout(questionNumber));
    composeScriptLine(record, currentLine);
    record.addLine(responseMark);
    record.addCodedLine(response);
    if (const QString rating = ratingLine(); !rating.isNull())
        record.addLine(rating);
    record.addLine(closingLine);
    return record;
}

RecordComposer composeNote(const RecordContext &context, const QString &currentLine,
                           const QString &noteLine)
{
    RecordComposer record(context, {SessionFile::Master, SessionFile::Send, SessionFile::Notes});
    composeOpening(record);
    record.addClockLine(dateAndTimeStamp);
    composeScriptLine(record, currentLine);
    record.addCodedLine(noteLine);
    record.addLine(closingLine);
    return record;
}

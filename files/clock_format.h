#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The fixed forms of dates and times in the files and file names, whatever the user's locale.
QString formatDate(QDate date); // mm-dd-yyyy
QString formatTime(QTime time); // hh:mm:ss, 24-hour clock

// The same forms read back, exactly as written; an invalid date or time otherwise. The Latin-1
// forms read a file's bytes, in which the forms are ASCII whatever the file's character set.
QDate parseDate(QStringView text);
QDate parseDate(QLatin1StringView text);
QTime parseTime(QStringView text);
QTime parseTime(QLatin1StringView text);

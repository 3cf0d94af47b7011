#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The fixed forms of dates and times in the files and file names, whatever the user's locale.
QString formatDate(QDate date); // mm-dd-yyyy
QString formatTime(QTime time); // hh:mm:ss, 24-hour clock

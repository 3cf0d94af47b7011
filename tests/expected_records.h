#pragma once

#include <QByteArray>

#include <initializer_list>
#include <optional>

// The bytes the session files should hold, spelled out line by line from the files' layout, apart
// from the program's own composition. Times and dates are as the files write them.

inline const QByteArray testDate = "12-08-2026"; // FakeStudent's clock
inline const QByteArray testTime = "10:30:15";

// Each line followed by CR LF.
QByteArray crlfLines(std::initializer_list<QByteArray> lines);

QByteArray headerBytes(const QByteArray &codeLine, const QByteArray &assignmentNumber,
                       const QByteArray &startLine, const QByteArray &date = testDate);

// A response record as the master file (with the question number) or the SEND file holds it.
// `response` stands as typed, CR LF between its lines; `ratingLine` is absent when none is asked.
QByteArray responseBytes(bool master, const QByteArray &scriptLine, const QByteArray &response,
                         const std::optional<QByteArray> &ratingLine,
                         const QByteArray &questionNumber = " 0 ",
                         const QByteArray &time = testTime);

// A note record as all three files hold it; `note` stands as typed.
QByteArray noteBytes(const QByteArray &scriptLine, const QByteArray &note,
                     const QByteArray &time = testTime,
                     const QByteArray &dateAndTime = testDate + testTime);

// Response `index` of the test writer of large records: its number, then lines of x to `size`
// bytes, CR LF between its lines.
QByteArray largeResponse(int index, int size);

#include "file_reading.h"

#include "text_codec.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Larger than any session file, and than a text box can sensibly hold.
constexpr qint64 largestShown = 256 << 20;

void readWhole(FileLayer &files, const QString &path, FileLines &result)
{
    const FileLayer::Opened opened = files.openForReading(path, FileLayer::Links::Follow);
    if (opened.handle == FileLayer::noHandle) {
        result.missing = opened.missing;
        result.failure = opened.failure;
        return;
    }
    const FileHandle file(files, opened.handle);
    const FileLayer::Status status = files.status(file.get());
    QByteArray bytes;
    if (status.failure)
        result.failure = status.failure;
    else if (status.size > largestShown)
        result.failure = u"It is larger than 256 MB, too large to show"_s;
    else
        result.failure = files.read(file.get(), 0, status.size, bytes);
    if (!result.failure)
        result.lines = fromFileLines(bytes);
}

} // namespace

FileLines readFileLines(const RecordPlace &place, const QString &masterPath, const QString &path)
{
    FileLines result;
    const AppendOutcome finished = finishUnfinishedRecord(
            place, masterPath, [&] { readWhole(place.files, path, result); });
    result.notices = finished.notices;
    if (finished.failure) {
        result.failure = finished.failure->reason;
        result.failedPath = finished.failure->path;
    } else if (result.failure) {
        result.failedPath = path;
    }
    return result;
}

// Feeds arbitrary bytes to the reader's parser of received record files.

#include "fuzz_check.h"
#include "received_records.h"

#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const ParsedFile parsed = parseRecordFile(bytes, u"send_1208.txt"_s);
    const qsizetype lines = bytes.count('\n') + bytes.count('\r') + 1;
    for (const ReceivedSession &session : parsed.sessions) {
        check(session.line >= 0 && session.line <= lines);
        for (const ReceivedRecord &record : session.records) {
            check(record.line > session.line && record.line <= lines);
            check(!record.text.contains(u'\r') && !record.rating.contains(u'\r'));
        }
    }
    for (const ReadProblem &problem : parsed.problems)
        check(problem.line >= 1 && problem.line <= lines);

    // LF for CR LF reads the same, where no CR stands alone.
    const QByteArray crlf = bytes.toByteArray();
    const QByteArray lf = QByteArray(crlf).replace("\r\n", "\n");
    if (lf.count('\r') == 0) {
        const ParsedFile fromLf = parseRecordFile(lf, u"send_1208.txt"_s);
        check(fromLf.sessions == parsed.sessions && fromLf.problems == parsed.problems);
    }
    return 0;
}

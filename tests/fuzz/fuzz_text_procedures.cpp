// Feeds arbitrary bytes to the text procedures and checks what must hold for every input.

#include "code/line_code.h"
#include "files/number_text.h"
#include "files/text_codec.h"
#include "fuzz_check.h"

#include <cmath>
#include <cstdint>

using namespace Qt::Literals::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));

    // Every byte comes back as it went in.
    const QString decoded = fromCp1252(bytes);
    check(decoded.size() == bytes.size());
    check(toCp1252(decoded) == bytes);

    // The same bytes read as UTF-16 text, as typed into a box.
    const QString text
            = QString::fromUtf16(reinterpret_cast<const char16_t *>(data), qsizetype(size / 2));
    check(toCp1252(text).size() <= text.size());

    const QString expanded = expandBreaks(text);
    check(expanded.size() == text.size());
    check(!expanded.contains(u"{}"_s));
    check(expanded.count(u'\r') == text.count(u'\r') + text.count(u"{}"_s));

    const double value = numericValue(text);
    check(!std::isnan(value));
    if (!std::isinf(value))
        check(numericValue(shortestDecimal(value)) == value);
    const QString padded = padAssignmentNumber(text);
    check(padded.endsWith(text) && padded.size() - text.size() <= 2);

    const QString cleaned = remSpaces(text);
    check(!cleaned.contains(u' ') && !cleaned.contains(u'-'));
    check(cleaned.size() == text.size() - text.count(u' ') - text.count(u'-'));
    return 0;
}

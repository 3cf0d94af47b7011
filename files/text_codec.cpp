#include "text_codec.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

// The combining long solidus: the stroke through a sign that negates it (≠ is "=" with it).
constexpr char32_t strokeThrough = 0x0338;

// The customary plain-text spellings, sorted by character. A character with a Unicode
// decomposition needs a row only where its decomposition does not spell it: see spelledOrNone().
constexpr Spelling spellings[] = {
        {0x0127, u"hbar"}, // ħ, and ℏ, which decomposes into it
        {0x0338, u"!"}, // put before the sign it strikes through
        {0x0391, u"Alpha"},  {0x0392, u"Beta"},     {0x0393, u"Gamma"},
        {0x0394, u"Delta"},  {0x0395, u"Epsilon"},  {0x0396, u"Zeta"},
        {0x0397, u"Eta"},    {0x0398, u"Theta"},    {0x0399, u"Iota"},
        {0x039A, u"Kappa"},  {0x039B, u"Lambda"},   {0x039C, u"Mu"},
        {0x039D, u"Nu"},     {0x039E, u"Xi"},       {0x039F, u"Omicron"},
        {0x03A0, u"Pi"},     {0x03A1, u"Rho"},      {0x03A3, u"Sigma"},
        {0x03A4, u"Tau"},    {0x03A5, u"Upsilon"},  {0x03A6, u"Phi"},
        {0x03A7, u"Chi"},    {0x03A8, u"Psi"},      {0x03A9, u"Omega"},
        {0x03B1, u"alpha"},  {0x03B2, u"beta"},     {0x03B3, u"gamma"},
        {0x03B4, u"delta"},  {0x03B5, u"epsilon"},  {0x03B6, u"zeta"},
        {0x03B7, u"eta"},    {0x03B8, u"theta"},    {0x03B9, u"iota"},
        {0x03BA, u"kappa"},  {0x03BB, u"lambda"},   {0x03BC, u"\u00B5"}, // the set's own micro sign
        {0x03BD, u"nu"},     {0x03BE, u"xi"},       {0x03BF, u"omicron"},
        {0x03C0, u"pi"},     {0x03C1, u"rho"},      {0x03C2, u"sigma"},
        {0x03C3, u"sigma"},  {0x03C4, u"tau"},      {0x03C5, u"upsilon"},
        {0x03C6, u"phi"},    {0x03C7, u"chi"},      {0x03C8, u"psi"},
        {0x03C9, u"omega"},  {0x2010, u"-"},        {0x2012, u"-"},
        {0x2015, u"\u2014"}, {0x2016, u"||"},       {0x2032, u"'"},
        {0x2044, u"/"},      {0x2190, u"<-"},       {0x2192, u"->"},
        {0x2194, u"<->"},    {0x21D0, u"<="},       {0x21D2, u"=>"},
        {0x21D4, u"<=>"},    {0x2202, u"d"},        {0x2206, u"Delta"},
        {0x2207, u"nabla"},  {0x2211, u"sum"},      {0x2212, u"-"},
        {0x2213, u"-+"},     {0x2215, u"/"},        {0x2217, u"*"},
        {0x2219, u"\u00B7"}, {0x221A, u"sqrt"},     {0x221B, u"cbrt"},
        {0x221D, u"~"},      {0x221E, u"infinity"}, {0x2220, u"angle"},
        {0x2225, u"||"},     {0x222B, u"integral"}, {0x2234, u"therefore"},
        {0x223C, u"~"},      {0x2243, u"~="},       {0x2245, u"~="},
        {0x2248, u"~="},     {0x2261, u"=="},       {0x2264, u"<="},
        {0x2265, u">="},     {0x226A, u"<<"},       {0x226B, u">>"},
        {0x22A5, u"perp"},   {0x22C5, u"\u00B7"},   {0x22EF, u"\u2026"},
        {0x27E8, u"<"},      {0x27E9, u">"},
};
static_assert(std::ranges::is_sorted(spellings, {}, &Spelling::character));

// The characters of bytes 0x80 to 0x9F, by byte: the one range where the set is not Latin-1. The
// five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep Latin-1's control characters.
constexpr std::array<char16_t, 32> charactersOfBytes80To9F = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Where the ASCII from `i` ends: the most of any text, so taken eight bytes at a time.
qsizetype endOfAscii(QByteArrayView bytes, qsizetype i)
{
    for (quint64 eight; i + qsizetype(sizeof eight) <= bytes.size(); i += sizeof eight) {
        std::memcpy(&eight, bytes.data() + i, sizeof eight);
        if (eight & 0x8080808080808080)
            break;
    }
    while (i < bytes.size() && uchar(bytes[i]) < 0x80)
        ++i;
    return i;
}

// The characters whose code is their byte: all but the set's 32 of 0x80 to 0x9F.
constexpr bool isOwnByte(char32_t c)
{
    return c < 0x80 || (c >= 0xA0 && c <= 0xFF);
}

bool isLineBreak(char32_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x85 || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator;
}

// Whether a combining mark stands at `position`. Every mark lies at U+0300 or above; the check
// below that spares the character-property lookup, most of the work on plain text.
bool isMarkAt(QStringView text, qsizetype position)
{
    return position < text.size() && text[position].unicode() >= 0x300 && text[position].isMark();
}

std::optional<QString> spelledOrNone(char32_t c);

// A sign struck through, as the table's negation before the sign's own spelling.
std::optional<QString> negatedOrNone(char32_t sign)
{
    const std::optional<QString> negation = spelledOrNone(strokeThrough);
    const std::optional<QString> spelledSign = spelledOrNone(sign);
    if (!negation || !spelledSign)
        return std::nullopt;
    return *negation + *spelledSign;
}

// A character as the set can write it, or nothing when it has no spelling: from the table, else
// from its decomposition, each part of which must be written in turn. A sign struck through is
// negated; a superscript or subscript is marked "^" or "_" ("^4", "_0"); an accented letter is
// its base letter (after composing, the accent has no place in the set); any other compatibility
// form (a ligature, a full-width or mathematical letter, a fraction) is written as what it
// decomposes into.
std::optional<QString> spelledOrNone(char32_t c)
{
    if (cp1252Byte(c))
        return QString(QChar(c));
    const auto row = std::ranges::lower_bound(spellings, c, {}, &Spelling::character);
    if (row != std::end(spellings) && row->character == c)
        return QString::fromUtf16(row->spelling.data(), row->spelling.size());
    const QList<uint> parts = QChar::decomposition(c).toUcs4();
    if (parts.isEmpty())
        return std::nullopt;
    QString spelled;
    qsizetype partCount = parts.size();
    switch (QChar::decompositionTag(c)) {
    case QChar::Super:
        spelled = u"^"_s;
        break;
    case QChar::Sub:
        spelled = u"_"_s;
        break;
    case QChar::Canonical:
        if (parts.size() == 2 && parts[1] == strokeThrough)
            return negatedOrNone(parts[0]);
        // Only a letter's accent may be left out; the parts of anything else carry meaning.
        if (parts.size() > 1 && !QChar::isLetter(parts[0]))
            return std::nullopt;
        partCount = 1;
        break;
    default:
        break;
    }
    for (qsizetype i = 0; i < partCount; ++i) {
        const std::optional<QString> part = spelledOrNone(parts[i]);
        if (!part)
            return std::nullopt;
        spelled += *part;
    }
    return spelled;
}

QString plainSpelling(char32_t c)
{
    return spelledOrNone(c).value_or(u"?"_s);
}

} // namespace

QString fromBoxText(QString rawText)
{
    // Each separator becomes CR LF in place, from the end backwards, in the text grown once.
    qsizetype from = rawText.size();
    rawText.resize(from + rawText.count(QChar::ParagraphSeparator));
    QChar *data = rawText.data();
    for (qsizetype to = rawText.size(); from > 0;) {
        const QChar c = data[--from];
        if (c == QChar::ParagraphSeparator) {
            data[--to] = u'\n';
            data[--to] = u'\r';
        } else {
            data[--to] = c;
        }
    }
    return rawText;
}

QString expandBreaks(const QString &text)
{
    return QString(text).replace(u"{}"_s, u"\r\n"_s);
}

QList<QByteArrayView> fileLineViews(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        lines.append(bytes.sliced(start, end - start));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

QStringList fromFileLines(QByteArrayView bytes)
{
    QStringList lines;
    for (QByteArrayView line : fileLineViews(bytes))
        lines.append(fromCp1252(line));
    return lines;
}

QString joinedLines(const QStringList &lines)
{
    return lines.join(u"\r\n"_s);
}

std::optional<char> cp1252Byte(char32_t c)
{
    if (isOwnByte(c))
        return char(c);
    const auto found = std::find(charactersOfBytes80To9F.begin(), charactersOfBytes80To9F.end(), c);
    if (found == charactersOfBytes80To9F.end())
        return std::nullopt;
    return char(0x80 + (found - charactersOfBytes80To9F.begin()));
}

QString fromCp1252(QByteArrayView bytes)
{
    // Latin-1's conversion, which Qt vectorizes, then the bytes 0x80 to 0x9F, where the sets
    // differ.
    QString text = QString::fromLatin1(bytes);
    QChar *out = text.data();
    for (qsizetype i = endOfAscii(bytes, 0); i < bytes.size(); i = endOfAscii(bytes, i + 1)) {
        const auto b = uchar(bytes[i]);
        if (b < 0xA0)
            out[i] = QChar(charactersOfBytes80To9F[b - 0x80]);
    }
    return text;
}

char *cp1252ToUtf8(QByteArrayView bytes, char *utf8)
{
    // The ASCII, most of any text, copied as it stands.
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype ascii = endOfAscii(bytes, i);
        std::memcpy(utf8, bytes.data() + i, ascii - i);
        utf8 += ascii - i;
        if (ascii == bytes.size())
            break;
        const auto b = uchar(bytes[ascii]);
        const char16_t c = b < 0xA0 ? charactersOfBytes80To9F[b - 0x80] : b;
        if (c < 0x800) {
            *utf8++ = char(0xC0 | c >> 6);
        } else {
            *utf8++ = char(0xE0 | c >> 12);
            *utf8++ = char(0x80 | (c >> 6 & 0x3F));
        }
        *utf8++ = char(0x80 | (c & 0x3F));
        i = ascii + 1;
    }
    return utf8;
}

QByteArray toCp1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isOwnByte(c.unicode())) {
            *out++ = char(c.unicode());
            continue;
        }
        // A character beyond the 16-bit range takes two code units but is one character.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        *out++ = c.isSurrogate() ? '?' : cp1252Byte(c.unicode()).value_or('?');
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

QByteArray toFileLines(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() + 2);
    for (qsizetype position = 0; position < text.size();) {
        const qsizetype runEnd = endOfPlainRun(text, position);
        bytes += toCp1252(text.sliced(position, runEnd - position));
        if (runEnd == text.size())
            break;
        const WrittenPiece piece = writtenPieceAt(text, runEnd);
        bytes += toCp1252(piece.written);
        position = runEnd + piece.length;
    }
    bytes += "\r\n";
    return bytes;
}

qsizetype endOfPlainRun(QStringView text, qsizetype position)
{
    for (; position < text.size(); ++position) {
        const char16_t c = text[position].unicode();
        if (isLineBreak(c) || !cp1252Byte(c) || isMarkAt(text, position + 1))
            break;
    }
    return position;
}

WrittenPiece writtenPieceAt(QStringView text, qsizetype position)
{
    const QChar first = text[position];
    if (isLineBreak(first.unicode())) {
        const bool crLf
                = first == u'\r' && position + 1 < text.size() && text[position + 1] == u'\n';
        return {WrittenPiece::LineBreak, crLf ? 2 : 1, u"\r\n"_s};
    }
    qsizetype end = position + 1;
    if (first.isHighSurrogate() && end < text.size() && text[end].isLowSurrogate())
        ++end;
    while (isMarkAt(text, end))
        ++end;

    // Composed a piece at a time, a character with its marks, so that the work on a long text
    // stays in step with its length.
    const QList<uint> composed = text.sliced(position, end - position)
                                         .toString()
                                         .normalized(QString::NormalizationForm_C)
                                         .toUcs4();
    QString written;
    bool spelled = false;
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const char32_t c = composed[i];
        spelled |= !cp1252Byte(c);
        // A stroke typed after a sign that has no struck-through character of its own.
        if (i + 1 < composed.size() && composed[i + 1] == strokeThrough) {
            written += negatedOrNone(c).value_or(u"?"_s);
            spelled = true;
            ++i;
            continue;
        }
        written += plainSpelling(c);
    }
    // A fraction spelled in digits after a digit stands apart from it: 2⅓ is "2 1/3", not "21/3".
    if (position > 0 && text[position - 1].isDigit()
        && QChar::decompositionTag(composed.constFirst()) == QChar::Fraction
        && !cp1252Byte(composed.constFirst()))
        written.prepend(u' ');
    return {spelled ? WrittenPiece::Spelled : WrittenPiece::Composed, end - position, written};
}

std::span<const Spelling> spellingTable()
{
    return spellings;
}

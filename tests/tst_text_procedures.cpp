#include "code/line_code.h"
#include "files/clock_format.h"
#include "files/file_paths.h"
#include "files/number_text.h"
#include "files/record_composer.h"
#include "files/text_codec.h"
#include "test_support.h"

#include <QStringDecoder>
#include <QTest>

#include <limits>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray everyByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes;
}

// The bytes as cp1252ToUtf8 writes them.
QByteArray utf8Of(QByteArrayView bytes)
{
    QByteArray utf8(3 * bytes.size(), Qt::Uninitialized);
    utf8.truncate(cp1252ToUtf8(bytes, utf8.data()) - utf8.constData());
    return utf8;
}

} // namespace

class TestTextProcedures : public QObject
{
    Q_OBJECT
private slots:
    void numericValueOfText_data();
    void numericValueOfText();
    void assignmentNumbers_data();
    void assignmentNumbers();
    void numberLayoutOfQuestionNumber_data();
    void numberLayoutOfQuestionNumber();
    void expandBreaksTurnsMarksIntoLineBreaks_data();
    void expandBreaksTurnsMarksIntoLineBreaks();
    void remSpacesDropsBlanksAndHyphens_data();
    void remSpacesDropsBlanksAndHyphens();
    void codeReturnsTheLineByteForByte();
    void codeLineCarriesTheCodeNumber_data();
    void codeLineCarriesTheCodeNumber();
    void codeLineDrawsInOrderAndRoundsHalfToEven();
    void codeLineAddsAFillerInAboutOnePassInTen();
    void everyByteRoundTrips();
    void byteAfterAscii_data();
    void byteAfterAscii();
    void everyByteReadsAsQtReadsIt();
    void charactersOutsideTheSetBecomeQuestionMarks_data();
    void charactersOutsideTheSetBecomeQuestionMarks();
    void textIsWrittenAsTheSetCanHoldIt_data();
    void textIsWrittenAsTheSetCanHoldIt();
    void windowsPathsMapOntoThePlatform_data();
    void windowsPathsMapOntoThePlatform();
    void datesAndTimesHaveFixedForms_data();
    void datesAndTimesHaveFixedForms();
};

void TestTextProcedures::numericValueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << u""_s << 0.0;
    QTest::newRow("digits") << u"042"_s << 42.0;
    QTest::newRow("blanks-inside") << u" 1 2 3 "_s << 123.0;
    QTest::newRow("minus") << u"-5"_s << -5.0;
    QTest::newRow("minus-then-blank") << u"- 5"_s << -5.0;
    QTest::newRow("plus") << u"+7"_s << 7.0;
    QTest::newRow("two-signs") << u"+-7"_s << 0.0;
    QTest::newRow("fraction") << u"2.5"_s << 2.5;
    QTest::newRow("leading-point") << u".5"_s << 0.5;
    QTest::newRow("second-point-stops") << u"1.2.3"_s << 1.2;
    QTest::newRow("text-after") << u"12abc"_s << 12.0;
    QTest::newRow("sign-after-digits-stops") << u"3-4"_s << 3.0;
    QTest::newRow("no-number") << u"abc"_s << 0.0;
    QTest::newRow("padded-letter") << u"00x"_s << 0.0;
    QTest::newRow("point-alone") << u"."_s << 0.0;
    QTest::newRow("sign-alone") << u"-"_s << 0.0;
    QTest::newRow("tab-is-not-a-blank") << u"\t5"_s << 0.0;
    QTest::newRow("too-large-for-a-double")
            << QString(400, u'9') << std::numeric_limits<double>::infinity();
    QTest::newRow("too-large-negative")
            << u"-"_s + QString(400, u'9') << -std::numeric_limits<double>::infinity();
    QTest::newRow("too-small-for-a-double") << u"0."_s + QString(400, u'0') + u"1"_s << 0.0;
}

void TestTextProcedures::numericValueOfText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(numericValue(text), value);
}

void TestTextProcedures::assignmentNumbers_data()
{
    addAssignmentNumberRows();
    QTest::newRow("blank") << u" "_s << u"00 "_s << u"001"_s;
    QTest::newRow("one-wide-character") << u"\U0001F600"_s << u"00\U0001F600"_s << u"001"_s;
}

void TestTextProcedures::assignmentNumbers()
{
    QFETCH(QString, typed);
    QFETCH(QString, assignmentNumber);
    QFETCH(QString, nextAssignmentNumber);
    const QString padded = padAssignmentNumber(typed);
    QCOMPARE(padded, assignmentNumber);
    QCOMPARE(padAssignmentNumber(shortestDecimal(numericValue(padded) + 1)), nextAssignmentNumber);
}

void TestTextProcedures::numberLayoutOfQuestionNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("layout");
    QTest::newRow("zero") << 0.0 << u" 0 "_s;
    QTest::newRow("assignment-001") << 10000.0 << u" 10000 "_s;
    QTest::newRow("four-digit-assignment") << 12340000.0 << u" 12340000 "_s;
    QTest::newRow("fraction") << 25000.5 << u" 25000.5 "_s;
    QTest::newRow("negative") << -50000.0 << u"-50000 "_s;
    QTest::newRow("negative-zero") << -0.0 << u" 0 "_s;
    QTest::newRow("million-without-exponent") << 1e6 << u" 1000000 "_s;
    QTest::newRow("small-fraction") << 1e-7 << u" 0.0000001 "_s;
}

void TestTextProcedures::numberLayoutOfQuestionNumber()
{
    QFETCH(double, value);
    QFETCH(QString, layout);
    QCOMPARE(numberLayout(value), layout);
}

void TestTextProcedures::expandBreaksTurnsMarksIntoLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("no-mark") << u"plain text"_s << u"plain text"_s;
    QTest::newRow("one-mark") << u"a{}b"_s << u"a\r\nb"_s;
    QTest::newRow("paragraph") << u"a{}{}b"_s << u"a\r\n\r\nb"_s;
    QTest::newRow("brace-before-pair") << u"{{}"_s << u"{\r\n"_s;
    QTest::newRow("brace-after-pair") << u"{}}"_s << u"\r\n}"_s;
    QTest::newRow("reversed") << u"}{"_s << u"}{"_s;
    QTest::newRow("blank-between") << u"{ }"_s << u"{ }"_s;
}

void TestTextProcedures::expandBreaksTurnsMarksIntoLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, expanded);
    QCOMPARE(expandBreaks(text), expanded);
}

void TestTextProcedures::remSpacesDropsBlanksAndHyphens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("blank") << u"graph 1"_s << u"graph1"_s;
    QTest::newRow("hyphen") << u"graph-1"_s << u"graph1"_s;
    QTest::newRow("trailing-blanks") << u"graph1   "_s << u"graph1"_s;
    QTest::newRow("unchanged") << u"graph1"_s << u"graph1"_s;
    QTest::newRow("capitals-kept") << u"Graph 2"_s << u"Graph2"_s;
    QTest::newRow("only-blanks-and-hyphens") << u" - -- "_s << u""_s;
    QTest::newRow("tab-kept") << u"graph\t1"_s << u"graph\t1"_s;
    QTest::newRow("en-dash-kept") << u"graph\u20131"_s << u"graph\u20131"_s;
}

void TestTextProcedures::remSpacesDropsBlanksAndHyphens()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    QCOMPARE(remSpaces(text), cleaned);
}

void TestTextProcedures::codeReturnsTheLineByteForByte()
{
    const QString lines[] = {QString(), u"two\r\nlines"_s, fromCp1252(everyByte())};
    for (const QString &line : lines) {
        for (int codeNbr : {19, 28, 0, -3})
            QCOMPARE(toCp1252(code(line, codeNbr)), toCp1252(line));
    }
}

void TestTextProcedures::codeLineCarriesTheCodeNumber_data()
{
    QTest::addColumn<int>("codeNbr");
    for (int n : {19, 23, 28})
        QTest::addRow("%d", n) << n;
}

void TestTextProcedures::codeLineCarriesTheCodeNumber()
{
    QFETCH(int, codeNbr);
    std::mt19937_64 generator(codeNbr);
    const auto random = [&] {
        return uniformDouble(generator);
    };
    for (int run = 0; run < 2000; ++run) {
        const QByteArray line = toCp1252(makeCodeLine(codeNbr, random));
        QVERIFY(line.size() >= codeNbr && line.size() <= 2 * codeNbr);
        const auto counts
                = std::count_if(line.begin(), line.end(), [](char c) { return uchar(c) >= 118; });
        QCOMPARE(counts, codeNbr);
        QVERIFY(uchar(line.back()) >= 118);
        for (const char c : line)
            QVERIFY(uchar(c) >= 118 || (uchar(c) >= 66 && uchar(c) <= 116));
        // A filler always stands directly before a count character.
        for (qsizetype i = 0; i + 1 < line.size(); ++i)
            QVERIFY(uchar(line[i]) >= 118 || uchar(line[i + 1]) >= 118);
    }
    QCOMPARE(makeCodeLine(0, random), QString());
}

void TestTextProcedures::codeLineDrawsInOrderAndRoundsHalfToEven()
{
    // Pass 1: r1 below 0.1 adds a filler from r2, then the count character from r3.
    // Pass 2: no filler. Pass 3: a filler at an exact half.
    const std::vector<double> draws = {0.05, 0.25, 0.5, 0.1, 0.0, 0.0, 0.75, 0.999999999};
    std::size_t next = 0;
    const QByteArray line = toCp1252(makeCodeLine(3, [&] { return draws.at(next++); }));
    QCOMPARE(next, draws.size());
    // 66 + 12.5 -> 78, 118 + 68.5 -> 186, 118, 66 + 37.5 -> 104, 118 + 136.99... -> 255.
    QCOMPARE(line, QByteArray("\x4e\xba\x76\x68\xff"));
}

void TestTextProcedures::codeLineAddsAFillerInAboutOnePassInTen()
{
    std::mt19937_64 generator(7);
    const auto random = [&] {
        return uniformDouble(generator);
    };
    qsizetype characters = 0;
    const int lines = 2000;
    for (int run = 0; run < lines; ++run)
        characters += makeCodeLine(20, random).size();
    const double fillerShare = double(characters - 20 * lines) / (20 * lines);
    QVERIFY2(fillerShare > 0.09 && fillerShare < 0.11, qPrintable(QString::number(fillerShare)));
}

void TestTextProcedures::everyByteRoundTrips()
{
    const QString text = fromCp1252(everyByte());
    QCOMPARE(text.size(), 256);
    QCOMPARE(text[0x80], QChar(0x20AC));
    QCOMPARE(text[0x81], QChar(0x81));
    QCOMPARE(text[0x8D], QChar(0x8D));
    QCOMPARE(text[0x9F], QChar(0x178));
    QCOMPARE(text[0xE9], QChar(0xE9));
    QCOMPARE(toCp1252(text), everyByte());
    QCOMPARE(utf8Of(everyByte()), text.toUtf8());
}

void TestTextProcedures::byteAfterAscii_data()
{
    QTest::addColumn<int>("ascii");
    // ASCII is read eight bytes at a time: the byte after it at each place in eight, and more.
    for (int ascii = 0; ascii <= 17; ++ascii)
        QTest::addRow("after %d", ascii) << ascii;
}

void TestTextProcedures::byteAfterAscii()
{
    QFETCH(int, ascii);
    const QByteArray bytes = QByteArray(ascii, 'a')
            + "\x80"
              "b\x9F";
    const QString text = QString(ascii, u'a') + QChar(0x20AC) + u'b' + QChar(0x178);
    QCOMPARE(fromCp1252(bytes), text);
    QCOMPARE(utf8Of(bytes), text.toUtf8());
}

void TestTextProcedures::everyByteReadsAsQtReadsIt()
{
    QStringDecoder windows1252("windows-1252");
    if (!windows1252.isValid())
        QSKIP("This Qt has no Windows-1252 decoder to compare with: it was built without ICU");
    QCOMPARE(fromCp1252(everyByte()), QString(windows1252(everyByte())));
}

void TestTextProcedures::charactersOutsideTheSetBecomeQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("euro-and-accent") << u"\u20AC\u00E9"_s << QByteArray("\x80\xe9");
    QTest::newRow("greek") << u"\u03A9 = 1"_s << QByteArray("? = 1");
    QTest::newRow("emoji-is-one-character") << u"a\U0001F600b"_s << QByteArray("a?b");
    QTest::newRow("c1-control-1252-redefines") << u"\u0080"_s << QByteArray("?");
    QTest::newRow("lone-surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void TestTextProcedures::charactersOutsideTheSetBecomeQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toCp1252(text), bytes);
}

void TestTextProcedures::textIsWrittenAsTheSetCanHoldIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("line"); // as the files hold it
    QTest::newRow("physics-notation")
            << u"\u0394v \u2248 3 m/s\u00b2 at \u03b8 = 30\u00b0, "
               u"\u03c9 \u2264 2\u03c0"_s
            << QByteArray("Deltav ~= 3 m/s\xb2 at theta = 30\xb0, omega <= 2pi");
    QTest::newRow("signs")
            << u"\u2265 \u2260 \u2192 \u2190 \u2194 \u221a \u221e \u2212 \u2206 \u22c5"_s
            << QByteArray(">= != -> <- <-> sqrt infinity - Delta \xb7");
    QTest::newRow("greek-mu-is-micro") << u"\u03bcm \u03a9"_s << QByteArray("\xb5m Omega");
    QTest::newRow("super-and-subscripts")
            << u"v\u2080 = 10\u2074 m\u207b\u00b9"_s << QByteArray("v_0 = 10^4 m^-\xb9");
    QTest::newRow("compatibility-forms") << u"\ufb01t \uff21 \u2153 \u2103"_s
                                         << QByteArray("fit A 1/3 \xb0"
                                                       "C");
    QTest::newRow("held-by-the-set") << u"\u00b2\u00b0\u00b5\u00b1\u00d7\u00bd\u201c\u201d\u20ac"_s
                                     << QByteArray("\xb2\xb0\xb5\xb1\xd7\xbd\x93\x94\x80");
    QTest::newRow("decomposed-accent-composes") << u"cafe\u0301"_s << QByteArray("caf\xe9");
    QTest::newRow("no-spelling") << u"a\U0001F600b \u6c34"_s << QByteArray("a?b ?");
    // A negation is never written as the sign it negates.
    QTest::newRow("negated-signs")
            << u"a \u2262 b; x \u2270 y; p \u226e q; r \u226f s; u \u2249 v; AB \u2226 CD; "
               u"P \u21cf Q"_s
            << QByteArray("a !== b; x !<= y; p !< q; r !> s; u !~= v; AB !|| CD; P !=> Q");
    QTest::newRow("more-negated-signs")
            << u"\u2271 \u2241 \u2244 \u2247 \u219a \u219b \u21ae \u21cd \u21ce \u2260"_s
            << QByteArray("!>= !~ !~= !~= !<- !-> !<-> !<= !<=> !=");
    QTest::newRow("stroke-typed-after-a-sign")
            << u"<\u0338 \u2264\u0338 \u221d\u0338 =\u0338 \u2192\u0338"_s
            << QByteArray("!< !<= !~ != !->");
    QTest::newRow("struck-sign-without-spelling") << u"\u2209 \u2adc"_s << QByteArray("? ?");
    QTest::newRow("only-a-letter-loses-its-accent") << u"\u03ac \u0385"_s << QByteArray("alpha ?");
    QTest::newRow("mixed-numbers") << u"2\u2153 m, 1\u2154 s"_s << QByteArray("2 1/3 m, 1 2/3 s");
    QTest::newRow("fractions-of-the-set-and-alone")
            << u"2\u00bd x\u2153 \u2155"_s << QByteArray("2\xbd x1/3 1/5");
}

void TestTextProcedures::textIsWrittenAsTheSetCanHoldIt()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, line);
    RecordComposer record({}, {SessionFile::Master});
    record.addLine(text);
    QCOMPARE(record.shares().constFirst().bytes, line + "\r\n");
}

void TestTextProcedures::windowsPathsMapOntoThePlatform_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("withoutDrives"); // with the home folder /home/ann
    QTest::addColumn<QString>("withDrives"); // with the home folder C:/Users/ann
    QTest::newRow("default-folder")
            << u"c:\\qorvanit"_s << u"/home/ann/qorvanit"_s << u"c:/qorvanit"_s;
    QTest::newRow("master-file") << u"c:\\qorvanit\\masterFile.txt"_s
                                 << u"/home/ann/qorvanit/masterFile.txt"_s
                                 << u"c:/qorvanit/masterFile.txt"_s;
    QTest::newRow("capital-drive") << u"D:\\work\\"_s << u"/home/ann/work"_s << u"D:/work"_s;
    QTest::newRow("drive-relative") << u"e:notes"_s << u"/home/ann/notes"_s << u"e:notes"_s;
    QTest::newRow("drive-alone") << u"c:"_s << u"/home/ann"_s << u"c:"_s;
    QTest::newRow("tilde") << u"~/course"_s << u"/home/ann/course"_s << u"C:/Users/ann/course"_s;
    QTest::newRow("tilde-backslash")
            << u"~\\course"_s << u"/home/ann/course"_s << u"C:/Users/ann/course"_s;
    QTest::newRow("absolute") << u"/tmp/q\\a"_s << u"/tmp/q/a"_s << u"/tmp/q/a"_s;
    QTest::newRow("absolute-backslash") << u"\\tmp\\q"_s << u"/tmp/q"_s << u"/tmp/q"_s;
    QTest::newRow("network") << u"\\\\server\\share\\q"_s << u"/server/share/q"_s
                             << u"//server/share/q"_s;
    QTest::newRow("relative") << u"work\\q"_s << u"/home/ann/work/q"_s << u"C:/Users/ann/work/q"_s;
    QTest::newRow("relative-dot") << u".\\q"_s << u"/home/ann/q"_s << u"C:/Users/ann/q"_s;
    QTest::newRow("doubled-separator")
            << u"c:\\course\\\\masterFile.txt"_s << u"/home/ann/course/masterFile.txt"_s
            << u"c:/course/masterFile.txt"_s;
    QTest::newRow("digit-is-no-drive")
            << u"1:\\x"_s << u"/home/ann/1:/x"_s << u"C:/Users/ann/1:/x"_s;
    QTest::newRow("non-ascii-letter-is-no-drive")
            << u"\u00e9:\\x"_s << u"/home/ann/\u00e9:/x"_s << u"C:/Users/ann/\u00e9:/x"_s;
}

void TestTextProcedures::windowsPathsMapOntoThePlatform()
{
    QFETCH(QString, path);
    QFETCH(QString, withoutDrives);
    QFETCH(QString, withDrives);
    QCOMPARE(toFileSystemPath(path, u"/home/ann"_s, Drives::InHomeFolder), withoutDrives);
    QCOMPARE(toFileSystemPath(path, u"C:/Users/ann"_s, Drives::Real), withDrives);
}

void TestTextProcedures::datesAndTimesHaveFixedForms_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("english") << u"en_US"_s;
    QTest::newRow("arabic") << u"ar_EG"_s;
    QTest::newRow("german") << u"de_DE"_s;
}

void TestTextProcedures::datesAndTimesHaveFixedForms()
{
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
    QCOMPARE(formatDate(QDate(2026, 2, 1)), u"02-01-2026"_s);
    QCOMPARE(formatDate(QDate(987, 12, 25)), u"12-25-0987"_s);
    QCOMPARE(formatTime(QTime(9, 5, 7)), u"09:05:07"_s);
    QCOMPARE(formatTime(QTime(23, 59, 59, 999)), u"23:59:59"_s);
}

QTEST_GUILESS_MAIN(TestTextProcedures)
#include "tst_text_procedures.moc"

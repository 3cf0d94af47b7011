// Makes the README's spelling table from the program's own: each character of the table as the
// files write it, grouped by kind.
//   spelling_table                    prints the table
//   spelling_table --check README.md  fails unless README.md holds the table as printed
//   spelling_table --write README.md  puts the table into README.md
#include "files/text_codec.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString tableStart = u"<!-- Made by tools/spelling_table from the program's table. -->\n"_s;
const QString tableEnd = u"<!-- End of the table made by tools/spelling_table. -->\n"_s;

struct Group
{
    char32_t first, last;
    QString name;
};

// By range; the last takes every character the others do not.
const Group groups[] = {
        {0x0391, 0x03A9, u"Greek capitals"_s},
        {0x03B1, 0x03C9, u"Greek small letters"_s},
        {0x2190, 0x21FF, u"Arrows"_s},
        {0x2200, 0x22FF, u"Mathematical operators"_s},
        {0, 0x10FFFF, u"Other letters and signs"_s},
};

QString character(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// `text` as the files write it, as a cell of a Markdown table shows it.
QString writtenCell(const QString &text)
{
    return u'`' + fromCp1252(toFileLines(text)).chopped(2).replace(u'|', u"\\|"_s) + u'`';
}

// The combining stroke through a sign is no character of its own: its row shows every sign
// struck through that is written so, found across the 16-bit range.
QString struckThroughSigns()
{
    QString cell;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const QString parts = QChar::decomposition(c);
        if (QChar::decompositionTag(c) != QChar::Canonical || parts.size() != 2
            || parts[1] != QChar(0x0338))
            continue;
        if (const QString written = writtenCell(character(c)); written != u"`?`"_s)
            cell += character(c) + u' ' + written + u' ';
    }
    return cell + u"and any sign typed with U+0338 after it"_s;
}

QString table()
{
    QString made = u"| Characters | Written as |\n|---|---|\n"_s;
    QStringList cells(std::size(groups));
    QString struckThrough;
    for (const Spelling &row : spellingTable()) {
        if (row.character == 0x0338) {
            struckThrough
                    = u"| Signs struck through (U+0338) | "_s + struckThroughSigns() + u" |\n"_s;
            continue;
        }
        const auto group = std::find_if(std::begin(groups), std::end(groups), [&](const Group &g) {
            return row.character >= g.first && row.character <= g.last;
        });
        cells[group - std::begin(groups)]
                += character(row.character) + u' ' + writtenCell(character(row.character)) + u' ';
    }
    for (std::size_t i = 0; i < std::size(groups); ++i)
        made += u"| "_s + groups[i].name + u" | "_s + cells[i] + u"|\n"_s;
    return tableStart + made + struckThrough + tableEnd;
}

} // namespace

int main(int argc, char **argv)
{
    const QString made = table();
    if (argc == 1) {
        std::fputs(made.toUtf8().constData(), stdout);
        return 0;
    }
    const QString option = QString::fromLocal8Bit(argv[1]);
    QFile readme(argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString());
    if ((option != u"--check"_s && option != u"--write"_s) || !readme.open(QIODevice::ReadOnly)) {
        std::fputs("usage: spelling_table [--check|--write README.md]\n", stderr);
        return 2;
    }
    QString text = QString::fromUtf8(readme.readAll());
    readme.close();
    const qsizetype start = text.indexOf(tableStart);
    const qsizetype end = text.indexOf(tableEnd, start);
    if (start < 0 || end < 0) {
        std::fputs("README.md has no table made by tools/spelling_table\n", stderr);
        return 1;
    }
    const QStringView held = QStringView(text).sliced(start, end + tableEnd.size() - start);
    if (option == u"--check"_s) {
        if (held == made)
            return 0;
        std::fprintf(stderr,
                     "README.md's spelling table differs from the program's; "
                     "tools/spelling_table --write README.md makes it anew:\n%s",
                     made.toUtf8().constData());
        return 1;
    }
    text.replace(start, held.size(), made);
    if (!readme.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || readme.write(text.toUtf8()) < 0) {
        std::fputs("could not write README.md\n", stderr);
        return 1;
    }
    return 0;
}

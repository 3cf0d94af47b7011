#include "made_up_class.h"

#include "code/line_code.h"
#include "files/record_layout.h"
#include "script/builtin_bank.h"

#include <QDir>
#include <QFile>

#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList firstNames {u"Ada"_s,   u"Bilal"_s,  u"Chen"_s,  u"Dana"_s,  u"Emeka"_s,
                              u"Farah"_s, u"Goran"_s,  u"Hana"_s,  u"Ivo"_s,   u"Jonas"_s,
                              u"Kiri"_s,  u"Lena"_s,   u"Mateo"_s, u"Nia"_s,   u"Omar"_s,
                              u"Priya"_s, u"Quinn"_s,  u"Rosa"_s,  u"Sami"_s,  u"Tuva"_s,
                              u"Uma"_s,   u"Viktor"_s, u"Wen"_s,   u"Xenia"_s, u"Yusuf"_s,
                              u"Zoe"_s,   u"Arno"_s,   u"Bea"_s,   u"Cyril"_s, u"Dilnoza"_s};
const QStringList answers {
        u"The full-size ruler, since reading a reduced scale multiplies the reading error."_s,
        u"About 2.5 cm, give or take 0.1 cm.\nI read it twice and took the mean."_s,
        u"I am not sure; the timer's reaction time seems to dominate."_s,
        u"v = Δx / Δt ≈ 0.42 m/s, with θ ≈ 5°."_s, u"OK"_s};
const QStringList ratings {u"0"_s, u"1"_s, u"2"_s,    u"2"_s,
                           u"3"_s, u"3"_s, QString(), u"pretty sure"_s};

} // namespace

void writeMadeUpClass(const QString &folder, int students, int filesEach, int fileBytes)
{
    std::mt19937 random(2026);
    const auto pick = [&](const QStringList &list) {
        return list[int(random() % list.size())];
    };
    QStringList questions;
    for (const char *line : builtInBankLines)
        if (QString text = QString::fromLatin1(line); text.startsWith(u"`q"_s))
            questions.append(text.mid(2));
    for (int s = 0; s < students; ++s) {
        const QString name = firstNames[s % firstNames.size()]
                + (s < firstNames.size() ? QString() : QString::number(s / firstNames.size()));
        QDir(folder).mkpath(name);
        for (int f = 0; f < filesEach; ++f) {
            const QDate day = QDate(2026, 9, 1).addDays(f * 2 + s % 2);
            QDateTime clock(day, QTime(9 + s % 10, 0));
            const RecordContext context {[&] { return clock = clock.addSecs(20 + random() % 200); },
                                         lowestCodeNumber + s % 10};
            QByteArray bytes;
            const auto add = [&](const RecordComposer &record) {
                bytes += record.shares()[1].bytes; // the SEND file's share
            };
            const auto uniform = [&] {
                return double(random()) / (double(random.max()) + 1);
            };
            const QString assignment = f % 2 ? u"001"_s : u"000"_s;
            add(composeHeader(context, makeCodeLine(context.codeNumber, uniform), assignment,
                              assignment + u'.', u"Physics II"_s));
            for (int q = 0; bytes.size() < fileBytes; q = (q + 1) % questions.size()) {
                const QString rating = pick(ratings);
                add(composeResponse(context, assignment.toInt() * 10000, questions[q],
                                    pick(answers),
                                    [&] { return RecordLayout::confidenceMark + rating; }));
                if (random() % 4 == 0)
                    add(composeNote(context, questions[q],
                                    RecordLayout::notesMark + u"Ask about the error bars."_s));
            }
            QFile file(QDir(folder).filePath(name + day.toString(u"'/send_'MMdd'.txt'"_s)));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("Cannot write %s", qPrintable(file.fileName()));
        }
    }
}

// Screenshots of the window on a real screen: after the first step of assignment 001 of the
// built-in bank, after each of the three graphs, then after the experiment timer has run for a
// second. Run it under an X server (tools/screenshots does, at 1x and 2x).
// Usage: window_shots FOLDER

#include "session_run.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

bool saveShot(const query_template &window, const QString &path)
{
    QApplication::processEvents();
    QTest::qWait(300);
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    if (!shot.save(path)) {
        std::fprintf(stderr, "window_shots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_shots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    bool saved = true;
    {
        const SessionRun run({.answers = {u"Ada Lovelace"_s, QString(), u"001"_s}});
        run.step();
        saved &= saveShot(*run.window, folder + u"/window.png"_s);
    }

    const SessionRun run(
            {.script
             = {u"000."_s, u"`routine graph1"_s, u"`qThe velocity of the car against clock time."_s,
                u"`routine graph2"_s, u"`qThe value of the account against clock time."_s,
                u"`routine graph3"_s, u"`qThe depth of the water against clock time."_s},
             .answers = {u"Ada Lovelace"_s, QString(), u"000"_s}});
    for (int graph = 1; graph <= 3; ++graph) {
        run.step();
        saved &= saveShot(*run.window, folder + u"/graph%1.png"_s.arg(graph));
    }
    run.click(u"cmd_pend_exp"_s);
    QTest::qWait(1000);
    saved &= saveShot(*run.window, folder + u"/timer.png"_s);
    return saved ? 0 : 1;
}

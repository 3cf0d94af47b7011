#include "app/query_template.h"

#include "app/announcer.h"
#include "picture_area.h"

#include <QColor>

using namespace Qt::Literals::StringLiterals;

// Each graph is drawn call by call in a fixed order: later lines and texts cover earlier ones
// where they cross, so the order is part of the picture.

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QColor white(255, 255, 255);

} // namespace

void query_template::printAt(float x, float y, const QString &text)
{
    Picture1->setCurrentX(x);
    Picture1->setCurrentY(y);
    Picture1->print(text);
}

void query_template::printTitle(const QString &title)
{
    Picture1->describe(title);
    m_announcer->announce(u"Graph drawn: %1."_s.arg(title));
    printAt(300, 50, title);
}

// Velocity against time, drawn over whatever the area shows.
void query_template::graph1()
{
    printTitle(u"velocity v vs. clock time t"_s);
    Picture1->line({0, 900}, {900, 900});
    Picture1->line({100, 1000}, {100, 100});
    printAt(900, 950, u"t"_s);
    printAt(900, 870, u">"_s);
    printAt(90, 100, u"^"_s);
    printAt(50, 100, u"v"_s);
    Picture1->line({100, 900}, {700, 500});
    printAt(50, 500, u"4"_s);
    printAt(50, 600, u"3"_s);
    printAt(50, 700, u"2"_s);
    printAt(50, 800, u"1"_s);
    for (const float y : {500, 600, 700, 800})
        Picture1->line({100, y}, {900, y});
    printAt(200, 950, u"1"_s);
    printAt(300, 950, u"2"_s);
    printAt(400, 950, u"3"_s);
    printAt(500, 950, u"4"_s);
    printAt(600, 950, u"5"_s);
    printAt(700, 950, u"6"_s);
    for (const float x : {200, 300, 400, 500, 600, 700})
        Picture1->line({x, 900}, {x, 100});
    // The X on the point t = 3, v = 2.
    Picture1->line({370, 670}, {430, 730});
    Picture1->line({430, 670}, {370, 730});
}

// Value against time, two segments with red slope triangles, on a freshly whitened area.
void query_template::graph2()
{
    Picture1->fillRect({0, 0}, {1000, 1000}, white);
    printAt(10, 400, u"5500"_s);
    printAt(10, 500, u"5400"_s);
    printAt(10, 600, u"5300"_s);
    printAt(10, 700, u"5200"_s);
    printAt(10, 800, u"5100"_s);
    printAt(10, 900, u"5000"_s);
    for (const float y : {400, 500, 600, 700, 800})
        Picture1->line({100, y}, {900, y});
    printAt(200, 950, u"2"_s);
    printAt(300, 950, u"4"_s);
    printAt(400, 950, u"6"_s);
    printAt(500, 950, u"8"_s);
    printAt(590, 950, u"10"_s);
    printAt(690, 950, u"12"_s);
    for (const float x : {200, 300, 400, 500, 600, 700})
        Picture1->line({x, 900}, {x, 100});
    printTitle(u"Value y (dollars) vs. clock time t (months)"_s);
    Picture1->line({0, 900}, {900, 900});
    Picture1->line({100, 100}, {100, 900});

    Picture1->line({250, 900}, {450, 600});
    Picture1->line({250, 900}, {450, 900}, red);
    printAt(300, 850, u"run 4"_s);
    Picture1->line({450, 900}, {450, 600}, red);
    printAt(470, 750, u"rise 300"_s);
    printAt(250, 650, u"slope 75"_s);

    Picture1->line({450, 600}, {700, 400});
    Picture1->line({450, 600}, {700, 600}, red);
    printAt(550, 550, u"run 5"_s);
    Picture1->line({700, 600}, {700, 400}, red);
    printAt(720, 500, u"rise 200"_s);
    printAt(430, 450, u"slope 40"_s);

    printAt(900, 950, u"t"_s);
    printAt(900, 870, u">"_s);
    printAt(90, 100, u"^"_s);
    printAt(50, 100, u"y"_s);
}

// Depth against time, two segments with a red and a green slope triangle, on a freshly whitened
// area.
void query_template::graph3()
{
    Picture1->fillRect({0, 0}, {1000, 1000}, white);
    printAt(10, 400, u"100"_s);
    printAt(10, 500, u"80"_s);
    printAt(10, 600, u"60"_s);
    printAt(10, 700, u"40"_s);
    printAt(10, 800, u"20"_s);
    for (const float y : {400, 500, 600, 700, 800})
        Picture1->line({100, y}, {900, y});
    printAt(200, 950, u"20"_s);
    printAt(300, 950, u"40"_s);
    printAt(400, 950, u"60"_s);
    printAt(500, 950, u"80"_s);
    printAt(590, 950, u"100"_s);
    for (const float x : {200, 300, 400, 500, 600, 700})
        Picture1->line({x, 900}, {x, 100});
    printTitle(u"Depth y (dollars) vs. clock time t (seconds)"_s);
    Picture1->line({0, 900}, {900, 900});
    Picture1->line({100, 900}, {100, 100});

    Picture1->line({150, 500}, {300, 700});
    Picture1->line({150, 500}, {300, 500}, red);
    printAt(180, 440, u"run 30"_s);
    Picture1->line({300, 500}, {300, 700}, red);
    printAt(320, 550, u"rise -40"_s);
    printAt(110, 650, u"slope -1.33"_s);

    Picture1->line({300, 700}, {550, 800});
    Picture1->line({300, 700}, {550, 700}, green);
    printAt(430, 640, u"run 50"_s);
    Picture1->line({550, 700}, {550, 800}, green);
    printAt(570, 750, u"rise -20"_s);
    printAt(300, 750, u"slope -.4"_s);

    printAt(900, 950, u"t"_s);
    printAt(900, 870, u">"_s);
    printAt(90, 100, u"^"_s);
    printAt(50, 100, u"y"_s);
}

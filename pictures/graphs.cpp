#include "app/query_template.h"

#include "picture_area.h"

#include <QColor>

#include <array>
#include <optional>
#include <variant>
#include <vector>

using namespace Qt::Literals::StringLiterals;

// The steps of one teaching graph, in the order they are drawn, in Picture1's user units.
class GraphPlan
{
public:
    struct Text
    {
        float x;
        float y;
        QString text;
    };
    struct Line
    {
        QPointF from;
        QPointF to;
        std::optional<QColor> color = {}; // the foreground when none is given
    };
    struct Fill
    {
        QPointF corner;
        QPointF oppositeCorner;
        QColor color;
    };
    using Step = std::variant<Fill, Line, Text>;

    // A segment of the graph followed by its slope triangle: run line, run label, rise line,
    // rise label, slope label.
    struct Segment
    {
        QPointF from;
        QPointF to;
        QColor triangle;
        Text run;
        Text rise;
        Text slope;
    };

    const std::vector<Step> &steps() const { return m_steps; }

    GraphPlan &add(Step step)
    {
        m_steps.push_back(std::move(step));
        return *this;
    }

    GraphPlan &texts(const std::vector<Text> &texts)
    {
        m_steps.insert(m_steps.end(), texts.begin(), texts.end());
        return *this;
    }

    GraphPlan &lines(const std::vector<Line> &lines)
    {
        m_steps.insert(m_steps.end(), lines.begin(), lines.end());
        return *this;
    }

    // The axis along the bottom starts at the left edge.
    GraphPlan &horizontalAxis() { return add(Line {{0, 900}, {900, 900}}); }

    // Across from the vertical axis to the end of the horizontal one.
    GraphPlan &horizontalGrid(const std::vector<float> &heights)
    {
        for (const float y : heights)
            add(Line {{100, y}, {900, y}});
        return *this;
    }

    // Up from the horizontal axis to the height of the vertical one.
    GraphPlan &verticalGrid()
    {
        for (const float x : {200, 300, 400, 500, 600, 700})
            add(Line {{x, 900}, {x, 100}});
        return *this;
    }

    // The letter and arrowhead of the horizontal axis, then those of the vertical one.
    GraphPlan &axisMarks(const QString &verticalLetter)
    {
        return texts({{900, 950, u"t"_s},
                      {900, 870, u">"_s},
                      {90, 100, u"^"_s},
                      {50, 100, verticalLetter}});
    }

    GraphPlan &segment(const Segment &segment)
    {
        const QPointF corner(segment.to.x(), segment.from.y());
        return add(Line {segment.from, segment.to})
                .add(Line {segment.from, corner, segment.triangle})
                .add(segment.run)
                .add(Line {corner, segment.to, segment.triangle})
                .add(segment.rise)
                .add(segment.slope);
    }

private:
    std::vector<Step> m_steps;
};

namespace {

template<class... Handlers> struct Overloaded : Handlers...
{
    using Handlers::operator()...;
};
// Spelled out for compilers without aggregate deduction (clang before 17).
template<class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QColor white(255, 255, 255);

// What graphs 2 and 3 share: a quantity against clock time, drawn on a freshly whitened area,
// with two segments and their slope triangles.
struct ValueGraph
{
    QString title;
    std::vector<GraphPlan::Text> valueLabels;
    std::vector<GraphPlan::Text> timeLabels;
    GraphPlan::Line verticalAxis;
    std::array<GraphPlan::Segment, 2> segments;
};

GraphPlan valueGraphPlan(const ValueGraph &graph)
{
    GraphPlan plan;
    plan.add(GraphPlan::Fill {{0, 0}, {1000, 1000}, white})
            .texts(graph.valueLabels)
            .horizontalGrid({400, 500, 600, 700, 800})
            .texts(graph.timeLabels)
            .verticalGrid()
            .add(GraphPlan::Text {300, 50, graph.title})
            .horizontalAxis()
            .add(graph.verticalAxis);
    for (const GraphPlan::Segment &segment : graph.segments)
        plan.segment(segment);
    plan.axisMarks(u"y"_s);
    return plan;
}

// Velocity against time, drawn over whatever the area shows.
GraphPlan graph1Plan()
{
    GraphPlan plan;
    plan.add(GraphPlan::Text {300, 50, u"velocity v vs. clock time t"_s})
            .horizontalAxis()
            .add(GraphPlan::Line {{100, 1000}, {100, 100}})
            .axisMarks(u"v"_s)
            .add(GraphPlan::Line {{100, 900}, {700, 500}})
            .texts({{50, 500, u"4"_s}, {50, 600, u"3"_s}, {50, 700, u"2"_s}, {50, 800, u"1"_s}})
            .horizontalGrid({500, 600, 700, 800})
            .texts({{200, 950, u"1"_s},
                    {300, 950, u"2"_s},
                    {400, 950, u"3"_s},
                    {500, 950, u"4"_s},
                    {600, 950, u"5"_s},
                    {700, 950, u"6"_s}})
            .verticalGrid()
            // The X on the point t = 3, v = 2.
            .lines({{{370, 670}, {430, 730}}, {{430, 670}, {370, 730}}});
    return plan;
}

GraphPlan graph2Plan()
{
    return valueGraphPlan({
            u"Value y (dollars) vs. clock time t (months)"_s,
            {{10, 400, u"5500"_s},
             {10, 500, u"5400"_s},
             {10, 600, u"5300"_s},
             {10, 700, u"5200"_s},
             {10, 800, u"5100"_s},
             {10, 900, u"5000"_s}},
            {{200, 950, u"2"_s},
             {300, 950, u"4"_s},
             {400, 950, u"6"_s},
             {500, 950, u"8"_s},
             {590, 950, u"10"_s},
             {690, 950, u"12"_s}},
            {{100, 100}, {100, 900}},
            {{
                    {{250, 900},
                     {450, 600},
                     red,
                     {300, 850, u"run 4"_s},
                     {470, 750, u"rise 300"_s},
                     {250, 650, u"slope 75"_s}},
                    {{450, 600},
                     {700, 400},
                     red,
                     {550, 550, u"run 5"_s},
                     {720, 500, u"rise 200"_s},
                     {430, 450, u"slope 40"_s}},
            }},
    });
}

GraphPlan graph3Plan()
{
    return valueGraphPlan({
            u"Depth y (dollars) vs. clock time t (seconds)"_s,
            {{10, 400, u"100"_s},
             {10, 500, u"80"_s},
             {10, 600, u"60"_s},
             {10, 700, u"40"_s},
             {10, 800, u"20"_s}},
            {{200, 950, u"20"_s},
             {300, 950, u"40"_s},
             {400, 950, u"60"_s},
             {500, 950, u"80"_s},
             {590, 950, u"100"_s}},
            {{100, 900}, {100, 100}},
            {{
                    {{150, 500},
                     {300, 700},
                     red,
                     {180, 440, u"run 30"_s},
                     {320, 550, u"rise -40"_s},
                     {110, 650, u"slope -1.33"_s}},
                    {{300, 700},
                     {550, 800},
                     green,
                     {430, 640, u"run 50"_s},
                     {570, 750, u"rise -20"_s},
                     {300, 750, u"slope -.4"_s}},
            }},
    });
}

} // namespace

void query_template::printAt(float x, float y, const QString &text)
{
    Picture1->setCurrentX(x);
    Picture1->setCurrentY(y);
    Picture1->print(text);
}

void query_template::drawGraph(const GraphPlan &plan)
{
    for (const GraphPlan::Step &step : plan.steps()) {
        std::visit(
                Overloaded {
                        [this](const GraphPlan::Fill &fill) {
                            Picture1->fillRect(fill.corner, fill.oppositeCorner, fill.color);
                        },
                        [this](const GraphPlan::Line &line) {
                            if (line.color)
                                Picture1->line(line.from, line.to, *line.color);
                            else
                                Picture1->line(line.from, line.to);
                        },
                        [this](const GraphPlan::Text &text) { printAt(text.x, text.y, text.text); },
                },
                step);
    }
}

void query_template::graph1()
{
    drawGraph(graph1Plan());
}

void query_template::graph2()
{
    drawGraph(graph2Plan());
}

void query_template::graph3()
{
    drawGraph(graph3Plan());
}

#include "spreadsheet/render/cell_lines.h"

#include <array>

namespace spreadsheet::render {

namespace {

struct Stroke
{
    qreal width;
    Qt::PenStyle pen;
    bool doubled;
};

// Border styles 0..13: none, thin, medium, dashed, dotted, thick, double, hair, medium dashed,
// dash-dot, medium dash-dot, dash-dot-dot, medium dash-dot-dot, slanted dash-dot. Dotted is
// every other pixel (the picture paints DotLine so); a hair line is a thin solid line at the
// picture's scale, as the spreadsheet programs print it.
constexpr std::array<Stroke, 14> kStrokes = {{
    {0, Qt::NoPen, false},
    {1, Qt::SolidLine, false},
    {2, Qt::SolidLine, false},
    {1, Qt::DashLine, false},
    {1, Qt::DotLine, false},
    {3, Qt::SolidLine, false},
    {1, Qt::SolidLine, true},
    {1, Qt::SolidLine, false},
    {2, Qt::DashLine, false},
    {1, Qt::DashDotLine, false},
    {2, Qt::DashDotLine, false},
    {1, Qt::DashDotDotLine, false},
    {2, Qt::DashDotDotLine, false},
    {2, Qt::DashDotLine, false},
}};

// How heavy each style looks, for choosing between two borders on one edge.
constexpr std::array<int, 14> kWeight = {0, 6, 11, 3, 2, 13, 12, 1, 8, 4, 9, 5, 10, 7};

int weightOf(uint8_t style)
{
    return style < kWeight.size() ? kWeight[style] : 0;
}

const Stroke& strokeOf(uint8_t style)
{
    return kStrokes[style < kStrokes.size() ? style : 1];
}

} // namespace

const BorderLine& heavierBorder(const BorderLine& a, const BorderLine& b)
{
    return weightOf(b.style) > weightOf(a.style) ? b : a;
}

LineCollector::LineCollector(SheetPicture& picture, uint32_t verticalEdges)
    : m_picture(picture), m_vertical(verticalEdges)
{
}

void LineCollector::horizontal(int y, int x0, int x1, const EdgeLine& line)
{
    Run& run = m_horizontal;
    if (run.line.style != 0 && (run.at != y || run.to != x0 || !(run.line == line))) {
        emitHorizontal(run);
        run.line.style = 0;
    }
    if (line.style == 0 || x1 <= x0)
        return;
    if (run.line.style == 0)
        run = Run{y, x0, x1, line};
    else
        run.to = x1;
}

void LineCollector::vertical(uint32_t index, int x, int y0, int y1, const EdgeLine& line)
{
    Run& run = m_vertical.at(index);
    if (run.line.style != 0 && (run.to != y0 || !(run.line == line))) {
        emitVertical(run);
        run.line.style = 0;
    }
    if (line.style == 0 || y1 <= y0)
        return;
    if (run.line.style == 0)
        run = Run{x, y0, y1, line};
    else
        run.to = y1;
}

void LineCollector::diagonal(QPointF from, QPointF to, const EdgeLine& line)
{
    if (line.style != 0)
        addStyled(from, to, line);
}

void LineCollector::finish()
{
    if (m_horizontal.line.style != 0)
        emitHorizontal(m_horizontal);
    m_horizontal.line.style = 0;
    for (Run& run : m_vertical) {
        if (run.line.style != 0)
            emitVertical(run);
        run.line.style = 0;
    }
    drawDoubles(m_doubleHorizontals, m_doubleVerticals, false);
    drawDoubles(m_doubleVerticals, m_doubleHorizontals, true);
    m_doubleHorizontals.clear();
    m_doubleVerticals.clear();
}

// A line covers the edge pixels of both cells it joins, so lines meet at the corners.
void LineCollector::emitHorizontal(const Run& run)
{
    if (strokeOf(run.line.style).doubled) {
        m_doubleHorizontals[run.at].push_back(run);
        return;
    }
    const qreal y = run.at - 0.5;
    addStyled(QPointF(run.from - 1, y), QPointF(run.to, y), run.line);
}

void LineCollector::emitVertical(const Run& run)
{
    if (strokeOf(run.line.style).doubled) {
        m_doubleVerticals[run.at].push_back(run);
        return;
    }
    const qreal x = run.at - 0.5;
    addStyled(QPointF(x, run.from - 1), QPointF(x, run.to), run.line);
}

void LineCollector::addStyled(QPointF from, QPointF to, const EdgeLine& line)
{
    const Stroke& stroke = strokeOf(line.style);
    m_picture.addLine({from, to, line.color, stroke.width, stroke.pen});
}

LineCollector::Arms LineCollector::armsAt(const RunsByEdge& runs, int edge, int position)
{
    Arms arms;
    const auto found = runs.find(edge);
    if (found == runs.end())
        return arms;
    for (const Run& run : found->second) {
        if (run.from <= position && position <= run.to) {
            arms.before = arms.before || run.from < position;
            arms.after = arms.after || run.to > position;
        }
    }
    return arms;
}

// How far one line of a double border runs past (+1) or stops short of (-1) the corner pixel
// where it ends, given the double borders that leave that corner across it: the outer line of a
// box's corner reaches the other border's outer line and the inner line stops at its inner
// line, so that the two borders join without crossing. `side` is -1 for the line above (or left
// of) the edge and +1 for the one below (or right of) it.
int LineCollector::cornerAdjustment(const Arms& arms, int side)
{
    if (!arms.before && !arms.after)
        return 0;
    const bool armOnSameSide = side < 0 ? arms.before : arms.after;
    return armOnSameSide ? -1 : 1;
}

// A double border is two thin lines with a pixel between them, on both sides of the edge.
void LineCollector::drawDoubles(const RunsByEdge& runs, const RunsByEdge& across, bool vertical)
{
    for (const auto& [edge, onEdge] : runs) {
        for (const Run& run : onEdge) {
            const Arms start = armsAt(across, run.from, edge);
            const Arms end = armsAt(across, run.to, edge);
            for (const int side : {-1, 1}) {
                const qreal middle = edge - 0.5 + side;
                const qreal from = run.from - 1 - cornerAdjustment(start, side);
                const qreal to = run.to + cornerAdjustment(end, side);
                const auto point = [&](qreal along) {
                    return vertical ? QPointF(middle, along) : QPointF(along, middle);
                };
                m_picture.addLine({point(from), point(to), run.line.color, 1, Qt::SolidLine});
            }
        }
    }
}

} // namespace spreadsheet::render

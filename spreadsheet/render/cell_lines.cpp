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
// dash-dot, medium dash-dot, dash-dot-dot, medium dash-dot-dot, slanted dash-dot.
constexpr std::array<Stroke, 14> kStrokes = {{
    {0, Qt::NoPen, false},
    {1, Qt::SolidLine, false},
    {2, Qt::SolidLine, false},
    {1, Qt::DashLine, false},
    {1, Qt::DotLine, false},
    {3, Qt::SolidLine, false},
    {1, Qt::SolidLine, true},
    {1, Qt::DotLine, false},
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
        addStyled(from, to, false, line);
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
}

// A line covers the edge pixels of both cells it joins, so lines meet at the corners.
void LineCollector::emitHorizontal(const Run& run)
{
    const qreal y = run.at - 0.5;
    addStyled(QPointF(run.from - 1, y), QPointF(run.to, y), false, run.line);
}

void LineCollector::emitVertical(const Run& run)
{
    const qreal x = run.at - 0.5;
    addStyled(QPointF(x, run.from - 1), QPointF(x, run.to), true, run.line);
}

void LineCollector::addStyled(QPointF from, QPointF to, bool vertical, const EdgeLine& line)
{
    const Stroke& stroke = kStrokes[line.style < kStrokes.size() ? line.style : 1];
    if (!stroke.doubled) {
        m_picture.addLine({from, to, line.color, stroke.width, stroke.pen});
        return;
    }
    // A double border is two thin lines with a pixel between them, on both sides of the edge.
    const QPointF offset = vertical ? QPointF(1, 0) : QPointF(0, 1);
    m_picture.addLine({from - offset, to - offset, line.color, 1, Qt::SolidLine});
    m_picture.addLine({from + offset, to + offset, line.color, 1, Qt::SolidLine});
}

} // namespace spreadsheet::render

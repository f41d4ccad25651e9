#pragma once

// Borders and gridlines of a range, collected edge by edge and drawn as few long lines: equal
// edges that continue each other (a row's bottom borders, a column's gridline down a thousand
// rows) become one line item, which keeps big pictures small and repaints cheap.
//
// Edges are given in cell edges of the geometry (see sheet_geometry.h): the line of the edge at
// pixel position X lies on pixel X - 1, the last pixel of the cell before it.

#include "spreadsheet/model/styles.h"
#include "spreadsheet/render/sheet_picture.h"

#include <QColor>

#include <cstdint>
#include <map>
#include <vector>

namespace spreadsheet::render {

struct EdgeLine
{
    uint8_t style = 0; // border style as the file numbers it; 0 = nothing drawn
    QColor color;
    bool operator==(const EdgeLine&) const = default;
};

// Of the two borders that meet on an edge, the one Excel draws: the heavier.
const BorderLine& heavierBorder(const BorderLine& a, const BorderLine& b);

class LineCollector
{
public:
    LineCollector(SheetPicture& picture, uint32_t verticalEdges);

    // The edge at height `y` from x0 to x1 (cell edges). Calls along one y come left to right.
    void horizontal(int y, int x0, int x1, const EdgeLine& line);
    // The edge `index` (at x) from y0 to y1. Calls for one index come top to bottom.
    void vertical(uint32_t index, int x, int y0, int y1, const EdgeLine& line);
    // A diagonal border, drawn at once (diagonals never join).
    void diagonal(QPointF from, QPointF to, const EdgeLine& line);
    // Draws what is still pending; call once at the end.
    void finish();

private:
    struct Run
    {
        int at = 0; // the edge's position across the line
        int from = 0;
        int to = 0;
        EdgeLine line;
    };
    // Runs of double borders by their edge's position; they are drawn last, when every border
    // that may meet them at a corner is known.
    using RunsByEdge = std::map<int, std::vector<Run>>;
    // Which ways double borders of `runs` leave the point `position` on edge `edge`.
    struct Arms
    {
        bool before = false; // up or left
        bool after = false;  // down or right
    };
    static Arms armsAt(const RunsByEdge& runs, int edge, int position);
    static int cornerAdjustment(const Arms& arms, int side);

    void emitHorizontal(const Run& run);
    void emitVertical(const Run& run);
    void addStyled(QPointF from, QPointF to, const EdgeLine& line);
    void drawDoubles(const RunsByEdge& runs, const RunsByEdge& across, bool vertical);

    SheetPicture& m_picture;
    Run m_horizontal;
    std::vector<Run> m_vertical;
    RunsByEdge m_doubleHorizontals;
    RunsByEdge m_doubleVerticals;
};

} // namespace spreadsheet::render

#include "spreadsheet/render/sheet_renderer.h"

#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/cell_lines.h"
#include "spreadsheet/render/cell_text.h"
#include "spreadsheet/render/sheet_geometry.h"
#include "spreadsheet/render/style_cache.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace spreadsheet::render {

namespace {

// Space between a cell's edges and its text; with the gridline pixel this makes the five
// pixels of padding that a column width includes.
constexpr int kTextPadding = 2;
// The gridline colour of a sheet that keeps the automatic one (Excel 97-2003's silver).
constexpr uint32_t kAutomaticGridColor = 0xC0C0C0;
constexpr uint16_t kDefaultCellXf = 15;

// One cell of the row being drawn, with what its neighbours need to know about it.
struct Slot
{
    const Cell* cell = nullptr;
    uint16_t xf = kDefaultCellXf;     // its own format: text and borders
    uint16_t fillXf = kDefaultCellXf; // the format whose fill covers it (a merged area's first)
    int32_t merge = -1;               // index into the renderer's merged areas
    bool hasValue = false;            // stops text spilling from a neighbour
};

// A merged area in range coordinates (0 = the range's first row and column).
struct MergedArea
{
    uint32_t firstRow, lastRow, firstColumn, lastColumn;
    uint16_t fillXf;
};

int verticalFlags(VerticalAlignment alignment)
{
    switch (alignment) {
    case VerticalAlignment::Top:
    case VerticalAlignment::Justify:
    case VerticalAlignment::Distributed:
        return Qt::AlignTop;
    case VerticalAlignment::Center:
        return Qt::AlignVCenter;
    case VerticalAlignment::Bottom:
        break;
    }
    return Qt::AlignBottom;
}

int horizontalFlag(HorizontalAlignment alignment)
{
    switch (alignment) {
    case HorizontalAlignment::Right:
        return Qt::AlignRight;
    case HorizontalAlignment::Center:
    case HorizontalAlignment::CenterAcrossSelection:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// A cell value in a format, laid out for a cell of some width.
struct LayoutKey
{
    CellKind kind;
    uint16_t xf;
    uint64_t value;     // the number's bits, or the index of the shared string
    uint64_t available; // the width's bits
    bool operator==(const LayoutKey&) const = default;
};

// Spreads every bit of `x` over the whole result (the finaliser of SplitMix64): numbers that
// differ only in their high bits must still land in different cache slots.
uint64_t mixBits(uint64_t x)
{
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

size_t hashOf(const LayoutKey& key)
{
    return mixBits(key.value ^ mixBits(key.available ^ (uint64_t(key.kind) << 16 | key.xf)));
}

// What a cell shows: its formatted value, and that laid out on one line once a cell that does
// not wrap asks for it.
struct LaidOutText
{
    CellText text;
    std::optional<TextLine> line;
};

QColor rgb(uint32_t value)
{
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

class RangeRenderer
{
public:
    RangeRenderer(const Workbook& workbook, const Worksheet& sheet, const CellRange& range);
    SheetPicture render();

private:
    uint16_t formatOf(const Row* row, const Cell* cell, uint32_t column) const;
    void collectRow(uint32_t index, std::vector<Slot>& rowCells);
    void updateActiveMerges(uint32_t index);
    void drawFills(uint32_t index, const std::vector<Slot>& rowCells);
    void drawText(uint32_t index, uint32_t column, const std::vector<Slot>& rowCells);
    void drawVerticalEdges(uint32_t index, const std::vector<Slot>& rowCells);
    void drawDiagonals(uint32_t index, const std::vector<Slot>& rowCells);
    void drawHorizontalEdges(uint32_t boundary, const std::vector<Slot>* above,
                             const std::vector<Slot>* below);
    EdgeLine edgeBetween(const Slot* before, const Slot* after, bool vertical, bool gridline);
    bool spillable(const Slot& slot) const { return !slot.hasValue && slot.merge < 0; }
    LaidOutText& laidOut(const Cell& cell, uint16_t xf, const CellLook& look, qreal available);
    const TextLine& lineOf(LaidOutText& laid, const CellLook& look, qreal available) const;
    void reserveTexts();

    const Workbook& m_workbook;
    const Worksheet& m_sheet;
    CellRange m_range;
    StyleCache m_styles;
    SheetGeometry m_geometry;
    SheetPicture m_picture;
    LineCollector m_lines;
    std::array<uint16_t, kMaxColumns> m_columnXf;
    std::vector<MergedArea> m_merges; // sorted by first row
    size_t m_nextMerge = 0;
    std::vector<int32_t> m_activeMerges;
    std::optional<QColor> m_gridColor;
    std::vector<char> m_crossed; // vertical edges of the current row that spilling text hides
    // Columns repeat their values row after row ("Room 4", "Ended", a price): each value is
    // formatted and measured once per format and width, and its texts in the picture share
    // one string. A table of fixed size where a value takes the place of an earlier one with
    // the same hash: a column of distinct values costs no more than that table.
    // The keys apart from the layouts, so that the look-up reads one small table.
    std::vector<std::optional<LayoutKey>> m_layoutKeys;
    std::vector<LaidOutText> m_layouts;
    LaidOutText m_uncached; // formulas, booleans and errors
};

constexpr size_t kLayoutSlots = 4096; // a power of two

RangeRenderer::RangeRenderer(const Workbook& workbook, const Worksheet& sheet,
                             const CellRange& range)
    : m_workbook(workbook), m_sheet(sheet), m_range(range), m_styles(workbook),
      m_geometry(sheet, range, columnUnitOf(workbook)),
      m_picture(QSize(m_geometry.width(), m_geometry.height())),
      m_lines(m_picture, m_geometry.columnCount() + 1), m_layoutKeys(kLayoutSlots),
      m_layouts(kLayoutSlots)
{
    m_columnXf.fill(kDefaultCellXf);
    for (const ColumnInfo& info : sheet.columns)
        for (uint32_t column = info.first; column <= info.last && column < kMaxColumns; ++column)
            m_columnXf[column] = info.xf;

    for (const CellRange& merged : sheet.merged) {
        if (merged.lastRow < range.firstRow || merged.firstRow > range.lastRow ||
            merged.lastColumn < range.firstColumn || merged.firstColumn > range.lastColumn ||
            merged.firstRow > merged.lastRow || merged.firstColumn > merged.lastColumn)
            continue;
        const Row* anchorRow = sheet.findRow(merged.firstRow);
        const Cell* anchor = anchorRow ? anchorRow->find(merged.firstColumn) : nullptr;
        const auto clampRow = [&](uint32_t row) {
            return std::clamp(row, range.firstRow, range.lastRow) - range.firstRow;
        };
        const auto clampColumn = [&](uint32_t column) {
            return std::clamp<uint32_t>(column, range.firstColumn, range.lastColumn) -
                   range.firstColumn;
        };
        m_merges.push_back(MergedArea{
            clampRow(merged.firstRow), clampRow(merged.lastRow), clampColumn(merged.firstColumn),
            clampColumn(merged.lastColumn), formatOf(anchorRow, anchor, merged.firstColumn)});
    }
    std::sort(m_merges.begin(), m_merges.end(),
              [](const MergedArea& a, const MergedArea& b) { return a.firstRow < b.firstRow; });

    if (sheet.window.showGridlines()) {
        const uint16_t index = sheet.window.gridlineColorIndex;
        m_gridColor =
            index >= 8 && index < 64 ? rgb(workbook.colorOf(index)) : rgb(kAutomaticGridColor);
    }
}

// The format of a cell: its own, else its row's when the row is formatted, else its column's.
uint16_t RangeRenderer::formatOf(const Row* row, const Cell* cell, uint32_t column) const
{
    if (cell)
        return cell->xf;
    if (row && row->formatted)
        return row->xf;
    return column < kMaxColumns ? m_columnXf[column] : kDefaultCellXf;
}

void RangeRenderer::updateActiveMerges(uint32_t index)
{
    std::erase_if(m_activeMerges, [&](int32_t merge) { return m_merges[merge].lastRow < index; });
    while (m_nextMerge < m_merges.size() && m_merges[m_nextMerge].firstRow <= index)
        m_activeMerges.push_back(static_cast<int32_t>(m_nextMerge++));
}

void RangeRenderer::collectRow(uint32_t index, std::vector<Slot>& rowCells)
{
    const uint32_t sheetRow = m_range.firstRow + index;
    const Row* row = m_sheet.findRow(sheetRow);
    auto cell =
        row ? std::lower_bound(row->cells.begin(), row->cells.end(), m_range.firstColumn,
                               [](const Cell& c, uint16_t column) { return c.column < column; })
            : std::vector<Cell>::const_iterator{};
    for (uint32_t column = 0; column < rowCells.size(); ++column) {
        const uint32_t sheetColumn = m_range.firstColumn + column;
        const Cell* found = nullptr;
        if (row && cell != row->cells.end() && cell->column == sheetColumn)
            found = &*cell++;
        Slot& slot = rowCells[column];
        slot.cell = found;
        slot.xf = slot.fillXf = formatOf(row, found, sheetColumn);
        slot.merge = -1;
        slot.hasValue = found && found->kind != CellKind::Blank;
    }
    updateActiveMerges(index);
    for (int32_t merge : m_activeMerges) {
        const MergedArea& area = m_merges[merge];
        for (uint32_t column = area.firstColumn; column <= area.lastColumn; ++column) {
            rowCells[column].merge = merge;
            rowCells[column].fillXf = area.fillXf;
        }
    }
}

// Each row's fills, with equal neighbours joined into one rectangle.
void RangeRenderer::drawFills(uint32_t index, const std::vector<Slot>& rowCells)
{
    const int top = m_geometry.rowEdge(index);
    const int bottom = m_geometry.rowEdge(index + 1);
    if (bottom <= top)
        return;
    uint32_t column = 0;
    while (column < rowCells.size()) {
        const std::optional<QColor> fill = m_styles.look(rowCells[column].fillXf).fill;
        uint32_t end = column + 1;
        while (end < rowCells.size() && m_styles.look(rowCells[end].fillXf).fill == fill)
            ++end;
        const int left = m_geometry.columnEdge(column);
        const int right = m_geometry.columnEdge(end);
        if (fill && right > left)
            m_picture.addFill({QRectF(left, top, right - left, bottom - top), *fill});
        column = end;
    }
}

void RangeRenderer::drawText(uint32_t index, uint32_t column, const std::vector<Slot>& rowCells)
{
    const Slot& slot = rowCells[column];
    uint32_t lastColumn = column;
    uint32_t lastRow = index;
    if (slot.merge >= 0) {
        const MergedArea& area = m_merges[slot.merge];
        if (area.firstRow != index || area.firstColumn != column)
            return; // only the first cell of a merged area shows its value
        lastColumn = area.lastColumn;
        lastRow = area.lastRow;
    }
    // The cell's inside, without the gridline pixels on its right and bottom.
    const int x0 = m_geometry.columnEdge(column);
    const int x1 = m_geometry.columnEdge(lastColumn + 1) - 1;
    const int y0 = m_geometry.rowEdge(index);
    const int y1 = m_geometry.rowEdge(lastRow + 1) - 1;
    if (x1 <= x0 || y1 <= y0)
        return;
    const qreal left = x0 + kTextPadding;
    const qreal right = x1 - kTextPadding;
    const qreal available = std::max<qreal>(0, right - left);
    const CellLook& look = m_styles.look(slot.xf);
    LaidOutText& laid = laidOut(*slot.cell, slot.xf, look, available);
    const CellText& text = laid.text;
    if (text.kind == CellText::Kind::None)
        return;

    const Xf& xf = *look.xf;
    const HorizontalAlignment alignment = effectiveAlignment(xf.horizontal, text);
    const qreal indent = xf.indent * 3 * look.widths->of(QLatin1Char(' '));
    const int vertical = verticalFlags(xf.vertical);
    const QColor color = text.formatted.color ? rgb(*text.formatted.color) : look.textColor;
    QRectF clip(x0, y0, x1 - x0, y1 - y0);

    const bool wraps = (xf.wrap || alignment == HorizontalAlignment::Justify ||
                        alignment == HorizontalAlignment::Distributed) &&
                       !text.isNumeric();
    if (wraps) {
        m_picture.addText({QRectF(left + indent, y0, available - indent, y1 - y0), clip,
                           QString::fromStdString(numfmt::plainText(text.formatted)), *look.font,
                           color, horizontalFlag(alignment) | vertical | Qt::TextWordWrap});
        return;
    }

    const TextLine* laidLine = &lineOf(laid, look, available);
    TextLine filled;
    if (alignment == HorizontalAlignment::Fill && laidLine->runs.size() == 1 &&
        !laidLine->fillsCell && laidLine->width > 0) {
        // Fill repeats the value across the cell; it never spills.
        filled = *laidLine;
        const int count = std::max(1, static_cast<int>(std::floor(available / filled.width)));
        filled.runs.front().text = filled.runs.front().text.repeated(count);
        filled.runs.front().width *= count;
        filled.width *= count;
        filled.fillsCell = true;
        laidLine = &filled;
    }
    const TextLine& line = *laidLine;

    qreal start = left + indent;
    if (!line.fillsCell && alignment == HorizontalAlignment::Right)
        start = right - indent - line.width;
    else if (!line.fillsCell && horizontalFlag(alignment) == Qt::AlignHCenter)
        start = (left + right - line.width) / 2;

    // Text wider than its cell spills into empty neighbours on the side(s) it grows to, and
    // hides the gridlines it crosses; a filled value or a number never spills.
    if (!line.fillsCell && !text.isNumeric() && slot.merge < 0) {
        uint32_t next = lastColumn + 1;
        while (start + line.width > clip.right() && next < rowCells.size() &&
               spillable(rowCells[next])) {
            m_crossed[next] = 1;
            clip.setRight(m_geometry.columnEdge(next + 1) - 1);
            ++next;
        }
        uint32_t previous = column;
        while (start < clip.left() && previous > 0 && spillable(rowCells[previous - 1])) {
            m_crossed[previous] = 1;
            --previous;
            clip.setLeft(m_geometry.columnEdge(previous));
        }
    }

    // Runs of a right-aligned or centred value are anchored on the side they are aligned to,
    // so that small differences of glyph widths at other zoom factors do not move that edge.
    const bool single = line.runs.size() == 1;
    for (const TextRun& run : line.runs) {
        int anchor = Qt::AlignLeft;
        if (alignment == HorizontalAlignment::Right || (line.fillsCell && run.left > 0))
            anchor = Qt::AlignRight;
        else if (single && horizontalFlag(alignment) == Qt::AlignHCenter && !line.fillsCell)
            anchor = Qt::AlignHCenter;
        m_picture.addText({QRectF(start + run.left, y0, run.width, y1 - y0), clip, run.text,
                           *look.font, color,
                           anchor | vertical | Qt::TextSingleLine | Qt::TextDontClip});
    }
}

LaidOutText& RangeRenderer::laidOut(const Cell& cell, uint16_t xf, const CellLook& look,
                                    qreal available)
{
    uint64_t value = 0;
    if (cell.kind == CellKind::Number)
        value = std::bit_cast<uint64_t>(cell.number);
    else if (cell.kind == CellKind::String)
        value = cell.index;
    else {
        m_uncached = LaidOutText{cellText(m_workbook, m_sheet, cell, look), std::nullopt};
        return m_uncached;
    }
    const LayoutKey key{cell.kind, xf, value, std::bit_cast<uint64_t>(available)};
    const size_t slot = hashOf(key) & (kLayoutSlots - 1);
    if (m_layoutKeys[slot] != key) {
        m_layoutKeys[slot] = key;
        m_layouts[slot] = LaidOutText{cellText(m_workbook, m_sheet, cell, look), std::nullopt};
    }
    return m_layouts[slot];
}

const TextLine& RangeRenderer::lineOf(LaidOutText& laid, const CellLook& look,
                                      qreal available) const
{
    if (!laid.line)
        laid.line = layOutLine(laid.text, *look.widths, available);
    return *laid.line;
}

// One text item for nearly every cell with a value; knowing their number up front spares the
// picture's list from growing by copying. Some values take more than one item (a fill, a
// spacing), so the room is generous: pages of it that stay unused are never touched.
void RangeRenderer::reserveTexts()
{
    size_t cells = 0;
    for (uint32_t row = m_range.firstRow; row <= m_range.lastRow; ++row)
        if (const Row* found = m_sheet.findRow(row))
            for (const Cell& cell : found->cells)
                cells += cell.column >= m_range.firstColumn && cell.column <= m_range.lastColumn &&
                         cell.kind != CellKind::Blank;
    m_picture.reserve(0, 0, cells + cells / 4 + 64);
}

// The border on an edge, or the gridline where there is none and `gridline` allows one.
EdgeLine RangeRenderer::edgeBetween(const Slot* before, const Slot* after, bool vertical,
                                    bool gridline)
{
    if (before && after && before->merge >= 0 && before->merge == after->merge)
        return {};
    static const BorderLine kNone;
    const BorderLine& first = before ? (vertical ? m_styles.look(before->xf).xf->right
                                                 : m_styles.look(before->xf).xf->bottom)
                                     : kNone;
    const BorderLine& second =
        after ? (vertical ? m_styles.look(after->xf).xf->left : m_styles.look(after->xf).xf->top)
              : kNone;
    const BorderLine& border = heavierBorder(first, second);
    if (border.style != 0)
        return EdgeLine{border.style, m_styles.color(border.colorIndex)};
    // A filled cell covers the gridlines on its edges.
    const bool filled = (before && m_styles.look(before->fillXf).fill) ||
                        (after && m_styles.look(after->fillXf).fill);
    if (gridline && m_gridColor && !filled)
        return EdgeLine{1, *m_gridColor};
    return {};
}

void RangeRenderer::drawVerticalEdges(uint32_t index, const std::vector<Slot>& rowCells)
{
    const int top = m_geometry.rowEdge(index);
    const int bottom = m_geometry.rowEdge(index + 1);
    for (uint32_t edge = 0; edge <= rowCells.size(); ++edge) {
        const Slot* before = edge > 0 ? &rowCells[edge - 1] : nullptr;
        const Slot* after = edge < rowCells.size() ? &rowCells[edge] : nullptr;
        const EdgeLine line = edgeBetween(before, after, true, !m_crossed[edge]);
        m_lines.vertical(edge, m_geometry.columnEdge(edge), top, bottom, line);
    }
}

// Diagonal borders cross the cell (a merged area's first cell: the whole area) from corner to
// corner: down from the top left, up from the bottom left.
void RangeRenderer::drawDiagonals(uint32_t index, const std::vector<Slot>& rowCells)
{
    for (uint32_t column = 0; column < rowCells.size(); ++column) {
        const Slot& slot = rowCells[column];
        const Xf& xf = *m_styles.look(slot.xf).xf;
        if (xf.diagonalKind == 0 || xf.diagonal.style == 0)
            continue;
        uint32_t lastColumn = column;
        uint32_t lastRow = index;
        if (slot.merge >= 0) {
            const MergedArea& area = m_merges[slot.merge];
            if (area.firstRow != index || area.firstColumn != column)
                continue;
            lastColumn = area.lastColumn;
            lastRow = area.lastRow;
        }
        const QRectF cell(
            QPointF(m_geometry.columnEdge(column) - 0.5, m_geometry.rowEdge(index) - 0.5),
            QPointF(m_geometry.columnEdge(lastColumn + 1) - 0.5,
                    m_geometry.rowEdge(lastRow + 1) - 0.5));
        const EdgeLine line{xf.diagonal.style, m_styles.color(xf.diagonal.colorIndex)};
        if (xf.diagonalKind & 1)
            m_lines.diagonal(cell.topLeft(), cell.bottomRight(), line);
        if (xf.diagonalKind & 2)
            m_lines.diagonal(cell.bottomLeft(), cell.topRight(), line);
    }
}

void RangeRenderer::drawHorizontalEdges(uint32_t boundary, const std::vector<Slot>* above,
                                        const std::vector<Slot>* below)
{
    const int y = m_geometry.rowEdge(boundary);
    const uint32_t columns = m_geometry.columnCount();
    for (uint32_t column = 0; column < columns; ++column) {
        const EdgeLine line = edgeBetween(above ? &(*above)[column] : nullptr,
                                          below ? &(*below)[column] : nullptr, false, true);
        m_lines.horizontal(y, m_geometry.columnEdge(column), m_geometry.columnEdge(column + 1),
                           line);
    }
}

SheetPicture RangeRenderer::render()
{
    const uint32_t columns = m_geometry.columnCount();
    std::vector<Slot> previous(columns);
    std::vector<Slot> current(columns);
    m_crossed.assign(columns + 1, 0);
    reserveTexts();
    for (uint32_t index = 0; index < m_geometry.rowCount(); ++index) {
        collectRow(index, current);
        drawFills(index, current);
        std::fill(m_crossed.begin(), m_crossed.end(), 0);
        for (uint32_t column = 0; column < columns; ++column)
            if (current[column].hasValue)
                drawText(index, column, current);
        drawVerticalEdges(index, current);
        drawDiagonals(index, current);
        drawHorizontalEdges(index, index > 0 ? &previous : nullptr, &current);
        std::swap(previous, current);
    }
    drawHorizontalEdges(m_geometry.rowCount(), &previous, nullptr);
    m_lines.finish();
    m_picture.finish();
    return std::move(m_picture);
}

} // namespace

SheetPicture renderRange(const Workbook& workbook, const Worksheet& sheet, CellRange range)
{
    range.lastRow = std::min(range.lastRow, kMaxRows - 1);
    range.lastColumn = static_cast<uint16_t>(std::min<uint32_t>(range.lastColumn, kMaxColumns - 1));
    if (range.firstRow > range.lastRow || range.firstColumn > range.lastColumn)
        return SheetPicture();
    return RangeRenderer(workbook, sheet, range).render();
}

} // namespace spreadsheet::render

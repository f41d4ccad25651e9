#pragma once

// The picture of a sheet range, kept as a display list rather than a bitmap: text stays sharp
// at every zoom, a picture of 65,000 rows of twelve cells holds some 150 MB (a bitmap of it
// would need gigabytes), and painting touches only the items that intersect the visible
// rectangle (items are sorted by their top edge and looked up by binary search, so a repaint
// costs the same at the top and at the end of the sheet).
//
// Coordinates are pixels at 100 % (96 dots per inch; one pixel is 15 twips).

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class QPainter;
class QImage;

namespace spreadsheet::render {

class SheetPicture
{
public:
    struct FillItem
    {
        QRectF rect;
        QColor color;
    };
    struct LineItem
    {
        QPointF from;
        QPointF to;
        QColor color;
        qreal width = 1;
        Qt::PenStyle style = Qt::SolidLine;
    };
    struct TextItem
    {
        QRectF rect; // where the text is laid out
        QRectF clip; // the cell (or overflow) area it may paint into
        QString text;
        QFont font; // pixel size at 100 %, so that painting scaled stays exact
        QColor color;
        // Qt::AlignmentFlag | Qt::TextWordWrap, or Qt::TextSingleLine for one line laid out in
        // `rect`, which paints fastest (from its glyphs; see glyph_painter.h).
        int flags = 0;
    };

    // Built by finish(): items [0, ordinary) of a list are sorted by top edge and at most
    // `tallest` high; the rest are the tall ones.
    struct LookupIndex
    {
        size_t ordinary = 0;
        qreal tallest = 0;
    };

    SheetPicture() = default;
    explicit SheetPicture(QSize size) : m_size(size) {}

    QSize size() const { return m_size; }
    bool isEmpty() const { return m_size.isEmpty(); }

    // Makes room for this many more items of each kind (a loader that knows the counts).
    void reserve(size_t fills, size_t lines, size_t texts);
    void addFill(FillItem item);
    void addLine(LineItem item);
    void addText(TextItem item);
    // Sorts the items for lookup; called once after the last add. An unfinished picture still
    // paints correctly, only by looking at every item.
    void finish();

    // Paints the items that reach into `visible` (picture pixels at 100 %); one that only
    // touches its edge is left out. The caller sets up the painter's transform (zoom and scroll
    // offset) and may set a clip (a printed page's band of rows), which every item keeps to.
    void paint(QPainter& painter, const QRectF& visible) const;
    // A bitmap of the whole picture at `zoom` (tests and the --render command line).
    QImage toImage(double zoom = 1.0) const;

    // Our own small file format; load refuses a damaged file with a message in `error`.
    bool save(const QString& path, QString* error) const;
    static std::optional<SheetPicture> load(const QString& path, QString* error);

    const std::vector<FillItem>& fills() const { return m_fills; }
    const std::vector<LineItem>& lines() const { return m_lines; }
    const std::vector<TextItem>& texts() const { return m_texts; }

private:
    QSize m_size;
    std::vector<FillItem> m_fills;
    std::vector<LineItem> m_lines;
    std::vector<TextItem> m_texts;
    // After finish() each list holds its ordinary items first, sorted by top edge, and after
    // them the few items taller than kTallItem (long borders and gridlines running down the
    // sheet), which every repaint checks one by one. An ordinary item that can reach into the
    // visible rectangle starts at most `tallest ordinary height` above it, so a binary search
    // finds the first one to look at and a repaint costs the same at the top and at the end.
    LookupIndex m_fillIndex;
    LookupIndex m_lineIndex;
    LookupIndex m_textIndex;
    bool m_finished = true;
};

} // namespace spreadsheet::render

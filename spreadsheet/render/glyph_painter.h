#pragma once

// Paints the picture's single-line texts from their glyphs directly: the glyphs of a text are
// looked up in the raw font and placed by their advances, without the shaping and line layout
// that QPainter::drawText runs on every call. A repaint at 25 % shows some 1,500 cells, and this
// makes the difference between fitting into the preview's ten-millisecond budget and not.
// Spreadsheet cells hold short runs of simple text, which need neither kerning nor shaping (as
// the spreadsheet program draws them); a text with a character the font lacks is left to
// drawText, which finds a fallback font for it.

#include "spreadsheet/render/sheet_picture.h"

#include <QRawFont>
#include <QRectF>

#include <optional>
#include <vector>

namespace spreadsheet::render {

class GlyphPainter
{
public:
    // `outerClip` is the clip the painter's caller set, if any; every text stays inside it.
    explicit GlyphPainter(QPainter& painter, std::optional<QRectF> outerClip = std::nullopt)
        : m_painter(painter), m_outerClip(outerClip)
    {
    }

    // Draws `item` (a single line) clipped to item.clip and the outer clip; false when it must
    // go to drawText.
    bool draw(const SheetPicture::TextItem& item);

private:
    struct FontEntry
    {
        QFont font;
        QRawFont raw;
        qreal ascent = 0;
        qreal descent = 0;
        qreal underline = 0; // below the baseline
        qreal strikeOut = 0; // above the baseline
        qreal lineThickness = 1;
    };
    const FontEntry& entryFor(const QFont& font);

    QPainter& m_painter;
    std::optional<QRectF> m_outerClip;
    std::vector<FontEntry> m_fonts;
    QList<quint32> m_glyphs;
    QList<QPointF> m_positions;
};

} // namespace spreadsheet::render

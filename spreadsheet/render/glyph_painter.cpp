#include "spreadsheet/render/glyph_painter.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

namespace spreadsheet::render {

namespace {

// A single line of text whose glyphs lie this far inside its clip needs no clipping: glyphs may
// overhang their advance by a little.
constexpr qreal kClipSlack = 1;

} // namespace

const GlyphPainter::FontEntry& GlyphPainter::entryFor(const QFont& font)
{
    for (const FontEntry& entry : m_fonts)
        if (entry.font.isCopyOf(font) || entry.font == font)
            return entry;
    FontEntry entry;
    entry.font = font;
    entry.raw = QRawFont::fromFont(font);
    entry.ascent = entry.raw.ascent();
    entry.descent = entry.raw.descent();
    const QFontMetricsF metrics(font);
    entry.underline = metrics.underlinePos();
    entry.strikeOut = metrics.strikeOutPos();
    entry.lineThickness = std::max<qreal>(1, metrics.lineWidth());
    m_fonts.push_back(std::move(entry));
    return m_fonts.back();
}

bool GlyphPainter::draw(const SheetPicture::TextItem& item)
{
    const FontEntry& font = entryFor(item.font);
    if (!font.raw.isValid())
        return false;
    m_glyphs = font.raw.glyphIndexesForString(item.text);
    if (m_glyphs.contains(0u))
        return false;
    m_positions = font.raw.advancesForGlyphIndexes(m_glyphs);
    qreal width = 0;
    for (QPointF& position : m_positions) {
        const qreal advance = position.x();
        position = QPointF(width, 0);
        width += advance;
    }

    // Where drawText would put the line: aligned in item.rect, the line as high as the font's
    // ascent and descent.
    const QRectF& rect = item.rect;
    qreal x = rect.left();
    if (item.flags & Qt::AlignRight)
        x = rect.right() - width;
    else if (item.flags & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - width) / 2;
    const qreal lineHeight = font.ascent + font.descent;
    qreal top = rect.top();
    if (item.flags & Qt::AlignBottom)
        top = rect.bottom() - lineHeight;
    else if (item.flags & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - lineHeight) / 2;

    // Under an outer clip the text is always clipped: to its own clip within the outer one.
    const QRectF inked(x - kClipSlack, top, width + 2 * kClipSlack, lineHeight);
    if (m_outerClip)
        m_painter.setClipRect(item.clip & *m_outerClip);
    else if (item.clip.contains(inked))
        m_painter.setClipping(false);
    else
        m_painter.setClipRect(item.clip);

    QGlyphRun run;
    run.setRawFont(font.raw);
    run.setGlyphIndexes(m_glyphs);
    run.setPositions(m_positions);
    const qreal baseline = top + font.ascent;
    m_painter.drawGlyphRun(QPointF(x, baseline), run);
    // The glyph run's own decorations land in the wrong place under a transform (Qt 6.4), so
    // the lines are drawn here.
    const QColor color = m_painter.pen().color();
    if (item.font.underline())
        m_painter.fillRect(QRectF(x, baseline + font.underline, width, font.lineThickness), color);
    if (item.font.strikeOut())
        m_painter.fillRect(QRectF(x, baseline - font.strikeOut, width, font.lineThickness), color);
    return true;
}

} // namespace spreadsheet::render

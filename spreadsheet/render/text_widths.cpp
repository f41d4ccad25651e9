#include "spreadsheet/render/text_widths.h"

#include <QString>

namespace spreadsheet::render {

TextWidths::TextWidths(const QFont& font) : m_raw(QRawFont::fromFont(font)), m_metrics(font)
{
    if (!m_raw.isValid())
        return;
    QString printable;
    for (char16_t c = kFirstTabled; c <= kLastTabled; ++c)
        printable.append(QChar(c));
    const QList<quint32> glyphs = m_raw.glyphIndexesForString(printable);
    if (glyphs.size() != printable.size() || glyphs.contains(0u))
        return;
    const QList<QPointF> advances = m_raw.advancesForGlyphIndexes(glyphs);
    for (qsizetype i = 0; i < advances.size(); ++i)
        m_printable[static_cast<size_t>(i)] = advances[i].x();
    m_tabled = true;
}

qreal TextWidths::of(QStringView text) const
{
    if (m_tabled) {
        qreal width = 0;
        bool allTabled = true;
        for (QChar c : text) {
            if (c.unicode() < kFirstTabled || c.unicode() > kLastTabled) {
                allTabled = false;
                break;
            }
            width += m_printable[c.unicode() - kFirstTabled];
        }
        if (allTabled)
            return width;
    }
    if (m_raw.isValid()) {
        const QList<quint32> glyphs = m_raw.glyphIndexesForString(text.toString());
        if (!glyphs.contains(0u)) {
            qreal width = 0;
            for (const QPointF& advance : m_raw.advancesForGlyphIndexes(glyphs))
                width += advance.x();
            return width;
        }
    }
    return m_metrics.horizontalAdvance(text.toString());
}

} // namespace spreadsheet::render

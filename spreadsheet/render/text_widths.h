#pragma once

// Widths of texts in one font as the picture paints them (glyph_painter.h): the sum of the
// glyphs' advances, without kerning or shaping. Printable ASCII, nearly every character of a
// sheet, comes from a table, so measuring a cell costs a few additions.

#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>
#include <QStringView>

#include <array>

namespace spreadsheet::render {

class TextWidths
{
public:
    explicit TextWidths(const QFont& font);

    qreal of(QStringView text) const;
    qreal of(QChar character) const { return of(QStringView(&character, 1)); }

private:
    static constexpr char16_t kFirstTabled = 0x20;
    static constexpr char16_t kLastTabled = 0x7E;

    QRawFont m_raw;
    QFontMetricsF m_metrics; // for texts with a character the font lacks (drawn by drawText)
    std::array<qreal, kLastTabled - kFirstTabled + 1> m_printable{};
    bool m_tabled = false;
};

} // namespace spreadsheet::render

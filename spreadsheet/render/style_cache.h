#pragma once

// What the renderer needs of a cell format, resolved once per XF: the Qt font and its
// text widths, colours from the palette, the fill, and the number format's code.

#include "spreadsheet/model/styles.h"
#include "spreadsheet/render/sheet_geometry.h"
#include "spreadsheet/render/text_widths.h"

#include <QColor>
#include <QFont>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spreadsheet {
class Workbook;
}

namespace spreadsheet::render {

// Fonts the machine lacks are drawn with their metric twins (Times New Roman with Liberation
// Serif, Arial with Liberation Sans, ...), so texts take the width they take in Excel. Safe to
// call more than once.
void installFontSubstitutes();

// The unit of the workbook's column widths: the widest digit of its Normal style's font (font 0).
ColumnUnit columnUnitOf(const Workbook& workbook);

// A model font as Qt draws it, sized in whole pixels at 96 dots per inch as Windows rounds a
// point size (9 pt = 12 px, 10 pt = 13 px, 11 pt = 15 px).
QFont qtFont(const Font& font);

struct CellLook
{
    const Xf* xf = nullptr;
    const QFont* font = nullptr;
    const TextWidths* widths = nullptr;
    QColor textColor;
    std::optional<QColor> fill;
    std::string formatCode;
    bool generalFormat = true;
};

class StyleCache
{
public:
    explicit StyleCache(const Workbook& workbook);
    ~StyleCache();

    // The look of XF `xf`; an index the workbook does not have gets the default cell format.
    // Asked several times for every cell, so the look made before is returned inline.
    const CellLook& look(uint16_t xf)
    {
        return xf < m_looks.size() && m_looks[xf] ? *m_looks[xf] : firstLook(xf);
    }
    QColor color(uint16_t index, bool isBackground = false) const;

private:
    struct FontEntry;
    const FontEntry& fontEntry(uint16_t index);
    CellLook makeLook(const Xf& xf);
    const CellLook& firstLook(uint16_t xf);

    const Workbook& m_workbook;
    Xf m_defaultXf;
    std::vector<std::unique_ptr<FontEntry>> m_fonts;
    std::unique_ptr<FontEntry> m_missingFont;
    std::vector<std::optional<CellLook>> m_looks;
    std::optional<CellLook> m_defaultLook;
};

} // namespace spreadsheet::render

#include "tests/spreadsheet/render/feature_fixture.h"

#include <functional>
#include <string>

namespace spreadsheet::render::testing {

namespace {

class SheetBuilder
{
public:
    SheetBuilder() : m_workbook(makeDefaultWorkbook("Features")) {}

    uint16_t font(const std::string& name, uint16_t points, bool bold = false, bool italic = false,
                  uint8_t underline = 0, uint16_t color = kColorAutomaticFont)
    {
        Font font;
        font.name = name;
        font.heightTwips = static_cast<uint16_t>(points * 20);
        font.weight = bold ? 700 : 400;
        font.italic = italic;
        font.underline = underline;
        font.colorIndex = color;
        m_workbook.fonts.push_back(font);
        return static_cast<uint16_t>(m_workbook.fonts.size() - 1);
    }
    uint16_t format(const std::string& code)
    {
        const auto id = static_cast<uint16_t>(164 + m_workbook.numberFormats.size());
        m_workbook.numberFormats[id] = code;
        return id;
    }
    uint16_t xf(const std::function<void(Xf&)>& change)
    {
        Xf xf = m_workbook.xfs[15];
        change(xf);
        xf.usedAttributes = 0x3F;
        m_workbook.xfs.push_back(xf);
        return static_cast<uint16_t>(m_workbook.xfs.size() - 1);
    }
    void text(uint32_t row, uint16_t column, const std::string& value, uint16_t xf = 15)
    {
        Cell& cell = sheet().ensureRow(row).ensure(column, xf);
        cell.kind = CellKind::String;
        cell.index = m_workbook.strings.intern(value);
    }
    void number(uint32_t row, uint16_t column, double value, uint16_t xf = 15)
    {
        Cell& cell = sheet().ensureRow(row).ensure(column, xf);
        cell.kind = CellKind::Number;
        cell.number = value;
    }
    void flag(uint32_t row, uint16_t column, CellKind kind, uint8_t value)
    {
        Cell& cell = sheet().ensureRow(row).ensure(column, 15);
        cell.kind = kind;
        cell.flag = value;
    }
    void blank(uint32_t row, uint16_t column, uint16_t xf)
    {
        sheet().ensureRow(row).ensure(column, xf);
    }
    void rowHeight(uint32_t row, uint16_t twips)
    {
        Row& r = sheet().ensureRow(row);
        r.hasRecord = true;
        r.heightTwips = twips;
        r.customHeight = true;
    }
    void columnWidth(uint16_t column, uint16_t width256)
    {
        sheet().columns.push_back(ColumnInfo{column, column, width256});
    }
    Worksheet& sheet() { return m_workbook.sheets[0]; }
    Workbook take() { return std::move(m_workbook); }

private:
    Workbook m_workbook;
};

uint16_t withFormat(SheetBuilder& b, const std::string& code)
{
    const uint16_t id = b.format(code);
    return b.xf([&](Xf& x) { x.format = id; });
}

} // namespace

Workbook featureWorkbook()
{
    SheetBuilder b;
    using H = HorizontalAlignment;
    using V = VerticalAlignment;
    b.columnWidth(0, 3000);
    b.columnWidth(6, 4000);

    // Row 1: alignments and value kinds.
    b.text(0, 0, "Left", b.xf([](Xf& x) { x.horizontal = H::Left; }));
    b.text(0, 1, "Centre", b.xf([](Xf& x) { x.horizontal = H::Center; }));
    b.text(0, 2, "Right", b.xf([](Xf& x) { x.horizontal = H::Right; }));
    b.number(0, 3, 123.456);
    b.flag(0, 4, CellKind::Boolean, 1);
    b.flag(0, 5, CellKind::Error, static_cast<uint8_t>(ErrorCode::Div0));
    b.number(0, 6, 1234567890123.0);

    // Row 2: number formats.
    b.number(1, 0, 0.4567, withFormat(b, "0.00%"));
    b.number(1, 1, 1234.5, withFormat(b, "#,##0.00"));
    b.number(1, 2, 0.375, withFormat(b, "# ?/?"));
    b.number(1, 3, -42, withFormat(b, "0.00;[Red]-0.00"));
    b.number(1, 4, 0.00001234, withFormat(b, "0.00E+00"));
    b.number(1, 5, 38641.75, withFormat(b, "h:mm AM/PM"));
    b.number(1, 6, 38641.5, withFormat(b, "dddd d mmm yyyy"));

    // Row 3: fonts.
    b.text(2, 0, "Bold", b.xf([&](Xf& x) { x.font = b.font("Arial", 10, true); }));
    b.text(2, 1, "Italic", b.xf([&](Xf& x) { x.font = b.font("Arial", 10, false, true); }));
    b.text(2, 2, "Under", b.xf([&](Xf& x) { x.font = b.font("Arial", 10, false, false, 1); }));
    b.text(2, 3, "Red", b.xf([&](Xf& x) { x.font = b.font("Arial", 10, false, false, 0, 10); }));
    b.text(2, 4, "Times 12", b.xf([&](Xf& x) { x.font = b.font("Times New Roman", 12); }));
    b.text(2, 5, "Courier", b.xf([&](Xf& x) { x.font = b.font("Courier New", 10); }));
    b.text(2, 6, "Times 14 bold",
           b.xf([&](Xf& x) { x.font = b.font("Times New Roman", 14, true); }));

    // Row 4: fills and border styles (the whole cell boxed in each style).
    b.blank(3, 0, b.xf([](Xf& x) {
        x.fillPattern = 1;
        x.patternColorIndex = 13; // yellow
    }));
    b.blank(3, 1, b.xf([](Xf& x) {
        x.fillPattern = 2; // 50 % grey
        x.patternColorIndex = 12;
        x.backgroundColorIndex = 9;
    }));
    const uint8_t styles[] = {1, 2, 3, 4, 5, 6};
    for (uint16_t i = 0; i < 6; ++i) {
        const uint8_t style = styles[i];
        b.text(3, static_cast<uint16_t>(2 + i), "b" + std::to_string(style), b.xf([&](Xf& x) {
            x.left = x.right = x.top = x.bottom = BorderLine{style, 8};
            x.horizontal = H::Center;
        }));
    }

    // Row 6 (tall): vertical alignment and wrapping.
    b.rowHeight(5, 900);
    b.text(5, 0, "Top", b.xf([](Xf& x) { x.vertical = V::Top; }));
    b.text(5, 1, "Middle", b.xf([](Xf& x) { x.vertical = V::Center; }));
    b.text(5, 2, "Bottom");
    b.blank(5, 4, b.xf([](Xf& x) {
        x.diagonal = BorderLine{1, 10};
        x.diagonalKind = 3; // both ways, red
    }));
    b.text(5, 3, "Wrapped text over three lines of the cell", b.xf([](Xf& x) {
        x.wrap = true;
        x.vertical = V::Top;
    }));

    // Rows 8 and 9: a merged area with a fill, spilling text both ways, "#" marks.
    b.text(7, 1, "Merged B8:D9", b.xf([](Xf& x) {
        x.horizontal = H::Center;
        x.vertical = V::Center;
        x.fillPattern = 1;
        x.patternColorIndex = 42; // light green
    }));
    b.sheet().merged.push_back(CellRange{7, 8, 1, 3});
    b.text(10, 0, "Left text spilling over two empty cells");
    b.text(10, 6, "Right text spills left", b.xf([](Xf& x) { x.horizontal = H::Right; }));
    b.text(11, 2, "Centred text spills both ways", b.xf([](Xf& x) { x.horizontal = H::Center; }));
    b.number(12, 1, 123456789.125, withFormat(b, "#,##0.000"));

    // Row 14: repeating and accounting formats.
    b.number(13, 0, 1234.5,
             withFormat(b, R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))"));
    b.number(13, 1, 0,
             withFormat(b, R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))"));
    b.number(13, 2, 77, withFormat(b, "**0"));
    b.text(13, 3, "ab", b.xf([](Xf& x) { x.horizontal = H::Fill; }));
    return b.take();
}

} // namespace spreadsheet::render::testing

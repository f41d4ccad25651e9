#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace spreadsheet {

// Colour indexes of the .xls palette: 8..63 are the 56 palette slots, 64 is the system
// window-text colour and 0x7FFF the automatic font colour.
inline constexpr uint16_t kColorAutomaticFont = 0x7FFF;
inline constexpr uint16_t kColorSystemForeground = 64;
inline constexpr uint16_t kColorSystemBackground = 65;

// One FONT record. Xf::font holds a model index into Workbook::fonts; the file format's
// missing font index 4 is handled by the reader and writer only.
struct Font
{
    std::string name = "Arial";
    uint16_t heightTwips = 200; // 1/20 of a point
    uint16_t weight = 400;      // 700 is bold
    bool italic = false;
    bool strikeout = false;
    bool outline = false;
    bool shadow = false;
    uint16_t colorIndex = kColorAutomaticFont;
    uint16_t escapement = 0; // 0 none, 1 superscript, 2 subscript
    uint8_t underline = 0;   // 0 none, 1 single, 2 double, 0x21 single accounting, 0x22 double acc.
    uint8_t family = 0;
    uint8_t charset = 0;

    bool bold() const { return weight >= 700; }
    bool operator==(const Font&) const = default;
};

enum class HorizontalAlignment : uint8_t
{
    General = 0,
    Left = 1,
    Center = 2,
    Right = 3,
    Fill = 4,
    Justify = 5,
    CenterAcrossSelection = 6,
    Distributed = 7,
};

enum class VerticalAlignment : uint8_t
{
    Top = 0,
    Center = 1,
    Bottom = 2,
    Justify = 3,
    Distributed = 4,
};

// Border line styles as the format numbers them (0 none, 1 thin, 2 medium, 3 dashed, ...).
struct BorderLine
{
    uint8_t style = 0;
    uint16_t colorIndex = kColorSystemForeground;
    bool operator==(const BorderLine&) const = default;
};

// One XF record: a cell format (isStyle false, parent names its style XF) or a style format.
struct Xf
{
    uint16_t font = 0;   // model index into Workbook::fonts
    uint16_t format = 0; // number format id (built-in or Workbook::numberFormats)
    bool isStyle = false;
    bool locked = true;
    bool hidden = false;
    bool prefix123 = false;
    uint16_t parent = 0; // index of the parent style XF; ignored for style XFs (written 0xFFF)

    HorizontalAlignment horizontal = HorizontalAlignment::General;
    bool wrap = false;
    VerticalAlignment vertical = VerticalAlignment::Bottom;
    bool justifyLast = false;
    uint8_t rotation = 0;
    uint8_t indent = 0;
    bool shrinkToFit = false;
    uint8_t readingOrder = 0;
    // The six "attribute used" bits (number, font, alignment, border, pattern, protection),
    // bit 0 = number format ... bit 5 = protection, as stored in the record.
    uint8_t usedAttributes = 0;

    BorderLine left;
    BorderLine right;
    BorderLine top;
    BorderLine bottom;
    BorderLine diagonal;
    uint8_t diagonalKind = 0; // bit 0 down, bit 1 up

    uint8_t fillPattern = 0; // 0 none, 1 solid, ...
    uint16_t patternColorIndex = kColorSystemForeground;
    uint16_t backgroundColorIndex = kColorSystemBackground;

    bool operator==(const Xf&) const = default;
};

// One STYLE record.
struct CellStyle
{
    uint16_t xf = 0;
    bool builtIn = true;
    uint8_t builtInId = 0; // 0 Normal, 3 Comma, 4 Currency, 5 Percent, 6 Comma [0], 7 Currency [0]
    uint8_t outlineLevel = 0xFF;
    std::string name; // user-defined styles only
    bool operator==(const CellStyle&) const = default;
};

// The 56 palette colours (slots 8..63) as 0xRRGGBB.
using Palette = std::array<uint32_t, 56>;

// Excel's default palette.
Palette defaultPalette();

} // namespace spreadsheet

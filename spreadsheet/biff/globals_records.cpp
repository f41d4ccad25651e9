#include "spreadsheet/biff/globals_records.h"

#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/strings.h"

#include "spreadsheet/model/error.h"

namespace spreadsheet::biff {

uint16_t fontIndexFromFile(uint16_t file)
{
    // Index 4 names no font; Excel falls back to the default font for it.
    if (file == 4)
        return 0;
    return file > 4 ? uint16_t(file - 1) : file;
}

// BOF
//   0  2  vers      0x0600 for BIFF8
//   2  2  dt        substream type (0x0005 globals, 0x0010 worksheet, 0x0020 chart, ...)
//   4  2  rupBuild  build of the writing application
//   6  2  rupYear
//   8  4  bfh       file history flags
//  12  4  sfo       lowest BIFF version that can read all records
Bof readBof(ByteReader& in)
{
    Bof bof;
    bof.version = in.u16();
    bof.type = in.u16();
    return bof;
}

void writeBof(RecordWriter& out, uint16_t substreamType)
{
    ByteWriter& w = out.begin(kBof);
    w.u16(0x0600);
    w.u16(substreamType);
    w.u16(0x0DBB);
    w.u16(0x07CC);
    w.u32(0x00000000);
    w.u32(0x00000006);
    out.end();
}

// WINDOW1
//   0  2  xWn        left edge of the window, twips
//   2  2  yWn        top edge
//   4  2  dxWn       width
//   6  2  dyWn       height
//   8  2  grbit      hidden, iconic, scroll bars, tab bar
//  10  2  itabCur    active sheet
//  12  2  itabFirst  first visible tab
//  14  2  ctabSel    number of selected sheets
//  16  2  wTabRatio  tab bar width against the scroll bar, 1/1000
WorkbookWindow readWindow1(ByteReader& in)
{
    WorkbookWindow window;
    window.left = in.i16();
    window.top = in.i16();
    window.width = in.u16();
    window.height = in.u16();
    window.options = in.u16();
    window.activeSheet = in.u16();
    window.firstVisibleTab = in.u16();
    window.selectedTabs = in.u16();
    window.tabRatio = in.u16();
    return window;
}

void writeWindow1(RecordWriter& out, const WorkbookWindow& window)
{
    ByteWriter& w = out.begin(kWindow1);
    w.u16(uint16_t(window.left));
    w.u16(uint16_t(window.top));
    w.u16(window.width);
    w.u16(window.height);
    w.u16(window.options);
    w.u16(window.activeSheet);
    w.u16(window.firstVisibleTab);
    w.u16(window.selectedTabs);
    w.u16(window.tabRatio);
    out.end();
}

// FONT
//   0  2  dyHeight   twips
//   2  2  grbit      bit 0 bold (as the weight says), 1 italic, 3 strikeout, 4 outline,
//                    5 shadow
//   4  2  icv        colour index
//   6  2  bls        weight (400 normal, 700 bold)
//   8  2  sss        0 none, 1 superscript, 2 subscript
//  10  1  uls        underline
//  11  1  bFamily
//  12  1  bCharSet
//  13  1  reserved
//  14  var  name     ShortXLUnicodeString
Font readFont(ByteReader& in)
{
    Font font;
    font.heightTwips = in.u16();
    const uint16_t flags = in.u16();
    font.italic = (flags & 0x0002) != 0;
    font.strikeout = (flags & 0x0008) != 0;
    font.outline = (flags & 0x0010) != 0;
    font.shadow = (flags & 0x0020) != 0;
    font.colorIndex = in.u16();
    font.weight = in.u16();
    font.escapement = in.u16();
    font.underline = in.u8();
    font.family = in.u8();
    font.charset = in.u8();
    in.skip(1);
    font.name = readShortString(in);
    return font;
}

void writeFont(RecordWriter& out, const Font& font)
{
    ByteWriter& w = out.begin(kFont);
    w.u16(font.heightTwips);
    // Bit 0 repeats "bold" for readers that do not look at the weight.
    w.u16(uint16_t((font.bold() ? 0x0001 : 0) | (font.italic ? 0x0002 : 0) |
                   (font.strikeout ? 0x0008 : 0) | (font.outline ? 0x0010 : 0) |
                   (font.shadow ? 0x0020 : 0)));
    w.u16(font.colorIndex);
    w.u16(font.weight);
    w.u16(font.escapement);
    w.u8(font.underline);
    w.u8(font.family);
    w.u8(font.charset);
    w.u8(0);
    writeShortString(w, font.name);
    out.end();
}

// FORMAT
//   0  2  ifmt   format id (ids below 164 are built in)
//   2  var  stFormat  XLUnicodeString
std::pair<uint16_t, std::string> readFormat(ByteReader& in)
{
    const uint16_t id = in.u16();
    return {id, readTrailingString(in)};
}

void writeFormat(RecordWriter& out, uint16_t id, const std::string& code)
{
    ByteWriter& w = out.begin(kFormat);
    w.u16(id);
    writeString(w, code);
    out.end();
}

// XF
//   0  2  ifnt     file font index
//   2  2  ifmt     number format id
//   4  2  bits 0 locked, 1 hidden, 2 style XF, 3 123 prefix, 4-15 parent style XF (0xFFF for
//         style XFs)
//   6  1  bits 0-2 horizontal alignment, 3 wrap, 4-6 vertical alignment, 7 justify last line
//   7  1  trot     text rotation
//   8  1  bits 0-3 indent, 4 shrink to fit, 6-7 reading order
//   9  1  bits 2-7 attributes used: number, font, alignment, border, pattern, protection
//  10  4  bits 0-3 left, 4-7 right, 8-11 top, 12-15 bottom line style, 16-22 left colour,
//         23-29 right colour, 30-31 diagonal kind
//  14  4  bits 0-6 top colour, 7-13 bottom colour, 14-20 diagonal colour, 21-24 diagonal
//         style, 26-31 fill pattern
//  18  2  bits 0-6 pattern colour, 7-13 pattern background colour
Xf readXf(ByteReader& in)
{
    Xf xf;
    xf.font = fontIndexFromFile(in.u16());
    xf.format = in.u16();
    const uint16_t protection = in.u16();
    xf.locked = (protection & 0x0001) != 0;
    xf.hidden = (protection & 0x0002) != 0;
    xf.isStyle = (protection & 0x0004) != 0;
    xf.prefix123 = (protection & 0x0008) != 0;
    xf.parent = xf.isStyle ? 0 : uint16_t(protection >> 4);
    const uint8_t alignment = in.u8();
    xf.horizontal = HorizontalAlignment(alignment & 0x07);
    xf.wrap = (alignment & 0x08) != 0;
    xf.vertical = VerticalAlignment((alignment >> 4) & 0x07);
    xf.justifyLast = (alignment & 0x80) != 0;
    xf.rotation = in.u8();
    const uint8_t indentation = in.u8();
    xf.indent = indentation & 0x0F;
    xf.shrinkToFit = (indentation & 0x10) != 0;
    xf.readingOrder = uint8_t(indentation >> 6);
    xf.usedAttributes = uint8_t(in.u8() >> 2);
    const uint32_t borders1 = in.u32();
    const uint32_t borders2 = in.u32();
    const uint16_t colours = in.u16();
    xf.left.style = borders1 & 0x0F;
    xf.right.style = (borders1 >> 4) & 0x0F;
    xf.top.style = (borders1 >> 8) & 0x0F;
    xf.bottom.style = (borders1 >> 12) & 0x0F;
    xf.left.colorIndex = (borders1 >> 16) & 0x7F;
    xf.right.colorIndex = (borders1 >> 23) & 0x7F;
    xf.diagonalKind = uint8_t(borders1 >> 30);
    xf.top.colorIndex = borders2 & 0x7F;
    xf.bottom.colorIndex = (borders2 >> 7) & 0x7F;
    xf.diagonal.colorIndex = (borders2 >> 14) & 0x7F;
    xf.diagonal.style = (borders2 >> 21) & 0x0F;
    xf.fillPattern = uint8_t(borders2 >> 26);
    xf.patternColorIndex = colours & 0x7F;
    xf.backgroundColorIndex = (colours >> 7) & 0x7F;
    return xf;
}

void writeXf(RecordWriter& out, const Xf& xf)
{
    ByteWriter& w = out.begin(kXf);
    w.u16(fontIndexToFile(xf.font));
    w.u16(xf.format);
    const uint16_t parent = xf.isStyle ? 0x0FFF : uint16_t(xf.parent & 0x0FFF);
    w.u16(uint16_t((xf.locked ? 0x0001 : 0) | (xf.hidden ? 0x0002 : 0) | (xf.isStyle ? 0x0004 : 0) |
                   (xf.prefix123 ? 0x0008 : 0) | (parent << 4)));
    w.u8(uint8_t((uint8_t(xf.horizontal) & 0x07) | (xf.wrap ? 0x08 : 0) |
                 ((uint8_t(xf.vertical) & 0x07) << 4) | (xf.justifyLast ? 0x80 : 0)));
    w.u8(xf.rotation);
    w.u8(uint8_t((xf.indent & 0x0F) | (xf.shrinkToFit ? 0x10 : 0) | ((xf.readingOrder & 3) << 6)));
    w.u8(uint8_t((xf.usedAttributes & 0x3F) << 2));
    w.u32(uint32_t(xf.left.style & 0x0F) | uint32_t(xf.right.style & 0x0F) << 4 |
          uint32_t(xf.top.style & 0x0F) << 8 | uint32_t(xf.bottom.style & 0x0F) << 12 |
          uint32_t(xf.left.colorIndex & 0x7F) << 16 | uint32_t(xf.right.colorIndex & 0x7F) << 23 |
          uint32_t(xf.diagonalKind & 0x03) << 30);
    w.u32(uint32_t(xf.top.colorIndex & 0x7F) | uint32_t(xf.bottom.colorIndex & 0x7F) << 7 |
          uint32_t(xf.diagonal.colorIndex & 0x7F) << 14 | uint32_t(xf.diagonal.style & 0x0F) << 21 |
          uint32_t(xf.fillPattern & 0x3F) << 26);
    w.u16(uint16_t((xf.patternColorIndex & 0x7F) | (xf.backgroundColorIndex & 0x7F) << 7));
    out.end();
}

// STYLE
//   0  2  bits 0-11 XF index, bit 15 built-in
//   built-in:  2  1  istyBuiltIn   3  1  iLevel (outline level of RowLevel/ColLevel styles)
//   user:      2  var  name, XLUnicodeString
CellStyle readStyle(ByteReader& in)
{
    CellStyle style;
    const uint16_t index = in.u16();
    style.xf = index & 0x0FFF;
    style.builtIn = (index & 0x8000) != 0;
    if (style.builtIn) {
        style.builtInId = in.u8();
        style.outlineLevel = in.u8();
    } else {
        style.name = readTrailingString(in);
    }
    return style;
}

void writeStyle(RecordWriter& out, const CellStyle& style)
{
    ByteWriter& w = out.begin(kStyle);
    w.u16(uint16_t((style.xf & 0x0FFF) | (style.builtIn ? 0x8000 : 0)));
    if (style.builtIn) {
        w.u8(style.builtInId);
        w.u8(style.outlineLevel);
    } else {
        writeString(w, style.name);
    }
    out.end();
}

// PALETTE
//   0  2  ccv    number of colours (56)
//   2  4*ccv     red, green, blue, reserved; the first is palette index 8
void readPalette(ByteReader& in, Palette& palette)
{
    const uint16_t count = in.u16();
    for (uint16_t i = 0; i < count && i < palette.size(); ++i) {
        const uint32_t red = in.u8();
        const uint32_t green = in.u8();
        const uint32_t blue = in.u8();
        in.skip(1);
        palette[i] = red << 16 | green << 8 | blue;
    }
}

void writePalette(RecordWriter& out, const Palette& palette)
{
    ByteWriter& w = out.begin(kPalette);
    w.u16(uint16_t(palette.size()));
    for (uint32_t colour : palette) {
        w.u8(uint8_t(colour >> 16));
        w.u8(uint8_t(colour >> 8));
        w.u8(uint8_t(colour));
        w.u8(0);
    }
    out.end();
}

// BOUNDSHEET
//   0  4  lbPlyPos  stream position of the sheet's BOF
//   4  1  hsState   0 visible, 1 hidden, 2 very hidden
//   5  1  dt        0 worksheet, 1 macro sheet, 2 chart, 6 VB module
//   6  var  name    ShortXLUnicodeString
SheetEntry readBoundSheet(ByteReader& in)
{
    SheetEntry entry;
    entry.offset = in.u32();
    entry.visibility = in.u8() & 0x03;
    entry.type = in.u8();
    entry.name = readShortString(in);
    return entry;
}

size_t writeBoundSheet(RecordWriter& out, const Worksheet& sheet)
{
    ByteWriter& w = out.begin(kBoundSheet);
    const size_t offsetField = w.position();
    w.u32(0);
    w.u8(sheet.visibility != 0 ? sheet.visibility : (sheet.visible ? 0 : 1));
    w.u8(sheet.substream.empty() ? 0 : sheet.sheetType);
    writeShortString(w, sheet.name);
    out.end();
    return offsetField;
}

// SUPBOOK for this workbook's own sheets
//   0  2  ctab   number of sheets
//   2  2  0x0401 marks the internal reference
bool isInternalSupBook(ByteReader& in)
{
    if (in.remaining() != 4)
        return false;
    in.skip(2);
    return in.u16() == 0x0401;
}

void writeInternalSupBook(RecordWriter& out, uint16_t sheetCount)
{
    ByteWriter& w = out.begin(kSupBook);
    w.u16(sheetCount);
    w.u16(0x0401);
    out.end();
}

// EXTERNSHEET
//   0  2  cXTI   number of entries
//   2  6*cXTI    iSupBook, itabFirst, itabLast
std::vector<ExternSheet> readExternSheet(ByteReader& in)
{
    const uint16_t count = in.u16();
    if (size_t(count) * 6 > in.remaining())
        throw Error("the EXTERNSHEET record lists more entries than it holds");
    std::vector<ExternSheet> entries(count);
    for (ExternSheet& entry : entries) {
        entry.supbook = in.u16();
        entry.firstSheet = in.u16();
        entry.lastSheet = in.u16();
    }
    return entries;
}

void writeExternSheet(RecordWriter& out, const std::vector<ExternSheet>& entries)
{
    ByteWriter& w = out.begin(kExternSheet);
    w.u16(uint16_t(entries.size()));
    for (const ExternSheet& entry : entries) {
        w.u16(entry.supbook);
        w.u16(entry.firstSheet);
        w.u16(entry.lastSheet);
    }
    out.end();
}

// NAME
//   0  2  grbit    bit 0 hidden, 1 function, 5 built-in, ...
//   2  1  chKey    keyboard shortcut
//   3  1  cch      length of the name in characters
//   4  2  cce      length of the formula
//   6  2  reserved
//   8  2  itab     1-based sheet the name is local to, 0 for a global name
//  10  4  lengths of menu, description, help and status texts
//  14  var  name   option byte and characters; a built-in name is one character, its code
//  ..  cce  rgce   formula tokens (extra data and the four texts follow; not kept)
namespace {

// A built-in name's one character is its code, read as the character itself (a code such as
// 0xC2 must not pass through text conversion, which would change it).
uint8_t readBuiltInCode(ByteReader& in, uint8_t length)
{
    if (length == 0)
        return 0;
    const bool wide = (in.u8() & 0x01) != 0;
    const auto code = uint8_t(wide ? in.u16() : in.u8());
    in.skip(size_t(length - 1) * (wide ? 2 : 1));
    return code;
}

} // namespace

DefinedName readName(ByteReader& in)
{
    DefinedName name;
    name.options = in.u16();
    in.skip(1);
    const uint8_t length = in.u8();
    const uint16_t formulaSize = in.u16();
    in.skip(2);
    name.sheet = in.u16();
    in.skip(4);
    name.builtIn = (name.options & 0x0020) != 0;
    if (name.builtIn)
        name.builtInCode = readBuiltInCode(in, length);
    else
        name.name = readStringNoLength(in, length);
    name.tokens = in.copy(formulaSize);
    return name;
}

void writeName(RecordWriter& out, const DefinedName& name)
{
    ByteWriter& w = out.begin(kName);
    const uint16_t options =
        uint16_t(name.builtIn ? (name.options | 0x0020) : (name.options & ~0x0020));
    w.u16(options);
    w.u8(0);
    if (name.builtIn) {
        w.u8(1);
    } else {
        const size_t length = utf16Length(name.name);
        if (length == 0 || length > 255)
            throw Error("the name \"" + name.name + "\" must have 1 to 255 characters");
        w.u8(uint8_t(length));
    }
    if (name.tokens.size() > 0xFFFF)
        throw Error("the formula of a name is too long");
    w.u16(uint16_t(name.tokens.size()));
    w.u16(0);
    w.u16(name.sheet);
    w.u32(0);
    if (name.builtIn) {
        w.u8(0);
        w.u8(name.builtInCode);
    } else {
        writeStringNoLength(w, name.name);
    }
    w.bytes(name.tokens);
    out.end();
}

} // namespace spreadsheet::biff

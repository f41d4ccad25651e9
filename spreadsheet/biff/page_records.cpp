#include "spreadsheet/biff/page_records.h"

#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/strings.h"

namespace spreadsheet::biff {

namespace {

constexpr uint16_t kFitToPage = 0x0100;

void readSetup(ByteReader& in, PageSetup& page)
{
    page.paperSize = in.u16();
    page.scale = in.u16();
    page.startPage = in.u16();
    page.fitWidth = in.u16();
    page.fitHeight = in.u16();
    page.options = in.u16();
    page.horizontalDpi = in.u16();
    page.verticalDpi = in.u16();
    page.headerMargin = in.f64();
    page.footerMargin = in.f64();
    page.copies = in.u16();
}

void readMargin(ByteReader& in, double& margin, bool& present)
{
    margin = in.f64();
    present = true;
}

// HEADER and FOOTER: empty, or the text as XLUnicodeString. Some writers leave a bare zero
// length for an empty text.
std::string readHeaderText(ByteReader& in)
{
    return in.atEnd() ? std::string() : readTrailingString(in);
}

void writeHeaderText(RecordWriter& out, uint16_t type, const std::string& text)
{
    ByteWriter& w = out.begin(type);
    if (!text.empty())
        writeString(w, text);
    out.end();
}

void writeMargin(RecordWriter& out, uint16_t type, double margin)
{
    ByteWriter& w = out.begin(type);
    w.f64(margin);
    out.end();
}

} // namespace

// PRINTHEADERS, PRINTGRIDLINES, HCENTER, VCENTER: one 16-bit flag.
// WSBOOL: 16-bit flags; bit 8 fits the printout to FitWidth by FitHeight pages.
// LEFTMARGIN, RIGHTMARGIN, TOPMARGIN, BOTTOMMARGIN: one double, inches.
// SETUP
//   0  2  iPaperSize
//   2  2  iScale       percent
//   4  2  iPageStart
//   6  2  iFitWidth    pages across (0 = automatic)
//   8  2  iFitHeight   pages down (0 = automatic)
//  10  2  grbit        bit 0 left to right, 1 portrait, 2 printer settings not valid, ...
//  12  2  iRes         horizontal dpi
//  14  2  iVRes        vertical dpi
//  16  8  numHdr       header margin, inches
//  24  8  numFtr       footer margin, inches
//  32  2  iCopies
bool readPageRecord(uint16_t type, ByteReader& in, Worksheet& sheet)
{
    PageSetup& page = sheet.pageSetup;
    switch (type) {
    case kPrintHeaders:
        page.printHeadings = in.u16() != 0;
        return true;
    case kPrintGridlines:
        page.printGridlines = in.u16() != 0;
        return true;
    case kGridSet:
        return true;
    case kWsBool: {
        const uint16_t options = in.u16();
        page.fitToPage = (options & kFitToPage) != 0;
        sheet.sheetOptions = options & ~kFitToPage;
        return true;
    }
    case kHeader:
        page.header = readHeaderText(in);
        return true;
    case kFooter:
        page.footer = readHeaderText(in);
        return true;
    case kHCenter:
        page.centerHorizontally = in.u16() != 0;
        return true;
    case kVCenter:
        page.centerVertically = in.u16() != 0;
        return true;
    case kLeftMargin:
        readMargin(in, page.leftMargin, page.hasLeftMargin);
        return true;
    case kRightMargin:
        readMargin(in, page.rightMargin, page.hasRightMargin);
        return true;
    case kTopMargin:
        readMargin(in, page.topMargin, page.hasTopMargin);
        return true;
    case kBottomMargin:
        readMargin(in, page.bottomMargin, page.hasBottomMargin);
        return true;
    case kSetup:
        readSetup(in, page);
        return true;
    default:
        return false;
    }
}

void writePrintOptions(RecordWriter& out, const PageSetup& page)
{
    out.u16Record(kPrintHeaders, page.printHeadings ? 1 : 0);
    out.u16Record(kPrintGridlines, page.printGridlines ? 1 : 0);
    out.u16Record(kGridSet, 1);
}

void writeWsBool(RecordWriter& out, const Worksheet& sheet)
{
    out.u16Record(kWsBool, uint16_t((sheet.sheetOptions & ~kFitToPage) |
                                    (sheet.pageSetup.fitToPage ? kFitToPage : 0)));
}

void writePageSetup(RecordWriter& out, const PageSetup& page)
{
    writeHeaderText(out, kHeader, page.header);
    writeHeaderText(out, kFooter, page.footer);
    out.u16Record(kHCenter, page.centerHorizontally ? 1 : 0);
    out.u16Record(kVCenter, page.centerVertically ? 1 : 0);
    if (page.hasLeftMargin)
        writeMargin(out, kLeftMargin, page.leftMargin);
    if (page.hasRightMargin)
        writeMargin(out, kRightMargin, page.rightMargin);
    if (page.hasTopMargin)
        writeMargin(out, kTopMargin, page.topMargin);
    if (page.hasBottomMargin)
        writeMargin(out, kBottomMargin, page.bottomMargin);
    ByteWriter& w = out.begin(kSetup);
    w.u16(page.paperSize);
    w.u16(page.scale);
    w.u16(page.startPage);
    w.u16(page.fitWidth);
    w.u16(page.fitHeight);
    w.u16(page.options);
    w.u16(page.horizontalDpi);
    w.u16(page.verticalDpi);
    w.f64(page.headerMargin);
    w.f64(page.footerMargin);
    w.u16(page.copies);
    out.end();
}

} // namespace spreadsheet::biff

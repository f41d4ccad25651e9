#include "spreadsheet/biff/workbook_writer.h"

#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sheet_writer.h"
#include "spreadsheet/biff/sst_records.h"
#include "spreadsheet/biff/strings.h"

#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/model/error.h"

namespace spreadsheet {

namespace biff {

namespace {

constexpr size_t kMinimumStreamSize = 4096;

// WRITEACCESS
//   0  112  user name as XLUnicodeString, padded with spaces
void writeWriteAccess(RecordWriter& out)
{
    ByteWriter& w = out.begin(kWriteAccess);
    const size_t start = w.position();
    writeString(w, "Stowfolio");
    w.buffer().resize(start + 112, ' ');
    out.end();
}

// The fixed records between BOF and WINDOW1: no protection, no password, no backup.
void writeFileSettings(RecordWriter& out, const Workbook& workbook)
{
    out.u16Record(kInterfaceHdr, 1200);
    out.u16Record(kMms, 0);
    out.empty(kInterfaceEnd);
    writeWriteAccess(out);
    out.u16Record(kCodePage, workbook.codePage);
    out.u16Record(kDsf, 0);
    ByteWriter& w = out.begin(kTabId);
    for (size_t i = 0; i < workbook.sheets.size(); ++i)
        w.u16(uint16_t(i + 1));
    out.end();
    out.u16Record(kFnGroupCount, 14);
    out.u16Record(kWindowProtect, 0);
    out.u16Record(kProtect, 0);
    out.u16Record(kPassword, 0);
    out.u16Record(kProt4Rev, 0);
    out.u16Record(kProt4RevPass, 0);
}

void writePreserved(RecordWriter& out, const Workbook& workbook, RawRecord::Place place)
{
    for (const RawRecord& record : workbook.preserved)
        if (record.where == place)
            out.record(record.type, record.data);
}

uint32_t countStringCells(const Workbook& workbook)
{
    uint32_t count = 0;
    for (const Worksheet& sheet : workbook.sheets)
        for (const Row& row : sheet.rows)
            for (const Cell& cell : row.cells)
                count += cell.kind == CellKind::String ? 1 : 0;
    return count;
}

size_t estimatedSize(const Workbook& workbook)
{
    size_t cells = 0;
    for (const Worksheet& sheet : workbook.sheets)
        for (const Row& row : sheet.rows)
            cells += row.cells.size() + 2;
    size_t text = 0;
    for (const SharedString& string : workbook.strings.all())
        text += string.text.size() + 3;
    return 16384 + cells * 16 + text + text / 8192 * 5;
}

} // namespace

std::vector<uint8_t> writeWorkbookStream(const Workbook& workbook, WriteOptions options)
{
    checkLimits(workbook);
    std::vector<uint8_t> stream;
    stream.reserve(estimatedSize(workbook));
    RecordWriter out(stream);

    writeBof(out, kGlobalsSubstream);
    if (options.asTemplate)
        out.empty(kTemplate);
    writeFileSettings(out, workbook);
    out.u16Record(kBackup, 0);
    out.u16Record(kHideObj, 0);
    WorkbookWindow window = workbook.window;
    if (window.activeSheet >= workbook.sheets.size())
        window.activeSheet = 0;
    writeWindow1(out, window);
    out.u16Record(kDateMode, workbook.date1904 ? 1 : 0);
    out.u16Record(kPrecision, 1);
    out.u16Record(kRefreshAll, 0);
    out.u16Record(kBookBool, 0);

    for (const Font& font : workbook.fonts)
        writeFont(out, font);
    for (const auto& [id, code] : workbook.numberFormats)
        writeFormat(out, id, code);
    for (const Xf& xf : workbook.xfs)
        writeXf(out, xf);
    for (const CellStyle& style : workbook.styles)
        writeStyle(out, style);
    if (workbook.customPalette)
        writePalette(out, workbook.palette);
    out.u16Record(kUsesElfs, 0);
    writePreserved(out, workbook, RawRecord::Place::GlobalsBeforeSheets);

    std::vector<size_t> sheetOffsetFields;
    for (const Worksheet& sheet : workbook.sheets)
        sheetOffsetFields.push_back(writeBoundSheet(out, sheet));
    ByteWriter& country = out.begin(kCountry);
    country.u16(1);
    country.u16(1);
    out.end();
    if (!workbook.externSheets.empty()) {
        writeInternalSupBook(out, uint16_t(workbook.sheets.size()));
        writeExternSheet(out, workbook.externSheets);
    }
    for (const DefinedName& name : workbook.names)
        writeName(out, name);
    writeSst(out, workbook.strings, countStringCells(workbook));
    writePreserved(out, workbook, RawRecord::Place::GlobalsEnd);
    out.empty(kEof);

    for (size_t i = 0; i < workbook.sheets.size(); ++i) {
        out.bytes().patchU32(sheetOffsetFields[i], uint32_t(out.position()));
        writeWorksheet(out, workbook.sheets[i]);
    }
    // Excel expects the Workbook stream in regular sectors, never in the compound file's mini
    // stream (under 4,096 bytes). The padding is whole empty records of type 0, which readers
    // pass over after the last sheet's EOF.
    if (stream.size() < kMinimumStreamSize)
        stream.resize(stream.size() + (kMinimumStreamSize - stream.size() + 3) / 4 * 4, 0);
    return stream;
}

} // namespace biff

namespace {

std::vector<compound::Stream> workbookStreams(const Workbook& workbook, WriteOptions options)
{
    std::vector<compound::Stream> streams;
    streams.push_back(compound::Stream{"Workbook", biff::writeWorkbookStream(workbook, options)});
    for (compound::Stream& summary : compound::emptySummaryStreams())
        streams.push_back(std::move(summary));
    return streams;
}

} // namespace

std::vector<uint8_t> writeWorkbookBytes(const Workbook& workbook, WriteOptions options)
{
    return compound::writeCompoundFile(workbookStreams(workbook, options),
                                       compound::kExcelWorkbookClassId);
}

void writeWorkbookFile(const Workbook& workbook, const std::string& path, WriteOptions options)
{
    std::vector<compound::Stream> streams;
    try {
        streams = workbookStreams(workbook, options);
    } catch (const Error& error) {
        throw Error(path + ": " + error.what());
    }
    compound::writeCompoundFileTo(path, std::move(streams), compound::kExcelWorkbookClassId);
}

} // namespace spreadsheet

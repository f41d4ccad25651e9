#include "spreadsheet/biff/workbook_reader.h"

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/file_kind.h"
#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sheet_reader.h"
#include "spreadsheet/biff/sst_records.h"

#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/files/atomic_file.h"
#include "spreadsheet/model/error.h"

#include <algorithm>
#include <numeric>

namespace spreadsheet {

namespace biff {

namespace {

// Globals records that the writer always writes with its own values, and Excel 2007's
// formatting extensions, which describe XF indexes that editing may no longer match.
bool isRegeneratedGlobal(uint16_t type)
{
    switch (type) {
    case kInterfaceHdr:
    case kMms:
    case kInterfaceEnd:
    case kWriteAccess:
    case kDsf:
    case kTabId:
    case kFnGroupCount:
    case kWindowProtect:
    case kProtect:
    case kPassword:
    case kProt4Rev:
    case kProt4RevPass:
    case kBackup:
    case kHideObj:
    case kPrecision:
    case kRefreshAll:
    case kBookBool:
    case kUsesElfs:
    case kCountry:
    case kExcel9File:
    case kExtSst:
    case kXfCrc:
    case kXfExt:
    case kStyleExt:
        return true;
    default:
        return false;
    }
}

// Records that follow an external workbook's SUPBOOK: EXTERNNAME, XCT, CRN.
bool belongsToExternalBook(uint16_t type)
{
    return type == kExternName || type == kXct || type == kCrn;
}

class GlobalsReader
{
public:
    explicit GlobalsReader(RecordReader& records) : m_records(records) {}

    Workbook read(std::vector<SheetEntry>& sheets)
    {
        Record record;
        bool inExternalBook = false;
        while (true) {
            if (!m_records.next(record))
                throw Error(m_records.cutShort() ? m_records.cutMessage()
                                                 : "the workbook globals are cut short");
            if (record.type == kEof)
                break;
            if (record.type == kContinue) {
                // A CONTINUE belongs to the record before it: kept with it, dropped with it.
                if (m_lastKept)
                    keep(record);
                continue;
            }
            m_lastKept = false;
            if (!belongsToExternalBook(record.type))
                inExternalBook = false;
            ByteReader in(record.data);
            switch (record.type) {
            case kTemplate:
                m_workbook.isTemplate = true;
                break;
            case kFilePass:
                throw Error("the workbook is protected with a password, which this program "
                            "cannot open");
            case kCodePage:
                m_workbook.codePage = in.u16();
                break;
            case kDateMode:
                m_workbook.date1904 = in.u16() != 0;
                break;
            case kWindow1:
                if (!m_seenWindow)
                    m_workbook.window = readWindow1(in);
                m_seenWindow = true;
                break;
            case kFont:
                m_workbook.fonts.push_back(readFont(in));
                break;
            case kFormat: {
                auto [id, code] = readFormat(in);
                m_workbook.numberFormats[id] = std::move(code);
                break;
            }
            case kXf:
                m_workbook.xfs.push_back(readXf(in));
                break;
            case kStyle: {
                // A user-defined style without a name cannot be picked by anyone; it is left
                // out rather than written back as a record Excel would refuse.
                CellStyle style = readStyle(in);
                if (style.builtIn || !style.name.empty())
                    m_workbook.styles.push_back(std::move(style));
                break;
            }
            case kPalette:
                readPalette(in, m_workbook.palette);
                m_workbook.customPalette = true;
                break;
            case kBoundSheet:
                sheets.push_back(readBoundSheet(in));
                m_seenSheets = true;
                break;
            case kSupBook:
                m_supbookIsInternal.push_back(isInternalSupBook(in));
                inExternalBook = !m_supbookIsInternal.back();
                break;
            case kExternSheet: {
                const ContinuedRecord joined = readContinued(m_records, record);
                ByteReader all = joined.reader();
                m_workbook.externSheets = readExternSheet(all);
                break;
            }
            case kName: {
                const ContinuedRecord joined = readContinued(m_records, record);
                ByteReader all = joined.reader();
                m_workbook.names.push_back(readName(all));
                break;
            }
            case kSst:
                readSst(readContinued(m_records, record), m_workbook.fonts.size(),
                        m_workbook.strings);
                break;
            default:
                // External workbooks are not kept (see mapExternSheets).
                if (!inExternalBook && !isRegeneratedGlobal(record.type))
                    keep(record);
                break;
            }
        }
        repairTables();
        mapExternSheets();
        return std::move(m_workbook);
    }

private:
    void keep(const Record& record)
    {
        m_lastKept = true;
        m_workbook.preserved.push_back(RawRecord{
            record.type,
            m_seenSheets ? RawRecord::Place::GlobalsEnd : RawRecord::Place::GlobalsBeforeSheets,
            {record.data.begin(), record.data.end()}});
    }

    // Indexes between the style tables are made safe to follow: a workbook needs a font and
    // the sixteen XFs that every .xls has (XF 15 is the default cell format), and an index out
    // of range falls back to the default, as Excel does.
    void repairTables()
    {
        Workbook& wb = m_workbook;
        if (wb.fonts.empty())
            wb.fonts.push_back(Font{});
        while (wb.xfs.size() < 16) {
            Xf xf;
            xf.isStyle = wb.xfs.size() < 15;
            wb.xfs.push_back(xf);
        }
        for (Xf& xf : wb.xfs) {
            if (xf.font >= wb.fonts.size())
                xf.font = 0;
            if (xf.parent >= wb.xfs.size())
                xf.parent = 0;
        }
        for (CellStyle& style : wb.styles)
            if (style.xf >= wb.xfs.size())
                style.xf = 0;
    }

    // The model knows only this workbook's own sheets: references through an external
    // workbook's SUPBOOK become references to a deleted sheet (#REF!), and the internal
    // SUPBOOK is SUPBOOK 0 of the written file.
    void mapExternSheets()
    {
        for (ExternSheet& entry : m_workbook.externSheets) {
            const bool internal =
                entry.supbook < m_supbookIsInternal.size() && m_supbookIsInternal[entry.supbook];
            entry.supbook = 0;
            if (!internal) {
                entry.firstSheet = 0xFFFE;
                entry.lastSheet = 0xFFFE;
            }
        }
    }

    RecordReader& m_records;
    Workbook m_workbook;
    std::vector<bool> m_supbookIsInternal;
    bool m_seenSheets = false;
    bool m_seenWindow = false;
    bool m_lastKept = false; // the last record other than CONTINUE went to `preserved`
};

bool offsetsPointAtSheets(const std::vector<uint8_t>& stream,
                          const std::vector<SheetEntry>& entries, size_t globalsEnd)
{
    std::vector<uint32_t> offsets;
    for (const SheetEntry& entry : entries) {
        if (entry.offset < globalsEnd || entry.offset > stream.size() ||
            stream.size() - entry.offset < 4 ||
            ByteReader(std::span(stream).subspan(entry.offset, 2)).u16() != kBof)
            return false;
        offsets.push_back(entry.offset);
    }
    std::sort(offsets.begin(), offsets.end());
    return std::adjacent_find(offsets.begin(), offsets.end()) == offsets.end();
}

// The stream position of the first BOF at or after `from`.
size_t nextBof(RecordReader& records, size_t from, const std::string& sheetName)
{
    Record record;
    if (from < records.size()) {
        records.seek(from);
        while (records.next(record))
            if (record.type == kBof)
                return record.offset;
    }
    throw Error("the sheet \"" + sheetName + "\" is missing");
}

} // namespace

Workbook readWorkbookStream(const std::vector<uint8_t>& stream)
{
    RecordReader records(stream);
    Record record;
    if (!records.next(record) || record.type != kBof)
        throw Error("not an Excel workbook (the Workbook stream does not start with BOF)");
    ByteReader in(record.data);
    const Bof bof = readBof(in);
    if (bof.version != 0x0600)
        throw Error("not an Excel 97-2003 workbook (BIFF version " + std::to_string(bof.version) +
                    ")");
    if (bof.type != kGlobalsSubstream)
        throw Error("not an Excel workbook (the Workbook stream has no workbook globals)");

    std::vector<SheetEntry> entries;
    Workbook workbook = GlobalsReader(records).read(entries);
    const size_t globalsEnd = records.position();
    if (entries.empty())
        throw Error("the workbook has no sheets");

    // Sheets are read in stream order, each starting after the one before ended, so that no
    // bytes are read twice however the offsets are set. Offsets that do not point at a BOF, as
    // some writers leave them, are replaced by the sheets' order in the stream.
    const bool offsetsUsable = offsetsPointAtSheets(stream, entries, globalsEnd);
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t(0));
    if (offsetsUsable)
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return entries[a].offset < entries[b].offset; });
    std::vector<Worksheet> sheets(entries.size());
    size_t end = globalsEnd;
    for (size_t index : order) {
        if (!offsetsUsable)
            entries[index].offset = uint32_t(nextBof(records, end, entries[index].name));
        if (entries[index].offset < end)
            throw Error("the sheet \"" + entries[index].name +
                        "\" overlaps another part of the file");
        sheets[index] = readWorksheet(records, entries[index], workbook);
        end = records.position();
    }
    workbook.sheets = std::move(sheets);
    for (DefinedName& name : workbook.names)
        if (name.sheet > workbook.sheets.size())
            name.sheet = 0;
    if (workbook.window.activeSheet >= workbook.sheets.size())
        workbook.window.activeSheet = 0;
    return workbook;
}

} // namespace biff

namespace {

std::vector<uint8_t> workbookStream(const std::vector<uint8_t>& ole2Bytes,
                                    const std::string& nameForErrors)
{
    if (!biff::hasCompoundFileSignature(ole2Bytes))
        throw Error(nameForErrors + ": " + biff::describeForeignFile(ole2Bytes));
    auto stream = compound::readStream(ole2Bytes, "Workbook", nameForErrors);
    if (stream)
        return std::move(*stream);
    if (compound::readStream(ole2Bytes, "Book", nameForErrors))
        throw Error(nameForErrors + ": an Excel 5.0/95 workbook, which this program cannot open");
    // Excel 2007 and later keep a workbook opened with a password encrypted in a compound file.
    if (compound::readStream(ole2Bytes, "EncryptedPackage", nameForErrors))
        throw Error(nameForErrors + ": the workbook is protected with a password, which this "
                                    "program cannot open");
    throw Error(nameForErrors + ": not an Excel workbook (the file has no Workbook stream)");
}

Workbook readStreamNamed(const std::vector<uint8_t>& stream, const std::string& nameForErrors)
{
    try {
        return biff::readWorkbookStream(stream);
    } catch (const Error& error) {
        throw Error(nameForErrors + ": " + error.what());
    }
}

} // namespace

Workbook readWorkbookBytes(const std::vector<uint8_t>& ole2Bytes, const std::string& nameForErrors)
{
    return readStreamNamed(workbookStream(ole2Bytes, nameForErrors), nameForErrors);
}

Workbook readWorkbookFile(const std::string& path)
{
    // The file's bytes are let go before the stream is parsed.
    const std::vector<uint8_t> stream = workbookStream(files::readFileBytes(path), path);
    return readStreamNamed(stream, path);
}

} // namespace spreadsheet

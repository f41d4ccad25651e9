#include "spreadsheet/biff/sheet_reader.h"

#include "spreadsheet/biff/cell_records.h"
#include "spreadsheet/biff/cf_records.h"
#include "spreadsheet/biff/page_records.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sheet_records.h"
#include "spreadsheet/biff/strings.h"
#include "spreadsheet/biff/window_records.h"

#include "spreadsheet/model/error.h"

#include <algorithm>

namespace spreadsheet::biff {

namespace {

using Place = RawRecord::Place;

// Records the writer always writes itself, or that only make sense at positions it rebuilds.
bool isRegenerated(uint16_t type)
{
    switch (type) {
    case kIndex:
    case kDbCell:
    case kDimensions:
    case kCalcMode:
    case kCalcCount:
    case kRefMode:
    case kIteration:
    case kDelta:
    case kSaveRecalc:
    case kGuts:
    case kUncalced:
        return true;
    default:
        return false;
    }
}

// Records that follow the merged cells and conditional formats.
bool belongsAtSheetEnd(uint16_t type)
{
    switch (type) {
    case kHLink:
    case kHLinkTooltip:
    case kDVal:
    case kDv:
    case kCodeName:
    case kSheetExt:
    case kFeatHeadr:
    case kFeat:
    case kFeatHeadr11:
    case kFeat11:
    case kCondFmt12:
    case kCf12:
        return true;
    default:
        return false;
    }
}

class SheetReader
{
public:
    SheetReader(RecordReader& records, const SheetEntry& entry, Workbook& workbook)
        : m_records(records), m_workbook(workbook)
    {
        m_sheet.name = entry.name;
        m_sheet.visibility = entry.visibility;
        m_sheet.visible = entry.visibility == 0;
    }

    Worksheet read()
    {
        Record record;
        while (true) {
            if (!m_records.next(record)) {
                // The last record claims more bytes than the stream has: the cells before it
                // are kept, as the spreadsheet programs keep them.
                if (m_records.cutShort())
                    break;
                throw Error("the sheet \"" + m_sheet.name + "\" is cut short");
            }
            if (record.type == kEof)
                break;
            ByteReader in(record.data);
            handle(record, in);
        }
        finishRows();
        return std::move(m_sheet);
    }

private:
    void handle(const Record& record, ByteReader& in)
    {
        if (record.type == kContinue) {
            // A CONTINUE belongs to the record before it: kept with it, dropped with it.
            if (m_lastKept)
                keep(record);
            return;
        }
        m_lastKept = false;
        if (record.type != kString && record.type != kShrFmla && record.type != kArray &&
            record.type != kTable)
            m_lastFormula = kNone;
        if (readPageRecord(record.type, in, m_sheet) || readCellRecord(record, in))
            return;
        if (readWindowRecord(record.type, in, m_sheet.window)) {
            if (record.type == kWindow2)
                m_place = Place::SheetAfterWindow;
            return;
        }
        switch (record.type) {
        case kBof:
            keepEmbeddedSubstream(record);
            return;
        case kDimensions:
            m_place = Place::SheetAfterCells;
            return;
        case kDefColWidth:
            m_sheet.defaultColumnWidth = in.u16();
            return;
        case kStandardWidth:
            m_sheet.standardWidth = in.u16();
            return;
        case kColInfo:
            addColumn(readColInfo(in));
            return;
        case kDefaultRowHeight:
            readDefaultRowHeight(in, m_sheet);
            return;
        case kRow: {
            const uint16_t index = readRowNumber(in);
            Row& row = m_sheet.ensureRow(index);
            readRowProperties(in, row);
            row.xf = checkedXf(row.xf);
            return;
        }
        case kMergedCells:
            readRangeList(in, m_sheet.merged);
            m_place = Place::SheetEnd;
            return;
        case kCfHeader: {
            uint16_t ruleCount = 0;
            m_sheet.conditionalFormats.push_back(readCfHeader(in, ruleCount));
            m_place = Place::SheetEnd;
            return;
        }
        case kCfRule:
            if (!m_sheet.conditionalFormats.empty())
                m_sheet.conditionalFormats.back().rules.push_back(readCfRule(in));
            return;
        default:
            break;
        }
        if (isRegenerated(record.type))
            return;
        if (belongsAtSheetEnd(record.type))
            m_place = Place::SheetEnd;
        keep(record);
    }

    // Cell records and the records that belong to a formula. False for any other record.
    bool readCellRecord(const Record& record, ByteReader& in)
    {
        switch (record.type) {
        case kLabelSst: {
            const CellHeader header = readCellHeader(in);
            const uint32_t index = in.u32();
            if (index >= m_workbook.strings.size())
                throw Error("a cell refers to shared string " + std::to_string(index) +
                            ", but the table has only " +
                            std::to_string(m_workbook.strings.size()));
            place(header, CellKind::String).index = index;
            return true;
        }
        case kLabel: {
            const ContinuedRecord joined = readContinued(m_records, record);
            ByteReader text = joined.reader();
            const CellHeader header = readCellHeader(text);
            const std::string value = readString(text);
            place(header, CellKind::String).index = m_workbook.strings.intern(value);
            return true;
        }
        case kRString:
            readRichString(record);
            return true;
        case kNumber: {
            const CellHeader header = readCellHeader(in);
            place(header, CellKind::Number).number = in.f64();
            return true;
        }
        case kRk: {
            const CellHeader header = readCellHeader(in);
            place(header, CellKind::Number).number = decodeRk(in.u32());
            return true;
        }
        case kMulRk:
        case kMulBlank:
            readMultiple(record.type, in);
            return true;
        case kBlank:
            place(readCellHeader(in), CellKind::Blank);
            return true;
        case kBoolErr: {
            const CellHeader header = readCellHeader(in);
            const uint8_t value = in.u8();
            const bool isError = in.u8() != 0;
            place(header, isError ? CellKind::Error : CellKind::Boolean).flag =
                isError ? value : (value ? 1 : 0);
            return true;
        }
        case kFormula:
            readFormulaCell(record);
            return true;
        case kString:
            readFormulaText(record);
            return true;
        case kShrFmla:
        case kArray:
        case kTable:
            if (m_lastFormula != kNone)
                m_sheet.formulas[m_lastFormula].attachments.push_back(
                    FormulaAttachment{record.type, {record.data.begin(), record.data.end()}});
            return true;
        default:
            return false;
        }
    }

    // RSTRING
    //   0  6  cell header
    //   6  var  text, XLUnicodeString
    //   ..  2  cRun   formatting runs
    //   ..  4*cRun    character position, font index
    void readRichString(const Record& record)
    {
        const ContinuedRecord joined = readContinued(m_records, record);
        ByteReader in = joined.reader();
        const CellHeader header = readCellHeader(in);
        SharedString string;
        string.text = readString(in);
        const uint16_t runCount = in.atEnd() ? 0 : in.u16();
        for (uint16_t i = 0; i < runCount; ++i) {
            const uint16_t position = in.u16();
            string.runs.emplace_back(position, checkedFont(fontIndexFromFile(in.u16())));
        }
        place(header, CellKind::String).index = m_workbook.strings.add(std::move(string));
    }

    // MULRK:    rw, colFirst, n * (ixfe, rk), colLast
    // MULBLANK: rw, colFirst, n * ixfe, colLast
    void readMultiple(uint16_t type, ByteReader& in)
    {
        const size_t entrySize = type == kMulRk ? 6 : 2;
        const uint16_t row = in.u16();
        const uint16_t firstColumn = in.u16();
        if (in.remaining() < 2)
            throw Error("a multiple-cell record is too short");
        const size_t count = (in.remaining() - 2) / entrySize;
        if (firstColumn + count > kMaxColumns)
            throw Error("cells of the sheet \"" + m_sheet.name +
                        "\" lie beyond the last column of the .xls format (256)");
        for (size_t i = 0; i < count; ++i) {
            CellHeader header{row, uint16_t(firstColumn + i), in.u16()};
            if (type == kMulRk)
                place(header, CellKind::Number).number = decodeRk(in.u32());
            else
                place(header, CellKind::Blank);
        }
    }

    void readFormulaCell(const Record& record)
    {
        const ContinuedRecord joined = readContinued(m_records, record);
        ByteReader in = joined.reader();
        const CellHeader header = readCellHeader(in);
        Formula formula = readFormula(in, header);
        Cell& cell = place(header, CellKind::Formula);
        cell.index = uint32_t(m_sheet.formulas.size());
        m_sheet.formulas.push_back(std::move(formula));
        m_lastFormula = cell.index;
    }

    void readFormulaText(const Record& record)
    {
        const ContinuedRecord joined = readContinued(m_records, record);
        if (m_lastFormula == kNone)
            return;
        ByteReader in = joined.reader();
        CachedValue& cached = m_sheet.formulas[m_lastFormula].cached;
        cached.kind = CachedValue::Kind::String;
        cached.text = readString(in);
    }

    // Puts a cell of `kind` at the header's position, replacing any cell already there.
    Cell& place(const CellHeader& header, CellKind kind)
    {
        if (header.column >= kMaxColumns)
            throw Error("a cell of the sheet \"" + m_sheet.name + "\" lies in column " +
                        std::to_string(header.column + 1) +
                        ", beyond the last column of the .xls format (256)");
        Row& row = m_sheet.ensureRow(header.row);
        Cell* cell;
        if (row.cells.empty() || row.cells.back().column < header.column) {
            cell = &row.cells.emplace_back();
            cell->column = header.column;
        } else {
            cell = &row.ensure(header.column, 15);
            if (cell->kind == CellKind::Formula)
                m_sheet.formulas[cell->index].removed = true;
        }
        cell->xf = checkedXf(header.xf);
        cell->kind = kind;
        cell->flag = 0;
        cell->index = 0;
        cell->number = 0;
        return *cell;
    }

    void addColumn(ColumnInfo column)
    {
        if (column.first > column.last || column.first >= kMaxColumns)
            return;
        // Excel itself sometimes ends the last run at column 257.
        column.last = std::min<uint16_t>(column.last, kMaxColumns - 1);
        column.xf = checkedXf(column.xf);
        m_sheet.columns.push_back(column);
    }

    // Copies an embedded substream (a chart inside the sheet) up to its EOF as it stands.
    void keepEmbeddedSubstream(const Record& bof)
    {
        keep(bof);
        int depth = 1;
        Record record;
        while (depth > 0) {
            if (!m_records.next(record))
                throw Error("an embedded chart of the sheet \"" + m_sheet.name + "\" is cut short");
            if (record.type == kBof)
                ++depth;
            else if (record.type == kEof)
                --depth;
            keep(record);
        }
    }

    void keep(const Record& record)
    {
        m_lastKept = true;
        m_sheet.preserved.push_back(
            RawRecord{record.type, m_place, {record.data.begin(), record.data.end()}});
    }

    // Cell formats out of range fall back to the default cell format, as other readers do.
    uint16_t checkedXf(uint16_t xf) const { return xf < m_workbook.xfs.size() ? xf : 15; }
    uint16_t checkedFont(uint16_t font) const { return font < m_workbook.fonts.size() ? font : 0; }

    // A ROW record that says nothing beyond what the sheet's defaults say is not kept for a
    // row that has cells: the writer writes such a record for every row with cells anyway.
    void finishRows()
    {
        for (Row& row : m_sheet.rows)
            if (row.hasRecord && !row.cells.empty() &&
                isPlainRow(row, m_sheet.defaultRowHeightTwips)) {
                std::vector<Cell> cells = std::move(row.cells);
                row = Row{};
                row.cells = std::move(cells);
            }
    }

    static constexpr uint32_t kNone = UINT32_MAX;

    RecordReader& m_records;
    Workbook& m_workbook;
    Worksheet m_sheet;
    Place m_place = Place::SheetBeforeDimensions;
    uint32_t m_lastFormula = kNone;
    bool m_lastKept = false; // the last record other than CONTINUE went to `preserved`
};

} // namespace

namespace {

uint8_t sheetTypeOf(const SheetEntry& entry, const Bof& bof)
{
    if (entry.type != 0)
        return entry.type;
    switch (bof.type) {
    case kChartSubstream:
        return 2;
    case kMacroSubstream:
        return 1;
    default:
        return 6;
    }
}

// A sheet that is no worksheet, kept as its records from BOF to the matching EOF.
Worksheet readOtherSheet(RecordReader& records, const Record& bof, const SheetEntry& entry,
                         uint8_t sheetType)
{
    Worksheet sheet;
    sheet.name = entry.name;
    sheet.visibility = entry.visibility;
    sheet.visible = entry.visibility == 0;
    sheet.sheetType = sheetType;
    const auto keep = [&](const Record& record) {
        sheet.substream.push_back(RawRecord{
            record.type, RawRecord::Place::SheetEnd, {record.data.begin(), record.data.end()}});
    };
    keep(bof);
    Record record;
    for (int depth = 1; depth > 0;) {
        if (!records.next(record))
            throw Error("the sheet \"" + entry.name + "\" is cut short");
        if (record.type == kBof)
            ++depth;
        else if (record.type == kEof)
            --depth;
        keep(record);
    }
    return sheet;
}

} // namespace

Worksheet readWorksheet(RecordReader& records, const SheetEntry& entry, Workbook& workbook)
{
    records.seek(entry.offset);
    Record record;
    if (!records.next(record) || record.type != kBof)
        throw Error("the sheet \"" + entry.name + "\" does not start where the file says");
    ByteReader in(record.data);
    const Bof bof = readBof(in);
    if (entry.type != 0 || bof.type != kWorksheetSubstream)
        return readOtherSheet(records, record, entry, sheetTypeOf(entry, bof));
    return SheetReader(records, entry, workbook).read();
}

} // namespace spreadsheet::biff

#include "spreadsheet/automation/cell_entry.h"
#include "spreadsheet/automation/limits.h"
#include "spreadsheet/automation/objects.h"
#include "spreadsheet/automation/session.h"

#include "spreadsheet/formula/print.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

namespace spreadsheet::automation {

namespace {

void checkShift(int32_t shift, int32_t vertical, int32_t horizontal, const char* operation)
{
    // Whole rows always move vertically; Excel accepts either direction and ignores it.
    if (shift != vertical && shift != horizontal)
        throw Error(std::string(operation) + ": " + std::to_string(shift) +
                    " is not a direction to shift cells (" + std::to_string(vertical) + " or " +
                    std::to_string(horizontal) + ")");
}

} // namespace

Range::Range(std::shared_ptr<detail::Session> session, std::shared_ptr<detail::Document> document,
             uint32_t sheet, CellRange area, bool wholeRows, Items items)
    : m_session(std::move(session)), m_document(std::move(document)), m_sheet(sheet), m_area(area),
      m_wholeRows(wholeRows), m_items(items)
{
}

Range Range::cell(const std::shared_ptr<detail::Session>& session,
                  const std::shared_ptr<detail::Document>& document, uint32_t sheet, int32_t row,
                  int32_t column)
{
    checkRowNumber(row);
    checkColumnNumber(column);
    CellRange area;
    area.firstRow = area.lastRow = static_cast<uint32_t>(row - 1);
    area.firstColumn = area.lastColumn = static_cast<uint16_t>(column - 1);
    return Range(session, document, sheet, area, false);
}

Range Range::rows(const std::shared_ptr<detail::Session>& session,
                  const std::shared_ptr<detail::Document>& document, uint32_t sheet, uint32_t first,
                  uint32_t last)
{
    return Range(session, document, sheet, {first - 1, last - 1, 0, kMaxColumns - 1}, true);
}

detail::Document& Range::document() const
{
    m_session->requireRunning();
    if (!m_document->open)
        throw Error("the workbook \"" + m_document->name() + "\" has been closed");
    return *m_document;
}

void Range::requireWholeRows(const char* operation) const
{
    if (!m_wholeRows)
        throw Error(std::string(operation) + " works on whole rows here; select rows such as " +
                    "\"10:11\" first");
}

void Range::Value(std::string_view text) const
{
    detail::Document& doc = document();
    for (uint32_t row = m_area.firstRow; row <= m_area.lastRow; ++row)
        for (uint32_t column = m_area.firstColumn; column <= m_area.lastColumn; ++column)
            enterText(doc.book, {m_sheet, row, static_cast<uint16_t>(column)}, text,
                      m_session->locale, doc.entryMemory);
}

void Range::Select() const
{
    detail::Document& doc = document();
    if (m_sheet != doc.activeSheet)
        throw Error("cells of a sheet can be selected only while the sheet is active");
    doc.selections.at(m_sheet) = {m_area, m_wholeRows};
    // Saved with the sheet, so the file opens with the same cell selected.
    SheetWindow& window = doc.book.sheets.at(m_sheet).window;
    window.activeRow = m_area.firstRow;
    window.activeColumn = m_area.firstColumn;
    window.selection = {m_area};
}

void Range::Copy() const
{
    detail::Document& doc = document();
    requireWholeRows("Copy");
    m_session->clipboard =
        copyRows(doc.book, m_sheet, m_area.firstRow, m_area.lastRow - m_area.firstRow + 1);
}

void Range::Insert(int32_t shift) const
{
    detail::Document& doc = document();
    checkShift(shift, xlShiftDown, xlShiftToRight, "Insert");
    requireWholeRows("Insert");
    uint32_t inserted = m_area.lastRow - m_area.firstRow + 1;
    if (m_session->clipboard) {
        insertCopiedRows(doc.book, m_sheet, m_area.firstRow, *m_session->clipboard);
        inserted = m_session->clipboard->rowCount();
    } else {
        insertEmptyRows(doc.book, m_sheet, m_area.firstRow, inserted);
    }
    // The inserted rows are selected afterwards, as in Excel.
    if (m_sheet == doc.activeSheet) {
        CellRange rows = m_area;
        rows.lastRow = rows.firstRow + inserted - 1;
        doc.selections.at(m_sheet) = {rows, true};
    }
}

void Range::Delete(int32_t shift) const
{
    detail::Document& doc = document();
    checkShift(shift, xlShiftUp, xlShiftToLeft, "Delete");
    requireWholeRows("Delete");
    deleteRows(doc.book, m_sheet, m_area.firstRow, m_area.lastRow - m_area.firstRow + 1);
    m_session->clipboard.reset(); // an edit ends copy mode, as in Excel
}

Range Range::Rows() const
{
    Range rows = *this;
    rows.m_items = Items::Rows;
    return rows;
}

Range Range::Columns() const
{
    Range columns = *this;
    columns.m_items = Items::Columns;
    return columns;
}

Range Range::Rows(int32_t index) const
{
    document();
    const int64_t row = static_cast<int64_t>(m_area.firstRow) + index;
    if (index < 1)
        throw Error("row " + withThousands(index) + " of a range does not exist: rows are " +
                    "numbered from 1");
    checkRowNumber(row);
    CellRange area = m_area;
    area.firstRow = area.lastRow = static_cast<uint32_t>(row - 1);
    return Range(m_session, m_document, m_sheet, area, m_wholeRows);
}

Range Range::Columns(int32_t index) const
{
    document();
    const int64_t column = static_cast<int64_t>(m_area.firstColumn) + index;
    if (index < 1)
        throw Error("column " + withThousands(index) + " of a range does not exist: columns " +
                    "are numbered from 1");
    checkColumnNumber(column);
    CellRange area = m_area;
    area.firstColumn = area.lastColumn = static_cast<uint16_t>(column - 1);
    return Range(m_session, m_document, m_sheet, area, false);
}

int64_t Range::count() const
{
    document();
    const int64_t rows = static_cast<int64_t>(m_area.lastRow) - m_area.firstRow + 1;
    const int64_t columns = static_cast<int64_t>(m_area.lastColumn) - m_area.firstColumn + 1;
    switch (m_items) {
    case Items::Rows:
        return rows;
    case Items::Columns:
        return columns;
    default:
        return rows * columns;
    }
}

int32_t Range::Row() const
{
    document();
    return static_cast<int32_t>(m_area.firstRow + 1);
}

int32_t Range::Column() const
{
    document();
    return m_area.firstColumn + 1;
}

std::string Range::Address() const
{
    document();
    auto cell = [](uint32_t row, uint16_t column) {
        return "$" + columnLetters(column) + "$" + std::to_string(row + 1);
    };
    if (m_wholeRows)
        return "$" + std::to_string(m_area.firstRow + 1) + ":$" +
               std::to_string(m_area.lastRow + 1);
    const std::string first = cell(m_area.firstRow, m_area.firstColumn);
    if (m_area.firstRow == m_area.lastRow && m_area.firstColumn == m_area.lastColumn)
        return first;
    return first + ":" + cell(m_area.lastRow, m_area.lastColumn);
}

} // namespace spreadsheet::automation

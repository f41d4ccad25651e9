#pragma once

// Whole-row edits with everything a spreadsheet program moves along with the rows: formula
// references on every sheet, defined names, conditional-format ranges and merged areas. The
// reference rules are those of formula/shift.h. Worksheet::insertRows and eraseRows move the
// storage only; these functions are the only place that calls them.
//
// Cost: the rows are held in a deque, so an edit near the top of a sheet moves only the rows
// above it; the rest of an edit walks the formulas, names, conditional formats and merged
// areas, never the rows below. Growing a block by repeated inserts at the same row therefore
// stays linear in the number of rows inserted.

#include "spreadsheet/model/workbook.h"

#include <cstdint>
#include <vector>

namespace spreadsheet::automation {

// Copied whole rows with what travels with them, as the clipboard holds them.
struct RowClip
{
    uint32_t firstRow = 0; // where the rows were copied from
    std::vector<Row> rows;
    std::vector<Formula> formulas; // the formula cells of `rows` index into this
    std::vector<CellRange> merged; // rows relative to firstRow
    // Conditional formats over the copied rows: the rules with the copied part of their
    // ranges, rows relative to firstRow.
    std::vector<ConditionalFormat> conditionalFormats;

    uint32_t rowCount() const { return static_cast<uint32_t>(rows.size()); }
};

RowClip copyRows(const spreadsheet::Workbook& book, uint32_t sheet, uint32_t firstRow,
                 uint32_t count);

// Inserts the clip's rows before row `at` of `sheet`, moving that row and everything below
// down. Throws spreadsheet::Error when rows with contents would leave the sheet.
void insertCopiedRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at,
                      const RowClip& clip);

// Inserts `count` empty rows before `at`, formatted like the row above as Excel does.
void insertEmptyRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, uint32_t count);

// Removes rows [at, at + count) and moves everything below up.
void deleteRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, uint32_t count);

} // namespace spreadsheet::automation

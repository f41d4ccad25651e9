#pragma once

// What the workbook will make of an item's typed texts, for the main window's sorting and its
// estimated total. A field lands in a sheet cell whose number format decides whether typed
// input turns it into a number (a date or an amount) or keeps it as text; the list sorts and
// adds up the fields the same way, so what the user sees agrees with the finished sheet.

#include "spreadsheet/input/typed_input.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

class QCollator;

namespace stowfolio {

// The number typed input makes of field `field` (0 = Location .. 11 = Photo) in its sheet
// cell; nullopt when the field stays text (or is empty).
std::optional<double> typedNumberOf(int field, const QString& text,
                                    const spreadsheet::input::InputLocale& locale);

enum class SortDirection
{
    Ascending,
    Descending
};

// The order of a stable sort of the rows by the texts of one field: element i is the index of
// the row that goes to position i. Numbers (dates, amounts) come before texts when ascending
// and after them when descending, as spreadsheets sort; texts follow `collator`; empty fields
// go last either way.
std::vector<int> sortedOrder(int field, const std::vector<QString>& texts, SortDirection direction,
                             const spreadsheet::input::InputLocale& locale,
                             const QCollator& collator);

// Moving the selected rows one place up (`offset` -1) or down (+1) as a block, among the rows
// `shown` (rising; rows Find hides are passed over): the swaps of two rows that do it, in
// order. A selected row at the edge, and those behind it, stay where they are.
std::vector<std::pair<int, int>> blockMoveSwaps(const std::vector<int>& shown,
                                                const std::vector<int>& selected, int offset);

// An amount as the sheet's money shows it: "$1,250.50", "-$12.50".
QString moneyText(double amount);

// "N items · estimated total $X" for the status line.
QString inventorySummary(int itemCount, double estimatedTotal);

} // namespace stowfolio

#pragma once

// Workbooks for the renderer's tests, built from the inventory template as the builder fills
// it: owner and insurance values, and item rows from row 10 down.

#include "spreadsheet/model/workbook.h"

#include <string>
#include <vector>

namespace spreadsheet::render::testing {

// One item row as the sheet holds it after typing: dates and amounts already converted.
struct ItemRow
{
    std::string location, description, model, serial;
    double purchaseDate = 0; // serial date; 0 = empty
    std::string where, warranty;
    double price = -1; // -1 = empty
    std::string condition;
    double estimate = -1;
    std::string notes, photo;
};

// The template with `items` written from row 10 down (the two-row block grown or shrunk to fit).
Workbook inventoryWorkbook(const std::vector<ItemRow>& items, bool withOwner = true);

// The sample data of the main window: one car in the garage.
ItemRow sampleItem();

} // namespace spreadsheet::render::testing

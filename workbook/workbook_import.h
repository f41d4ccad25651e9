#pragma once

// A saved inventory workbook read back into the list: the owner and insurance fields and every
// item row, each value as the text that typed input turns into the same cell again, written in
// the inventory's conventions (a date in its date form, an amount as the number the cell holds
// with its decimal mark). So a workbook exported, imported and exported again holds the same
// cells, whatever the locale of the process.

#include "state/item_import.h"

#include <QString>

namespace spreadsheet {
class Workbook;
}

namespace stowfolio {

// True when the file starts as an Excel 97-2003 workbook does (an OLE2 compound file).
bool looksLikeWorkbook(const QString& path);
// The same for an import's input; one read only once is looked at in memory.
bool looksLikeWorkbook(const ImportSource& source);

// Reads the first sheet (the active one first) that has the item header row of our template.
// Its problem names the file and says what it is when it cannot be read.
ItemImport importInventoryWorkbook(const QString& path, int room,
                                   const InventoryConventions& conventions);
ItemImport importInventoryWorkbook(const ImportSource& source, int room,
                                   const InventoryConventions& conventions);

// The items of an import's input, a workbook or a CSV or TSV file, whichever it is; the input
// is read once. `progress` hears how far a CSV file has been read.
ItemImport importItems(const ImportSource& source, int room,
                       const InventoryConventions& conventions,
                       const ImportProgress& progress = {});

// The same from a workbook already read; `name` names it in messages.
ItemImport inventoryOfWorkbook(const spreadsheet::Workbook& book, const QString& name, int room,
                               const InventoryConventions& conventions);

} // namespace stowfolio

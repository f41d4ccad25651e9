#pragma once

#include <QString>

namespace spreadsheet::automation {
class Workbook;
}

namespace stowfolio {

class Prompts;

// Writes the picture of the active sheet's used range (A1 to the last used cell) to `path`, in
// the sheet-picture format the preview loads. Nothing is written when the used range ends in
// row 1 or column A. Failing statements show the error report box of Excel1.
void saveCellsActivesheet(Prompts& prompts, const spreadsheet::automation::Workbook& workbook,
                          const QString& path);

} // namespace stowfolio

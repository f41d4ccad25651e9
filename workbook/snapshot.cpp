#include "workbook/snapshot.h"

#include "platform/error_report.h"
#include "spreadsheet/automation/application.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/sheet_drawing.h"
#include "spreadsheet/render/sheet_picture.h"

#include <optional>

namespace stowfolio {

namespace {

const spreadsheet::Worksheet& modelSheet(const spreadsheet::Workbook& workbook,
                                         const std::string& name)
{
    for (const spreadsheet::Worksheet& sheet : workbook.sheets)
        if (sheet.name == name)
            return sheet;
    throw spreadsheet::Error("The active sheet \"" + name + "\" is not in the workbook");
}

} // namespace

void saveCellsActivesheet(Prompts& prompts, const spreadsheet::automation::Workbook& workbook,
                          const QString& path)
{
    using Lines = errorsite::SheetSnapshot;
    GuardedProcedure guard(prompts, Lines::site);
    std::optional<spreadsheet::automation::Worksheet> sheet;
    int32_t lastRow = 0;
    int32_t lastColumn = 0;
    guard.step(Lines::kFindActiveSheet, [&] { sheet = workbook.ActiveSheet(); });
    guard.step(Lines::kFindLastRow, [&] {
        const auto used = sheet.value().UsedRange();
        lastRow = used.Rows(static_cast<int32_t>(used.Rows().count())).Row();
    });
    guard.step(Lines::kFindLastColumn, [&] {
        const auto used = sheet.value().UsedRange();
        lastColumn = used.Columns(static_cast<int32_t>(used.Columns().count())).Column();
    });
    if (!guard.test(Lines::kCheckUsedRange, [&] { return lastRow > 1 && lastColumn > 1; }))
        return;

    // The picture of the used range takes the place of the clipboard's copy of it. UsedRange
    // and --render share one rule for the used range and one way to the picture
    // (render::drawSheet), so the command line draws what the preview shows. No picture
    // limits here: the preview keeps the display list and never makes a bitmap of it.
    std::optional<spreadsheet::render::SheetPicture> picture;
    guard.step(Lines::kDrawPicture, [&] {
        const spreadsheet::CellRange used{0, static_cast<uint32_t>(lastRow - 1), 0,
                                          static_cast<uint16_t>(lastColumn - 1)};
        picture = spreadsheet::render::drawSheet(
            workbook.model(), modelSheet(workbook.model(), sheet.value().Name()), used);
    });
    guard.step(Lines::kSavePicture, [&] {
        if (!picture)
            throw spreadsheet::Error("There is no picture of the sheet to save");
        QString error;
        if (!picture->save(path, &error))
            throw spreadsheet::Error(error.toStdString());
    });
}

} // namespace stowfolio

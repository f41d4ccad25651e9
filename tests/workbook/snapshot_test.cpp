// The preview's snapshot and the --render command line draw the same picture of a sheet.

#include "workbook/snapshot.h"

#include "spreadsheet/automation/application.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/sheet_drawing.h"
#include "spreadsheet/render/sheet_picture.h"
#include "tests/support/scripted_prompts.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace stowfolio {
namespace {

using spreadsheet::CellKind;
using spreadsheet::Workbook;

Workbook withValues()
{
    Workbook workbook = spreadsheet::makeDefaultWorkbook("Sheet");
    for (uint32_t row = 0; row < 4; ++row)
        for (uint16_t column = 0; column < 3; ++column) {
            spreadsheet::Cell& cell = workbook.sheets[0].ensureRow(row).ensure(column, 15);
            cell.kind = CellKind::Number;
            cell.number = row * 10 + column;
        }
    return workbook;
}

TEST(Snapshot, DrawsWhatTheCommandLineDraws)
{
    const struct
    {
        const char* name;
        std::function<void(Workbook&)> change;
    } cases[] = {
        {"values only", [](Workbook&) {}},
        {"a formatted row below the values",
         [](Workbook& wb) {
             spreadsheet::Row& row = wb.sheets[0].ensureRow(9);
             row.formatted = true;
             row.xf = 16;
         }},
        {"a blank cell in a formatted column",
         [](Workbook& wb) {
             wb.sheets[0].columns.push_back(spreadsheet::ColumnInfo{5, 5, 2340, 16});
             wb.sheets[0].ensureRow(6).ensure(5, 16);
         }},
        {"a blank cell in the default format under a formatted column",
         [](Workbook& wb) {
             wb.sheets[0].columns.push_back(spreadsheet::ColumnInfo{4, 4, 2340, 16});
             wb.sheets[0].ensureRow(7).ensure(4, 15);
         }},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workbook model = withValues();
        c.change(model);
        const QSize drawn =
            spreadsheet::render::drawSheet(model, spreadsheet::render::sheetToDraw(model)).size();

        spreadsheet::automation::Application excel;
        const auto book = excel.Workbooks().Add(model, "/work/book.xls");
        testing::ScriptedPrompts prompts;
        const QString path = folder.filePath(QStringLiteral("snapshot.bin"));
        saveCellsActivesheet(prompts, book, path);
        EXPECT_TRUE(prompts.shown.empty());
        QString error;
        const auto picture = spreadsheet::render::SheetPicture::load(path, &error);
        ASSERT_TRUE(picture) << error.toStdString();
        EXPECT_EQ(picture->size(), drawn);
    }
}

} // namespace
} // namespace stowfolio

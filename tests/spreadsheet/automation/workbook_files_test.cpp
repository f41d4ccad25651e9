#include "tests/spreadsheet/automation/builder_sequence.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace spreadsheet::automation::testing {
namespace {

namespace fs = std::filesystem;

class WorkbookFiles : public ::testing::Test
{
protected:
    WorkbookFiles()
        : folder(fs::temp_directory_path() /
                 ("automation-files-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        fs::create_directories(folder);
    }
    ~WorkbookFiles() override { fs::remove_all(folder); }

    fs::path folder;
};

TEST_F(WorkbookFiles, TemplateFilledAndSavedReadsBackWithItsTotal)
{
    Application excel;
    Workbook opened = excel.Workbooks().Open(STOWFOLIO_TEMPLATE_PATH, true);
    EXPECT_EQ(excel.ActiveSheet().Name(), "Home Inventory");
    std::vector<InventoryItem> items;
    for (int32_t i = 1; i <= 5; ++i)
        items.push_back(sampleItem(i));
    fillInventory(excel, {"Jane"}, items);
    const std::string saved = (folder / "wendax12345678.xls").string();
    opened.SaveAs(saved, excel.Version() == "12.0" ? xlExcel8 : xlWorkbookNormal);
    opened.Close();
    excel.Quit();

    const spreadsheet::Workbook book = readWorkbookFile(saved);
    EXPECT_FALSE(book.isTemplate);
    const auto& sheet = book.sheets.at(0);
    ASSERT_FALSE(sheet.formulas.empty());
    const Formula& total = sheet.formulas[0];
    EXPECT_EQ(total.row, 6u);
    EXPECT_EQ(total.cached.kind, CachedValue::Kind::Number);
    EXPECT_DOUBLE_EQ(total.cached.number, 17.5); // 1.50 + 2.50 + ... + 5.50
    EXPECT_EQ(sheet.conditionalFormats.at(0).ranges, (std::vector<CellRange>{{9, 13, 0, 13}}));
    const Cell* date = sheet.findCell(10, 4);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->kind, CellKind::Number);
    EXPECT_EQ(date->number, 43538);

    // A second application opens the saved file as the last of its workbooks.
    Application viewer;
    viewer.Workbooks().Open(saved);
    Range used = viewer.Workbooks()(viewer.Workbooks().count()).ActiveSheet().UsedRange();
    EXPECT_EQ(used.Rows(static_cast<int32_t>(used.Rows().count())).Row(), 14);
    EXPECT_EQ(used.Columns(static_cast<int32_t>(used.Columns().count())).Column(), 12);
}

TEST_F(WorkbookFiles, FailuresNameWhatWentWrong)
{
    Application excel;
    const std::string missing = (folder / "missing.xlt").string();
    try {
        excel.Workbooks().Open(missing);
        FAIL() << "opening a missing file succeeded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    Workbook book = excel.Workbooks().Open(STOWFOLIO_TEMPLATE_PATH);
    try {
        book.SaveAs((folder / "new.xlsx").string(), 51);
        FAIL() << "saving as .xlsx succeeded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "file format 51 cannot be written: only the Excel 97-2003 "
                               "workbook formats 56 and -4143 can");
    }
    EXPECT_FALSE(fs::exists(folder / "new.xlsx"));

    const std::string copy = (folder / "template.xlt").string();
    fs::copy_file(STOWFOLIO_TEMPLATE_PATH, copy);
    Workbook readOnly = excel.Workbooks().Open(copy, true);
    try {
        readOnly.SaveAs(copy, xlExcel8);
        FAIL() << "a read-only workbook was saved over itself";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(),
                     "the workbook \"template.xlt\" is open read-only: save it under another name");
    }
    EXPECT_EQ(fs::file_size(copy), fs::file_size(STOWFOLIO_TEMPLATE_PATH));
}

} // namespace
} // namespace spreadsheet::automation::testing

// The committed template is exactly what its description in code produces, and the engine
// reads it back to that description.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/files/atomic_file.h"
#include "tools/template/inventory_template.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(TemplateFile, committedFileIsWhatTheGeneratorWritesNow)
{
    const auto committed = spreadsheet::files::readFileBytes(STOWFOLIO_TEMPLATE_PATH);
    const auto generated =
        spreadsheet::writeWorkbookBytes(spreadsheet::makeInventoryTemplate(), {.asTemplate = true});
    const auto [committedAt, generatedAt] =
        std::mismatch(committed.begin(), committed.end(), generated.begin(), generated.end());
    EXPECT_TRUE(committedAt == committed.end() && generatedAt == generated.end())
        << "resources/template.xlt differs from the generator's output at byte "
        << (committedAt - committed.begin()) << " (sizes " << committed.size() << " and "
        << generated.size() << "); rebuild the regenerate_template target and commit the file";
}

TEST(TemplateFile, engineReadsTheTemplateBackToItsDescription)
{
    const spreadsheet::Workbook described = spreadsheet::makeInventoryTemplate();
    const spreadsheet::Workbook read = spreadsheet::readWorkbookFile(STOWFOLIO_TEMPLATE_PATH);
    EXPECT_TRUE(read.isTemplate);
    EXPECT_EQ(read.codePage, described.codePage);
    EXPECT_EQ(read.date1904, described.date1904);
    EXPECT_EQ(read.palette, described.palette);
    EXPECT_TRUE(read.customPalette);
    EXPECT_TRUE(read.fonts == described.fonts);
    EXPECT_TRUE(read.xfs == described.xfs);
    EXPECT_EQ(read.numberFormats, described.numberFormats);
    EXPECT_TRUE(read.strings == described.strings);
    EXPECT_TRUE(read.names == described.names);
    EXPECT_TRUE(read.externSheets == described.externSheets);
    ASSERT_EQ(read.sheets.size(), 1u);
    const spreadsheet::Worksheet& sheet = read.sheets[0];
    const spreadsheet::Worksheet& wanted = described.sheets[0];
    EXPECT_EQ(sheet.name, wanted.name);
    EXPECT_TRUE(sheet.rows == wanted.rows);
    EXPECT_TRUE(sheet.columns == wanted.columns);
    EXPECT_EQ(sheet.defaultColumnWidth, wanted.defaultColumnWidth);
    EXPECT_EQ(sheet.defaultRowHeightTwips, wanted.defaultRowHeightTwips);
    EXPECT_TRUE(sheet.merged == wanted.merged);
    EXPECT_TRUE(sheet.conditionalFormats == wanted.conditionalFormats);
    EXPECT_TRUE(sheet.formulas == wanted.formulas);
    EXPECT_TRUE(sheet.pageSetup == wanted.pageSetup);
    EXPECT_TRUE(sheet.window == wanted.window);
}

} // namespace

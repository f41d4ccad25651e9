// A workbook saved by the program, read back: what comes out builds the same cells again.

#include "workbook/workbook_import.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/workbook.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

Inventory sampleInventory()
{
    Inventory inventory;
    inventory.ownerFields = {
        "Tobin Harwell", "115 Birchwood st", "French Leek, IN", "", "Oak Insurance", "Marla", "",
        "000-585-678"};
    const auto item = [](std::initializer_list<const char*> fields) {
        QStringList row;
        for (const char* field : fields)
            row << QString::fromUtf8(field);
        return itemFromTexts(row);
    };
    inventory.items = {
        item({"Garage", "Chevrolet Suburban", "10/16/2005", "Gus's garage", "Ended", "45000", "Old",
              "$12,500.50", "", "CTJ156FG158"}),
        item({"Attic", "Trunk", "16 Oct 2005", "", "", "1.5", "", "", "M-1", "000123", "note",
              "/photos/trunk.jpg"}),
        item({"Den", "Lamp", "soon", "", "", "about 40", "", "0.1"}),
    };
    return inventory;
}

// Every cell of the sheet as a comparable text (value kind and value), for two workbooks to be
// compared cell by cell.
std::vector<std::string> cellsOf(const QString& path)
{
    const spreadsheet::Workbook book = spreadsheet::readWorkbookFile(path.toStdString());
    const spreadsheet::Worksheet& sheet = book.sheets.at(0);
    std::vector<std::string> cells;
    for (uint32_t row = 0; row < sheet.rowCount(); ++row)
        for (uint16_t column = 0; column < 12; ++column) {
            const spreadsheet::Cell* cell = sheet.findCell(row, column);
            if (!cell || cell->kind == spreadsheet::CellKind::Blank)
                continue;
            std::string value = cell->kind == spreadsheet::CellKind::String
                                    ? book.strings.at(cell->index).text
                                    : std::to_string(cell->number);
            cells.push_back(std::to_string(row) + ":" + std::to_string(column) + ":" +
                            std::to_string(int(cell->kind)) + ":" + value);
        }
    return cells;
}

class WorkbookImportTest : public ::testing::Test
{
protected:
    void SetUp() override { registerBuiltInEngine(factory); }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    ExcelFactory factory;
};

TEST_F(WorkbookImportTest, ExportImportExportGivesTheSameCells)
{
    const Inventory inventory = sampleInventory();
    exportInventoryWorkbook(factory, inventory, dir.path(), path("first.xls"));
    ASSERT_TRUE(looksLikeWorkbook(path("first.xls")));

    const ItemImport imported =
        importInventoryWorkbook(path("first.xls"), 100, InventoryConventions{});
    ASSERT_TRUE(imported.problem.isEmpty()) << imported.problem.toStdString();
    EXPECT_EQ(imported.ownerFields, inventory.ownerFields);
    ASSERT_EQ(imported.items.size(), 3);
    // Dates come back as the short date, amounts as the number the cell holds.
    EXPECT_EQ(imported.items[0].mid(0, 8),
              (QStringList{"Garage", "Chevrolet Suburban", "10/16/2005", "Gus's garage", "Ended",
                           "45000", "Old", "12500.5"}));
    EXPECT_EQ(imported.items[1][2], QStringLiteral("10/16/2005"));
    EXPECT_EQ(imported.items[1][9], QStringLiteral("000123"));
    EXPECT_EQ(imported.items[2][2], QStringLiteral("soon"));
    EXPECT_EQ(imported.items[2][7], QStringLiteral("0.1"));

    Inventory again;
    again.ownerFields = imported.ownerFields;
    for (const QStringList& texts : imported.items)
        again.items.push_back(itemFromTexts(texts));
    exportInventoryWorkbook(factory, again, dir.path(), path("second.xls"));
    EXPECT_EQ(cellsOf(path("second.xls")), cellsOf(path("first.xls")));
}

TEST_F(WorkbookImportTest, WorkbooksThatAreNotInventoriesSayWhy)
{
    QFile text(path("notes.xls"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some text\n");
    text.close();
    EXPECT_FALSE(looksLikeWorkbook(path("notes.xls")));
    const ItemImport notOle =
        importInventoryWorkbook(path("notes.xls"), 10, InventoryConventions{});
    EXPECT_TRUE(notOle.problem.startsWith(QStringLiteral("notes.xls cannot be imported: ")))
        << notOle.problem.toStdString();

    // The template itself has the header row but no items.
    const ItemImport empty = importInventoryWorkbook(
        QStringLiteral(STOWFOLIO_RESOURCES_DIR "/template.xlt"), 10, InventoryConventions{});
    EXPECT_TRUE(empty.problem.contains(QStringLiteral("holds no items")))
        << empty.problem.toStdString();
    EXPECT_TRUE(empty.items.isEmpty());

    exportInventoryWorkbook(factory, sampleInventory(), dir.path(), path("three.xls"));
    const ItemImport tooMany =
        importInventoryWorkbook(path("three.xls"), 2, InventoryConventions{});
    EXPECT_TRUE(tooMany.problem.contains(QStringLiteral("room for only 2 more")));
    EXPECT_TRUE(tooMany.items.isEmpty());
}

} // namespace
} // namespace stowfolio

// Inventories built from the shipped template the way the builder drives the spreadsheet
// application - owner cells typed in, the two-row item block grown by copies inserted at row
// 10, the spare row deleted, items typed in, saved as .xls - and read back by xlrd, Gnumeric and
// LibreOffice: Print_Area, the banding format's range, the total in F7, typed dates, amounts
// and texts must be what Excel itself would have made of the same steps.

#include "tests/interop/interop_readers.h"

#include "spreadsheet/automation/application.h"
#include "tests/support/oracle.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using namespace spreadsheet::automation;

// Item counts whose blocks differ in shape: none, one (spare row deleted), two (no edit),
// odd and even counts that need insertions, and enough to cross several row blocks.
constexpr int kItemCounts[] = {0, 1, 2, 3, 5, 100};

struct Item
{
    std::string columns[12]; // A..L, as typed
};

// Item i (1-based) as the user might have typed it: a date, amounts with "$" and thousands
// separators, and a serial number that must stay text.
Item itemNumber(int i)
{
    Item item;
    const std::string n = std::to_string(i);
    item.columns[0] = "Room " + n;
    item.columns[1] = "Item " + n;
    item.columns[2] = "Model " + n;
    item.columns[3] = "000" + n; // serial: text in a General column
    item.columns[4] = std::to_string(1 + i % 12) + "/15/2023";
    item.columns[5] = "Store " + n;
    item.columns[6] = "1 year";
    item.columns[7] = "$1," + std::to_string(100 + i) + ".50";
    item.columns[8] = "Good";
    item.columns[9] = std::to_string(10 * i);
    item.columns[10] = "Note " + n;
    item.columns[11] = "C:\\Photos\\" + n + ".jpg";
    return item;
}

double estimatedValue(int i)
{
    return 10.0 * i;
}

// The builder's sheet steps, through the automation objects.
void buildInventory(const std::string& templatePath, const std::string& outputPath, int count)
{
    Application excel;
    excel.Workbooks().Open(templatePath, true);
    excel.DisplayAlerts(false);
    const std::string owner[8] = {"Jane Doe", "1 Main St",           "Springfield, IL 62701",
                                  "555-0100", "Acme Mutual",         "John Agent",
                                  "555-0199", "12345678901234567890"};
    for (int k = 0; k < 4; ++k) {
        excel.Cells(3 + k, 2).Value(owner[k]);
        excel.Cells(3 + k, 6).Value(owner[4 + k]);
    }
    const int block = count % 2 == 0 ? count : count + 1;
    int inserted = 1;
    for (int pass = 2; pass <= block / 2; ++pass) {
        excel.Rows("10:11").Select();
        excel.Selection().Copy();
        excel.Selection().Insert(xlShiftDown);
        excel.CutCopyMode(false);
        inserted += 2;
    }
    if (count % 2 == 1) {
        excel.Rows(10 + inserted).Select();
        excel.Selection().Delete(xlShiftUp);
        excel.Rows(10).Select();
    }
    for (int i = 1; i <= count; ++i) {
        const Item item = itemNumber(i);
        for (int column = 0; column < 12; ++column)
            excel.Cells(9 + i, column + 1).Value(item.columns[column]);
    }
    excel.ActiveWorkbook().SaveAs(outputPath, xlExcel8);
    excel.ActiveWorkbook().Close();
    excel.Quit();
}

int lastItemRow(int count) // 1-based
{
    return count == 0 ? 11 : 9 + count;
}

struct Built
{
    int count = 0;
    std::string path;
    QJsonObject xlrd;
    QJsonObject gnumeric;
    QJsonObject libreOffice;
    interop::CsvTable libreCsv;
};

struct Readings
{
    std::vector<Built> books;
    std::map<std::string, std::string> failures;
};

class BuiltInventoryInterop : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = new QTemporaryDir;
        s_readings = new Readings;
        const std::string folder = s_folder->path().toStdString();
        std::vector<std::string> paths;
        for (int count : kItemCounts) {
            Built built;
            built.count = count;
            built.path = folder + "/inventory" + std::to_string(count) + ".xls";
            try {
                buildInventory(STOWFOLIO_TEMPLATE_PATH, built.path, count);
            } catch (const std::exception& error) {
                s_readings->failures["build " + std::to_string(count)] = error.what();
                continue;
            }
            paths.push_back(built.path);
            s_readings->books.push_back(std::move(built));
        }
        const auto attempt = [&](const std::string& what, auto&& read) {
            try {
                read();
            } catch (const std::exception& error) {
                s_readings->failures[what] = error.what();
            }
        };
        for (Built& built : s_readings->books) {
            if (interop::xlrdAvailable())
                attempt("xlrd", [&] { built.xlrd = interop::describeWithXlrd(built.path); });
            if (interop::gnumericAvailable())
                attempt("gnumeric",
                        [&] { built.gnumeric = interop::describeWithGnumeric(built.path); });
        }
        if (interop::libreOfficeAvailable() && !paths.empty()) {
            const std::string out = folder + "/libreoffice";
            attempt("libreoffice", [&] {
                interop::convertWithLibreOffice(paths, "csv", out);
                interop::convertWithLibreOffice(paths, "fods", out);
                for (Built& built : s_readings->books) {
                    built.libreCsv =
                        interop::readCsv(interop::convertedPath(built.path, out, "csv"));
                    built.libreOffice = interop::describeLibreOfficeConversion(
                        interop::convertedPath(built.path, out, "fods"));
                }
            });
        }
    }
    static void TearDownTestSuite()
    {
        delete s_readings;
        delete s_folder;
    }

    // Fails for every build, and every reading by `reader`, that went wrong.
    static bool nothingFailed(const char* reader)
    {
        bool ok = true;
        for (const auto& [what, failure] : s_readings->failures)
            if (what.starts_with("build") || what == reader) {
                ADD_FAILURE() << what << ": " << failure;
                ok = false;
            }
        return ok;
    }

    static QTemporaryDir* s_folder;
    static Readings* s_readings;
};

QTemporaryDir* BuiltInventoryInterop::s_folder = nullptr;
Readings* BuiltInventoryInterop::s_readings = nullptr;

#define REQUIRE_READER(reader, available)                                                          \
    if (!nothingFailed(reader))                                                                    \
        return;                                                                                    \
    if (!(available))                                                                              \
        STOWFOLIO_ORACLE_MISSING(reader, interop::installCommand({reader}));

QJsonObject nameCalled(const QJsonObject& book, const char* wanted)
{
    for (const QJsonValue& name : book.value("names").toArray())
        if (name.toObject().value("name").toString() == wanted)
            return name.toObject();
    return {};
}

TEST_F(BuiltInventoryInterop, printAreaEndsAtTheLastItemRowAndTitlesStayOnRowNine)
{
    REQUIRE_READER("xlrd", interop::xlrdAvailable());
    for (const Built& built : s_readings->books) {
        SCOPED_TRACE(std::to_string(built.count) + " items");
        const QJsonObject area = nameCalled(built.xlrd, "Print_Area").value("area").toObject();
        EXPECT_EQ(area.value("rows").toArray(), QJsonArray({0, lastItemRow(built.count) - 1}));
        EXPECT_EQ(area.value("columns").toArray(), QJsonArray({0, 11}));
        const QJsonObject titles = nameCalled(built.xlrd, "Print_Titles").value("area").toObject();
        EXPECT_EQ(titles.value("rows").toArray(), QJsonArray({8, 8}));
    }
}

TEST_F(BuiltInventoryInterop, xlrdReadsTypedValuesAsExcelWouldStoreThem)
{
    REQUIRE_READER("xlrd", interop::xlrdAvailable());
    for (const Built& built : s_readings->books) {
        SCOPED_TRACE(std::to_string(built.count) + " items");
        const auto cells = interop::cellsByRef(interop::firstSheet(built.xlrd));
        ASSERT_TRUE(cells.contains("F6"));
        EXPECT_EQ(cells.at("F6").value("value").toString(), "12345678901234567890")
            << "a policy number stays text";
        double total = 0;
        for (int i = 1; i <= built.count; ++i) {
            const std::string row = std::to_string(9 + i);
            ASSERT_TRUE(cells.contains("D" + row) && cells.contains("E" + row) &&
                        cells.contains("H" + row) && cells.contains("J" + row))
                << row;
            EXPECT_EQ(cells.at("D" + row).value("type").toString(), "text") << row;
            EXPECT_EQ(cells.at("D" + row).value("value").toString().toStdString(),
                      "000" + std::to_string(i));
            EXPECT_EQ(cells.at("E" + row).value("type").toString(), "date") << row;
            EXPECT_EQ(cells.at("H" + row).value("value").toDouble(), 1100 + i + 0.5) << row;
            EXPECT_EQ(cells.at("J" + row).value("value").toDouble(), estimatedValue(i)) << row;
            total += estimatedValue(i);
        }
        ASSERT_TRUE(cells.contains("F7"));
        EXPECT_EQ(cells.at("F7").value("value").toDouble(), total) << "cached total";
        // Nothing below the block.
        for (const auto& [ref, cell] : cells)
            EXPECT_LE(cell.value("row").toInt(), lastItemRow(built.count) - 1) << ref;
    }
}

TEST_F(BuiltInventoryInterop, everyItemRowKeepsTheBlockFormats)
{
    REQUIRE_READER("xlrd", interop::xlrdAvailable());
    for (const Built& built : s_readings->books) {
        SCOPED_TRACE(std::to_string(built.count) + " items");
        const QJsonObject sheet = interop::firstSheet(built.xlrd);
        const auto cells = interop::cellsByRef(sheet);
        const QJsonObject heights = sheet.value("row_heights").toObject();
        for (int row = 10; row <= lastItemRow(built.count); ++row) {
            const std::string r = std::to_string(row);
            EXPECT_EQ(heights.value(QString::fromStdString(r)).toObject().value("twips").toInt(),
                      240)
                << r;
            for (const char* column : {"A", "E", "H", "I", "J", "L"}) {
                const std::string ref = column + r;
                ASSERT_TRUE(cells.contains(ref)) << ref;
                const QJsonObject format = interop::xlrdFormatOf(built.xlrd, cells.at(ref));
                EXPECT_EQ(format.value("fill").toObject().value("color").toString(), "#F4F4F4")
                    << ref;
                EXPECT_EQ(format.value("borders").toObject().value("top").toObject().value("style"),
                          1)
                    << ref;
            }
            EXPECT_EQ(interop::xlrdFormatOf(built.xlrd, cells.at("E" + r))
                          .value("number_format_id")
                          .toInt(),
                      14)
                << r;
            EXPECT_EQ(interop::xlrdFormatOf(built.xlrd, cells.at("H" + r))
                          .value("number_format_id")
                          .toInt(),
                      8)
                << r;
        }
    }
}

std::set<std::string> cellsCovered(const QJsonArray& ranges)
{
    std::set<std::string> covered;
    for (const QJsonValue& range : ranges)
        for (const std::string& ref : interop::cellsOf(range.toString().toStdString()))
            covered.insert(ref);
    return covered;
}

TEST_F(BuiltInventoryInterop, bandingFormatCoversTheWholeBlockInGnumeric)
{
    REQUIRE_READER("gnumeric", interop::gnumericAvailable());
    for (const Built& built : s_readings->books) {
        SCOPED_TRACE(std::to_string(built.count) + " items");
        const QJsonArray conditions =
            interop::firstSheet(built.gnumeric).value("conditions").toArray();
        ASSERT_EQ(conditions.size(), 1);
        const auto wanted = interop::cellsOf("A10:N" + std::to_string(lastItemRow(built.count)));
        EXPECT_EQ(cellsCovered(conditions.first().toObject().value("ranges").toArray()),
                  std::set<std::string>(wanted.begin(), wanted.end()));
    }
}

TEST_F(BuiltInventoryInterop, libreOfficeSeesPrintRangeBandingAndTotal)
{
    REQUIRE_READER("libreoffice", interop::libreOfficeAvailable());
    for (const Built& built : s_readings->books) {
        SCOPED_TRACE(std::to_string(built.count) + " items");
        const QJsonObject sheet = interop::firstSheet(built.libreOffice);
        const std::string last = std::to_string(lastItemRow(built.count));
        EXPECT_EQ(sheet.value("print_ranges").toString().toStdString(),
                  "'Home Inventory'.A1:'Home Inventory'.L" + last);
        EXPECT_EQ(sheet.value("header_rows").toArray(), QJsonArray({9}));
        const QJsonArray conditions = sheet.value("conditions").toArray();
        ASSERT_EQ(conditions.size(), 1);
        EXPECT_EQ(conditions.first().toObject().value("range").toString().toStdString(),
                  "'Home Inventory'.A10:'Home Inventory'.N" + last);
        const auto cells = interop::cellsByRef(sheet);
        ASSERT_TRUE(cells.contains("F7"));
        EXPECT_EQ(cells.at("F7").value("formula").toString(), "of:=SUM([.J:.J])");
        double total = 0;
        for (int i = 1; i <= built.count; ++i)
            total += estimatedValue(i);
        EXPECT_EQ(cells.at("F7").value("value").toString().toDouble(), total);
        if (built.count > 0) {
            EXPECT_EQ(interop::csvField(built.libreCsv, "A10"), "Room 1");
            EXPECT_EQ(interop::csvField(built.libreCsv, "H10"), "$1,101.50 ");
        }
    }
}

} // namespace

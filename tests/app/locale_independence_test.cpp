// The same stored inventory under the locales people run the program in: the command-line jobs
// build the same sheet cells, print the same report figures and write the same CSV whether the
// process runs under C, en_US, en_GB, de_DE or fr_FR, because every date and amount is read
// through the conventions the inventory keeps, never through the process's locale.

#include "app/headless.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/numfmt/date_serial.h"
#include "state/inventory_conventions.h"
#include "state/inventory_opening.h"
#include "state/inventory_store.h"
#include "state/item_values.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <variant>

namespace stowfolio {
namespace {

double serialOf(int year, int month, int day)
{
    return static_cast<double>(spreadsheet::numfmt::serialOfDate({year, month, day}));
}

struct Locale
{
    QLocale locale;
    const char* name; // for LANG and LC_ALL
};
const Locale kLocales[] = {
    {QLocale::c(), "C"},
    {QLocale(QLocale::English, QLocale::UnitedStates), "en_US.UTF-8"},
    {QLocale(QLocale::English, QLocale::UnitedKingdom), "en_GB.UTF-8"},
    {QLocale(QLocale::German, QLocale::Germany), "de_DE.UTF-8"},
    {QLocale(QLocale::French, QLocale::France), "fr_FR.UTF-8"},
};

ItemFields fieldsOf(const QString& location, const QString& description, const QString& date,
                    const QString& price, const QString& estimate)
{
    ItemFields fields;
    fields[kLocationField] = location;
    fields[kDescriptionField] = description;
    fields[kDateField] = date;
    fields[kPriceField] = price;
    fields[kEstimatedValueField] = estimate;
    return fields;
}

// A cell as the test compares it: nothing, a number or a text.
using CellValue = std::variant<std::monostate, double, std::string>;

class LocaleIndependenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        for (const char* variable : kVariables)
            m_saved.push_back(qgetenv(variable));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        qputenv("TEMP", QFile::encodeName(m_home.filePath(QStringLiteral("tmp"))));
        qunsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(QDir(m_home.path()).mkpath(QStringLiteral("tmp")));
    }
    void TearDown() override
    {
        for (std::size_t i = 0; i < std::size(kVariables); ++i) {
            if (m_saved[i].isNull())
                qunsetenv(kVariables[i]);
            else
                qputenv(kVariables[i], m_saved[i]);
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // The process runs under `locale` from here on, as if started with LANG and LC_ALL set.
    static void runUnder(const Locale& locale)
    {
        qputenv("LANG", locale.name);
        qputenv("LC_ALL", locale.name);
        QLocale::setDefault(locale.locale);
    }

    // An inventory typed in `typedIn`'s conventions, as the window would have made it.
    static void storeItems(const QLocale& typedIn, const std::vector<ItemFields>& items)
    {
        InventoryStore store(defaultInventoryDatabasePath());
        inventoryConventions(store, typedIn);
        store.append(items);
    }

    QString path(const QString& name) const { return m_home.filePath(name); }

    // The item rows' cells (rows 10 to 9 + `items`, columns A to L) of the workbook at `path`.
    static std::vector<CellValue> itemCells(const QString& path, int items)
    {
        const spreadsheet::Workbook book = spreadsheet::readWorkbookFile(path.toStdString());
        const spreadsheet::Worksheet& sheet = book.sheets.at(book.window.activeSheet);
        std::vector<CellValue> cells;
        for (uint32_t row = 9; row < 9 + static_cast<uint32_t>(items); ++row)
            for (uint16_t column = 0; column < kItemFieldCount; ++column) {
                const spreadsheet::Cell* cell = sheet.findCell(row, column);
                if (cell && cell->kind == spreadsheet::CellKind::Number)
                    cells.emplace_back(cell->number);
                else if (cell && cell->kind == spreadsheet::CellKind::String)
                    cells.emplace_back(book.strings.at(cell->index).text);
                else
                    cells.emplace_back(std::monostate{});
            }
        return cells;
    }

    static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "TEMP",
                                                 "XDG_RUNTIME_DIR", "LANG",          "LC_ALL"};
    QTemporaryDir m_home;
    std::vector<QByteArray> m_saved;
};

// Typed on an American computer: "1.234" is one and a bit, "3/4/2021" is 4 March.
const std::vector<ItemFields> kAmericanItems = {
    fieldsOf(QStringLiteral("Kitchen"), QStringLiteral("Kettle"), QStringLiteral("3/4/2021"),
             QStringLiteral("1,234.50"), QStringLiteral("$2,718.50")),
    fieldsOf(QStringLiteral("Lounge"), QStringLiteral("Sofa"), QStringLiteral("12/25/2019"),
             QStringLiteral("251.23"), QStringLiteral("1.234")),
    fieldsOf(QStringLiteral("Attic"), QStringLiteral("Trunk"), QStringLiteral("16 Oct 2005"),
             QStringLiteral("about 90"), QStringLiteral("251.23")),
};

// The same values typed on a German computer.
const std::vector<ItemFields> kGermanItems = {
    fieldsOf(QStringLiteral("Kitchen"), QStringLiteral("Kettle"), QStringLiteral("04.03.2021"),
             QStringLiteral("1.234,50"), QStringLiteral("2.718,50 €")),
    fieldsOf(QStringLiteral("Lounge"), QStringLiteral("Sofa"), QStringLiteral("25.12.2019"),
             QStringLiteral("251,23"), QStringLiteral("1,234")),
    fieldsOf(QStringLiteral("Attic"), QStringLiteral("Trunk"), QStringLiteral("16 Oct 2005"),
             QStringLiteral("about 90"), QStringLiteral("251,23")),
};

TEST_F(LocaleIndependenceTest, TheSheetHoldsTheSameCellsUnderEveryLocale)
{
    const struct
    {
        QLocale typedIn;
        const std::vector<ItemFields>& items;
    } inventories[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), kAmericanItems},
        {QLocale(QLocale::German, QLocale::Germany), kGermanItems},
    };
    // The same values typed in two conventions: each inventory reads its own.
    for (const auto& inventory : inventories) {
        SCOPED_TRACE(inventory.typedIn.name().toStdString());
        QFile::remove(defaultInventoryDatabasePath());
        storeItems(inventory.typedIn, inventory.items);
        for (const Locale& locale : kLocales) {
            SCOPED_TRACE(locale.name);
            runUnder(locale);
            const QString workbook = path(QStringLiteral("inventory.xls"));
            ASSERT_EQ(runExport(workbook), 0);
            const std::vector<CellValue> cells = itemCells(workbook, 3);
            const auto at = [&](int item, int field) {
                return cells.at(static_cast<std::size_t>(
                    item * kItemFieldCount + kItemFields[std::size_t(field)].sheetColumn - 1));
            };
            EXPECT_EQ(at(0, kDateField), CellValue(serialOf(2021, 3, 4)));
            EXPECT_EQ(at(1, kDateField), CellValue(serialOf(2019, 12, 25)));
            EXPECT_EQ(at(2, kDateField), CellValue(serialOf(2005, 10, 16)));
            EXPECT_EQ(at(0, kPriceField), CellValue(1234.5));
            EXPECT_EQ(at(1, kPriceField), CellValue(251.23));
            EXPECT_EQ(at(2, kPriceField), CellValue(std::string("about 90")));
            EXPECT_EQ(at(0, kEstimatedValueField), CellValue(2718.5));
            EXPECT_EQ(at(1, kEstimatedValueField), CellValue(1.234));
            EXPECT_EQ(at(2, kEstimatedValueField), CellValue(251.23));
            EXPECT_EQ(at(0, kDescriptionField), CellValue(std::string("Kettle")));
        }
    }
}

TEST_F(LocaleIndependenceTest, TheReportShowsTheSameFiguresUnderEveryLocale)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    storeItems(QLocale(QLocale::English, QLocale::UnitedStates), kAmericanItems);
    static const QRegularExpression money(QStringLiteral("\\$ ?[0-9][0-9,]*\\.[0-9]{2}"));
    QStringList firstFigures;
    for (const Locale& locale : kLocales) {
        SCOPED_TRACE(locale.name);
        runUnder(locale);
        const QString pdf = path(QStringLiteral("report.pdf"));
        ASSERT_EQ(runPdfReport(pdf), 0);
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
        ASSERT_TRUE(pdftotext.waitForFinished(60000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        // The summary's total, and its figures agreeing with the sheet page's.
        EXPECT_TRUE(text.contains(QStringLiteral("3 items, estimated value $2,970.96")))
            << text.toStdString();
        QStringList figures;
        for (const QRegularExpressionMatch& match : money.globalMatch(text))
            figures << match.captured(0).remove(QLatin1Char(' '));
        EXPECT_TRUE(figures.contains(QStringLiteral("$2,718.50")))
            << figures.join(' ').toStdString();
        EXPECT_TRUE(figures.contains(QStringLiteral("$1,234.50")))
            << figures.join(' ').toStdString();
        if (firstFigures.isEmpty())
            firstFigures = figures;
        EXPECT_EQ(figures, firstFigures);
    }
}

// "1.5" in a German inventory is no amount (its point groups thousands): the sheet keeps it as
// text, and the report's total leaves it out under every locale, as the list's total does.
TEST_F(LocaleIndependenceTest, ATextTheSheetKeepsAsTextNeverCountsInTheReport)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    storeItems(QLocale(QLocale::German, QLocale::Germany),
               {fieldsOf(QStringLiteral("Kitchen"), QStringLiteral("Kettle"), QString(), QString(),
                         QStringLiteral("2.718,50 €")),
                fieldsOf(QStringLiteral("Lounge"), QStringLiteral("Rug"), QString(), QString(),
                         QStringLiteral("1.5"))});
    for (const Locale& locale : kLocales) {
        SCOPED_TRACE(locale.name);
        runUnder(locale);
        const QString pdf = path(QStringLiteral("report.pdf"));
        ASSERT_EQ(runPdfReport(pdf), 0);
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
        ASSERT_TRUE(pdftotext.waitForFinished(60000));
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        EXPECT_TRUE(text.contains(QStringLiteral("2 items, estimated value $2,718.50")))
            << text.toStdString();
    }
}

// Exported under one locale, imported under another and exported again: every text comes back
// as it was and means what it meant, 4 March staying 4 March.
TEST_F(LocaleIndependenceTest, ACsvRoundTripAcrossLocalesKeepsEveryDateAndAmount)
{
    const struct
    {
        QLocale typedIn;
        const std::vector<ItemFields>& items;
        const Locale& exportUnder;
        const Locale& importUnder;
    } trips[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), kAmericanItems, kLocales[1],
         kLocales[3]},
        {QLocale(QLocale::English, QLocale::UnitedStates), kAmericanItems, kLocales[0],
         kLocales[2]},
        {QLocale(QLocale::German, QLocale::Germany), kGermanItems, kLocales[1], kLocales[4]},
    };
    for (const auto& trip : trips) {
        SCOPED_TRACE(std::string(trip.exportUnder.name) + " to " + trip.importUnder.name);
        QFile::remove(defaultInventoryDatabasePath());
        storeItems(trip.typedIn, trip.items);
        runUnder(trip.exportUnder);
        const QString first = path(QStringLiteral("first.csv"));
        ASSERT_EQ(runCsvExport(first), 0);

        runUnder(trip.importUnder);
        QFile::remove(defaultInventoryDatabasePath());
        storeItems(trip.typedIn, {});
        ASSERT_EQ(runImport(first), 0);
        const QString second = path(QStringLiteral("second.csv"));
        ASSERT_EQ(runCsvExport(second), 0);

        QFile a(first), b(second);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), b.readAll());
        InventoryStore store(defaultInventoryDatabasePath());
        const InventoryConventions conventions = inventoryConventions(store, QLocale());
        const std::vector<Item> items = store.items();
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(typedNumberOf(kDateField, items[0].fields[kDateField], conventions.inputLocale()),
                  serialOf(2021, 3, 4));
    }
}

} // namespace
} // namespace stowfolio

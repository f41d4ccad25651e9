#include "state/item_fields.h"
#include "state/item_import.h"
#include "state/item_values.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

using spreadsheet::input::DateOrder;
using spreadsheet::input::InputLocale;

// Sheet serials of the days the files below name.
constexpr double k12March2020 = 43902;
constexpr double k25December2019 = 43824;
constexpr double k1February2018 = 43132;

const InputLocale kUnitedStates;
const InputLocale kGermany{",", ".", "€", DateOrder::DayMonthYear};

class ImportedValuesTest : public ::testing::Test
{
protected:
    ~ImportedValuesTest() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    ItemImport import(const QByteArray& bytes, const InventoryConventions& conventions = {})
    {
        const QString path = m_dir.filePath(QStringLiteral("items.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const ItemImport result = importCsvFile(path, 100, conventions);
        EXPECT_TRUE(result.problem.isEmpty()) << result.problem.toStdString();
        return result;
    }

    QTemporaryDir m_dir;
};

// A spreadsheet's export on a European computer: Windows-1252 ("\x80" is "€"), semicolons,
// a comma as decimal mark, points grouping thousands, dates day first.
const QByteArray kEuropeanExport = "Location;Description;Date;Price;Est. Value\r\n"
                                   "Kitchen;Kettle;12/03/2020;50 \x80;89,90 \x80\r\n"
                                   "Lounge;Sofa;25/12/2019;1.299,00 \x80;1.100 \x80\r\n"
                                   "Attic;Trunk;01/02/2018;ask Ann;EUR 20\r\n";

TEST_F(ImportedValuesTest, EuroAmountsAndDayFirstDatesReadAsNumbersAndDates)
{
    const ItemImport result = import(kEuropeanExport);
    ASSERT_EQ(result.items.size(), 3);
    const struct
    {
        double estimate;
        double date;
    } expected[] = {{89.9, k12March2020}, {1100, k25December2019}, {20, k1February2018}};
    for (qsizetype i = 0; i < result.items.size(); ++i) {
        SCOPED_TRACE(i);
        const QStringList& item = result.items[i];
        EXPECT_EQ(typedNumberOf(kEstimatedValueField, item[kEstimatedValueField], kUnitedStates),
                  expected[i].estimate)
            << item[kEstimatedValueField].toStdString();
        EXPECT_EQ(typedNumberOf(kDateField, item[kDateField], kUnitedStates), expected[i].date)
            << item[kDateField].toStdString();
    }
    EXPECT_EQ(typedNumberOf(kPriceField, result.items[1][kPriceField], kUnitedStates), 1299.0);
    EXPECT_EQ(result.items[0][kPriceField], QStringLiteral("50"));
    EXPECT_EQ(result.items[1][kPriceField], QStringLiteral("1299.00"));
    EXPECT_EQ(result.items[0][kDateField], QStringLiteral("3/12/2020"));
    // What is not an amount stays as written, and the preview says it will not count.
    EXPECT_EQ(result.items[2][kPriceField], QStringLiteral("ask Ann"));
    const QString details = importDetails(result).join(QLatin1Char('\n'));
    EXPECT_TRUE(
        details.contains(QStringLiteral("1 price is not an amount and will not be added up")))
        << details.toStdString();
    EXPECT_TRUE(details.contains(QStringLiteral("day first"))) << details.toStdString();
}

TEST_F(ImportedValuesTest, ValuesAreWrittenAsTheInventorysConventionsReadThem)
{
    // A German inventory, on a computer whose own locale is English (United States).
    const InventoryConventions german =
        conventionsOfLocale(QLocale(QLocale::German, QLocale::Germany));
    const ItemImport european = import(kEuropeanExport, german);
    ASSERT_EQ(european.items.size(), 3);
    EXPECT_EQ(
        typedNumberOf(kEstimatedValueField, european.items[0][kEstimatedValueField], kGermany),
        89.9);
    EXPECT_EQ(typedNumberOf(kDateField, european.items[1][kDateField], kGermany), k25December2019);

    // A point as decimal mark and commas grouping, on the same German computer.
    const ItemImport american = import("Description,Date,Price,Est. Value\n"
                                       "Piano,12/25/2019,\"$1,299.00\",\"USD 2,500\"\n"
                                       "Stool,1/2/2019,$5,7.5\n",
                                       german);
    ASSERT_EQ(american.items.size(), 2);
    EXPECT_EQ(typedNumberOf(kPriceField, american.items[0][kPriceField], kGermany), 1299.0);
    EXPECT_EQ(
        typedNumberOf(kEstimatedValueField, american.items[0][kEstimatedValueField], kGermany),
        2500.0);
    EXPECT_EQ(
        typedNumberOf(kEstimatedValueField, american.items[1][kEstimatedValueField], kGermany),
        7.5);
    EXPECT_EQ(typedNumberOf(kDateField, american.items[0][kDateField], kGermany), k25December2019);
}

// "03/04/2020" may be either day; the file does not say, so the locale's reading stays.
TEST_F(ImportedValuesTest, DatesThatDoNotShowTheirOrderAreKeptAndSaidSo)
{
    const ItemImport result = import("Description;Date;Price\n"
                                     "Lamp;03/04/2020;12,50\n"
                                     "Rug;05/05/2020;80\n");
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0][kDateField], QStringLiteral("03/04/2020"));
    EXPECT_EQ(result.items[0][kPriceField], QStringLiteral("12.50"));
    const QString details = importDetails(result).join(QLatin1Char('\n'));
    EXPECT_TRUE(details.contains(QStringLiteral("do not show whether the day or the month comes "
                                                "first (as in 03/04/2020)")))
        << details.toStdString();
}

// Values the locale already reads are not rewritten: the list shows them as the file did.
TEST_F(ImportedValuesTest, ValuesTheLocaleReadsAreKeptAsWritten)
{
    const ItemImport result = import("Description,Date,Price,Est. Value\n"
                                     "Desk,12/25/2019,\"1,299.00\",$40\n"
                                     "Chair,3/4/2019,+3,-12.50\n");
    ASSERT_EQ(result.items.size(), 2);
    EXPECT_EQ(result.items[0][kPriceField], QStringLiteral("1,299.00"));
    EXPECT_EQ(result.items[0][kEstimatedValueField], QStringLiteral("$40"));
    EXPECT_EQ(result.items[1][kPriceField], QStringLiteral("+3"));
    EXPECT_EQ(result.items[1][kEstimatedValueField], QStringLiteral("-12.50"));
    EXPECT_EQ(result.items[1][kDateField], QStringLiteral("3/4/2019"));
}

} // namespace
} // namespace stowfolio

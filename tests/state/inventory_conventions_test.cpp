// The inventory's conventions for dates and amounts: derived from a locale once, kept in the
// database whatever locale later processes run in, read the same by the list's total and sort,
// and changed by rewriting every date and amount so that each keeps its value.

#include "spreadsheet/numfmt/date_serial.h"
#include "state/inventory_conventions.h"
#include "state/inventory_model.h"
#include "state/inventory_opening.h"
#include "state/inventory_store.h"
#include "state/item_values.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>
#include <QTemporaryDir>

namespace stowfolio {
namespace {

double serialOf(int year, int month, int day)
{
    return static_cast<double>(spreadsheet::numfmt::serialOfDate({year, month, day}));
}

// The locales the program is checked under; "C" is a bare system's.
const QLocale kLocales[] = {
    QLocale::c(),
    QLocale(QLocale::English, QLocale::UnitedStates),
    QLocale(QLocale::English, QLocale::UnitedKingdom),
    QLocale(QLocale::German, QLocale::Germany),
    QLocale(QLocale::French, QLocale::France),
};

// Sets the process's default locale for as long as it lives.
class LocaleScope
{
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

ItemFields fieldsOf(const QString& description, const QString& date, const QString& price,
                    const QString& estimate)
{
    ItemFields fields;
    fields[kDescriptionField] = description;
    fields[kDateField] = date;
    fields[kPriceField] = price;
    fields[kEstimatedValueField] = estimate;
    return fields;
}

// Every locale's conventions write dates and amounts that they read back as the same values.
TEST(InventoryConventions, EachLocalesConventionsReadBackWhatTheyWrite)
{
    const struct
    {
        QLocale locale;
        const char* decimal;
        const char* date; // 4 March 2021
    } cases[] = {
        {QLocale::c(), ".", "3/4/2021"},
        {QLocale(QLocale::English, QLocale::UnitedStates), ".", "3/4/2021"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), ".", "04/03/2021"},
        {QLocale(QLocale::German, QLocale::Germany), ",", "04.03.2021"},
        {QLocale(QLocale::French, QLocale::France), ",", "04/03/2021"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        const InventoryConventions conventions = conventionsOfLocale(c.locale);
        EXPECT_TRUE(conventions.problem().isEmpty()) << conventions.problem().toStdString();
        EXPECT_EQ(conventions.decimalMark, QLatin1String(c.decimal));
        EXPECT_EQ(dateText(QDate(2021, 3, 4), conventions), QLatin1String(c.date));
        EXPECT_EQ(typedNumberOf(kDateField, QLatin1String(c.date), conventions.inputLocale()),
                  serialOf(2021, 3, 4));
        EXPECT_EQ(
            typedNumberOf(kPriceField, amountText(-1234.5, conventions), conventions.inputLocale()),
            -1234.5);
        EXPECT_EQ(decodedConventions(encodedConventions(conventions)), conventions);
    }
}

// A locale whose short date holds what typed input does not read (a trailing point, a quoted
// word) keeps its order of day, month and year, in a plainer form.
TEST(InventoryConventions, AnUnreadableShortDateKeepsItsOrderInAPlainerForm)
{
    const struct
    {
        QLocale locale;
        const char* pattern;
    } cases[] = {
        {QLocale(QLocale::Bulgarian, QLocale::Bulgaria), "d.MM.yyyy"},
        {QLocale(QLocale::Bosnian, QLocale::LatinScript, QLocale::BosniaAndHerzegowina),
         "d.M.yyyy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.name().toStdString());
        const InventoryConventions conventions = conventionsOfLocale(c.locale);
        EXPECT_EQ(conventions.datePattern, QLatin1String(c.pattern));
        EXPECT_EQ(conventions.decimalMark, c.locale.decimalPoint());
        EXPECT_EQ(conventions.dateOrder(), spreadsheet::input::DateOrder::DayMonthYear);
    }
}

TEST(InventoryConventions, DamagedOrImpossibleStoredConventionsAreRefused)
{
    for (const char* text :
         {"", "not json", "[1,2]", R"({"decimal":".","group":",","currency":"$"})",
          R"({"decimal":".","group":".","currency":"$","date":"M/d/yyyy"})",
          R"({"decimal":"..","group":",","currency":"$","date":"M/d/yyyy"})",
          R"({"decimal":".","group":",","currency":"","date":"M/d/yyyy"})",
          R"({"decimal":".","group":",","currency":"$","date":"M/yyyy"})",
          R"({"decimal":".","group":",","currency":"$","date":"d/M/yy"})",
          R"({"decimal":",","group":"","currency":"9","date":"d/M/yyyy"})"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(decodedConventions(QString::fromUtf8(text)));
    }
}

// Set from the user's locale the first time (a new inventory, or one an older version kept),
// then kept: a process under another locale reads the stored ones.
TEST(InventoryConventions, TheFirstOpeningsLocaleIsKeptForGood)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inventory.db"));
    const QLocale german(QLocale::German, QLocale::Germany);
    {
        InventoryStore store(path);
        store.append({fieldsOf(QStringLiteral("Kettle"), QStringLiteral("04.03.2021"),
                               QStringLiteral("1.234"), QString())});
        EXPECT_FALSE(store.meta(kConventionsKey)); // as an older version left it
        EXPECT_EQ(inventoryConventions(store, german), conventionsOfLocale(german));
    }
    for (const QLocale& locale : kLocales) {
        SCOPED_TRACE(locale.name().toStdString());
        InventoryStore store(path);
        const InventoryConventions conventions = inventoryConventions(store, locale);
        EXPECT_EQ(conventions, conventionsOfLocale(german));
        const ItemFields fields = store.items().front().fields;
        EXPECT_EQ(typedNumberOf(kPriceField, fields[kPriceField], conventions.inputLocale()),
                  1234.0);
        EXPECT_EQ(typedNumberOf(kDateField, fields[kDateField], conventions.inputLocale()),
                  serialOf(2021, 3, 4));
    }
}

// The list's total and sort under every process locale: the stored conventions decide.
TEST(InventoryConventions, TheListsTotalAndSortAreTheSameUnderEveryLocale)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inventory.db"));
    {
        InventoryStore store(path);
        inventoryConventions(store, QLocale(QLocale::English, QLocale::UnitedStates));
        store.append({fieldsOf(QStringLiteral("Kettle"), QStringLiteral("3/4/2021"),
                               QStringLiteral("1,234.50"), QStringLiteral("$2,718.50")),
                      fieldsOf(QStringLiteral("Sofa"), QStringLiteral("12/25/2019"),
                               QStringLiteral("251.23"), QStringLiteral("1.234")),
                      fieldsOf(QStringLiteral("Lamp"), QStringLiteral("4/3/2021"),
                               QStringLiteral("about 90"), QStringLiteral("12"))});
    }
    for (const QLocale& locale : kLocales) {
        SCOPED_TRACE(locale.name().toStdString());
        const LocaleScope scope(locale);
        InventoryStore store(path);
        InventoryModel model(store, inventoryConventions(store, QLocale()));
        model.reload();
        EXPECT_DOUBLE_EQ(model.estimatedTotal(), 2718.5 + 1.234 + 12);
        EXPECT_EQ(inventorySummary(model.rowCount(), model.estimatedTotal()),
                  QStringLiteral("3 items · estimated total $2,731.73"));
        std::vector<QString> dates, prices;
        for (const Item& item : model.items()) {
            dates.push_back(item.fields[kDateField]);
            prices.push_back(item.fields[kPriceField]);
        }
        const spreadsheet::input::InputLocale read = model.conventions().inputLocale();
        QCollator collator;
        EXPECT_EQ(sortedOrder(kDateField, dates, SortDirection::Ascending, read, collator),
                  (std::vector<int>{1, 0, 2}));
        EXPECT_EQ(sortedOrder(kPriceField, prices, SortDirection::Ascending, read, collator),
                  (std::vector<int>{1, 0, 2}));
    }
}

TEST(InventoryConventions, AChangeRewritesDatesAndAmountsSoTheyKeepTheirValues)
{
    const InventoryConventions american =
        conventionsOfLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    const InventoryConventions german =
        conventionsOfLocale(QLocale(QLocale::German, QLocale::Germany));
    InventoryConventions iso = american;
    iso.datePattern = QStringLiteral("yyyy-MM-dd");
    iso.groupMark = QString();
    const struct
    {
        int field;
        const char* text;
        const InventoryConventions& from;
        const InventoryConventions& to;
        const char* expected; // nullptr: kept as typed
    } cases[] = {
        {kDateField, "3/4/2021", american, german, "04.03.2021"},
        {kDateField, "04.03.2021", german, american, "3/4/2021"},
        {kDateField, "3/4/21", american, iso, "2021-03-04"},
        {kDateField, "16 Oct 2005", american, german, nullptr}, // reads alike in both
        {kDateField, "2/30/2021", american, german, nullptr},   // no date: text
        {kPriceField, "1,234.50", american, german, "1.234,50"},
        {kPriceField, "$1,234.50", american, german, "$1.234,50"},
        {kPriceField, "1.234,50 €", german, american, "1,234.50 $"},
        {kPriceField, "1.234", german, american, "1,234"},
        {kPriceField, "12,5", german, american, "12.5"},
        {kConditionField, "-7.25", american, german, "-7,25"},
        {kEstimatedValueField, "1,234.50", american, iso, "1234.50"},
        {kEstimatedValueField, "15%", american, german, nullptr},
        {kEstimatedValueField, "50", american, german, nullptr},
        {kEstimatedValueField, "about 90", american, german, nullptr},
        {kDescriptionField, "1,5", american, german, nullptr}, // not an amount's field
        {kSerialField, "3/4/2021", american, german, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        const std::optional<QString> converted = convertedFieldText(c.field, text, c.from, c.to);
        if (!c.expected) {
            EXPECT_FALSE(converted) << converted->toStdString();
            continue;
        }
        ASSERT_TRUE(converted);
        EXPECT_EQ(*converted, QString::fromUtf8(c.expected));
        EXPECT_EQ(typedNumberOf(c.field, *converted, c.to.inputLocale()),
                  typedNumberOf(c.field, text, c.from.inputLocale()));
    }
}

// Through the model: the database holds the new texts and conventions together, and the old
// ones come back the same way.
TEST(InventoryConventions, TheModelStoresAChangeOfConventionsWithItsTexts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inventory.db"));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const InventoryConventions german =
        conventionsOfLocale(QLocale(QLocale::German, QLocale::Germany));
    InventoryStore store(path);
    InventoryModel model(store, inventoryConventions(store, us));
    model.insertItems(0, {Item{0, fieldsOf(QStringLiteral("1,5 m rug"), QStringLiteral("3/4/2021"),
                                           QStringLiteral("1,234.50"), QStringLiteral("2.5"))}});
    const InventoryConventions before = model.conventions();
    const std::vector<ItemFieldText> rewritten = convertedTexts(model.items(), before, german);
    ASSERT_EQ(rewritten.size(), 3u); // the date, the price and the estimate; not the description
    ASSERT_TRUE(model.setConventions(german, rewritten));
    EXPECT_DOUBLE_EQ(model.estimatedTotal(), 2.5);
    {
        InventoryStore reopened(path);
        EXPECT_EQ(inventoryConventions(reopened, us), german);
        EXPECT_EQ(reopened.items().front().fields,
                  fieldsOf(QStringLiteral("1,5 m rug"), QStringLiteral("04.03.2021"),
                           QStringLiteral("1.234,50"), QStringLiteral("2,5")));
    }
    EXPECT_EQ(model.item(0).fields[kPriceField], QStringLiteral("1.234,50"));

    std::vector<ItemFieldText> original = rewritten;
    for (ItemFieldText& change : original)
        change.text = fieldsOf(QString(), QStringLiteral("3/4/2021"), QStringLiteral("1,234.50"),
                               QStringLiteral("2.5"))[static_cast<std::size_t>(change.field)];
    ASSERT_TRUE(model.setConventions(before, original));
    InventoryStore reopened(path);
    EXPECT_EQ(inventoryConventions(reopened, QLocale(QLocale::German, QLocale::Germany)), before);
    EXPECT_EQ(reopened.items().front().fields[kDateField], QStringLiteral("3/4/2021"));
    EXPECT_DOUBLE_EQ(model.estimatedTotal(), 2.5);
}

} // namespace
} // namespace stowfolio

#include "state/item_values.h"

#include <QCollator>
#include <QLocale>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

constexpr int kDate = 2;
constexpr int kEstimatedValue = 7;
constexpr int kDescription = 1;

std::vector<QString> sorted(int field, const std::vector<QString>& texts, SortDirection direction)
{
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    const std::vector<int> order =
        sortedOrder(field, texts, direction, spreadsheet::input::InputLocale{}, collator);
    std::vector<QString> result;
    for (const int i : order)
        result.push_back(texts[static_cast<size_t>(i)]);
    return result;
}

TEST(ItemValues, SortingFollowsWhatTheSheetWillHold)
{
    using D = SortDirection;
    const struct
    {
        const char* name;
        int field;
        D direction;
        std::vector<QString> texts;
        std::vector<QString> expected;
    } cases[] = {
        {"amounts by value, texts after, empty last",
         kEstimatedValue,
         D::Ascending,
         {"1,200", "", "$95", "unknown", "300"},
         {"$95", "300", "1,200", "unknown", ""}},
        {"descending: texts first, empty still last",
         kEstimatedValue,
         D::Descending,
         {"1,200", "", "$95", "unknown", "300"},
         {"unknown", "1,200", "300", "$95", ""}},
        {"dates by date, not by their text",
         kDate,
         D::Ascending,
         {"2/1/2005", "12/31/2004", "16 Oct 2005", "soon"},
         {"12/31/2004", "2/1/2005", "16 Oct 2005", "soon"}},
        {"equal values keep their order",
         kEstimatedValue,
         D::Ascending,
         {"100", "$100", "100.00", "50"},
         {"50", "100", "$100", "100.00"}},
        // A description is text even when it looks like a number, as its General cell keeps it.
        {"texts by collation",
         kDescription,
         D::Ascending,
         {"lamp", "Étagère", "Zither", "Armchair", "10 chairs", "9 chairs"},
         {"9 chairs", "10 chairs", "Armchair", "Étagère", "lamp", "Zither"}},
        {"nothing to sort", kDescription, D::Ascending, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sorted(c.field, c.texts, c.direction), c.expected);
    }
}

TEST(ItemValues, OnlyDatesAndAmountsBecomeNumbers)
{
    const spreadsheet::input::InputLocale us;
    EXPECT_EQ(typedNumberOf(kEstimatedValue, QStringLiteral("$1,250.50"), us), 1250.5);
    EXPECT_EQ(typedNumberOf(kEstimatedValue, QStringLiteral("about 40"), us), std::nullopt);
    EXPECT_EQ(typedNumberOf(kDescription, QStringLiteral("45000"), us), std::nullopt);
    EXPECT_EQ(typedNumberOf(kDate, QStringLiteral("1/1/1900"), us), 1.0);
}

TEST(ItemValues, SummaryCountsItemsAndShowsTheTotalAsMoney)
{
    EXPECT_EQ(inventorySummary(0, 0), QStringLiteral("0 items · estimated total $0.00"));
    EXPECT_EQ(inventorySummary(1, 45000), QStringLiteral("1 item · estimated total $45,000.00"));
    EXPECT_EQ(inventorySummary(3, -12.5), QStringLiteral("3 items · estimated total -$12.50"));
}

// Selected rows move as a block past the shown rows; the edge stops them; hidden rows (not in
// `shown`) are passed over.
TEST(BlockMoveSwaps, SelectedRowsMoveAsABlockAndStopAtTheEdge)
{
    using Swaps = std::vector<std::pair<int, int>>;
    const std::vector<int> all = {0, 1, 2, 3, 4};
    EXPECT_EQ(blockMoveSwaps(all, {2}, -1), (Swaps{{1, 2}}));
    EXPECT_EQ(blockMoveSwaps(all, {2}, 1), (Swaps{{2, 3}}));
    EXPECT_EQ(blockMoveSwaps(all, {1, 2}, -1), (Swaps{{0, 1}, {1, 2}}));
    EXPECT_EQ(blockMoveSwaps(all, {2, 3}, 1), (Swaps{{3, 4}, {2, 3}}));
    // The first row cannot go up; the one after it still can, until it reaches it.
    EXPECT_EQ(blockMoveSwaps(all, {0, 2}, -1), (Swaps{{1, 2}}));
    EXPECT_EQ(blockMoveSwaps(all, {0, 1}, -1), Swaps{});
    EXPECT_EQ(blockMoveSwaps(all, {4}, 1), Swaps{});
    // Rows 1 and 2 hidden: row 3 trades places with row 0.
    EXPECT_EQ(blockMoveSwaps({0, 3, 4}, {3}, -1), (Swaps{{0, 3}}));
}

} // namespace
} // namespace stowfolio

// The list model over the inventory store: what it shows is what the database holds, after
// every kind of change, after a refused change and after another process's change.

#include "state/inventory_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

namespace stowfolio {
namespace {

Item itemAt(const QString& location, const QString& estimate = QString())
{
    Item item;
    item.fields[kLocationField] = location;
    item.fields[kEstimatedValueField] = estimate;
    return item;
}

QStringList shownLocations(const InventoryModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.data(model.index(row, kLocationField)).toString();
    return texts;
}

QStringList storedLocations(InventoryStore& store)
{
    QStringList texts;
    for (const Item& item : store.items())
        texts << item.fields[kLocationField];
    return texts;
}

class InventoryModelTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("inventory.db")); }
    // Looks for another process's change as the window's timer does, waits for the list to be
    // read in the background and shows it.
    QStringList refreshed()
    {
        QSignalSpy ready(&m_model, &InventoryModel::refreshReady);
        EXPECT_FALSE(m_model.refreshIfChangedElsewhere()) << "the list is read in the background";
        EXPECT_TRUE(ready.wait(5000));
        EXPECT_TRUE(m_model.refreshIfChangedElsewhere());
        return shownLocations(m_model);
    }
    QTemporaryDir m_dir;
    InventoryStore m_store{path()};
    InventoryModel m_model{m_store, InventoryConventions{}};
};

TEST_F(InventoryModelTest, EveryChangeShowsWhatTheStoreHolds)
{
    const auto ids = m_model.insertItems(0, {itemAt(QStringLiteral("A"), QStringLiteral("10")),
                                             itemAt(QStringLiteral("B")),
                                             itemAt(QStringLiteral("C"), QStringLiteral("2.5"))});
    ASSERT_TRUE(ids);
    EXPECT_DOUBLE_EQ(m_model.estimatedTotal(), 12.5);

    ASSERT_TRUE(m_model.moveItem((*ids)[0], 2));
    EXPECT_EQ(shownLocations(m_model), (QStringList{"B", "C", "A"}));
    ASSERT_TRUE(m_model.moveItem((*ids)[0], 0));
    EXPECT_EQ(shownLocations(m_model), (QStringList{"A", "B", "C"}));

    ASSERT_TRUE(m_model.setField((*ids)[1], kEstimatedValueField, QStringLiteral("100")));
    EXPECT_DOUBLE_EQ(m_model.estimatedTotal(), 112.5);
    ASSERT_TRUE(m_model.setOrder({(*ids)[2], (*ids)[1], (*ids)[0]}));
    EXPECT_EQ(shownLocations(m_model), (QStringList{"C", "B", "A"}));
    ASSERT_TRUE(m_model.removeItems({(*ids)[1]}));
    EXPECT_EQ(shownLocations(m_model), (QStringList{"C", "A"}));
    EXPECT_DOUBLE_EQ(m_model.estimatedTotal(), 12.5);
    EXPECT_EQ(m_model.rowOf((*ids)[0]), 1);
    EXPECT_EQ(m_model.rowOf((*ids)[1]), -1);
    EXPECT_EQ(storedLocations(m_store), shownLocations(m_model));

    // A reopened store gives the same list.
    InventoryStore reopened(path());
    EXPECT_EQ(storedLocations(reopened), (QStringList{"C", "A"}));
}

TEST_F(InventoryModelTest, ARefusedChangeLeavesTheRowsAndSaysWhy)
{
    const auto ids = m_model.insertItems(0, {itemAt(QStringLiteral("A"))});
    ASSERT_TRUE(ids);
    QSignalSpy refused(&m_model, &InventoryModel::changeRefused);
    EXPECT_FALSE(m_model.setField((*ids)[0], kNotesField, QString(kMaxFieldLength + 1, 'x')));
    EXPECT_FALSE(m_model.insertItems(1, {itemAt(QString(kMaxFieldLength + 1, 'x'))}));
    EXPECT_EQ(refused.count(), 2);
    EXPECT_EQ(shownLocations(m_model), QStringList{QStringLiteral("A")});
    EXPECT_TRUE(m_model.item(0).fields[kNotesField].isEmpty());
}

TEST_F(InventoryModelTest, ItemsAnotherProcessAddedAppearAndAReorderKeepsThem)
{
    const auto ids =
        m_model.insertItems(0, {itemAt(QStringLiteral("A")), itemAt(QStringLiteral("B"))});
    ASSERT_TRUE(ids);
    InventoryStore other(path());
    other.append({itemAt(QStringLiteral("from elsewhere")).fields});
    // A reorder made from the rows shown, before the refresh, keeps the other's item.
    ASSERT_TRUE(m_model.setOrder({(*ids)[1], (*ids)[0]}));
    EXPECT_EQ(refreshed(), (QStringList{"B", "A", "from elsewhere"}));
    EXPECT_FALSE(m_model.refreshIfChangedElsewhere());
}

TEST_F(InventoryModelTest, AListReadBeforeALocalChangeIsReadAgainNotShown)
{
    const auto ids = m_model.insertItems(0, {itemAt(QStringLiteral("A"))});
    ASSERT_TRUE(ids);
    InventoryStore other(path());
    other.append({itemAt(QStringLiteral("from elsewhere")).fields});
    // The reading starts, then this process edits an item before the list arrives.
    EXPECT_FALSE(m_model.refreshIfChangedElsewhere());
    ASSERT_TRUE(m_model.setField((*ids)[0], kLocationField, QStringLiteral("A, edited")));
    QSignalSpy ready(&m_model, &InventoryModel::refreshReady);
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_FALSE(m_model.refreshIfChangedElsewhere()) << "the stale list must not be shown";
    EXPECT_EQ(shownLocations(m_model), QStringList{QStringLiteral("A, edited")});
    EXPECT_EQ(refreshed(), (QStringList{"A, edited", "from elsewhere"}));
}

// Many scattered items at once (a Delete of what Find found) and back in their places.
TEST_F(InventoryModelTest, ScatteredItemsGoAndComeBackInTheirPlaces)
{
    std::vector<Item> items;
    for (int i = 0; i < 100; ++i)
        items.push_back(itemAt(QString::number(i), QStringLiteral("1")));
    const auto ids = m_model.insertItems(0, items);
    ASSERT_TRUE(ids);
    std::vector<ItemId> odd;
    std::vector<PlacedItem> placed;
    QStringList even;
    for (int i = 0; i < 100; ++i) {
        if (i % 2) {
            odd.push_back((*ids)[static_cast<std::size_t>(i)]);
            placed.push_back(PlacedItem{i, m_model.item(i)});
        } else {
            even << QString::number(i);
        }
    }
    ASSERT_TRUE(m_model.removeItems(odd));
    EXPECT_EQ(shownLocations(m_model), even);
    EXPECT_EQ(storedLocations(m_store), even);
    EXPECT_DOUBLE_EQ(m_model.estimatedTotal(), 50.0);

    ASSERT_TRUE(m_model.insertItems(placed));
    QStringList all;
    for (int i = 0; i < 100; ++i)
        all << QString::number(i);
    EXPECT_EQ(shownLocations(m_model), all);
    EXPECT_EQ(storedLocations(m_store), all);
    EXPECT_EQ(m_model.item(1).id, odd[0]) << "an item comes back under its own id";
}

} // namespace
} // namespace stowfolio

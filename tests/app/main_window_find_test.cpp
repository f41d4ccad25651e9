// Find, many items selected at once, and sorting by a header click: every command acts on the
// items the user sees selected, and each is one step to undo.

#include "tests/app/main_window_fixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTest>
#include <QToolBar>

namespace stowfolio {
namespace {

class MainWindowFindTest : public MainWindowTest
{
protected:
    void startWith(const QStringList& locations, const QStringList& descriptions = {})
    {
        std::vector<ItemFields> items;
        for (qsizetype i = 0; i < locations.size(); ++i) {
            ItemFields fields;
            fields[kLocationField] = locations[i];
            fields[kDescriptionField] = descriptions.value(i);
            items.push_back(fields);
        }
        inventory().append(items);
        loadedForm().show();
        QApplication::setActiveWindow(&form());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    }
    QStringList locations()
    {
        QStringList all;
        for (int r = 0; r < form().itemCount(); ++r)
            all << form().itemRow(r).value(0);
        return all;
    }
    QStringList shownLocations()
    {
        QStringList all;
        for (int r = 0; r < list()->model()->rowCount(); ++r)
            all << cell(r).data().toString();
        return all;
    }
    // Selects the shown rows `rows` as Ctrl+clicks do, the first of them current.
    void selectShownRows(const std::vector<int>& rows)
    {
        list()->setCurrentIndex(cell(rows.front()));
        QItemSelection selection;
        for (const int row : rows)
            selection.select(cell(row), cell(row));
        list()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    }
    void find(const QString& text)
    {
        form().showFindBar();
        auto* findText = form().findChild<QLineEdit*>("FindText");
        ASSERT_NE(findText, nullptr);
        ASSERT_TRUE(findText->hasFocus());
        QTest::keyClicks(findText, text);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form().isFinding(); }, 5000));
    }
};

TEST_F(MainWindowFindTest, FindShowsTheItemsHoldingTheTextAndCommandsActOnThose)
{
    startWith({"Garage", "Kitchen", "Garage", "Den"}, {"Drill", "Mixer", "Saw", "TV"});
    find(QStringLiteral("GARAGE"));
    EXPECT_EQ(shownLocations(), (QStringList{"Garage", "Garage"}));
    EXPECT_EQ(form().statusLine(), QStringLiteral("2 of 4 items · estimated total of these $0.00"));

    // The second item shown is the saw, the third of the list: Delete takes it, not the mixer.
    selectShownRows({1});
    button("PushButton2")->click();
    EXPECT_EQ(locations(), (QStringList{"Garage", "Kitchen", "Den"}));
    EXPECT_EQ(form().itemRow(0).value(1), QStringLiteral("Drill"));
    form().undoStack().undo();
    EXPECT_EQ(form().itemRow(2).value(1), QStringLiteral("Saw"));

    // An edit in place while finding changes the item shown.
    list()->setCurrentIndex(cell(1, kDescriptionField));
    form().commitEdit(cell(1, kDescriptionField), QStringLiteral("Table saw"));
    EXPECT_EQ(form().itemRow(2).value(1), QStringLiteral("Table saw"));

    auto* findText = form().findChild<QLineEdit*>("FindText");
    QTest::keyClick(findText, Qt::Key_Escape);
    EXPECT_FALSE(form().findChild<QToolBar*>("FindBar")->isVisible());
    EXPECT_EQ(shownLocations(), (QStringList{"Garage", "Kitchen", "Garage", "Den"}));
    EXPECT_EQ(form().statusLine(), QStringLiteral("4 items · estimated total $0.00"));
}

TEST_F(MainWindowFindTest, ScatteredItemsAreDeletedAndPutBackInPlaceAsOneStep)
{
    startWith({"A", "B", "C", "D", "E"});
    selectShownRows({0, 2, 3});
    button("PushButton2")->click();
    EXPECT_EQ(locations(), (QStringList{"B", "E"}));
    EXPECT_EQ(form().undoStack().count(), 1);
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"A", "B", "C", "D", "E"}));
    EXPECT_EQ(storedList(), QStringLiteral("A^^^^^^^^^^^|B^^^^^^^^^^^|C^^^^^^^^^^^|D^^^^^^^^^^^|"
                                           "E^^^^^^^^^^^"));
    form().undoStack().redo();
    EXPECT_EQ(locations(), (QStringList{"B", "E"}));
}

TEST_F(MainWindowFindTest, SelectedItemsMoveDuplicateAndTakeOneFieldTogether)
{
    startWith({"A", "B", "C", "D"});
    selectShownRows({1, 2});
    form().moveItem(-1);
    EXPECT_EQ(locations(), (QStringList{"B", "C", "A", "D"}));
    form().moveItem(-1); // already at the top: nothing to do, no step
    EXPECT_EQ(form().undoStack().count(), 1);
    form().duplicateItem();
    EXPECT_EQ(locations(), (QStringList{"B", "C", "B", "C", "A", "D"}));

    prompts.fieldTextAnswers.push_back(std::pair{int(kNotesField), QStringLiteral("Box 4")});
    selectShownRows({0, 4});
    form().setFieldOfSelectedItems();
    EXPECT_EQ(form().itemRow(0).value(kNotesField), QStringLiteral("Box 4"));
    EXPECT_EQ(form().itemRow(4).value(kNotesField), QStringLiteral("Box 4"));
    EXPECT_TRUE(form().itemRow(1).value(kNotesField).isEmpty());
    EXPECT_EQ(form().undoStack().count(), 3);
    form().undoStack().undo();
    EXPECT_TRUE(form().itemRow(0).value(kNotesField).isEmpty());
    EXPECT_TRUE(form().itemRow(4).value(kNotesField).isEmpty());
    form().undoStack().undo();
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"A", "B", "C", "D"}));
}

TEST_F(MainWindowFindTest, AMoveWhileFindingPassesTheItemShownAbove)
{
    startWith({"Garage", "Kitchen", "Garage 2", "Den"});
    find(QStringLiteral("garage"));
    selectShownRows({1});
    form().moveItem(-1);
    EXPECT_EQ(locations(), (QStringList{"Garage 2", "Kitchen", "Garage", "Den"}));
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"Garage", "Kitchen", "Garage 2", "Den"}));
}

TEST_F(MainWindowFindTest, AHeaderClickSortsByItsColumnAndASecondReverses)
{
    startWith({"Hall", "Attic", "Den"});
    QHeaderView* header = list()->header();
    const QPoint onLocation(header->sectionViewportPosition(0) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onLocation);
    EXPECT_EQ(locations(), (QStringList{"Attic", "Den", "Hall"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onLocation);
    EXPECT_EQ(locations(), (QStringList{"Hall", "Den", "Attic"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // Another change may break the order: the indicator no longer claims it.
    form().undoStack().undo();
    EXPECT_FALSE(header->isSortIndicatorShown());
}

} // namespace
} // namespace stowfolio

// Changing the list where it stands: edits in place, Undo and Redo of every change, Duplicate,
// Move, Sort, the menus and the status line.

#include "tests/app/main_window_fixture.h"

#include "app/conventions_command.h"
#include "state/inventory_conventions.h"
#include "state/settings_store.h"
#include "workbook/workbook_builder.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace stowfolio {
namespace {

class MainWindowListTest : public MainWindowTest
{
protected:
    // A shown window whose list holds rows "A", "B", ... with an estimated value each.
    void startWith(const QList<QStringList>& rows)
    {
        QStringList stored;
        for (const QStringList& row : rows) {
            QStringList fields = row;
            while (fields.size() < 12)
                fields << QString();
            stored << fields.join(QLatin1Char('^'));
        }
        settings.write(kItemsKey, stored.join(QLatin1Char('|')));
        loadedForm().show();
        QApplication::setActiveWindow(&form());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
        // QTest leaves the application believing that the modifiers of the last key it sent
        // are still held, which would turn this test's selections into Ctrl+clicks; a key with
        // none lets them go.
        QTest::keyClick(field("txtNotes"), Qt::Key_End);
    }
    QString storedItems() { return storedList(); }
    QStringList locations() const
    {
        QStringList all;
        for (int r = 0; r < const_cast<MainWindowListTest*>(this)->form().itemCount(); ++r)
            all << const_cast<MainWindowListTest*>(this)->form().itemRow(r).value(0);
        return all;
    }
    // Opens the editor on a field as a double click does, types, and ends with `key`.
    void editInPlace(int row, int column, const QString& text, Qt::Key key)
    {
        select(row, column);
        form().editItem();
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor, list());
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, key);
        QCoreApplication::processEvents();
    }
    QAction* menuAction(const QString& menu, const QString& text)
    {
        for (QAction* top : form().menuBar()->actions())
            if (top->text().remove(QLatin1Char('&')) == menu)
                for (QAction* action : top->menu()->actions())
                    if (action->text().remove(QLatin1Char('&')) == text)
                        return action;
        return nullptr;
    }
};

TEST_F(MainWindowListTest, AnEditInPlaceChangesOneFieldAndIsStoredAndUndone)
{
    startWith({{"Kitchen", "Toaster"}, {"Attic", "Trunk"}, {"Garage", "Bike"}});
    editInPlace(2, 1, QStringLiteral("Racing bike"), Qt::Key_Return);
    EXPECT_EQ(form().itemRow(2).value(1), QStringLiteral("Racing bike"));
    EXPECT_TRUE(storedItems().contains(QStringLiteral("Garage^Racing bike^")));
    form().undoStack().undo();
    EXPECT_EQ(form().itemRow(2).value(1), QStringLiteral("Bike"));
    EXPECT_TRUE(storedItems().contains(QStringLiteral("Garage^Bike^")));
    form().undoStack().redo();
    EXPECT_EQ(form().itemRow(2).value(1), QStringLiteral("Racing bike"));

    // Escape leaves the field as it was, and adds no step.
    const int steps = form().undoStack().count();
    editInPlace(0, 0, QStringLiteral("Pantry"), Qt::Key_Escape);
    EXPECT_EQ(form().itemRow(0).value(0), QStringLiteral("Kitchen"));
    EXPECT_EQ(form().undoStack().count(), steps);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowListTest, AnEditWithASeparatorIsRefusedAsAddRefusesIt)
{
    startWith({{"Kitchen", "Toaster"}});
    const QString before = storedItems();
    editInPlace(0, 1, QStringLiteral("Toaster|Oven"), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(form().itemRow(0).value(1), QStringLiteral("Toaster"));
    EXPECT_EQ(storedItems(), before);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0],
              QStringLiteral("The Description field contains the character \"|\", which cannot "
                             "be kept in the saved list. Please remove it and press Add again."));
    EXPECT_EQ(form().undoStack().count(), 0);
}

// Each change is one step; undoing all of them in turn brings back the list as it started, and
// the stored list follows every step.
TEST_F(MainWindowListTest, EveryChangeOfTheListIsOneStepToUndo)
{
    startWith({{"A"}, {"B"}, {"C"}});
    const QString start = storedItems();
    typeItem({QStringLiteral("D")});
    button("PushButton1")->click(); // Add
    select(0);
    button("PushButton2")->click(); // Delete "A"
    select(1);
    form().duplicateItem(); // "C" twice
    select(0);
    form().moveItem(1);             // "B" below the first "C"
    button("PushButton7")->click(); // the sample row
    EXPECT_EQ(locations(), (QStringList{"C", "B", "C", "D", "Garage"}));
    EXPECT_EQ(form().undoStack().count(), 5);

    const QList<QStringList> expected = {{"C", "B", "C", "D"},
                                         {"B", "C", "C", "D"},
                                         {"B", "C", "D"},
                                         {"A", "B", "C", "D"},
                                         {"A", "B", "C"}};
    for (const QStringList& list : expected) {
        form().undoStack().undo();
        EXPECT_EQ(locations(), list);
        QStringList stored;
        for (const QString& location : list)
            stored << location + QStringLiteral("^^^^^^^^^^^");
        EXPECT_EQ(storedItems(), stored.join(QLatin1Char('|')));
    }
    EXPECT_EQ(storedItems(), start);
    // Nothing more to undo: nothing happens.
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"A", "B", "C"}));
    while (form().undoStack().canRedo())
        form().undoStack().redo();
    EXPECT_EQ(locations(), (QStringList{"C", "B", "C", "D", "Garage"}));
}

// The index of the option of `choice` whose label holds `text`.
int optionHolding(const PromptChoice& choice, const QString& text)
{
    for (int i = 0; i < choice.options.size(); ++i)
        if (choice.options[i].contains(text))
            return i;
    ADD_FAILURE() << "no option holds " << text.toStdString();
    return -1;
}

// Edit ▸ Dates and Amounts…: the inventory's conventions become German, every date and amount
// is rewritten to keep its value (the total stays), the database holds both, and it is one
// step to undo and redo. Texts that are no date or amount stay as typed.
TEST_F(MainWindowListTest, ChangingTheConventionsRewritesDatesAndAmountsAsOneStep)
{
    startWith({{"Garage", "1,5 m", "3/4/2021", "", "", "1,234.50", "", "$40,000"},
               {"Attic", "Box", "12/25/2019", "", "", "about 90", "", "2.5"}});
    const InventoryConventions american = form().model().conventions();
    // The first start, which took the settings file's list, recorded the user's locale's.
    EXPECT_EQ(american, conventionsOfLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    EXPECT_EQ(decodedConventions(inventory().meta(kConventionsKey).value_or(QString())), american);
    const QString americanList = storedItems();
    const QString total = QStringLiteral("2 items · estimated total $40,002.50");
    EXPECT_EQ(form().statusLine(), total);

    const QList<PromptChoice> choices = conventionChoices(american);
    ASSERT_EQ(choices.size(), 4);
    const QList<int> german = {optionHolding(choices[0], QStringLiteral(",")),
                               optionHolding(choices[1], QStringLiteral(".")),
                               optionHolding(choices[2], QStringLiteral("€")),
                               optionHolding(choices[3], QStringLiteral("(dd.MM.yyyy)"))};
    // Cancelled, then the same mark for decimals and groups: nothing changes.
    prompts.optionAnswers = {std::nullopt, QList<int>{german[0], optionHolding(choices[1], ",")}
                                               << german[2] << german[3]};
    menuAction(QStringLiteral("Edit"), QStringLiteral("Dates and Amounts…"))->trigger();
    menuAction(QStringLiteral("Edit"), QStringLiteral("Dates and Amounts…"))->trigger();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(QStringLiteral("grouping mark")));
    EXPECT_EQ(form().undoStack().count(), 0);
    EXPECT_EQ(storedItems(), americanList);

    prompts.optionAnswers = {german};
    menuAction(QStringLiteral("Edit"), QStringLiteral("Dates and Amounts…"))->trigger();
    const QString germanList = QStringLiteral("Garage^1,5 m^04.03.2021^^^1.234,50^^$40.000^^^^|"
                                              "Attic^Box^25.12.2019^^^about 90^^2,5^^^^");
    const InventoryConventions expected =
        conventionsOfLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(form().model().conventions(), expected);
    EXPECT_EQ(form().itemRow(0).value(kDateField), QStringLiteral("04.03.2021"));
    EXPECT_EQ(storedItems(), germanList);
    EXPECT_EQ(decodedConventions(inventory().meta(kConventionsKey).value_or(QString())), expected);
    EXPECT_EQ(form().statusLine(), total);
    EXPECT_EQ(form().undoStack().count(), 1);

    form().undoStack().undo();
    EXPECT_EQ(form().model().conventions(), american);
    EXPECT_EQ(storedItems(), americanList);
    EXPECT_EQ(decodedConventions(inventory().meta(kConventionsKey).value_or(QString())), american);
    EXPECT_EQ(form().statusLine(), total);
    form().undoStack().redo();
    EXPECT_EQ(storedItems(), germanList);
    EXPECT_EQ(form().statusLine(), total);

    // An item another process adds meanwhile, in the German conventions, goes back with the
    // others when the step is undone.
    {
        InventoryStore otherProcess(inventoryPath());
        ItemFields added;
        added[kLocationField] = QStringLiteral("Shed");
        added[kDateField] = QStringLiteral("05.06.2022");
        added[kEstimatedValueField] = QStringLiteral("1.000,25");
        otherProcess.append({added});
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return form().itemCount() == 3; }, 5000));
    form().undoStack().undo();
    EXPECT_EQ(storedItems(), americanList + QStringLiteral("|Shed^^6/5/2022^^^^^1,000.25^^^^"));
    EXPECT_EQ(form().statusLine(), QStringLiteral("3 items · estimated total $41,002.75"));
    form().undoStack().redo();
    EXPECT_EQ(storedItems(), germanList + QStringLiteral("|Shed^^05.06.2022^^^^^1.000,25^^^^"));

    // A window started afterwards, under another locale, reads the list in German conventions.
    discardForm();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    loadedForm();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(form().model().conventions(), expected);
    EXPECT_EQ(form().statusLine(), QStringLiteral("3 items · estimated total $41,002.75"));
}

// After a Move and its Undo the moved item is selected where it went back to, so the next Move
// moves that item again rather than the one it had swapped places with.
TEST_F(MainWindowListTest, UndoingAMoveKeepsTheMovedItemSelected)
{
    const struct
    {
        const char* name;
        int row;
        int offset;
        QStringList moved;
    } cases[] = {
        {"Move Item Down", 1, 1, {"A", "C", "B", "D"}},
        {"Move Item Up", 2, -1, {"A", "C", "B", "D"}},
    };
    startWith({{"A"}, {"B"}, {"C"}, {"D"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString item = locations().value(c.row);
        select(c.row);
        form().moveItem(c.offset);
        ASSERT_EQ(locations(), c.moved);
        form().undoStack().undo();
        EXPECT_EQ(locations(), (QStringList{"A", "B", "C", "D"}));
        const QModelIndexList selected = list()->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.front().data().toString().toStdString(), item.toStdString());
        form().moveItem(c.offset);
        EXPECT_EQ(locations(), c.moved);
        form().undoStack().undo();
    }
}

TEST_F(MainWindowListTest, SortingByAColumnAndAgainReversesIt)
{
    startWith({{"Hall", "", "", "", "", "", "", "1,200"},
               {"Attic", "", "", "", "", "", "", ""},
               {"Den", "", "", "", "", "", "", "$95"},
               {"Yard", "", "", "", "", "", "", "unknown"}});
    EXPECT_EQ(form().statusLine(), QStringLiteral("4 items · estimated total $1,295.00"));
    form().sortItemsBy(7);
    EXPECT_EQ(locations(), (QStringList{"Den", "Hall", "Yard", "Attic"}));
    form().sortItemsBy(7);
    EXPECT_EQ(locations(), (QStringList{"Yard", "Hall", "Den", "Attic"}));
    EXPECT_TRUE(storedItems().startsWith(QStringLiteral("Yard^")));
    form().undoStack().undo();
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"Hall", "Attic", "Den", "Yard"}));
}

TEST_F(MainWindowListTest, CommandsWithNothingToActOnChangeNothing)
{
    startWith({});
    form().sortItemsBy(0);
    form().duplicateItem();
    form().moveItem(1);
    form().editItem();
    form().undoStack().undo();
    EXPECT_EQ(form().itemCount(), 0);
    EXPECT_EQ(form().undoStack().count(), 0);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(form().statusLine(), QStringLiteral("0 items · estimated total $0.00"));
}

TEST_F(MainWindowListTest, TheStatusLineFollowsEveryChange)
{
    startWith({{"Garage", "Car", "", "", "", "45000", "", "$40,000"}});
    EXPECT_EQ(form().statusLine(), QStringLiteral("1 item · estimated total $40,000.00"));
    editInPlace(0, 7, QStringLiteral("39,500.50"), Qt::Key_Return);
    EXPECT_EQ(form().statusLine(), QStringLiteral("1 item · estimated total $39,500.50"));
    form().duplicateItem();
    EXPECT_EQ(form().statusLine(), QStringLiteral("2 items · estimated total $79,001.00"));
    button("PushButton2")->click();
    EXPECT_EQ(form().statusLine(), QStringLiteral("1 item · estimated total $39,500.50"));
}

TEST_F(MainWindowListTest, TheMenusOfferEveryCommandWithItsKeys)
{
    startWith({{"A"}, {"B"}});
    const struct
    {
        const char* menu;
        const char* text;
        QKeySequence key;
    } entries[] = {
        {"File", "Start Creating Template", QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {"File", "Quit", QKeySequence(QKeySequence::Quit)},
        {"Edit", "Undo", QKeySequence(QKeySequence::Undo)},
        {"Edit", "Redo", QKeySequence(QKeySequence::Redo)},
        {"Edit", "Edit Item", QKeySequence(Qt::Key_F2)},
        {"Edit", "Duplicate Item", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"Edit", "Delete Item", QKeySequence(Qt::Key_Delete)},
        {"Edit", "Move Item Up", QKeySequence(Qt::ALT | Qt::Key_Up)},
        {"Edit", "Move Item Down", QKeySequence(Qt::ALT | Qt::Key_Down)},
        {"Edit", "Set Field of Selected Items…", QKeySequence()},
        {"Edit", "Find…", QKeySequence(QKeySequence::Find)},
        {"Edit", "Dates and Amounts…", QKeySequence()},
        {"Help", "User Guide", QKeySequence(QKeySequence::HelpContents)},
        {"Help", "Contact Team Quillane", QKeySequence()},
        {"Help", "About Stowfolio", QKeySequence()},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.text);
        QAction* action = menuAction(QString::fromUtf8(entry.menu), QString::fromUtf8(entry.text));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), entry.key);
    }
    // Delete Item has the Delete key alone; Redo has Ctrl+Y besides the desktop's keys.
    EXPECT_EQ(menuAction(QStringLiteral("Edit"), QStringLiteral("Delete Item"))->shortcuts(),
              QList<QKeySequence>{QKeySequence(Qt::Key_Delete)});
    EXPECT_TRUE(menuAction(QStringLiteral("Edit"), QStringLiteral("Redo"))
                    ->shortcuts()
                    .contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    // The keys reach the list: Alt+Down moves the selected item, Delete removes it.
    select(0);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(locations(), (QStringList{"B", "A"}));
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(locations(), QStringList{"B"});
    // In a text field Delete deletes a character, not the item.
    field("txtNotes")->setText(QStringLiteral("ab"));
    field("txtNotes")->setFocus();
    field("txtNotes")->setCursorPosition(0);
    QTest::keyClick(field("txtNotes"), Qt::Key_Delete);
    EXPECT_EQ(field("txtNotes")->text(), QStringLiteral("b"));
    EXPECT_EQ(form().itemCount(), 1);

    menuAction(QStringLiteral("Help"), QStringLiteral("Contact Team Quillane"))->trigger();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("Questions?")));
}

// Every action of the window's menus, submenus included.
QList<QAction*> allMenuActions(const QList<QAction*>& actions)
{
    QList<QAction*> all;
    for (QAction* action : actions) {
        all << action;
        if (action->menu())
            all << allMenuActions(action->menu()->actions());
    }
    return all;
}

// The letter after a single "&" in `text`, lower-cased; none when there is no mnemonic.
QChar mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return text[i + 1].toLower();
        ++i; // "&&" is a literal ampersand
    }
    return QChar();
}

// Alt plus a letter picks one entry: within the menu bar and within each menu no two entries
// share their underlined letter.
TEST_F(MainWindowListTest, EachMenuGivesEveryMnemonicToOneEntry)
{
    startWith({{"A"}});
    QList<QList<QAction*>> menus{form().menuBar()->actions()};
    for (QAction* action : allMenuActions(form().menuBar()->actions()))
        if (action->menu())
            menus << action->menu()->actions();
    ASSERT_GE(menus.size(), 4);
    for (const QList<QAction*>& menu : menus) {
        QMap<QChar, QString> taken;
        for (QAction* action : menu) {
            const QChar letter = mnemonicOf(action->text());
            if (letter.isNull())
                continue;
            EXPECT_FALSE(taken.contains(letter))
                << action->text().toStdString() << " and " << taken.value(letter).toStdString();
            taken.insert(letter, action->text());
        }
    }
}

// Two actions on one key run neither ("Ambiguous shortcut overload"): every key is one
// command's.
TEST_F(MainWindowListTest, NoTwoMenuEntriesShareAKey)
{
    startWith({{"A"}});
    QMap<QKeySequence, QString> taken;
    for (QAction* action : allMenuActions(form().menuBar()->actions()))
        for (const QKeySequence& key : action->shortcuts()) {
            EXPECT_FALSE(taken.contains(key))
                << key.toString().toStdString() << ": " << action->text().toStdString() << " and "
                << taken.value(key).toStdString();
            taken.insert(key, action->text());
        }
}

// Ctrl+D duplicates the selected item with the focus in the list, where Delete also acts.
TEST_F(MainWindowListTest, CtrlDInTheListDuplicatesTheSelectedItem)
{
    startWith({{"A"}, {"B"}});
    select(1);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "B", "B"}));
    field("txtNotes")->setFocus();
    QTest::keyClick(field("txtNotes"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "B"}));
}

// In an entry field Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y are the window's Undo and Redo, as the Edit
// menu says, not the field's own undo of typing: the typing is the newest step, then the list's.
TEST_F(MainWindowListTest, UndoKeysInAnEntryFieldUndoWhatTheEditMenuNames)
{
    startWith({{"A"}, {"B"}});
    select(0);
    form().duplicateItem();
    ASSERT_EQ(locations(), (QStringList{"A", "A", "B"}));
    QLineEdit* notes = field("txtNotes");
    notes->setFocus();
    QTest::keyClicks(notes, QStringLiteral("ab"));
    ASSERT_EQ(QApplication::focusWidget(), notes);
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Typing in Notes"));

    QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(notes->text(), QString());
    EXPECT_EQ(locations(), (QStringList{"A", "A", "B"}));
    QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "B"}));
    QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "A", "B"}));
    QTest::keyClick(field("txtName"), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(notes->text(), QStringLiteral("ab"));
    QTest::keyClick(field("txtName"), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(field("txtName"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "B"}));
    // With nothing left to undo the key does nothing, in the list or in the field.
    form().undoStack().undo();
    QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(locations(), (QStringList{"A", "B"}));
    EXPECT_EQ(notes->text(), QString());
}

// The keystrokes of one visit to a field are one step; coming back to it starts another. An
// owner field's undone text is stored as if typed.
TEST_F(MainWindowListTest, TypingIsOneUndoStepPerVisitToAField)
{
    startWith({{"A"}});
    QLineEdit* name = field("txtName");
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Ada"));
    field("txtCity")->setFocus();
    name->setFocus(); // selects the whole text, which the next key replaces
    QTest::keyClicks(name, QStringLiteral("Grace"));
    ASSERT_EQ(form().undoStack().count(), 2);
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Typing in Name"));
    form().undoStack().undo();
    EXPECT_EQ(name->text(), QStringLiteral("Ada"));
    EXPECT_EQ(settings.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ada"));
    form().undoStack().undo();
    EXPECT_EQ(name->text(), QString());
    form().undoStack().redo();
    EXPECT_EQ(name->text(), QStringLiteral("Ada"));
    // Typing a text away again leaves no step behind.
    form().undoStack().redo();
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClick(name, Qt::Key_X);
    QTest::keyClick(name, Qt::Key_Backspace);
    EXPECT_EQ(form().undoStack().count(), 2);
    // Texts the program puts in the fields are not typing.
    form().addItem();
    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Add Item"));
}

// The commands on the selected items are disabled while there is nothing to act on.
TEST_F(MainWindowListTest, CommandsOnTheSelectionAreDisabledWithoutOne)
{
    const QStringList commands = {"Edit Item",    "Duplicate Item", "Delete Item",
                                  "Move Item Up", "Move Item Down", "Set Field of Selected Items…"};
    const auto enabledCommands = [&] {
        QStringList enabled;
        for (const QString& text : commands) {
            QAction* action = menuAction(QStringLiteral("Edit"), text);
            if (!action)
                ADD_FAILURE() << text.toStdString();
            else if (action->isEnabled())
                enabled << text;
        }
        return enabled;
    };
    startWith({});
    EXPECT_EQ(enabledCommands(), QStringList());
    typeItem({QStringLiteral("A")});
    button("PushButton1")->click(); // Add selects the new item
    EXPECT_EQ(enabledCommands(), commands);
    list()->clearSelection();
    EXPECT_EQ(enabledCommands(), QStringList());
    select(0);
    EXPECT_EQ(enabledCommands(), commands);
    button("PushButton2")->click(); // Delete: the list is empty again
    EXPECT_EQ(enabledCommands(), QStringList());
    form().undoStack().undo();
    select(0);
    EXPECT_EQ(enabledCommands(), commands);
}

// The About box states the program's licence and those of the libraries it is linked with.
TEST_F(MainWindowListTest, TheAboutBoxGivesTheLicences)
{
    startWith({{"A"}});
    menuAction(QStringLiteral("Help"), QStringLiteral("About Stowfolio"))->trigger();
    ASSERT_EQ(prompts.messages().size(), 1);
    const QString text = prompts.messages()[0];
    EXPECT_TRUE(text.startsWith(QStringLiteral("Stowfolio "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Stowfolio is free software, licensed under the GNU "
                                             "General Public License, version 3 or later.")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("All rights reserved"))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("Qt %1 (LGPL-3.0), libgsf (LGPL-2.1)").arg(QString::fromLatin1(qVersion()))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SQLite (public domain)"))) << text.toStdString();
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// An import is previewed, lands at the end of the list as one step and is stored; declining the
// preview or a file that cannot be read changes nothing.
TEST_F(MainWindowListTest, ImportedItemsArePreviewedAndAddedAsOneStep)
{
    startWith({{"A"}});
    const QString csv =
        writeFile(appFolder, "items.csv", "Room,Item,Colour\nKitchen,Toaster,red\nAttic,Trunk,\n");
    prompts.yesNoAnswers = {false};
    form().importFile(csv);
    EXPECT_EQ(locations(), QStringList{"A"});
    ASSERT_EQ(prompts.tables.size(), 1u);
    EXPECT_EQ(prompts.tables[0].size(), 2);
    EXPECT_TRUE(prompts.shown.back().text.startsWith(
        QStringLiteral("2 items from items.csv will be added at the end of the list.")));
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("Left out: Colour.")));

    prompts.yesNoAnswers = {true};
    form().importFile(csv);
    EXPECT_EQ(locations(), (QStringList{"A", "Kitchen", "Attic"}));
    EXPECT_TRUE(storedItems().endsWith(QStringLiteral("|Attic^Trunk^^^^^^^^^^")));
    form().undoStack().undo();
    EXPECT_EQ(locations(), QStringList{"A"});

    prompts.shown.clear();
    form().importFile(writeFile(appFolder, "empty.csv", ""));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0], QStringLiteral("empty.csv cannot be imported: it is empty."));
    EXPECT_EQ(locations(), QStringList{"A"});
}

// Exporting the list over a file asks first, and again when the user made it read-only; No to
// either keeps the file.
TEST_F(MainWindowListTest, ExportingOverAFileAsksFirstAndAgainWhenItIsReadOnly)
{
    startWith({{"Kitchen"}});
    const QString path = writeFile(appFolder, "kept.csv", "last year's");
    const auto readBack = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    prompts.fileAnswers = {path};
    prompts.yesNoAnswers = {false};
    form().exportItemsAsCsv();
    ASSERT_EQ(prompts.shown.back().kind, QStringLiteral("question"));
    EXPECT_EQ(prompts.shown.back().text,
              QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
    EXPECT_EQ(readBack(), QByteArray("last year's"));

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    prompts.fileAnswers = {path};
    prompts.yesNoAnswers = {true, false};
    form().exportItemsAsCsv();
    ASSERT_EQ(prompts.shown.back().kind, QStringLiteral("question"));
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("kept.csv is read-only")));
    EXPECT_EQ(prompts.questionDefaults.back(), DefaultAnswer::No);
    EXPECT_EQ(readBack(), QByteArray("last year's"));

    prompts.fileAnswers = {path};
    prompts.yesNoAnswers = {true, true};
    form().exportItemsAsCsv();
    EXPECT_TRUE(readBack().contains("Kitchen"));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

// The owner and insurance fields of a workbook replace typed ones only when the user agrees.
TEST_F(MainWindowListTest, AWorkbooksOwnerDetailsReplaceTypedOnesOnlyWhenAsked)
{
    startWith({});
    Inventory inventory;
    inventory.ownerFields = {"Tobin", "", "", "", "Oak", "", "", "P-1"};
    inventory.items = {itemFromTexts({"Garage", "Bike"})};
    const QString workbook = appFolder.filePath(QStringLiteral("last year.xls"));
    exportInventoryWorkbook(excelFactory, inventory, appFolder.path(), workbook);

    field("txtName")->setText(QStringLiteral("Ann"));
    prompts.yesNoAnswers = {true, false}; // import, then keep the typed details
    form().importFile(workbook);
    EXPECT_EQ(field("txtName")->text(), QStringLiteral("Ann"));
    EXPECT_EQ(locations(), QStringList{"Garage"});
    EXPECT_EQ(prompts.questionDefaults.back(), DefaultAnswer::No);

    prompts.yesNoAnswers = {true, true};
    form().importFile(workbook);
    EXPECT_EQ(field("txtName")->text(), QStringLiteral("Tobin"));
    EXPECT_EQ(field("txtPolNo")->text(), QStringLiteral("P-1"));
    EXPECT_EQ(settings.stored(QStringLiteral("txtPolNo")), QStringLiteral("P-1"));
}

// Another process (an --import while the window is open) adds an item: it appears by itself,
// the current item stays current, and Undo still only takes back the window's own step.
TEST_F(MainWindowListTest, ItemsAnotherProcessAddsAppearAndUndoLeavesThem)
{
    startWith({{"A"}, {"B"}});
    typeItem({QStringLiteral("C")});
    button("PushButton1")->click(); // Add
    select(1);
    InventoryStore otherProcess(inventoryPath());
    ItemFields imported;
    imported[kLocationField] = QStringLiteral("imported");
    otherProcess.append({imported});

    ASSERT_TRUE(QTest::qWaitFor([&] { return locations().size() == 4; }, 5000));
    EXPECT_EQ(locations(), (QStringList{"A", "B", "C", "imported"}));
    EXPECT_EQ(list()->currentIndex().row(), 1) << "the current item stays current";
    form().undoStack().undo();
    EXPECT_EQ(locations(), (QStringList{"A", "B", "imported"}));
    EXPECT_EQ(storedItems(), QStringLiteral("A^^^^^^^^^^^|B^^^^^^^^^^^|imported^^^^^^^^^^^"));
}

// An edit in place is never pulled from under the user: the other process's item waits for it.
TEST_F(MainWindowListTest, AnotherProcesssItemWaitsForAnEditInPlace)
{
    startWith({{"A"}});
    select(0);
    form().editItem();
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, list());
    InventoryStore otherProcess(inventoryPath());
    ItemFields imported;
    imported[kLocationField] = QStringLiteral("imported");
    otherProcess.append({imported});
    QTest::qWait(2500);
    EXPECT_EQ(locations(), QStringList{QStringLiteral("A")});
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("A2"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return locations().size() == 2; }, 5000));
    EXPECT_EQ(locations(), (QStringList{"A2", "imported"}));
}

} // namespace
} // namespace stowfolio

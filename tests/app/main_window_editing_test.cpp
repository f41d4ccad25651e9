#include "tests/app/main_window_fixture.h"

#include "state/inventory_conventions.h"
#include "state/settings_store.h"
#include "tests/support/failing_file_call.h"
#include "tests/support/stalled_disk.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QLocale>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTest>

namespace stowfolio {
namespace {

// The program's own settings store, over a file, counting the outcomes it tells, whether or not
// the window listens.
class CountingIniStore : public IniSettingsStore
{
public:
    explicit CountingIniStore(const QString& path) : IniSettingsStore(path)
    {
        setOutcomeHandler({});
    }
    void setOutcomeHandler(OutcomeHandler handler) override
    {
        IniSettingsStore::setOutcomeHandler([this, handler](const QString& failure) {
            ++told;
            if (handler)
                handler(failure);
        });
    }
    // Runs the event loop until `count` outcomes have been told in all.
    void waitForOutcomes(int count)
    {
        while (told < count)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    int told = 0;
};

int writesOf(const MemorySettingsStore& store, const QString& key)
{
    int count = 0;
    for (const auto& [written, value] : store.writes())
        count += written == key ? 1 : 0;
    return count;
}

TEST_F(MainWindowTest, AddAppendsTheFieldsExactlyAndEmptiesThem)
{
    loadedForm();
    field("txtName")->setText(QStringLiteral("Owner"));
    const QString longNote(10000, QLatin1Char('n'));
    const QStringList item = {
        "  Living room ", "Κανάπές 沙发 🛋️",  "", "Ikea", "", "", "", "", "", "",
        longNote,         "/home/ann/My Pictures/été 1.JPG"};
    typeItem(item);
    button("PushButton1")->click();
    EXPECT_EQ(form().itemRow(0), item);
    for (const char* name : {"txtILoc", "txtDesc", "txtNotes", "txtPhoto"})
        EXPECT_TRUE(field(name)->text().isEmpty()) << name;
    EXPECT_EQ(field("txtName")->text(), QStringLiteral("Owner"));
    // The first row becomes the current one; the list is stored at once.
    EXPECT_EQ(currentRow(), 0);
    EXPECT_EQ(storedList(), item.join(QLatin1Char('^')));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowTest, AddWithEmptyFieldsTwiceGivesTwoEmptyRows)
{
    loadedForm();
    button("PushButton1")->click();
    button("PushButton1")->click();
    EXPECT_EQ(rows(), QStringList({"^^^^^^^^^^^", "^^^^^^^^^^^"}));
    EXPECT_EQ(storedList(), QStringLiteral("^^^^^^^^^^^|^^^^^^^^^^^"));
}

TEST_F(MainWindowTest, AddRefusesTheListSeparatorsAndKeepsTheFields)
{
    const std::vector<std::tuple<const char*, QString, QString>> cases = {
        {"txtDesc", QStringLiteral("Desk | chair"),
         QStringLiteral("The Description field "
                        "contains the character \"|\"")},
        {"txtPhoto", QStringLiteral("/photos/a^b.jpg"),
         QStringLiteral("The Photo field contains the character \"^\"")},
    };
    loadedForm();
    for (const auto& [name, text, message] : cases) {
        SCOPED_TRACE(name);
        prompts.shown.clear();
        settings.clearWrites();
        typeItem({QStringLiteral("Office")});
        field(name)->setText(text);
        button("PushButton1")->click();
        EXPECT_EQ(form().itemCount(), 0);
        EXPECT_EQ(field(name)->text(), text);
        EXPECT_EQ(field("txtILoc")->text(), QStringLiteral("Office"));
        ASSERT_EQ(prompts.messages().size(), 1);
        EXPECT_TRUE(prompts.messages()[0].startsWith(message));
        EXPECT_EQ(prompts.errorReports(), 0);
        EXPECT_EQ(writesOf(settings, kItemsKey), 0);
    }
}

TEST_F(MainWindowTest, DeleteRemovesExactlyTheSelectedRow)
{
    settings.write(kItemsKey, QStringLiteral("one|two|three"));
    loadedForm();
    select(1);
    field("txtILoc")->setText(QStringLiteral("typing"));
    button("PushButton2")->click();
    EXPECT_EQ(rows(), QStringList({"one^^^^^^^^^^^", "three^^^^^^^^^^^"}));
    EXPECT_EQ(field("txtILoc")->text(), QStringLiteral("typing"));
    EXPECT_EQ(storedList(), QStringLiteral("one^^^^^^^^^^^|three^^^^^^^^^^^"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowTest, DeleteWithNothingToDeleteDoesNothingQuietly)
{
    loadedForm();
    button("PushButton2")->click(); // empty list
    EXPECT_TRUE(prompts.shown.empty());

    discardForm();
    storeLocations({QStringLiteral("one"), QStringLiteral("two")});
    loadedForm();
    list()->clearSelection();
    button("PushButton2")->click(); // rows, none selected
    EXPECT_EQ(form().itemCount(), 2);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainWindowTest, ThePhotoPickerFillsOnlyThePhotoField)
{
    loadedForm();
    field("txtPhoto")->setText(QStringLiteral("old.jpg"));
    prompts.fileAnswers = {QString(), QStringLiteral("/home/ann/Bilder/Küche 2.JPEG")};
    button("PushButton3")->click(); // cancelled
    EXPECT_EQ(field("txtPhoto")->text(), QStringLiteral("old.jpg"));
    button("PushButton3")->click();
    EXPECT_EQ(field("txtPhoto")->text(), QStringLiteral("/home/ann/Bilder/Küche 2.JPEG"));
    EXPECT_EQ(form().itemCount(), 0);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("open"));
    EXPECT_EQ(prompts.shown[0].title,
              QStringLiteral("Add File(s) - Hold Ctrl or Shift to select multiple files"));
    EXPECT_TRUE(prompts.shown[0].text.startsWith(
        QStringLiteral("Supported Pictures (*.jpg;*.bmp;*.jpeg)|*.jpg;*.bmp;*.jpeg|")))
        << prompts.shown[0].text.toStdString();
}

// After the long-standing filter, "All Pictures" offers every format Qt can read; the dialog
// opens in the Pictures folder, or at home without one, never in the working folder.
TEST_F(MainWindowTest, ThePhotoPickerOffersEveryReadablePictureFromThePicturesFolder)
{
    loadedForm();
    prompts.fileAnswers = {QString()};
    button("PushButton3")->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    const QStringList parts = prompts.shown[0].text.split(QLatin1Char('|'));
    ASSERT_EQ(parts.size(), 5) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(parts[0], QStringLiteral("Supported Pictures (*.jpg;*.bmp;*.jpeg)"));
    EXPECT_EQ(parts[2], QStringLiteral("All Pictures (%1)").arg(parts[3]));
    const QStringList patterns = parts[3].split(QLatin1Char(';'));
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        EXPECT_TRUE(patterns.contains(QStringLiteral("*.") + QString::fromLatin1(format)))
            << format.toStdString();
    for (const char* pattern : {"*.png", "*.jpg", "*.jpeg", "*.bmp"})
        EXPECT_TRUE(patterns.contains(QLatin1String(pattern))) << pattern;

    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_EQ(prompts.openFolders.size(), 1);
    EXPECT_EQ(prompts.openFolders[0], QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
}

TEST_F(MainWindowTest, HelpNamesTheContactPage)
{
    loadedForm();
    button("PushButton4")->click();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Questions? Please contact Team Quillane at "
                                                    "https://quillane.example/contact"));
    EXPECT_EQ(prompts.shown[0].title, QString());
    EXPECT_EQ(prompts.shown[0].icon, MessageIcon::None);
}

TEST_F(MainWindowTest, OwnerFieldsAreSavedOnEveryChangeAndItemFieldsNever)
{
    loadedForm();
    settings.clearWrites();
    QTest::keyClicks(field("txtAgent"), QStringLiteral("Joe"));
    ASSERT_EQ(writesOf(settings, QStringLiteral("txtAgent")), 3);
    EXPECT_EQ(settings.read(QStringLiteral("txtAgent"), QString()), QStringLiteral("Joe"));
    field("txtAgent")->clear();
    EXPECT_TRUE(settings.contains(QStringLiteral("txtAgent")));
    EXPECT_EQ(settings.read(QStringLiteral("txtAgent"), QStringLiteral("absent")), QString());
    settings.clearWrites();
    QTest::keyClicks(field("txtPrice"), QStringLiteral("45000"));
    EXPECT_TRUE(settings.writes().empty());
}

const QString kDiskFull =
    QStringLiteral("The settings file /home/ann/.config/Quillane/Quillane.ini cannot be written: "
                   "the disk is full.");

// A full disk is told once, not at every key; whatever was refused is stored by the first change
// after the disk has room again, and a later failure is told again.
TEST_F(MainWindowTest, AFailingStoreIsToldOnceAndTheNextChangeStoresEverything)
{
    loadedForm();
    settings.failWritesWith(kDiskFull);
    QTest::keyClicks(field("txtName"), QStringLiteral("Ann"));
    typeItem({QStringLiteral("Attic"), QStringLiteral("Trunk")});
    button("PushButton1")->click();
    EXPECT_EQ(field("txtName")->text(), QStringLiteral("Ann"));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(kDiskFull));
    EXPECT_TRUE(settings.hasUnsavedChanges());
    EXPECT_EQ(settings.stored(QStringLiteral("txtName")), QString());

    settings.failWritesWith(QString());
    QTest::keyClicks(field("txtAgent"), QStringLiteral("J"));
    EXPECT_FALSE(settings.hasUnsavedChanges());
    EXPECT_EQ(settings.stored(QStringLiteral("txtName")), QStringLiteral("Ann"));
    // The item went to the inventory database at once, whatever the settings file's disk did.
    EXPECT_EQ(storedList(), QStringLiteral("Attic^Trunk^^^^^^^^^^"));

    settings.failWritesWith(kDiskFull);
    QTest::keyClicks(field("txtAgent"), QStringLiteral("o"));
    EXPECT_EQ(prompts.messages().size(), 2);
}

// Closing while changes are refused says so and lets the user stay, free space and close again.
TEST_F(MainWindowTest, ClosingWithUnsavedChangesOffersToStayOpen)
{
    loadedForm().show();
    int unloaded = 0;
    QObject::connect(&form(), &MainWindow::unloaded, [&] { ++unloaded; });
    QTest::keyClicks(field("txtName"), QStringLiteral("Ann"));
    typeItem({QStringLiteral("Attic")});
    button("PushButton1")->click();
    // The disk fills up at the close itself: the question alone tells it.
    settings.failWritesWith(kDiskFull);
    prompts.shown.clear();
    prompts.yesNoAnswers = {false};
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(unloaded, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("question"));
    EXPECT_TRUE(prompts.shown[0].text.contains(kDiskFull));
    // Enter out of habit keeps the window open.
    EXPECT_EQ(prompts.questionDefaults.back(), DefaultAnswer::No);

    settings.failWritesWith(QString());
    prompts.shown.clear();
    EXPECT_TRUE(form().close());
    EXPECT_EQ(unloaded, 1);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(settings.stored(kItemsKey), QStringLiteral("Attic^^^^^^^^^^^"));
}

TEST_F(MainWindowTest, ClosingAnywayLosesOnlyWhatTheDiskRefused)
{
    loadedForm().show();
    settings.failWritesWith(kDiskFull);
    typeItem({QStringLiteral("Attic")});
    button("PushButton1")->click();
    prompts.yesNoAnswers = {true};
    EXPECT_TRUE(form().close());
    EXPECT_EQ(settings.stored(kItemsKey), QString());
}

TEST_F(MainWindowTest, FocusSelectsTheWholeText)
{
    loadedForm().show();
    QApplication::setActiveWindow(&form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    field("txtSerial")->setText(QStringLiteral("CTJ156FG158"));
    field("txtSerial")->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(field("txtSerial")->selectedText(), QStringLiteral("CTJ156FG158"));
    EXPECT_EQ(field("txtSerial")->selectionStart(), 0);
    field("txtEst")->setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(field("txtEst")->hasSelectedText());
    EXPECT_TRUE(prompts.shown.empty());
}

void moveMouseOver(QWidget* widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

TEST_F(MainWindowTest, ThePointerFollowsTheHoverRules)
{
    loadedForm();
    const std::vector<std::pair<QWidget*, int>> moves = {
        {button("PushButton6"), kCustomPointer},
        {field("txtPrice"), kCustomPointer}, // item fields keep whatever pointer there was
        {form().findChild<QGroupBox*>("Frame2"), kDefaultPointer},
        {button("PushButton3"), kCustomPointer},
        {field("txtName"), kDefaultPointer},
        {button("PushButton7"), kCustomPointer},
        {list()->viewport(), kDefaultPointer},
        {button("PushButton1"), kCustomPointer},
        {&form(), kDefaultPointer},
    };
    for (const auto& [widget, code] : moves) {
        SCOPED_TRACE(widget->objectName().toStdString());
        moveMouseOver(widget);
        EXPECT_EQ(form().pointerCode(), code);
    }
    form().setPointerCode(kHourglassPointer);
    for (const auto& [widget, code] : moves)
        moveMouseOver(widget);
    EXPECT_EQ(form().pointerCode(), kHourglassPointer);
    form().setPointerCode(kDefaultPointer);
}

class LocaleScope
{
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

TEST_F(MainWindowTest, SampleDataFillsTheFieldsAndAppendsTheCar)
{
    const std::vector<std::pair<QLocale, QString>> locales = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("10/16/2005")},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), QStringLiteral("16/10/2005")},
        {QLocale(QLocale::German, QLocale::Germany), QStringLiteral("16.10.2005")},
    };
    // The sample's date is written in the inventory's conventions, whatever the process's locale.
    LocaleScope scope(QLocale::c());
    for (const auto& [locale, date] : locales) {
        SCOPED_TRACE(locale.name().toStdString());
        discardForm();
        settings = MemorySettingsStore();
        inventory().replaceAll({});
        inventory().setMeta(kConventionsKey, encodedConventions(conventionsOfLocale(locale)));
        field("txtName")->setText(QStringLiteral("Someone Else"));
        button("PushButton7")->click();
        EXPECT_EQ(form().ownerFieldTexts(),
                  QStringList({"Tobin Harwell", "115 Birchwood st", "French Leek, IN", "",
                               "Oak Insurance", "Marla", "", "000-585-678"}));
        const QStringList car = {"Garage", "Chevrolet Suburban",
                                 date,     "Gus's garage",
                                 "Ended",  "45000",
                                 "Old",    "",
                                 "",       "CTJ156FG158",
                                 "",       ""};
        EXPECT_EQ(form().itemRow(0), car);
        EXPECT_EQ(field("txtDate")->text(), date); // the fields keep the sample
        EXPECT_EQ(settings.read(QStringLiteral("txtName"), QString()),
                  QStringLiteral("Tobin Harwell"));
        EXPECT_EQ(storedList(), car.join(QLatin1Char('^')));
        button("PushButton7")->click();
        EXPECT_EQ(form().itemRow(1), car);
        button("PushButton1")->click();
        EXPECT_EQ(form().itemRow(2), car);
        EXPECT_TRUE(field("txtDesc")->text().isEmpty());
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST_F(MainWindowTest, StartCreatingTemplateRunsTheConnectedBuilder)
{
    loadedForm();
    button("PushButton6")->click(); // nothing connected yet: nothing happens
    int builds = 0;
    form().setStartCreatingTemplateHandler([&] { ++builds; });
    button("PushButton6")->click();
    EXPECT_EQ(builds, 1);
}

TEST_F(MainWindowTest, EverythingTypedSurvivesARestartExactly)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("Quillane/Quillane.ini"));
    const QStringList item = {" Attic ",
                              "Σεντούκι 箱子 📦",
                              "",
                              "",
                              "",
                              "",
                              "",
                              "",
                              "",
                              "",
                              QString(10000, QLatin1Char('z')),
                              "/media/a b/ü.jpg"};
    {
        IniSettingsStore store(path);
        InventoryStore firstInventory(inventoryPath());
        MainWindow first({store, firstInventory, prompts, excelFactory, appFolder.path(),
                          [] { return 0.5; }, [](const QUrl&) {}, [] {}});
        first.startUp();
        QTest::keyClicks(first.findChild<QLineEdit*>("txtCity"), QStringLiteral(" Åre  "));
        for (int i = 0; i < 12; ++i) {
            static const char* const names[] = {"txtILoc",  "txtDesc",   "txtDate",  "txtPurLoc",
                                                "txtWar",   "txtPrice",  "txtCond",  "txtEst",
                                                "txtModel", "txtSerial", "txtNotes", "txtPhoto"};
            first.findChild<QLineEdit*>(names[i])->setText(item[i]);
        }
        first.addItem();
        first.addItem(); // an all-empty row
        // No closing: a crash or a closed preview must not lose the rows.
    }
    IniSettingsStore store(path);
    InventoryStore secondInventory(inventoryPath());
    MainWindow second({store, secondInventory, prompts, excelFactory, appFolder.path(),
                       [] { return 0.5; }, [](const QUrl&) {}, [] {}});
    second.startUp();
    EXPECT_EQ(second.findChild<QLineEdit*>("txtCity")->text(), QStringLiteral(" Åre  "));
    ASSERT_EQ(second.itemCount(), 2);
    EXPECT_EQ(second.itemRow(0), item);
    EXPECT_EQ(second.itemRow(1), QStringList(12, QString()));
    EXPECT_TRUE(prompts.shown.empty());
}

// With the program's own store: typing never waits for the disk, and a disk that fails under
// the writes is told once, when the write has failed, not at every key.
TEST_F(MainWindowTest, TheSettingsFileIsWrittenBehindTheTypingAndAFailureIsToldOnce)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("Quillane.ini"));
    CountingIniStore store(path);
    MainWindow window({store, inventory(), prompts, excelFactory, appFolder.path(),
                       [] { return 0.5; }, [](const QUrl&) {}, [] {}});
    window.startUp();
    store.flush(); // start-up stores the fields it restores
    QLineEdit* name = window.findChild<QLineEdit*>("txtName");
    {
        testing::StalledDisk disk;
        QTest::keyClicks(name, QStringLiteral("A"));
        disk.waitForAStalledWrite();
        QTest::keyClicks(name, QStringLiteral("nn"));
        EXPECT_EQ(name->text(), QStringLiteral("Ann"));
        disk.open();
        store.waitForOutcomes(1);
    }
    EXPECT_FALSE(store.hasUnsavedChanges());
    EXPECT_EQ(IniSettingsStore(path).read(QStringLiteral("txtName"), QString()),
              QStringLiteral("Ann"));

    const QString diskFull =
        QStringLiteral("The settings file %1 cannot be written: the disk is full.").arg(path);
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, ENOSPC);
        QTest::keyClicks(window.findChild<QLineEdit*>("txtAgent"), QStringLiteral("J"));
        store.waitForOutcomes(2);
        ASSERT_EQ(prompts.messages().size(), 1);
        EXPECT_TRUE(prompts.messages()[0].startsWith(diskFull));
        QTest::keyClicks(window.findChild<QLineEdit*>("txtAgent"), QStringLiteral("o"));
        store.waitForOutcomes(3);
        EXPECT_EQ(prompts.messages().size(), 1);
        EXPECT_TRUE(store.hasUnsavedChanges());
    }
    QTest::keyClicks(window.findChild<QLineEdit*>("txtAgent"), QStringLiteral("e"));
    store.waitForOutcomes(4);
    EXPECT_FALSE(store.hasUnsavedChanges());
    EXPECT_EQ(prompts.messages().size(), 1);
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, ENOSPC);
        QTest::keyClicks(window.findChild<QLineEdit*>("txtAgent"), QStringLiteral("y"));
        store.waitForOutcomes(5);
        EXPECT_EQ(prompts.messages().size(), 2);
    }
}

// Closing waits for the settings file: when its last write fails, the question says why and
// the window can stay open; once the disk has room, closing stores everything.
TEST_F(MainWindowTest, ClosingWaitsForTheSettingsFileAndAsksWhenItCouldNotBeWritten)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("Quillane.ini"));
    storeLocations({QStringLiteral("Attic")});
    IniSettingsStore store(path);
    MainWindow window({store, inventory(), prompts, excelFactory, appFolder.path(),
                       [] { return 0.5; }, [](const QUrl&) {}, [] {}});
    window.startUp();
    window.show();
    QTest::keyClicks(window.findChild<QLineEdit*>("txtName"), QStringLiteral("Ann"));
    store.flush();
    const QString diskFull =
        QStringLiteral("The settings file %1 cannot be written: the disk is full.").arg(path);
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, ENOSPC);
        prompts.yesNoAnswers = {false};
        EXPECT_FALSE(window.close());
        EXPECT_TRUE(window.isVisible());
        // The question alone tells it, now and when the event loop runs.
        QCoreApplication::processEvents();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("question"));
        EXPECT_TRUE(prompts.shown[0].text.contains(diskFull));
    }
    prompts.shown.clear();
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(prompts.shown.empty());
    IniSettingsStore nextRun(path);
    EXPECT_EQ(nextRun.read(kItemsKey, QString()), QStringLiteral("Attic^^^^^^^^^^^"));
    EXPECT_EQ(nextRun.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ann"));
}

} // namespace
} // namespace stowfolio

namespace stowfolio {
namespace {

// The sample replaces the owner's own details; Undo brings them back with the list, Redo puts
// the sample back, and it stays one step.
TEST_F(MainWindowTest, UndoingTheSampleDataBringsBackTheOwnerFields)
{
    loadedForm();
    field("txtName")->setText(QStringLiteral("Ada Byron"));
    field("txtLocation")->setText(QStringLiteral("12 St James's Square"));
    const QStringList typed = form().ownerFieldTexts();
    button("PushButton7")->click();
    ASSERT_EQ(form().itemCount(), 1);
    EXPECT_EQ(form().ownerFieldTexts().value(0), QStringLiteral("Tobin Harwell"));
    EXPECT_EQ(form().undoStack().count(), 1);
    form().undoStack().undo();
    EXPECT_EQ(form().itemCount(), 0);
    EXPECT_EQ(form().ownerFieldTexts(), typed);
    EXPECT_EQ(settings.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ada Byron"));
    form().undoStack().redo();
    EXPECT_EQ(form().itemCount(), 1);
    EXPECT_EQ(form().ownerFieldTexts().value(0), QStringLiteral("Tobin Harwell"));
}

} // namespace
} // namespace stowfolio

#include "tests/app/main_window_fixture.h"

#include "platform/app_title.h"
#include "state/settings_store.h"

#include <QDir>
#include <QFile>

namespace stowfolio {
namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST_F(MainWindowTest, FirstRunStartsEmptyAndQuiet)
{
    loadedForm();
    for (QLineEdit* edit : form().findChildren<QLineEdit*>())
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    EXPECT_EQ(form().itemCount(), 0);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Stowfolio"));
    EXPECT_FALSE(form().windowIcon().isNull());
    EXPECT_EQ(appTitle(), QStringLiteral("Stowfolio"));
    EXPECT_TRUE(form().styleSheet().isEmpty()); // no skin file beside this program
}

TEST_F(MainWindowTest, RestoresOwnerFieldsAndTheListInStoredOrder)
{
    const QStringList owner = {
        "Ann Example", " 1 Main St ", "Springfield, IL 62701", "555-0100", "Acme Mutual", "Joe", "",
        "P-42"};
    for (int i = 0; i < owner.size(); ++i)
        settings.write(kOwnerFieldKeys[i], owner[i]);
    settings.write(kItemsKey, QStringLiteral("|Kitchen^Toaster^^^^^^^^^^||Den^Lamp^2001|"));
    loadedForm();
    EXPECT_EQ(form().ownerFieldTexts(), owner);
    EXPECT_EQ(rows(), QStringList({"Kitchen^Toaster^^^^^^^^^^", "Den^Lamp^2001^^^^^^^^^"}));
    // The first row is the current and selected one, as the list control always made it.
    EXPECT_EQ(currentRow(), 0);
    EXPECT_TRUE(list()->selectionModel()->isRowSelected(0));
    EXPECT_TRUE(prompts.shown.empty());
}

// Fields past the twelfth have no column: they join the item's Notes, and one message tells of
// all such items, however many there are.
TEST_F(MainWindowTest, FieldsBeyondTheTwelfthJoinTheNotesWithOneMessage)
{
    QStringList stored;
    for (int i = 0; i < 300; ++i)
        stored << QStringLiteral("a^b^c^d^e^f^g^h^i^j^k^l^m^n");
    stored << QStringLiteral("next");
    settings.write(kItemsKey, stored.join(QLatin1Char('|')));
    loadedForm();
    ASSERT_EQ(form().itemCount(), 301);
    EXPECT_EQ(form().itemRow(0).join(QLatin1Char('^')),
              QStringLiteral("a^b^c^d^e^f^g^h^i^j^k m n^l"));
    EXPECT_EQ(form().itemRow(300).join(QLatin1Char('^')), QStringLiteral("next^^^^^^^^^^^"));
    EXPECT_EQ(prompts.errorReports(), 0);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("300 stored items had more than 12 "
                                                                "fields")));
}

TEST_F(MainWindowTest, OpensTheHomePageOnOneDrawInAHundred)
{
    draw = 0.0612;
    loadedForm();
    EXPECT_EQ(openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://quillane.example/"))});
    discardForm();
    openedUrls.clear();
    draw = 0.0712;
    loadedForm();
    EXPECT_TRUE(openedUrls.isEmpty());
}

TEST_F(MainWindowTest, LoadsTheHandCursorBesideTheProgram)
{
    QFile::copy(QStringLiteral(STOWFOLIO_RESOURCES_DIR "/HAND-M.CUR"),
                appFolder.filePath(QStringLiteral("HAND-M.CUR")));
    loadedForm();
    EXPECT_TRUE(prompts.shown.empty());
    form().setPointerCode(kCustomPointer);
    EXPECT_EQ(form().cursor().shape(), Qt::BitmapCursor);
}

TEST_F(MainWindowTest, AnUnreadableCursorFileGivesOneReportAndStartUpGoesOn)
{
    writeFile(appFolder.filePath(QStringLiteral("HAND-M.CUR")), "not a cursor");
    settings.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    loadedForm();
    ASSERT_EQ(prompts.errorReports(), 1);
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("Form1.Form_Load at line 108")));
    EXPECT_EQ(field("txtName")->text(), QStringLiteral("Ann"));
    // Without a picture the hand is the platform's pointing hand.
    form().setPointerCode(kCustomPointer);
    EXPECT_EQ(form().cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindowTest, TheSkinBesideTheProgramIsApplied)
{
    writeFile(appFolder.filePath(QStringLiteral("x/o.cjs")), "QLineEdit { color: navy; }");
    loadedForm();
    EXPECT_EQ(form().styleSheet(), QStringLiteral("QLineEdit { color: navy; }"));
}

TEST_F(MainWindowTest, WithoutASpreadsheetApplicationTheProgramEndsAfterTheMessage)
{
    excelFactory = ExcelFactory();
    loadedForm();
    EXPECT_EQ(programEnds, 1);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(QStringLiteral("Error 842001.")));
    EXPECT_FALSE(form().isVisible());
}

// The settings file's list changed by someone else since the window last wrote it is asked
// about; either answer keeps one whole list and drops nothing without asking.
TEST_F(MainWindowTest, AListChangedInTheSettingsFileIsAskedAbout)
{
    for (const bool takeSettingsList : {true, false}) {
        SCOPED_TRACE(takeSettingsList);
        discardForm();
        settings = MemorySettingsStore();
        inventory().replaceAll({});
        recordSettingsList(inventory(), QString());
        storeLocations({QStringLiteral("kept 1"), QStringLiteral("kept 2")});
        loadedForm().show();
        EXPECT_TRUE(form().close()); // writes Items and remembers it
        discardForm();
        settings.write(kItemsKey, QStringLiteral("older^version"));
        prompts.shown.clear();
        prompts.yesNoAnswers = {takeSettingsList};
        loadedForm();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("(1 items)")));
        EXPECT_EQ(prompts.questionDefaults.back(), DefaultAnswer::No);
        EXPECT_EQ(rows(), takeSettingsList
                              ? QStringList{QStringLiteral("older^version^^^^^^^^^^")}
                              : QStringList({"kept 1^^^^^^^^^^^", "kept 2^^^^^^^^^^^"}));
        // Asked once: the next start finds the list it knows.
        form().close();
        discardForm();
        prompts.shown.clear();
        loadedForm();
        EXPECT_TRUE(prompts.shown.empty());
    }
}

// A list written to the settings file but not yet remembered (a crash in between) is the
// inventory's own: no question.
TEST_F(MainWindowTest, TheSameListUnderAnUnrecordedDigestIsNotAskedAbout)
{
    loadedForm();
    discardForm();
    storeLocations({QStringLiteral("one"), QStringLiteral("two")});
    settings.write(kItemsKey, storedList());
    prompts.shown.clear();
    loadedForm();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(form().itemCount(), 2);
}

TEST_F(MainWindowTest, ClosingStoresTheListEvenWhenEmpty)
{
    loadedForm();
    int unloaded = 0;
    QObject::connect(&form(), &MainWindow::unloaded, [&] { ++unloaded; });
    form().show();
    EXPECT_TRUE(form().close());
    EXPECT_EQ(unloaded, 1);
    EXPECT_TRUE(settings.contains(kItemsKey));
    EXPECT_EQ(settings.read(kItemsKey, QStringLiteral("absent")), QString());
    EXPECT_TRUE(prompts.shown.empty()); // closing never asks
}

} // namespace
} // namespace stowfolio

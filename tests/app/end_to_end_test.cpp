// The whole job as a user does it: type owner fields and items, "Start Creating Template",
// the preview shows, "Save Results To Excel File" through the dialog, and the saved workbook
// opened by spreadsheet programs we did not write.

#include "app/program.h"
#include "preview/preview_window.h"
#include "state/inventory_store.h"
#include "state/memory_settings_store.h"
#include "tests/interop/interop_readers.h"
#include "tests/support/oracle.h"
#include "tests/support/scripted_prompts.h"
#include "workbook/excel_factory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace stowfolio {
namespace {

class EndToEndTest : public ::testing::Test
{
protected:
    EndToEndTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        registerBuiltInEngine(factory);
        program = std::make_unique<Program>(
            ProgramServices{settings, inventory, factory, appFolder.path(), &mainPrompts,
                            &previewPrompts, [] { return 0.5; }, [](const QUrl&) {}, temp.path()});
        program->endProgram = [this] { ++programEnds; };
        program->start();
    }
    ~EndToEndTest() override { QLocale::setDefault(QLocale::c()); }

    void type(const char* field, const QString& text)
    {
        auto* edit = program->mainWindow().findChild<QLineEdit*>(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->setFocus();
        edit->selectAll();
        // QTest types only ASCII keys; other scripts arrive as an input method would put them.
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (ascii && !text.isEmpty())
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
    }
    void click(QWidget& window, const char* button)
    {
        auto* b = window.findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void addItem(const QStringList& fields)
    {
        static const char* names[] = {"txtILoc",  "txtDesc",   "txtDate",  "txtPurLoc",
                                      "txtWar",   "txtPrice",  "txtCond",  "txtEst",
                                      "txtModel", "txtSerial", "txtNotes", "txtPhoto"};
        for (int i = 0; i < 12; ++i)
            type(names[i], fields.value(i));
        click(program->mainWindow(), "PushButton1");
    }
    // The program's work folder: the only one in the temporary folder, made at the first build.
    QString workFolder() const
    {
        const QStringList folders =
            QDir(temp.path())
                .entryList({QStringLiteral("stowfolio-work-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(folders.size(), 1) << folders.join(' ').toStdString();
        return folders.isEmpty() ? QString() : temp.filePath(folders.front());
    }
    QStringList workFiles() const
    {
        const QString folder = workFolder();
        return folder.isEmpty() ? QStringList{QStringLiteral("(no work folder)")}
                                : QDir(folder).entryList(QDir::Files);
    }

    QTemporaryDir temp;
    QTemporaryDir appFolder;
    MemorySettingsStore settings;
    InventoryStore inventory{temp.filePath(QStringLiteral("inventory.db"))};
    ExcelFactory factory;
    testing::ScriptedPrompts mainPrompts;
    testing::ScriptedPrompts previewPrompts;
    std::unique_ptr<Program> program;
    int programEnds = 0;
};

TEST_F(EndToEndTest, TypedInventoryIsSavedAndReadByOtherPrograms)
{
    type("txtName", "Jane Doe");
    type("txtPolNo", "12345678901234567890");
    addItem({"Garage", "Chevrolet Suburban", "10/16/2005", "Gus's garage", "Ended", "45000", "Old",
             "$1,250.50", "LT", "CTJ156FG158", "", "/photos/car.jpg"});
    addItem({"Kitchen", "Toaster", "", "", "", "", "", "30", "", "000123", "Ελληνικά 中文", ""});
    addItem({"Attic", "Trunk", "", "", "", "", "", "100", "", "", "", ""});

    click(program->mainWindow(), "PushButton6");
    ASSERT_EQ(mainPrompts.errorReports(), 0) << mainPrompts.messages().join("\n").toStdString();
    preview::PreviewWindow* preview = program->previewWindow();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_FALSE(program->mainWindow().isVisible());

    const QString saved = QDir(temp.path()).filePath(QStringLiteral("my inventory.xls"));
    previewPrompts.fileAnswers.push_back(saved);
    click(*preview, "PushButton6");
    ASSERT_EQ(previewPrompts.messages(), QStringList{QStringLiteral("Done.")});

    if (!interop::xlrdAvailable())
        STOWFOLIO_ORACLE_MISSING("xlrd", interop::installCommand({"xlrd"}));
    const QJsonObject book = interop::describeWithXlrd(saved.toStdString());
    const auto cells = interop::cellsByRef(interop::firstSheet(book));
    const auto text = [&](const char* ref) {
        return cells.count(ref) ? cells.at(ref).value("value").toVariant().toString() : QString();
    };
    EXPECT_EQ(text("B3"), "Jane Doe");
    EXPECT_EQ(text("F6"), "12345678901234567890");
    EXPECT_EQ(text("A10"), "Garage");
    EXPECT_EQ(text("C10"), "LT");
    EXPECT_EQ(text("D10"), "CTJ156FG158");
    EXPECT_EQ(text("L10"), "/photos/car.jpg");
    EXPECT_EQ(text("K11"), QStringLiteral("Ελληνικά 中文"));
    EXPECT_EQ(text("D11"), "000123");
    EXPECT_EQ(text("A12"), "Attic");
    EXPECT_EQ(text("A13"), ""); // the spare row of the odd count is gone
    EXPECT_DOUBLE_EQ(cells.at("E10").value("value").toDouble(), 38641); // 10/16/2005
    EXPECT_DOUBLE_EQ(cells.at("H10").value("value").toDouble(), 45000);
    EXPECT_DOUBLE_EQ(cells.at("J10").value("value").toDouble(), 1250.5);
    EXPECT_DOUBLE_EQ(cells.at("F7").value("value").toDouble(), 1380.5);

    if (interop::libreOfficeAvailable()) {
        const std::string folder = temp.path().toStdString();
        interop::convertWithLibreOffice({saved.toStdString()}, "csv", folder);
        const auto csv =
            interop::readCsv(interop::convertedPath(saved.toStdString(), folder, "csv"));
        EXPECT_EQ(interop::csvField(csv, "E10"), "10/16/2005");
        // The currency format leaves room for a closing parenthesis.
        EXPECT_EQ(interop::csvField(csv, "H10"), "$45,000.00 ");
        EXPECT_EQ(interop::csvField(csv, "A12"), "Attic");
    }
}

TEST_F(EndToEndTest, BackRemovesTheWorkFileAndAnotherBuildStartsFresh)
{
    addItem({"Garage", "Car"});
    click(program->mainWindow(), "PushButton6");
    preview::PreviewWindow* preview = program->previewWindow();
    ASSERT_NE(preview, nullptr);
    const QString first = preview->workbookPath();
    ASSERT_TRUE(QFile::exists(first));
    click(*preview, "PushButton1"); // zoom in
    click(*preview, "PushButton8"); // < Back
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_TRUE(program->mainWindow().isVisible());
    EXPECT_FALSE(preview->isVisible());
    EXPECT_TRUE(workFiles().isEmpty());

    click(program->mainWindow(), "PushButton6");
    EXPECT_TRUE(preview->isVisible());
    EXPECT_NE(preview->workbookPath(), first);
    EXPECT_DOUBLE_EQ(preview->zoomModel().zoom(), 1.0);

    // Closing the preview ends the program and keeps nothing in the work folder.
    preview->close();
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(workFiles().isEmpty());
    EXPECT_FALSE(settings.read(QStringLiteral("Items"), QString()).isEmpty());

    // The program's end takes the folder with it.
    const QString folder = workFolder();
    program.reset();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// Something another user put at the fixed name earlier versions worked in, before this user's
// first build, no longer stops it.
TEST_F(EndToEndTest, WhatSomeonePutAtTheOldNameStopsNoBuild)
{
    const QString oldName =
        QDir(temp.path()).filePath(QStringLiteral("stowfolio-%1").arg(getuid()));
    QFile blocker(oldName);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    addItem({"Garage", "Car"});
    click(program->mainWindow(), "PushButton6");
    EXPECT_EQ(mainPrompts.errorReports(), 0) << mainPrompts.messages().join("\n").toStdString();
    preview::PreviewWindow* preview = program->previewWindow();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_FALSE(preview->workbookPath().startsWith(oldName));
}

TEST_F(EndToEndTest, ClicksQueuedDuringABuildDoNotBuildAgain)
{
    addItem({"Garage", "Car"});
    auto* start = program->mainWindow().findChild<QPushButton*>("PushButton6");
    ASSERT_NE(start, nullptr);
    // An impatient second click waits in the queue while the first one builds.
    QMetaObject::invokeMethod(start, &QPushButton::click, Qt::QueuedConnection);
    click(program->mainWindow(), "PushButton6");
    QCoreApplication::processEvents();

    preview::PreviewWindow* preview = program->previewWindow();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(workFiles(), QStringList{QFileInfo(preview->workbookPath()).fileName()});
}

} // namespace
} // namespace stowfolio

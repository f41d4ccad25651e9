// The build from typed inventory to a saved work file and its picture, checked on the
// workbook that comes out: cells, rows, names, total, and what is left in the work folder.

#include "workbook/workbook_builder.h"

#include "platform/pointer_codes.h"
#include "spreadsheet/automation/application.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/formula/print.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/sheet_picture.h"
#include "tests/support/scripted_prompts.h"
#include "workbook/excel_factory.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace stowfolio {
namespace {

using spreadsheet::Workbook;

struct Recorded
{
    std::vector<int> pointers;
    std::optional<spreadsheet::render::SheetPicture> picture;
    QString workbook;
    bool previewShown = false;
    bool mainHidden = false;
};

BuildTargets recordInto(Recorded& r)
{
    return {[&r](int code) { r.pointers.push_back(code); },
            [&r](spreadsheet::render::SheetPicture p) { r.picture = std::move(p); },
            [&r](const QString& path) { r.workbook = path; }, [&r] { r.previewShown = true; },
            [&r] { r.mainHidden = true; }};
}

QStringList item(const QString& location, const QString& date = {}, const QString& value = {})
{
    QStringList row(12);
    row[0] = location;
    row[1] = QStringLiteral("Description of ") + location;
    row[2] = date;
    row[7] = value;
    row[8] = QStringLiteral("M-") + location;
    row[11] = QStringLiteral("/photos/") + location + QStringLiteral(".jpg");
    return row;
}

Inventory inventoryOf(int count)
{
    Inventory inventory;
    inventory.ownerFields = {"Tobin Harwell", "115 Birchwood st", "French Leek, IN",
                             "555-0100",      "Oak Insurance",    "Marla",
                             "555-0199",      "000-585-678"};
    for (int i = 1; i <= count; ++i)
        inventory.items.push_back(itemFromTexts(
            item(QStringLiteral("Room %1").arg(i), QString(), QString::number(i * 100))));
    return inventory;
}

std::string textAt(const Workbook& book, uint32_t row, uint16_t column)
{
    const spreadsheet::Cell* cell = book.sheets.at(0).findCell(row, column);
    if (!cell || cell->kind != spreadsheet::CellKind::String)
        return {};
    return book.strings.at(cell->index).text;
}

std::string printAreaOf(const Workbook& book)
{
    for (const auto& name : book.names)
        if (name.builtIn && name.builtInCode == spreadsheet::DefinedName::PrintArea) {
            spreadsheet::formula::PrintContext context;
            context.sheetName = [](uint16_t) { return std::string("'Home Inventory'"); };
            return spreadsheet::formula::formulaText(spreadsheet::formula::parseTokens(name.tokens),
                                                     context);
        }
    return {};
}

class WorkbookBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        registerBuiltInEngine(factory);
    }

    // The folder the fixture's builder works in; empty before its first build.
    QString workFolder() const { return builder.workFolder(); }

    bool build(const Inventory& inventory)
    {
        return builder.buildAndShowPreview(inventory, recordInto(recorded));
    }

    // The work folders in the temporary folder, of every builder and export of the test.
    QStringList workFolders() const
    {
        return QDir(temp.path())
            .entryList({QStringLiteral("stowfolio-work-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    // The files in all of them.
    QStringList workFiles() const
    {
        QStringList files;
        for (const QString& folder : workFolders())
            files += QDir(temp.filePath(folder)).entryList(QDir::Files);
        return files;
    }

    QTemporaryDir temp;
    ExcelFactory factory;
    testing::ScriptedPrompts prompts;
    Recorded recorded;
    WorkbookBuilder builder{factory, prompts, temp.path()};
};

// A build tells how far it is: the count only rises, is told for the rows grown and written,
// and ends at the total once the picture is made, before the preview is shown.
TEST_F(WorkbookBuilderTest, ABuildTellsItsProgressUpToTheTotal)
{
    for (const int count : {0, 1, 1'025, 2'000}) {
        SCOPED_TRACE(count);
        std::vector<std::pair<int, int>> told;
        builder.setProgressHandler([&](int done, int total) {
            EXPECT_FALSE(recorded.previewShown);
            told.emplace_back(done, total);
        });
        recorded = Recorded();
        ASSERT_TRUE(build(inventoryOf(count)));
        ASSERT_FALSE(told.empty());
        const int total = 3 * count + 2;
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i].second, total);
            EXPECT_GE(told[i].first, 0);
            if (i > 0) {
                EXPECT_GE(told[i].first, told[i - 1].first) << i;
            }
        }
        EXPECT_EQ(told.back().first, total);
        // Large builds are told along the way, not only at the end of each part.
        if (count >= 1'025) {
            EXPECT_GE(told.size(), static_cast<std::size_t>(count / 512 * 2));
        }
    }
    builder.setProgressHandler({});
}

TEST_F(WorkbookBuilderTest, ItemCountsGrowAndTrimTheBlock)
{
    // (items, last item row in Excel numbering, Print_Area)
    const struct
    {
        int items;
        std::string printArea;
    } cases[] = {
        {0, "'Home Inventory'!$A$1:$L$11"}, {1, "'Home Inventory'!$A$1:$L$10"},
        {2, "'Home Inventory'!$A$1:$L$11"}, {3, "'Home Inventory'!$A$1:$L$12"},
        {5, "'Home Inventory'!$A$1:$L$14"}, {100, "'Home Inventory'!$A$1:$L$109"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        recorded = {};
        ASSERT_TRUE(build(inventoryOf(c.items)));
        EXPECT_EQ(prompts.errorReports(), 0) << prompts.messages().join("\n").toStdString();
        const Workbook book = spreadsheet::readWorkbookFile(recorded.workbook.toStdString());
        EXPECT_EQ(printAreaOf(book), c.printArea);
        EXPECT_EQ(textAt(book, 2, 1), "Tobin Harwell");
        EXPECT_EQ(textAt(book, 5, 5), "000-585-678");
        for (int i = 1; i <= c.items; ++i) {
            const uint32_t row = 8 + i; // zero-based row of Excel's 9 + i
            EXPECT_EQ(textAt(book, row, 0), QStringLiteral("Room %1").arg(i).toStdString());
            EXPECT_EQ(textAt(book, row, 2), QStringLiteral("M-Room %1").arg(i).toStdString());
        }
        // The first row below the items holds no item text.
        EXPECT_EQ(textAt(book, 9 + c.items, 0), "");
        // F7 totals the estimated values typed into column J.
        const spreadsheet::Cell* total = book.sheets[0].findCell(6, 5);
        ASSERT_NE(total, nullptr);
        ASSERT_EQ(total->kind, spreadsheet::CellKind::Formula);
        EXPECT_DOUBLE_EQ(book.sheets[0].formulas.at(total->index).cached.number,
                         100.0 * c.items * (c.items + 1) / 2);
        QFile::remove(recorded.workbook);
    }
}

TEST_F(WorkbookBuilderTest, HandsOverAndLeavesOnlyTheWorkbook)
{
    ASSERT_TRUE(build(inventoryOf(3)));
    EXPECT_TRUE(recorded.previewShown);
    EXPECT_TRUE(recorded.mainHidden);
    ASSERT_TRUE(recorded.picture.has_value());
    EXPECT_FALSE(recorded.picture->isEmpty());
    EXPECT_TRUE(recorded.workbook.startsWith(workFolder()));
    EXPECT_TRUE(recorded.workbook.endsWith(QStringLiteral(".xls")));
    // The template copy and the picture are gone; the workbook belongs to the preview.
    EXPECT_EQ(workFiles(), QStringList{QFileInfo(recorded.workbook).fileName()});
    EXPECT_EQ(recorded.pointers.front(), kHourglassPointer);
    EXPECT_EQ(recorded.pointers.back(), kDefaultPointer);
}

TEST_F(WorkbookBuilderTest, TypedDatesAndAmountsBecomeNumbers)
{
    Inventory inventory = inventoryOf(0);
    QStringList row =
        item(QStringLiteral("Garage"), QStringLiteral("10/16/2005"), QStringLiteral("$1,250.50"));
    row[5] = QStringLiteral("45000");
    row[9] = QStringLiteral("000123"); // serial numbers stay text
    inventory.items.push_back(itemFromTexts(row));
    ASSERT_TRUE(build(inventory));
    const Workbook book = spreadsheet::readWorkbookFile(recorded.workbook.toStdString());
    const auto& sheet = book.sheets[0];
    ASSERT_EQ(sheet.findCell(9, 4)->kind, spreadsheet::CellKind::Number);
    EXPECT_DOUBLE_EQ(sheet.findCell(9, 4)->number, 38641); // 16 October 2005
    EXPECT_DOUBLE_EQ(sheet.findCell(9, 7)->number, 45000);
    EXPECT_DOUBLE_EQ(sheet.findCell(9, 9)->number, 1250.5);
    EXPECT_EQ(textAt(book, 9, 3), "000123");
}

TEST_F(WorkbookBuilderTest, WithoutSpreadsheetTheMainWindowStays)
{
    ExcelFactory empty;
    WorkbookBuilder builder(empty, prompts, temp.path());
    EXPECT_FALSE(builder.buildAndShowPreview(inventoryOf(2), recordInto(recorded)));
    EXPECT_EQ(prompts.errorReports(), 1);
    EXPECT_TRUE(
        prompts.messages().value(0).contains(QStringLiteral("PushButton6_Click at line 102")));
    EXPECT_FALSE(recorded.previewShown);
    EXPECT_FALSE(recorded.mainHidden);
    EXPECT_EQ(recorded.pointers.back(), kDefaultPointer);
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(WorkbookBuilderTest, FailedSaveShowsNoPreview)
{
    // No work file name can be had, so there is nothing to save to.
    const DigitSource broken = []() -> int { throw std::runtime_error("no random source"); };
    WorkbookBuilder builder(factory, prompts, temp.path(), broken);
    EXPECT_FALSE(builder.buildAndShowPreview(inventoryOf(1), recordInto(recorded)));
    const QStringList reports = prompts.messages();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("at line 204")));
    EXPECT_TRUE(reports[1].contains(QStringLiteral("at line 220")));
    EXPECT_FALSE(recorded.previewShown);
    EXPECT_FALSE(recorded.mainHidden);
    EXPECT_TRUE(workFiles().isEmpty());
}

TEST_F(WorkbookBuilderTest, AWorkFolderThatCannotBeMadeWritesNothingAnywhere)
{
    // A file where the work folder's parent should be: no folder can be made in it.
    const QString notAFolder = QDir(temp.path()).filePath(QStringLiteral("not a folder"));
    QFile blocker(notAFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WorkbookBuilder blocked(factory, prompts, notAFolder);
    // Relative work paths would land in the current folder; watch an empty one.
    QTemporaryDir current;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current.path()));
    const bool shown = blocked.buildAndShowPreview(inventoryOf(2), recordInto(recorded));
    QDir::setCurrent(previous);

    EXPECT_FALSE(shown);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(QStringLiteral("PushButton6_Click at line 100")));
    EXPECT_FALSE(recorded.previewShown);
    EXPECT_FALSE(recorded.mainHidden);
    EXPECT_EQ(recorded.pointers.back(), kDefaultPointer);
    EXPECT_TRUE(QDir(current.path()).isEmpty());
    EXPECT_TRUE(workFolders().isEmpty());
}

// Earlier versions worked in a folder of a fixed name in the temporary folder, which another
// user could take first (here a link to a folder of his, and a file) and so stop every build.
TEST_F(WorkbookBuilderTest, WhatOthersPutAtTheOldFixedNameStopsNothing)
{
    const QString elsewhere = QDir(temp.path()).filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString fixedName =
        QDir(temp.path()).filePath(QStringLiteral("stowfolio-%1").arg(getuid()));
    ASSERT_TRUE(QFile::link(elsewhere, fixedName));

    ASSERT_TRUE(build(inventoryOf(2)));
    EXPECT_EQ(prompts.errorReports(), 0);
    EXPECT_TRUE(recorded.previewShown);
    EXPECT_FALSE(recorded.workbook.startsWith(fixedName));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());

    ASSERT_TRUE(QFile::remove(fixedName));
    QFile blocker(fixedName);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString target = QDir(temp.path()).filePath(QStringLiteral("out.xls"));
    exportInventoryWorkbook(factory, inventoryOf(1), temp.path(), target);
    EXPECT_TRUE(QFile::exists(target));
}

// Builders in one process (and so, runs of the program) each have a folder of their own: no
// template copy or workbook of one is ever the other's.
TEST_F(WorkbookBuilderTest, TwoBuildersWorkInFoldersOfTheirOwn)
{
    ASSERT_TRUE(build(inventoryOf(1)));
    const QString first = recorded.workbook;
    Recorded other;
    QString secondFolder;
    {
        WorkbookBuilder second(factory, prompts, temp.path());
        ASSERT_TRUE(second.buildAndShowPreview(inventoryOf(2), recordInto(other)));
        secondFolder = second.workFolder();
        EXPECT_NE(secondFolder, workFolder());
        EXPECT_EQ(QFileInfo(other.workbook).absolutePath(), secondFolder);
        EXPECT_EQ(workFolders().size(), 2);
    }
    // A builder takes its folder with it; the other's workbook stays.
    EXPECT_FALSE(QFileInfo::exists(secondFolder));
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_EQ(workFolders(), QStringList{QFileInfo(workFolder()).fileName()});
}

TEST_F(WorkbookBuilderTest, ExistingTemplateCopyIsUsedAndRemoved)
{
    ASSERT_TRUE(build(inventoryOf(0))); // creates the private folder
    QFile::remove(recorded.workbook);
    const QString templatePath = QDir(workFolder()).filePath(QStringLiteral("template.xlt"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(STOWFOLIO_RESOURCES_DIR "/template.xlt"), templatePath));
    recorded = {};
    ASSERT_TRUE(build(inventoryOf(1)));
    EXPECT_FALSE(QFile::exists(templatePath));
}

// A template copy the engine cannot read (here one cut short): replaced, not failing every build.
TEST_F(WorkbookBuilderTest, ADamagedTemplateCopyIsReplacedFromTheBuiltInOne)
{
    ASSERT_TRUE(build(inventoryOf(0))); // creates the private folder
    QFile::remove(recorded.workbook);
    recorded = {};
    const QString templatePath = QDir(workFolder()).filePath(QStringLiteral("template.xlt"));
    QFile cut(templatePath);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(4088, '\0'));
    cut.close();
    EXPECT_TRUE(build(inventoryOf(2)));
    EXPECT_EQ(prompts.errorReports(), 0);
    EXPECT_FALSE(QFile::exists(templatePath));
}

TEST_F(WorkbookBuilderTest, TooManyItemsAreRefusedBeforeAnyWork)
{
    int created = 0;
    ExcelFactory counting;
    counting.registerProgId(kExcelProgId, [&created] {
        ++created;
        return std::make_unique<spreadsheet::automation::Application>();
    });
    Inventory inventory = inventoryOf(0);
    inventory.items.assign(kMaxInventoryItems + 1, Item{});
    WorkbookBuilder builder(counting, prompts, temp.path());
    EXPECT_FALSE(builder.buildAndShowPreview(inventory, recordInto(recorded)));
    EXPECT_EQ(created, 0);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(QStringLiteral("65,526")));
    EXPECT_TRUE(prompts.messages()[0].contains(QStringLiteral("Please remove 1 item and")));
    EXPECT_TRUE(workFolders().isEmpty());
}

TEST(WorkFolderTest, IsANewFolderEvenWhereSomeonePlantedALink)
{
    QTemporaryDir temp;
    const QString target = QDir(temp.path()).filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(target));
    const QString link = QDir(temp.path()).filePath(QStringLiteral("stowfolio-%1").arg(getuid()));
    ASSERT_TRUE(QFile::link(target, link));
    const WorkFolder folder(temp.path());
    EXPECT_NE(folder.path(), link);
    EXPECT_FALSE(QFileInfo(folder.path()).isSymLink());
    EXPECT_TRUE(isWorkFolderName(QFileInfo(folder.path()).fileName()));
    EXPECT_TRUE(QDir(target).isEmpty());
}

TEST(WorkFolderTest, PrivateFolderIsOwnerOnly)
{
    QTemporaryDir temp;
    const WorkFolder folder(temp.path());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(folder.path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(WorkFolderTest, GoesWithEverythingInItAndTwoAreNeverTheSame)
{
    QTemporaryDir temp;
    QString kept;
    {
        const WorkFolder first(temp.path());
        const WorkFolder second(temp.path());
        EXPECT_NE(first.path(), second.path());
        kept = first.path();
        ASSERT_TRUE(QDir(kept).mkpath(QStringLiteral("inner")));
        QFile file(QDir(kept).filePath(QStringLiteral("inner/wendax12345678.xls")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(QFileInfo::exists(kept));
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
}

TEST(WorkFolderTest, TheRuntimeFolderIsUsedOnlyWhenItIsPrivate)
{
    QTemporaryDir runtime;
    QTemporaryDir tmp;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedTemp = qgetenv("TEMP");
    qputenv("TEMP", QFile::encodeName(tmp.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    ASSERT_TRUE(QFile::setPermissions(
        runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    EXPECT_EQ(workFolderParent(), runtime.path());
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    EXPECT_EQ(workFolderParent(), tmp.path());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(workFolderParent(), tmp.path());
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TEMP", savedTemp);
    if (savedTemp.isNull())
        qunsetenv("TEMP");
}

// What killed runs left (folders named as ours, unlocked, older than this start) goes; a folder
// in use, a newer one, and anything not exactly ours stays.
TEST(WorkFolderTest, OnlyAbandonedWorkFoldersOfOursAreRemoved)
{
    QTemporaryDir temp;
    const QDir dir(temp.path());
    const auto makeFolder = [&](const QString& name, mode_t mode) {
        EXPECT_TRUE(dir.mkdir(name));
        ::chmod(QFile::encodeName(dir.filePath(name)).constData(), mode);
        QFile file(dir.filePath(name + QStringLiteral("/template.xlt")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    };
    makeFolder(QStringLiteral("stowfolio-work-abc123"), 0700);      // abandoned
    makeFolder(QStringLiteral("stowfolio-work-abc12"), 0700);       // not our name
    makeFolder(QStringLiteral("stowfolio-work-abc1234"), 0700);     // not our name
    makeFolder(QStringLiteral("stowfolio-work-open12"), 0755);      // open to others: not ours
    makeFolder(QStringLiteral("stowfolio-%1").arg(getuid()), 0700); // an older version's
    makeFolder(QStringLiteral("elsewhere"), 0700);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("elsewhere")),
                            dir.filePath(QStringLiteral("stowfolio-work-link99"))));
    const WorkFolder inUse(temp.path());

    // Started an hour ago: everything here is newer than the start and stays.
    EXPECT_EQ(
        removeAbandonedWorkFolders(temp.path(), QDateTime::currentDateTimeUtc().addSecs(-3600)), 0);
    EXPECT_TRUE(dir.exists(QStringLiteral("stowfolio-work-abc123")));

    // Started a minute from now: all of it is older.
    EXPECT_EQ(removeAbandonedWorkFolders(temp.path(), QDateTime::currentDateTimeUtc().addSecs(60)),
              1);
    EXPECT_FALSE(dir.exists(QStringLiteral("stowfolio-work-abc123")));
    for (const char* kept : {"stowfolio-work-abc12", "stowfolio-work-abc1234",
                             "stowfolio-work-open12", "elsewhere/template.xlt"})
        EXPECT_TRUE(dir.exists(QString::fromLatin1(kept))) << kept;
    EXPECT_TRUE(dir.exists(QStringLiteral("stowfolio-%1").arg(getuid())));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("stowfolio-work-link99"))).isSymLink());
    EXPECT_TRUE(QFileInfo(inUse.path()).isDir());
}

TEST(WorkFolderTest, CollidingNamesAreDrawnAgain)
{
    QTemporaryDir temp;
    // The first name drawn is all ones; the second all twos.
    int draws = 0;
    const DigitSource digits = [&draws] { return draws++ < 16 ? 1 : 2; };
    const QString taken = QDir(temp.path()).filePath(QStringLiteral("wendax11111111.xls"));
    QFile existing(taken);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    EXPECT_EQ(createGeneratedWorkbookFile(temp.path(), digits),
              QDir(temp.path()).filePath(QStringLiteral("wendax22222222.xls")));
    QFile check(taken);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("keep"));
}

TEST(WorkFolderTest, TemporaryFolderFollowsTempThenTmpdir)
{
    qputenv("TEMP", "/first");
    qputenv("TMPDIR", "/second");
    EXPECT_EQ(temporaryFolder(), QStringLiteral("/first"));
    qunsetenv("TEMP");
    EXPECT_EQ(temporaryFolder(), QStringLiteral("/second"));
    qunsetenv("TMPDIR");
    EXPECT_EQ(temporaryFolder(), QDir::tempPath());
}

TEST_F(WorkbookBuilderTest, ExportWritesTheWorkbookOrSaysWhy)
{
    const QString target = QDir(temp.path()).filePath(QStringLiteral("out.xls"));
    exportInventoryWorkbook(factory, inventoryOf(3), temp.path(), target);
    const Workbook book = spreadsheet::readWorkbookFile(target.toStdString());
    EXPECT_EQ(textAt(book, 11, 0), "Room 3");
    EXPECT_TRUE(workFiles().isEmpty());

    const QString impossible = QDir(temp.path()).filePath(QStringLiteral("missing/out.xls"));
    EXPECT_THROW(exportInventoryWorkbook(factory, inventoryOf(1), temp.path(), impossible),
                 std::exception);
    EXPECT_FALSE(QFile::exists(impossible));
}

// Whatever stops an export (no spreadsheet engine, a full disk) leaves no work file behind, and
// an existing target stays as it was.
TEST_F(WorkbookBuilderTest, AFailedExportLeavesNothingBehind)
{
    const QString target = QDir(temp.path()).filePath(QStringLiteral("out.xls"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("last year's workbook");
    old.close();
    ExcelFactory empty;
    EXPECT_THROW(exportInventoryWorkbook(empty, inventoryOf(3), temp.path(), target),
                 std::exception);
    EXPECT_TRUE(workFiles().isEmpty());
    {
        testing::FileSizeLimit full(20000);
        EXPECT_THROW(exportInventoryWorkbook(factory, inventoryOf(300), temp.path(), target),
                     std::exception);
    }
    EXPECT_TRUE(workFiles().isEmpty());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.xls")});
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("last year's workbook"));
}

} // namespace
} // namespace stowfolio

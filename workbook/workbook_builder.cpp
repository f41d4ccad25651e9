#include "workbook/workbook_builder.h"

#include "state/item_fields.h"

#include "platform/file_helpers.h"
#include "platform/pointer_codes.h"
#include "spreadsheet/automation/application.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/render/sheet_picture.h"
#include "workbook/excel_factory.h"
#include "workbook/excel_probes.h"
#include "workbook/snapshot.h"
#include "workbook/template_resource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>
#include <optional>

namespace stowfolio {

namespace {

using spreadsheet::automation::Application;
namespace xl = spreadsheet::automation;

// The work folder's files have fixed names: failure messages show them, and a build finds the
// template copy an earlier build left by its name.
constexpr QLatin1String kTemplateCopyFileName("template.xlt");
// Carries the sheet from the second application to the preview in our own picture format
// (sheet_picture.h); it is no bitmap, whatever its name says.
constexpr QLatin1String kSheetPictureFileName("temp.bmp");

std::string utf8(const QString& text)
{
    return text.toStdString();
}

Application& require(const std::unique_ptr<Application>& excel)
{
    if (!excel)
        throw spreadsheet::Error("Object variable not set: the spreadsheet application could "
                                 "not be created");
    return *excel;
}

// The template copy a build opens. A copy left in the work folder by an earlier build is used as
// it is, unless the engine cannot read it (damaged or cut short, whatever wrote it): then it is
// replaced from the built-in template rather than failing every build.
void provideTemplateCopy(const QByteArray& templateBytes, const QString& path)
{
    if (fileExists(path)) {
        try {
            spreadsheet::readWorkbookFile(QFile::encodeName(path).toStdString());
            return;
        } catch (const spreadsheet::Error&) {
        }
    }
    writeBytesToFile(templateBytes, path);
}

// Progress is told every so many units: often enough for a smooth bar, rarely enough to cost
// nothing next to the work.
constexpr int kProgressStep = 512;

// The units of a build of `count` items: each item's row grown and written, then the save and
// the picture, which take about as long as half the items' units each.
int buildUnits(int count)
{
    return 3 * count + 2;
}

void tellProgress(const BuildProgress& progress, int done, int total)
{
    if (progress)
        progress(done, total);
}

} // namespace

int sheetColumnOf(int field)
{
    if (field >= 0 && field < kItemFieldCount)
        return kItemFields[static_cast<std::size_t>(field)].sheetColumn;
    // A field beyond the table goes to the columns after the last one.
    return field + 1;
}

QString tooManyItemsMessage(std::size_t itemCount)
{
    const std::size_t excess = itemCount - static_cast<std::size_t>(kMaxInventoryItems);
    return QStringLiteral("The inventory has %1 items, but an Excel 97-2003 sheet holds at most "
                          "%2 items (its last row is 65,536). Please remove %3 and try again.")
        .arg(QLocale().toString(static_cast<qulonglong>(itemCount)),
             QLocale().toString(kMaxInventoryItems),
             excess == 1 ? QStringLiteral("1 item")
                         : QStringLiteral("%1 items")
                               .arg(QLocale().toString(static_cast<qulonglong>(excess))));
}

std::unique_ptr<Application> openWorkbookInNewApplication(const ExcelFactory& factory,
                                                          const QString& path)
{
    auto excel = factory.create(kExcelProgId);
    excel->Workbooks().Open(utf8(path));
    return excel;
}

void fillInventoryWorkbook(BuildSteps& steps, Application& excel, const QString& templatePath,
                           const Inventory& inventory, const BuildProgress& progress)
{
    using Lines = errorsite::BuildWorkbook;
    // The items' dates and amounts are read as the inventory's conventions say, never as the
    // locale of this process would read them.
    excel.setInputLocale(inventory.conventions.inputLocale());
    steps.step(Lines::kOpenTemplate, [&] { excel.Workbooks().Open(utf8(templatePath), true); });
    steps.step(Lines::kSilenceAlerts, [&] { excel.DisplayAlerts(false); });
    steps.step(Lines::kSelectFirstSheet, [&] { excel.ActiveWorkbook().Worksheets(1).Select(); });
    steps.step(Lines::kActivateFirstSheet,
               [&] { excel.ActiveWorkbook().Worksheets(1).Activate(); });

    // B3:B6 take the owner, F3:F6 the insurance fields.
    for (int field = 0; field < 8; ++field) {
        const int row = 3 + field % 4;
        const int column = field < 4 ? 2 : 6;
        steps.step(numberedLine(Lines::kWriteOwnerFields, field), [&] {
            excel.Cells(row, column).Value(utf8(inventory.ownerFields.value(field)));
        });
    }

    // The template's block holds two item rows; copies of it go in at row 10 until the block
    // has room for every item, and an odd count leaves one spare row to delete.
    const int firstRow = kFirstItemRow;
    // Rows below the first that the block has once the copies are in: the template's second
    // row, then two more for each copy.
    int inserted = 1;
    const int count = static_cast<int>(inventory.items.size());
    const int blockRows = count + count % 2;
    for (int pass = 2; pass <= blockRows / 2; ++pass) {
        steps.step(Lines::kSelectItemBlock, [&] { excel.Rows("10:11").Select(); });
        steps.step(Lines::kCopyItemBlock, [&] { excel.Selection().Copy(); });
        steps.step(Lines::kInsertItemBlock, [&] { excel.Selection().Insert(xl::xlShiftDown); });
        steps.step(Lines::kEndCopyMode, [&] { excel.CutCopyMode(false); });
        inserted += 2;
        if (pass % (kProgressStep / 2) == 0)
            tellProgress(progress, std::min(2 * pass, count), buildUnits(count));
    }
    tellProgress(progress, count, buildUnits(count));
    if (steps.test(Lines::kCheckSpareRow, [&] { return count % 2 == 1; })) {
        steps.step(Lines::kSelectSpareRow, [&] { excel.Rows(firstRow + inserted).Select(); });
        steps.step(Lines::kDeleteSpareRow, [&] { excel.Selection().Delete(xl::xlShiftUp); });
        steps.step(Lines::kSelectFirstItemRow, [&] { excel.Rows(firstRow).Select(); });
    }

    for (int item = 0; item < count; ++item) {
        const ItemFields& row = inventory.items[static_cast<std::size_t>(item)].fields;
        const int sheetRow = firstRow + item;
        const auto write = [&](int line, int field) {
            steps.step(line, [&] {
                excel.Cells(sheetRow, sheetColumnOf(field))
                    .Value(utf8(row[static_cast<std::size_t>(field)]));
            });
        };
        write(Lines::kWriteLocation, 0);
        write(Lines::kWriteDescription, 1);
        for (int field = 2; field <= 7; ++field)
            write(Lines::kWriteDateToEstimate, field);
        for (int field = 8; field <= 9; ++field)
            write(Lines::kWriteModelAndSerial, field);
        for (int field = 10; field < kItemFieldCount; ++field)
            write(Lines::kWriteNotesAndLater, field);
        if ((item + 1) % kProgressStep == 0)
            tellProgress(progress, count + item + 1, buildUnits(count));
    }
    tellProgress(progress, 2 * count, buildUnits(count));
}

WorkbookBuilder::WorkbookBuilder(const ExcelFactory& factory, Prompts& prompts,
                                 QString workFolderParent, DigitSource digit)
    : m_factory(factory), m_prompts(prompts), m_workFolderParent(std::move(workFolderParent)),
      m_digit(std::move(digit))
{
}

WorkbookBuilder::~WorkbookBuilder() = default;

QString WorkbookBuilder::workFolder() const
{
    return m_workFolder ? m_workFolder->path() : QString();
}

bool WorkbookBuilder::buildAndShowPreview(const Inventory& inventory, const BuildTargets& targets)
{
    // A sheet ends at row 65,536; an inventory that cannot fit is refused before any work.
    if (inventory.items.size() > static_cast<std::size_t>(kMaxInventoryItems)) {
        m_prompts.showMessage(tooManyItemsMessage(inventory.items.size()), QString(),
                              MessageIcon::Exclamation);
        return false;
    }

    using Lines = errorsite::BuildWorkbook;
    ReportingSteps steps(m_prompts, Lines::site);
    QString folder;
    steps.step(Lines::kPrepareWorkFolder, [&] {
        targets.setPointer(kHourglassPointer);
        // A folder that went meanwhile (a cleaner of old temporary files) is made anew.
        if (!m_workFolder || !QFileInfo(m_workFolder->path()).isDir())
            m_workFolder = std::make_unique<WorkFolder>(m_workFolderParent);
        folder = m_workFolder->path();
    });
    if (folder.isEmpty()) {
        // Without our private folder there is nowhere safe to write the inventory: every work
        // file would land in the current folder. One report is enough, and the main window
        // stays as it was.
        steps.step(Lines::kRestorePointerAfterPicture,
                   [&] { targets.setPointer(kDefaultPointer); });
        return false;
    }
    const QString templatePath = QDir(folder).filePath(kTemplateCopyFileName);
    const QString sheetPicturePath = QDir(folder).filePath(kSheetPictureFileName);
    const int count = static_cast<int>(inventory.items.size());

    std::unique_ptr<Application> excelA;
    const bool haveExcel = steps.step(Lines::kCreateFillingApplication,
                                      [&] { excelA = m_factory.create(kExcelProgId); });
    QByteArray templateBytes;
    steps.step(Lines::kReadTemplate, [&] { templateBytes = readTemplateResource(); });
    steps.step(Lines::kWriteTemplateCopy,
               [&] { provideTemplateCopy(templateBytes, templatePath); });

    QString workbookPath;
    bool saved = false;
    // Without an application nothing below can work: one report is enough, and the main
    // window stays as it was.
    if (haveExcel) {
        fillInventoryWorkbook(steps, *excelA, templatePath, inventory, m_progress);
        steps.step(Lines::kRestorePointer, [&] { targets.setPointer(kDefaultPointer); });
        steps.step(Lines::kSelectSheetForSaving,
                   [&] { excelA->ActiveWorkbook().Worksheets(1).Select(); });
        steps.step(Lines::kSelectFirstCell, [&] { excelA->Cells(2, 1).Select(); });
        steps.step(Lines::kRestoreAlerts, [&] { excelA->DisplayAlerts(true); });
        steps.step(Lines::kHideApplication, [&] { excelA->Visible(false); });
        steps.step(Lines::kNameWorkFile,
                   [&] { workbookPath = createGeneratedWorkbookFile(folder, m_digit); });
        saved = steps.step(Lines::kSaveWorkFile, [&] {
            excelA->ActiveWorkbook().SaveAs(utf8(workbookPath),
                                            excelFileFormat(m_factory, excelA.get()));
        });
        tellProgress(m_progress, 2 * count + count / 2 + 1, buildUnits(count));
        steps.step(Lines::kSilenceAlertsForClosing, [&] { excelA->DisplayAlerts(false); });
        steps.step(Lines::kCloseWorkbook, [&] { excelA->ActiveWorkbook().Close(); });
        steps.step(Lines::kQuitFillingApplication, [&] { excelA->Quit(); });
        steps.step(Lines::kReleaseFillingApplication, [&] { excelA.reset(); });
    }

    if (saved) {
        std::unique_ptr<Application> excelB;
        steps.step(Lines::kOpenInPictureApplication,
                   [&] { excelB = openWorkbookInNewApplication(m_factory, workbookPath); });
        steps.step(Lines::kShowBusyPointer, [&] { targets.setPointer(kHourglassPointer); });
        std::optional<xl::Workbook> workbookB;
        steps.step(Lines::kFindOpenedWorkbook, [&] {
            const auto workbooks = require(excelB).Workbooks();
            workbookB = workbooks(workbooks.count());
        });
        steps.step(Lines::kSaveSheetPicture,
                   [&] { saveCellsActivesheet(m_prompts, workbookB.value(), sheetPicturePath); });
        steps.step(Lines::kSilencePictureAlerts, [&] { require(excelB).DisplayAlerts(false); });
        steps.step(Lines::kClosePictureWorkbook, [&] { workbookB.value().Close(); });
        steps.step(Lines::kQuitPictureApplication, [&] { require(excelB).Quit(); });
        tellProgress(m_progress, buildUnits(count), buildUnits(count));
    }
    steps.step(Lines::kRestorePointerAfterPicture, [&] { targets.setPointer(kDefaultPointer); });

    bool shown = false;
    if (saved) {
        const bool pictureLoaded = steps.step(Lines::kLoadPictureIntoPreview, [&] {
            QString error;
            auto picture = spreadsheet::render::SheetPicture::load(sheetPicturePath, &error);
            if (!picture)
                throw spreadsheet::Error(error.toStdString());
            targets.setPreviewPicture(std::move(*picture));
        });
        if (pictureLoaded) {
            steps.step(Lines::kHandOverWorkbook, [&] { targets.setPreviewWorkbook(workbookPath); });
            shown = steps.step(Lines::kShowPreview, [&] { targets.showPreview(); });
            steps.step(Lines::kHideMainWindow, [&] { targets.hideMainWindow(); });
        }
    }
    // A workbook that never reached the preview belongs to no one: remove it.
    if (!shown && !workbookPath.isEmpty())
        deleteFileQuietly(workbookPath);
    steps.step(Lines::kDeleteSheetPicture, [&] { deleteFileQuietly(sheetPicturePath); });
    steps.step(Lines::kDeleteTemplateCopy, [&] { deleteFileQuietly(templatePath); });
    return shown;
}

void exportInventoryWorkbook(const ExcelFactory& factory, const Inventory& inventory,
                             const QString& workFolderParent, const QString& targetPath)
{
    if (inventory.items.size() > static_cast<std::size_t>(kMaxInventoryItems))
        throw spreadsheet::Error(tooManyItemsMessage(inventory.items.size()).toStdString());
    const WorkFolder folder(workFolderParent);
    const QString templatePath = QDir(folder.path()).filePath(kTemplateCopyFileName);
    // The template copy goes on every way out of here, the failing ones included.
    const auto removeTemplateCopy = qScopeGuard([&] { deleteFileQuietly(templatePath); });
    writeBytesToFile(readTemplateResource(), templatePath);

    StrictSteps steps;
    auto excel = factory.create(kExcelProgId);
    const auto quit = qScopeGuard([&] {
        if (excel)
            excel->Quit();
    });
    fillInventoryWorkbook(steps, *excel, templatePath, inventory);
    excel->ActiveWorkbook().SaveAs(utf8(targetPath), excelFileFormat(factory, excel.get()));
}

} // namespace stowfolio

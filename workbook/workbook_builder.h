#pragma once

// "Start Creating Template": the template is filled with the owner and insurance fields and one
// row per item by an invisible spreadsheet application, saved as an Excel 97-2003 work file,
// opened again by a second application for the sheet's picture, and handed to the preview.
//
//   template resource -> template.xlt -> application A (fill, grow the item block) -> SaveAs
//   -> application B (open) -> saveCellsActivesheet -> temp.bmp -> preview window
//
// Work files live in the private work folder (work_folder.h). The same fill steps serve the
// command-line export, which stops at the first failure instead of reporting and going on.

#include "workbook/build_steps.h"
#include "workbook/inventory.h"
#include "workbook/work_folder.h"

#include <QString>

#include <functional>
#include <memory>

namespace spreadsheet::automation {
class Application;
}
namespace spreadsheet::render {
class SheetPicture;
}

namespace stowfolio {

class ExcelFactory;
class Prompts;

// Where the build's result goes: the main window's pointer and the hand-over to the preview.
struct BuildTargets
{
    std::function<void(int)> setPointer; // codes of platform/pointer_codes.h
    std::function<void(spreadsheet::render::SheetPicture)> setPreviewPicture;
    std::function<void(const QString&)> setPreviewWorkbook; // PreviewWindow::setWorkbookPath
    std::function<void()> showPreview;
    std::function<void()> hideMainWindow;
};

// How far a build is: `done` of `total` units of work, called now and then while it runs (a
// window can show a progress bar from it). The units are the item rows grown and written, the
// save and the picture (weighed as half the items each); `done` only rises and reaches `total`
// when the picture is made.
using BuildProgress = std::function<void(int done, int total)>;

// Creates an application and opens `path` in it.
std::unique_ptr<spreadsheet::automation::Application>
openWorkbookInNewApplication(const ExcelFactory& factory, const QString& path);

// Opens the template read-only in `excel` and fills it (the statements from
// errorsite::BuildWorkbook::kOpenTemplate to kWriteNotesAndLater).
// `progress`, when set, hears of the rows grown and written (two units an item).
void fillInventoryWorkbook(BuildSteps& steps, spreadsheet::automation::Application& excel,
                           const QString& templatePath, const Inventory& inventory,
                           const BuildProgress& progress = {});

class WorkbookBuilder
{
public:
    WorkbookBuilder(const ExcelFactory& factory, Prompts& prompts, QString workFolderParent,
                    DigitSource digit = randomDigit);
    // Removes the work folder, and with it a workbook still in the preview.
    ~WorkbookBuilder();
    WorkbookBuilder(const WorkbookBuilder&) = delete;
    WorkbookBuilder& operator=(const WorkbookBuilder&) = delete;

    // What the main window's "Start Creating Template" button does; failures are reported as
    // errorsite::BuildWorkbook. Returns whether the preview was shown.
    bool buildAndShowPreview(const Inventory& inventory, const BuildTargets& targets);
    // Told how far each later build is; empty for none.
    void setProgressHandler(BuildProgress progress) { m_progress = std::move(progress); }

    // The work folder of this builder's builds: made in the work folder parent at the first
    // build, kept for the next ones, removed with the builder. Empty before the first build.
    QString workFolder() const;

private:
    const ExcelFactory& m_factory;
    Prompts& m_prompts;
    QString m_workFolderParent;
    DigitSource m_digit;
    std::unique_ptr<WorkFolder> m_workFolder;
    BuildProgress m_progress;
};

// Builds the inventory and writes it to `targetPath` (replaced atomically; a read-only target
// is refused), with no window, in a work folder of its own in `workFolderParent`. Throws with a
// message for the user at the first failure.
void exportInventoryWorkbook(const ExcelFactory& factory, const Inventory& inventory,
                             const QString& workFolderParent, const QString& targetPath);

// The message shown when an inventory has more items than a sheet can hold.
QString tooManyItemsMessage(std::size_t itemCount);

// The sheet column (1-based) of list field `field` (0 = the row's text): Location and
// Description go to A and B, Date..Est. Value to E..J, Model and Serial # to C and D, and Notes,
// Photo and any later field to K onwards.
int sheetColumnOf(int field);

} // namespace stowfolio

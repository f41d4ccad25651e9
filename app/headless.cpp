#include "app/headless.h"

#include "app/claim_kit_export.h"
#include "app/import_with_attachments.h"
#include "app/report_evidence_source.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"
#include "platform/file_helpers.h"
#include "report/inventory_report.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/png_file.h"
#include "spreadsheet/render/sheet_drawing.h"
#include "spreadsheet/render/sheet_picture.h"
#include "state/inventory_conventions.h"
#include "state/inventory_opening.h"
#include "state/inventory_store.h"
#include "state/item_import.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"
#include "workbook/work_folder.h"
#include "workbook/workbook_builder.h"
#include "workbook/workbook_import.h"

#include <QDate>
#include <QLocale>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <optional>

namespace stowfolio {

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "stowfolio: %s\n", message.toLocal8Bit().constData());
}

void printLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
}

// What the program keeps: the settings file (owner fields) and the inventory database (items).
struct StoredState
{
    std::unique_ptr<IniSettingsStore> settings;
    std::unique_ptr<InventoryStore> inventory;
    // What the items' dates and amounts were typed in, whatever this process's locale.
    InventoryConventions conventions;
};

// The stored state, or an exception saying why it cannot be used. A job has no one to ask which
// item list to keep when the settings file's differs: it works on the inventory's and says so.
// A settings file that cannot be read, or is damaged, stops the job where it is: a job never
// moves the user's data aside, and never reports success on data it could not read.
StoredState openStoredState()
{
    const QString folders = userFoldersProblem();
    if (!folders.isEmpty())
        throw std::runtime_error(folders.toStdString());
    StoredState state;
    state.settings =
        std::make_unique<IniSettingsStore>(IniSettingsStore::DamagedFile::LeaveInPlace);
    if (!state.settings->openingProblem().isEmpty())
        throw std::runtime_error(state.settings->openingProblem().toStdString());
    state.inventory = std::make_unique<InventoryStore>(defaultInventoryDatabasePath());
    state.conventions = inventoryConventions(*state.inventory, QLocale());
    const SettingsListCheck check = checkSettingsList(*state.inventory, *state.settings);
    if (!check.repairs.isEmpty())
        printError(check.repairs);
    if (check.settingsListDiffers)
        printError(QStringLiteral("the item list in the settings file (%L1 items) is not the one "
                                  "Stowfolio last saved there; the inventory's %L2 items are "
                                  "used (start Stowfolio's window to choose between them)")
                       .arg(check.settingsItemCount)
                       .arg(check.inventoryItemCount));
    return state;
}

} // namespace

int reportJobFailure(const QString& failure, const QString& task)
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        printError(QStringLiteral("%1: not enough memory to %2").arg(failure, task));
    } catch (const std::exception& error) {
        printError(QStringLiteral("%1: %2").arg(failure, QString::fromUtf8(error.what())));
    }
    return 1;
}

namespace {

Inventory storedInventory(StoredState& state)
{
    Inventory inventory;
    for (const QString& key : kOwnerFieldKeys)
        inventory.ownerFields << state.settings->read(key, QString());
    inventory.items = state.inventory->items();
    inventory.conventions = state.conventions;
    return inventory;
}

} // namespace

int runExport(const QString& path)
{
    try {
        StoredState state = openStoredState();
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        exportInventoryWorkbook(factory, storedInventory(state), workFolderParent(), path);
        return 0;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot export to %1").arg(path),
                                QStringLiteral("build the workbook"));
    }
}

int runRender(const QString& input, const QString& output, const QString& range)
{
    namespace render = spreadsheet::render;
    try {
        const spreadsheet::Workbook book = spreadsheet::readWorkbookFile(input.toStdString());
        std::optional<spreadsheet::CellRange> cells;
        if (!range.isEmpty())
            cells = spreadsheet::parseRangeAddress(range.toStdString());
        QImage image;
        {
            // The display list is let go before the PNG is encoded; the bitmap is what stays.
            const render::PictureLimits limits;
            const render::SheetPicture picture =
                render::drawSheet(book, render::sheetToDraw(book), cells, &limits);
            image = picture.toImage(1.0);
        }
        render::writePngFile(image, output);
        return 0;
    } catch (const render::PictureTooLarge& error) {
        printError(QStringLiteral("cannot render %1: %2; draw part of the sheet with --range, "
                                  "for example --range %3")
                       .arg(input, QString::fromUtf8(error.what()),
                            QString::fromStdString(spreadsheet::rangeAddress(error.fitting()))));
        return 1;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot render %1").arg(input),
                                QStringLiteral("draw the sheet"));
    }
}

int runCsvExport(const QString& path)
{
    try {
        StoredState state = openStoredState();
        const Inventory inventory = storedInventory(state);
        writeBytesToFile(itemsAsCsv(inventory.items), path);
        return 0;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot write %1").arg(path),
                                QStringLiteral("write the list"));
    }
}

int runImport(const QString& path, const QString& passwordFile)
{
    try {
        // The password first: a wrong file is told before the stored state is touched.
        const QString password =
            passwordFile.isEmpty() ? QString() : readPasswordFile(passwordFile);
        StoredState state = openStoredState();
        const Inventory stored = storedInventory(state);
        const int room = kMaxInventoryItems - static_cast<int>(stored.items.size());
        AttachmentFileStore files(attachmentFolderFor(state.inventory->path()));
        // No one to ask for another password: the kit's refusal is the job's.
        const PreparedImport prepared = prepareImport(
            path, room, state.conventions, files, password,
            [&passwordFile](const claimkit::ClaimKitError& problem) -> std::optional<QString> {
                if (problem.problem() == claimkit::KitProblem::PasswordNeeded &&
                    passwordFile.isEmpty())
                    throw std::runtime_error(problem.message().toStdString() +
                                             " Give its password with --password-file FILE.");
                throw problem;
            });
        const ItemImport& imported = prepared.imported;
        if (!imported.problem.isEmpty()) {
            printError(imported.problem);
            return 1;
        }
        // Added to the inventory as it is now, in one transaction: a window or another job
        // working on it at the same time keeps its items too.
        std::vector<ItemFields> rows;
        rows.reserve(static_cast<std::size_t>(imported.items.size()));
        for (const QStringList& item : imported.items) {
            ItemFields fields;
            for (std::size_t i = 0; i < fields.size(); ++i)
                fields[i] = item.value(static_cast<qsizetype>(i));
            rows.push_back(std::move(fields));
        }
        const std::vector<ItemId> ids = state.inventory->append(rows);
        try {
            AttachmentKeeper keeper(*state.inventory, files);
            keepAttachments(keeper, ids, prepared);
        } catch (...) {
            // The files were checked, but one may have changed since: the items go again.
            state.inventory->remove(ids);
            throw;
        }
        const auto settings = std::move(state.settings);
        printLine(QStringLiteral("Added %1 items from %2.").arg(imported.items.size()).arg(path));
        if (const qsizetype kept = prepared.attachmentCount(); kept > 0)
            printLine(
                QStringLiteral("Kept %1 %2 with them.")
                    .arg(kept)
                    .arg(kept == 1 ? QStringLiteral("attachment") : QStringLiteral("attachments")));
        for (const QString& line : importDetails(imported))
            printLine(line);
        switch (ownerFieldsChoice(stored.ownerFields, imported.ownerFields)) {
        case OwnerFieldsChoice::Keep:
            break;
        case OwnerFieldsChoice::Take:
            for (int i = 0; i < kOwnerFieldKeys.size(); ++i)
                settings->write(kOwnerFieldKeys[i], imported.ownerFields.value(i));
            // The file is written in the background: a failure is known once it is done.
            settings->flush();
            printLine(QStringLiteral("The owner and insurance details were taken from the "
                                     "workbook."));
            break;
        case OwnerFieldsChoice::Ask:
            printLine(QStringLiteral("The owner and insurance details already stored were "
                                     "kept; the workbook's were not used."));
            break;
        }
        return 0;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot import %1").arg(path),
                                QStringLiteral("read and add its items"));
    }
}

int runPdfReport(const QString& path)
{
    try {
        StoredState state = openStoredState();
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        // The report is of the workbook the insurer gets: built first, into the work folder.
        // The workbook goes with its folder on every way out of here.
        const WorkFolder folder(workFolderParent());
        const QString workbook = createGeneratedWorkbookFile(folder.path());
        const Inventory inventory = storedInventory(state);
        exportInventoryWorkbook(factory, inventory, workFolderParent(), workbook);
        report::writeReportPdf(workbook, path, QDate::currentDate(),
                               spreadsheet::files::ReadOnlyTarget::Refuse, {},
                               reportEvidenceOf(*state.inventory, inventory.items));
        return 0;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot write the report %1").arg(path),
                                QStringLiteral("build the report"));
    }
}

int runClaimKit(const QString& path, const QString& passwordFile)
{
    try {
        // The password first: a wrong file is told before the stored state is touched.
        ClaimKitRequest request;
        request.path = path;
        if (!passwordFile.isEmpty())
            request.password = readPasswordFile(passwordFile);
        StoredState state = openStoredState();
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        request.inventory = storedInventory(state);
        AttachmentFileStore files(attachmentFolderFor(state.inventory->path()));
        const std::optional<ClaimKitSummary> summary =
            writeInventoryClaimKit(factory, *state.inventory, files, request);
        printLine(
            QStringLiteral("Wrote claim kit %1: %2, checked.").arg(path, contentsText(*summary)));
        return 0;
    } catch (const std::exception&) {
        return reportJobFailure(QStringLiteral("cannot write the claim kit %1").arg(path),
                                QStringLiteral("write the claim kit"));
    }
}

int runHeadlessJob(const CommandLineOptions& options)
{
    if (!options.exportPath.isEmpty())
        return runExport(options.exportPath);
    if (!options.csvPath.isEmpty())
        return runCsvExport(options.csvPath);
    if (!options.importPath.isEmpty())
        return runImport(options.importPath, options.passwordFile);
    if (!options.pdfPath.isEmpty())
        return runPdfReport(options.pdfPath);
    if (!options.claimKitPath.isEmpty())
        return runClaimKit(options.claimKitPath, options.passwordFile);
    return runRender(options.renderInput, options.renderOutput, options.renderRange);
}

} // namespace stowfolio

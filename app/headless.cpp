#include "app/headless.h"

#include "platform/file_helpers.h"
#include "report/inventory_report.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/png_file.h"
#include "spreadsheet/render/sheet_drawing.h"
#include "spreadsheet/render/sheet_picture.h"
#include "state/item_import.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"
#include "workbook/work_folder.h"
#include "workbook/workbook_builder.h"
#include "workbook/workbook_import.h"

#include <QDate>
#include <QFile>
#include <QScopeGuard>

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace stowfolio {

namespace {

constexpr int kColumnCount = 12;

void printError(const QString& message)
{
    std::fprintf(stderr, "stowfolio: %s\n", message.toLocal8Bit().constData());
}

void printLine(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
}

// The stored settings, or an exception saying why they cannot be used.
std::unique_ptr<IniSettingsStore> openStoredSettings()
{
    auto settings = std::make_unique<IniSettingsStore>();
    if (!settings->openingProblem().isEmpty())
        throw std::runtime_error(settings->openingProblem().toStdString());
    return settings;
}

Inventory storedInventory(const SettingsStore& settings)
{
    Inventory inventory;
    for (const QString& key : kOwnerFieldKeys)
        inventory.ownerFields << settings.read(key, QString());
    const DecodedItemList decoded =
        decodeItemList(settings.read(kItemsKey, QString()).toStdU16String(), kColumnCount);
    for (const DroppedField& dropped : decoded.dropped)
        printError(QStringLiteral("stored item %1 has more than %2 fields; \"%3\" is left out")
                       .arg(dropped.row + 1)
                       .arg(kColumnCount)
                       .arg(QString::fromStdU16String(dropped.text)));
    for (const ItemRow& row : decoded.rows) {
        QStringList fields;
        for (const std::u16string& field : row)
            fields << QString::fromStdU16String(field);
        inventory.items.push_back(fields);
    }
    return inventory;
}

} // namespace

int runExport(const QString& path)
{
    try {
        const auto settings = openStoredSettings();
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        exportInventoryWorkbook(factory, storedInventory(*settings), temporaryFolder(), path);
        return 0;
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot export to %1: %2").arg(path, QString::fromUtf8(error.what())));
        return 1;
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
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot render %1: %2").arg(input, QString::fromUtf8(error.what())));
        return 1;
    }
}

int runCsvExport(const QString& path)
{
    try {
        const auto settings = openStoredSettings();
        const Inventory inventory = storedInventory(*settings);
        writeBytesToFile(
            itemsAsCsv(QList<QStringList>(inventory.items.begin(), inventory.items.end())), path);
        return 0;
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot write %1: %2").arg(path, QString::fromUtf8(error.what())));
        return 1;
    }
}

int runImport(const QString& path)
{
    try {
        const auto settings = openStoredSettings();
        const Inventory stored = storedInventory(*settings);
        const int room = kMaxInventoryItems - static_cast<int>(stored.items.size());
        const ItemImport imported = looksLikeWorkbook(path) ? importInventoryWorkbook(path, room)
                                                            : importCsvFile(path, room);
        if (!imported.problem.isEmpty()) {
            printError(imported.problem);
            return 1;
        }
        std::vector<ItemRow> rows;
        for (const QStringList& item : imported.items) {
            ItemRow row;
            for (const QString& field : item)
                row.push_back(field.toStdU16String());
            rows.push_back(std::move(row));
        }
        QString items = settings->read(kItemsKey, QString());
        if (!items.isEmpty())
            items += QChar(kRowSeparator);
        items += QString::fromStdU16String(encodeItemList(rows, kColumnCount));
        settings->write(kItemsKey, items);
        printLine(QStringLiteral("Added %1 items from %2.").arg(imported.items.size()).arg(path));
        for (const QString& line : importDetails(imported))
            printLine(line);
        if (!imported.ownerFields.isEmpty()) {
            if (std::all_of(stored.ownerFields.begin(), stored.ownerFields.end(),
                            [](const QString& field) { return field.isEmpty(); })) {
                for (int i = 0; i < kOwnerFieldKeys.size(); ++i)
                    settings->write(kOwnerFieldKeys[i], imported.ownerFields.value(i));
                printLine(QStringLiteral("The owner and insurance details were taken from the "
                                         "workbook."));
            } else {
                printLine(QStringLiteral("The owner and insurance details already stored were "
                                         "kept; the workbook's were not used."));
            }
        }
        return 0;
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot import %1: %2").arg(path, QString::fromUtf8(error.what())));
        return 1;
    }
}

int runPdfReport(const QString& path)
{
    try {
        const auto settings = openStoredSettings();
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        // The report is of the workbook the insurer gets: built first, into the work folder.
        const QString folder = privateWorkFolder(temporaryFolder());
        const QString workbook = createGeneratedWorkbookFile(folder);
        const auto removeWorkbook = qScopeGuard([&] { QFile::remove(workbook); });
        exportInventoryWorkbook(factory, storedInventory(*settings), temporaryFolder(), workbook);
        report::writeReportPdf(workbook, path, QDate::currentDate());
        return 0;
    } catch (const std::exception& error) {
        printError(QStringLiteral("cannot write the report %1: %2")
                       .arg(path, QString::fromUtf8(error.what())));
        return 1;
    }
}

int runHeadlessJob(const CommandLineOptions& options)
{
    if (!options.exportPath.isEmpty())
        return runExport(options.exportPath);
    if (!options.csvPath.isEmpty())
        return runCsvExport(options.csvPath);
    if (!options.importPath.isEmpty())
        return runImport(options.importPath);
    if (!options.pdfPath.isEmpty())
        return runPdfReport(options.pdfPath);
    return runRender(options.renderInput, options.renderOutput, options.renderRange);
}

} // namespace stowfolio

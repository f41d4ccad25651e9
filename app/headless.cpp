#include "app/headless.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/png_file.h"
#include "spreadsheet/render/sheet_picture.h"
#include "spreadsheet/render/sheet_renderer.h"
#include "spreadsheet/render/used_range.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QImage>

#include <cstdio>
#include <exception>

namespace stowfolio {

namespace {

constexpr int kColumnCount = 12;

void printError(const QString& message)
{
    std::fprintf(stderr, "stowfolio: %s\n", message.toLocal8Bit().constData());
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
        IniSettingsStore settings;
        if (!settings.openingProblem().isEmpty())
            throw std::runtime_error(settings.openingProblem().toStdString());
        ExcelFactory factory;
        registerBuiltInEngine(factory);
        exportInventoryWorkbook(factory, storedInventory(settings), temporaryFolder(), path);
        return 0;
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot export to %1: %2").arg(path, QString::fromUtf8(error.what())));
        return 1;
    }
}

int runRender(const QString& input, const QString& output)
{
    try {
        const spreadsheet::Workbook book = spreadsheet::readWorkbookFile(input.toStdString());
        if (book.sheets.empty())
            throw std::runtime_error("the workbook has no sheet");
        const std::size_t active =
            std::min<std::size_t>(book.window.activeSheet, book.sheets.size() - 1);
        const spreadsheet::Worksheet& sheet = book.sheets[active];
        const auto picture =
            spreadsheet::render::renderRange(book, sheet, spreadsheet::render::usedRange(sheet));
        spreadsheet::render::writePngFile(picture.toImage(1.0), output);
        return 0;
    } catch (const std::exception& error) {
        printError(
            QStringLiteral("cannot render %1: %2").arg(input, QString::fromUtf8(error.what())));
        return 1;
    }
}

} // namespace stowfolio

#include "workbook/workbook_import.h"

#include "state/item_fields.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/numfmt/date_serial.h"
#include "state/item_values.h"
#include "workbook/workbook_builder.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace stowfolio {

namespace {

constexpr int kFieldCount = kItemFieldCount;

// The item header row of the template, columns A to L.
const QStringList kHeaderCaptions = [] {
    QStringList captions;
    for (int column = 1; column <= kItemFieldCount; ++column)
        captions << fieldText(
            kItemFields[static_cast<std::size_t>(fieldAtSheetColumn(column))].sheetHeader);
    return captions;
}();

// Where the owner (column B) and insurance (column F) values sit: the four rows starting six
// rows above the item header.
constexpr int kOwnerRowsAboveHeader = 6;

// The day a number from 1 up to the last day of the 1900 date system falls on. QDate has no
// 29 February 1900, so the serial the 1900 system gives that day reads as 1 March 1900.
QDate calendarDateOfSerial(double serial)
{
    auto day = static_cast<int64_t>(serial);
    if (day == spreadsheet::numfmt::kPhantomLeapDaySerial)
        ++day;
    const spreadsheet::numfmt::CivilDate date = spreadsheet::numfmt::dateOfSerial(day);
    return QDate(date.year, date.month, date.day);
}

class SheetReader
{
public:
    SheetReader(const spreadsheet::Workbook& book, const spreadsheet::Worksheet& sheet,
                const InventoryConventions& conventions)
        : m_book(book), m_sheet(sheet), m_conventions(conventions)
    {
    }

    // The text of a cell as the list would hold it; `asDate` reads a number as a date.
    QString text(uint32_t row, uint16_t column, bool asDate = false) const
    {
        const spreadsheet::Cell* cell = m_sheet.findCell(row, column);
        if (!cell)
            return {};
        switch (cell->kind) {
        case spreadsheet::CellKind::String:
            return QString::fromStdString(m_book.strings.at(cell->index).text);
        case spreadsheet::CellKind::Number:
            return valueText(cell->number, asDate);
        case spreadsheet::CellKind::Boolean:
            return cell->flag ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        case spreadsheet::CellKind::Formula: {
            const auto& cached = m_sheet.formulas.at(cell->index).cached;
            if (cached.kind == spreadsheet::CachedValue::Kind::Number)
                return valueText(cached.number, asDate);
            if (cached.kind == spreadsheet::CachedValue::Kind::String)
                return QString::fromStdString(cached.text);
            return {};
        }
        default:
            return {};
        }
    }

    std::optional<uint32_t> headerRow() const
    {
        const uint32_t last = std::min<uint32_t>(m_sheet.rowCount(), 200);
        for (uint32_t row = 0; row < last; ++row) {
            bool matches = true;
            for (int c = 0; c < kFieldCount && matches; ++c)
                matches = text(row, static_cast<uint16_t>(c))
                              .trimmed()
                              .compare(kHeaderCaptions[c], Qt::CaseInsensitive) == 0;
            if (matches)
                return row;
        }
        return std::nullopt;
    }

    uint32_t rowCount() const { return m_sheet.rowCount(); }

private:
    QString valueText(double number, bool asDate) const
    {
        if (asDate && number >= 1 &&
            number < static_cast<double>(spreadsheet::numfmt::kLastSerial1900 + 1))
            return dateText(calendarDateOfSerial(number), m_conventions);
        // Shortest first: "1e+21" rather than 22 digits.
        return plainNumberText(number, 'g', m_conventions);
    }

    const spreadsheet::Workbook& m_book;
    const spreadsheet::Worksheet& m_sheet;
    const InventoryConventions& m_conventions;
};

} // namespace

namespace {

const QByteArray kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

} // namespace

bool looksLikeWorkbook(const QString& path)
{
    // Never opened unless it is a plain file: a pipe would lose what is read here.
    if (!notAPlainFile(path).isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8) == kCompoundFileSignature;
}

bool looksLikeWorkbook(const ImportSource& source)
{
    if (!source.problem.isEmpty())
        return false;
    return source.inMemory ? source.bytes.startsWith(kCompoundFileSignature)
                           : looksLikeWorkbook(source.path);
}

ItemImport importInventoryWorkbook(const QString& path, int room,
                                   const InventoryConventions& conventions)
{
    return importInventoryWorkbook(openImportSource(path), room, conventions);
}

ItemImport importInventoryWorkbook(const ImportSource& source, int room,
                                   const InventoryConventions& conventions)
{
    ItemImport result;
    if (!source.problem.isEmpty()) {
        result.problem = source.problem;
        return result;
    }
    spreadsheet::Workbook book;
    try {
        if (source.inMemory)
            book = spreadsheet::readWorkbookBytes(
                std::vector<uint8_t>(source.bytes.begin(), source.bytes.end()),
                source.name.toStdString());
        else
            book = spreadsheet::readWorkbookFile(QFile::encodeName(source.path).toStdString());
    } catch (const spreadsheet::Error& error) {
        result.problem = QStringLiteral("%1 cannot be imported: %2")
                             .arg(source.name, QString::fromStdString(error.what()));
        return result;
    }
    return inventoryOfWorkbook(book, source.name, room, conventions);
}

ItemImport importItems(const ImportSource& source, int room,
                       const InventoryConventions& conventions, const ImportProgress& progress)
{
    return looksLikeWorkbook(source) ? importInventoryWorkbook(source, room, conventions)
                                     : importCsvSource(source, room, conventions, progress);
}

ItemImport inventoryOfWorkbook(const spreadsheet::Workbook& book, const QString& name, int room,
                               const InventoryConventions& conventions)
{
    ItemImport result;
    // The active sheet first, then the others in order.
    std::vector<std::size_t> order;
    if (book.window.activeSheet < book.sheets.size())
        order.push_back(book.window.activeSheet);
    for (std::size_t i = 0; i < book.sheets.size(); ++i)
        if (i != book.window.activeSheet)
            order.push_back(i);
    for (const std::size_t index : order) {
        const SheetReader sheet(book, book.sheets[index], conventions);
        const std::optional<uint32_t> header = sheet.headerRow();
        if (!header)
            continue;
        if (*header >= kOwnerRowsAboveHeader)
            for (const uint16_t column : {uint16_t(1), uint16_t(5)})
                for (uint32_t row = *header - kOwnerRowsAboveHeader;
                     row < *header - kOwnerRowsAboveHeader + 4; ++row)
                    result.ownerFields << sheet.text(row, column);
        QList<int> emptyRows;
        for (uint32_t row = *header + 1; row < sheet.rowCount(); ++row) {
            QStringList item;
            bool empty = true;
            for (int field = 0; field < kFieldCount; ++field) {
                const auto column = static_cast<uint16_t>(sheetColumnOf(field) - 1);
                item << withoutSeparators(sheet.text(row, column, field == kDateField),
                                          result.replacedSeparators);
                empty = empty && item.back().isEmpty();
            }
            if (empty) {
                emptyRows << static_cast<int>(row) + 1;
                continue;
            }
            // Empty rows between items are worth a word; those after the last are not.
            for (const int emptyRow : emptyRows)
                result.skippedRows << QStringLiteral("row %1: it is empty").arg(emptyRow);
            emptyRows.clear();
            result.items << item;
            result.itemRows << static_cast<int>(row);
            result.sheet = index;
            if (result.items.size() > room) {
                ItemImport tooMany;
                tooMany.problem =
                    tooManyToImportMessage(name, static_cast<int>(result.items.size()), true, room);
                return tooMany;
            }
        }
        if (result.items.isEmpty())
            result.problem = QStringLiteral("%1 cannot be imported: its sheet \"%2\" holds no "
                                            "items below the item header row.")
                                 .arg(name, QString::fromStdString(book.sheets[index].name));
        return result;
    }
    result.problem = QStringLiteral("%1 cannot be imported: none of its sheets has the item "
                                    "header row of a Stowfolio inventory (\"%2\", …).")
                         .arg(name, kHeaderCaptions.mid(0, 3).join(QLatin1String("\", \"")));
    return result;
}

} // namespace stowfolio

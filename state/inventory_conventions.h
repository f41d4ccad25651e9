#pragma once

// The conventions an inventory's texts were typed in: the decimal and grouping marks of its
// amounts, its currency sign and the form of its dates. A price "1.234" or a date "03/04/2021"
// means one thing only under the conventions it was typed in, so the inventory keeps them
// beside its items (the database's meta table) and everything that reads a date or an amount
// (the list's total and sort, the sheet, the report, the CSV import) reads it through them,
// never through the locale of the process that happens to run.
//
// They are set once, from the user's locale, when an inventory is first opened without them (a
// new one, or one kept by an older version whose texts were typed in that locale; see
// inventoryConventions in inventory_opening.h), and change
// only when the user changes them; the dates and amounts of the items are then rewritten into
// the new conventions (convertedFieldText), so every text keeps its value.

#include "spreadsheet/input/typed_input.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class QLocale;

namespace stowfolio {

struct Item;
struct ItemFieldText;

struct InventoryConventions
{
    QString decimalMark = QStringLiteral(".");
    QString groupMark = QStringLiteral(","); // empty: amounts are not grouped
    QString currencySign = QStringLiteral("$");
    // How a date is written, as a QDate format of day, month and a four-digit year.
    QString datePattern = QStringLiteral("M/d/yyyy");

    spreadsheet::input::DateOrder dateOrder() const;
    // What the spreadsheet engine's typed input needs to read the texts the same way.
    spreadsheet::input::InputLocale inputLocale() const;
    // Why these conventions cannot be kept (a decimal mark that is also the grouping mark, a
    // date form without a day); empty when they can.
    QString problem() const;

    friend bool operator==(const InventoryConventions&, const InventoryConventions&) = default;
};

// The conventions in which a person using `locale` types: its marks, currency sign and short
// date with a four-digit year. The untranslated "C" locale of a bare system gets the defaults,
// the ones the spreadsheet itself reads.
InventoryConventions conventionsOfLocale(const QLocale& locale);

// The stored form of the conventions, and back; nothing when `text` is not a valid one.
QString encodedConventions(const InventoryConventions& conventions);
std::optional<InventoryConventions> decodedConventions(const QString& text);

// `date` written in the conventions: the form typed input reads back as the same day.
QString dateText(const QDate& date, const InventoryConventions& conventions);
// `amount` as a plain number in the conventions ("1234.5", "1234,5"): no grouping, no sign.
QString amountText(double amount, const InventoryConventions& conventions);
// `number` in QLocale's `format` ('f', 'g') with the fewest digits that read back exactly, with
// the conventions' decimal mark and no grouping: the one writer of plain numbers.
QString plainNumberText(double number, char format, const InventoryConventions& conventions);

// What `text` of field `field` (an ItemField) becomes when the inventory's conventions change
// from `from` to `to`: a date or an amount (as `from` reads it) written so that `to` reads the
// same value, keeping its look where it can ("1,234.50" becomes "1.234,50"). Nothing when the
// text stays as it is: it is no date or amount, `to` reads it the same already, or no form
// of it reads the same under `to`.
std::optional<QString> convertedFieldText(int field, const QString& text,
                                          const InventoryConventions& from,
                                          const InventoryConventions& to);

// The dates and amounts of `items` that change when the conventions change from `from` to `to`,
// each with the text it becomes (convertedFieldText), item by item in field order.
std::vector<ItemFieldText> convertedTexts(const std::vector<Item>& items,
                                          const InventoryConventions& from,
                                          const InventoryConventions& to);

} // namespace stowfolio

#pragma once

// Amounts and dates as other programs write them, made into the texts the list's typed input
// reads. A file says "1.299,00 €" or "25/12/2019"; the inventory reads a number or a date only
// in the form of its own conventions (inventory_conventions.h). Each file is looked at as a whole:
// its amount columns show which of "," and "." is its decimal mark (a value with both, or with a
// mark followed by other than three digits, tells), and its date column shows whether the day comes
// first (a first part above 12). What a file cannot tell is left as the inventory reads it, and
// said so.

#include "state/inventory_conventions.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace stowfolio {

// What reading a file's values did and what it could not do, one line each for the import's
// preview ("2 prices are not amounts and will not be added up").
struct ImportedValueNotes
{
    QStringList lines;
};

// Rewrites the amounts (Price, Condition, Est. Value) and purchase dates of `items` (twelve
// fields each) into the forms the inventory's `conventions` read: an amount as a plain number
// with their decimal mark and no currency ("1299,00" or "1299.00"), a date as dateText. A value
// already in such a form is kept as it is.
ImportedValueNotes readImportedValues(QList<QStringList>& items,
                                      const InventoryConventions& conventions);

// The date of an ISO 8601 time ("2023-11-24T00:00:00Z", "2023-11-24 10:30"), as written: its
// day is not moved to another time zone. nullopt when `text` is no such time.
std::optional<QDate> dateOfIsoTime(const QString& text);

} // namespace stowfolio

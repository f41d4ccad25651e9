#pragma once

// What a build, the report and every command-line job read: the owner and insurance fields and
// the items, in list order. The window makes one from its model, the jobs from the inventory
// database; both then go through the same code.

#include "state/inventory_conventions.h"
#include "state/inventory_store.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace stowfolio {

struct Inventory
{
    QStringList ownerFields; // txtName, txtLocation, ... txtPolNo
    std::vector<Item> items;
    // What the items' dates and amounts were typed in: the sheet reads them through these.
    InventoryConventions conventions;
};

// An item of `texts` in field order (Location, Description, Date, ... Photo); missing texts are
// empty, texts past the last field are left out.
inline Item itemFromTexts(const QStringList& texts)
{
    Item item;
    for (std::size_t i = 0; i < item.fields.size(); ++i)
        item.fields[i] = texts.value(static_cast<qsizetype>(i));
    return item;
}

// The item's fields as a list of texts, for the CSV writer and the import preview.
inline QStringList textsOf(const Item& item)
{
    return QStringList(item.fields.begin(), item.fields.end());
}

// What an imported workbook's owner and insurance details do to the ones already kept.
enum class OwnerFieldsChoice
{
    Keep, // the workbook has none, or the same ones
    Take, // nothing was typed yet: they fill the fields
    Ask,  // typed ones differ: only the user may replace them (a job without a window keeps them)
};

inline OwnerFieldsChoice ownerFieldsChoice(const QStringList& kept, const QStringList& imported)
{
    if (imported.isEmpty() || imported == kept)
        return OwnerFieldsChoice::Keep;
    const bool anyTyped = std::any_of(kept.begin(), kept.end(),
                                      [](const QString& field) { return !field.isEmpty(); });
    return anyTyped ? OwnerFieldsChoice::Ask : OwnerFieldsChoice::Take;
}

} // namespace stowfolio

#pragma once

// How the inventory database and the settings file's "Items" value keep agreeing, and the
// conventions of its dates and amounts that an inventory records when first opened.
//
// The database is the store of record for the items; the settings file keeps the owner fields
// and, written when the main window closes, the whole list under "Items" in its documented
// encoding, for programs that read it there. The database remembers a digest of the "Items"
// text it last wrote or took in, so that at start:
//   - a new database takes the items of "Items" (the first start after an update);
//   - an "Items" that differs from the digest was changed by someone else (an older version):
//     the window asks which list to keep; jobs without a window keep the database's;
//   - otherwise the database holds the list.

#include "state/inventory_conventions.h"
#include "state/inventory_store.h"

#include <QString>

#include <memory>

class QLocale;

namespace stowfolio {

class SettingsStore;

struct SettingsListCheck
{
    // True when "Items" differs from what was last written there: ask which list to keep.
    bool settingsListDiffers = false;
    qsizetype settingsItemCount = 0;  // items of the settings list, when it differs
    qsizetype inventoryItemCount = 0; // items of the database, when the lists differ
    // What was repaired while taking in the settings list, for the user; empty when nothing.
    QString repairs;
};

// Takes in the settings list when the database never has (its first start), and otherwise
// says whether the settings list is still the one last written there. Throws DatabaseError.
SettingsListCheck checkSettingsList(InventoryStore& store, const SettingsStore& settings);

// Replaces the database's items by the settings file's "Items" list, in one transaction, and
// returns what had to be repaired (empty when nothing).
QString takeSettingsList(InventoryStore& store, const SettingsStore& settings);

// The "Items" text for `items`, in the documented encoding.
QString encodedItems(const std::vector<Item>& items);

// The meta key under which the database keeps its conventions (inventory_conventions.h).
extern const QString kConventionsKey;

// The inventory's conventions. An inventory without them (created now, or kept by an older
// version) takes those of `userLocale` and records them, so they stay what they were whatever
// locale later processes run in; one that takes no writes uses them unrecorded. Throws
// DatabaseError when the database cannot be read.
InventoryConventions inventoryConventions(InventoryStore& store, const QLocale& userLocale);

// Records that "Items" now holds `itemsText`, so the next start knows it as ours.
void recordSettingsList(InventoryStore& store, const QString& itemsText);

} // namespace stowfolio

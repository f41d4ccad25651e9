#pragma once

#include <QStringList>

#include <vector>

namespace stowfolio {

// What a build reads from the main window (or, for the export, from the settings store).
struct Inventory
{
    QStringList ownerFields;        // txtName, txtLocation, ... txtPolNo
    std::vector<QStringList> items; // each row: Location, Description, Date, ... Photo
    int columnCount = 12;           // the list's columns
};

// The last sheet row is 65,536; the item block starts in row 10.
inline constexpr int kMaxInventoryItems = 65536 - 10;

} // namespace stowfolio

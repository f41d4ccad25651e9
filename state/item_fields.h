#pragma once

// The fields of an inventory item, defined once. Every list of captions, counts and indices in
// the program derives from kItemFields: the main window's list and entry fields, the stored
// form (a field's index is its place in the "Items" encoding and the database's column), the
// sheet column the builder writes, CSV headers, import matching and the report.

#include <QString>

#include <array>
#include <string_view>

namespace stowfolio {

// An item field's index: its place in the "Items" encoding, in the list and in kItemFields.
enum ItemField : int
{
    kLocationField,
    kDescriptionField,
    kDateField,
    kWhereField,
    kWarrantyField,
    kPriceField,
    kConditionField,
    kEstimatedValueField,
    kModelField,
    kSerialField,
    kNotesField,
    kPhotoField,
    kItemFieldCount
};

// What the field's sheet cell makes of typed text: its number format turns a date or an amount
// into a number, the rest stays text.
enum class FieldKind
{
    Text,
    Date,
    Amount
};

struct ItemFieldInfo
{
    std::string_view caption; // its short name: CSV header, import matching ("Where")
    std::string_view name;    // as the user knows it: entry label, messages ("Purchase Location")
    std::string_view listHeader;  // the list's column header, as drawn (" Where")
    int listWidthTwips;           // the list column's width at the default window size
    std::string_view entryName;   // object name of its entry field ("txtPurLoc")
    std::string_view sheetHeader; // the template's item header ("Purchase Location")
    int sheetColumn;              // the template's column, 1 = A
    FieldKind kind;
    std::string_view column; // its column in the inventory database
};

// In field order. " Where" and " Warranty" begin with a blank in the list, as drawn; Condition's
// cell is formatted as currency in the template, so it reads a typed amount like Price.
inline constexpr std::array<ItemFieldInfo, kItemFieldCount> kItemFields = {{
    {"Location", "Location", "Location", 2000, "txtILoc", "Item Location", 1, FieldKind::Text,
     "location"},
    {"Description", "Description", "Description", 2000, "txtDesc", "Description", 2,
     FieldKind::Text, "description"},
    {"Date", "Purchase Date", "Date", 1400, "txtDate", "Purchase Date", 5, FieldKind::Date,
     "purchase_date"},
    {"Where", "Purchase Location", " Where", 1440, "txtPurLoc", "Purchase Location", 6,
     FieldKind::Text, "purchase_location"},
    {"Warranty", "Warranty", " Warranty", 1440, "txtWar", "Warranty", 7, FieldKind::Text,
     "warranty"},
    {"Price", "Price", "Price", 1440, "txtPrice", "Price at Purchase", 8, FieldKind::Amount,
     "price"},
    {"Condition", "Condition", "Condition", 1440, "txtCond", "Condition", 9, FieldKind::Amount,
     "condition"},
    {"Est. Value", "Est. Value", "Est. Value", 1440, "txtEst", "Estimated Value to Date", 10,
     FieldKind::Amount, "estimated_value"},
    {"Model", "Model", "Model", 1440, "txtModel", "Model", 3, FieldKind::Text, "model"},
    {"Serial #", "Serial #", "Serial #", 1440, "txtSerial", "Serial #", 4, FieldKind::Text,
     "serial_number"},
    {"Notes", "Notes", "Notes", 1440, "txtNotes", "Notes", 11, FieldKind::Text, "notes"},
    {"Photo", "Photo", "Photo", 1440, "txtPhoto", "Photo", 12, FieldKind::Text, "photo"},
}};

// The longest text a field may hold: what one sheet cell holds.
inline constexpr int kMaxFieldLength = 32767;

// One of the table's texts as a QString.
inline QString fieldText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The field the builder writes to sheet column `column` (1 = A), or -1 for none.
constexpr int fieldAtSheetColumn(int column)
{
    for (int field = 0; field < kItemFieldCount; ++field)
        if (kItemFields[static_cast<std::size_t>(field)].sheetColumn == column)
            return field;
    return -1;
}

} // namespace stowfolio

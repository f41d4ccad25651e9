#pragma once

// The template's layout as the sheet must show it, cell by cell: what the interop tests hold
// every reader's view against. Written out by hand rather than taken from the generator, so
// that a mistake in the generator cannot hide in both.

namespace template_layout {

struct Caption
{
    const char* ref;
    const char* text;
};

constexpr Caption kCaptions[] = {
    {"A1", "Home Inventory List"},
    {"A2", "Owner Information"},
    {"E2", "Insurance"},
    {"A3", "Name"},
    {"A4", "Address"},
    {"A5", "City, State, ZIP code"},
    {"A6", "Phone"},
    {"E3", "Company"},
    {"E4", "Agent Name"},
    {"E5", "Phone"},
    {"E6", "Policy Number"},
    {"E7", "Est. Value"},
    {"A9", "Item Location"},
    {"B9", "Description"},
    {"C9", "Model"},
    {"D9", "Serial #"},
    {"E9", "Purchase Date"},
    {"F9", "Purchase Location"},
    {"G9", "Warranty"},
    {"H9", "Price at Purchase"},
    {"I9", "Condition"},
    {"J9", "Estimated Value to Date"},
    {"K9", "Notes"},
    {"L9", "Photo"},
};

// Empty cells that exist for their format.
constexpr const char* kFormattedBlanks[] = {"B1:E1", "F1:L1", "B2",    "F2", "I2:K2",
                                            "B3:B6", "F3:F6", "E8:H8", "K8", "A10:L11"};

constexpr const char* kAccounting = R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))";
constexpr const char* kCurrency = R"("$"#,##0.00_);[Red]\("$"#,##0.00\))";

// One line of the sheet's format table. Colours are #RRGGBB; a null font colour is automatic
// (black), a null fill is none.
struct Look
{
    const char* range;
    double points;
    bool bold;
    const char* fontColor;
    const char* horizontal;
    const char* vertical;
    bool wrap;
    const char* fill;
    bool border;
    int numberFormatId; // as xlrd reports it: built-in 14, 8 and 44 or General 0
};

constexpr const char* kWhite = "#FFFFFF";
constexpr const char* kInk = "#273359";
constexpr const char* kBlue = "#3B4E87";
constexpr const char* kTint = "#E4E8F3";
constexpr const char* kGrey = "#F4F4F4";

constexpr Look kLooks[] = {
    {"A1:E1", 16, true, kInk, "center", "center", false, kGrey, false, 0},
    {"F1:L1", 16, true, kInk, "left", "center", false, nullptr, false, 0},
    {"A2:B2", 11, true, kWhite, "center", "center", false, kBlue, false, 0},
    {"E2:F2", 11, true, kWhite, "center", "center", false, kBlue, false, 0},
    {"I2:K2", 11, true, kWhite, "left", "center", false, nullptr, false, 0},
    {"A3:A6", 9, false, nullptr, "right", "bottom", false, kTint, false, 0},
    {"E3:E7", 9, false, nullptr, "right", "bottom", false, kTint, false, 0},
    {"B3:B6", 9, false, nullptr, "general", "bottom", false, nullptr, true, 0},
    {"F3:F6", 9, false, nullptr, "left", "bottom", false, nullptr, true, 0},
    {"F7", 9, false, nullptr, "general", "bottom", false, nullptr, true, 44},
    {"A9:L9", 11, true, kWhite, "center", "center", true, kBlue, false, 0},
    {"A10:D11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"F10:G11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"K10:L11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"E10:E11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 14},
    {"H10:H11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 8},
    {"I10:I11", 9, false, nullptr, "left", "bottom", false, kGrey, true, 8},
    {"J10:J11", 9, false, nullptr, "right", "bottom", false, kGrey, true, 8},
    {"E8:H8", 10, true, nullptr, "general", "bottom", false, nullptr, false, 0},
    {"K8", 10, false, nullptr, "general", "bottom", false, nullptr, false, 0},
};

struct RowHeight
{
    const char* row;
    int twips;
    bool custom;
};

constexpr RowHeight kRowHeights[] = {
    {"1", 540, true},  {"2", 375, true},   {"3", 240, false},  {"4", 240, false},
    {"5", 240, false}, {"6", 240, false},  {"7", 240, false},  {"8", 105, true},
    {"9", 855, true},  {"10", 240, false}, {"11", 240, false},
};

struct ColumnWidth
{
    const char* column;
    int width; // 1/256 of a character
};

constexpr ColumnWidth kColumnWidths[] = {
    {"A", 6582}, {"B", 6802}, {"C", 3437}, {"D", 3328}, {"E", 5632}, {"F", 4790}, {"G", 2925},
    {"H", 2998}, {"I", 4059}, {"J", 3474}, {"K", 7204}, {"L", 4205}, {"M", 2340}, {"IV", 2340},
};

} // namespace template_layout

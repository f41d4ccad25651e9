#pragma once

// The item list is stored as one string: rows joined by "|", the fields of a row joined by "^",
// with no header, count, quoting or escape. Decoding is lenient, so that any stored string reads
// as a list: empty pieces give no rows, short rows are padded with empty fields, and fields
// beyond the column count cannot be placed and are reported back as dropped.
//
// Texts are UTF-16 so that a field comes back from the store exactly as the widget held it.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace stowfolio {

inline constexpr char16_t kRowSeparator = u'|';
inline constexpr char16_t kFieldSeparator = u'^';

using ItemRow = std::vector<std::u16string>;

// One row: its `columnCount` fields joined by the field separator, so a row always holds
// columnCount - 1 of them. `appendField(stored, column)` appends the text of one field.
template <class AppendField>
std::u16string encodeItemRow(std::size_t columnCount, AppendField&& appendField)
{
    std::u16string stored;
    for (std::size_t column = 0; column < columnCount; ++column) {
        if (column > 0)
            stored += kFieldSeparator;
        appendField(stored, column);
    }
    return stored;
}

// The list: its rows in order, joined by the row separator, appended to `stored` (any string
// of UTF-16 units, so the caller can reserve room for a long list). `appendRow(stored, row)`
// appends one row as encodeItemRow() writes it.
template <class Text, class AppendRow>
void appendItemList(Text& stored, std::size_t rowCount, AppendRow&& appendRow)
{
    for (std::size_t row = 0; row < rowCount; ++row) {
        if (row > 0)
            stored += kRowSeparator;
        appendRow(stored, row);
    }
}

// Rows held as texts; fields missing from a short row are empty.
std::u16string encodeItemList(const std::vector<ItemRow>& rows, std::size_t columnCount);

struct DroppedField
{
    std::size_t row;   // index of the decoded row it belonged to
    std::size_t field; // 0-based position in the stored item (columnCount or later)
    std::u16string text;
};

struct DecodedItemList
{
    std::vector<ItemRow> rows; // each exactly columnCount fields
    std::vector<DroppedField> dropped;
};

DecodedItemList decodeItemList(const std::u16string& stored, std::size_t columnCount);

// The first separator character in `text`, if any: such a field would not come back from the
// store as it went in.
std::optional<char16_t> firstSeparatorIn(const std::u16string& text);

} // namespace stowfolio

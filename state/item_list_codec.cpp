#include "state/item_list_codec.h"

#include <iterator>

namespace stowfolio {

namespace {

// Splits at every `separator`; an empty text gives no pieces at all.
std::vector<std::u16string> splitAll(const std::u16string& text, char16_t separator)
{
    std::vector<std::u16string> pieces;
    if (text.empty())
        return pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        if (end == std::u16string::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

} // namespace

std::u16string encodeItemList(const std::vector<ItemRow>& rows, std::size_t columnCount)
{
    std::u16string stored;
    appendItemList(stored, rows.size(), [&](std::u16string& out, std::size_t row) {
        out += encodeItemRow(columnCount, [&](std::u16string& field, std::size_t column) {
            if (column < rows[row].size())
                field += rows[row][column];
        });
    });
    return stored;
}

DecodedItemList decodeItemList(const std::u16string& stored, std::size_t columnCount)
{
    DecodedItemList decoded;
    for (const std::u16string& item : splitAll(stored, kRowSeparator)) {
        const std::vector<std::u16string> fields = splitAll(item, kFieldSeparator);
        if (fields.empty())
            continue;
        ItemRow row(columnCount);
        const std::size_t rowIndex = decoded.rows.size();
        for (std::size_t n = 0; n < fields.size(); ++n) {
            if (n < columnCount)
                row[n] = fields[n];
            else
                decoded.dropped.push_back({rowIndex, n, fields[n]});
        }
        decoded.rows.push_back(std::move(row));
    }
    return decoded;
}

std::optional<char16_t> firstSeparatorIn(const std::u16string& text)
{
    constexpr char16_t kSeparators[] = {kRowSeparator, kFieldSeparator};
    const std::size_t at = text.find_first_of(kSeparators, 0, std::size(kSeparators));
    if (at == std::u16string::npos)
        return std::nullopt;
    return text[at];
}

} // namespace stowfolio

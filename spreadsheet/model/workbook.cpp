#include "spreadsheet/model/workbook.h"

#include "spreadsheet/numfmt/number_format.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace spreadsheet {

uint32_t StringTable::intern(std::string_view text)
{
    indexPendingStrings();
    const uint64_t hash = std::hash<std::string_view>{}(text);
    const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const uint64_t entry = m_slots[slot];
        const auto index = uint32_t(entry) - 1;
        if ((entry & 0xFFFFFFFF00000000ull) == tag && m_strings[index].text == text)
            return index;
    }
    const auto index = static_cast<uint32_t>(m_strings.size());
    m_strings.push_back(SharedString{std::string(text), {}});
    m_indexed = index + 1;
    insertSlot(hash, index);
    return index;
}

uint32_t StringTable::add(SharedString string)
{
    const auto index = static_cast<uint32_t>(m_strings.size());
    m_strings.push_back(std::move(string));
    return index;
}

void StringTable::indexPendingStrings()
{
    // Keep the table at most half full, counting the strings still to be indexed.
    const size_t needed = std::max<size_t>(16, std::bit_ceil(2 * (m_strings.size() + 1)));
    if (m_slots.size() < needed) {
        m_slots.assign(needed, 0);
        m_indexed = 0;
    }
    for (; m_indexed < m_strings.size(); ++m_indexed) {
        const SharedString& string = m_strings[m_indexed];
        if (!string.runs.empty())
            continue;
        // The first of equal strings keeps the index, so a later duplicate is not entered.
        const uint64_t hash = std::hash<std::string_view>{}(string.text);
        const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
        const size_t mask = m_slots.size() - 1;
        bool found = false;
        size_t slot = hash & mask;
        for (; m_slots[slot] != 0; slot = (slot + 1) & mask) {
            const uint64_t entry = m_slots[slot];
            if ((entry & 0xFFFFFFFF00000000ull) == tag &&
                m_strings[uint32_t(entry) - 1].text == string.text) {
                found = true;
                break;
            }
        }
        if (!found)
            insertSlot(hash, m_indexed);
    }
}

void StringTable::insertSlot(uint64_t hash, uint32_t index)
{
    const size_t mask = m_slots.size() - 1;
    size_t slot = hash & mask;
    while (m_slots[slot] != 0)
        slot = (slot + 1) & mask;
    m_slots[slot] = (hash & 0xFFFFFFFF00000000ull) | (uint64_t(index) + 1);
}

std::string_view Workbook::numberFormatCode(uint16_t formatId) const
{
    if (auto it = numberFormats.find(formatId); it != numberFormats.end())
        return it->second;
    const std::string_view builtin = numfmt::builtinFormatCode(formatId);
    return builtin.empty() ? std::string_view("General") : builtin;
}

uint32_t Workbook::colorOf(uint16_t index, bool isBackground) const
{
    if (index >= 8 && index < 64)
        return palette[index - 8];
    if (index < 8) {
        static constexpr uint32_t kFixed[8] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                               0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
        return kFixed[index];
    }
    // System colours: window text is black, window background white; the automatic font colour
    // is the window text.
    if (index == kColorSystemBackground)
        return 0xFFFFFF;
    return isBackground ? 0xFFFFFF : 0x000000;
}

} // namespace spreadsheet

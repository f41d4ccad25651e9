#include "workbook.h"

namespace spreadsheet {

uint32_t StringTable::intern(std::string_view text)
{
    std::string key(text);
    if (auto it = m_plainIndex.find(key); it != m_plainIndex.end())
        return it->second;
    const auto index = static_cast<uint32_t>(m_strings.size());
    m_strings.push_back(SharedString{key, {}});
    m_plainIndex.emplace(std::move(key), index);
    return index;
}

uint32_t StringTable::add(SharedString string)
{
    const auto index = static_cast<uint32_t>(m_strings.size());
    if (string.runs.empty())
        m_plainIndex.try_emplace(string.text, index);
    m_strings.push_back(std::move(string));
    return index;
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

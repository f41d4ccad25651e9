#include "spreadsheet/numfmt/format_colors.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <utility>

namespace spreadsheet::numfmt::detail {

namespace {

// The default palette of the .xls format; "[Color n]" picks entry n - 1.
constexpr std::array<uint32_t, 56> kDefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

constexpr std::array<std::pair<std::string_view, uint32_t>, 8> kNamedColors = {{
    {"black", 0x000000},
    {"blue", 0x0000FF},
    {"cyan", 0x00FFFF},
    {"green", 0x00FF00},
    {"magenta", 0xFF00FF},
    {"red", 0xFF0000},
    {"white", 0xFFFFFF},
    {"yellow", 0xFFFF00},
}};

bool equalsNoCase(std::string_view a, std::string_view lowerB)
{
    return a.size() == lowerB.size() &&
           std::equal(a.begin(), a.end(), lowerB.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == y;
           });
}

} // namespace

std::optional<uint32_t> colorFromBracket(std::string_view content)
{
    for (const auto& [name, rgb] : kNamedColors) {
        if (equalsNoCase(content, name)) {
            return rgb;
        }
    }
    constexpr std::string_view prefix = "color";
    if (content.size() <= prefix.size() ||
        !equalsNoCase(content.substr(0, prefix.size()), prefix)) {
        return std::nullopt;
    }
    std::string_view number = content.substr(prefix.size());
    while (!number.empty() && number.front() == ' ') {
        number.remove_prefix(1);
    }
    int index = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), index);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size() || index < 1 ||
        index > static_cast<int>(kDefaultPalette.size())) {
        return std::nullopt;
    }
    return kDefaultPalette[static_cast<size_t>(index - 1)];
}

} // namespace spreadsheet::numfmt::detail

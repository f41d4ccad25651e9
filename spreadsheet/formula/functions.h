#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace spreadsheet::formula {

// Built-in functions by their BIFF index (the Ftab of the format).
namespace function {
inline constexpr uint16_t Count = 0;
inline constexpr uint16_t If = 1;
inline constexpr uint16_t Sum = 4;
inline constexpr uint16_t Average = 5;
inline constexpr uint16_t Min = 6;
inline constexpr uint16_t Max = 7;
inline constexpr uint16_t Row = 8;
inline constexpr uint16_t Column = 9;
inline constexpr uint16_t Abs = 24;
inline constexpr uint16_t Int = 25;
inline constexpr uint16_t Round = 27;
inline constexpr uint16_t Mod = 39;
} // namespace function

struct FunctionInfo
{
    uint16_t index;
    std::string_view name;
    int8_t argumentCount; // fixed count for ptgFunc; -1 when the count travels with ptgFuncVar
};

// The function with this index, or nothing for an index the table does not know.
std::optional<FunctionInfo> functionInfo(uint16_t index);

} // namespace spreadsheet::formula

#pragma once

#include "spreadsheet/formula/tokens.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace spreadsheet::formula {

// What the printer needs to know beyond the tokens.
struct PrintContext
{
    uint32_t row = 0; // the cell the formula belongs to: the N forms are offsets from it
    uint16_t column = 0;
    // 3-D references: the sheet prefix for an EXTERNSHEET index, without the "!".
    std::function<std::string(uint16_t)> sheetName = [](uint16_t index) {
        return "Sheet" + std::to_string(index + 1);
    };
    // ptgName: the defined name with this 1-based index.
    std::function<std::string(uint16_t)> definedName = [](uint16_t index) {
        return "Name" + std::to_string(index);
    };
};

// The formula as a person would type it, without the leading "=": "SUM(J:J)",
// "MOD(ROW(),2)=1", "'Home Inventory'!$A$1:$L$11". Throws spreadsheet::Error when the tokens
// do not form one expression.
std::string formulaText(const std::vector<Token>& tokens, const PrintContext& context = {});

// Excel's text for an error code: "#REF!", "#DIV/0!", ...
std::string errorText(uint8_t code);

} // namespace spreadsheet::formula

#include "spreadsheet/formula/functions.h"

#include <algorithm>
#include <array>

namespace spreadsheet::formula {

namespace {

// The functions a household list or a hand-made template plausibly holds, sorted by index.
constexpr std::array kFunctions = {
    FunctionInfo{0, "COUNT", -1},        FunctionInfo{1, "IF", -1},
    FunctionInfo{2, "ISNA", 1},          FunctionInfo{3, "ISERROR", 1},
    FunctionInfo{4, "SUM", -1},          FunctionInfo{5, "AVERAGE", -1},
    FunctionInfo{6, "MIN", -1},          FunctionInfo{7, "MAX", -1},
    FunctionInfo{8, "ROW", -1},          FunctionInfo{9, "COLUMN", -1},
    FunctionInfo{10, "NA", 0},           FunctionInfo{11, "NPV", -1},
    FunctionInfo{12, "STDEV", -1},       FunctionInfo{13, "DOLLAR", -1},
    FunctionInfo{14, "FIXED", -1},       FunctionInfo{15, "SIN", 1},
    FunctionInfo{16, "COS", 1},          FunctionInfo{17, "TAN", 1},
    FunctionInfo{18, "ATAN", 1},         FunctionInfo{19, "PI", 0},
    FunctionInfo{20, "SQRT", 1},         FunctionInfo{21, "EXP", 1},
    FunctionInfo{22, "LN", 1},           FunctionInfo{23, "LOG10", 1},
    FunctionInfo{24, "ABS", 1},          FunctionInfo{25, "INT", 1},
    FunctionInfo{26, "SIGN", 1},         FunctionInfo{27, "ROUND", 2},
    FunctionInfo{28, "LOOKUP", -1},      FunctionInfo{29, "INDEX", -1},
    FunctionInfo{30, "REPT", 2},         FunctionInfo{31, "MID", 3},
    FunctionInfo{32, "LEN", 1},          FunctionInfo{33, "VALUE", 1},
    FunctionInfo{34, "TRUE", 0},         FunctionInfo{35, "FALSE", 0},
    FunctionInfo{36, "AND", -1},         FunctionInfo{37, "OR", -1},
    FunctionInfo{38, "NOT", 1},          FunctionInfo{39, "MOD", 2},
    FunctionInfo{46, "VAR", -1},         FunctionInfo{48, "TEXT", 2},
    FunctionInfo{63, "RAND", 0},         FunctionInfo{64, "MATCH", -1},
    FunctionInfo{65, "DATE", 3},         FunctionInfo{66, "TIME", 3},
    FunctionInfo{67, "DAY", 1},          FunctionInfo{68, "MONTH", 1},
    FunctionInfo{69, "YEAR", 1},         FunctionInfo{70, "WEEKDAY", -1},
    FunctionInfo{71, "HOUR", 1},         FunctionInfo{72, "MINUTE", 1},
    FunctionInfo{73, "SECOND", 1},       FunctionInfo{74, "NOW", 0},
    FunctionInfo{76, "ROWS", 1},         FunctionInfo{77, "COLUMNS", 1},
    FunctionInfo{78, "OFFSET", -1},      FunctionInfo{82, "SEARCH", -1},
    FunctionInfo{100, "CHOOSE", -1},     FunctionInfo{101, "HLOOKUP", -1},
    FunctionInfo{102, "VLOOKUP", -1},    FunctionInfo{109, "LOG", -1},
    FunctionInfo{111, "CHAR", 1},        FunctionInfo{112, "LOWER", 1},
    FunctionInfo{113, "UPPER", 1},       FunctionInfo{114, "PROPER", 1},
    FunctionInfo{115, "LEFT", -1},       FunctionInfo{116, "RIGHT", -1},
    FunctionInfo{117, "EXACT", 2},       FunctionInfo{118, "TRIM", 1},
    FunctionInfo{119, "REPLACE", 4},     FunctionInfo{120, "SUBSTITUTE", -1},
    FunctionInfo{121, "CODE", 1},        FunctionInfo{124, "FIND", -1},
    FunctionInfo{126, "ISERR", 1},       FunctionInfo{127, "ISTEXT", 1},
    FunctionInfo{128, "ISNUMBER", 1},    FunctionInfo{129, "ISBLANK", 1},
    FunctionInfo{130, "T", 1},           FunctionInfo{131, "N", 1},
    FunctionInfo{140, "DATEVALUE", 1},   FunctionInfo{141, "TIMEVALUE", 1},
    FunctionInfo{148, "INDIRECT", -1},   FunctionInfo{162, "CLEAN", 1},
    FunctionInfo{169, "COUNTA", -1},     FunctionInfo{183, "PRODUCT", -1},
    FunctionInfo{184, "FACT", 1},        FunctionInfo{197, "TRUNC", -1},
    FunctionInfo{212, "ROUNDUP", 2},     FunctionInfo{213, "ROUNDDOWN", 2},
    FunctionInfo{216, "RANK", -1},       FunctionInfo{219, "ADDRESS", -1},
    FunctionInfo{221, "TODAY", 0},       FunctionInfo{227, "MEDIAN", -1},
    FunctionInfo{228, "SUMPRODUCT", -1}, FunctionInfo{285, "FLOOR", 2},
    FunctionInfo{288, "CEILING", 2},     FunctionInfo{336, "CONCATENATE", -1},
    FunctionInfo{337, "POWER", 2},       FunctionInfo{344, "SUBTOTAL", -1},
    FunctionInfo{345, "SUMIF", -1},      FunctionInfo{346, "COUNTIF", 2},
    FunctionInfo{347, "COUNTBLANK", 1},
};

static_assert(std::is_sorted(kFunctions.begin(), kFunctions.end(),
                             [](const FunctionInfo& a, const FunctionInfo& b) {
                                 return a.index < b.index;
                             }));

} // namespace

std::optional<FunctionInfo> functionInfo(uint16_t index)
{
    auto it = std::lower_bound(kFunctions.begin(), kFunctions.end(), index,
                               [](const FunctionInfo& f, uint16_t i) { return f.index < i; });
    if (it == kFunctions.end() || it->index != index)
        return std::nullopt;
    return *it;
}

} // namespace spreadsheet::formula

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spreadsheet {

// Error codes of BOOLERR and formula results, as stored in the file.
enum class ErrorCode : uint8_t
{
    Null = 0x00,
    Div0 = 0x07,
    Value = 0x0F,
    Ref = 0x17,
    Name = 0x1D,
    Num = 0x24,
    NA = 0x2A,
};

enum class CellKind : uint8_t
{
    Blank,   // formatted, no value
    Number,  // number
    String,  // Workbook::strings[index]
    Boolean, // flag
    Error,   // flag is an ErrorCode
    Formula, // Worksheet::formulas[index]
};

// One cell of a row. Kept small and trivially copyable: a sheet of 65,536 rows of a dozen
// cells must stay cheap to hold and to copy.
struct Cell
{
    uint16_t column = 0;
    uint16_t xf = 15;
    CellKind kind = CellKind::Blank;
    uint8_t flag = 0;
    uint32_t index = 0;
    double number = 0;

    bool operator==(const Cell&) const = default;
};

// A formula's last computed value, as FORMULA (and STRING) records carry it.
struct CachedValue
{
    enum class Kind : uint8_t
    {
        Number,
        String,
        Boolean,
        Error,
        Empty
    };
    Kind kind = Kind::Number;
    double number = 0;
    std::string text; // UTF-8
    uint8_t flag = 0; // boolean or ErrorCode

    bool operator==(const CachedValue&) const = default;
};

// A record that belongs to the FORMULA record before it (SHRFMLA, ARRAY, TABLE): kept as read and
// written back right after its formula.
struct FormulaAttachment
{
    uint16_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const FormulaAttachment&) const = default;
};

// A formula cell's body. Row and column are kept current when rows move, so every formula of
// a sheet can be visited without walking its rows.
struct Formula
{
    uint32_t row = 0;
    uint16_t column = 0;
    bool removed = false;           // its row was deleted; no cell refers to it any more
    uint16_t options = 0x0002;      // FORMULA grbit; 0x0002 = calculate on open
    std::vector<uint8_t> tokens;    // BIFF8 parsed expression (rgce)
    std::vector<uint8_t> extraData; // rgcb: array constants and the like, kept as read
    CachedValue cached;
    std::vector<FormulaAttachment> attachments;

    bool operator==(const Formula&) const = default;
};

} // namespace spreadsheet

#pragma once

// BIFF8 parsed expressions (rgce) as a list of tokens, in the file's reverse-Polish order.
//
// Bytes flow through this folder like this:
//   parseTokens(bytes)  -> std::vector<Token>   (throws spreadsheet::Error on bad bytes)
//   shift.h             moves references when rows are inserted, deleted or copied
//   evaluate.h          computes the cached result a reader shows without recalculating
//   print.h             turns tokens back into the text a person would type
//   encodeTokens(tokens) -> bytes               (the exact layout parseTokens read)

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace spreadsheet::formula {

// Token ids. Operand and function tokens (0x20 and up) carry a class in bits 5-6: the id here
// is the reference-class form (0x2x/0x3x); Token::tokenClass keeps the class as stored.
namespace ptg {
inline constexpr uint8_t Exp = 0x01;
inline constexpr uint8_t Tbl = 0x02;
inline constexpr uint8_t Add = 0x03;
inline constexpr uint8_t Sub = 0x04;
inline constexpr uint8_t Mul = 0x05;
inline constexpr uint8_t Div = 0x06;
inline constexpr uint8_t Power = 0x07;
inline constexpr uint8_t Concat = 0x08;
inline constexpr uint8_t Lt = 0x09;
inline constexpr uint8_t Le = 0x0A;
inline constexpr uint8_t Eq = 0x0B;
inline constexpr uint8_t Ge = 0x0C;
inline constexpr uint8_t Gt = 0x0D;
inline constexpr uint8_t Ne = 0x0E;
inline constexpr uint8_t Isect = 0x0F;
inline constexpr uint8_t Union = 0x10;
inline constexpr uint8_t Range = 0x11;
inline constexpr uint8_t Uplus = 0x12;
inline constexpr uint8_t Uminus = 0x13;
inline constexpr uint8_t Percent = 0x14;
inline constexpr uint8_t Paren = 0x15;
inline constexpr uint8_t MissArg = 0x16;
inline constexpr uint8_t Str = 0x17;
inline constexpr uint8_t Attr = 0x19;
inline constexpr uint8_t Err = 0x1C;
inline constexpr uint8_t Bool = 0x1D;
inline constexpr uint8_t Int = 0x1E;
inline constexpr uint8_t Num = 0x1F;
inline constexpr uint8_t Array = 0x20;
inline constexpr uint8_t Func = 0x21;
inline constexpr uint8_t FuncVar = 0x22;
inline constexpr uint8_t Name = 0x23;
inline constexpr uint8_t Ref = 0x24;
inline constexpr uint8_t Area = 0x25;
inline constexpr uint8_t MemArea = 0x26;
inline constexpr uint8_t MemErr = 0x27;
inline constexpr uint8_t MemNoMem = 0x28;
inline constexpr uint8_t MemFunc = 0x29;
inline constexpr uint8_t RefErr = 0x2A;
inline constexpr uint8_t AreaErr = 0x2B;
inline constexpr uint8_t RefN = 0x2C;
inline constexpr uint8_t AreaN = 0x2D;
inline constexpr uint8_t NameX = 0x39;
inline constexpr uint8_t Ref3d = 0x3A;
inline constexpr uint8_t Area3d = 0x3B;
inline constexpr uint8_t RefErr3d = 0x3C;
inline constexpr uint8_t AreaErr3d = 0x3D;

// Token classes (bits 5-6 of an operand or function token).
inline constexpr uint8_t ClassReference = 0x20;
inline constexpr uint8_t ClassValue = 0x40;
inline constexpr uint8_t ClassArray = 0x60;
} // namespace ptg

// ptgAttr flags (the byte after the token id).
namespace attr {
inline constexpr uint8_t Volatile = 0x01;
inline constexpr uint8_t If = 0x02;
inline constexpr uint8_t Choose = 0x04;
inline constexpr uint8_t Goto = 0x08;
inline constexpr uint8_t Sum = 0x10;
inline constexpr uint8_t Baxcel = 0x20;
inline constexpr uint8_t Space = 0x40;
} // namespace attr

// One end of a reference as stored: a row and a column with their relative flags. In ptgRef,
// ptgArea and the 3-D forms the row and column are absolute positions (zero-based) whatever the
// flags say; in ptgRefN and ptgAreaN a relative row is a signed 16-bit offset and a relative
// column a signed 8-bit offset from the cell the formula is evaluated for.
struct CellReference
{
    uint16_t row = 0;
    uint16_t column = 0; // 8 bits used; the field has 14
    bool rowRelative = false;
    bool columnRelative = false;

    bool operator==(const CellReference&) const = default;
};

struct Token
{
    uint8_t id = 0;         // a ptg:: id, class bits cleared for operand tokens
    uint8_t tokenClass = 0; // ptg::Class* for operand and function tokens, 0 otherwise
    CellReference first;    // Ref*: the cell; Area*: the first corner
    CellReference last;     // Area*: the second corner
    uint16_t sheet = 0;     // 3-D references and NameX: the EXTERNSHEET index; Exp/Tbl: column
    uint16_t index = 0;     // Int: value; Func/FuncVar: function index; Name/NameX: name index;
                            // Attr: data word; Exp/Tbl: row; MemArea..MemFunc: size of the
                            // sub-expression
    uint8_t byte = 0;       // Err: code; Bool: 0/1; Attr: flags; FuncVar: argument count and
                            // prompt bit; Str: the string's
                            // flags as stored (bit 0: UTF-16)
    double number = 0;      // Num
    std::string text;       // Str, UTF-8
    std::vector<uint16_t> jumps;   // Attr choose: the jump table
    std::vector<uint8_t> reserved; // unused bytes kept as read (Name, NameX, Array, Mem*)

    bool operator==(const Token&) const = default;
};

// Reads a whole rgce. Throws spreadsheet::Error naming the offset of a truncated or unknown
// token.
std::vector<Token> parseTokens(std::span<const uint8_t> bytes);

// Writes tokens back; parseTokens(encodeTokens(t)) == t, and bytes that parseTokens read come
// back unchanged. New strings with a character beyond Latin-1 are written as UTF-16, the others
// one byte a character.
std::vector<uint8_t> encodeTokens(const std::vector<Token>& tokens);

// Small constructors for formulas built in code.
Token makeRef(uint16_t row, uint16_t column, bool rowRelative = true, bool columnRelative = true);
Token makeArea(uint16_t firstRow, uint16_t firstColumn, uint16_t lastRow, uint16_t lastColumn,
               bool relative = true);
Token makeArea3d(uint16_t sheet, uint16_t firstRow, uint16_t firstColumn, uint16_t lastRow,
                 uint16_t lastColumn);
Token makeInt(uint16_t value);
Token makeNumber(double value);
Token makeString(std::string text);
Token makeOperator(uint8_t id);
Token makeFunction(uint16_t function);                  // fixed argument count
Token makeFunctionVar(uint16_t function, uint8_t argc); // variable argument count

bool isOperandReference(const Token& token);

} // namespace spreadsheet::formula

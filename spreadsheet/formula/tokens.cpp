#include "tokens.h"

#include "spreadsheet/model/error.h"

#include <bit>

namespace spreadsheet::formula {

namespace {

// Little-endian reads with a bounds check on every one: a formula comes from a file and may be
// cut short anywhere.
class TokenReader
{
public:
    explicit TokenReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_offset >= m_bytes.size(); }
    size_t offset() const { return m_offset; }

    uint8_t u8() { return take(1)[0]; }
    uint16_t u16()
    {
        auto b = take(2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    double f64()
    {
        auto b = take(8);
        uint64_t bits = 0;
        for (int i = 7; i >= 0; --i)
            bits = (bits << 8) | b[static_cast<size_t>(i)];
        return std::bit_cast<double>(bits);
    }
    std::vector<uint8_t> bytes(size_t count)
    {
        auto b = take(count);
        return {b.begin(), b.end()};
    }

private:
    std::span<const uint8_t> take(size_t count)
    {
        if (count > m_bytes.size() - m_offset)
            throw Error("the formula is cut short at byte " + std::to_string(m_offset));
        auto part = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return part;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
};

class TokenWriter
{
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v)
    {
        m_bytes.push_back(static_cast<uint8_t>(v));
        m_bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void f64(double v)
    {
        auto bits = std::bit_cast<uint64_t>(v);
        for (int i = 0; i < 8; ++i)
            m_bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    void bytes(const std::vector<uint8_t>& b) { m_bytes.insert(m_bytes.end(), b.begin(), b.end()); }
    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

void appendUtf8(std::string& out, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// UTF-16 code units of UTF-8 text; malformed bytes become U+FFFD.
std::vector<uint16_t> toUtf16(const std::string& text)
{
    std::vector<uint16_t> units;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (length == 0 || i + static_cast<size_t>(length) > text.size()) {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            codePoint = (codePoint << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        i += static_cast<size_t>(length);
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 | (codePoint >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 | (codePoint & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(codePoint));
        }
    }
    return units;
}

std::string readString(TokenReader& in, uint8_t& flags)
{
    const uint8_t count = in.u8();
    flags = in.u8();
    // Formulas hold plain strings only: no rich-text runs or phonetic data.
    if ((flags & ~0x01) != 0)
        throw Error("the formula holds a text in an unknown form at byte " +
                    std::to_string(in.offset() - 1));
    std::string text;
    if ((flags & 0x01) == 0) {
        for (uint8_t i = 0; i < count; ++i)
            appendUtf8(text, in.u8());
        return text;
    }
    std::vector<uint16_t> units(count);
    for (uint16_t& unit : units)
        unit = in.u16();
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t codePoint = units[i];
        const bool pair = codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < units.size() &&
                          units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000;
        if (pair) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf8(text, codePoint); // a lone surrogate is kept as it was
    }
    return text;
}

// Written one byte a character when the text allows and it was not stored as UTF-16 before:
// the byte length must stay as read, since IF and CHOOSE jump over it.
void writeString(TokenWriter& out, const std::string& text, bool storedWide)
{
    const std::vector<uint16_t> units = toUtf16(text);
    if (units.size() > 255)
        throw Error("a text in a formula is longer than 255 characters");
    bool latin1 = !storedWide;
    for (uint16_t unit : units)
        latin1 = latin1 && unit < 0x100;
    out.u8(static_cast<uint8_t>(units.size()));
    out.u8(latin1 ? 0x00 : 0x01);
    for (uint16_t unit : units) {
        if (latin1)
            out.u8(static_cast<uint8_t>(unit));
        else
            out.u16(unit);
    }
}

// The row and column words of a reference: the column word carries the relative flags in
// bits 14 (column) and 15 (row).
CellReference readCell(TokenReader& in)
{
    CellReference cell;
    cell.row = in.u16();
    const uint16_t column = in.u16();
    cell.column = column & 0x3FFF;
    cell.columnRelative = (column & 0x4000) != 0;
    cell.rowRelative = (column & 0x8000) != 0;
    return cell;
}

uint16_t columnWord(const CellReference& cell)
{
    return static_cast<uint16_t>((cell.column & 0x3FFF) | (cell.columnRelative ? 0x4000 : 0) |
                                 (cell.rowRelative ? 0x8000 : 0));
}

// An area stores both rows first, then both columns.
void readArea(TokenReader& in, Token& token)
{
    token.first.row = in.u16();
    token.last.row = in.u16();
    const uint16_t firstColumn = in.u16();
    const uint16_t lastColumn = in.u16();
    for (auto [cell, word] : {std::pair{&token.first, firstColumn}, {&token.last, lastColumn}}) {
        cell->column = word & 0x3FFF;
        cell->columnRelative = (word & 0x4000) != 0;
        cell->rowRelative = (word & 0x8000) != 0;
    }
}

void writeArea(TokenWriter& out, const Token& token)
{
    out.u16(token.first.row);
    out.u16(token.last.row);
    out.u16(columnWord(token.first));
    out.u16(columnWord(token.last));
}

[[noreturn]] void unknownToken(uint8_t raw, size_t offset)
{
    throw Error("the formula holds an unknown token (" + std::to_string(static_cast<int>(raw)) +
                ") at byte " + std::to_string(offset));
}

Token readToken(TokenReader& in)
{
    const size_t start = in.offset();
    const uint8_t raw = in.u8();
    Token token;
    if (raw >= 0x80)
        unknownToken(raw, start);
    if (raw >= 0x20) {
        token.tokenClass = raw & 0x60;
        token.id = static_cast<uint8_t>((raw & 0x1F) | 0x20);
    } else {
        token.id = raw;
    }
    switch (token.id) {
    case ptg::Exp:
    case ptg::Tbl:
        token.index = in.u16();
        token.sheet = in.u16();
        break;
    case ptg::Str:
        token.text = readString(in, token.byte);
        break;
    case ptg::Attr:
        token.byte = in.u8();
        token.index = in.u16();
        if (token.byte & attr::Choose)
            for (uint32_t i = 0; i <= token.index; ++i)
                token.jumps.push_back(in.u16());
        break;
    case ptg::Err:
    case ptg::Bool:
        token.byte = in.u8();
        break;
    case ptg::Int:
        token.index = in.u16();
        break;
    case ptg::Num:
        token.number = in.f64();
        break;
    case ptg::Array:
        token.reserved = in.bytes(7);
        break;
    case ptg::Func:
        token.index = in.u16();
        break;
    case ptg::FuncVar:
        token.byte = in.u8();
        token.index = in.u16();
        break;
    case ptg::Name:
        token.index = in.u16();
        token.reserved = in.bytes(2);
        break;
    case ptg::Ref:
    case ptg::RefErr:
    case ptg::RefN:
        token.first = readCell(in);
        break;
    case ptg::Area:
    case ptg::AreaErr:
    case ptg::AreaN:
        readArea(in, token);
        break;
    case ptg::MemArea:
    case ptg::MemErr:
    case ptg::MemNoMem:
        token.reserved = in.bytes(4);
        token.index = in.u16();
        break;
    case ptg::MemFunc:
        token.index = in.u16();
        break;
    case ptg::NameX:
        token.sheet = in.u16();
        token.index = in.u16();
        token.reserved = in.bytes(2);
        break;
    case ptg::Ref3d:
    case ptg::RefErr3d:
        token.sheet = in.u16();
        token.first = readCell(in);
        break;
    case ptg::Area3d:
    case ptg::AreaErr3d:
        token.sheet = in.u16();
        readArea(in, token);
        break;
    default:
        if (token.id <= ptg::MissArg && token.id >= ptg::Add)
            break; // operators carry no data
        unknownToken(raw, start);
    }
    return token;
}

void writeToken(TokenWriter& out, const Token& token)
{
    out.u8(
        static_cast<uint8_t>(token.id >= 0x20 ? (token.id & 0x1F) | token.tokenClass : token.id));
    switch (token.id) {
    case ptg::Exp:
    case ptg::Tbl:
        out.u16(token.index);
        out.u16(token.sheet);
        break;
    case ptg::Str:
        writeString(out, token.text, (token.byte & 0x01) != 0);
        break;
    case ptg::Attr:
        out.u8(token.byte);
        out.u16(token.index);
        for (uint16_t jump : token.jumps)
            out.u16(jump);
        break;
    case ptg::Err:
    case ptg::Bool:
        out.u8(token.byte);
        break;
    case ptg::Int:
    case ptg::Func:
    case ptg::MemFunc:
        out.u16(token.index);
        break;
    case ptg::Num:
        out.f64(token.number);
        break;
    case ptg::FuncVar:
        out.u8(token.byte);
        out.u16(token.index);
        break;
    case ptg::Array:
        out.bytes(token.reserved);
        break;
    case ptg::Name:
        out.u16(token.index);
        out.bytes(token.reserved);
        break;
    case ptg::Ref:
    case ptg::RefErr:
    case ptg::RefN:
        out.u16(token.first.row);
        out.u16(columnWord(token.first));
        break;
    case ptg::Area:
    case ptg::AreaErr:
    case ptg::AreaN:
        writeArea(out, token);
        break;
    case ptg::MemArea:
    case ptg::MemErr:
    case ptg::MemNoMem:
        out.bytes(token.reserved);
        out.u16(token.index);
        break;
    case ptg::NameX:
        out.u16(token.sheet);
        out.u16(token.index);
        out.bytes(token.reserved);
        break;
    case ptg::Ref3d:
    case ptg::RefErr3d:
        out.u16(token.sheet);
        out.u16(token.first.row);
        out.u16(columnWord(token.first));
        break;
    case ptg::Area3d:
    case ptg::AreaErr3d:
        out.u16(token.sheet);
        writeArea(out, token);
        break;
    default:
        break;
    }
}

Token operandToken(uint8_t id)
{
    Token token;
    token.id = id;
    token.tokenClass = ptg::ClassReference;
    return token;
}

} // namespace

std::vector<Token> parseTokens(std::span<const uint8_t> bytes)
{
    TokenReader in(bytes);
    std::vector<Token> tokens;
    while (!in.atEnd())
        tokens.push_back(readToken(in));
    return tokens;
}

std::vector<uint8_t> encodeTokens(const std::vector<Token>& tokens)
{
    TokenWriter out;
    for (const Token& token : tokens)
        writeToken(out, token);
    return out.take();
}

Token makeRef(uint16_t row, uint16_t column, bool rowRelative, bool columnRelative)
{
    Token token = operandToken(ptg::Ref);
    token.tokenClass = ptg::ClassValue;
    token.first = {row, column, rowRelative, columnRelative};
    return token;
}

Token makeArea(uint16_t firstRow, uint16_t firstColumn, uint16_t lastRow, uint16_t lastColumn,
               bool relative)
{
    Token token = operandToken(ptg::Area);
    token.first = {firstRow, firstColumn, relative, relative};
    token.last = {lastRow, lastColumn, relative, relative};
    return token;
}

Token makeArea3d(uint16_t sheet, uint16_t firstRow, uint16_t firstColumn, uint16_t lastRow,
                 uint16_t lastColumn)
{
    Token token = makeArea(firstRow, firstColumn, lastRow, lastColumn, false);
    token.id = ptg::Area3d;
    token.sheet = sheet;
    return token;
}

Token makeInt(uint16_t value)
{
    Token token;
    token.id = ptg::Int;
    token.index = value;
    return token;
}

Token makeNumber(double value)
{
    Token token;
    token.id = ptg::Num;
    token.number = value;
    return token;
}

Token makeString(std::string text)
{
    Token token;
    token.id = ptg::Str;
    token.text = std::move(text);
    return token;
}

Token makeOperator(uint8_t id)
{
    Token token;
    token.id = id;
    return token;
}

Token makeFunction(uint16_t function)
{
    Token token = operandToken(ptg::Func);
    token.tokenClass = ptg::ClassValue;
    token.index = function;
    return token;
}

Token makeFunctionVar(uint16_t function, uint8_t argc)
{
    Token token = makeFunction(function);
    token.id = ptg::FuncVar;
    token.byte = argc;
    return token;
}

bool isOperandReference(const Token& token)
{
    switch (token.id) {
    case ptg::Ref:
    case ptg::Area:
    case ptg::RefN:
    case ptg::AreaN:
    case ptg::Ref3d:
    case ptg::Area3d:
        return true;
    default:
        return false;
    }
}

} // namespace spreadsheet::formula

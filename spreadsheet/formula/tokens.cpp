#include "spreadsheet/formula/tokens.h"

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/byte_writer.h"
#include "spreadsheet/biff/strings.h"
#include "spreadsheet/model/error.h"

namespace spreadsheet::formula {

namespace {

using spreadsheet::biff::ByteReader;
using spreadsheet::biff::ByteWriter;
using spreadsheet::biff::LoneSurrogates;

std::string readString(ByteReader& in, uint8_t& flags)
{
    const uint8_t count = in.u8();
    flags = in.u8();
    // Formulas hold plain strings only: no rich-text runs or phonetic data.
    if ((flags & ~0x01) != 0)
        throw Error("the formula holds a text in an unknown form at byte " +
                    std::to_string(in.position() - 1));
    std::u16string units;
    in.readCharacters(count, (flags & 0x01) != 0, units);
    std::string text;
    biff::appendUtf8(units, text, LoneSurrogates::Keep);
    return text;
}

// Written one byte a character when the text allows and it was not stored as UTF-16 before:
// the byte length must stay as read, since IF and CHOOSE jump over it.
void writeString(ByteWriter& out, const std::string& text, bool storedWide)
{
    std::u16string units;
    biff::toUtf16(text, units, LoneSurrogates::Keep);
    if (units.size() > 255)
        throw Error("a text in a formula is longer than 255 characters");
    const bool latin1 = !storedWide && biff::isCompressible(units);
    out.u8(static_cast<uint8_t>(units.size()));
    out.u8(latin1 ? 0x00 : 0x01);
    for (char16_t unit : units) {
        if (latin1)
            out.u8(static_cast<uint8_t>(unit));
        else
            out.u16(unit);
    }
}

// The row and column words of a reference: the column word carries the relative flags in
// bits 14 (column) and 15 (row).
CellReference readCell(ByteReader& in)
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
void readArea(ByteReader& in, Token& token)
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

void writeArea(ByteWriter& out, const Token& token)
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

Token readToken(ByteReader& in)
{
    const size_t start = in.position();
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
        token.reserved = in.copy(7);
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
        token.reserved = in.copy(2);
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
        token.reserved = in.copy(4);
        token.index = in.u16();
        break;
    case ptg::MemFunc:
        token.index = in.u16();
        break;
    case ptg::NameX:
        token.sheet = in.u16();
        token.index = in.u16();
        token.reserved = in.copy(2);
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

void writeToken(ByteWriter& out, const Token& token)
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
    ByteReader in(bytes, "the formula");
    std::vector<Token> tokens;
    while (!in.atEnd())
        tokens.push_back(readToken(in));
    return tokens;
}

std::vector<uint8_t> encodeTokens(const std::vector<Token>& tokens)
{
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    for (const Token& token : tokens)
        writeToken(out, token);
    return bytes;
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

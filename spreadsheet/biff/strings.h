#pragma once

// Text in BIFF8: UTF-16 code units, stored one byte each ("compressed", for text that is all
// Latin-1) or two. The model holds UTF-8.

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/byte_writer.h"

#include <string>
#include <string_view>

namespace spreadsheet::biff {

// What becomes of a surrogate code unit without its partner. Text for a cell or a name is
// cleaned (U+FFFD). A formula's strings are kept as the three-byte form of the lone unit, which
// reads back to the same unit: the formula is written back byte for byte as it was read.
enum class LoneSurrogates
{
    Replace,
    Keep,
};

void appendUtf8(std::u16string_view units, std::string& utf8,
                LoneSurrogates lone = LoneSurrogates::Replace);
std::string toUtf8(std::u16string_view units);
// UTF-8 to UTF-16; malformed bytes become U+FFFD.
void toUtf16(std::string_view utf8, std::u16string& units,
             LoneSurrogates lone = LoneSurrogates::Replace);
size_t utf16Length(std::string_view utf8);
bool isCompressible(std::u16string_view units);

// The characters after a string's option byte, `count` code units long.
std::string readCharacters(ByteReader& in, size_t count);
// ShortXLUnicodeString: 8-bit length, option byte, characters.
std::string readShortString(ByteReader& in);
// XLUnicodeString: 16-bit length, option byte, characters.
std::string readString(ByteReader& in);
// XLUnicodeString that ends its record (HEADER, FOOTER, FORMAT, STYLE), read as forgivingly as
// the spreadsheet programs read it: a length with no option byte after it at the record's end
// is an empty string, and characters that run past the record are cut at its end.
std::string readTrailingString(ByteReader& in);
// XLUnicodeStringNoCch: option byte and `count` characters.
std::string readStringNoLength(ByteReader& in, size_t count);

void writeShortString(ByteWriter& out, std::string_view utf8);
void writeString(ByteWriter& out, std::string_view utf8);
void writeStringNoLength(ByteWriter& out, std::string_view utf8);

} // namespace spreadsheet::biff

#include "spreadsheet/biff/strings.h"

#include "spreadsheet/model/error.h"

#include <algorithm>

namespace spreadsheet::biff {

namespace {

// Writes the UTF-8 form of `c` at `out`; returns the end of what it wrote.
char* encodeCodePoint(uint32_t c, char* out)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

bool isSurrogate(uint32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

// Decodes one code point from `utf8` at `i`, advancing `i`; U+FFFD for a malformed sequence.
uint32_t decodeUtf8(std::string_view utf8, size_t& i, LoneSurrogates lone)
{
    const auto byte = [&](size_t k) { return uint8_t(utf8[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    uint32_t c = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + length > utf8.size()) {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    if (c < minimum || c > 0x10FFFF || (isSurrogate(c) && lone == LoneSurrogates::Replace))
        return 0xFFFD;
    return c;
}

} // namespace

void appendUtf8(std::u16string_view units, std::string& utf8, LoneSurrogates lone)
{
    // Room for the worst case (three bytes a unit), written through a pointer and trimmed.
    const size_t start = utf8.size();
    utf8.resize(start + units.size() * 3);
    char* out = utf8.data() + start;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i; // two units, four bytes: within the room of six
        } else if (isSurrogate(c) && lone == LoneSurrogates::Replace) {
            c = 0xFFFD;
        }
        out = encodeCodePoint(c, out);
    }
    utf8.resize(size_t(out - utf8.data()));
}

std::string toUtf8(std::u16string_view units)
{
    std::string utf8;
    utf8.reserve(units.size());
    appendUtf8(units, utf8);
    return utf8;
}

void toUtf16(std::string_view utf8, std::u16string& units, LoneSurrogates lone)
{
    // Never more units than bytes: room for all, written through a pointer and trimmed.
    units.resize(utf8.size());
    char16_t* out = units.data();
    size_t i = 0;
    while (i < utf8.size()) {
        if (uint8_t(utf8[i]) < 0x80) {
            *out++ = char16_t(utf8[i++]);
            continue;
        }
        const uint32_t c = decodeUtf8(utf8, i, lone);
        if (c >= 0x10000) {
            *out++ = char16_t(0xD800 + ((c - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *out++ = char16_t(c);
        }
    }
    units.resize(size_t(out - units.data()));
}

size_t utf16Length(std::string_view utf8)
{
    size_t length = 0;
    size_t i = 0;
    while (i < utf8.size())
        length += decodeUtf8(utf8, i, LoneSurrogates::Replace) >= 0x10000 ? 2 : 1;
    return length;
}

bool isCompressible(std::u16string_view units)
{
    for (char16_t unit : units)
        if (unit > 0xFF)
            return false;
    return true;
}

std::string readCharacters(ByteReader& in, size_t count)
{
    // Always a fresh option byte here: readCharacters() of ByteReader handles those that
    // CONTINUE boundaries insert later.
    const uint8_t options = in.u8();
    std::u16string units;
    units.reserve(count);
    in.readCharacters(count, (options & 0x01) != 0, units);
    return toUtf8(units);
}

std::string readShortString(ByteReader& in)
{
    const uint8_t count = in.u8();
    return readCharacters(in, count);
}

std::string readString(ByteReader& in)
{
    const uint16_t count = in.u16();
    return readCharacters(in, count);
}

std::string readTrailingString(ByteReader& in)
{
    const uint16_t count = in.u16();
    if (in.atEnd())
        return {};
    const bool highByte = (in.u8() & 0x01) != 0;
    const size_t fits = in.remaining() / (highByte ? 2 : 1);
    std::u16string units;
    in.readCharacters(std::min<size_t>(count, fits), highByte, units);
    return toUtf8(units);
}

std::string readStringNoLength(ByteReader& in, size_t count)
{
    return readCharacters(in, count);
}

namespace {

void writeCharacters(ByteWriter& out, const std::u16string& units)
{
    const bool compressed = isCompressible(units);
    out.u8(compressed ? 0x00 : 0x01);
    for (char16_t unit : units) {
        if (compressed)
            out.u8(uint8_t(unit));
        else
            out.u16(unit);
    }
}

std::u16string encode(std::string_view utf8, size_t maximum, const char* what)
{
    std::u16string units;
    toUtf16(utf8, units);
    if (units.size() > maximum)
        throw Error(std::string(what) + " is longer than " + std::to_string(maximum) +
                    " characters: \"" + std::string(utf8.substr(0, 40)) + "...\"");
    return units;
}

} // namespace

void writeShortString(ByteWriter& out, std::string_view utf8)
{
    const std::u16string units = encode(utf8, 255, "a name");
    out.u8(uint8_t(units.size()));
    writeCharacters(out, units);
}

void writeString(ByteWriter& out, std::string_view utf8)
{
    const std::u16string units = encode(utf8, 65535, "a text");
    out.u16(uint16_t(units.size()));
    writeCharacters(out, units);
}

void writeStringNoLength(ByteWriter& out, std::string_view utf8)
{
    std::u16string units;
    toUtf16(utf8, units);
    writeCharacters(out, units);
}

} // namespace spreadsheet::biff

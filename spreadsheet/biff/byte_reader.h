#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace spreadsheet::biff {

// Reads little-endian values from a record body or a formula. Every read is checked against the end
// of the data and throws spreadsheet::Error rather than reading past it.
//
// A body joined from a record and its CONTINUE records remembers where each CONTINUE began
// (`boundaries`, offsets into the joined data): the characters of a string that straddles such a
// boundary restart with a fresh option byte, which readCharacters() consumes.
class ByteReader
{
public:
    explicit ByteReader(std::span<const uint8_t> data, std::span<const size_t> boundaries = {})
        : m_data(data), m_boundaries(boundaries)
    {
    }
    // `what` names the data in the message of a read past its end ("the formula").
    ByteReader(std::span<const uint8_t> data, const char* what) : m_data(data), m_what(what) {}

    size_t position() const { return m_position; }
    size_t size() const { return m_data.size(); }
    size_t remaining() const { return m_data.size() - m_position; }
    bool atEnd() const { return m_position == m_data.size(); }

    uint8_t u8()
    {
        need(1);
        return m_data[m_position++];
    }
    uint16_t u16()
    {
        need(2);
        const uint16_t value = uint16_t(m_data[m_position] | (m_data[m_position + 1] << 8));
        m_position += 2;
        return value;
    }
    uint32_t u32()
    {
        need(4);
        const uint8_t* p = m_data.data() + m_position;
        m_position += 4;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
               (uint32_t(p[3]) << 24);
    }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    double f64();
    std::span<const uint8_t> bytes(size_t count)
    {
        need(count);
        auto result = m_data.subspan(m_position, count);
        m_position += count;
        return result;
    }
    std::vector<uint8_t> copy(size_t count)
    {
        auto span = bytes(count);
        return {span.begin(), span.end()};
    }
    void skip(size_t count)
    {
        need(count);
        m_position += count;
    }

    // Appends `count` UTF-16 code units, stored one byte each (`highByte` false) or two, to
    // `units`, following the option byte that each CONTINUE boundary inside them inserts.
    void readCharacters(size_t count, bool highByte, std::u16string& units);

private:
    void need(size_t count) const
    {
        if (count > m_data.size() - m_position)
            throwShort(count);
    }
    [[noreturn]] void throwShort(size_t count) const;

    std::span<const uint8_t> m_data;
    std::span<const size_t> m_boundaries;
    const char* m_what = "a record";
    size_t m_position = 0;
    size_t m_nextBoundary = 0; // index into m_boundaries of the first boundary past m_position
};

} // namespace spreadsheet::biff

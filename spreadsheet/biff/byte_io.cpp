#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/byte_writer.h"

#include "spreadsheet/model/error.h"

#include <algorithm>
#include <bit>

namespace spreadsheet::biff {

double ByteReader::f64()
{
    const uint32_t low = u32();
    const uint32_t high = u32();
    return std::bit_cast<double>(uint64_t(high) << 32 | low);
}

void ByteReader::throwShort(size_t count) const
{
    throw Error(std::string(m_what) + " is shorter than its contents (" + std::to_string(count) +
                " bytes needed at offset " + std::to_string(m_position) + " of " +
                std::to_string(m_data.size()) + ")");
}

void ByteReader::readCharacters(size_t count, bool highByte, std::u16string& units)
{
    while (count > 0) {
        while (m_nextBoundary < m_boundaries.size() && m_boundaries[m_nextBoundary] < m_position)
            ++m_nextBoundary;
        if (m_nextBoundary < m_boundaries.size() && m_boundaries[m_nextBoundary] == m_position) {
            // A CONTINUE record inside the characters repeats the option byte, and the width may
            // change there.
            highByte = (u8() & 0x01) != 0;
            ++m_nextBoundary;
        }
        const size_t end =
            m_nextBoundary < m_boundaries.size() ? m_boundaries[m_nextBoundary] : m_data.size();
        const size_t width = highByte ? 2 : 1;
        size_t available = (end - m_position) / width;
        if (available == 0)
            throwShort(width);
        const size_t take = std::min(available, count);
        const uint8_t* p = m_data.data() + m_position;
        if (highByte) {
            for (size_t i = 0; i < take; ++i)
                units.push_back(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
        } else {
            units.append(p, p + take);
        }
        m_position += take * width;
        count -= take;
    }
}

void ByteWriter::f64(double value)
{
    const auto bits = std::bit_cast<uint64_t>(value);
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = uint8_t(bits >> (8 * i));
    m_out.insert(m_out.end(), bytes, bytes + 8);
}

} // namespace spreadsheet::biff

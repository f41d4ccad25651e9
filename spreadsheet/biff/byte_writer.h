#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace spreadsheet::biff {

// Appends little-endian values to a byte buffer.
class ByteWriter
{
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : m_out(out) {}

    size_t position() const { return m_out.size(); }
    std::vector<uint8_t>& buffer() { return m_out; }

    void u8(uint8_t value) { m_out.push_back(value); }
    void u16(uint16_t value)
    {
        const uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
        m_out.insert(m_out.end(), bytes, bytes + 2);
    }
    void u32(uint32_t value)
    {
        const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                  uint8_t(value >> 24)};
        m_out.insert(m_out.end(), bytes, bytes + 4);
    }
    void f64(double value);
    void bytes(std::span<const uint8_t> data)
    {
        m_out.insert(m_out.end(), data.begin(), data.end());
    }
    void zeros(size_t count) { m_out.insert(m_out.end(), count, 0); }

    void patchU16(size_t at, uint16_t value)
    {
        m_out[at] = uint8_t(value);
        m_out[at + 1] = uint8_t(value >> 8);
    }
    void patchU32(size_t at, uint32_t value)
    {
        patchU16(at, uint16_t(value));
        patchU16(at + 2, uint16_t(value >> 16));
    }

private:
    std::vector<uint8_t>& m_out;
};

} // namespace spreadsheet::biff

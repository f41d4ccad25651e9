#pragma once

// Little-endian reading and writing of the picture file's values. The reader checks every read
// against the end of the data: a read past it fails (and so does every read after it) instead of
// touching memory that is not there.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace spreadsheet::render {

class ByteSink
{
public:
    void u8(uint8_t value) { *room(1) = static_cast<char>(value); }
    void u16(uint16_t value) { put(value, 2); }
    void u32(uint32_t value) { put(value, 4); }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void f64(double value) { put(std::bit_cast<uint64_t>(value), 8); }
    // Byte count (u32) and UTF-8.
    void text(const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        u32(static_cast<uint32_t>(utf8.size()));
        std::memcpy(room(static_cast<size_t>(utf8.size())), utf8.constData(),
                    static_cast<size_t>(utf8.size()));
    }
    void reserve(size_t bytes) { m_bytes.resize(std::max(bytes, m_bytes.size())); }
    // Forgets the bytes written so far, keeping the room they took.
    void clear() { m_used = 0; }
    const char* data() const { return m_bytes.data(); }
    qint64 size() const { return static_cast<qint64>(m_used); }

private:
    // The low `count` bytes of `value`, least significant first.
    void put(uint64_t value, size_t count)
    {
        char* out = room(count);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &value, count);
        } else {
            for (size_t i = 0; i < count; ++i)
                out[i] = static_cast<char>(value >> (8 * i));
        }
    }
    char* room(size_t count)
    {
        if (m_bytes.size() - m_used < count)
            grow(count);
        char* out = m_bytes.data() + m_used;
        m_used += count;
        return out;
    }

    void grow(size_t count) { m_bytes.resize(std::max(2 * m_bytes.size(), m_used + count)); }

    std::vector<char> m_bytes; // [0, m_used) written, the rest room to write into
    size_t m_used = 0;
};

class ByteCursor
{
public:
    explicit ByteCursor(const QByteArray& bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    qint64 left() const { return m_bytes.size() - m_position; }

    uint8_t u8()
    {
        if (!need(1))
            return 0;
        return static_cast<uint8_t>(m_bytes[m_position++]);
    }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    double f64() { return std::bit_cast<double>(take(8)); }
    // `count` bytes as UTF-8 text; an empty string (and the cursor failed) when fewer are left.
    QString utf8(uint32_t count)
    {
        if (!need(count))
            return {};
        const QString text =
            QString::fromUtf8(m_bytes.constData() + m_position, static_cast<qsizetype>(count));
        m_position += count;
        return text;
    }

private:
    // `count` bytes, least significant first; 0 (and the cursor failed) when fewer are left.
    uint64_t take(qint64 count)
    {
        if (!need(count))
            return 0;
        uint64_t value = 0;
        const char* in = m_bytes.constData() + m_position;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, in, static_cast<size_t>(count));
        } else {
            for (qint64 i = 0; i < count; ++i)
                value |= uint64_t(static_cast<uint8_t>(in[i])) << (8 * i);
        }
        m_position += count;
        return value;
    }
    bool need(qint64 count)
    {
        if (!m_ok || count > left())
            m_ok = false;
        return m_ok;
    }

    const QByteArray& m_bytes;
    qsizetype m_position = 0;
    bool m_ok = true;
};

} // namespace spreadsheet::render

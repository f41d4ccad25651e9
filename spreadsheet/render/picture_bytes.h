#pragma once

// Little-endian reading and writing of the picture file's values. The reader checks every read
// against the end of the data: a read past it fails (and so does every read after it) instead of
// touching memory that is not there.

#include <QByteArray>
#include <QString>

#include <bit>
#include <cstdint>
#include <cstring>

namespace spreadsheet::render {

class ByteSink
{
public:
    void u8(uint8_t value) { m_bytes.append(static_cast<char>(value)); }
    void u16(uint16_t value)
    {
        u8(static_cast<uint8_t>(value));
        u8(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value)
    {
        u16(static_cast<uint16_t>(value));
        u16(static_cast<uint16_t>(value >> 16));
    }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    void f64(double value)
    {
        const auto bits = std::bit_cast<uint64_t>(value);
        u32(static_cast<uint32_t>(bits));
        u32(static_cast<uint32_t>(bits >> 32));
    }
    // Byte count (u32) and UTF-8.
    void text(const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        u32(static_cast<uint32_t>(utf8.size()));
        m_bytes.append(utf8);
    }
    void reserve(qsizetype bytes) { m_bytes.reserve(bytes); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
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
    uint16_t u16()
    {
        const uint16_t low = u8();
        return static_cast<uint16_t>(low | (u8() << 8));
    }
    uint32_t u32()
    {
        const uint32_t low = u16();
        return low | (static_cast<uint32_t>(u16()) << 16);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    double f64()
    {
        const uint64_t low = u32();
        return std::bit_cast<double>(low | (static_cast<uint64_t>(u32()) << 32));
    }
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

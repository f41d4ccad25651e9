#include "spreadsheet/biff/record_stream.h"

#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/model/error.h"

#include <algorithm>
#include <bit>

namespace spreadsheet::biff {

bool RecordReader::next(Record& record)
{
    if (m_position >= m_stream.size())
        return false;
    if (m_stream.size() - m_position < 4)
        throw Error("the stream ends inside a record header at offset " +
                    std::to_string(m_position));
    ByteReader header(m_stream.subspan(m_position, 4));
    const uint16_t type = header.u16();
    const size_t length = header.u16();
    if (m_stream.size() - m_position - 4 < length) {
        m_cutMessage = "record " + std::to_string(type) + " at offset " +
                       std::to_string(m_position) + " runs past the end of the stream";
        m_position = m_stream.size();
        return false;
    }
    record.type = type;
    record.offset = m_position;
    record.data = m_stream.subspan(m_position + 4, length);
    m_position += 4 + length;
    return true;
}

int RecordReader::peekType() const
{
    if (m_stream.size() - std::min(m_position, m_stream.size()) < 4)
        return -1;
    return ByteReader(m_stream.subspan(m_position, 2)).u16();
}

void RecordReader::seek(size_t offset)
{
    if (offset >= m_stream.size())
        throw Error("a sheet starts at offset " + std::to_string(offset) +
                    ", past the end of the workbook stream");
    m_position = offset;
    m_cutMessage.clear();
}

ContinuedRecord readContinued(RecordReader& records, const Record& first)
{
    ContinuedRecord joined;
    joined.data.assign(first.data.begin(), first.data.end());
    Record part;
    while (records.peekType() == kContinue && records.next(part)) {
        joined.boundaries.push_back(joined.data.size());
        joined.data.insert(joined.data.end(), part.data.begin(), part.data.end());
    }
    return joined;
}

ByteWriter& RecordWriter::begin(uint16_t type)
{
    m_header = m_writer.position();
    m_writer.u16(type);
    m_writer.u16(0);
    return m_writer;
}

void RecordWriter::end()
{
    const size_t bodyStart = m_header + 4;
    size_t length = m_writer.position() - bodyStart;
    if (length <= kMaxRecordBody) {
        m_writer.patchU16(m_header + 2, uint16_t(length));
        return;
    }
    // Cut the body into pieces of kMaxRecordBody, each after the first behind a CONTINUE header.
    std::vector<uint8_t>& out = m_writer.buffer();
    std::vector<uint8_t> rest(out.begin() + std::ptrdiff_t(bodyStart + kMaxRecordBody), out.end());
    out.resize(bodyStart + kMaxRecordBody);
    m_writer.patchU16(m_header + 2, uint16_t(kMaxRecordBody));
    for (size_t at = 0; at < rest.size(); at += kMaxRecordBody) {
        const size_t piece = std::min(kMaxRecordBody, rest.size() - at);
        m_writer.u16(kContinue);
        m_writer.u16(uint16_t(piece));
        m_writer.bytes(std::span(rest).subspan(at, piece));
    }
}

void RecordWriter::record(uint16_t type, std::span<const uint8_t> body)
{
    begin(type);
    m_writer.bytes(body);
    end();
}

void RecordWriter::u16Record(uint16_t type, uint16_t value)
{
    begin(type);
    m_writer.u16(value);
    end();
}

SplitRecordWriter::SplitRecordWriter(RecordWriter& records, uint16_t type) : m_records(records)
{
    m_recordStart = records.position();
    records.begin(type);
}

size_t SplitRecordWriter::room() const
{
    return kMaxRecordBody - (m_records.position() - m_recordStart - 4);
}

void SplitRecordWriter::startContinue()
{
    m_records.end();
    m_recordStart = m_records.position();
    m_records.begin(kContinue);
}

void SplitRecordWriter::keepTogether(size_t count)
{
    if (count > room())
        startContinue();
}

void SplitRecordWriter::characters(std::span<const char16_t> units, bool compressed)
{
    const size_t width = compressed ? 1 : 2;
    ByteWriter& out = m_records.bytes();
    size_t at = 0;
    while (at < units.size()) {
        size_t fit = room() / width;
        if (fit == 0) {
            startContinue();
            out.u8(compressed ? 0x00 : 0x01);
            continue;
        }
        const size_t take = std::min(fit, units.size() - at);
        std::vector<uint8_t>& buffer = out.buffer();
        const size_t start = buffer.size();
        buffer.resize(start + take * width);
        uint8_t* p = buffer.data() + start;
        if (compressed) {
            for (size_t i = 0; i < take; ++i)
                p[i] = uint8_t(units[at + i]);
        } else {
            for (size_t i = 0; i < take; ++i) {
                p[2 * i] = uint8_t(units[at + i]);
                p[2 * i + 1] = uint8_t(units[at + i] >> 8);
            }
        }
        at += take;
    }
}

void SplitRecordWriter::finish()
{
    m_records.end();
}

} // namespace spreadsheet::biff

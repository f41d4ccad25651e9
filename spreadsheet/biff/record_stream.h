#pragma once

// The BIFF record stream: a sequence of records, each a 4-byte header (type, body length) and
// its body. Bodies longer than kMaxRecordBody continue in CONTINUE records; joining them on
// reading and splitting them on writing happens here and nowhere else.

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/byte_writer.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace spreadsheet::biff {

inline constexpr size_t kMaxRecordBody = 8224;

struct Record
{
    uint16_t type = 0;
    std::span<const uint8_t> data;
    size_t offset = 0; // stream position of the header
};

class RecordReader
{
public:
    explicit RecordReader(std::span<const uint8_t> stream) : m_stream(stream) {}

    // The next record; false at the end of the stream. A record whose body claims more bytes
    // than the stream has left ends the stream as well (cutShort() then tells so), because the
    // spreadsheet programs keep what came before such a record rather than refuse the file.
    // Throws spreadsheet::Error when the stream ends inside a record header.
    bool next(Record& record);
    // Whether next() stopped at a record that runs past the end of the stream.
    bool cutShort() const { return !m_cutMessage.empty(); }
    // Says which record ran past the end; empty unless cutShort().
    const std::string& cutMessage() const { return m_cutMessage; }
    // The type of the record next() would return; -1 at the end of the stream.
    int peekType() const;
    void seek(size_t offset);
    size_t position() const { return m_position; }
    size_t size() const { return m_stream.size(); }

private:
    std::span<const uint8_t> m_stream;
    size_t m_position = 0;
    std::string m_cutMessage;
};

// A record body joined with the bodies of the CONTINUE records that follow it.
struct ContinuedRecord
{
    std::vector<uint8_t> data;
    std::vector<size_t> boundaries; // where each CONTINUE body starts in `data`
    ByteReader reader() const { return ByteReader(data, boundaries); }
};

// Joins `first` with the CONTINUE records that follow it, consuming them from `records`.
ContinuedRecord readContinued(RecordReader& records, const Record& first);

class RecordWriter
{
public:
    explicit RecordWriter(std::vector<uint8_t>& out) : m_writer(out) {}

    size_t position() const { return m_writer.position(); }
    ByteWriter& bytes() { return m_writer; }

    // Starts a record whose body the caller then appends through bytes(); end() completes it,
    // splitting a body longer than kMaxRecordBody into CONTINUE records.
    ByteWriter& begin(uint16_t type);
    void end();

    void record(uint16_t type, std::span<const uint8_t> body);
    void empty(uint16_t type) { record(type, {}); }
    void u16Record(uint16_t type, uint16_t value);

private:
    ByteWriter m_writer;
    size_t m_header = 0;
};

// Writes one record whose body must be split by content-aware rules, as the shared string table
// is: some byte groups must stay in one physical record, and a run of characters may break only
// between characters, the continuation starting with the option byte again.
class SplitRecordWriter
{
public:
    SplitRecordWriter(RecordWriter& records, uint16_t type);
    ~SplitRecordWriter() = default;

    ByteWriter& bytes() { return m_records.bytes(); }
    // Starts a CONTINUE record unless the next `count` bytes fit into the current one.
    void keepTogether(size_t count);
    // Appends UTF-16 characters, one byte each when `compressed`.
    void characters(std::span<const char16_t> units, bool compressed);
    // Stream position of the current physical record's header.
    size_t recordStart() const { return m_recordStart; }
    void finish();

private:
    size_t room() const;
    void startContinue();

    RecordWriter& m_records;
    size_t m_recordStart = 0;
};

} // namespace spreadsheet::biff

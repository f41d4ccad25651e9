#include "spreadsheet/biff/sst_records.h"

#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/strings.h"

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

#include <algorithm>

namespace spreadsheet::biff {

// SST
//   0  4  cstTotal   number of references to the table in the workbook
//   4  4  cstUnique  number of strings that follow
//   8  var  XLUnicodeRichExtendedString each:
//        0  2  cch       characters
//        2  1  options   bit 0 two bytes a character, bit 2 phonetic block, bit 3 rich text
//        .. 2  cRun      rich text runs (when bit 3)
//        .. 4  cbExtRst  size of the phonetic block (when bit 2)
//        .. var  characters; a CONTINUE inside them starts with the option byte again
//        .. 4*cRun  runs: character position, font index
//        .. cbExtRst  phonetic block (not kept)
void readSst(const ContinuedRecord& sst, size_t fontCount, StringTable& strings)
{
    ByteReader in = sst.reader();
    in.skip(4);
    const uint32_t unique = in.u32();
    std::u16string units;
    for (uint32_t i = 0; i < unique; ++i) {
        // Some writers count more strings than they store; stop cleanly at the end.
        if (in.atEnd())
            break;
        const uint16_t length = in.u16();
        const uint8_t options = in.u8();
        const uint16_t runCount = (options & 0x08) ? in.u16() : 0;
        const uint32_t phoneticSize = (options & 0x04) ? in.u32() : 0;
        units.clear();
        in.readCharacters(length, (options & 0x01) != 0, units);
        SharedString string;
        appendUtf8(units, string.text);
        if (runCount > 0) {
            if (size_t(runCount) * 4 > in.remaining())
                throw Error("a shared string has more formatting runs than the table holds");
            string.runs.reserve(runCount);
            for (uint16_t r = 0; r < runCount; ++r) {
                const uint16_t position = in.u16();
                const uint16_t font = fontIndexFromFile(in.u16());
                string.runs.emplace_back(position, font < fontCount ? font : 0);
            }
        }
        in.skip(phoneticSize);
        strings.add(std::move(string));
    }
}

// EXTSST
//   0  2  dsst   strings per bucket
//   2  8*n       for the first string of each bucket: stream position (4), position within
//                its SST or CONTINUE record counted from the record header (2), reserved (2)
void writeSst(RecordWriter& out, const StringTable& strings, uint32_t references)
{
    const uint32_t count = strings.size();
    const uint32_t perBucket = std::max<uint32_t>(8, count / 128 + 1);
    std::vector<std::pair<uint32_t, uint16_t>> buckets;
    buckets.reserve(count / perBucket + 1);

    SplitRecordWriter sst(out, kSst);
    ByteWriter& w = sst.bytes();
    w.u32(references);
    w.u32(count);
    std::u16string units;
    for (uint32_t i = 0; i < count; ++i) {
        const SharedString& string = strings.at(i);
        toUtf16(string.text, units);
        if (units.size() > kMaxCellTextLength)
            throw Error("a text of " + withThousands(units.size()) +
                        " characters is longer than the 32,767 characters a cell can hold: \"" +
                        string.text.substr(0, 30) + "...\"");
        const bool compressed = isCompressible(units);
        const bool rich = !string.runs.empty();
        // The header and the first character stay together; a string never starts with a
        // CONTINUE's repeated option byte.
        sst.keepTogether(3 + (rich ? 2 : 0) + (units.empty() ? 0 : (compressed ? 1 : 2)));
        if (i % perBucket == 0)
            buckets.emplace_back(uint32_t(w.position()),
                                 uint16_t(w.position() - sst.recordStart()));
        w.u16(uint16_t(units.size()));
        w.u8(uint8_t((compressed ? 0x00 : 0x01) | (rich ? 0x08 : 0x00)));
        if (rich)
            w.u16(uint16_t(std::min<size_t>(string.runs.size(), 0xFFFF)));
        sst.characters(units, compressed);
        for (size_t r = 0; r < string.runs.size() && r < 0xFFFF; ++r) {
            sst.keepTogether(4);
            w.u16(string.runs[r].first);
            w.u16(fontIndexToFile(string.runs[r].second));
        }
    }
    sst.finish();

    ByteWriter& e = out.begin(kExtSst);
    e.u16(uint16_t(perBucket));
    for (const auto& [position, inRecord] : buckets) {
        e.u32(position);
        e.u16(inRecord);
        e.u16(0);
    }
    out.end();
}

} // namespace spreadsheet::biff

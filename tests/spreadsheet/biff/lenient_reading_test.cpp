// Files that the spreadsheet programs people use open although they bend the format, and files
// that are no Excel 97-2003 workbook at all, which must be named for what they are.

#include "tests/spreadsheet/biff/rich_workbook.h"

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

#include <functional>

using namespace spreadsheet;
using namespace spreadsheet::biff;

namespace {

struct RecordPlace
{
    uint16_t type;
    size_t offset;
    size_t length;
};

std::vector<RecordPlace> recordsOf(const std::vector<uint8_t>& stream)
{
    std::vector<RecordPlace> places;
    RecordReader records(stream);
    Record record;
    while (records.next(record))
        places.push_back({record.type, record.offset, record.data.size()});
    return places;
}

// `stream` with the body of the first record of `type` replaced by `body`, and the BOUNDSHEET
// offsets moved to where the sheets' BOFs now are.
std::vector<uint8_t> withBody(const std::vector<uint8_t>& stream, uint16_t type,
                              const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> out;
    bool replaced = false;
    for (const RecordPlace& place : recordsOf(stream)) {
        const bool replace = !replaced && place.type == type;
        replaced = replaced || replace;
        const auto start = stream.begin() + std::ptrdiff_t(place.offset + 4);
        const std::vector<uint8_t> data =
            replace ? body : std::vector<uint8_t>(start, start + std::ptrdiff_t(place.length));
        out.push_back(uint8_t(place.type));
        out.push_back(uint8_t(place.type >> 8));
        out.push_back(uint8_t(data.size()));
        out.push_back(uint8_t(data.size() >> 8));
        out.insert(out.end(), data.begin(), data.end());
    }
    EXPECT_TRUE(replaced) << "no record " << type;
    std::vector<size_t> boundSheets;
    std::vector<size_t> sheetBofs;
    for (const RecordPlace& place : recordsOf(out)) {
        if (place.type == kBoundSheet)
            boundSheets.push_back(place.offset + 4);
        else if (place.type == kBof && place.offset > 0)
            sheetBofs.push_back(place.offset);
    }
    for (size_t i = 0; i < boundSheets.size() && i < sheetBofs.size(); ++i)
        for (int b = 0; b < 4; ++b)
            out[boundSheets[i] + size_t(b)] = uint8_t(sheetBofs[i] >> (8 * b));
    return out;
}

const std::vector<uint8_t>& richStream()
{
    static const std::vector<uint8_t> stream = writeWorkbookStream(samples::richWorkbook(), {});
    return stream;
}

std::string readError(const std::vector<uint8_t>& file)
{
    try {
        readWorkbookBytes(file, "in.xls");
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(LenientReading, RecordsThatBendTheFormatAreRead)
{
    struct Case
    {
        const char* name;
        uint16_t type;
        std::vector<uint8_t> body;
        std::function<void(const Workbook&)> check;
    };
    const Case cases[] = {
        {"HEADER of a bare zero length",
         kHeader,
         {0, 0},
         [](const Workbook& wb) { EXPECT_EQ(wb.sheets[0].pageSetup.header, ""); }},
        {"FOOTER of a bare zero length",
         kFooter,
         {0, 0},
         [](const Workbook& wb) { EXPECT_EQ(wb.sheets[0].pageSetup.footer, ""); }},
        {"FORMAT whose string runs one byte past the record",
         kFormat,
         {200, 0, 5, 0, 0, '0', '.', '0', '0'},
         [](const Workbook& wb) { EXPECT_EQ(wb.numberFormats.at(200), "0.00"); }},
        {"FORMAT of two-byte characters cut inside one",
         kFormat,
         {200, 0, 2, 0, 1, '0', 0, '%'},
         [](const Workbook& wb) { EXPECT_EQ(wb.numberFormats.at(200), "0"); }},
        {"user-defined STYLE of four zero bytes",
         kStyle,
         {0, 0, 0, 0},
         [](const Workbook& wb) {
             for (const CellStyle& style : wb.styles)
                 EXPECT_TRUE(style.builtIn || !style.name.empty());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto stream = withBody(richStream(), c.type, c.body);
        try {
            c.check(readWorkbookStream(stream));
        } catch (const Error& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

TEST(LenientReading, NamelessUserStyleIsNotWrittenBack)
{
    const Workbook read = readWorkbookStream(withBody(richStream(), kStyle, {0, 0, 0, 0}));
    const Workbook again = readWorkbookStream(writeWorkbookStream(read, {}));
    EXPECT_EQ(again.styles.size(), read.styles.size());
}

TEST(LenientReading, LastRecordClaimingMoreThanTheStreamHasKeepsWhatCameBefore)
{
    Workbook workbook = makeDefaultWorkbook("Items");
    for (uint32_t r = 0; r < 200; ++r) {
        Cell cell;
        cell.kind = CellKind::Number;
        cell.number = r;
        workbook.sheets[0].ensureRow(r).cells.push_back(cell);
    }
    const auto stream = writeWorkbookStream(workbook, {});
    const auto places = recordsOf(stream);
    const auto cellCount = [](const Workbook& wb) {
        size_t count = 0;
        for (const Row& row : wb.sheets[0].rows)
            count += row.cells.size();
        return count;
    };

    // The closing EOF claims three bytes the stream does not have.
    auto longEof = stream;
    ASSERT_EQ(places.back().type, kEof);
    longEof[places.back().offset + 2] = 3;
    EXPECT_EQ(cellCount(readWorkbookStream(longEof)), 200u);

    // The stream ends inside a cell record: the cells before it stay.
    size_t numbers = 0;
    for (const RecordPlace& place : places) {
        if (place.type != kNumber && place.type != kRk && place.type != kMulRk)
            continue;
        if (++numbers < 20)
            continue;
        const std::vector<uint8_t> cut(stream.begin(),
                                       stream.begin() + std::ptrdiff_t(place.offset + 6));
        const size_t kept = cellCount(readWorkbookStream(cut));
        EXPECT_GT(kept, 0u);
        EXPECT_LT(kept, 200u);
        break;
    }
    EXPECT_GE(numbers, 20u);
}

TEST(LenientReading, FilesThatAreNoWorkbookAreNamed)
{
    const auto bytes = [](std::initializer_list<int> values) {
        std::vector<uint8_t> out;
        for (int v : values)
            out.push_back(uint8_t(v));
        return out;
    };
    const std::string text = "Location,Description,Price\r\nKitchen,Kettle,25\r\n";
    const std::string zeroes(512, '\0');
    struct Case
    {
        const char* name;
        std::vector<uint8_t> file;
        const char* message;
    };
    const Case cases[] = {
        {"Excel 2.1 worksheet", bytes({0x09, 0x00, 0x04, 0x00, 0x02, 0x00, 0x10, 0x00}),
         "in.xls: an Excel 2.x-3.x worksheet, which this program cannot open"},
        {"Excel 3.0 worksheet", bytes({0x09, 0x02, 0x06, 0x00, 0x00, 0x00, 0x10, 0x00, 0, 0}),
         "in.xls: an Excel 2.x-3.x worksheet, which this program cannot open"},
        {"Excel 4.0 worksheet", bytes({0x09, 0x04, 0x06, 0x00, 0x00, 0x00, 0x10, 0x00, 0, 0}),
         "in.xls: an Excel 4.0 worksheet, which this program cannot open"},
        {"Excel 4.0 workbook", bytes({0x09, 0x04, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0, 0}),
         "in.xls: an Excel 4.0 workbook, which this program cannot open"},
        {"bare Excel 5.0 stream",
         bytes({0x09, 0x08, 0x08, 0x00, 0x00, 0x05, 0x05, 0x00, 0, 0, 0, 0}),
         "in.xls: an Excel 5.0/95 workbook stream without its compound file, which this program "
         "cannot open"},
        {"bare Excel 97 stream", richStream(),
         "in.xls: a bare Excel 97-2003 workbook stream without its compound file, which this "
         "program cannot open"},
        {"CSV text", std::vector<uint8_t>(text.begin(), text.end()),
         "in.xls: a text file, not an Excel workbook"},
        {"UTF-16 text", bytes({0xFF, 0xFE, 'N', 0, 'a', 0}),
         "in.xls: a text file, not an Excel workbook"},
        {"zip", bytes({'P', 'K', 3, 4, 20, 0, 0, 0}),
         "in.xls: a zip file, such as an Excel 2007 or later workbook (.xlsx); this program opens "
         "only Excel 97-2003 workbooks (.xls)"},
        {"empty", {}, "in.xls: the file is empty"},
        {"zeroes", std::vector<uint8_t>(zeroes.begin(), zeroes.end()),
         "in.xls: not an Excel workbook (the file is no Excel 97-2003 compound file)"},
        {"password-protected Excel 2007 workbook",
         compound::writeCompoundFile(
             {{"EncryptionInfo", {4, 0, 4, 0}}, {"EncryptedPackage", {1, 2, 3, 4, 5, 6, 7, 8}}}),
         "in.xls: the workbook is protected with a password, which this program cannot open"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readError(c.file), c.message) << c.name;
}

// Reads a workbook from arbitrary bytes, applies whole-row copies, inserts and deletes to it as
// the builder does when it grows the item block, writes it back and checks that our readers
// accept what was written: the BIFF reader on the bare stream and the whole compound file, and
// that a second save writes the same bytes.
//
// The edits come from an optional trailer at the end of the input: its last byte is 0xF0 + n
// (n = 0..7) and the n edits of six bytes each come before it. Without a trailer (the seed
// workbooks) the builder's own edits are applied: rows 10-11 copied and inserted at row 10,
// then one row deleted below them.

#include "fuzz/fuzz_workbooks.h"

#include "spreadsheet/automation/row_operations.h"
#include "spreadsheet/compound/compound_file.h"

namespace {

struct Edit
{
    uint8_t kind;  // 0 copy and insert, 1 insert empty rows, 2 delete
    uint8_t sheet; // index into the workbook's sheets
    uint16_t at;   // zero-based row
    uint16_t from; // first copied row
    uint8_t count; // 1..4 rows
};

std::vector<Edit> editsOf(const uint8_t* data, size_t& size)
{
    if (size == 0 || (data[size - 1] & 0xF8) != 0xF0)
        return {{0, 0, 9, 9, 2}, {2, 0, 11, 0, 1}};
    const size_t count = data[size - 1] & 0x07;
    if (size < 1 + 6 * count)
        return {};
    size -= 1 + 6 * count;
    std::vector<Edit> edits;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + size + 6 * i;
        edits.push_back({uint8_t(e[0] % 3), e[1], uint16_t(e[2] | e[3] << 8),
                         uint16_t(e[4] | e[5] << 8), uint8_t(1 + (e[0] >> 2) % 4)});
    }
    return edits;
}

void apply(spreadsheet::Workbook& book, const Edit& edit)
{
    namespace automation = spreadsheet::automation;
    if (book.sheets.empty())
        return;
    const uint32_t sheet = edit.sheet % book.sheets.size();
    if (book.sheets[sheet].sheetType != 0)
        return; // charts and macro sheets are kept as records, without rows
    try {
        switch (edit.kind) {
        case 0:
            automation::insertCopiedRows(book, sheet, edit.at,
                                         automation::copyRows(book, sheet, edit.from, edit.count));
            break;
        case 1:
            automation::insertEmptyRows(book, sheet, edit.at, edit.count);
            break;
        default:
            automation::deleteRows(book, sheet, edit.at, edit.count);
            break;
        }
    } catch (const spreadsheet::Error&) {
        // Rows with contents would leave the sheet: refused, the workbook unchanged.
    }
}

// The stream as the preview saves it, in a compound file, through the program's own reader.
void checkReadersAccept(const spreadsheet::Workbook& book)
{
    const auto stream = fuzzing::checkSavesTheSameTwice(book);
    if (!stream)
        return;
    try {
        const std::vector<uint8_t> file =
            spreadsheet::compound::writeCompoundFile({{"Workbook", *stream}});
        spreadsheet::readWorkbookBytes(file, "edited.xls");
    } catch (const spreadsheet::Error& error) {
        fuzzing::fail("an edited workbook does not read back", error.what());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzing::silenceLibraryWarnings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<Edit> edits = editsOf(data, size);
    auto read = fuzzing::readInput(data, size);
    if (!read)
        return 0;
    spreadsheet::Workbook& book = *read;
    for (const Edit& edit : edits)
        apply(book, edit);
    checkReadersAccept(book);
    return 0;
}

#pragma once

// Records of the workbook globals substream, each read and written side by side.

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/workbook.h"

#include <string>
#include <utility>
#include <vector>

namespace spreadsheet::biff {

// The file format has no font index 4: model font i >= 4 is file font i + 1.
inline uint16_t fontIndexToFile(uint16_t model)
{
    return model >= 4 ? uint16_t(model + 1) : model;
}
uint16_t fontIndexFromFile(uint16_t file);

struct Bof
{
    uint16_t version = 0;
    uint16_t type = 0;
};
Bof readBof(ByteReader& in);
void writeBof(RecordWriter& out, uint16_t substreamType);

WorkbookWindow readWindow1(ByteReader& in);
void writeWindow1(RecordWriter& out, const WorkbookWindow& window);

Font readFont(ByteReader& in);
void writeFont(RecordWriter& out, const Font& font);

std::pair<uint16_t, std::string> readFormat(ByteReader& in);
void writeFormat(RecordWriter& out, uint16_t id, const std::string& code);

Xf readXf(ByteReader& in);
void writeXf(RecordWriter& out, const Xf& xf);

CellStyle readStyle(ByteReader& in);
void writeStyle(RecordWriter& out, const CellStyle& style);

void readPalette(ByteReader& in, Palette& palette);
void writePalette(RecordWriter& out, const Palette& palette);

struct SheetEntry
{
    uint32_t offset = 0; // stream position of the sheet's BOF
    uint8_t visibility = 0;
    uint8_t type = 0; // 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
    std::string name;
};
SheetEntry readBoundSheet(ByteReader& in);
// Returns the stream position of the offset field, which the writer fills in once the sheet's
// position is known.
size_t writeBoundSheet(RecordWriter& out, const Worksheet& sheet);

// Whether a SUPBOOK record is the one that stands for this workbook's own sheets.
bool isInternalSupBook(ByteReader& in);
void writeInternalSupBook(RecordWriter& out, uint16_t sheetCount);
std::vector<ExternSheet> readExternSheet(ByteReader& in);
void writeExternSheet(RecordWriter& out, const std::vector<ExternSheet>& entries);

DefinedName readName(ByteReader& in);
void writeName(RecordWriter& out, const DefinedName& name);

} // namespace spreadsheet::biff

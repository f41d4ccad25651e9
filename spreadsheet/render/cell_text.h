#pragma once

// The text a cell shows and how it is laid out on one line.
//
// A cell's value goes through its number format (numfmt) into a FormattedText; fitting that
// into the width the cell offers turns it into runs of text at horizontal offsets: the "_x"
// spacings become gaps as wide as x, a "*x" fill repeats x until the cell is full, a General
// number drops digits (or switches to scientific notation) until it fits, and a number that
// cannot fit at all becomes a row of "#" marks, as Excel shows it.

#include "spreadsheet/model/styles.h"
#include "spreadsheet/numfmt/number_format.h"
#include "spreadsheet/render/text_widths.h"

#include <QString>

#include <vector>

namespace spreadsheet {
class Workbook;
class Worksheet;
struct Cell;
} // namespace spreadsheet

namespace spreadsheet::render {

struct CellLook;

struct CellText
{
    enum class Kind
    {
        None, // blank, or a formula without a result
        Number,
        Text,
        Boolean,
        Error,
    };
    Kind kind = Kind::None;
    numfmt::FormattedText formatted;
    double number = 0;
    bool generalNumber = false; // shown in the General format: fitted by dropping digits

    // Numbers never spill into their neighbours; they show "#" marks instead.
    bool isNumeric() const { return kind == Kind::Number && formatted.isNumberResult; }
};

CellText cellText(const Workbook& workbook, const Worksheet& sheet, const Cell& cell,
                  const CellLook& look);

// General alignment: numbers to the right, text to the left, booleans and errors centred.
HorizontalAlignment effectiveAlignment(HorizontalAlignment alignment, const CellText& text);

struct TextRun
{
    QString text;
    qreal left = 0; // from the start of the laid-out line
    qreal width = 0;
};

struct TextLine
{
    std::vector<TextRun> runs;
    qreal width = 0;
    bool fillsCell = false; // a "*x" fill or "#" marks: the line is as wide as the cell
};

// Lays `text` out for a cell `available` pixels wide. Numbers that do not fit come back as
// "#" marks; text is returned at its natural width (it may spill or be cut).
TextLine layOutLine(const CellText& text, const TextWidths& widths, qreal available);

// As many "#" as fit in `available` pixels.
TextLine hashMarks(const TextWidths& widths, qreal available);

} // namespace spreadsheet::render

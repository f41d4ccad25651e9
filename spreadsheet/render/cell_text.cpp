#include "spreadsheet/render/cell_text.h"

#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/style_cache.h"

#include <algorithm>
#include <cmath>

namespace spreadsheet::render {

namespace {

// Excel's General format shows at most 11 characters of a number.
constexpr int kGeneralMaxChars = 11;

std::string_view errorText(uint8_t code)
{
    switch (static_cast<ErrorCode>(code)) {
    case ErrorCode::Null:
        return "#NULL!";
    case ErrorCode::Div0:
        return "#DIV/0!";
    case ErrorCode::Value:
        return "#VALUE!";
    case ErrorCode::Ref:
        return "#REF!";
    case ErrorCode::Name:
        return "#NAME?";
    case ErrorCode::Num:
        return "#NUM!";
    case ErrorCode::NA:
        return "#N/A";
    }
    return "#N/A";
}

CellText plainValue(CellText::Kind kind, std::string_view text)
{
    CellText result;
    result.kind = kind;
    result.formatted.text = std::string(text);
    result.formatted.isNumberResult = false;
    return result;
}

CellText numberValue(double number, const Workbook& workbook, const CellLook& look)
{
    CellText result;
    result.kind = CellText::Kind::Number;
    result.number = number;
    if (look.generalFormat) {
        result.generalNumber = true;
        result.formatted.text = numfmt::formatGeneral(number, kGeneralMaxChars);
    } else {
        result.formatted = numfmt::formatNumber(number, look.formatCode, workbook.date1904);
    }
    return result;
}

CellText textValue(std::string_view text, const CellLook& look)
{
    CellText result;
    result.kind = CellText::Kind::Text;
    result.formatted = numfmt::formatText(text, look.formatCode);
    return result;
}

CellText formulaValue(const Workbook& workbook, const Formula& formula, const CellLook& look)
{
    const CachedValue& cached = formula.cached;
    switch (cached.kind) {
    case CachedValue::Kind::Number:
        return numberValue(cached.number, workbook, look);
    case CachedValue::Kind::String:
        return textValue(cached.text, look);
    case CachedValue::Kind::Boolean:
        return plainValue(CellText::Kind::Boolean, cached.flag ? "TRUE" : "FALSE");
    case CachedValue::Kind::Error:
        return plainValue(CellText::Kind::Error, errorText(cached.flag));
    case CachedValue::Kind::Empty:
        break;
    }
    return {};
}

// The General number with as many digits as fit.
TextLine fitGeneral(double number, const TextWidths& widths, qreal available)
{
    for (int chars = kGeneralMaxChars; chars >= 1; --chars) {
        const QString text = QString::fromStdString(numfmt::formatGeneral(number, chars));
        const qreal width = widths.of(text);
        if (width <= available)
            return TextLine{{TextRun{text, 0, width}}, width, false};
    }
    return hashMarks(widths, available);
}

} // namespace

CellText cellText(const Workbook& workbook, const Worksheet& sheet, const Cell& cell,
                  const CellLook& look)
{
    switch (cell.kind) {
    case CellKind::Blank:
        return {};
    case CellKind::Number:
        return numberValue(cell.number, workbook, look);
    case CellKind::String:
        if (cell.index < workbook.strings.size())
            return textValue(workbook.strings.at(cell.index).text, look);
        return {};
    case CellKind::Boolean:
        return plainValue(CellText::Kind::Boolean, cell.flag ? "TRUE" : "FALSE");
    case CellKind::Error:
        return plainValue(CellText::Kind::Error, errorText(cell.flag));
    case CellKind::Formula:
        if (cell.index < sheet.formulas.size())
            return formulaValue(workbook, sheet.formulas[cell.index], look);
        return {};
    }
    return {};
}

HorizontalAlignment effectiveAlignment(HorizontalAlignment alignment, const CellText& text)
{
    if (alignment != HorizontalAlignment::General)
        return alignment;
    switch (text.kind) {
    case CellText::Kind::Number:
        return text.formatted.isNumberResult ? HorizontalAlignment::Right
                                             : HorizontalAlignment::Left;
    case CellText::Kind::Boolean:
    case CellText::Kind::Error:
        return HorizontalAlignment::Center;
    default:
        return HorizontalAlignment::Left;
    }
}

TextLine hashMarks(const TextWidths& widths, qreal available)
{
    const qreal hashWidth = widths.of(QLatin1Char('#'));
    const int count = hashWidth > 0 ? static_cast<int>(std::floor(available / hashWidth)) : 0;
    if (count <= 0)
        return TextLine{{}, 0, true};
    return TextLine{
        {TextRun{QString(count, QLatin1Char('#')), 0, count * hashWidth}}, count * hashWidth, true};
}

TextLine layOutLine(const CellText& text, const TextWidths& widths, qreal available)
{
    if (text.generalNumber)
        return fitGeneral(text.number, widths, available);
    const numfmt::FormattedText& formatted = text.formatted;

    // Cut the text at every spacing and at the fill into pieces separated by gaps.
    struct Piece
    {
        QString text;
        qreal gapBefore = 0;
        bool fillBefore = false;
    };
    std::vector<Piece> pieces(1);
    size_t start = 0;
    size_t nextSpacing = 0;
    const size_t fillAt = formatted.fillPosition.value_or(std::string::npos);
    const auto cutAt = [&](size_t position) {
        pieces.back().text += QString::fromUtf8(formatted.text.data() + start,
                                                static_cast<qsizetype>(position - start));
        start = position;
        pieces.push_back({});
    };
    for (size_t position = 0; position <= formatted.text.size(); ++position) {
        if (position == fillAt) {
            cutAt(position);
            pieces.back().fillBefore = true;
        }
        for (; nextSpacing < formatted.spacings.size() &&
               formatted.spacings[nextSpacing].position == position;
             ++nextSpacing) {
            cutAt(position);
            pieces.back().gapBefore +=
                widths.of(QString::fromStdString(formatted.spacings[nextSpacing].widthOf));
        }
    }
    cutAt(formatted.text.size());

    qreal natural = 0;
    for (const Piece& piece : pieces)
        natural += piece.gapBefore + widths.of(piece.text);
    const bool numeric = text.isNumeric();
    if (numeric && natural > available)
        return hashMarks(widths, available);

    TextLine line;
    const bool fills = formatted.fillPosition.has_value() && available > natural;
    const qreal fillWidth = fills ? available - natural : 0;
    qreal x = 0;
    for (const Piece& piece : pieces) {
        x += piece.gapBefore;
        if (piece.fillBefore && fills) {
            const QString fillChar = QString::fromStdString(formatted.fillChar);
            const qreal charWidth = widths.of(fillChar);
            const int count =
                charWidth > 0 ? static_cast<int>(std::floor(fillWidth / charWidth)) : 0;
            if (count > 0 && !fillChar.trimmed().isEmpty())
                // What is left of the fill beyond whole characters stays before them, so
                // the repeated characters touch the text that follows.
                line.runs.push_back(TextRun{fillChar.repeated(count),
                                            x + fillWidth - count * charWidth, count * charWidth});
            x += fillWidth;
        }
        if (!piece.text.isEmpty()) {
            const qreal width = widths.of(piece.text);
            line.runs.push_back(TextRun{piece.text, x, width});
            x += width;
        }
    }
    line.width = x;
    line.fillsCell = fills;
    return line;
}

} // namespace spreadsheet::render

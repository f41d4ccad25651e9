#include "report/print_plan.h"

#include "spreadsheet/formula/tokens.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/model/worksheet.h"

#include <algorithm>
#include <cmath>

namespace stowfolio::report {

namespace {

constexpr double kPixelsPerInch = 96;

// The area of a built-in name for the sheet: its first 3-D or plain area token.
std::optional<spreadsheet::CellRange> namedArea(const spreadsheet::Workbook& book,
                                                std::size_t sheetIndex, uint8_t code)
{
    for (const spreadsheet::DefinedName& name : book.names) {
        if (!name.builtIn || name.builtInCode != code || name.sheet != sheetIndex + 1)
            continue;
        try {
            for (const auto& token : spreadsheet::formula::parseTokens(name.tokens)) {
                if (token.id != spreadsheet::formula::ptg::Area3d &&
                    token.id != spreadsheet::formula::ptg::Area)
                    continue;
                return spreadsheet::CellRange{
                    std::min(token.first.row, token.last.row),
                    std::max(token.first.row, token.last.row),
                    static_cast<uint16_t>(std::min(token.first.column, token.last.column)),
                    static_cast<uint16_t>(std::max(token.first.column, token.last.column))};
            }
        } catch (const spreadsheet::Error&) {
            // A name whose formula cannot be read prints as if it were not there.
        }
    }
    return std::nullopt;
}

// Pages after the first start with the title rows, unless they are still printing them.
bool startsWithTitles(const std::optional<RowSpan>& titleRows, std::size_t page, uint32_t firstRow)
{
    return page > 0 && titleRows && firstRow > titleRows->last;
}

} // namespace

QPageSize paperOf(uint16_t code)
{
    switch (code) {
    case 5:
        return QPageSize(QPageSize::Legal);
    case 7:
        return QPageSize(QPageSize::Executive);
    case 8:
        return QPageSize(QPageSize::A3);
    case 9:
        return QPageSize(QPageSize::A4);
    case 11:
        return QPageSize(QPageSize::A5);
    case 12:
        return QPageSize(QPageSize::B4);
    case 13:
        return QPageSize(QPageSize::B5);
    case 3:
        return QPageSize(QPageSize::Tabloid);
    default:
        return QPageSize(QPageSize::Letter);
    }
}

std::optional<spreadsheet::CellRange> printAreaOf(const spreadsheet::Workbook& book,
                                                  std::size_t sheetIndex)
{
    return namedArea(book, sheetIndex, spreadsheet::DefinedName::PrintArea);
}

std::optional<RowSpan> titleRowsOf(const spreadsheet::Workbook& book, std::size_t sheetIndex)
{
    const auto area = namedArea(book, sheetIndex, spreadsheet::DefinedName::PrintTitles);
    if (!area)
        return std::nullopt;
    return RowSpan{area->firstRow, area->lastRow};
}

SheetPrintPlan planPages(const spreadsheet::PageSetup& setup, const spreadsheet::CellRange& area,
                         std::optional<RowSpan> titleRows, const std::vector<int>& rowEdges,
                         const std::vector<int>& columnEdges)
{
    SheetPrintPlan plan;
    plan.paper = paperOf(setup.paperSize);
    plan.landscape = setup.landscape();
    QSizeF paper = plan.paper.size(QPageSize::Inch);
    if (plan.landscape)
        paper.transpose();
    plan.printable = QRectF(setup.leftMargin, setup.topMargin,
                            std::max(0.5, paper.width() - setup.leftMargin - setup.rightMargin),
                            std::max(0.5, paper.height() - setup.topMargin - setup.bottomMargin));
    plan.headerInches = setup.headerMargin;
    plan.footerInches = setup.footerMargin;
    plan.centerHorizontally = setup.centerHorizontally;
    plan.centerVertically = setup.centerVertically;
    plan.area = area;
    if (titleRows && (titleRows->last < area.firstRow || titleRows->first > area.lastRow))
        titleRows.reset();
    plan.titleRows = titleRows;

    const double width = std::max(1, columnEdges.back() - columnEdges.front());
    const double height = std::max(1, rowEdges.back() - rowEdges.front());
    const double pageWidth = plan.printable.width() * kPixelsPerInch;
    const double pageHeight = plan.printable.height() * kPixelsPerInch;
    if (setup.fitToPage) {
        // The largest whole percentage at which the area fits the pages asked for; 0 pages in
        // a direction leaves that direction free.
        double fit = 1;
        if (setup.fitWidth > 0)
            fit = std::min(fit, setup.fitWidth * pageWidth / width);
        if (setup.fitHeight > 0)
            fit = std::min(fit, setup.fitHeight * pageHeight / height);
        plan.scale = std::clamp(std::floor(fit * 100) / 100, 0.10, 1.0);
    } else {
        plan.scale = std::clamp(setup.scale / 100.0, 0.10, 4.0);
    }

    const auto rowHeight = [&](uint32_t row) {
        const std::size_t i = row - area.firstRow;
        return rowEdges[i + 1] - rowEdges[i];
    };
    double titleHeight = 0;
    if (plan.titleRows)
        for (uint32_t row = std::max(plan.titleRows->first, area.firstRow);
             row <= std::min(plan.titleRows->last, area.lastRow); ++row)
            titleHeight += rowHeight(row);
    const double available = pageHeight / plan.scale;
    uint32_t row = area.firstRow;
    while (row <= area.lastRow) {
        double used = startsWithTitles(plan.titleRows, plan.pages.size(), row) ? titleHeight : 0;
        RowSpan page{row, row};
        used += rowHeight(row);
        while (page.last < area.lastRow && used + rowHeight(page.last + 1) <= available) {
            ++page.last;
            used += rowHeight(page.last);
        }
        plan.pages.push_back(page);
        row = page.last + 1;
    }
    return plan;
}

bool repeatsTitles(const SheetPrintPlan& plan, std::size_t page)
{
    return page < plan.pages.size() &&
           startsWithTitles(plan.titleRows, page, plan.pages[page].first);
}

std::vector<PictureBand> pageBands(const SheetPrintPlan& plan, const std::vector<int>& rowEdges,
                                   std::size_t page)
{
    std::vector<PictureBand> bands;
    if (page >= plan.pages.size())
        return bands;
    // The top of area row `row`, or the bottom of the last row for the row after it.
    const auto edge = [&](uint32_t row) {
        return static_cast<double>(rowEdges[row - plan.area.firstRow]);
    };
    const auto band = [&](uint32_t first, uint32_t last) {
        return PictureBand{edge(first) - 1, edge(last + 1)};
    };
    if (repeatsTitles(plan, page))
        bands.push_back(band(std::max(plan.titleRows->first, plan.area.firstRow),
                             std::min(plan.titleRows->last, plan.area.lastRow)));
    bands.push_back(band(plan.pages[page].first, plan.pages[page].last));
    return bands;
}

} // namespace stowfolio::report

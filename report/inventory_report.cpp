#include "report/inventory_report.h"

#include "report/report_drawing.h"

#include "platform/atomic_file_device.h"
#include "platform/file_helpers.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/render/sheet_geometry.h"
#include "spreadsheet/render/sheet_renderer.h"
#include "spreadsheet/render/style_cache.h"
#include "state/inventory_conventions.h"
#include "state/item_values.h"
#include "workbook/inventory.h"
#include "workbook/workbook_import.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImageReader>
#include <QLocale>
#include <QMap>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QTime>

#include <algorithm>
#include <array>
#include <future>
#include <stdexcept>

namespace stowfolio::report {

namespace {

// Where the summary's columns start, in inches from the left of the printable area: the captions
// and locations, the item counts, the amounts. A column's text wraps before the next begins.
constexpr std::array kSummaryColumns = {0.0, 2.2, 3.2};
constexpr double kColumnGapInches = 0.1;
constexpr double kSummaryPoints = 10;

const QStringList kOwnerCaptions = {"Name",          "Address",      "City, State, ZIP code",
                                    "Phone",         "Company",      "Agent Name",
                                    "Agent's phone", "Policy Number"};

// The conventions in which the report reads its workbook's texts back. The amounts it adds up
// are taken from the cells themselves (estimatedValueOf), so a text cell never counts, whatever
// it looks like; fixed conventions keep the rest the same whatever the locale of the process.
const InventoryConventions kReadBackConventions;

} // namespace

InventoryReport::InventoryReport(const QString& workbookPath, QDate date,
                                 const PageProgress& progress, ReportEvidence evidence)
    : m_date(date), m_fileName(QFileInfo(workbookPath).fileName()), m_evidence(std::move(evidence))
{
    // Reading a large workbook back takes seconds before the first page: the caller's progress
    // hears from each step, so that its dialog can show and take a Cancel.
    const auto goOn = [&] {
        m_stopped = m_stopped || (progress && !progress(0, 0));
        return !m_stopped;
    };
    try {
        m_book = spreadsheet::readWorkbookFile(QFile::encodeName(workbookPath).toStdString());
    } catch (const spreadsheet::Error& error) {
        throw std::runtime_error(error.what());
    }
    if (m_book.sheets.empty())
        throw std::runtime_error("the workbook has no sheet");
    if (!goOn())
        return;
    m_sheet = std::min<std::size_t>(m_book.window.activeSheet, m_book.sheets.size() - 1);
    // Every item the sheet holds: no sheet has more item rows than rows.
    m_inventory = inventoryOfWorkbook(m_book, m_fileName, static_cast<int>(spreadsheet::kMaxRows),
                                      kReadBackConventions);
    if (!goOn())
        return;

    const spreadsheet::Worksheet& sheet = m_book.sheets[m_sheet];
    const spreadsheet::CellRange area =
        printAreaOf(m_book, m_sheet).value_or(spreadsheet::usedRange(sheet));
    const spreadsheet::render::SheetGeometry geometry(sheet, area,
                                                      spreadsheet::render::columnUnitOf(m_book));
    for (uint32_t i = 0; i <= geometry.rowCount(); ++i)
        m_rowEdges.push_back(geometry.rowEdge(i));
    for (uint32_t i = 0; i <= geometry.columnCount(); ++i)
        m_columnEdges.push_back(geometry.columnEdge(i));
    m_plan =
        planPages(sheet.pageSetup, area, titleRowsOf(m_book, m_sheet), m_rowEdges, m_columnEdges);
    m_picture = spreadsheet::render::renderRange(m_book, sheet, area);

    collectPhotos(goOn);
    if (m_stopped)
        return;
    m_summaryLines = summaryLines();
    m_summaryPages = std::max(
        1, static_cast<int>((m_summaryLines.size() + linesPerPage() - 1) / linesPerPage()));
    planEvidenceIndex();
}

InventoryReport::~InventoryReport() = default;

int InventoryReport::linesPerPage() const
{
    return std::max(10, static_cast<int>(m_plan.printable.height() / kLineInches) - 4);
}

int InventoryReport::pageCount() const
{
    const int photoPages =
        static_cast<int>((m_photos.size() + kPhotosPerPage - 1) / kPhotosPerPage);
    return m_summaryPages + sheetPageCount() + photoPages +
           static_cast<int>(m_indexPageStarts.size()) + problemPageCount();
}

int InventoryReport::problemPageCount() const
{
    const std::size_t problems = problemCount();
    return problems == 0 ? 0
                         : static_cast<int>((problems + 2 + linesPerPage() - 1) / linesPerPage());
}

// The summary as lines of text; a line starting with "#" is a heading, one holding tabs is a row
// of the owner details or the subtotal table. A value too long for its column is wrapped into
// lines of its own, the columns beside it left empty there: nothing runs off the page or into
// the next column.
QStringList InventoryReport::summaryLines()
{
    const QFont font = reportFont(kSummaryPoints);
    const auto addRow = [&](QStringList& lines, const QStringList& cells) {
        std::vector<QStringList> wrapped;
        std::size_t height = 1;
        for (std::size_t c = 0; c < static_cast<std::size_t>(cells.size()); ++c) {
            const double right = c + 1 < kSummaryColumns.size() && c + 1 < std::size_t(cells.size())
                                     ? kSummaryColumns[c + 1] - kColumnGapInches
                                     : m_plan.printable.width();
            wrapped.push_back(
                wrappedText(cells[static_cast<qsizetype>(c)], font, right - kSummaryColumns[c]));
            height = std::max(height, static_cast<std::size_t>(wrapped.back().size()));
        }
        for (std::size_t line = 0; line < height; ++line) {
            QStringList parts;
            for (const QStringList& cell : wrapped)
                parts << cell.value(static_cast<qsizetype>(line));
            lines << parts.join(QLatin1Char('\t'));
        }
    };

    QStringList lines;
    lines << QStringLiteral("#Home Inventory Report");
    lines << QStringLiteral("Prepared on %1").arg(QLocale().toString(m_date, QLocale::LongFormat));
    lines << QString();
    lines << QStringLiteral("#Owner");
    for (int i = 0; i < 4; ++i)
        addRow(lines, {kOwnerCaptions[i] + QLatin1Char(':'), m_inventory.ownerFields.value(i)});
    lines << QStringLiteral("#Insurance");
    for (int i = 4; i < 8; ++i)
        addRow(lines, {kOwnerCaptions[i] + QLatin1Char(':'), m_inventory.ownerFields.value(i)});
    lines << QString();

    double total = 0;
    struct Subtotal
    {
        int count = 0;
        double value = 0;
    };
    QMap<QString, Subtotal> byLocation;
    for (int i = 0; i < m_inventory.items.size(); ++i) {
        const QStringList& item = m_inventory.items[i];
        const double value = estimatedValueOf(i).value_or(0.0);
        total += value;
        Subtotal& subtotal = byLocation[item.value(kLocationField).trimmed()];
        ++subtotal.count;
        subtotal.value += value;
    }
    lines << QStringLiteral("#%1 items, estimated value %2")
                 .arg(QLocale().toString(static_cast<int>(m_inventory.items.size())),
                      moneyText(total));
    m_tableHeaderLine = static_cast<int>(lines.size());
    lines << QStringLiteral("Location\tItems\tEstimated value");
    for (auto it = byLocation.cbegin(); it != byLocation.cend(); ++it)
        addRow(lines, {it.key().isEmpty() ? QStringLiteral("(no location)") : it.key(),
                       QString::number(it->count), moneyText(it->value)});
    return lines;
}

std::optional<double> InventoryReport::estimatedValueOf(int item) const
{
    if (item < 0 || item >= m_inventory.itemRows.size() ||
        m_inventory.sheet >= m_book.sheets.size())
        return std::nullopt;
    const spreadsheet::Worksheet& sheet = m_book.sheets[m_inventory.sheet];
    const spreadsheet::Cell* cell =
        sheet.findCell(static_cast<uint32_t>(m_inventory.itemRows[item]),
                       static_cast<uint16_t>(kItemFields[kEstimatedValueField].sheetColumn - 1));
    if (!cell)
        return std::nullopt;
    if (cell->kind == spreadsheet::CellKind::Number)
        return cell->number;
    if (cell->kind == spreadsheet::CellKind::Formula) {
        const spreadsheet::CachedValue& cached = sheet.formulas.at(cell->index).cached;
        if (cached.kind == spreadsheet::CachedValue::Kind::Number)
            return cached.number;
    }
    return std::nullopt;
}

void InventoryReport::paintPageNumber(QPainter& painter, int page) const
{
    painter.setFont(reportFont(8));
    const QRectF area = inches(painter, QRectF(m_plan.printable.left(), m_plan.printable.bottom(),
                                               m_plan.printable.width(), 0.3));
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("Page %1 of %2").arg(page).arg(pageCount()));
}

void InventoryReport::paintSummaryPage(QPainter& painter, int page, int firstLine) const
{
    const QStringList& lines = m_summaryLines;
    const QRectF box = m_plan.printable;
    double y = box.top();
    for (int i = firstLine; i < std::min<int>(lines.size(), firstLine + linesPerPage()); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QLatin1Char('#'))) {
            const bool title = i == 0;
            painter.setFont(reportFont(title ? 18 : 12, true));
            y += title ? 0 : kLineInches * 0.3;
            painter.drawText(inches(painter, QRectF(box.left(), y, box.width(), 0.4)),
                             Qt::AlignLeft | Qt::AlignVCenter, line.mid(1));
            y += title ? 0.45 : kLineInches * 1.2;
            continue;
        }
        painter.setFont(reportFont(kSummaryPoints, i == m_tableHeaderLine));
        const QStringList cells = line.split(QLatin1Char('\t'));
        for (std::size_t c = 0; c < kSummaryColumns.size() && c < std::size_t(cells.size()); ++c) {
            // The text was wrapped to its column; were a printer's font a little wider than the
            // layout's, it runs on a little rather than losing its last letters.
            const double width = c + 1 < std::size_t(cells.size())
                                     ? kSummaryColumns[c + 1] - kSummaryColumns[c]
                                     : box.width() - kSummaryColumns[c];
            painter.drawText(
                inches(painter, QRectF(box.left() + kSummaryColumns[c], y, width, kLineInches)),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                cells[static_cast<qsizetype>(c)]);
        }
        y += kLineInches;
    }
    paintPageNumber(painter, page);
}

// Paints the picture's band at `destination` (device units), and nothing outside it: the band
// is both what is painted and the clip.
static void paintBand(QPainter& painter, const spreadsheet::render::SheetPicture& picture,
                      const PictureBand& band, const QPointF& destination, double factor)
{
    painter.save();
    painter.translate(destination);
    painter.scale(factor, factor);
    painter.translate(0, -band.top);
    const QRectF visible(0, band.top, picture.size().width(), band.bottom - band.top);
    painter.setClipRect(visible);
    picture.paint(painter, visible);
    painter.restore();
}

// The page's bands as the plan gives them, stacked from the top of the printable area.
void InventoryReport::paintSheetPage(QPainter& painter, int sheetPage) const
{
    const double dpi = dotsPerInch(painter);
    const double factor = dpi / 96.0 * m_plan.scale;
    const double width = m_columnEdges.back() - m_columnEdges.front() + 1;
    double x = m_plan.printable.left() * dpi;
    if (m_plan.centerHorizontally)
        x += std::max(0.0, (m_plan.printable.width() * dpi - width * factor) / 2);
    double y = m_plan.printable.top() * dpi;
    for (const PictureBand& band :
         pageBands(m_plan, m_rowEdges, static_cast<std::size_t>(sheetPage))) {
        paintBand(painter, m_picture, band, QPointF(x, y), factor);
        y += (band.bottom - band.top) * factor;
    }
    paintHeaderFooter(painter, sheetPage);
}

void InventoryReport::paintHeaderFooter(QPainter& painter, int sheetPage) const
{
    const spreadsheet::PageSetup& setup = m_book.sheets[m_sheet].pageSetup;
    const QString sheetName = QString::fromStdString(m_book.sheets[m_sheet].name);
    const double dpi = dotsPerInch(painter);
    QSizeF paper = m_plan.paper.size(QPageSize::Inch);
    if (m_plan.landscape)
        paper.transpose();
    painter.setFont(reportFont(10));
    const auto paintLine = [&](const std::string& code, double topInches, int vertical) {
        if (code.empty())
            return;
        const HeaderFooterText text =
            headerFooterText(QString::fromStdString(code), sheetPage + 1, sheetPageCount(), m_date,
                             sheetName, m_fileName);
        const QRectF line(setup.leftMargin * dpi, topInches * dpi,
                          (paper.width() - setup.leftMargin - setup.rightMargin) * dpi, 0.3 * dpi);
        painter.drawText(line, Qt::AlignLeft | vertical, text.left);
        painter.drawText(line, Qt::AlignHCenter | vertical, text.center);
        painter.drawText(line, Qt::AlignRight | vertical, text.right);
    };
    paintLine(setup.header, m_plan.headerInches, Qt::AlignTop);
    paintLine(setup.footer, paper.height() - m_plan.footerInches - 0.3, Qt::AlignBottom);
}

bool InventoryReport::paint(QPagedPaintDevice& device, const PageProgress& progress) const
{
    if (m_stopped)
        return false;
    device.setPageLayout(
        QPageLayout(m_plan.paper, m_plan.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                    QMarginsF(0, 0, 0, 0)));
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    // A photo whose pixels fail to decode joins the problems as its page is painted, which can
    // add a last page: the count is taken anew each time it is told.
    m_lateProblems.clear();
    int page = 0;
    // Opens the next page; false when the one before was the last the caller wanted.
    const auto nextPage = [&] {
        if (page > 0 && progress && !progress(page, pageCount()))
            return false;
        if (page++ > 0)
            device.newPage();
        return true;
    };
    for (int i = 0; i < m_summaryPages; ++i) {
        if (!nextPage())
            return false;
        paintSummaryPage(painter, page, i * linesPerPage());
    }
    for (int i = 0; i < sheetPageCount(); ++i) {
        if (!nextPage())
            return false;
        paintSheetPage(painter, i);
    }
    for (std::size_t i = 0; i < m_photos.size(); i += kPhotosPerPage) {
        if (!nextPage())
            return false;
        paintPhotoPage(painter, page, static_cast<int>(i));
    }
    for (std::size_t i = 0; i < m_indexPageStarts.size(); ++i) {
        if (!nextPage())
            return false;
        paintIndexPage(painter, page, static_cast<int>(i));
    }
    // Photos that failed only when decoded are among the problems from here on.
    for (int i = 0; i < int(problemCount());) {
        if (!nextPage())
            return false;
        paintProblemPage(painter, page, i);
        i += linesPerPage() - (i == 0 ? 2 : 0);
    }
    return !progress || progress(page, pageCount());
}

bool writeReportPdf(const QString& workbookPath, const QString& pdfPath, QDate date,
                    spreadsheet::files::ReadOnlyTarget readOnly, const PageProgress& progress,
                    ReportEvidence evidence)
{
    const InventoryReport report(workbookPath, date, progress, std::move(evidence));
    if (report.stopped())
        return false;
    try {
        // Written as it is painted, into a temporary file beside the target that takes the
        // target's place only when whole: memory stays the same however many pages and photos
        // there are, and a full disk never leaves half a PDF behind.
        AtomicFileDevice file(pdfPath, readOnly);
        {
            QPdfWriter writer(&file);
            writer.setResolution(600);
            writer.setCreator(QStringLiteral("Stowfolio"));
            writer.setTitle(QStringLiteral("Home Inventory Report"));
            if (!report.paint(writer, progress))
                return false; // the temporary file goes with `file`
        }
        file.commit();
        return true;
    } catch (const std::exception& error) {
        throw std::runtime_error(QStringLiteral("The report could not be written: %1")
                                     .arg(QString::fromUtf8(error.what()))
                                     .toStdString());
    }
}

HeaderFooterText headerFooterText(const QString& code, int page, int pages, const QDate& date,
                                  const QString& sheetName, const QString& fileName)
{
    HeaderFooterText text;
    QString* part = &text.center;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar ch = code[i];
        if (ch != QLatin1Char('&') || i + 1 >= code.size()) {
            *part += ch;
            continue;
        }
        const QChar next = code[++i];
        switch (next.toUpper().unicode()) {
        case 'L':
            part = &text.left;
            break;
        case 'C':
            part = &text.center;
            break;
        case 'R':
            part = &text.right;
            break;
        case 'P':
            *part += QString::number(page);
            break;
        case 'N':
            *part += QString::number(pages);
            break;
        case 'D':
            *part += QLocale().toString(date, QLocale::ShortFormat);
            break;
        case 'T':
            *part += QLocale().toString(QTime::currentTime(), QLocale::ShortFormat);
            break;
        case 'A':
            *part += sheetName;
            break;
        case 'F':
            *part += fileName;
            break;
        case '&':
            *part += QLatin1Char('&');
            break;
        case '"':
            // A font name: left out up to its closing quote.
            while (i + 1 < code.size() && code[i + 1] != QLatin1Char('"'))
                ++i;
            ++i;
            break;
        default:
            // A font size ("&12") or style code (&B, &I, &U...): left out.
            while (next.isDigit() && i + 1 < code.size() && code[i + 1].isDigit())
                ++i;
            break;
        }
    }
    return text;
}

} // namespace stowfolio::report

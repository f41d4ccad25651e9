#include "report/inventory_report.h"

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

constexpr int kPhotosPerPage = 2;
// Photos are decoded at the size they are printed, at a resolution fit for print.
constexpr double kPhotoDotsPerInch = 200;
constexpr double kLineInches = 0.22;
constexpr int kLocationField = 0;
constexpr int kDescriptionField = 1;
constexpr int kEstimatedValueField = 7;
constexpr int kSerialField = 9;
constexpr int kPhotoField = 11;

// Where the summary's columns start, in inches from the left of the printable area: the captions
// and locations, the item counts, the amounts. A column's text wraps before the next begins.
constexpr std::array kSummaryColumns = {0.0, 2.2, 3.2};
constexpr double kColumnGapInches = 0.1;
constexpr double kSummaryPoints = 10;

const QStringList kOwnerCaptions = {"Name",          "Address",      "City, State, ZIP code",
                                    "Phone",         "Company",      "Agent Name",
                                    "Agent's phone", "Policy Number"};

QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Where the device's inches are: its resolution, for placing text and pictures.
double dotsPerInch(const QPainter& painter)
{
    return painter.device()->logicalDpiX();
}

QRectF inches(const QPainter& painter, const QRectF& rect)
{
    const double dpi = dotsPerInch(painter);
    return QRectF(rect.x() * dpi, rect.y() * dpi, rect.width() * dpi, rect.height() * dpi);
}

// Why a photo cannot be shown, or nothing when it can. Only the file's header is read here:
// decoding a camera's photo is most of the report's time, so each is decoded once, at the size
// it is printed, when its page is painted (a file whose pixels then fail to decode gets a note in
// its place).
QString photoProblem(const QString& path)
{
    // Named for what it is; a pipe or a device is never opened, which could wait for ever.
    if (const QString why = notAPlainFile(path); !why.isEmpty())
        return why;
    QImageReader reader(path);
    if (!reader.canRead() || !reader.size().isValid())
        return QStringLiteral("it is not a picture that can be read (%1)")
            .arg(reader.errorString());
    return {};
}

// A photo decoded once, at the size it is printed (`pixels` at most, turned as its EXIF data
// says), or why it could not be.
struct DecodedPhoto
{
    QImage image;
    QString error;
};

DecodedPhoto decodePhoto(const QString& path, QSize pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize shown = turned ? stored.transposed() : stored;
    const QSize wanted = shown.scaled(pixels, Qt::KeepAspectRatio);
    if (shown.isValid() && wanted.width() < shown.width())
        reader.setScaledSize(turned ? wanted.transposed() : wanted);
    DecodedPhoto photo{reader.read(), QString()};
    if (photo.image.isNull())
        photo.error = reader.errorString();
    return photo;
}

// The lines `text` takes in `font` when it wraps at `widthInches`: between words, or inside a word
// longer than the width. Laid out at print resolution, where a PDF and a printer agree closely
// on the width of text.
QStringList wrappedText(const QString& text, const QFont& font, double widthInches)
{
    constexpr double kLayoutDotsPerInch = 600;
    constexpr double kInchesPerMeter = 39.3701;
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(static_cast<int>(kLayoutDotsPerInch * kInchesPerMeter));
    device.setDotsPerMeterY(static_cast<int>(kLayoutDotsPerInch * kInchesPerMeter));
    QTextLayout layout(text, font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(widthInches * device.logicalDpiX());
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

// The conventions in which the report reads its workbook's texts back. The amounts it adds up
// are taken from the cells themselves (estimatedValueOf), so a text cell never counts, whatever
// it looks like; fixed conventions keep the rest the same whatever the locale of the process.
const InventoryConventions kReadBackConventions;

} // namespace

InventoryReport::InventoryReport(const QString& workbookPath, QDate date,
                                 const PageProgress& progress)
    : m_date(date), m_fileName(QFileInfo(workbookPath).fileName())
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

    constexpr int kPhotosBetweenTicks = 256;
    for (int i = 0; i < m_inventory.items.size(); ++i) {
        if (i % kPhotosBetweenTicks == 0 && !goOn())
            return;
        const QString path = m_inventory.items[i].value(kPhotoField).trimmed();
        if (path.isEmpty())
            continue;
        const QString problem = photoProblem(path);
        (problem.isEmpty() ? m_photos : m_problems).push_back({i, problem});
    }
    m_summaryLines = summaryLines();
    m_summaryPages = std::max(
        1, static_cast<int>((m_summaryLines.size() + linesPerPage() - 1) / linesPerPage()));
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
    const int problemPages =
        m_problems.empty()
            ? 0
            : static_cast<int>((m_problems.size() + 2 + linesPerPage() - 1) / linesPerPage());
    return m_summaryPages + sheetPageCount() + photoPages + problemPages;
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

void InventoryReport::paintPhotoPage(QPainter& painter, int page, int firstPhoto) const
{
    const QRectF box = m_plan.printable;
    const double gap = 0.3;
    const double captionHeight = 5 * kLineInches;
    const double cellWidth = (box.width() - gap * (kPhotosPerPage - 1)) / kPhotosPerPage;
    const double imageHeight = box.height() - captionHeight - 0.5;
    painter.setFont(reportFont(12, true));
    painter.drawText(inches(painter, QRectF(box.left(), box.top(), box.width(), 0.35)),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Photos"));
    // Decoding a camera's photo is most of the report's time: the photos of a page are decoded
    // side by side, each on a thread of its own.
    std::array<QRectF, kPhotosPerPage> cells;
    std::array<std::future<DecodedPhoto>, kPhotosPerPage> decoded;
    for (int slot = 0; slot < kPhotosPerPage; ++slot) {
        const std::size_t index = static_cast<std::size_t>(firstPhoto + slot);
        if (index >= m_photos.size())
            break;
        cells[slot] =
            QRectF(box.left() + slot * (cellWidth + gap), box.top() + 0.45, cellWidth, imageHeight);
        const QString path = m_inventory.items[m_photos[index].item].value(kPhotoField).trimmed();
        const QSize pixels(static_cast<int>(cells[slot].width() * kPhotoDotsPerInch),
                           static_cast<int>(cells[slot].height() * kPhotoDotsPerInch));
        decoded[slot] = std::async(std::launch::async, decodePhoto, path, pixels);
    }
    for (int slot = 0; slot < kPhotosPerPage; ++slot) {
        const std::size_t index = static_cast<std::size_t>(firstPhoto + slot);
        if (index >= m_photos.size())
            break;
        const int item = m_photos[index].item;
        const QStringList& fields = m_inventory.items[item];
        const QRectF& cell = cells[slot];
        const DecodedPhoto photo = decoded[slot].get();
        const QImage& image = photo.image;
        if (!image.isNull()) {
            const QSizeF fitted = QSizeF(image.size()).scaled(cell.size(), Qt::KeepAspectRatio);
            const QRectF target(cell.left() + (cell.width() - fitted.width()) / 2, cell.top(),
                                fitted.width(), fitted.height());
            painter.drawImage(inches(painter, target), image);
        } else {
            painter.setFont(reportFont(9));
            painter.drawText(inches(painter, cell), Qt::AlignCenter | Qt::TextWordWrap,
                             QStringLiteral("The photo could not be read (%1)").arg(photo.error));
        }
        painter.setFont(reportFont(9));
        const QStringList caption = {
            QStringLiteral("Item %1, sheet row %2").arg(item + 1).arg(kFirstItemRow + item),
            QStringLiteral("Location: ") + fields.value(kLocationField),
            QStringLiteral("Description: ") + fields.value(kDescriptionField),
            QStringLiteral("Serial #: ") + fields.value(kSerialField),
            QStringLiteral("Estimated value: ") + (estimatedValueOf(item)
                                                       ? moneyText(*estimatedValueOf(item))
                                                       : fields.value(kEstimatedValueField))};
        double y = cell.bottom() + 0.1;
        for (const QString& line : caption) {
            painter.drawText(inches(painter, QRectF(cell.left(), y, cell.width(), kLineInches)),
                             Qt::AlignLeft | Qt::AlignVCenter, line);
            y += kLineInches;
        }
    }
    paintPageNumber(painter, page);
}

void InventoryReport::paintProblemPage(QPainter& painter, int page, int firstProblem) const
{
    const QRectF box = m_plan.printable;
    double y = box.top();
    if (firstProblem == 0) {
        painter.setFont(reportFont(12, true));
        painter.drawText(inches(painter, QRectF(box.left(), y, box.width(), 0.35)),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Photos that could not be included"));
        y += 2 * kLineInches;
    }
    painter.setFont(reportFont(9));
    const int count = linesPerPage() - (firstProblem == 0 ? 2 : 0);
    for (int i = firstProblem; i < firstProblem + count && i < int(m_problems.size()); ++i) {
        const Photo& photo = m_problems[static_cast<std::size_t>(i)];
        const QStringList& fields = m_inventory.items[photo.item];
        painter.drawText(inches(painter, QRectF(box.left(), y, box.width(), kLineInches)),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Item %1 (%2, %3): %4: %5")
                             .arg(photo.item + 1)
                             .arg(fields.value(kLocationField), fields.value(kDescriptionField),
                                  fields.value(kPhotoField), photo.problem));
        y += kLineInches;
    }
    paintPageNumber(painter, page);
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
    const int pages = pageCount();
    int page = 0;
    // Opens the next page; false when the one before was the last the caller wanted.
    const auto nextPage = [&] {
        if (page > 0 && progress && !progress(page, pages))
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
    for (int i = 0; i < int(m_problems.size());) {
        if (!nextPage())
            return false;
        paintProblemPage(painter, page, i);
        i += linesPerPage() - (i == 0 ? 2 : 0);
    }
    return !progress || progress(page, pages);
}

bool writeReportPdf(const QString& workbookPath, const QString& pdfPath, QDate date,
                    spreadsheet::files::ReadOnlyTarget readOnly, const PageProgress& progress)
{
    const InventoryReport report(workbookPath, date, progress);
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

// The insurer's report: page plans, header and footer codes, and PDFs read back by poppler.

#include "report/inventory_report.h"
#include "report/print_plan.h"

#include "spreadsheet/model/worksheet.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/oracle.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>

namespace stowfolio::report {
namespace {

std::vector<int> evenEdges(int count, int step)
{
    std::vector<int> edges;
    for (int i = 0; i <= count; ++i)
        edges.push_back(1 + i * step);
    return edges;
}

// Letter landscape, quarter-inch margins, fitted one page wide.
spreadsheet::PageSetup letterLandscapeOnePageWide()
{
    spreadsheet::PageSetup setup;
    setup.paperSize = 1;
    setup.options = 0; // landscape
    setup.leftMargin = setup.rightMargin = setup.topMargin = setup.bottomMargin = 0.25;
    setup.fitToPage = true;
    setup.fitWidth = 1;
    setup.fitHeight = 0;
    return setup;
}

// Letter landscape with quarter-inch margins is 10.5 x 8 inches of print: 1008 x 768 pixels.
TEST(PrintPlan, ScaleAndPageBreaksFollowThePageSetup)
{
    spreadsheet::PageSetup setup = letterLandscapeOnePageWide();
    const spreadsheet::CellRange area{0, 199, 0, 11};
    // 2016 pixels wide: half of it fits, so the scale is 50 % and a page holds 1536 pixels of rows.
    const SheetPrintPlan fitted =
        planPages(setup, area, RowSpan{8, 8}, evenEdges(200, 16), evenEdges(12, 168));
    EXPECT_TRUE(fitted.landscape);
    EXPECT_DOUBLE_EQ(fitted.scale, 0.5);
    ASSERT_EQ(fitted.pages.size(), 3u);
    EXPECT_EQ(fitted.pages[0].first, 0u);
    EXPECT_EQ(fitted.pages[0].last, 95u); // 96 rows of 16 pixels
    // Later pages start with the title row, so one row fewer fits.
    EXPECT_EQ(fitted.pages[1].first, 96u);
    EXPECT_EQ(fitted.pages[1].last, 190u);
    EXPECT_EQ(fitted.pages[2].last, 199u);

    setup.fitToPage = false;
    setup.scale = 100;
    setup.options = 0x0002; // portrait
    setup.paperSize = 9;    // A4
    const SheetPrintPlan scaled =
        planPages(setup, area, std::nullopt, evenEdges(200, 16), evenEdges(12, 60));
    EXPECT_FALSE(scaled.landscape);
    EXPECT_DOUBLE_EQ(scaled.scale, 1.0);
    EXPECT_EQ(scaled.paper.id(), QPageSize::A4);
    // A4 is 11.69 inches high: 11.19 inches of print hold 67 rows of 16 pixels.
    EXPECT_EQ(scaled.pages[0].last, 66u);
}

// Fit to page takes the largest whole percentage at which the area fits: a fit of 49.7 % prints
// at 49 %, since 50 % would run over the page. Letter landscape with quarter-inch margins again.
TEST(PrintPlan, FitToPageRoundsTheScaleDown)
{
    const struct
    {
        const char* name;
        uint16_t fitWidth;
        uint16_t fitHeight;
        int width; // pixels of the area at 100 %
        int height;
        double scale;
    } cases[] = {
        {"exactly half", 1, 0, 2016, 100, 0.50},
        {"49.7 % wide", 1, 0, 2028, 100, 0.49},
        {"49.7 % high", 0, 1, 100, 1545, 0.49},
        {"49.8 % on two pages wide", 2, 0, 4050, 100, 0.49},
        {"the smaller of 60 % wide and 49.7 % high", 1, 1, 1680, 1545, 0.49},
        {"99.9 %", 1, 0, 1009, 100, 0.99},
        {"smaller than the page: never enlarged", 1, 1, 500, 500, 1.00},
        {"5 %: never below 10 %", 1, 0, 20160, 100, 0.10},
    };
    spreadsheet::PageSetup setup;
    setup.paperSize = 1;
    setup.options = 0; // landscape
    setup.leftMargin = setup.rightMargin = setup.topMargin = setup.bottomMargin = 0.25;
    setup.fitToPage = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setup.fitWidth = c.fitWidth;
        setup.fitHeight = c.fitHeight;
        const SheetPrintPlan plan = planPages(setup, spreadsheet::CellRange{0, 0, 0, 0},
                                              std::nullopt, {1, 1 + c.height}, {1, 1 + c.width});
        EXPECT_DOUBLE_EQ(plan.scale, c.scale);
    }
}

// Each page shows its own rows and, after the first, the title rows, each from the line above
// its first row to the line below its last: the pages' rows follow each other without a gap or
// a row twice, sharing only the line at the break.
TEST(PrintPlan, PageBandsAreThePlansRowsAndTitlesOnly)
{
    const spreadsheet::PageSetup setup = letterLandscapeOnePageWide();
    const spreadsheet::CellRange area{2, 201, 0, 11};
    const std::vector<int> rowEdges = evenEdges(200, 16);
    const SheetPrintPlan plan = planPages(setup, area, RowSpan{7, 8}, rowEdges, evenEdges(12, 168));
    ASSERT_GE(plan.pages.size(), 3u);
    const auto top = [&](uint32_t row) { return double(rowEdges[row - area.firstRow]); };

    const std::vector<PictureBand> first = {{top(2) - 1, top(plan.pages[0].last + 1)}};
    EXPECT_EQ(pageBands(plan, rowEdges, 0), first);
    const PictureBand titles{top(7) - 1, top(9)};
    double coveredTo = top(plan.pages[0].last + 1);
    for (std::size_t page = 1; page < plan.pages.size(); ++page) {
        SCOPED_TRACE(page);
        const RowSpan rows = plan.pages[page];
        EXPECT_TRUE(repeatsTitles(plan, page));
        const std::vector<PictureBand> bands = pageBands(plan, rowEdges, page);
        ASSERT_EQ(bands.size(), 2u);
        EXPECT_EQ(bands[0], titles);
        EXPECT_EQ(bands[1], (PictureBand{top(rows.first) - 1, top(rows.last + 1)}));
        // The band starts on the last pixel of the page before: its bottom line, no more.
        EXPECT_EQ(bands[1].top, coveredTo - 1);
        coveredTo = bands[1].bottom;
        // Titles and rows fit the page together, as the plan counted them.
        EXPECT_LE((titles.bottom - titles.top - 1) + (bands[1].bottom - bands[1].top - 1),
                  plan.printable.height() * 96 / plan.scale);
    }
    EXPECT_EQ(coveredTo, top(area.lastRow + 1));
    EXPECT_FALSE(repeatsTitles(plan, 0));
    EXPECT_TRUE(pageBands(plan, rowEdges, plan.pages.size()).empty());
}

TEST(PrintPlan, HeaderAndFooterCodesAreFilledIn)
{
    const QDate date(2026, 12, 8);
    const HeaderFooterText text =
        headerFooterText(QStringLiteral("&L&\"Arial,Bold\"&14&A&CPage &P of &N&R&F && more"), 2, 5,
                         date, QStringLiteral("Home Inventory"), QStringLiteral("book.xls"));
    EXPECT_EQ(text.left, QStringLiteral("Home Inventory"));
    EXPECT_EQ(text.center, QStringLiteral("Page 2 of 5"));
    EXPECT_EQ(text.right, QStringLiteral("book.xls & more"));
    EXPECT_EQ(headerFooterText(QStringLiteral("&"), 1, 1, date, {}, {}).center,
              QStringLiteral("&"));
}

// A JPEG `width` x `height` whose EXIF orientation says to turn it a quarter (6): shown
// `height` x `width`, as a phone held upright stores its photos.
QByteArray turnedJpeg(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    const QByteArray tiff("II*\x00\x08\x00\x00\x00" // little-endian TIFF, IFD at 8
                          "\x01\x00"                // one entry
                          "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00" // Orientation 6
                          "\x00\x00\x00\x00",                                // no next IFD
                          26);
    const QByteArray payload = QByteArray("Exif\x00\x00", 6) + tiff;
    QByteArray app1("\xFF\xE1", 2);
    app1.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    app1 += payload;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerBuiltInEngine(factory);
        write(QStringLiteral("turned.jpg"), turnedJpeg(60, 20));
        write(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 15));
        Inventory inventory;
        inventory.ownerFields = {"Tobin Harwell",
                                 "115 Birchwood st",
                                 "French Leek, IN",
                                 "",
                                 "Oak Insurance",
                                 "Marla",
                                 "",
                                 "000-585-678"};
        const auto item = [&](const char* location, const char* description, const char* value,
                              const QString& photo) {
            QStringList row(12);
            row[0] = QString::fromUtf8(location);
            row[1] = QString::fromUtf8(description);
            row[7] = QString::fromUtf8(value);
            row[9] = QStringLiteral("SN-") + row[1];
            row[11] = photo;
            return itemFromTexts(row);
        };
        inventory.items = {item("Garage", "Bike", "350", dir.filePath("turned.jpg")),
                           item("Garage", "Mower", "200.50", dir.filePath("missing.jpg")),
                           item("Den", "Lamp", "40", dir.filePath("broken.jpg")),
                           item("Attic", "Trunk", "about 90", QString())};
        workbook = dir.filePath(QStringLiteral("inventory.xls"));
        exportInventoryWorkbook(factory, inventory, dir.path(), workbook);
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    int pages(const QString& pdf)
    {
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        const qsizetype at = info.indexOf(QLatin1String("Pages:"));
        return at < 0 ? -1 : info.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
    }

    QTemporaryDir dir;
    ExcelFactory factory;
    QString workbook;
};

// Saving told page by page, and stopped after the second page, or while the workbook is read:
// nothing is written and the file already there stays as it was.
TEST_F(ReportTest, AStoppedPdfLeavesTheFileThereAsItWas)
{
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    write(QStringLiteral("report.pdf"), "the report of last year");
    std::vector<std::pair<int, int>> told;
    const bool whole =
        writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                       spreadsheet::files::ReadOnlyTarget::Refuse, [&told](int done, int total) {
                           if (total > 0) // the pages, after reading the workbook
                               told.emplace_back(done, total);
                           return done < 2;
                       });
    EXPECT_FALSE(whole);
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the report of last year"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("report"),
              QStringList{QStringLiteral("report.pdf")});

    EXPECT_FALSE(writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                                spreadsheet::files::ReadOnlyTarget::Refuse,
                                [](int, int total) { return total > 0; }));
    file.close(); // a replaced file is seen only when opened again
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the report of last year"));

    told.clear();
    EXPECT_TRUE(writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                               spreadsheet::files::ReadOnlyTarget::Refuse,
                               [&told](int done, int total) {
                                   told.emplace_back(done, total);
                                   return true;
                               }));
    EXPECT_EQ(told.back(), std::make_pair(4, 4));
    EXPECT_EQ(pages(pdf), 4);
}

TEST_F(ReportTest, ThePdfHoldsTheSummaryTheSheetAndThePhotos)
{
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    writeReportPdf(workbook, pdf, QDate(2026, 12, 8));
    const InventoryReport report(workbook, QDate(2026, 12, 8));
    EXPECT_EQ(report.sheetPageCount(), 1);
    // Summary, one sheet page, one page of photos, and the photos left out.
    EXPECT_EQ(report.pageCount(), 4);
    EXPECT_EQ(pages(pdf), 4);

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* expected :
         {"Home Inventory Report", "Tobin Harwell", "000-585-678",
          "4 items, estimated value $590.50", "Garage", "$550.50", "Mower", "SN-Lamp",
          "Item 1, sheet row 10", "Photos that could not be included",
          "missing.jpg: the file does not exist",
          "broken.jpg: it is not a picture that can be read"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    // The photo is embedded turned as its EXIF orientation says: taller than wide.
    const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    const QStringList rows = images.split(QLatin1Char('\n')).mid(2);
    ASSERT_FALSE(rows.isEmpty() || rows[0].isEmpty()) << images.toStdString();
    const QStringList columns = rows[0].simplified().split(QLatin1Char(' '));
    ASSERT_GE(columns.size(), 5);
    EXPECT_LT(columns[3].toInt(), columns[4].toInt()) << rows[0].toStdString();
}

// A name or address longer than a line wraps onto the lines below it, every word on the page;
// a photo's caption shows its estimated value as money, as the summary does.
TEST_F(ReportTest, LongOwnerDetailsWrapAndCaptionsShowMoney)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        STOWFOLIO_ORACLE_MISSING("poppler", "apt-get install poppler-utils");
    const QString name = QStringLiteral(
        "Tobin Alexander Bartholomew Harwell-Montgomery of the Birchwood Estate Trust, acting "
        "for the heirs of Marla Jean Harwell and of Augustus Peregrine Harwell the younger");
    const QString address = QStringLiteral(
        "Apartment 14B, The Old Rectory Cottages, 115 Birchwood Street North, behind the "
        "village green and the war memorial, Little Snoring-on-the-Marsh");
    Inventory inventory;
    inventory.ownerFields = {name, address, "French Leek, IN", "", "Oak Insurance", "", "", ""};
    QStringList row(12);
    row[0] = QStringLiteral("A room whose name is longer than the column of locations holds");
    row[1] = QStringLiteral("Bike");
    row[7] = QStringLiteral("900");
    row[11] = dir.filePath(QStringLiteral("turned.jpg"));
    inventory.items = {itemFromTexts(row)};
    const QString book = dir.filePath(QStringLiteral("long.xls"));
    exportInventoryWorkbook(factory, inventory, dir.path(), book);
    const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
    writeReportPdf(book, pdf, QDate(2026, 12, 8));

    // Compared without blanks: a line may break after a hyphen, as in "Snoring-" "on-the-Marsh".
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QString summary =
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")})
            .remove(blanks);
    for (const QString& expected :
         {QStringLiteral("Name:") + name, QStringLiteral("Address:") + address,
          QStringLiteral("City,State,ZIPcode:FrenchLeek,IN"), QStringLiteral("Aroomwhose"),
          QStringLiteral("locationsholds")})
        EXPECT_TRUE(summary.contains(QString(expected).remove(blanks)))
            << expected.toStdString() << "\nin: " << summary.toStdString();

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    EXPECT_TRUE(text.contains(QStringLiteral("Estimated value: $900.00"))) << text.toStdString();
}

// Every item of a sheet of several pages is printed once, in order: no page repeats a row of
// the page before, under its title rows or after them, and none is left out.
TEST_F(ReportTest, EveryItemRowIsPrintedOnceAndInOrder)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        STOWFOLIO_ORACLE_MISSING("poppler", "apt-get install poppler-utils");
    constexpr int kItems = 300;
    Inventory inventory;
    for (int i = 1; i <= kItems; ++i) {
        QStringList row(12);
        row[0] = QStringLiteral("Room %1").arg(i % 7);
        row[1] = QStringLiteral("ITEM%1").arg(i, 4, 10, QLatin1Char('0'));
        row[7] = QString::number(i);
        inventory.items.push_back(itemFromTexts(row));
    }
    const QString book = dir.filePath(QStringLiteral("many.xls"));
    exportInventoryWorkbook(factory, inventory, dir.path(), book);
    const QString pdf = dir.filePath(QStringLiteral("many.pdf"));
    writeReportPdf(book, pdf, QDate(2026, 12, 8));
    EXPECT_GE(InventoryReport(book, QDate(2026, 12, 8)).sheetPageCount(), 3);

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    std::vector<int> printed;
    static const QRegularExpression item(QStringLiteral("ITEM(\\d{4})"));
    for (auto it = item.globalMatch(text); it.hasNext();)
        printed.push_back(it.next().captured(1).toInt());
    std::vector<int> expected(kItems);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(printed, expected);
}

// The size of the first picture embedded in a PDF, as poppler lists it.
QSize firstImageSize(const QString& pdf)
{
    const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    const QStringList rows = images.split(QLatin1Char('\n')).mid(2);
    const QStringList columns = rows.value(0).simplified().split(QLatin1Char(' '));
    EXPECT_GE(columns.size(), 5) << images.toStdString();
    return columns.size() < 5 ? QSize() : QSize(columns[3].toInt(), columns[4].toInt());
}

// A phone's photo, 4000 x 3000 stored and turned upright by its EXIF orientation, is decoded at
// the size it prints (a fraction of its pixels) and keeps its upright 3 : 4 shape.
TEST_F(ReportTest, ALargeTurnedPhotoIsScaledDownUpright)
{
    write(QStringLiteral("phone.jpg"), turnedJpeg(4000, 3000));
    Inventory inventory;
    QStringList row(12);
    row[0] = QStringLiteral("Hall");
    row[1] = QStringLiteral("Clock");
    row[11] = dir.filePath(QStringLiteral("phone.jpg"));
    inventory.items = {itemFromTexts(row)};
    const QString book = dir.filePath(QStringLiteral("phone.xls"));
    exportInventoryWorkbook(factory, inventory, dir.path(), book);
    const QString pdf = dir.filePath(QStringLiteral("phone.pdf"));
    writeReportPdf(book, pdf, QDate(2026, 12, 8));

    const QSize embedded = firstImageSize(pdf);
    ASSERT_FALSE(embedded.isEmpty());
    EXPECT_LT(embedded.width(), 3000);
    EXPECT_LT(embedded.height(), 4000);
    EXPECT_NEAR(double(embedded.height()) / embedded.width(), 4.0 / 3.0, 0.02)
        << embedded.width() << " x " << embedded.height();
}

// A folder that refuses the file or a full disk: a clear error, and no half-written PDF where
// the report was asked for (an older one stays whole).
TEST_F(ReportTest, AFailedWriteLeavesNoHalfWrittenReport)
{
    EXPECT_THROW(writeReportPdf(workbook, dir.filePath(QStringLiteral("no/such/report.pdf")),
                                QDate(2026, 12, 8)),
                 std::runtime_error);
    const QString pdf = dir.filePath(QStringLiteral("old.pdf"));
    write(QStringLiteral("old.pdf"), "last year's report");
    {
        testing::FileSizeLimit full(2048);
        try {
            writeReportPdf(workbook, pdf, QDate(2026, 12, 8));
            ADD_FAILURE() << "a report larger than the disk was written";
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("old.pdf")));
        }
    }
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("last year's report"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("no"))));
}

// The report is written through a temporary file beside it; neither a report written nor one
// that failed on a full disk leaves that file behind.
TEST_F(ReportTest, NoTemporaryFileIsLeftBesideTheReport)
{
    QTemporaryDir out;
    const QString pdf = QDir(out.path()).filePath(QStringLiteral("report.pdf"));
    writeReportPdf(workbook, pdf, QDate(2026, 12, 8));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("report.pdf")});
    const qint64 written = QFileInfo(pdf).size();
    EXPECT_GT(written, 0);
    {
        testing::FileSizeLimit full(2048);
        EXPECT_THROW(writeReportPdf(workbook, pdf, QDate(2026, 12, 8)), std::runtime_error);
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("report.pdf")});
    EXPECT_EQ(QFileInfo(pdf).size(), written);
}

} // namespace
} // namespace stowfolio::report

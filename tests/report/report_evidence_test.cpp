// The report with the items' attachments: every picture among the photos (HEIC too), the
// evidence index with each file's full SHA-256, and damaged files among the problems.

#include "report/inventory_report.h"

#include "tests/evidence/heic_picture.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio::report {
namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QImage filled(int width, int height, Qt::GlobalColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray pictureBytes(int width, int height, const char* format, Qt::GlobalColor colour)
{
    const QImage image = filled(width, height, colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The images pdfimages lists: width and height of each.
std::vector<QSize> imagesOf(const QString& pdf)
{
    std::vector<QSize> sizes;
    const QStringList rows =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n').mid(2);
    for (const QString& row : rows) {
        const QStringList columns = row.simplified().split(' ');
        if (columns.size() >= 5 && columns[2] == QLatin1String("image"))
            sizes.emplace_back(columns[3].toInt(), columns[4].toInt());
    }
    return sizes;
}

class ReportEvidenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
            GTEST_SKIP() << "poppler-utils are not installed";
        registerBuiltInEngine(factory);
        Inventory inventory;
        inventory.ownerFields = QStringList(8, QStringLiteral("x"));
        const auto item = [&](const char* location, const char* description, const QString& photo) {
            QStringList row(12);
            row[0] = QString::fromUtf8(location);
            row[1] = QString::fromUtf8(description);
            row[7] = QStringLiteral("10");
            row[11] = photo;
            return itemFromTexts(row);
        };
        // The second item is empty: the sheet gives it no row that is read back, and the
        // evidence of the third still belongs to the third.
        inventory.items = {
            item("Garage", "Bike", write("typed.jpg", pictureBytes(40, 80, "JPEG", Qt::darkRed))),
            item("", "", QString()), item("Attic", "Trunk", QString())};
        workbook = dir.filePath(QStringLiteral("inventory.xls"));
        exportInventoryWorkbook(factory, inventory, dir.path(), workbook);
    }

    // Writes `bytes` as a stored file and returns its evidence.
    EvidenceFile file(AttachmentKind kind, const QString& name, const QByteArray& bytes,
                      const QString& caption = {}, const QString& taken = {})
    {
        EvidenceFile evidence;
        evidence.attachment.kind = kind;
        evidence.attachment.caption = caption;
        evidence.attachment.added = QStringLiteral("2026-11-30T09:15:00");
        evidence.attachment.file.sha256 = QString::fromLatin1(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        evidence.attachment.file.size = bytes.size();
        evidence.attachment.file.originalName = name;
        evidence.attachment.file.taken = taken;
        evidence.path = write(QStringLiteral("store/") + evidence.attachment.file.sha256, bytes);
        return evidence;
    }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QDir(dir.path()).mkpath(QStringLiteral("store"));
        QFile out(dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return out.fileName();
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

TEST_F(ReportEvidenceTest, EveryPictureIsPrintedAndEveryFileIndexedWithItsDigest)
{
    const QByteArray heic = testing::heicBytes(filled(300, 100, Qt::white), {});
    ReportEvidence evidence;
    evidence.items.resize(3);
    evidence.items[0] = {
        file(AttachmentKind::Photo, "front.jpg", pictureBytes(120, 120, "JPEG", Qt::darkBlue),
             "Front view", "2024-05-01T14:03:22"),
        file(AttachmentKind::Receipt, "receipt.png", pictureBytes(50, 150, "PNG", Qt::gray)),
        file(AttachmentKind::Manual, "manual.pdf", QByteArray("%PDF-1.4\n% the bike's manual\n"),
             "Owner's manual")};
    const bool withHeic = !heic.isEmpty();
    if (withHeic)
        evidence.items[2] = {file(AttachmentKind::Photo, "IMG_0042.HEIC", heic, "Lid open")};

    const InventoryReport plain(workbook, QDate(2026, 12, 8));
    const InventoryReport same(workbook, QDate(2026, 12, 8), {},
                               ReportEvidence{std::vector<std::vector<EvidenceFile>>(3)});
    const InventoryReport report(workbook, QDate(2026, 12, 8), {}, evidence);
    // Summary, sheet, one page of the typed photo: no files, no more pages.
    EXPECT_EQ(plain.pageCount(), 3);
    EXPECT_EQ(same.pageCount(), 3);
    // The typed photo and three pictures on two pages, and one page of evidence index.
    const int photos = withHeic ? 4 : 3;
    EXPECT_EQ(report.pageCount(), 2 + (photos + 1) / 2 + 1);

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                               spreadsheet::files::ReadOnlyTarget::Refuse, {}, evidence));
    EXPECT_EQ(pages(pdf), report.pageCount());

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* expected :
         {"Photo: Front view", "File: front.jpg", "Receipt: receipt.png", "Evidence index",
          "Item 1, sheet row 10: Bike (Garage)", "Manual: manual.pdf \u2013 Owner's manual",
          "Taken 2024-05-01 14:03:22", "Added 2026-11-30 09:15:00"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(text.contains(QLatin1String("could not be included")));
    // The manual is no picture: it is in the index only.
    EXPECT_FALSE(text.contains(QLatin1String("Manual: Owner's manual")));
    if (withHeic) {
        EXPECT_TRUE(text.contains(QLatin1String("Item 3, sheet row 12: Trunk (Attic)")));
        EXPECT_TRUE(text.contains(QLatin1String("Photo: Lid open")));
    }
    // Each digest whole, on one line.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const auto& files : evidence.items)
        for (const EvidenceFile& stored : files) {
            const QString digest = stored.attachment.file.sha256;
            EXPECT_EQ(lines.filter(QStringLiteral("SHA-256: ") + digest).size(), 1)
                << digest.toStdString();
        }
    // The typed photo is not printed twice when it was kept as an attachment too: here it was
    // not, so it is printed with the three.
    const std::vector<QSize> images = imagesOf(pdf);
    ASSERT_EQ(static_cast<int>(images.size()), photos);
    // The HEIC is in the PDF as it is, three times as wide as high.
    if (withHeic) {
        EXPECT_TRUE(std::any_of(images.begin(), images.end(), [](const QSize& size) {
            return size.width() == 3 * size.height();
        }));
    }
}

TEST_F(ReportEvidenceTest, ATypedPhotoKeptAsAnAttachmentIsPrintedOnce)
{
    QFile typed(dir.filePath(QStringLiteral("typed.jpg")));
    ASSERT_TRUE(typed.open(QIODevice::ReadOnly));
    ReportEvidence evidence;
    evidence.items = {{file(AttachmentKind::Photo, "typed.jpg", typed.readAll())}};
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                               spreadsheet::files::ReadOnlyTarget::Refuse, {}, evidence));
    EXPECT_EQ(imagesOf(pdf).size(), 1u);
    EXPECT_TRUE(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"})
                    .contains(QLatin1String("Photo: typed.jpg")));
}

TEST_F(ReportEvidenceTest, DamagedFilesAreProblemsAndTheReportCompletes)
{
    QByteArray heic = testing::heicBytes(filled(64, 64, Qt::red), {});
    ReportEvidence evidence;
    evidence.items.resize(3);
    evidence.items[0] = {
        file(AttachmentKind::Photo, "broken.jpg", QByteArray("\xFF\xD8\xFF\xE0 not really", 15)),
        file(AttachmentKind::Photo, "notes.txt", QByteArray("not a picture")),
        file(AttachmentKind::Photo, "good.png", pictureBytes(30, 30, "PNG", Qt::cyan))};
    EvidenceFile gone = file(AttachmentKind::Photo, "gone.jpg", QByteArray("whatever"));
    QFile::remove(gone.path);
    EvidenceFile goneReceipt = file(AttachmentKind::Receipt, "receipt.pdf", QByteArray("%PDF"));
    QFile::remove(goneReceipt.path);
    evidence.items[2] = {gone, goneReceipt};
    if (!heic.isEmpty()) {
        heic.truncate(heic.size() / 3);
        evidence.items[2].push_back(file(AttachmentKind::Photo, "cut.heic", heic));
    }

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(writeReportPdf(workbook, pdf, QDate(2026, 12, 8),
                               spreadsheet::files::ReadOnlyTarget::Refuse, {}, evidence));
    const InventoryReport report(workbook, QDate(2026, 12, 8), {}, evidence);
    EXPECT_EQ(pages(pdf), report.pageCount());
    // The typed photo and good.png are printed; nothing else is.
    EXPECT_EQ(imagesOf(pdf).size(), 2u);
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* expected :
         {"Photos that could not be included", "Item 1 (Garage, Bike): Photo broken.jpg:",
          "Item 1 (Garage, Bike): Photo notes.txt: it is not a picture Stowfolio prints",
          "Item 3 (Attic, Trunk): Photo gone.jpg: the stored file is missing (the file does not "
          "exist)",
          "receipt.pdf", "the stored file is missing"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    if (!heic.isEmpty()) {
        EXPECT_TRUE(text.contains(QLatin1String("Item 3 (Attic, Trunk): Photo cut.heic:")));
    }
    // A receipt that is no picture is no problem of the photos.
    EXPECT_FALSE(text.contains(QLatin1String("Receipt receipt.pdf:")));
}

// A picture whose header reads well but whose pixels do not is found out only when its page is
// painted: a note in its place, and a line among the problems on a page of their own.
TEST_F(ReportEvidenceTest, PixelsThatFailWhenPrintedAreProblemsToo)
{
    QByteArray png = pictureBytes(200, 200, "PNG", Qt::yellow);
    const qsizetype data = png.indexOf("IDAT");
    ASSERT_GT(data, 0);
    for (qsizetype i = data + 8; i < data + 40 && i < png.size(); ++i)
        png[i] = static_cast<char>(png[i] ^ 0x5A);
    ReportEvidence evidence;
    evidence.items = {{file(AttachmentKind::Receipt, "till.png", png)}};

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    std::vector<std::pair<int, int>> told;
    ASSERT_TRUE(writeReportPdf(
        workbook, pdf, QDate(2026, 12, 8), spreadsheet::files::ReadOnlyTarget::Refuse,
        [&told](int done, int total) {
            told.emplace_back(done, total);
            return true;
        },
        evidence));
    // Summary, sheet, the page of both photos, the evidence index, and the problems.
    EXPECT_EQ(pages(pdf), 5);
    EXPECT_EQ(told.back(), std::make_pair(5, 5));
    EXPECT_EQ(imagesOf(pdf).size(), 1u);
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    EXPECT_TRUE(text.contains(QLatin1String("The photo could not be read")));
    EXPECT_TRUE(text.contains(QLatin1String("Photos that could not be included")));
    EXPECT_TRUE(text.contains(QLatin1String("Item 1 (Garage, Bike): Receipt till.png:")));
}

} // namespace
} // namespace stowfolio::report

#include "spreadsheet/render/sheet_picture.h"

#include "spreadsheet/model/error.h"
#include "spreadsheet/render/png_file.h"
#include "tests/support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>

namespace spreadsheet::render {
namespace {

QFont pixelFont(const QString& family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A small picture with every kind of item, including a fill far taller than a row.
SheetPicture samplePicture()
{
    SheetPicture picture(QSize(200, 5000));
    picture.addFill({QRectF(0, 0, 50, 1000), QColor(0x3B, 0x4E, 0x87)});
    for (int row = 0; row < 50; ++row) {
        picture.addFill({QRectF(60, row * 20, 100, 20), QColor(0xF4, 0xF4, 0xF4)});
        picture.addText({QRectF(60, row * 20, 100, 20), QRectF(60, row * 20, 140, 20),
                         QStringLiteral("Row %1 ünïcode").arg(row),
                         pixelFont("Liberation Sans", 12, row % 2), Qt::black,
                         Qt::AlignLeft | Qt::AlignBottom});
        // A repeated string next to it, in the same row and clipped to its own rectangle.
        picture.addText({QRectF(165, row * 20, 30, 20), QRectF(165, row * 20, 30, 20),
                         QStringLiteral("ok"), pixelFont("Liberation Sans", 12, row % 2),
                         row % 4 ? Qt::black : Qt::darkGreen, Qt::AlignRight | Qt::AlignBottom});
        picture.addLine({QPointF(60, row * 20 + 19.5), QPointF(160, row * 20 + 19.5), Qt::black, 1,
                         row % 3 == 0 ? Qt::DashLine : Qt::SolidLine});
    }
    picture.addLine({QPointF(199.5, 0), QPointF(199.5, 5000), Qt::red, 2, Qt::SolidLine});
    picture.finish();
    return picture;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A file of one font, one string and one text, written byte by byte: `reuse` is the text's
// reuse bits (0 = everything stored), `string` the index of its string.
QByteArray oneTextFile(quint8 reuse, quint32 string)
{
    QByteArray bytes;
    const auto put = [&](quint64 value, int count) {
        for (int i = 0; i < count; ++i)
            bytes.append(char(value >> (8 * i)));
    };
    const auto putF64 = [&](double value) { put(std::bit_cast<quint64>(value), 8); };
    bytes.append("CPFS"); // the magic number, little-endian
    put(3, 2);
    put(40, 4);
    put(20, 4);
    for (const quint32 count : {1, 1, 0, 0, 1})
        put(count, 4);
    put(15, 4);
    bytes.append("Liberation Sans");
    put(12, 4);
    put(400, 2);
    put(0, 1);
    put(1, 4);
    bytes.append("x");
    put(reuse, 1);
    for (const double value : {0.0, 40.0, 0.0, 20.0, 0.0, 40.0, 0.0, 20.0})
        putF64(value);
    put(0, 4);          // font
    put(0xFF000000, 4); // colour
    put(Qt::AlignLeft | Qt::AlignBottom, 2);
    put(string, 4);
    return bytes;
}

TEST(SheetPicture, HandWrittenFileLoads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("one.bin");
    writeAll(path, oneTextFile(0, 0));
    QString error;
    const std::optional<SheetPicture> loaded = SheetPicture::load(path, &error);
    ASSERT_TRUE(loaded) << error.toStdString();
    ASSERT_EQ(loaded->texts().size(), 1u);
    EXPECT_EQ(loaded->texts()[0].text, QStringLiteral("x"));
    EXPECT_EQ(loaded->texts()[0].clip, QRectF(0, 0, 40, 20));
}

TEST(SheetPicture, PaintsOnlyWhatIsVisibleButReachesTallItemsFromAbove)
{
    const SheetPicture picture = samplePicture();
    // A viewport in the lower half: the tall fill that starts at the top must still be painted,
    // the rows above the viewport must not.
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(0, -800);
    picture.paint(painter, QRectF(0, 800, 200, 100));
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 50), QColor(0x3B, 0x4E, 0x87));
    EXPECT_EQ(image.pixelColor(155, 5), QColor(0xF4, 0xF4, 0xF4));
    EXPECT_EQ(image.pixelColor(199, 50), QColor(Qt::red));

    // Far below every row only the line that runs down the whole picture is left.
    image.fill(Qt::white);
    painter.begin(&image);
    painter.translate(0, -4000);
    picture.paint(painter, QRectF(0, 4000, 200, 100));
    painter.end();
    EXPECT_EQ(image.pixelColor(199, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 50), QColor(Qt::white));
}

TEST(SheetPicture, VisibleRectangleLimitsWhatIsPainted)
{
    const SheetPicture picture = samplePicture();
    QImage image(200, 1000, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.paint(painter, QRectF(0, 500, 200, 100));
    painter.end();
    EXPECT_EQ(image.pixelColor(155, 505), QColor(0xF4, 0xF4, 0xF4));
    EXPECT_EQ(image.pixelColor(155, 205), QColor(Qt::white)) << "a row far above was painted";
    EXPECT_EQ(image.pixelColor(155, 905), QColor(Qt::white)) << "a row far below was painted";
}

// Thirty rows of 20 pixels laid out as the renderer lays out cells: each row's last pixel is its
// bottom line, its text is clipped to the cell above that line, and one line runs down the whole
// picture.
SheetPicture ruledRows()
{
    SheetPicture picture(QSize(130, 5000));
    for (int row = 0; row < 30; ++row) {
        const QRectF cell(2, row * 20, 100, 19);
        picture.addText({cell, cell, QStringLiteral("Row %1").arg(row),
                         pixelFont("Liberation Sans", 12), Qt::black,
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine});
        picture.addLine({QPointF(0, row * 20 + 19.5), QPointF(120, row * 20 + 19.5), Qt::black, 1,
                         Qt::SolidLine});
    }
    picture.addLine({QPointF(119.5, 0), QPointF(119.5, 5000), Qt::red, 1, Qt::SolidLine});
    picture.finish();
    return picture;
}

bool blank(const QImage& image, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                return false;
    return true;
}

// A printed page's band of rows 10 to 19 runs from the line above row 10 (row 9's last pixel,
// 199) to row 19's bottom line (399). The rows on either side only touch it: their texts are
// not painted at all, or the page's PDF would hold them as well.
TEST(SheetPicture, RowsThatOnlyTouchTheVisibleBandAreNotPainted)
{
    const SheetPicture picture = ruledRows();
    QImage image(130, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.paint(painter, QRectF(0, 199, 130, 201));
    painter.end();
    EXPECT_TRUE(blank(image.copy(0, 180, 110, 600), 0, 19)) << "row 9's text was painted";
    EXPECT_TRUE(blank(image.copy(0, 400, 110, 600), 0, 19)) << "row 20's text was painted";
    EXPECT_FALSE(blank(image.copy(0, 200, 110, 600), 0, 19)) << "row 10's text is missing";
    EXPECT_FALSE(blank(image.copy(0, 380, 110, 600), 0, 19)) << "row 19's text is missing";
}

// With the band as the painter's clip nothing lands outside it (texts and the line running down
// the picture included), and both lines at its edges are there.
TEST(SheetPicture, PaintingStaysInsideTheCallersClip)
{
    const SheetPicture picture = ruledRows();
    QImage image(130, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRectF band(0, 199, 130, 201);
    painter.setClipRect(band);
    // Visible reaching past the clip: the clip alone must keep row 20 off the page.
    picture.paint(painter, band.adjusted(0, -40, 0, 40));
    painter.end();
    EXPECT_TRUE(blank(image, 0, 199)) << "painted above the clip";
    EXPECT_TRUE(blank(image, 400, 600)) << "painted below the clip";
    EXPECT_EQ(image.pixelColor(50, 199), QColor(Qt::black)) << "the line above row 10";
    EXPECT_EQ(image.pixelColor(50, 399), QColor(Qt::black)) << "row 19's bottom line";
    EXPECT_EQ(image.pixelColor(119, 300), QColor(Qt::red));
}

TEST(SheetPicture, UnfinishedPicturePaintsTheSame)
{
    SheetPicture finished = samplePicture();
    SheetPicture unfinished(finished.size());
    for (auto it = finished.fills().rbegin(); it != finished.fills().rend(); ++it)
        unfinished.addFill(*it);
    for (const auto& line : finished.lines())
        unfinished.addLine(line);
    for (const auto& text : finished.texts())
        unfinished.addText(text);
    EXPECT_EQ(unfinished.toImage(), finished.toImage());
}

TEST(SheetPicture, ToImageScalesTheWholePicture)
{
    const SheetPicture picture = samplePicture();
    EXPECT_EQ(picture.toImage(0.25).size(), QSize(50, 1250));
    const QImage doubled = picture.toImage(2.0);
    EXPECT_EQ(doubled.size(), QSize(400, 10000));
    EXPECT_EQ(doubled.pixelColor(20, 1990), QColor(0x3B, 0x4E, 0x87));
}

// Underlines of glyph-painted texts stay under the text at every zoom (Qt's own glyph-run
// decorations drift under a transform).
TEST(SheetPicture, UnderlineStaysUnderTheTextWhenZoomed)
{
    QFont font = pixelFont("Liberation Sans", 13);
    font.setUnderline(true);
    const QString text = QStringLiteral("Under");
    const qreal width = QFontMetricsF(font).horizontalAdvance(text);
    SheetPicture picture(QSize(200, 20));
    picture.addText({QRectF(10, 0, width, 19), QRectF(0, 0, 200, 19), text, font, Qt::black,
                     Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine});
    picture.finish();
    for (const double zoom : {1.0, 1.5, 2.0}) {
        const QImage image = picture.toImage(zoom);
        int longestDarkRun = 0;
        for (int y = 0; y < image.height(); ++y) {
            int run = 0;
            for (int x = 0; x < image.width(); ++x) {
                const bool dark = image.pixelColor(x, y).lightness() < 128;
                run = dark ? run + 1 : 0;
                longestDarkRun = std::max(longestDarkRun, run);
                if (dark) {
                    EXPECT_LT(x, (10 + width + 3) * zoom) << "ink right of the text at " << zoom;
                }
            }
        }
        EXPECT_GE(longestDarkRun, 0.9 * width * zoom) << "no underline at zoom " << zoom;
    }
}

TEST(SheetPicture, SaveAndLoadGiveTheSamePicture)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.bin");
    const SheetPicture original = samplePicture();
    QString error;
    ASSERT_TRUE(original.save(path, &error)) << error.toStdString();
    const std::optional<SheetPicture> loaded = SheetPicture::load(path, &error);
    ASSERT_TRUE(loaded) << error.toStdString();
    EXPECT_EQ(loaded->size(), original.size());
    ASSERT_EQ(loaded->texts().size(), original.texts().size());
    for (size_t i = 0; i < original.texts().size(); ++i) {
        const auto& a = original.texts()[i];
        const auto& b = loaded->texts()[i];
        EXPECT_EQ(a.text, b.text);
        EXPECT_EQ(a.rect, b.rect);
        EXPECT_EQ(a.clip, b.clip);
        EXPECT_EQ(a.flags, b.flags);
        EXPECT_EQ(a.color, b.color);
        EXPECT_EQ(a.font.pixelSize(), b.font.pixelSize());
        EXPECT_EQ(a.font.bold(), b.font.bold());
        EXPECT_EQ(a.font.family(), b.font.family());
    }
    ASSERT_EQ(loaded->lines().size(), original.lines().size());
    EXPECT_EQ(loaded->lines().back().style, original.lines().back().style);
    EXPECT_EQ(loaded->lines().back().width, original.lines().back().width);
    EXPECT_EQ(loaded->fills().size(), original.fills().size());
    EXPECT_EQ(loaded->toImage(), original.toImage());
}

TEST(SheetPicture, EmptyPictureRoundTrips)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.bin");
    ASSERT_TRUE(SheetPicture().save(path, nullptr));
    const auto loaded = SheetPicture::load(path, nullptr);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->isEmpty());
}

// The snapshot and --render on a full disk: a failure is reported, and no cut-off file is left
// in place of the old one.
TEST(SheetPicture, AFullDiskLeavesTheOldFilesWhole)
{
    QTemporaryDir dir;
    const QString picturePath = dir.filePath("temp.bmp");
    const QString pngPath = dir.filePath("sheet.png");
    ASSERT_TRUE(SheetPicture().save(picturePath, nullptr));
    const QImage image = samplePicture().toImage(4.0);
    writePngFile(QImage(1, 1, QImage::Format_RGB32), pngPath);
    const QByteArray oldPicture = readAll(picturePath);
    const QByteArray oldPng = readAll(pngPath);
    QString error;
    {
        stowfolio::testing::FileSizeLimit full(static_cast<rlim_t>(oldPng.size() + 10));
        EXPECT_FALSE(samplePicture().save(picturePath, &error));
        EXPECT_THROW(writePngFile(image, pngPath), spreadsheet::Error);
    }
    EXPECT_TRUE(error.contains("temp.bmp")) << error.toStdString();
    EXPECT_EQ(readAll(picturePath), oldPicture);
    EXPECT_EQ(readAll(pngPath), oldPng);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// Each case damages a good file; the loader must refuse it with a message naming the file.
TEST(SheetPicture, LoadRefusesDamagedFiles)
{
    QTemporaryDir dir;
    const QString goodPath = dir.filePath("good.bin");
    ASSERT_TRUE(samplePicture().save(goodPath, nullptr));
    const QByteArray good = readAll(goodPath);
    auto withU32At = [&](int offset, quint32 value) {
        QByteArray bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = char(value >> (8 * i));
        return bytes;
    };
    // Little-endian header: magic 0..3, version 4..5, size 6..13, counts 14..33, first font at 34.
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* expected;
    } cases[] = {
        {"empty file", QByteArray(), "not a sheet picture"},
        {"bad magic", QByteArray("BMxx") + good.mid(4), "not a sheet picture"},
        {"other version", QByteArray(good).replace(4, 2, QByteArray("\x07\x00", 2)),
         "format version 7"},
        {"negative width", withU32At(6, 0xFFFFFFF0), "size"},
        {"truncated header", good.left(16), "item counts"},
        {"truncated counts", good.left(24), "more than its size can hold"},
        {"truncated items", good.left(good.size() - 7), "ends in the middle of"},
        {"absurd font count", withU32At(14, 0xFFFFFFFF), "more than its size can hold"},
        {"absurd text count", withU32At(30, 100000000), "more than its size can hold"},
        {"trailing bytes", good + QByteArray(9, 'x'), "follow the last item"},
        {"too many fonts", withU32At(14, 5000) + QByteArray(5000 * 11, 'x'), "at most 4096"},
        {"long family name", withU32At(34, 0x7FFFFFFF), "longer than the file"},
        {"first text refers back", oneTextFile(1, 0), "refers to one before it"},
        {"unknown reuse bits", oneTextFile(0x80, 0), "unknown reuse bits"},
        {"string out of range", oneTextFile(0, 1), "names string 1 of 1"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath("damaged.bin");
        writeAll(path, c.bytes);
        QString error;
        EXPECT_FALSE(SheetPicture::load(path, &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.expected)))
            << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(path)) << c.name;
    }
}

// Every single-byte change and every truncation of a small file is either refused or loads;
// none may crash (the address sanitizer build checks the reads).
TEST(SheetPicture, LoadSurvivesEveryCorruptionOfASmallFile)
{
    QTemporaryDir dir;
    SheetPicture small(QSize(40, 20));
    small.addFill({QRectF(0, 0, 40, 20), Qt::yellow});
    small.addLine({QPointF(0, 19.5), QPointF(40, 19.5), Qt::black, 1, Qt::DotLine});
    small.addText({QRectF(0, 0, 40, 20), QRectF(0, 0, 40, 20), "x",
                   pixelFont("Liberation Serif", 12), Qt::black, Qt::AlignCenter});
    small.finish();
    const QString goodPath = dir.filePath("small.bin");
    ASSERT_TRUE(small.save(goodPath, nullptr));
    const QByteArray good = readAll(goodPath);
    const QString path = dir.filePath("mutant.bin");
    int refused = 0;
    for (int i = 0; i < good.size(); ++i) {
        for (const char delta : {char(1), char(0x80)}) {
            QByteArray bytes = good;
            bytes[i] = char(bytes[i] ^ delta);
            writeAll(path, bytes);
            refused += SheetPicture::load(path, nullptr) ? 0 : 1;
        }
        writeAll(path, good.left(i));
        EXPECT_FALSE(SheetPicture::load(path, nullptr)) << "truncated to " << i;
    }
    EXPECT_GT(refused, 0);
}

TEST(SheetPicture, LoadReportsAMissingFile)
{
    QString error;
    EXPECT_FALSE(SheetPicture::load("/nonexistent/picture.bin", &error));
    EXPECT_TRUE(error.contains("Cannot open")) << error.toStdString();
}

} // namespace
} // namespace spreadsheet::render

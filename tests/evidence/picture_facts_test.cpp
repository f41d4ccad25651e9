// Facts read from photos: EXIF date taken, camera and orientation from a JPEG's APP1 segment and
// from a HEIC's EXIF item, damaged blocks that give nothing, and pictures loaded the right way
// up at the size asked for.

#include "evidence/attachment_error.h"
#include "evidence/picture_facts.h"
#include "evidence/picture_loader.h"
#include "tests/evidence/exif_block.h"
#include "tests/evidence/heic_picture.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace stowfolio {
namespace {

using testing::ExifTags;

std::span<const std::uint8_t> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

ExifTags cameraTags()
{
    ExifTags tags;
    tags.make = "Canon";
    tags.model = "Canon EOS 80D";
    tags.orientation = 6;
    tags.dateTimeOriginal = "2024:05:01 14:03:22";
    return tags;
}

class PictureFactsTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        return testing::writeTestFile(QDir(m_dir.path()), name, bytes);
    }

    QTemporaryDir m_dir;
};

TEST_F(PictureFactsTest, AJpegTellsWhenAndWithWhatItWasTaken)
{
    const QByteArray jpeg = testing::withExif(testing::jpegBytes(testing::testPicture(40, 20)),
                                              testing::exifBlock(cameraTags()));
    const PictureFacts facts = pictureFacts(bytesOf(jpeg));
    EXPECT_EQ(facts.taken, "2024-05-01T14:03:22");
    EXPECT_EQ(facts.camera, "Canon EOS 80D");
    EXPECT_EQ(facts.orientation, 6);

    const PictureFacts fromFile =
        pictureFactsOfFile(QFile::encodeName(write(QStringLiteral("tv.jpg"), jpeg)).toStdString());
    EXPECT_EQ(fromFile.taken, facts.taken);
    EXPECT_EQ(fromFile.camera, facts.camera);
}

TEST_F(PictureFactsTest, TheMakeIsNamedOnceAndAMissingDateStaysMissing)
{
    ExifTags tags;
    tags.make = "NIKON CORPORATION";
    tags.model = "COOLPIX P7000";
    const PictureFacts facts = exifFacts(bytesOf(testing::exifBlock(tags)));
    EXPECT_EQ(facts.camera, "NIKON CORPORATION COOLPIX P7000");
    // libexif left to itself would add a date taken of "now".
    EXPECT_EQ(facts.taken, "");
    EXPECT_EQ(facts.orientation, 1);

    tags.dateTimeOriginal = "0000:00:00 00:00:00";
    EXPECT_EQ(exifFacts(bytesOf(testing::exifBlock(tags))).taken, "");
    tags.dateTimeOriginal = "2024:13:01 10:00:00";
    EXPECT_EQ(exifFacts(bytesOf(testing::exifBlock(tags))).taken, "");
}

TEST_F(PictureFactsTest, DamagedOrMissingExifGivesNoFacts)
{
    const QByteArray block = testing::exifBlock(cameraTags());
    // Cut anywhere, the block gives what it still holds and never more.
    for (qsizetype size = 0; size < block.size(); ++size) {
        const PictureFacts facts = exifFacts(bytesOf(block.left(size)));
        EXPECT_TRUE(facts.taken.empty() || facts.taken == "2024-05-01T14:03:22");
        EXPECT_GE(facts.orientation, 1);
        EXPECT_LE(facts.orientation, 8);
    }
    EXPECT_EQ(pictureFacts(bytesOf(testing::jpegBytes(testing::testPicture(8, 8)))).camera, "");
    EXPECT_EQ(pictureFacts(bytesOf(QByteArray("%PDF-1.4 not a picture"))).camera, "");
    EXPECT_EQ(pictureFactsOfFile("/nonexistent/file.jpg").camera, "");
}

TEST_F(PictureFactsTest, TheExifSegmentIsFoundOnlyWithinTheJpegsBounds)
{
    const QByteArray exif = testing::exifBlock(cameraTags());
    const QByteArray jpeg = testing::withExif(testing::jpegBytes(testing::testPicture(8, 8)), exif);
    const std::span<const std::uint8_t> block = jpegExifBlock(bytesOf(jpeg));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(block.data()),
                         static_cast<qsizetype>(block.size())),
              exif);
    // A segment whose length runs past the end is not read.
    const QByteArray cut = jpeg.left(4 + 2 + exif.size() / 2);
    EXPECT_TRUE(jpegExifBlock(bytesOf(cut)).empty());
    // Nor one after the image data begins.
    const QByteArray late = QByteArray("\xff\xd8\xff\xda\x00\x02", 6) + jpeg.mid(2);
    EXPECT_TRUE(jpegExifBlock(bytesOf(late)).empty());
}

TEST_F(PictureFactsTest, APictureIsLoadedUprightAndFitted)
{
    // Stored 400 by 200 and marked "turn right": shown 200 by 400, within a 100 by 100 box.
    ExifTags tags;
    tags.orientation = 6;
    const QString path = write(QStringLiteral("turned.jpg"),
                               testing::withExif(testing::jpegBytes(testing::testPicture(400, 200)),
                                                 testing::exifBlock(tags)));
    EXPECT_EQ(pictureFormatOfFile(path), PictureFormat::Jpeg);
    EXPECT_EQ(loadPicture(path, QSize(100, 100), QStringLiteral("turned.jpg")).size(),
              QSize(50, 100));
    EXPECT_EQ(loadPicture(path, QSize(), QStringLiteral("turned.jpg")).size(), QSize(200, 400));
    // Never enlarged.
    EXPECT_EQ(loadPicture(path, QSize(1000, 1000), QStringLiteral("turned.jpg")).size(),
              QSize(200, 400));
}

TEST_F(PictureFactsTest, ADamagedJpegIsNamedNotShown)
{
    const QString path = write(QStringLiteral("broken.jpg"),
                               testing::bytesOf("\xff\xd8\xff\xe0\x00\x10JFIF garbage"));
    try {
        loadPicture(path, QSize(100, 100), QStringLiteral("/home/ann/broken.jpg"));
        FAIL() << "a damaged JPEG was loaded";
    } catch (const AttachmentError& error) {
        EXPECT_EQ(
            std::string(error.what()).rfind("/home/ann/broken.jpg: the picture cannot be read", 0),
            0u)
            << error.what();
    }
    const QString text = write(QStringLiteral("notes.txt"), "just text");
    EXPECT_THROW(loadPicture(text, QSize(10, 10), QStringLiteral("notes.txt")), AttachmentError);
}

TEST_F(PictureFactsTest, AHeicFromAPhoneIsReadLikeAJpeg)
{
    const QByteArray heic =
        testing::heicBytes(testing::testPicture(64, 48), testing::exifBlock(cameraTags()));
    if (heic.isEmpty())
        GTEST_SKIP() << "this machine's libheif cannot encode HEVC, so no HEIC can be made here";
    EXPECT_EQ(pictureFormatOf(bytesOf(heic.left(64))), PictureFormat::Heif);
    const PictureFacts facts = pictureFacts(bytesOf(heic));
    EXPECT_EQ(facts.taken, "2024-05-01T14:03:22");
    EXPECT_EQ(facts.camera, "Canon EOS 80D");
    // libheif turns a HEIF by its own boxes; the EXIF orientation is not applied again.
    EXPECT_EQ(facts.orientation, 1);

    const QString path = write(QStringLiteral("IMG_0001.HEIC"), heic);
    EXPECT_EQ(pictureFactsOfFile(QFile::encodeName(path).toStdString()).camera, "Canon EOS 80D");
    const QImage image = loadPicture(path, QSize(32, 32), QStringLiteral("IMG_0001.HEIC"));
    EXPECT_EQ(image.size(), QSize(32, 24));
    // The colours survive the round trip roughly: left is darker in red than right.
    EXPECT_LT(qRed(image.pixel(1, 12)), qRed(image.pixel(30, 12)));
}

// A HEIC wanted much smaller than it is (a page of the report, a thumbnail) is shrunk to the
// exact size asked for, its colours where they were; its size is known without decoding it.
TEST_F(PictureFactsTest, ALargeHeicIsShrunkToTheSizeAskedFor)
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 150; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    const QByteArray heic = testing::heicBytes(picture, {});
    if (heic.isEmpty())
        GTEST_SKIP() << "this machine's libheif cannot encode HEVC, so no HEIC can be made here";
    const QString path = write(QStringLiteral("wide.heic"), heic);
    EXPECT_EQ(storedPictureSize(path, QStringLiteral("wide.heic")), QSize(300, 200));
    const QImage image = loadPicture(path, QSize(70, 70), QStringLiteral("wide.heic"));
    ASSERT_EQ(image.size(), QSize(70, 46));
    EXPECT_GT(qRed(image.pixel(3, 23)), 200);
    EXPECT_LT(qBlue(image.pixel(3, 23)), 60);
    EXPECT_GT(qBlue(image.pixel(66, 23)), 200);
    EXPECT_LT(qRed(image.pixel(66, 23)), 60);
    EXPECT_EQ(loadPicture(path, QSize(), QStringLiteral("wide.heic")).size(), QSize(300, 200));
}

TEST_F(PictureFactsTest, ThePictureSizeIsReadFromTheHeaderOrRefused)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::green);
    const QString png = m_dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(picture.save(png));
    EXPECT_EQ(storedPictureSize(png, QStringLiteral("a.png")), QSize(40, 30));
    const QString broken =
        write(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 15));
    EXPECT_THROW(storedPictureSize(broken, QStringLiteral("broken.jpg")), AttachmentError);
    const QString text = write(QStringLiteral("notes.txt"), "not a picture");
    EXPECT_THROW(storedPictureSize(text, QStringLiteral("notes.txt")), AttachmentError);
}

TEST_F(PictureFactsTest, ADamagedHeicIsNamedNotShown)
{
    QByteArray heic = testing::heicBytes(testing::testPicture(64, 48), {});
    if (heic.isEmpty())
        GTEST_SKIP() << "this machine's libheif cannot encode HEVC, so no HEIC can be made here";
    // The header stays; the rest is cut off.
    const QString path = write(QStringLiteral("cut.heic"), heic.left(heic.size() / 3));
    EXPECT_EQ(pictureFormatOfFile(path), PictureFormat::Heif);
    try {
        loadPicture(path, QSize(32, 32), QStringLiteral("cut.heic"));
        FAIL() << "a damaged HEIC was loaded";
    } catch (const AttachmentError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("cut.heic: the picture cannot be read (", 0), 0u)
            << error.what();
    }
    EXPECT_EQ(pictureFactsOfFile(QFile::encodeName(path).toStdString()).camera, "");
}

} // namespace
} // namespace stowfolio

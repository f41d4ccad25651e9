// Keeping files with items, store and records together: several files at once with their facts
// and thumbnails, a file shared by two items kept once, nothing half added when one file is bad
// or the records cannot be written, and a purge that removes only what nothing can bring back.

#include "evidence/attachment_error.h"
#include "evidence/attachment_keeper.h"
#include "tests/evidence/exif_block.h"
#include "tests/evidence/heic_picture.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace stowfolio {
namespace {

AttachmentSource source(const QString& path, AttachmentKind kind = AttachmentKind::Photo,
                        const QString& caption = QString())
{
    return AttachmentSource{path, kind, caption};
}

class AttachmentKeeperTest : public ::testing::Test
{
protected:
    AttachmentKeeperTest()
        : m_records(m_dir.filePath(QStringLiteral("data/inventory.db"))),
          m_files(attachmentFolderFor(m_records.path())),
          m_keeper(m_records, m_files, [] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); })
    {
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        return testing::writeTestFile(QDir(m_dir.path()), name, bytes);
    }

    QString photo(const QString& name, int width = 120, int height = 80)
    {
        testing::ExifTags tags;
        tags.make = "Google";
        tags.model = "Pixel 7";
        tags.dateTimeOriginal = "2025:12:24 18:30:00";
        return write(name,
                     testing::withExif(testing::jpegBytes(testing::testPicture(width, height)),
                                       testing::exifBlock(tags)));
    }

    QStringList storedFiles() const
    {
        return QDir(m_files.folder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    std::string addError(ItemId item, const std::vector<AttachmentSource>& sources)
    {
        try {
            m_keeper.add(item, sources);
        } catch (const std::exception& error) {
            return error.what();
        }
        return "(added)";
    }

    QTemporaryDir m_dir;
    InventoryStore m_records;
    AttachmentFileStore m_files;
    AttachmentKeeper m_keeper;
};

TEST_F(AttachmentKeeperTest, SeveralFilesAreKeptWithTheirFactsAndThumbnails)
{
    const ItemId item = m_records.append({ItemFields{}}).front();
    const QString receipt = write(QStringLiteral("receipt.pdf"), "%PDF-1.4 receipt");
    const std::vector<AddedAttachment> added =
        m_keeper.add(item, {source(photo(QStringLiteral("tv.jpg"), 600, 300), AttachmentKind::Photo,
                                   QStringLiteral("Front")),
                            source(receipt, AttachmentKind::Receipt)});
    ASSERT_EQ(added.size(), 2u);
    const Attachment& picture = added[0].attachment;
    EXPECT_EQ(picture.item, item);
    EXPECT_EQ(picture.position, 0);
    EXPECT_EQ(picture.kind, AttachmentKind::Photo);
    EXPECT_EQ(picture.caption, QStringLiteral("Front"));
    EXPECT_EQ(picture.added, QStringLiteral("2026-03-04T05:06:07"));
    EXPECT_EQ(picture.file.originalName, QStringLiteral("tv.jpg"));
    EXPECT_EQ(picture.file.taken, QStringLiteral("2025-12-24T18:30:00"));
    EXPECT_EQ(picture.file.camera, QStringLiteral("Google Pixel 7"));
    EXPECT_EQ(added[0].thumbnail.size(), QSize(256, 128));
    EXPECT_EQ(added[1].attachment.position, 1);
    EXPECT_EQ(added[1].attachment.file.size, 16);
    EXPECT_TRUE(added[1].thumbnail.isNull());
    EXPECT_EQ(m_records.attachments(item).size(), 2u);

    // The original can go; the kept copy is the same bytes.
    QFile::remove(receipt);
    QFile kept(m_keeper.filePath(added[1].attachment));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("%PDF-1.4 receipt"));
    EXPECT_EQ(m_keeper.picture(picture, QSize(60, 60)).size(), QSize(60, 30));
}

TEST_F(AttachmentKeeperTest, AFileSharedByTwoItemsIsKeptOnceUntilItsLastUseGoes)
{
    const std::vector<ItemId> items = m_records.append({ItemFields{}, ItemFields{}});
    const QString receipt = write(QStringLiteral("receipt for both.pdf"), "%PDF shared");
    const Attachment first = m_keeper.add(items[0], {source(receipt)}).front().attachment;
    const Attachment second = m_keeper.add(items[1], {source(receipt)}).front().attachment;
    EXPECT_EQ(first.file.sha256, second.file.sha256);
    EXPECT_EQ(storedFiles().size(), 1);

    m_keeper.remove(first.id);
    EXPECT_EQ(m_keeper.purge().files, 0);
    EXPECT_EQ(storedFiles().size(), 1);
    m_keeper.remove(second.id);
    EXPECT_EQ(m_keeper.purge().files, 1);
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(AttachmentKeeperTest, ARemovedAttachmentCanBePutBackUntilThePurge)
{
    const ItemId item = m_records.append({ItemFields{}}).front();
    const Attachment attachment =
        m_keeper.add(item, {source(photo(QStringLiteral("a.jpg")))}).front().attachment;
    const Attachment removed = m_keeper.remove(attachment.id);
    // Undo: the record comes back, and its file is still there.
    m_keeper.restore(removed);
    EXPECT_EQ(m_keeper.picture(attachment, QSize(10, 10)).width(), 10);
}

TEST_F(AttachmentKeeperTest, ADeletedItemsFilesStayUntilThePurgeAndGoThen)
{
    const std::vector<ItemId> items = m_records.append({ItemFields{}, ItemFields{}});
    m_keeper.add(items[0], {source(photo(QStringLiteral("gone.jpg"), 50, 50))});
    m_keeper.add(items[1], {source(photo(QStringLiteral("kept.jpg"), 60, 60))});
    m_records.remove({items[0]});
    EXPECT_EQ(storedFiles().size(), 2);
    const PurgeOutcome outcome = m_keeper.purge();
    EXPECT_EQ(outcome.records, 1);
    EXPECT_EQ(outcome.files, 1);
    const std::vector<Attachment> left = m_records.attachments(items[1]);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(storedFiles(), QStringList{left[0].file.sha256});
}

TEST_F(AttachmentKeeperTest, OneBadFileAmongManyAddsNothingAndNamesEveryBadOne)
{
    const ItemId item = m_records.append({ItemFields{}}).front();
    const QString good = photo(QStringLiteral("good.jpg"));
    const QString folder = m_dir.filePath(QStringLiteral("Holiday"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = m_dir.filePath(QStringLiteral("moved.jpg"));
    const std::string message = addError(item, {source(good), source(folder), source(missing)});
    EXPECT_EQ(message, "Nothing was attached.\n" + folder.toStdString() +
                           ": is a folder, not a file\n" + missing.toStdString() +
                           ": is not there (moved or deleted?)");
    EXPECT_TRUE(m_records.attachments(item).empty());
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(AttachmentKeeperTest, ADamagedPhotoAfterGoodOnesAddsNothing)
{
    const ItemId item = m_records.append({ItemFields{}}).front();
    const QString good = photo(QStringLiteral("good.jpg"));
    const QString damaged = write(QStringLiteral("damaged.jpg"),
                                  testing::bytesOf("\xff\xd8\xff\xe0\x00\x10JFIF broken"));
    const std::string message = addError(item, {source(good), source(damaged)});
    EXPECT_EQ(message.rfind(damaged.toStdString() + ": the picture cannot be read", 0), 0u)
        << message;
    EXPECT_TRUE(m_records.attachments(item).empty());
    // The good photo, copied before the damaged one was found, went with it.
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(AttachmentKeeperTest, SeveralItemsFilesGoInTogetherWithoutThumbnailsKeepingTheirDates)
{
    const std::vector<ItemId> items = m_records.append({ItemFields{}, ItemFields{}});
    AttachmentSource manual = source(write(QStringLiteral("manual.pdf"), "%PDF-1.4"));
    manual.kind = AttachmentKind::Manual;
    manual.caption = QStringLiteral("Manual");
    manual.added = QStringLiteral("2020-01-02T03:04:05");
    const std::vector<std::vector<Attachment>> kept = m_keeper.add(
        {{items[0], {source(photo(QStringLiteral("a.jpg")))}}, {items[1], {manual}}}, QSize());
    ASSERT_EQ(kept.size(), 2u);
    ASSERT_EQ(kept[0].size(), 1u);
    ASSERT_EQ(kept[1].size(), 1u);
    EXPECT_EQ(kept[0][0].item, items[0]);
    EXPECT_EQ(kept[0][0].added, QStringLiteral("2026-03-04T05:06:07"));
    EXPECT_EQ(kept[0][0].file.camera, QStringLiteral("Google Pixel 7"));
    EXPECT_EQ(kept[1][0].item, items[1]);
    EXPECT_EQ(kept[1][0].kind, AttachmentKind::Manual);
    EXPECT_EQ(kept[1][0].caption, QStringLiteral("Manual"));
    EXPECT_EQ(kept[1][0].added, QStringLiteral("2020-01-02T03:04:05"));
    EXPECT_EQ(storedFiles().size(), 2);
}

TEST_F(AttachmentKeeperTest, ADamagedHeaderInOneItemsFilesAddsNothingForAnyItem)
{
    const std::vector<ItemId> items = m_records.append({ItemFields{}, ItemFields{}});
    const QString damaged = write(QStringLiteral("damaged.jpg"),
                                  testing::bytesOf("\xff\xd8\xff\xe0\x00\x10JFIF broken"));
    try {
        m_keeper.add({{items[0], {source(photo(QStringLiteral("good.jpg")))}},
                      {items[1], {source(damaged)}}},
                     QSize());
        ADD_FAILURE() << "a damaged picture was kept";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find(damaged.toStdString()), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(m_records.attachments(items[0]).empty());
    EXPECT_TRUE(m_records.attachments(items[1]).empty());
    EXPECT_TRUE(storedFiles().isEmpty());
}

TEST_F(AttachmentKeeperTest, APhonesHeicIsKeptWithItsFactsAndADamagedOneIsRefused)
{
    testing::ExifTags tags;
    tags.make = "Apple";
    tags.model = "iPhone 13";
    tags.dateTimeOriginal = "2025:07:04 09:15:00";
    const QByteArray heic =
        testing::heicBytes(testing::testPicture(90, 60), testing::exifBlock(tags));
    if (heic.isEmpty())
        GTEST_SKIP() << "this machine's libheif cannot encode HEVC, so no HEIC can be made here";
    const ItemId item = m_records.append({ItemFields{}}).front();
    const std::vector<AddedAttachment> added =
        m_keeper.add(item, {source(write(QStringLiteral("IMG_4711.HEIC"), heic))});
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].attachment.file.camera, QStringLiteral("Apple iPhone 13"));
    EXPECT_EQ(added[0].attachment.file.taken, QStringLiteral("2025-07-04T09:15:00"));
    EXPECT_EQ(added[0].thumbnail.size(), QSize(90, 60));

    const QString damaged = write(QStringLiteral("IMG_4712.HEIC"), heic.left(heic.size() / 3));
    const std::string message = addError(item, {source(damaged)});
    EXPECT_EQ(message.rfind(damaged.toStdString() + ": the picture cannot be read (", 0), 0u)
        << message;
    EXPECT_EQ(m_records.attachments(item).size(), 1u);
    EXPECT_EQ(storedFiles().size(), 1);
}

TEST_F(AttachmentKeeperTest, AFileAlreadyKeptForAnotherItemSurvivesAFailedAdd)
{
    const std::vector<ItemId> items = m_records.append({ItemFields{}, ItemFields{}});
    const QString shared = photo(QStringLiteral("shared.jpg"));
    m_keeper.add(items[0], {source(shared)});
    m_records.remove({items[1]});
    // The records cannot be written (the item is gone): the file of the first item stays.
    EXPECT_NE(addError(items[1], {source(shared)}), "(added)");
    EXPECT_EQ(storedFiles().size(), 1);
    EXPECT_EQ(m_records.attachments(items[0]).size(), 1u);
}

TEST_F(AttachmentKeeperTest, AFileNewToTheStoreGoesWhenItsRecordCannotBeWritten)
{
    const ItemId item = m_records.append({ItemFields{}}).front();
    m_records.remove({item});
    EXPECT_NE(addError(item, {source(photo(QStringLiteral("a.jpg")))}), "(added)");
    EXPECT_TRUE(storedFiles().isEmpty());
}

} // namespace
} // namespace stowfolio

namespace stowfolio {
namespace {

TEST(AttachmentKeeperRoom, FilesThatFitOneByOneButNotTogetherAddNothing)
{
    QTemporaryDir dir;
    InventoryStore records(dir.filePath(QStringLiteral("data/inventory.db")));
    AttachmentFileStore::Limits limits;
    // Room for either file and the reserve, not for both.
    limits.freeBytes = [](const QString&) {
        return std::optional<std::int64_t>(AttachmentFileStore::kFreeSpaceReserve + 5'000'000);
    };
    AttachmentFileStore files(attachmentFolderFor(records.path()), limits);
    AttachmentKeeper keeper(records, files);
    const ItemId item = records.append({ItemFields{}}).front();
    QStringList paths;
    for (const QString& name : {QStringLiteral("one.pdf"), QStringLiteral("two.pdf")}) {
        paths << dir.filePath(name);
        QFile file(paths.back());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(3'000'000, name.at(0).toLatin1()));
    }
    try {
        keeper.add(item, {source(paths[0]), source(paths[1])});
        FAIL() << "6 MB were added to a disk with 5 MB to spare";
    } catch (const AttachmentError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Nothing was attached: the disk holds ", 0), 0u)
            << error.what();
    }
    EXPECT_TRUE(records.attachments(item).empty());
    EXPECT_TRUE(QDir(files.folder()).isEmpty());
    EXPECT_EQ(keeper.add(item, {source(paths[0])}).size(), 1u);
}

} // namespace
} // namespace stowfolio

// `stowfolio --import` with files: a CSV file's "Attachments" column and a claim kit restored
// into a fresh inventory (the same items, files byte for byte, kinds, captions and order), and
// inputs refused with nothing added and nothing left behind.

#include "app/claim_kit_export.h"
#include "app/headless.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"
#include "state/inventory_store.h"
#include "state/item_import.h"
#include "state/settings_store.h"

#include "tests/support/job_environment.h"
#include "tests/support/test_files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>

#include <string>
#include <vector>

namespace stowfolio {
namespace {

// One attachment as the restore must give it back.
struct Kept
{
    QString sha256;
    AttachmentKind kind;
    QString caption;
    QString originalName;
    auto operator<=>(const Kept&) const = default;
};

class ImportRestoreJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(first.isValid());
        ASSERT_TRUE(second.isValid());
        ASSERT_TRUE(sources.isValid());
        useHome(first);
    }
    void useHome(const QTemporaryDir& home)
    {
        testing::pointJobsInto(home.path());
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tmp")));
    }
    QString source(const QString& name, const QByteArray& bytes)
    {
        EXPECT_TRUE(QDir().mkpath(QFileInfo(sources.filePath(name)).absolutePath()));
        return testing::writeTestFile(QDir(sources.path()), name, bytes);
    }
    QString photo(const QString& name, Qt::GlobalColor colour)
    {
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = sources.filePath(name);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        EXPECT_TRUE(image.save(path, "JPEG"));
        return path;
    }
    static QString sha256Of(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("(missing)");
        return QString::fromLatin1(
            QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
    }
    int runJob(const QString& path, const QString& passwordFile = {})
    {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int exitCode = runImport(path, passwordFile);
        error = ::testing::internal::GetCapturedStderr();
        out = ::testing::internal::GetCapturedStdout();
        return exitCode;
    }
    int runKitJob(const QString& path, const QString& passwordFile = {})
    {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int exitCode = runClaimKit(path, passwordFile);
        error = ::testing::internal::GetCapturedStderr();
        out = ::testing::internal::GetCapturedStdout();
        return exitCode;
    }
    // The stored items and, per item, its attachments as the store holds them, its files' hashes
    // read from the store itself.
    std::vector<std::vector<Kept>> storedAttachments()
    {
        InventoryStore store(defaultInventoryDatabasePath());
        AttachmentFileStore files(attachmentFolderFor(store.path()));
        std::vector<std::vector<Kept>> kept;
        for (const Item& item : store.items()) {
            std::vector<Kept>& list = kept.emplace_back();
            for (const Attachment& attachment : store.attachments(item.id)) {
                EXPECT_EQ(sha256Of(files.pathOf(attachment.file.sha256)), attachment.file.sha256);
                list.push_back({attachment.file.sha256, attachment.kind, attachment.caption,
                                attachment.file.originalName});
            }
        }
        return kept;
    }
    std::vector<Item> storedItems()
    {
        InventoryStore store(defaultInventoryDatabasePath());
        return store.items();
    }
    // Nothing in the store's folder, and no folder beside the database but the store's.
    void expectNothingKept(const QTemporaryDir& home)
    {
        EXPECT_TRUE(storedItems().empty());
        const QString folder = attachmentFolderFor(defaultInventoryDatabasePath());
        EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        const QStringList beside =
            QDir(QFileInfo(folder).absolutePath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(beside, QStringList{QFileInfo(folder).fileName()});
        EXPECT_TRUE(QDir(home.filePath(QStringLiteral("tmp")))
                        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                        .isEmpty());
    }

    // No folder beside the database but the attachment store's: no staging folder stayed.
    static void expectNothingKeptBeside()
    {
        const QString folder = attachmentFolderFor(defaultInventoryDatabasePath());
        EXPECT_EQ(
            QDir(QFileInfo(folder).absolutePath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{QFileInfo(folder).fileName()});
    }

    // Three items in the first home: the first keeps a photo with a caption and a receipt, the
    // second nothing, the third a manual and a second photo; and the owner's name.
    void storeInventoryWithAttachments()
    {
        InventoryStore store(defaultInventoryDatabasePath());
        std::vector<ItemFields> rows(3);
        rows[0][kLocationField] = QStringLiteral("Living room");
        rows[0][kDescriptionField] = QStringLiteral("Television");
        rows[0][kNotesField] = QStringLiteral("wall; mounted, \"55 inch\"");
        rows[1][kLocationField] = QStringLiteral("Kitchen");
        rows[1][kDescriptionField] = QStringLiteral("Kettle");
        rows[2][kLocationField] = QStringLiteral("Study");
        rows[2][kDescriptionField] = QStringLiteral("=Desk");
        const std::vector<ItemId> ids = store.append(rows);
        AttachmentFileStore files(attachmentFolderFor(store.path()));
        AttachmentKeeper keeper(store, files);
        keeper.add(ids[0], {{photo(QStringLiteral("a/tv.jpg"), Qt::darkBlue), AttachmentKind::Photo,
                             QStringLiteral("Front, with stand")},
                            {source(QStringLiteral("a/receipt.txt"), "Paid 499.00\n"),
                             AttachmentKind::Receipt, QString()}});
        keeper.add(ids[2], {{source(QStringLiteral("b/manual: v2.pdf"), "%PDF-1.4 manual"),
                             AttachmentKind::Manual, QStringLiteral("Assembly")},
                            {photo(QStringLiteral("b/side.jpg"), Qt::darkGreen),
                             AttachmentKind::Appraisal, QString()}});
        IniSettingsStore settings;
        settings.write(kOwnerFieldKeys[0], QStringLiteral("Ada Lovelace"));
        settings.flush();
    }

    testing::SavedEnvironment environment{testing::jobVariables()};
    QTemporaryDir first;
    QTemporaryDir second;
    QTemporaryDir sources;
    std::string out;
    std::string error;
};

TEST_F(ImportRestoreJobTest, CsvAttachmentsRelativeAndAbsoluteAreKeptWithTheirItems)
{
    const QString jpeg = photo(QStringLiteral("pics/kettle.jpg"), Qt::red);
    const QString receipt = source(QStringLiteral("elsewhere/receipt.txt"), "Paid");
    const QString csv =
        source(QStringLiteral("list.csv"), "Location,Description,Attachments\r\nKitchen,Kettle,"
                                           "pics/kettle.jpg; ;" +
                                               receipt.toUtf8() + "\r\nHall,Lamp,\r\n");
    ASSERT_EQ(runJob(csv), 0) << error;
    EXPECT_NE(out.find("Kept 2 attachments"), std::string::npos) << out;
    const std::vector<std::vector<Kept>> kept = storedAttachments();
    ASSERT_EQ(kept.size(), 2u);
    const std::vector<Kept> expected{
        {sha256Of(jpeg), AttachmentKind::Photo, QString(), QStringLiteral("kettle.jpg")},
        {sha256Of(receipt), AttachmentKind::Document, QString(), QStringLiteral("receipt.txt")}};
    EXPECT_EQ(kept[0], expected);
    EXPECT_TRUE(kept[1].empty());
    // The column is the files', not a column left out.
    EXPECT_EQ(out.find("Left out"), std::string::npos) << out;
}

TEST_F(ImportRestoreJobTest, AMissingFileIsNamedWithItsRowAndNothingIsAdded)
{
    photo(QStringLiteral("there.jpg"), Qt::red);
    source(QStringLiteral("notes.txt"), "x");
    const QString csv = source(QStringLiteral("list.csv"), "Location,Description,Attachments\n"
                                                           "Kitchen,Kettle,there.jpg\n"
                                                           "Hall,Lamp,notes.txt;gone.jpg\n");
    EXPECT_EQ(runJob(csv), 1);
    EXPECT_NE(error.find("row 3"), std::string::npos) << error;
    EXPECT_NE(error.find("gone.jpg"), std::string::npos) << error;
    EXPECT_EQ(error.find("there.jpg"), std::string::npos) << error;
    EXPECT_TRUE(out.empty()) << out;
    expectNothingKept(first);
}

TEST_F(ImportRestoreJobTest, AFolderAndADamagedPictureAreRefusedWithNothingAdded)
{
    ASSERT_TRUE(QDir(sources.path()).mkpath(QStringLiteral("folder")));
    source(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0", 4) + "not a picture");
    const QString csv = source(QStringLiteral("list.csv"),
                               "Description,Attachments\nKettle,folder\nLamp,broken.jpg\n");
    EXPECT_EQ(runJob(csv), 1);
    EXPECT_NE(error.find("row 2: " + sources.filePath(QStringLiteral("folder")).toStdString()),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("row 3"), std::string::npos) << error;
    EXPECT_NE(error.find("broken.jpg"), std::string::npos) << error;
    expectNothingKept(first);
}

TEST_F(ImportRestoreJobTest, AKitRestoredIntoAFreshInventoryGivesTheSameItemsFilesAndOwner)
{
    storeInventoryWithAttachments();
    const std::vector<Item> items = storedItems();
    const std::vector<std::vector<Kept>> kept = storedAttachments();
    const QString kit = sources.filePath(QStringLiteral("kit.zip"));
    ASSERT_EQ(runKitJob(kit), 0) << error;

    useHome(second);
    ASSERT_EQ(runJob(kit), 0) << error;
    EXPECT_NE(out.find("Kept 4 attachments"), std::string::npos) << out;
    EXPECT_NE(out.find("taken from the workbook"), std::string::npos) << out;
    const std::vector<Item> restored = storedItems();
    ASSERT_EQ(restored.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(textsOf(restored[i]), textsOf(items[i])) << i;
    EXPECT_EQ(storedAttachments(), kept);
    EXPECT_EQ(IniSettingsStore().read(kOwnerFieldKeys[0], QString()),
              QStringLiteral("Ada Lovelace"));
    expectNothingKeptBeside();
}

TEST_F(ImportRestoreJobTest, AProtectedKitNeedsItsPasswordFileAndAWrongOneAddsNothing)
{
    if (!claimkit::passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES-256";
    storeInventoryWithAttachments();
    const QString kit = sources.filePath(QStringLiteral("kit.zip"));
    ASSERT_EQ(runKitJob(kit, source(QStringLiteral("pw.txt"), "right\n")), 0) << error;

    useHome(second);
    EXPECT_EQ(runJob(kit), 1);
    EXPECT_NE(error.find("--password-file"), std::string::npos) << error;
    expectNothingKept(second);
    EXPECT_EQ(runJob(kit, source(QStringLiteral("wrong.txt"), "wrong\n")), 1);
    EXPECT_NE(error.find("password is not right"), std::string::npos) << error;
    expectNothingKept(second);
    ASSERT_EQ(runJob(kit, sources.filePath(QStringLiteral("pw.txt"))), 0) << error;
    EXPECT_EQ(storedItems().size(), 3u);
}

TEST_F(ImportRestoreJobTest, ATamperedKitIsRefusedWithNothingAddedOrLeftBehind)
{
    storeInventoryWithAttachments();
    const QString kit = sources.filePath(QStringLiteral("kit.zip"));
    ASSERT_EQ(runKitJob(kit), 0) << error;
    // The manual is stored, not compressed: its bytes are in the archive as they are.
    QFile file(kit);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("%PDF-1.4 manual");
    ASSERT_GE(at, 0);
    bytes[at + 10] = 'M';
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    useHome(second);
    EXPECT_EQ(runJob(kit), 1);
    EXPECT_NE(error.find("kit.zip"), std::string::npos) << error;
    EXPECT_NE(error.find("Nothing was added"), std::string::npos) << error;
    expectNothingKept(second);
}

TEST_F(ImportRestoreJobTest, AKitsItemListNamingFilesOutsideTheKitIsRefused)
{
    photo(QStringLiteral("outside.jpg"), Qt::red);
    const struct
    {
        const char* attachments;
        const char* named;
    } cases[] = {
        {"../../outside.jpg", "outside.jpg"},
        {"attachments/1/missing.jpg", "attachments/1/missing.jpg"},
        {"/etc/hostname", "etc/hostname"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attachments);
        claimkit::ClaimKitWriter writer;
        writer.addBytes(kKitItemListName,
                        QByteArray("Location,Description,Attachments\nHall,Lamp,") + c.attachments +
                            ";attachments/1/in.txt\n");
        writer.addBytes(QStringLiteral("attachments/1/in.txt"), "inside");
        const QString kit = sources.filePath(QStringLiteral("hostile.zip"));
        writer.write(kit, {});
        EXPECT_EQ(runJob(kit), 1);
        EXPECT_NE(error.find("is not a file of the kit"), std::string::npos) << error;
        EXPECT_NE(error.find(c.named), std::string::npos) << error;
        expectNothingKept(first);
    }
}

TEST_F(ImportRestoreJobTest, AKitWithoutItsListOfAttachmentsHasTheirKindsGuessed)
{
    const QString jpeg = photo(QStringLiteral("photo.jpg"), Qt::red);
    claimkit::ClaimKitWriter writer;
    writer.addBytes(kKitItemListName, "Location,Description,Attachments\n"
                                      "Hall,Lamp,attachments/1/photo.jpg;attachments/1/note.txt\n");
    writer.addFile(QStringLiteral("attachments/1/photo.jpg"), jpeg);
    writer.addBytes(QStringLiteral("attachments/1/note.txt"), "bought in 2019");
    const QString kit = sources.filePath(QStringLiteral("older.zip"));
    writer.write(kit, {});

    ASSERT_EQ(runJob(kit), 0) << error;
    const std::vector<std::vector<Kept>> kept = storedAttachments();
    ASSERT_EQ(kept.size(), 1u);
    const std::vector<Kept> expected{
        {sha256Of(jpeg), AttachmentKind::Photo, QString(), QStringLiteral("photo.jpg")},
        {QString::fromLatin1(
             QCryptographicHash::hash("bought in 2019", QCryptographicHash::Sha256).toHex()),
         AttachmentKind::Document, QString(), QStringLiteral("note.txt")}};
    EXPECT_EQ(kept[0], expected);
    expectNothingKeptBeside();
}

TEST_F(ImportRestoreJobTest, AKitWithANameLeavingItsFolderWritesNothingAnywhere)
{
    const QString kit = sources.filePath(QStringLiteral("escape.zip"));
    int zipError = 0;
    zip_t* zip = zip_open(QFile::encodeName(kit).constData(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
    ASSERT_NE(zip, nullptr);
    const auto add = [zip](const char* name, const char* text) {
        zip_source_t* bytes = zip_source_buffer(zip, text, std::strlen(text), 0);
        ASSERT_NE(bytes, nullptr);
        ASSERT_GE(zip_file_add(zip, name, bytes, ZIP_FL_ENC_UTF_8), 0);
    };
    add("items.csv", "Description,Attachments\nLamp,../escaped.txt\n");
    add("../escaped.txt", "outside");
    add("manifest.sha256", "0000000000000000000000000000000000000000000000000000000000000000  "
                           "items.csv\n");
    ASSERT_EQ(zip_close(zip), 0);

    EXPECT_EQ(runJob(kit), 1);
    EXPECT_NE(error.find("escape.zip"), std::string::npos) << error;
    expectNothingKept(first);
    const QString data = QFileInfo(defaultInventoryDatabasePath()).absolutePath();
    for (const QString& folder : {data, QFileInfo(data).absolutePath(), sources.path()})
        EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/escaped.txt")))
            << folder.toStdString();
}

} // namespace
} // namespace stowfolio

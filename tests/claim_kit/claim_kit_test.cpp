// The claim kit round trip and its faults: what the writer puts in comes back byte for byte,
// with and without a password; a kit that is not what it should be (a wrong password, cut short,
// an entry changed, a name that leaves the folder, a link, a zip bomb) is refused before anything
// is handed over, with a message naming what is wrong; a failed write leaves the target as it
// was.

#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"

#include "tests/claim_kit/kit_fixtures.h"
#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace stowfolio::claimkit {
namespace {

using testing::noise;
using testing::RawEntry;
using testing::readFile;
using testing::withManifest;
using testing::writeFile;
using testing::writeRawZip;

// The problem `action` throws, and its message through `message`; fails the test when it
// throws nothing.
KitProblem problemOf(const std::function<void()>& action, QString* message = nullptr)
{
    try {
        action();
    } catch (const ClaimKitError& error) {
        if (message != nullptr)
            *message = error.message();
        return error.problem();
    }
    ADD_FAILURE() << "no ClaimKitError was thrown";
    return KitProblem::NotAKit;
}

class ClaimKit : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A kit of two photos from files, a PDF from a file in a subfolder and a CSV from memory.
    ClaimKitWriter sampleKit()
    {
        writeFile(path("src/tv.jpg"), m_photo);
        writeFile(path("src/sofa.jpg"), noise(70'000, 2));
        writeFile(path("src/receipt.pdf"), m_pdf);
        ClaimKitWriter kit;
        kit.addFile("photos/1/tv.jpg", path("src/tv.jpg"));
        kit.addFile(QStringLiteral("photos/2/sofa é.jpg"), path("src/sofa.jpg"));
        kit.addFile("receipts/1/receipt.pdf", path("src/receipt.pdf"));
        kit.addBytes("items.csv", m_csv);
        return kit;
    }

    // The offset of `bytes` in the file at `file`; fails the test when it is not there once.
    qsizetype offsetOf(const QString& file, const QByteArray& bytes)
    {
        const QByteArray all = readFile(file);
        const qsizetype at = all.indexOf(bytes);
        EXPECT_GE(at, 0);
        EXPECT_EQ(all.indexOf(bytes, at + 1), -1);
        return at;
    }

    void flipByte(const QString& file, qsizetype offset)
    {
        QByteArray all = readFile(file);
        all[offset] = char(all[offset] ^ 0x5a);
        writeFile(file, all);
    }

    QTemporaryDir m_dir;
    QByteArray m_photo = noise(300'000, 1);
    QByteArray m_pdf = "%PDF-1.4 receipt " + noise(5'000, 3);
    QByteArray m_csv =
        QByteArray("Name,Value\n").repeated(1) + QByteArray("TV,499.00\n").repeated(500);
};

TEST_F(ClaimKit, RoundTripGivesBackEveryEntryByteForByte)
{
    sampleKit().write(path("kit.zip"));
    const auto reader = ClaimKitReader::open(path("kit.zip"));
    EXPECT_FALSE(reader->isProtected());
    ASSERT_EQ(reader->entries().size(), 4u);
    EXPECT_EQ(reader->entries()[0].name, "photos/1/tv.jpg");
    EXPECT_EQ(reader->entries()[1].name, QStringLiteral("photos/2/sofa é.jpg"));
    EXPECT_EQ(reader->entries()[0].size, uint64_t(m_photo.size()));
    EXPECT_EQ(toHex(reader->entries()[0].digest), testing::sha256Hex(m_photo));
    EXPECT_EQ(reader->readBytes("items.csv", 1 << 20), m_csv);
    reader->extractTo("receipts/1/receipt.pdf", path("out.pdf"));
    EXPECT_EQ(readFile(path("out.pdf")), m_pdf);
    EXPECT_EQ(reader->find("missing.txt"), nullptr);
}

TEST_F(ClaimKit, StoresPhotosAsTheyAreAndDeflatesText)
{
    sampleKit().write(path("kit.zip"));
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path("kit.zip")).constData(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr);
    zip_stat_t photo;
    zip_stat_t csv;
    ASSERT_EQ(zip_stat(archive, "photos/1/tv.jpg", 0, &photo), 0);
    ASSERT_EQ(zip_stat(archive, "items.csv", 0, &csv), 0);
    EXPECT_EQ(photo.comp_method, ZIP_CM_STORE);
    EXPECT_EQ(csv.comp_method, ZIP_CM_DEFLATE);
    EXPECT_LT(csv.comp_size, csv.size / 10);
    // The manifest comes last, so it could list every entry's hash.
    EXPECT_EQ(std::string(zip_get_name(archive, 4, 0)), kManifestName);
    zip_discard(archive);
}

TEST_F(ClaimKit, ProtectedRoundTripNeedsTheRightPassword)
{
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    sampleKit().write(path("kit.zip"), QStringLiteral("s3cret pässword"));
    // The photo's bytes are nowhere in the file as they were.
    EXPECT_EQ(readFile(path("kit.zip")).indexOf(m_photo.left(64)), -1);

    const auto reader = ClaimKitReader::open(path("kit.zip"), QStringLiteral("s3cret pässword"));
    EXPECT_TRUE(reader->isProtected());
    EXPECT_EQ(reader->readBytes("items.csv", 1 << 20), m_csv);

    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip")); }, &message),
              KitProblem::PasswordNeeded);
    EXPECT_EQ(message, "The kit is protected by a password.");
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip"), "wrong"); }, &message),
              KitProblem::WrongPassword);
    EXPECT_EQ(message, "The password is not right.");
}

// Protected photos are decrypted by the kit's own AES, 64 KiB of keystream at a time: sizes on
// each side of a block and of a keystream refill come back exactly.
TEST_F(ClaimKit, ProtectedStoredEntriesOfEverySizeReadBackByteForByte)
{
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    const std::vector<qsizetype> sizes = {0, 1, 15, 16, 17, 65'535, 65'536, 65'537, 1'048'581};
    ClaimKitWriter kit;
    for (const qsizetype size : sizes) {
        const QString name = QStringLiteral("p%1.jpg").arg(size);
        writeFile(path(name), noise(size, uint32_t(size % 251)));
        kit.addFile(name, path(name), Packing::Store);
    }
    kit.write(path("kit.zip"), "pw");
    const auto reader = ClaimKitReader::open(path("kit.zip"), "pw");
    for (const qsizetype size : sizes) {
        const QString name = QStringLiteral("p%1.jpg").arg(size);
        EXPECT_EQ(reader->readBytes(name, 1 << 21), noise(size, uint32_t(size % 251))) << size;
    }
}

TEST_F(ClaimKit, APasswordForAnUnprotectedKitIsNotNeeded)
{
    sampleKit().write(path("kit.zip"));
    EXPECT_NO_THROW(ClaimKitReader::open(path("kit.zip"), "unused"));
}

TEST_F(ClaimKit, EveryEntryOfAProtectedKitIsEncryptedTheManifestToo)
{
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    sampleKit().write(path("kit.zip"), "pw");
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path("kit.zip")).constData(), ZIP_RDONLY, &error);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(zip_get_num_entries(archive, 0), 5);
    for (zip_uint64_t i = 0; i < 5; ++i) {
        zip_stat_t info;
        ASSERT_EQ(zip_stat_index(archive, i, 0, &info), 0);
        EXPECT_EQ(info.encryption_method, ZIP_EM_AES_256) << info.name;
    }
    zip_discard(archive);
}

TEST_F(ClaimKit, AKitCutShortIsDamaged)
{
    sampleKit().write(path("kit.zip"));
    const QByteArray whole = readFile(path("kit.zip"));
    for (const qsizetype length : {whole.size() / 2, whole.size() - 10, qsizetype(30)}) {
        writeFile(path("cut.zip"), whole.left(length));
        QString message;
        EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("cut.zip")); }, &message),
                  KitProblem::Damaged)
            << length;
        EXPECT_TRUE(message.contains("damaged or incomplete")) << message.toStdString();
    }
}

TEST_F(ClaimKit, AFileThatIsNoZipIsNoKit)
{
    writeFile(path("notes.txt"), "just some text, no archive at all\n");
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("notes.txt")); }), KitProblem::NotAKit);
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("absent.zip")); }), KitProblem::CannotRead);
    // A zip archive without a manifest is not a kit either.
    writeRawZip(path("plain.zip"), {{"a.txt", "a"}});
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("plain.zip")); }), KitProblem::NotAKit);
}

TEST_F(ClaimKit, AChangedByteInAStoredEntryIsNamed)
{
    sampleKit().write(path("kit.zip"));
    flipByte(path("kit.zip"), offsetOf(path("kit.zip"), m_photo.mid(1000, 64)) + 10);
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip")); }, &message),
              KitProblem::ManifestMismatch);
    EXPECT_EQ(message, "photos/1/tv.jpg: its contents do not match the kit's manifest");
}

TEST_F(ClaimKit, AChangedByteInAProtectedEntryIsNamed)
{
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    ClaimKitWriter kit;
    writeFile(path("big.jpg"), m_photo);
    kit.addBytes("a.txt", "small");
    kit.addFile("big.jpg", path("big.jpg"));
    kit.write(path("kit.zip"), "pw");
    // The photo fills most of the file: its middle is the photo's.
    flipByte(path("kit.zip"), readFile(path("kit.zip")).size() / 2);
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip"), "pw"); }, &message),
              KitProblem::ManifestMismatch);
    EXPECT_EQ(message, "big.jpg: its contents do not match the kit's manifest");
}

// The manifest's hash differs from the entry's (the entry's own checksum still agrees).
TEST_F(ClaimKit, AnEntryWhoseHashDiffersFromTheManifestIsNamed)
{
    std::vector<RawEntry> entries{{"receipts/12/tv.pdf", "the receipt"}, {"b.txt", "bee"}};
    RawEntry manifest = testing::manifestOf(entries);
    manifest.bytes.replace(testing::sha256Hex("the receipt").c_str(),
                           testing::sha256Hex("another receipt").c_str());
    entries.push_back(manifest);
    writeRawZip(path("kit.zip"), entries);
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip")); }, &message),
              KitProblem::ManifestMismatch);
    EXPECT_EQ(message, "receipts/12/tv.pdf: its contents do not match the kit's manifest");
}

TEST_F(ClaimKit, EveryFileMustBeListedAndEveryListedFilePresent)
{
    std::vector<RawEntry> listed{{"a.txt", "a"}};
    std::vector<RawEntry> extra = withManifest(listed);
    extra.push_back({"b.txt", "smuggled in"});
    writeRawZip(path("extra.zip"), extra);
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("extra.zip")); }, &message),
              KitProblem::ManifestMismatch);
    EXPECT_TRUE(message.startsWith("b.txt:")) << message.toStdString();

    std::vector<RawEntry> missing{{"a.txt", "a"}, {"gone.txt", "g"}};
    missing = withManifest(missing);
    missing.erase(missing.begin() + 1);
    writeRawZip(path("missing.zip"), missing);
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("missing.zip")); }, &message),
              KitProblem::ManifestMismatch);
    EXPECT_TRUE(message.startsWith("gone.txt:")) << message.toStdString();
}

TEST_F(ClaimKit, NamesThatLeaveTheFolderAreRefusedInAKit)
{
    for (const std::string name : {"../evil.txt", "/etc/evil.txt", "a/../../evil.txt",
                                   "a\\..\\evil.txt", "C:/evil.txt", "a//b.txt"}) {
        writeRawZip(path("kit.zip"), withManifest({{"a.txt", "a"}, {name, "evil"}}));
        QString message;
        EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip")); }, &message),
                  KitProblem::UnsafeEntry)
            << name;
        EXPECT_TRUE(message.contains(QString::fromStdString(name))) << message.toStdString();
    }
}

TEST_F(ClaimKit, ALinkEntryIsRefused)
{
    writeRawZip(path("kit.zip"),
                withManifest({{"a.txt", "a"}, {"photo.jpg", "/etc/passwd", S_IFLNK | 0777}}));
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("kit.zip")); }, &message),
              KitProblem::UnsafeEntry);
    EXPECT_EQ(message, "photo.jpg is a symbolic link; a kit holds only files.");
}

TEST_F(ClaimKit, AZipBombIsRefusedBeforeItIsUnpacked)
{
    KitLimits limits;
    limits.ratioCheckedAbove = 1 << 20;
    writeRawZip(path("bomb.zip"),
                withManifest({{"zeros.bin", QByteArray(4 << 20, '\0'), 0, true}}));
    QString message;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("bomb.zip"), {}, limits); }, &message),
              KitProblem::TooLarge);
    EXPECT_TRUE(message.contains("zeros.bin")) << message.toStdString();

    // The same kit with the check above its size is read.
    limits.ratioCheckedAbove = 8 << 20;
    EXPECT_NO_THROW(ClaimKitReader::open(path("bomb.zip"), {}, limits));

    limits.maxTotalSize = 1 << 20;
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("bomb.zip"), {}, limits); }),
              KitProblem::TooLarge);
    KitLimits fewEntries;
    fewEntries.maxEntries = 1;
    writeRawZip(path("many.zip"), withManifest({{"a", "a"}, {"b", "b"}}));
    EXPECT_EQ(problemOf([&] { ClaimKitReader::open(path("many.zip"), {}, fewEntries); }),
              KitProblem::TooLarge);
}

TEST_F(ClaimKit, ReadBytesRefusesAnEntryLargerThanAsked)
{
    sampleKit().write(path("kit.zip"));
    const auto reader = ClaimKitReader::open(path("kit.zip"));
    EXPECT_EQ(problemOf([&] { reader->readBytes("photos/1/tv.jpg", 1000); }), KitProblem::TooLarge);
}

TEST_F(ClaimKit, UnpackWritesEveryEntryIntoTheFolder)
{
    sampleKit().write(path("kit.zip"));
    QDir().mkpath(path("out"));
    const auto entries = ClaimKitReader::unpack(path("kit.zip"), {}, path("out"));
    EXPECT_EQ(entries.size(), 4u);
    EXPECT_EQ(testing::listTree(path("out")),
              QStringList({"items.csv", "photos/", "photos/1/", "photos/1/tv.jpg", "photos/2/",
                           QStringLiteral("photos/2/sofa é.jpg"), "receipts/", "receipts/1/",
                           "receipts/1/receipt.pdf"}));
    EXPECT_EQ(readFile(path("out/photos/1/tv.jpg")), m_photo);
    EXPECT_EQ(readFile(path("out/items.csv")), m_csv);
}

// The last entry is the bad one: everything before it was already written, and is gone again.
TEST_F(ClaimKit, UnpackOfABadKitLeavesNothing)
{
    ClaimKitWriter kit = sampleKit();
    const QByteArray last = noise(20'000, 9);
    kit.addBytes("z/last.bin", last, Packing::Store);
    kit.write(path("kit.zip"));
    flipByte(path("kit.zip"), offsetOf(path("kit.zip"), last.mid(500, 64)));
    QDir().mkpath(path("out"));
    QString message;
    EXPECT_EQ(
        problemOf([&] { ClaimKitReader::unpack(path("kit.zip"), {}, path("out")); }, &message),
        KitProblem::ManifestMismatch);
    EXPECT_TRUE(message.startsWith("z/last.bin:")) << message.toStdString();
    EXPECT_EQ(testing::listTree(path("out")), QStringList());
}

TEST_F(ClaimKit, UnpackWantsAnEmptyFolder)
{
    sampleKit().write(path("kit.zip"));
    writeFile(path("out/mine.txt"), "mine");
    EXPECT_EQ(problemOf([&] { ClaimKitReader::unpack(path("kit.zip"), {}, path("out")); }),
              KitProblem::CannotWrite);
    EXPECT_EQ(readFile(path("out/mine.txt")), "mine");
}

TEST_F(ClaimKit, TheWriterRefusesNamesAKitMayNotHold)
{
    ClaimKitWriter kit;
    kit.addBytes("a.txt", "a");
    for (const QString& name :
         {QStringLiteral("../a.txt"), QStringLiteral("/a.txt"), QStringLiteral("a\\b.txt"),
          QStringLiteral("a/./b.txt"), QStringLiteral("a/"), QStringLiteral(""),
          QStringLiteral("a.txt"), QStringLiteral("manifest.sha256"), QStringLiteral("a\nb")})
        EXPECT_EQ(problemOf([&] { kit.addBytes(name, "x"); }), KitProblem::BadName)
            << name.toStdString();
    EXPECT_EQ(kit.entryCount(), 1u);
}

class FailedWrite : public ClaimKit
{
protected:
    void SetUp() override { writeFile(path("kit.zip"), "the old kit"); }
    // The target as it was and nothing left beside it.
    void expectUntouched()
    {
        EXPECT_EQ(readFile(path("kit.zip")), "the old kit");
        QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll("kit.zip");
        EXPECT_EQ(names, QStringList());
    }
};

TEST_F(FailedWrite, AFullDiskLeavesTheTargetAndNoTemporaryFile)
{
    ClaimKitWriter kit;
    kit.addBytes("big.bin", noise(3 << 20, 4), Packing::Store);
    QString message;
    {
        const stowfolio::testing::FileSizeLimit limit(1 << 20);
        EXPECT_EQ(problemOf([&] { kit.write(path("kit.zip")); }, &message),
                  KitProblem::CannotWrite);
    }
    EXPECT_TRUE(message.contains(path("kit.zip"))) << message.toStdString();
    EXPECT_TRUE(message.contains("larger than the system allows")) << message.toStdString();
    expectUntouched();
}

TEST_F(FailedWrite, AFailedSyncLeavesTheTarget)
{
    ClaimKitWriter kit;
    kit.addBytes("a.txt", "a");
    QString message;
    {
        const stowfolio::testing::FailingFileCall failing(stowfolio::testing::FileCall::Fsync, EIO);
        EXPECT_EQ(problemOf([&] { kit.write(path("kit.zip")); }, &message),
                  KitProblem::CannotWrite);
    }
    EXPECT_TRUE(message.contains("input/output error")) << message.toStdString();
    expectUntouched();
}

TEST_F(FailedWrite, AMissingSourceFileIsNamedWithItsEntry)
{
    ClaimKitWriter kit;
    kit.addBytes("a.txt", "a");
    kit.addFile("photos/3/lamp.jpg", path("nowhere/lamp.jpg"));
    QString message;
    EXPECT_EQ(problemOf([&] { kit.write(path("kit.zip")); }, &message), KitProblem::CannotRead);
    EXPECT_TRUE(message.startsWith("photos/3/lamp.jpg: ")) << message.toStdString();
    EXPECT_TRUE(message.contains(path("nowhere/lamp.jpg"))) << message.toStdString();
    expectUntouched();
}

// The writer reads the kit back before it replaces the target: a kit its own reader would refuse
// (here a deflated file of zeros, a zip bomb's ratio) never takes the old kit's place.
TEST_F(FailedWrite, AKitThatDoesNotReadBackIsNotKept)
{
    ClaimKitWriter kit;
    kit.addBytes("zeros.bin", QByteArray(20 << 20, '\0'), Packing::Deflate);
    QString message;
    EXPECT_EQ(problemOf([&] { kit.write(path("kit.zip")); }, &message), KitProblem::TooLarge);
    EXPECT_TRUE(message.contains("did not read back")) << message.toStdString();
    EXPECT_TRUE(message.contains("zeros.bin")) << message.toStdString();
    expectUntouched();
}

TEST_F(FailedWrite, AReadOnlyTargetIsRefusedUnlessAllowed)
{
    ClaimKitWriter kit;
    kit.addBytes("a.txt", "a");
    QFile::setPermissions(path("kit.zip"), QFile::ReadOwner);
    EXPECT_EQ(problemOf([&] { kit.write(path("kit.zip")); }), KitProblem::CannotWrite);
    expectUntouched();
    kit.write(path("kit.zip"), {}, spreadsheet::files::ReadOnlyTarget::Replace);
    EXPECT_NO_THROW(ClaimKitReader::open(path("kit.zip")));
}

} // namespace
} // namespace stowfolio::claimkit

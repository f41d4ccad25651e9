// The claim kit as `stowfolio --claim-kit` writes it, read back with the kit's own reader: every
// entry where the item list says, each attachment the file that was kept, a password that
// protects it, and password files and targets that are refused with nothing written.

#include "app/claim_kit_export.h"
#include "app/headless.h"
#include "claim_kit/kit_manifest.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"
#include "state/csv_text.h"
#include "state/inventory_store.h"

#include "tests/support/job_environment.h"
#include "tests/support/test_files.h"
#include "workbook/excel_factory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace stowfolio {
namespace {

using claimkit::ClaimKitError;
using claimkit::ClaimKitReader;
using claimkit::KitProblem;

constexpr uint64_t kMaxRead = 64 << 20;

class ClaimKitJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        testing::pointJobsInto(home.path());
        for (const char* folder : {"tmp", "mine", "sources/a", "sources/b"})
            ASSERT_TRUE(QDir(home.path()).mkpath(QString::fromLatin1(folder)));
    }
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        return testing::writeTestFile(QDir(home.path()), name, bytes);
    }
    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QStringList workFolders() const
    {
        return QDir(home.filePath(QStringLiteral("tmp")))
            .entryList({QStringLiteral("stowfolio-work-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    // Three items; the first keeps a photo and a receipt, the second nothing, the third two
    // scans both called "scan.pdf" and a note whose name no kit may hold as it is.
    void storeInventoryWithAttachments()
    {
        QImage photo(40, 30, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        const QString photoPath = home.filePath(QStringLiteral("sources/a/photo.png"));
        ASSERT_TRUE(photo.save(photoPath));
        originals[QStringLiteral("attachments/1/photo.png")] = readFile(photoPath);
        const struct
        {
            const char* source;
            const char* entry;
            QByteArray bytes;
        } documents[] = {
            {"sources/a/receipt.txt", "attachments/1/receipt.txt", "Bought 2023-04-01, 499.00\n"},
            {"sources/a/scan.pdf", "attachments/3/scan.pdf", "%PDF-1.4 first scan"},
            {"sources/b/scan.pdf", "attachments/3/scan (2).pdf", "%PDF-1.4 second scan"},
            {"sources/b/a:b.txt", "attachments/3/a_b.txt", "note"},
        };
        for (const auto& document : documents)
            originals[QString::fromLatin1(document.entry)] =
                readFile(writeFile(QString::fromLatin1(document.source), document.bytes));

        InventoryStore store(defaultInventoryDatabasePath());
        std::vector<ItemFields> rows(3);
        rows[0][kLocationField] = QStringLiteral("Living room");
        rows[0][kDescriptionField] = QStringLiteral("Television");
        rows[1][kLocationField] = QStringLiteral("Kitchen");
        rows[2][kLocationField] = QStringLiteral("Study");
        rows[2][kDescriptionField] = QStringLiteral("=Desk, \"oak\"");
        const std::vector<ItemId> ids = store.append(rows);
        AttachmentFileStore files(attachmentFolderFor(store.path()));
        AttachmentKeeper keeper(store, files);
        keeper.add(ids[0], {{photoPath, AttachmentKind::Photo, QStringLiteral("Front")},
                            {home.filePath(QStringLiteral("sources/a/receipt.txt")),
                             AttachmentKind::Receipt, QString()}});
        keeper.add(ids[2], {{home.filePath(QStringLiteral("sources/a/scan.pdf")),
                             AttachmentKind::Document, QString()},
                            {home.filePath(QStringLiteral("sources/b/scan.pdf")),
                             AttachmentKind::Document, QString()},
                            {home.filePath(QStringLiteral("sources/b/a:b.txt")),
                             AttachmentKind::Document, QString()}});
        items = store.items();
    }

    int runJob(const QString& path, const QString& passwordFile, std::string& out,
               std::string& error)
    {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int exitCode = runClaimKit(path, passwordFile);
        error = ::testing::internal::GetCapturedStderr();
        out = ::testing::internal::GetCapturedStdout();
        return exitCode;
    }

    testing::SavedEnvironment environment{testing::jobVariables()};
    QTemporaryDir home;
    QMap<QString, QByteArray> originals; // kit entry -> the bytes of the file kept
    std::vector<Item> items;
};

std::vector<QStringList> csvRecords(const QByteArray& bytes)
{
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    CsvReader reader(QLatin1Char(','));
    std::vector<QStringList> records;
    reader.feed(QString::fromUtf8(bytes.mid(3)), records);
    EXPECT_FALSE(reader.finish(records));
    return records;
}

TEST_F(ClaimKitJobTest, TheKitHoldsTheWorkbookTheReportTheListAndEveryAttachment)
{
    storeInventoryWithAttachments();
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    std::string out, error;
    ASSERT_EQ(runJob(kit, QString(), out, error), 0) << error;
    EXPECT_EQ(out, "Wrote claim kit " + kit.toStdString() + ": 3 items, 5 attachments, checked.\n");
    EXPECT_TRUE(workFolders().isEmpty());

    const std::unique_ptr<ClaimKitReader> reader = ClaimKitReader::open(kit);
    EXPECT_FALSE(reader->isProtected());
    QSet<QString> names;
    for (const claimkit::KitEntryInfo& entry : reader->entries())
        names.insert(entry.name);
    QSet<QString> expected{kKitWorkbookName, kKitReportName, kKitItemListName,
                           kKitAttachmentListName};
    for (auto it = originals.cbegin(); it != originals.cend(); ++it)
        expected.insert(it.key());
    EXPECT_EQ(names, expected);

    for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(reader->readBytes(it.key(), kMaxRead), it.value());
    }
    // An Excel 97-2003 workbook is a compound file; the report a PDF.
    EXPECT_TRUE(reader->readBytes(kKitWorkbookName, kMaxRead)
                    .startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));
    EXPECT_TRUE(reader->readBytes(kKitReportName, kMaxRead).startsWith("%PDF-"));

    const std::vector<QStringList> records =
        csvRecords(reader->readBytes(kKitItemListName, kMaxRead));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].size(), kItemFieldCount + 1);
    EXPECT_EQ(records[0].last(), QStringLiteral("Attachments"));
    const QStringList wanted[] = {
        {QStringLiteral("attachments/1/photo.png"), QStringLiteral("attachments/1/receipt.txt")},
        {},
        {QStringLiteral("attachments/3/scan.pdf"), QStringLiteral("attachments/3/scan (2).pdf"),
         QStringLiteral("attachments/3/a_b.txt")}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QStringList& record = records[i + 1];
        ASSERT_EQ(record.size(), kItemFieldCount + 1);
        EXPECT_EQ(record.mid(0, kItemFieldCount), textsOf(items[i]));
        const QStringList named = record.last().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        EXPECT_EQ(named, wanted[i]);
        for (const QString& name : named)
            EXPECT_NE(reader->find(name), nullptr) << name.toStdString();
    }

    // The list of attachments: a row each, its item's number, entry, kind, caption and hash.
    const std::vector<QStringList> listed =
        csvRecords(reader->readBytes(kKitAttachmentListName, kMaxRead));
    ASSERT_EQ(listed.size(), 6u);
    EXPECT_EQ(listed[0], kKitAttachmentListCaptions);
    const QStringList photo = listed[1];
    ASSERT_EQ(photo.size(), kKitAttachmentListCaptions.size());
    EXPECT_EQ(photo.mid(0, 4),
              QStringList({QStringLiteral("1"), QStringLiteral("attachments/1/photo.png"),
                           QStringLiteral("photo"), QStringLiteral("Front")}));
    EXPECT_EQ(photo.last(), QStringLiteral("photo.png"));
    EXPECT_EQ(photo[static_cast<qsizetype>(KitAttachmentColumn::Sha256)],
              QString::fromLatin1(QCryptographicHash::hash(
                                      originals.value(QStringLiteral("attachments/1/photo.png")),
                                      QCryptographicHash::Sha256)
                                      .toHex()));
    EXPECT_EQ(listed[2].mid(0, 4),
              QStringList({QStringLiteral("1"), QStringLiteral("attachments/1/receipt.txt"),
                           QStringLiteral("receipt"), QString()}));
    EXPECT_EQ(listed[5].mid(0, 3),
              QStringList({QStringLiteral("3"), QStringLiteral("attachments/3/a_b.txt"),
                           QStringLiteral("document")}));
    EXPECT_EQ(listed[5].last(), QStringLiteral("a:b.txt"));
}

// Photos and PDFs do not compress and are stored as they are; text and the workbook are deflated.
TEST_F(ClaimKitJobTest, TextIsDeflatedAndPhotosAndPdfsAreStored)
{
    storeInventoryWithAttachments();
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    std::string out, error;
    ASSERT_EQ(runJob(kit, QString(), out, error), 0) << error;
    int zipError = 0;
    zip_t* archive = zip_open(QFile::encodeName(kit).constData(), ZIP_RDONLY, &zipError);
    ASSERT_NE(archive, nullptr) << zipError;
    const struct
    {
        QString name;
        int32_t method;
    } cases[] = {
        {QStringLiteral("attachments/1/photo.png"), ZIP_CM_STORE},
        {QStringLiteral("attachments/3/scan.pdf"), ZIP_CM_STORE},
        {kKitReportName, ZIP_CM_STORE},
        {QStringLiteral("attachments/1/receipt.txt"), ZIP_CM_DEFLATE},
        {kKitItemListName, ZIP_CM_DEFLATE},
        {kKitWorkbookName, ZIP_CM_DEFLATE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        zip_stat_t stat;
        zip_stat_init(&stat);
        ASSERT_EQ(zip_stat(archive, c.name.toUtf8().constData(), 0, &stat), 0);
        EXPECT_EQ(stat.comp_method, c.method);
    }
    zip_discard(archive);
}

TEST_F(ClaimKitJobTest, APasswordFileProtectsTheKit)
{
    if (!claimkit::passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES-256";
    storeInventoryWithAttachments();
    const QString passwordFile =
        writeFile(QStringLiteral("mine/password.txt"), "correct horse\r\nsecond line\n");
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    std::string out, error;
    ASSERT_EQ(runJob(kit, passwordFile, out, error), 0) << error;
    try {
        ClaimKitReader::open(kit);
        ADD_FAILURE() << "a protected kit opened without its password";
    } catch (const ClaimKitError& failure) {
        EXPECT_EQ(failure.problem(), KitProblem::PasswordNeeded);
    }
    try {
        ClaimKitReader::open(kit, QStringLiteral("correct horse\r"));
        ADD_FAILURE() << "the line end became part of the password";
    } catch (const ClaimKitError& failure) {
        EXPECT_EQ(failure.problem(), KitProblem::WrongPassword);
    }
    const std::unique_ptr<ClaimKitReader> reader =
        ClaimKitReader::open(kit, QStringLiteral("correct horse"));
    EXPECT_TRUE(reader->isProtected());
    EXPECT_EQ(reader->readBytes(QStringLiteral("attachments/1/receipt.txt"), kMaxRead),
              originals[QStringLiteral("attachments/1/receipt.txt")]);
}

TEST_F(ClaimKitJobTest, APasswordFileThatGivesNoPasswordIsRefusedAndNothingIsWritten)
{
    const struct
    {
        const char* name;
        const char* contents; // null: no such file
        const char* said;
    } cases[] = {
        {"empty", "", "holds no password"},
        {"empty line", "\nsecret\n", "holds no password"},
        {"missing", nullptr, "cannot read the password file"},
    };
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString passwordFile = home.filePath(QStringLiteral("password.txt"));
        QFile::remove(passwordFile);
        if (c.contents)
            writeFile(QStringLiteral("password.txt"), c.contents);
        std::string out, error;
        EXPECT_EQ(runJob(kit, passwordFile, out, error), 1);
        EXPECT_NE(error.find(c.said), std::string::npos) << error;
        EXPECT_NE(error.find(passwordFile.toStdString()), std::string::npos) << error;
        EXPECT_EQ(out, "");
        EXPECT_TRUE(QDir(home.filePath(QStringLiteral("mine"))).isEmpty());
    }
}

TEST_F(ClaimKitJobTest, ATargetThatCannotBeWrittenLeavesNothingBehind)
{
    storeInventoryWithAttachments();
    // A folder where the kit should go: the archive is written beside it, and cannot take its
    // place.
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    ASSERT_TRUE(QDir().mkpath(kit));
    std::string out, error;
    EXPECT_EQ(runJob(kit, QString(), out, error), 1);
    EXPECT_NE(error.find("cannot write the claim kit " + kit.toStdString()), std::string::npos)
        << error;
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("mine")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("claim.zip")});
    EXPECT_TRUE(QFileInfo(kit).isDir());
    EXPECT_TRUE(workFolders().isEmpty());
}

TEST_F(ClaimKitJobTest, ProgressCountsEveryStepAndAStopBeforeTheArchiveWritesNothing)
{
    storeInventoryWithAttachments();
    ExcelFactory factory;
    registerBuiltInEngine(factory);
    InventoryStore store(defaultInventoryDatabasePath());
    AttachmentFileStore files(attachmentFolderFor(store.path()));
    ClaimKitRequest request;
    request.inventory.ownerFields = QStringList(8, QStringLiteral("x"));
    request.inventory.items = store.items();
    request.path = home.filePath(QStringLiteral("mine/claim.zip"));

    for (const int stopAt : {0, 1, 2, 3}) {
        SCOPED_TRACE(stopAt);
        const std::optional<ClaimKitSummary> summary = writeInventoryClaimKit(
            factory, store, files, request, [stopAt](int done, int) { return done < stopAt; });
        EXPECT_FALSE(summary);
        EXPECT_FALSE(QFileInfo::exists(request.path));
        EXPECT_TRUE(workFolders().isEmpty());
    }

    std::vector<int> steps;
    const std::optional<ClaimKitSummary> summary =
        writeInventoryClaimKit(factory, store, files, request, [&steps](int done, int total) {
            EXPECT_EQ(total, 4);
            steps.push_back(done);
            return true;
        });
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->items, 3);
    EXPECT_EQ(summary->attachments, 5);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), 0);
    EXPECT_EQ(steps.back(), 4);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_NO_THROW(ClaimKitReader::open(request.path));
}

TEST_F(ClaimKitJobTest, AFileGoneFromTheAttachmentStoreStopsTheKit)
{
    storeInventoryWithAttachments();
    const QString folder = attachmentFolderFor(defaultInventoryDatabasePath());
    const QByteArray receipt = originals[QStringLiteral("attachments/1/receipt.txt")];
    ASSERT_TRUE(
        QFile::remove(folder + QLatin1Char('/') +
                      QString::fromLatin1(
                          QCryptographicHash::hash(receipt, QCryptographicHash::Sha256).toHex())));
    const QString kit = home.filePath(QStringLiteral("mine/claim.zip"));
    std::string out, error;
    EXPECT_EQ(runJob(kit, QString(), out, error), 1);
    EXPECT_NE(error.find("receipt.txt"), std::string::npos) << error;
    EXPECT_FALSE(QFileInfo::exists(kit));
    EXPECT_TRUE(workFolders().isEmpty());
}

TEST(KitFileNames, EveryNameIsOneAKitHoldsAndUniqueInItsFolder)
{
    const QString longStem(300, QLatin1Char('x'));
    const struct
    {
        QStringList originals;
        QStringList names;
    } cases[] = {
        {{"tv.jpg", "TV.JPG", "tv.jpg"}, {"tv.jpg", "TV (2).JPG", "tv (3).jpg"}},
        {{"a/b\\c:d.txt", "tab\there.txt"}, {"a_b_c_d.txt", "tab_here.txt"}},
        {{"", "..", ".", "  "},
         {"attachment", "attachment (2)", "attachment (3)", "attachment (4)"}},
        {{"scan", "scan"}, {"scan", "scan (2)"}},
        {{"report.tar.gz", "report.tar.gz"}, {"report.tar.gz", "report.tar (2).gz"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.originals.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(kitFileNames(c.originals), c.names);
    }
    const QStringList names = kitFileNames(
        {longStem + QStringLiteral(".jpeg"), QString(150, QChar(0x00e9)) + QStringLiteral(".pdf")});
    EXPECT_TRUE(names[0].endsWith(QStringLiteral(".jpeg")));
    EXPECT_TRUE(names[1].endsWith(QStringLiteral(".pdf")));
    for (const QString& name : names) {
        EXPECT_LE(name.toUtf8().size(), 200);
        EXPECT_EQ(claimkit::nameProblem((QStringLiteral("attachments/1/") + name).toStdString()),
                  "");
    }
}

TEST(ReadPasswordFile, TakesTheFirstLineWithoutItsLineEnd)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const struct
    {
        QByteArray contents;
        QString password;
    } cases[] = {
        {"secret\n", "secret"},
        {"secret\r\nmore\n", "secret"},
        {"no line end", "no line end"},
        {" spaced out \n", " spaced out "},
        {"p\xC3\xA4ss\n", QStringLiteral("p\u00e4ss")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents.toStdString());
        QFile file(folder.filePath(QStringLiteral("password")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.contents);
        file.close();
        EXPECT_EQ(readPasswordFile(file.fileName()), c.password);
    }
    QFile file(folder.filePath(QStringLiteral("password")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(5000, 'k'));
    file.close();
    EXPECT_THROW(readPasswordFile(file.fileName()), std::runtime_error);
}

} // namespace
} // namespace stowfolio

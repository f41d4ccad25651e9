// The items' attachments as the report is given them: read from the database in list order
// (reportEvidenceOf), and printed by `stowfolio --pdf` with the evidence index.

#include "app/headless.h"
#include "app/report_evidence_source.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"
#include "state/inventory_store.h"

#include "tests/support/job_environment.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

class ReportEvidenceJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        testing::pointJobsInto(home.path());
        for (const char* folder : {"tmp", "mine", "sources"})
            ASSERT_TRUE(QDir(home.path()).mkpath(QString::fromLatin1(folder)));
    }

    // Three items: the first keeps a photo and a receipt, the second nothing, the third a manual.
    std::vector<ItemId> storeInventory(InventoryStore& store)
    {
        QImage photo(60, 40, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        const QString photoPath = home.filePath(QStringLiteral("sources/front.png"));
        EXPECT_TRUE(photo.save(photoPath));
        const QDir dir(home.path());
        testing::writeTestFile(dir, QStringLiteral("sources/receipt.txt"), "Bought 2023-04-01");
        testing::writeTestFile(dir, QStringLiteral("sources/manual.pdf"), "%PDF-1.4 manual");
        std::vector<ItemFields> rows(3);
        rows[0][kDescriptionField] = QStringLiteral("Television");
        rows[1][kDescriptionField] = QStringLiteral("Kettle");
        rows[2][kDescriptionField] = QStringLiteral("Desk");
        const std::vector<ItemId> ids = store.append(rows);
        AttachmentFileStore files(attachmentFolderFor(store.path()));
        AttachmentKeeper keeper(store, files);
        keeper.add(ids[0], {{photoPath, AttachmentKind::Photo, QStringLiteral("Front")},
                            {home.filePath(QStringLiteral("sources/receipt.txt")),
                             AttachmentKind::Receipt, QString()}});
        keeper.add(ids[2], {{home.filePath(QStringLiteral("sources/manual.pdf")),
                             AttachmentKind::Manual, QString()}});
        return ids;
    }

    testing::SavedEnvironment environment{testing::jobVariables()};
    QTemporaryDir home;
};

TEST_F(ReportEvidenceJobTest, TheEvidenceFollowsTheItemsInTheirOrder)
{
    InventoryStore store(defaultInventoryDatabasePath());
    storeInventory(store);
    const AttachmentFileStore files(attachmentFolderFor(store.path()));
    std::vector<Item> items = store.items();
    // The list's order, not the database's: the last item first.
    std::rotate(items.begin(), items.begin() + 2, items.end());
    const report::ReportEvidence evidence = reportEvidenceOf(store, files, items);
    ASSERT_EQ(evidence.items.size(), 3u);
    ASSERT_EQ(evidence.items[0].size(), 1u);
    EXPECT_EQ(evidence.items[0][0].attachment.file.originalName, QStringLiteral("manual.pdf"));
    ASSERT_EQ(evidence.items[1].size(), 2u);
    EXPECT_EQ(evidence.items[1][0].attachment.caption, QStringLiteral("Front"));
    EXPECT_EQ(evidence.items[1][1].attachment.kind, AttachmentKind::Receipt);
    EXPECT_TRUE(evidence.items[2].empty());
    for (const auto& itemFiles : evidence.items)
        for (const report::EvidenceFile& file : itemFiles) {
            EXPECT_EQ(file.path, files.pathOf(file.attachment.file.sha256));
            EXPECT_TRUE(files.holds(file.attachment.file.sha256, file.attachment.file.size));
        }
}

TEST_F(ReportEvidenceJobTest, ThePdfJobPrintsTheAttachmentsAndTheirIndex)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        GTEST_SKIP() << "poppler-utils are not installed";
    std::vector<Attachment> attachments;
    {
        InventoryStore store(defaultInventoryDatabasePath());
        for (const ItemId id : storeInventory(store))
            for (Attachment& attachment : store.attachments(id))
                attachments.push_back(std::move(attachment));
    }
    ASSERT_EQ(attachments.size(), 3u);
    const QString pdf = home.filePath(QStringLiteral("mine/report.pdf"));
    ASSERT_EQ(runPdfReport(pdf), 0);

    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* expected :
         {"Evidence index", "Photo: Front", "Item 1, sheet row 10: Television",
          "Receipt: receipt.txt", "Item 3, sheet row 12: Desk", "Manual: manual.pdf"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    for (const Attachment& attachment : attachments)
        EXPECT_TRUE(text.contains(QStringLiteral("SHA-256: ") + attachment.file.sha256))
            << attachment.file.originalName.toStdString();
    // The photo is the one picture.
    const QStringList images =
        run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n').mid(2);
    EXPECT_EQ(images.filter(QStringLiteral(" image ")).size(), 1);
}

} // namespace
} // namespace stowfolio

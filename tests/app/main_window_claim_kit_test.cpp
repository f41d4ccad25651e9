// File ▸ Export Claim Kit…: the save dialog, the password question, the password typed twice
// (asked again when the two differ), and what the user is told.

#include "tests/app/main_window_fixture.h"

#include "app/claim_kit_export.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"
#include "evidence/attachment_file_store.h"
#include "evidence/attachment_keeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace stowfolio {
namespace {

using claimkit::ClaimKitError;
using claimkit::ClaimKitReader;
using claimkit::KitProblem;

class ClaimKitWindowTest : public MainWindowTest
{
protected:
    // Two items; the first keeps a receipt.
    void storeItemsWithAReceipt()
    {
        storeLocations({QStringLiteral("Hall"), QStringLiteral("Attic")});
        const QString receipt = kitFolder.filePath(QStringLiteral("receipt.txt"));
        QFile file(receipt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Paid in full");
        file.close();
        AttachmentFileStore files(attachmentFolderFor(inventoryPath()));
        AttachmentKeeper keeper(inventory(), files);
        keeper.add(inventory().items().front().id,
                   {{receipt, AttachmentKind::Receipt, QStringLiteral("Receipt")}});
    }
    QString kitPath() const { return kitFolder.filePath(QStringLiteral("claim.zip")); }
    // What the window says of a kit it wrote.
    QString writtenMessage() const
    {
        return QStringLiteral("The claim kit %1 is written and checked: 2 items, 1 attachment.")
            .arg(kitPath());
    }

    QTemporaryDir kitFolder;
};

TEST_F(ClaimKitWindowTest, TwoDifferentPasswordsAreAskedAgainAndTheKitTakesTheOneTypedTwice)
{
    if (!claimkit::passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES-256";
    storeItemsWithAReceipt();
    loadedForm();
    prompts.fileAnswers = {kitPath()};
    prompts.yesNoAnswers = {true};
    prompts.passwordAnswers = {QString(), QStringLiteral("first"), QStringLiteral("frist"),
                               QStringLiteral("first"), QStringLiteral("first")};
    form().exportClaimKit();

    const QStringList asked = prompts.passwordQuestions();
    ASSERT_EQ(asked.size(), 5);
    EXPECT_FALSE(asked[0].contains(QStringLiteral("not the same")));
    EXPECT_TRUE(asked[1].contains(QStringLiteral("cannot be empty"))) << asked[1].toStdString();
    EXPECT_TRUE(asked[2].contains(QStringLiteral("again"))) << asked[2].toStdString();
    EXPECT_TRUE(asked[3].contains(QStringLiteral("not the same"))) << asked[3].toStdString();
    EXPECT_TRUE(prompts.passwordAnswers.empty());
    EXPECT_EQ(prompts.messages(), QStringList{writtenMessage()});

    try {
        ClaimKitReader::open(kitPath(), QStringLiteral("frist"));
        ADD_FAILURE() << "the kit opened with the password typed once";
    } catch (const ClaimKitError& failure) {
        EXPECT_EQ(failure.problem(), KitProblem::WrongPassword);
    }
    const auto reader = ClaimKitReader::open(kitPath(), QStringLiteral("first"));
    EXPECT_EQ(reader->readBytes(QStringLiteral("attachments/1/receipt.txt"), 1024),
              QByteArray("Paid in full"));
    EXPECT_NE(reader->find(kKitWorkbookName), nullptr);
    EXPECT_NE(reader->find(kKitReportName), nullptr);
}

TEST_F(ClaimKitWindowTest, CancellingThePasswordWritesNothing)
{
    storeItemsWithAReceipt();
    loadedForm();
    prompts.fileAnswers = {kitPath()};
    prompts.yesNoAnswers = {true};
    prompts.passwordAnswers = {QStringLiteral("first"), std::nullopt};
    form().exportClaimKit();
    if (claimkit::passwordProtectionAvailable()) {
        EXPECT_EQ(prompts.passwordQuestions().size(), 2);
        EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join('|').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(kitPath()));
}

TEST_F(ClaimKitWindowTest, WithoutAPasswordTheKitOpensForAnyone)
{
    storeItemsWithAReceipt();
    loadedForm();
    // A name typed without its extension gets ".zip".
    prompts.fileAnswers = {kitFolder.filePath(QStringLiteral("claim"))};
    prompts.yesNoAnswers = {false};
    form().exportClaimKit();
    EXPECT_TRUE(prompts.passwordQuestions().isEmpty());
    EXPECT_EQ(prompts.messages(), QStringList{writtenMessage()});
    const auto reader = ClaimKitReader::open(kitPath());
    EXPECT_FALSE(reader->isProtected());
    EXPECT_EQ(reader->entries().size(), 5u);
}

TEST_F(ClaimKitWindowTest, AFailureIsToldWithTheKitsName)
{
    storeItemsWithAReceipt();
    loadedForm();
    ASSERT_TRUE(QDir().mkpath(kitPath())); // a folder where the kit should go
    prompts.fileAnswers = {kitPath()};
    prompts.yesNoAnswers = {false};
    form().exportClaimKit();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].startsWith(
        QStringLiteral("The claim kit %1 was not written: ").arg(kitPath())))
        << prompts.messages()[0].toStdString();
    EXPECT_TRUE(QFileInfo(kitPath()).isDir());
    EXPECT_EQ(
        QDir(kitFolder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{QStringLiteral("claim.zip"), QStringLiteral("receipt.txt")}));
}

} // namespace
} // namespace stowfolio

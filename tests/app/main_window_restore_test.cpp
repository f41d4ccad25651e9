// File ▸ Import Items… with files: a protected claim kit's password asked again after a wrong
// one, its items and their attachments in as one undo step, and a CSV file naming a missing
// file refused with nothing added.

#include "tests/app/main_window_fixture.h"

#include "app/claim_kit_export.h"
#include "claim_kit/kit_writer.h"

#include <QDir>
#include <QFile>

namespace stowfolio {
namespace {

class RestoreWindowTest : public MainWindowTest
{
protected:
    // A kit of one item keeping a till slip, its kind and caption in attachments.csv.
    QString writeKit(const QString& password)
    {
        claimkit::ClaimKitWriter writer;
        writer.addBytes(kKitItemListName, "Location,Description,Attachments\n"
                                          "Garage,Drill,attachments/1/slip.txt\n");
        writer.addBytes(QStringLiteral("attachments/1/slip.txt"), "Paid 89.00");
        writer.addBytes(kKitAttachmentListName,
                        "Item,File,Kind,Caption\n1,attachments/1/slip.txt,receipt,Till slip\n");
        const QString path = kitFolder.filePath(QStringLiteral("kit.zip"));
        writer.write(path, password);
        return path;
    }
    // The folders beside the database: the attachment store's only, no staging folder left.
    QStringList foldersBesideDatabase() const
    {
        return QDir(dataFolder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir kitFolder;
};

TEST_F(RestoreWindowTest, AProtectedKitIsAskedForAgainAfterAWrongPasswordAndIsOneUndoStep)
{
    if (!claimkit::passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES-256";
    const QString kit = writeKit(QStringLiteral("secret"));
    storeLocations({QStringLiteral("Hall")});
    loadedForm();
    prompts.passwordAnswers = {QStringLiteral("guess"), QStringLiteral("secret")};
    prompts.yesNoAnswers = {true};
    form().importFile(kit);

    const QStringList asked = prompts.passwordQuestions();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].contains(QStringLiteral("not right"))) << asked[1].toStdString();
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_TRUE(prompts.shown.back().text.contains(QStringLiteral("1 item and 1 attachment")))
        << prompts.shown.back().text.toStdString();
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join('\n').toStdString();
    ASSERT_EQ(inventory().items().size(), 2u);
    const ItemId drill = inventory().items().back().id;
    const std::vector<Attachment> kept = inventory().attachments(drill);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].kind, AttachmentKind::Receipt);
    EXPECT_EQ(kept[0].caption, QStringLiteral("Till slip"));
    EXPECT_EQ(foldersBesideDatabase(), QStringList{QStringLiteral("attachments")});

    EXPECT_EQ(form().undoStack().undoText(), QStringLiteral("Import Items"));
    form().undoStack().undo();
    EXPECT_EQ(inventory().items().size(), 1u);
    form().undoStack().redo();
    ASSERT_EQ(inventory().items().size(), 2u);
    EXPECT_EQ(inventory().items().back().id, drill);
    EXPECT_EQ(inventory().attachments(drill).size(), 1u);
}

TEST_F(RestoreWindowTest, CancellingThePasswordAddsNothingAndSaysNothing)
{
    if (!claimkit::passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES-256";
    const QString kit = writeKit(QStringLiteral("secret"));
    loadedForm();
    prompts.passwordAnswers = {std::nullopt};
    form().importFile(kit);
    EXPECT_TRUE(inventory().items().empty());
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(form().undoStack().count(), 0);
    EXPECT_EQ(foldersBesideDatabase(), QStringList{QStringLiteral("attachments")});
}

TEST_F(RestoreWindowTest, ACsvFileNamingAMissingFileIsRefusedBeforeThePreview)
{
    const QString csv = kitFolder.filePath(QStringLiteral("list.csv"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Description,Attachments\nDrill,receipts/drill.pdf\n");
    file.close();
    loadedForm();
    form().importFile(csv);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].contains(QStringLiteral("row 2")));
    EXPECT_TRUE(
        prompts.messages()[0].contains(kitFolder.filePath(QStringLiteral("receipts/drill.pdf"))))
        << prompts.messages()[0].toStdString();
    EXPECT_TRUE(inventory().items().empty());
    EXPECT_EQ(form().undoStack().count(), 0);
}

// The preview names the folders a list's files come from, so that none come along unseen.
TEST_F(RestoreWindowTest, ThePreviewNamesTheFoldersAListsFilesComeFrom)
{
    ASSERT_TRUE(QDir(kitFolder.path()).mkpath(QStringLiteral("receipts")));
    for (const QString& name : {QStringLiteral("receipts/drill.txt"), QStringLiteral("saw.txt")}) {
        QFile file(kitFolder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Paid");
    }
    const QString csv = kitFolder.filePath(QStringLiteral("list.csv"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Description,Attachments\nDrill,receipts/drill.txt;saw.txt\n");
    file.close();
    loadedForm();
    prompts.yesNoAnswers = {false};
    form().importFile(csv);
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_TRUE(prompts.shown.back().text.contains(
        QStringLiteral("The attachments are copied from %1, %2.")
            .arg(QDir::toNativeSeparators(kitFolder.filePath(QStringLiteral("receipts"))),
                 QDir::toNativeSeparators(kitFolder.path()))))
        << prompts.shown.back().text.toStdString();
    EXPECT_TRUE(inventory().items().empty());
}

} // namespace
} // namespace stowfolio

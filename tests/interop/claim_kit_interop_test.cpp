// Claim kits opened by zip programs we did not write: Info-ZIP's unzip tests and unpacks a kit
// without a password, 7-Zip one with or without (Info-ZIP's unzip 6.0 has no AES), and
// sha256sum checks every file unpacked against the kit's manifest, as an insurer would. The
// other way round, Info-ZIP's zip makes what our writer never does: a link, which our reader
// refuses, and a kit unpacked and packed again with folder entries, which it accepts.

#include "claim_kit/claim_kit_error.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"

#include "tests/claim_kit/kit_fixtures.h"
#include "tests/support/oracle.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace stowfolio::claimkit {
namespace {

using testing::noise;
using testing::readFile;
using testing::writeFile;

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& arguments, const QString& folder = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000))
        return {-1, QStringLiteral("did not finish")};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

bool onPath(const char* program)
{
    return !QStandardPaths::findExecutable(QString::fromUtf8(program)).isEmpty();
}

class ClaimKitInterop : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void writeSampleKit(const QString& kit, const QString& password = {})
    {
        writeFile(path("src/tv.jpg"), noise(400'000, 1));
        writeFile(path("src/receipt.pdf"), "%PDF-1.4 " + noise(20'000, 2));
        ClaimKitWriter writer;
        writer.addFile("photos/1/tv.jpg", path("src/tv.jpg"));
        writer.addFile(QStringLiteral("receipts/1/reçu.pdf"), path("src/receipt.pdf"));
        writer.addBytes("items.csv", QByteArray("Name,Value\nTV,499.00\n").repeated(200));
        writer.write(kit, password);
    }

    // sha256sum -c in the folder a kit was unpacked into: every line OK.
    void expectManifestChecks(const QString& folder)
    {
        const ToolRun check = run("sha256sum", {"--strict", "-c", "manifest.sha256"}, folder);
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
        EXPECT_EQ(check.output.count(QStringLiteral(": OK")), 3) << check.output.toStdString();
        EXPECT_TRUE(check.output.contains(QStringLiteral("receipts/1/reçu.pdf: OK")))
            << check.output.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(ClaimKitInterop, UnzipTestsAndUnpacksAKitThatSha256sumChecks)
{
    if (!onPath("unzip"))
        STOWFOLIO_ORACLE_MISSING("unzip", "apt-get install unzip");
    writeSampleKit(path("kit.zip"));
    const ToolRun test = run("unzip", {"-t", path("kit.zip")});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_TRUE(test.output.contains("No errors detected")) << test.output.toStdString();

    const ToolRun unpack = run("unzip", {"-q", path("kit.zip"), "-d", path("out")});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output.toStdString();
    EXPECT_EQ(readFile(path("out/photos/1/tv.jpg")), noise(400'000, 1));
    expectManifestChecks(path("out"));
}

TEST_F(ClaimKitInterop, SevenZipOpensAProtectedKitWithItsPasswordOnly)
{
    if (!onPath("7z"))
        STOWFOLIO_ORACLE_MISSING("7z", "apt-get install p7zip-full");
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    writeSampleKit(path("kit.zip"), "correct horse");

    const ToolRun test = run("7z", {"t", "-pcorrect horse", path("kit.zip")});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_TRUE(test.output.contains("Everything is Ok")) << test.output.toStdString();
    const ToolRun wrong = run("7z", {"t", "-pwrong", path("kit.zip")});
    EXPECT_NE(wrong.exitCode, 0) << wrong.output.toStdString();
    EXPECT_TRUE(wrong.output.contains("Wrong password")) << wrong.output.toStdString();

    const ToolRun unpack = run("7z", {"x", "-pcorrect horse", "-o" + path("out"), path("kit.zip")});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output.toStdString();
    expectManifestChecks(path("out"));
}

// A protected kit's photos are packed and encrypted by the kit itself, as stored deflate blocks of
// at most 65,535 bytes: 7-Zip reads every size back, the empty file and each block edge too.
TEST_F(ClaimKitInterop, SevenZipUnpacksProtectedPhotosOfEverySize)
{
    if (!onPath("7z"))
        STOWFOLIO_ORACLE_MISSING("7z", "apt-get install p7zip-full");
    if (!passwordProtectionAvailable())
        GTEST_SKIP() << "this libzip has no AES";
    const std::vector<qsizetype> sizes = {0, 1, 65'535, 65'536, 131'070, 131'071, 1'000'003};
    ClaimKitWriter writer;
    for (const qsizetype size : sizes) {
        const QString name = QStringLiteral("p%1.jpg").arg(size);
        writeFile(path("src/" + name), noise(size, uint32_t(size % 97)));
        writer.addFile(name, path("src/" + name));
    }
    writer.write(path("kit.zip"), "pw");
    const ToolRun unpack = run("7z", {"x", "-ppw", "-o" + path("out"), path("kit.zip")});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.output.toStdString();
    for (const qsizetype size : sizes)
        EXPECT_EQ(readFile(path(QStringLiteral("out/p%1.jpg").arg(size))),
                  noise(size, uint32_t(size % 97)))
            << size;
}

TEST_F(ClaimKitInterop, SevenZipTestsAnUnprotectedKit)
{
    if (!onPath("7z"))
        STOWFOLIO_ORACLE_MISSING("7z", "apt-get install p7zip-full");
    writeSampleKit(path("kit.zip"));
    const ToolRun test = run("7z", {"t", path("kit.zip")});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_TRUE(test.output.contains("Everything is Ok")) << test.output.toStdString();
}

TEST_F(ClaimKitInterop, ALinkMadeByZipIsRefused)
{
    if (!onPath("zip"))
        STOWFOLIO_ORACLE_MISSING("zip", "apt-get install zip");
    // A kit whose photo is a link to a file elsewhere, listed in the manifest by the link's
    // target's hash, as someone would make it to have a restore write through the link.
    writeFile(path("evil/a.txt"), "a");
    ASSERT_TRUE(QFile::link("/etc/hostname", path("evil/photo.jpg")));
    writeFile(path("evil/manifest.sha256"),
              QByteArray::fromStdString(testing::sha256Hex("a") + "  a.txt\n" +
                                        testing::sha256Hex(readFile("/etc/hostname")) +
                                        "  photo.jpg\n"));
    const ToolRun zip =
        run("zip", {"-q", "-y", path("evil.zip"), "a.txt", "photo.jpg", "manifest.sha256"},
            path("evil"));
    ASSERT_EQ(zip.exitCode, 0) << zip.output.toStdString();
    try {
        ClaimKitReader::open(path("evil.zip"));
        ADD_FAILURE() << "a kit with a link was accepted";
    } catch (const ClaimKitError& error) {
        EXPECT_EQ(error.problem(), KitProblem::UnsafeEntry);
        EXPECT_EQ(error.entry(), "photo.jpg");
    }
}

TEST_F(ClaimKitInterop, AKitUnpackedAndPackedAgainByZipIsRead)
{
    if (!onPath("zip") || !onPath("unzip"))
        STOWFOLIO_ORACLE_MISSING("zip and unzip", "apt-get install zip unzip");
    writeSampleKit(path("kit.zip"));
    ASSERT_EQ(run("unzip", {"-q", path("kit.zip"), "-d", path("out")}).exitCode, 0);
    // zip -r adds an entry for each folder too.
    const ToolRun zip = run("zip", {"-q", "-r", path("again.zip"), "."}, path("out"));
    ASSERT_EQ(zip.exitCode, 0) << zip.output.toStdString();
    const auto reader = ClaimKitReader::open(path("again.zip"));
    EXPECT_EQ(reader->entries().size(), 3u);
    EXPECT_EQ(reader->readBytes("receipts/1/reçu.pdf", 1 << 20).left(8), "%PDF-1.4");
}

} // namespace
} // namespace stowfolio::claimkit

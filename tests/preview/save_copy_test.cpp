#include "preview/save_copy.h"

#include "tests/support/file_size_limit.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace stowfolio::preview {
namespace {

class SaveCopyTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        return testing::writeTestFile(QDir(m_dir.path()), name, bytes);
    }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_dir;
};

TEST_F(SaveCopyTest, CopiesOverAnExistingFile)
{
    QByteArray workbook(3 << 20, '\0');
    for (int i = 0; i < workbook.size(); ++i)
        workbook[i] = static_cast<char>(i * 7);
    const QString source = write(QStringLiteral("source.xls"), workbook);
    const QString target = write(QStringLiteral("target.xls"), "older and different");
    copyFileAtomically(source, target);
    EXPECT_EQ(read(target), workbook);
    EXPECT_EQ(files(), (QStringList{QStringLiteral("source.xls"), QStringLiteral("target.xls")}));
}

TEST_F(SaveCopyTest, AMissingSourceLeavesNoTarget)
{
    const QString target = m_dir.filePath(QStringLiteral("target.xls"));
    EXPECT_THROW(copyFileAtomically(m_dir.filePath(QStringLiteral("gone.xls")), target),
                 std::runtime_error);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(SaveCopyTest, AMissingTargetFolderFails)
{
    const QString source = write(QStringLiteral("source.xls"), "workbook");
    EXPECT_THROW(copyFileAtomically(source, m_dir.filePath(QStringLiteral("no/such/a.xls"))),
                 std::runtime_error);
}

// A disk that fills up during the copy, in the middle of it or only in its last few bytes (which
// a buffered writer sends when it is closed): the old target stays as it was.
TEST_F(SaveCopyTest, AWriteFailingHalfwayKeepsTheOldTargetAndLeavesNoTemporaryFile)
{
    const struct
    {
        qsizetype size;
        rlim_t limit;
    } cases[] = {{4 << 20, 1 << 20}, {(1 << 20) + 100, (1 << 20) + 50}, {100, 50}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const QString source = write(QStringLiteral("source.xls"), QByteArray(c.size, 'n'));
        const QString target = write(QStringLiteral("target.xls"), "the old workbook");
        bool threw = false;
        {
            testing::FileSizeLimit full(c.limit);
            try {
                copyFileAtomically(source, target);
            } catch (const std::runtime_error& error) {
                threw = true;
                EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("target.xls")));
            }
        }
        EXPECT_TRUE(threw);
        EXPECT_EQ(read(target), QByteArray("the old workbook"));
        EXPECT_EQ(files(),
                  (QStringList{QStringLiteral("source.xls"), QStringLiteral("target.xls")}));
    }
}

} // namespace
} // namespace stowfolio::preview

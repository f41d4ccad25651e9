#pragma once

// Files the tests make: written whole into a test's temporary folder.

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstddef>

namespace stowfolio::testing {

// The bytes of a string literal, zero bytes included and its terminator left out: counting them
// by hand is easy to get wrong.
template <std::size_t N>
QByteArray bytesOf(const char (&literal)[N])
{
    return QByteArray(literal, static_cast<qsizetype>(N - 1));
}

// Writes `bytes` to `name` in `folder` and gives the file's path.
inline QString writeTestFile(const QDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
    return path;
}

} // namespace stowfolio::testing

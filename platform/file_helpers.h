#pragma once

#include <QByteArray>
#include <QString>

namespace stowfolio {

// True when the file system can tell the file's modification time; false for an empty path, a
// missing file or folder, or no access. Never throws.
bool FileExists(const QString& path);

// Lets pending window events run once, then deletes the file; when the plain delete fails, a
// forced second attempt makes the file writable and deletes it again. The caller is never told
// whether the file is gone.
void DeleteFileSafe(const QString& path);

// Writes `bytes` as the whole content of the file (created or truncated). Throws
// std::runtime_error when the file cannot be written.
void WriteBytesToFile(const QByteArray& bytes, const QString& path);

// The folder that holds the executable, without a trailing separator.
QString applicationFolder();

} // namespace stowfolio

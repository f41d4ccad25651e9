#pragma once

#include "spreadsheet/files/atomic_file.h"

#include <QByteArray>
#include <QString>

namespace stowfolio {

// True when the file system can tell the file's modification time; false for an empty path, a
// missing file or folder, or no access. Never throws.
bool fileExists(const QString& path);

// Lets pending window events run once, then deletes the file; when the plain delete fails, a
// forced second attempt makes the file writable and deletes it again. The caller is never told
// whether the file is gone.
void deleteFileQuietly(const QString& path);

using spreadsheet::files::ReadOnlyTarget;

// Writes `bytes` as the whole content of the file, whole or not at all: a file that is there
// afterwards is complete. A read-only file is replaced only with `readOnly` Replace, and a
// link another user planted in a shared folder never followed (spreadsheet::files::AtomicFile).
// Throws std::runtime_error saying why when the file cannot be written.
void writeBytesToFile(const QByteArray& bytes, const QString& path,
                      ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// True for an existing file that is read-only (spreadsheet::files::isReadOnlyFile).
bool isReadOnlyFile(const QString& path);

// The folder the optional support files HAND-M.CUR and x/o.cjs are looked for in, without a
// trailing separator: the executable's own folder (see supportFolder()).
QString applicationFolder();

// Where the support files of an executable in `executableFolder` live. In a build tree they sit
// beside the executable; an installed program keeps bin/ for executables and its files in
// ../share/stowfolio. A folder that holds either file wins, so a build tree is never shadowed by
// an installed copy; with neither, the executable's folder is kept and the files are missing.
QString supportFolder(const QString& executableFolder);

// Where a dialog choosing photos starts: the user's Pictures folder, or home without one, never
// whatever folder the program was started from.
QString picturesFolder();

} // namespace stowfolio

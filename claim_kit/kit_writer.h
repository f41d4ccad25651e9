#pragma once

// Writing a claim kit: one zip archive holding the given entries and, last, manifest.sha256
// with the SHA-256 of each (kit_manifest.h), optionally protected by a password (AES-256, every
// entry and the manifest). The caller names what goes in; what it means is the caller's.
//
//     ClaimKitWriter kit;
//     kit.addBytes("items.csv", csv);                       // deflated
//     kit.addFile("photos/12/tv.jpg", "/home/ann/tv.jpg");  // stored as it is
//     kit.write("/home/ann/claim.zip", password);
//
// Files are read when the kit is written, once, a little at a time, hashed on the way; nothing
// is held whole in memory however large the kit. Photos, PDFs and archives do not compress, so
// they are stored; text is deflated. The archive is written through an AtomicFile, read back and
// checked against its manifest (kit_reader.h) before it replaces the target: a failure at any
// step (a source that cannot be read, a full disk, a kit that does not read back) leaves the
// target as it was and no temporary file behind.

#include "claim_kit/claim_kit_error.h"
#include "spreadsheet/files/atomic_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace stowfolio::claimkit {

enum class Packing
{
    Store,  // as it is: photos, PDFs, workbooks of pictures, archives
    Deflate // compressed: text, CSV, the workbook
};

// True when this build of libzip can protect a kit with AES-256.
bool passwordProtectionAvailable();

class ClaimKitWriter
{
public:
    // Adds the file at `sourcePath` under `name`. Throws ClaimKitError (BadName) for a name a kit
    // may not hold or one already added; the file itself is read only by write().
    void addFile(const QString& name, const QString& sourcePath, Packing packing = Packing::Store);
    void addBytes(const QString& name, const QByteArray& bytes, Packing packing = Packing::Deflate);

    size_t entryCount() const { return m_entries.size(); }

    // Writes the kit to `path`, protected by `password` unless it is empty, and checks it.
    // Throws ClaimKitError: CannotRead naming the entry and its source file, CannotWrite naming
    // the kit and the reason ("the disk is full"), Unsupported when a password is given and this
    // libzip has no AES, TooLarge beyond what a reader accepts.
    void write(const QString& path, const QString& password = {},
               spreadsheet::files::ReadOnlyTarget readOnly =
                   spreadsheet::files::ReadOnlyTarget::Refuse) const;

private:
    struct Entry
    {
        std::string name;
        std::string sourcePath; // empty for bytes
        QByteArray bytes;
        Packing packing;
    };
    std::string checkedName(const QString& name);

    std::vector<Entry> m_entries;
    std::unordered_set<std::string> m_names;
};

} // namespace stowfolio::claimkit

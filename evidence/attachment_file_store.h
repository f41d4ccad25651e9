#pragma once

// The attachment store: a private folder (0700) named `attachments` beside the inventory
// database, holding one file per content, named by the lowercase hex SHA-256 of its bytes. Two
// items that keep the same receipt share one file; the records (state/attachment_records.h)
// say which items use it.
//
// A file is taken in by streaming it, in a fixed buffer, into a new file in the store through
// AtomicFile (written whole, synced, or removed), hashing the bytes as they pass; only then is
// it renamed to its hash. The copy is the original byte for byte: nothing is re-encoded, and the
// hash names exactly the bytes stored. Anything that is not a regular file is refused before it
// is opened, and a file larger than kMaxFileBytes or than the free space on the disk before a
// byte is copied. On any failure the new file is removed and the store is as it was.

#include <QSet>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace stowfolio {

// A file as the store holds it.
struct StoredFile
{
    QString sha256; // lowercase hex
    std::int64_t size = 0;
    // True when this call put the file in the store; false when the store held it already.
    bool added = false;
};

class AttachmentFileStore
{
public:
    // The largest file kept (2 GiB): photos, scans and short videos fit; a file larger than
    // this is refused with its size named, before anything is read.
    static constexpr std::int64_t kMaxFileBytes = std::int64_t{2} << 30;
    // Room left on the disk after a copy, for the database to record it.
    static constexpr std::int64_t kFreeSpaceReserve = std::int64_t{16} << 20;

    // What the store asks of the system, replaceable in tests.
    struct Limits
    {
        std::int64_t maxFileBytes = kMaxFileBytes;
        // The bytes free for this process in `folder`; nullopt when unknown (then unchecked).
        std::function<std::optional<std::int64_t>(const QString& folder)> freeBytes;
    };

    // Creates `folder` owner-only when missing (makePrivateFolder). Throws AttachmentError.
    explicit AttachmentFileStore(const QString& folder);
    AttachmentFileStore(const QString& folder, Limits limits);

    const QString& folder() const { return m_folder; }

    // The reason `path` cannot be kept ("is a folder, not a file"), or an empty text when it
    // looks keepable (a regular file the process can read, within the size limit).
    QString refusal(const QString& path) const;
    // Why `bytes` more cannot be stored ("the disk holds 3.0 MB free, and the copy needs ..."),
    // or an empty text when there is room.
    QString roomRefusal(std::int64_t bytes) const;
    // Copies `path` into the store. Safe to call from several threads at once. Throws
    // AttachmentError naming `path`.
    StoredFile store(const QString& path);
    // Moves the file at `path` into the store instead of copying it: hashed as it is read, then
    // renamed to its hash (the same bytes already there: the file is removed and the stored one
    // serves). For a file that is the caller's to give away, already synced (a claim kit's,
    // unpacked beside the store); on another disk it is copied as store() does. The rename is
    // made lasting by syncFolder(), once for many files, before a record names the file. Throws
    // AttachmentError naming `path`.
    StoredFile adopt(const QString& path);
    // Syncs the store's folder: the files renamed into it are there after a power cut. Throws
    // AttachmentError.
    void syncFolder() const;

    // Where the file with this SHA-256 is kept. Throws AttachmentError for a text that is not
    // a SHA-256 (a damaged record never names a file outside the store).
    QString pathOf(const QString& sha256) const;
    // True when the store holds a regular file of `size` bytes under `sha256`.
    bool holds(const QString& sha256, std::int64_t size) const;
    // Removes one file; true when it was there.
    bool remove(const QString& sha256);
    // Removes every stored file not in `named`, and the unfinished copies a killed process left
    // that were last changed before `unfinishedBefore`. Returns how many files went.
    int removeUnnamed(const QSet<QString>& named,
                      std::chrono::system_clock::time_point unfinishedBefore);

private:
    QString m_folder;
    Limits m_limits;
};

// The attachment store that belongs to the database at `databasePath`: `attachments` beside it.
QString attachmentFolderFor(const QString& databasePath);

// True for 64 lowercase hexadecimal digits.
bool isSha256Name(const QString& name);

} // namespace stowfolio

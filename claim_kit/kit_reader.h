#pragma once

// Reading a claim kit back: the writer's own check before it says it is done, and the restore.
//
// A kit is hostile input. ClaimKitReader::open() checks all of it before it hands anything
// over: that it is a zip archive, that every name is one a kit may hold (kit_manifest.h) and
// every entry a plain file (no links or devices), the limits below (entry count, sizes, the
// compression ratio of a zip bomb), the password, the manifest, and every entry's SHA-256
// against it. So a bad kit adds nothing: the caller learns it is bad before the first file.
// Entries are then handed over by name, streamed to a file or, for small text entries such as
// the item list, as bytes; each is hashed again on the way, so a kit changed on the disk since
// the check cannot slip anything in.
//
// unpack() does the check and the unpacking in one pass, for the restore of a kit of
// gigabytes: every entry goes to its file in a folder, and the folder is complete only when
// unpack() returns; on any failure every file it wrote is removed again.
//
// Failures are ClaimKitError (claim_kit_error.h): "The kit is protected by a password.",
// "The password is not right.", "The kit is damaged or incomplete.", "receipts/12/tv.pdf: its
// contents do not match the kit's manifest".

#include "claim_kit/claim_kit_error.h"
#include "digest/sha256.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

using zip_t = struct zip;

namespace stowfolio::claimkit {

// What a kit may claim before it is refused.
struct KitLimits
{
    uint64_t maxEntries = 100'000;
    uint64_t maxEntrySize = uint64_t(16) << 30;
    uint64_t maxTotalSize = uint64_t(64) << 30;
    uint64_t maxManifestSize = uint64_t(32) << 20;
    // An entry larger than this may be at most maxRatio times its compressed size: deflate
    // makes 1,000 times less of a file of zeros, nothing a kit holds shrinks a hundredfold.
    uint64_t ratioCheckedAbove = uint64_t(16) << 20;
    uint64_t maxRatio = 100;
};

struct KitEntryInfo
{
    QString name;
    uint64_t size = 0;
    Digest digest{};
};

class ClaimKitReader
{
public:
    // Opens the kit at `path` and checks all of it, each entry's hash included. `password` is
    // needed for a protected kit and ignored for one that is not. Throws ClaimKitError.
    static std::unique_ptr<ClaimKitReader> open(const QString& path, const QString& password = {},
                                                const KitLimits& limits = {});
    // Checks the kit at `path` and unpacks every entry into `folder`, an existing empty folder
    // (subfolders as the names say), through whole-file writes. Returns the entries as listed by
    // the manifest. On failure nothing it wrote is left. Throws ClaimKitError.
    static std::vector<KitEntryInfo> unpack(const QString& path, const QString& password,
                                            const QString& folder, const KitLimits& limits = {});

    ~ClaimKitReader();
    ClaimKitReader(const ClaimKitReader&) = delete;
    ClaimKitReader& operator=(const ClaimKitReader&) = delete;

    // Every entry but the manifest, in the manifest's order.
    const std::vector<KitEntryInfo>& entries() const { return m_entries; }
    const KitEntryInfo* find(const QString& name) const;
    bool isProtected() const { return m_protected; }

    // Writes the entry `name` to `destination` through a whole-file write, checking its hash
    // on the way; a mismatch leaves `destination` as it was. Throws ClaimKitError.
    void extractTo(const QString& name, const QString& destination) const;
    // The entry `name` in memory; an entry larger than `maxSize` is refused (TooLarge). Throws
    // ClaimKitError.
    QByteArray readBytes(const QString& name, uint64_t maxSize) const;

private:
    ClaimKitReader(const QString& path, const KitLimits& limits);
    void openArchive(const QString& password);
    void checkEntries();
    void readManifest();
    void checkContents() const;
    // Runs `work` for every entry, on a few threads each with its own handle on the kit: the AES
    // of libzip and the hashes keep a core busy each, and the sync of one unpacked file waits
    // while the next is read. Throws the failure of the first entry (in the manifest's order)
    // that failed; no entry is started after a failure.
    void forEveryEntry(
        unsigned threads,
        const std::function<void(const ClaimKitReader& handle, size_t entry)>& work) const;
    // Another handle on the same kit, its indexes found by name, for one thread.
    std::unique_ptr<ClaimKitReader> anotherHandle() const;
    // Reads the entry at `index` whole, handing each piece to `consume`, and checks its size
    // and (unless `digest` is null) its hash.
    void stream(uint64_t index, const QString& name, uint64_t size, const Digest* digest,
                const std::function<void(const char*, size_t)>& consume) const;
    uint64_t indexOf(const KitEntryInfo& entry) const;
    const KitEntryInfo& entryNamed(const QString& name) const;

    QString m_path;
    KitLimits m_limits;
    QByteArray m_password;
    zip_t* m_zip = nullptr;
    bool m_hasPassword = false;
    bool m_protected = false;
    std::vector<KitEntryInfo> m_entries;
    std::vector<uint64_t> m_indexes; // the archive index of each of m_entries
    std::unordered_map<std::string, uint64_t> m_indexByName; // every file entry, the manifest too
    std::vector<std::string> m_fileOrder;                    // the same names in archive order
};

// True when the file at `path` is a zip archive whose directory lists the manifest and each of
// `names`: what tells a kit from any other archive before the password is asked. Reads only the
// archive's directory (names are not protected by a kit's password); never throws.
bool looksLikeClaimKit(const QString& path, const QStringList& names);

// Opens and checks the kit at `path` as open() does, and closes it. Throws ClaimKitError.
void verifyClaimKit(const QString& path, const QString& password = {},
                    const KitLimits& limits = {});

} // namespace stowfolio::claimkit

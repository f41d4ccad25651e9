#pragma once

// What the claim kit tests share: files of known bytes, and zip archives made with libzip
// directly, so that a test can build the kits our writer never makes (names that leave the
// folder, links, files the manifest does not list).

#include "claim_kit/kit_manifest.h"
#include "digest/sha256.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <zip.h>

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace stowfolio::claimkit::testing {

// Bytes that do not compress and differ with `seed`, as a photo's do.
inline QByteArray noise(qsizetype size, uint32_t seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    uint32_t state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = char(state >> 24);
    }
    return bytes;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The names in `folder` and below, sorted, folders ending in '/'.
inline QStringList listTree(const QString& folder)
{
    QStringList names;
    const QDir root(folder);
    const std::function<void(const QString&)> walk = [&](const QString& path) {
        const QDir dir(path);
        for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::NoDotAndDotDot | QDir::System)) {
            const QString relative = root.relativeFilePath(info.absoluteFilePath());
            if (info.isDir() && !info.isSymLink()) {
                names << relative + u'/';
                walk(info.absoluteFilePath());
            } else {
                names << relative;
            }
        }
    };
    walk(folder);
    names.sort();
    return names;
}

inline std::string sha256Hex(const QByteArray& bytes)
{
    Sha256 hash;
    hash.add(bytes.constData(), size_t(bytes.size()));
    return toHex(hash.finish());
}

struct RawEntry
{
    std::string name;
    QByteArray bytes;
    // The Unix mode in the external attributes; 0 leaves libzip's default.
    uint32_t mode = 0;
    bool deflate = false;
};

// A zip archive of exactly `entries`, made by libzip without any of our checks; `password`
// protects every entry with AES-256.
inline void writeRawZip(const QString& path, const std::vector<RawEntry>& entries,
                        const char* password = nullptr)
{
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        throw std::runtime_error("cannot make " + path.toStdString());
    for (const RawEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.constData(),
                                                 zip_uint64_t(entry.bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, 0);
        if (index < 0)
            throw std::runtime_error(std::string("cannot add ") + entry.name + ": " +
                                     zip_strerror(archive));
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 entry.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        if (entry.mode != 0)
            zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             entry.mode << 16);
        if (password != nullptr)
            zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, password);
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error(std::string("cannot write ") + path.toStdString() + ": " +
                                 zip_strerror(archive));
}

// A manifest entry listing `entries` with their true hashes.
inline RawEntry manifestOf(const std::vector<RawEntry>& entries)
{
    QByteArray text;
    for (const RawEntry& entry : entries)
        text += QByteArray::fromStdString(sha256Hex(entry.bytes) + "  " + entry.name + "\n");
    return {std::string(kManifestName), text};
}

// The entries and, last, their manifest, as our writer lays a kit out.
inline std::vector<RawEntry> withManifest(std::vector<RawEntry> entries)
{
    entries.push_back(manifestOf(entries));
    return entries;
}

} // namespace stowfolio::claimkit::testing

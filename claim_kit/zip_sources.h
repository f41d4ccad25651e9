#pragma once

// The libzip sources the writer builds a kit from, each a C++ object behind libzip's function
// source (zip_source_function_create):
//
//   AtomicZipSink   where the archive goes: an AtomicFile, so the kit is written whole or not at
//                   all (libzip's own file target renames without syncing first). libzip
//                   completes each local header after the entry's data, so the sink seeks.
//   EntrySource     one entry's bytes, from a file or from memory, hashed with SHA-256 while
//                   libzip reads them: a file is read once, a little at a time, however large.
//                   A protected one hands libzip its packed bytes, encrypted here
//                   (winzip_aes.h) as stored deflate blocks, which libzip puts in the archive
//                   as they are: it would encrypt them a block at a time.
//   ManifestSource  manifest.sha256, made from the digests of the entries before it when libzip
//                   comes to it; it is the archive's last entry, so every digest is known by then.
//
// libzip owns the zip_source_t it gets; the C++ object must outlive the archive. A failure is
// kept as a message in the user's words (`failure()`) beside libzip's error code.

#include "claim_kit/kit_manifest.h"
#include "claim_kit/winzip_aes.h"
#include "digest/sha256.h"
#include "spreadsheet/files/atomic_file.h"

#include <QByteArray>

#include <zip.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace stowfolio::claimkit {

// What every function source shares: the trampoline from libzip's callback and the error.
class FunctionSource
{
public:
    FunctionSource();
    virtual ~FunctionSource();
    FunctionSource(const FunctionSource&) = delete;
    FunctionSource& operator=(const FunctionSource&) = delete;

    // A new libzip source over this object; nullptr with `error` set when libzip cannot make one.
    zip_source_t* create(zip_error_t* error);
    // The first failure, as the user reads it; empty while all is well.
    const std::string& failure() const { return m_failure; }

protected:
    virtual zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) = 0;
    // Keeps the failure (the first one) and sets libzip's error; returns -1 for the callback.
    zip_int64_t fail(int zipError, int systemError, const std::string& message);
    zip_error_t m_error;

private:
    static zip_int64_t callback(void* self, void* data, zip_uint64_t length,
                                zip_source_cmd_t command);
    std::string m_failure;
};

class AtomicZipSink : public FunctionSource
{
public:
    explicit AtomicZipSink(spreadsheet::files::AtomicFile& file);

protected:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) override;

private:
    void flush();

    spreadsheet::files::AtomicFile& m_file;
    // libzip writes a few kilobytes at a time; they reach the file in blocks.
    std::vector<char> m_buffer;
    uint64_t m_position = 0; // where libzip's next byte goes; m_buffer ends there
    uint64_t m_end = 0;      // the archive's length so far
};

class EntrySource : public FunctionSource
{
public:
    // The bytes of the file at `sourcePath` (UTF-8), read when libzip comes to the entry.
    EntrySource(std::string name, std::string sourcePath);
    // The bytes in memory.
    EntrySource(std::string name, QByteArray bytes);
    ~EntrySource() override;

    const std::string& name() const { return m_name; }
    // Encrypts the entry with AES-256 under `password` as libzip reads it.
    void protect(const QByteArray& password) { m_password = password; }
    // Set once libzip has read the whole entry.
    bool hashed() const { return m_hashed; }
    const Digest& digest() const { return m_digest; }
    uint64_t bytesRead() const { return m_position; }

protected:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) override;

private:
    zip_int64_t open();
    zip_int64_t read(void* data, zip_uint64_t length);
    // The next plain bytes, hashed; 0 at the end, -1 on failure (kept).
    zip_int64_t readPlain(char* data, zip_uint64_t length);
    zip_int64_t readPacked(char* data, zip_uint64_t length);
    zip_int64_t stat(void* data, zip_uint64_t length);
    void closeFile();
    bool isProtected() const { return !m_password.isEmpty(); }
    void finishHash();

    std::string m_name;
    std::string m_sourcePath; // empty for bytes in memory
    QByteArray m_bytes;
    int m_fd = -1;
    uint64_t m_position = 0;
    Sha256 m_hash;
    Digest m_digest{};
    bool m_hashed = false;

    // A protected entry's: its plain size as STAT told it, the CRC-32 of the plain bytes, the
    // cipher, the bytes made but not yet handed over (the salt and verifier, a block's header,
    // the authentication) and what is left of the block being read.
    QByteArray m_password;
    uint64_t m_plainSize = 0;
    unsigned long m_crc = 0;
    std::unique_ptr<WinZipAesCipher> m_cipher;
    QByteArray m_pending;
    qsizetype m_pendingAt = 0;
    uint64_t m_blockLeft = 0;
    bool m_blockStarted = false; // an empty entry still has one (empty, final) block
    bool m_sealed = false;       // the authentication is in m_pending
};

class ManifestSource : public FunctionSource
{
public:
    explicit ManifestSource(std::vector<const EntrySource*> entries);
    // The manifest as written; empty until libzip has read it.
    const std::string& text() const { return m_text; }

protected:
    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) override;

private:
    std::vector<const EntrySource*> m_entries;
    uint64_t m_size = 0; // known before the digests are: every line's length is
    std::string m_text;
    uint64_t m_position = 0;
};

} // namespace stowfolio::claimkit

#include "claim_kit/zip_sources.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio::claimkit {

namespace {

// Large enough that a kit of gigabytes is written in a few thousand system calls.
constexpr size_t kSinkBufferSize = size_t(1) << 20;

// A protected entry's key: AES-256.
constexpr int kKeyBytes = 32;
// The most a stored deflate block holds, and what its header takes: a byte of flags, then the
// length and its complement, two bytes each.
constexpr uint64_t kStoredBlockSize = 65'535;
constexpr uint64_t kStoredBlockHeader = 5;
// What readers of AES entries expect in "version needed to extract".
constexpr zip_uint8_t kAesVersionNeeded = 51;

// The packed size of `plainSize` bytes as stored deflate blocks, encrypted.
uint64_t protectedPackedSize(uint64_t plainSize)
{
    const uint64_t blocks =
        std::max<uint64_t>(1, (plainSize + kStoredBlockSize - 1) / kStoredBlockSize);
    return winZipAesOverhead(kKeyBytes) + plainSize + blocks * kStoredBlockHeader;
}

} // namespace

FunctionSource::FunctionSource()
{
    zip_error_init(&m_error);
}

FunctionSource::~FunctionSource()
{
    zip_error_fini(&m_error);
}

zip_source_t* FunctionSource::create(zip_error_t* error)
{
    return zip_source_function_create(&FunctionSource::callback, this, error);
}

zip_int64_t FunctionSource::callback(void* self, void* data, zip_uint64_t length,
                                     zip_source_cmd_t command)
{
    auto* source = static_cast<FunctionSource*>(self);
    if (command == ZIP_SOURCE_ERROR)
        return zip_error_to_data(&source->m_error, data, length);
    if (command == ZIP_SOURCE_FREE)
        return 0;
    // Nothing may be thrown through libzip's C frames.
    try {
        return source->handle(data, length, command);
    } catch (const std::bad_alloc&) {
        return source->fail(ZIP_ER_MEMORY, 0, "there is not enough memory");
    } catch (const std::exception& failure) {
        return source->fail(ZIP_ER_INTERNAL, 0, failure.what());
    }
}

zip_int64_t FunctionSource::fail(int zipError, int systemError, const std::string& message)
{
    if (m_failure.empty())
        m_failure = message;
    zip_error_set(&m_error, zipError, systemError);
    return -1;
}

// ---- AtomicZipSink ----

AtomicZipSink::AtomicZipSink(spreadsheet::files::AtomicFile& file) : m_file(file)
{
    m_buffer.reserve(kSinkBufferSize);
}

void AtomicZipSink::flush()
{
    if (!m_buffer.empty())
        m_file.write(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

zip_int64_t AtomicZipSink::handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    try {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            // libzip opens an archive only over a source that could also be read; this one is
            // never read, because the archive is always new (STAT says there is none yet).
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_SEEK,
                ZIP_SOURCE_TELL, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
                ZIP_SOURCE_REMOVE, -1);
        case ZIP_SOURCE_STAT:
            zip_error_set(&m_error, ZIP_ER_READ, ENOENT);
            return -1;
        case ZIP_SOURCE_BEGIN_WRITE:
            m_position = m_end = 0;
            m_buffer.clear();
            return 0;
        case ZIP_SOURCE_WRITE: {
            const auto* bytes = static_cast<const char*>(data);
            if (m_buffer.size() + length > kSinkBufferSize)
                flush();
            if (length >= kSinkBufferSize)
                m_file.write(bytes, length);
            else
                m_buffer.insert(m_buffer.end(), bytes, bytes + length);
            m_position += length;
            m_end = std::max(m_end, m_position);
            return zip_int64_t(length);
        }
        case ZIP_SOURCE_SEEK_WRITE: {
            const zip_int64_t offset =
                zip_source_seek_compute_offset(m_position, m_end, data, length, &m_error);
            if (offset < 0)
                return -1;
            flush();
            m_file.seek(uint64_t(offset));
            m_position = uint64_t(offset);
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE:
            return zip_int64_t(m_position);
        case ZIP_SOURCE_COMMIT_WRITE:
            // The file replaces the target only after the kit has been read back and checked
            // (ClaimKitWriter::write), so here it is only written out.
            flush();
            return 0;
        case ZIP_SOURCE_ROLLBACK_WRITE:
            // The AtomicFile removes its temporary file when it is abandoned.
            m_buffer.clear();
            return 0;
        case ZIP_SOURCE_REMOVE:
            return 0;
        default:
            zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    } catch (const spreadsheet::files::FileError& error) {
        return fail(ZIP_ER_WRITE, error.code(), error.what());
    }
}

// ---- EntrySource ----

EntrySource::EntrySource(std::string name, std::string sourcePath)
    : m_name(std::move(name)), m_sourcePath(std::move(sourcePath))
{
}

EntrySource::EntrySource(std::string name, QByteArray bytes)
    : m_name(std::move(name)), m_bytes(std::move(bytes))
{
}

EntrySource::~EntrySource()
{
    closeFile();
}

void EntrySource::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

zip_int64_t EntrySource::handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        // Not seekable: libzip reads each entry once, front to back, and the hash follows it.
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_GET_FILE_ATTRIBUTES, -1);
    case ZIP_SOURCE_OPEN:
        return open();
    case ZIP_SOURCE_READ:
        return read(data, length);
    case ZIP_SOURCE_CLOSE:
        closeFile();
        return 0;
    case ZIP_SOURCE_STAT:
        return stat(data, length);
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        auto* attributes = ZIP_SOURCE_GET_ARGS(zip_file_attributes_t, data, length, &m_error);
        if (attributes == nullptr)
            return -1;
        if (isProtected()) {
            attributes->valid |= ZIP_FILE_ATTRIBUTES_VERSION_NEEDED;
            attributes->version_needed = kAesVersionNeeded;
        }
        return 0;
    }
    default:
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t EntrySource::open()
{
    m_position = 0;
    m_hashed = false;
    m_hash.reset();
    m_plainSize = uint64_t(m_bytes.size());
    if (!m_sourcePath.empty()) {
        closeFile();
        m_fd = ::open(m_sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info
        {
        };
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
            return fail(ZIP_ER_OPEN, errno,
                        m_sourcePath + ": cannot open the file (" +
                            spreadsheet::files::describeFileError(errno) + ")");
        m_plainSize = uint64_t(info.st_size);
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    if (isProtected()) {
        const QByteArray salt = winZipAesSalt(kKeyBytes);
        m_cipher = std::make_unique<WinZipAesCipher>(
            m_password, kKeyBytes, reinterpret_cast<const unsigned char*>(salt.constData()));
        m_pending = salt + QByteArray(reinterpret_cast<const char*>(m_cipher->verifier().data()),
                                      kWinZipAesVerifierBytes);
        m_pendingAt = 0;
        m_blockLeft = 0;
        m_blockStarted = false;
        m_sealed = false;
        m_crc = crc32(0, nullptr, 0);
    }
    return 0;
}

void EntrySource::finishHash()
{
    if (m_hashed)
        return;
    m_digest = m_hash.finish();
    m_hashed = true;
}

zip_int64_t EntrySource::readPlain(char* data, zip_uint64_t length)
{
    zip_int64_t count = 0;
    if (m_sourcePath.empty()) {
        const uint64_t left = uint64_t(m_bytes.size()) - m_position;
        count = zip_int64_t(std::min<uint64_t>(left, length));
        std::memcpy(data, m_bytes.constData() + m_position, size_t(count));
    } else {
        ssize_t got = 0;
        do
            got = ::read(m_fd, data, std::min<zip_uint64_t>(length, SSIZE_MAX));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return fail(ZIP_ER_READ, errno,
                        m_sourcePath + ": cannot read the file (" +
                            spreadsheet::files::describeFileError(errno) + ")");
        count = got;
    }
    m_hash.add(data, size_t(count));
    if (isProtected())
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(data), uInt(count));
    m_position += uint64_t(count);
    return count;
}

zip_int64_t EntrySource::read(void* data, zip_uint64_t length)
{
    if (isProtected())
        return readPacked(static_cast<char*>(data), length);
    const zip_int64_t count = readPlain(static_cast<char*>(data), length);
    if (count == 0)
        finishHash();
    return count;
}

// The salt and verifier, then the plain bytes as stored deflate blocks (each a header and up to
// 65,535 bytes; the last marked final), all encrypted, then the authentication.
zip_int64_t EntrySource::readPacked(char* data, zip_uint64_t length)
{
    uint64_t written = 0;
    while (written < length) {
        if (m_pendingAt < m_pending.size()) {
            const auto count = qsizetype(
                std::min<uint64_t>(length - written, uint64_t(m_pending.size() - m_pendingAt)));
            std::memcpy(data + written, m_pending.constData() + m_pendingAt, size_t(count));
            m_pendingAt += count;
            written += uint64_t(count);
            continue;
        }
        if (m_sealed)
            break;
        if (m_blockLeft > 0) {
            const zip_int64_t count =
                readPlain(data + written, std::min<uint64_t>(length - written, m_blockLeft));
            if (count < 0)
                return -1;
            if (count == 0)
                return fail(ZIP_ER_READ, 0,
                            m_sourcePath + ": the file became shorter while it was put in the kit");
            m_cipher->encrypt(data + written, size_t(count));
            written += uint64_t(count);
            m_blockLeft -= uint64_t(count);
            continue;
        }
        const uint64_t left = m_plainSize - m_position;
        if (m_blockStarted && left == 0) {
            finishHash();
            const auto code = m_cipher->authentication();
            m_cipher.reset(); // its keystream is 128 KiB, and a kit has thousands of entries
            m_pending =
                QByteArray(reinterpret_cast<const char*>(code.data()), qsizetype(code.size()));
            m_pendingAt = 0;
            m_sealed = true;
            continue;
        }
        const auto blockSize = uint16_t(std::min(left, kStoredBlockSize));
        const auto complement = uint16_t(~blockSize);
        char header[kStoredBlockHeader] = {char(blockSize == left ? 1 : 0), char(blockSize & 0xff),
                                           char(blockSize >> 8), char(complement & 0xff),
                                           char(complement >> 8)};
        m_cipher->encrypt(header, sizeof header);
        m_pending = QByteArray(header, sizeof header);
        m_pendingAt = 0;
        m_blockLeft = blockSize;
        m_blockStarted = true;
    }
    return zip_int64_t(written);
}

zip_int64_t EntrySource::stat(void* data, zip_uint64_t length)
{
    auto* result = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (result == nullptr)
        return -1;
    zip_stat_init(result);
    if (m_sourcePath.empty()) {
        result->size = uint64_t(m_bytes.size());
        result->mtime = std::time(nullptr);
    } else {
        struct stat info
        {
        };
        if (::stat(m_sourcePath.c_str(), &info) != 0)
            return fail(ZIP_ER_OPEN, errno,
                        m_sourcePath + ": cannot open the file (" +
                            spreadsheet::files::describeFileError(errno) + ")");
        if (!S_ISREG(info.st_mode))
            return fail(ZIP_ER_OPEN, EISDIR, m_sourcePath + ": not a file");
        result->size = uint64_t(info.st_size);
        result->mtime = info.st_mtime;
    }
    result->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    if (isProtected()) {
        // Packed already: libzip copies the bytes as they come, and takes the sizes and the
        // CRC-32 of what was read from here once it has read them.
        if (m_hashed) {
            result->size = m_position;
            result->crc = m_crc;
            result->valid |= ZIP_STAT_CRC;
        }
        result->comp_size = protectedPackedSize(result->size);
        result->comp_method = ZIP_CM_DEFLATE;
        result->encryption_method = ZIP_EM_AES_256;
        result->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    }
    return sizeof(*result);
}

// ---- ManifestSource ----

ManifestSource::ManifestSource(std::vector<const EntrySource*> entries)
    : m_entries(std::move(entries))
{
    for (const EntrySource* entry : m_entries)
        m_size += manifestLineSize(entry->name());
}

zip_int64_t ManifestSource::handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    case ZIP_SOURCE_OPEN: {
        std::string text;
        text.reserve(m_size);
        for (const EntrySource* entry : m_entries) {
            // The archive is written in the order entries were added, the manifest last.
            if (!entry->hashed())
                return fail(ZIP_ER_INTERNAL, 0,
                            entry->name() + " was not read before the manifest was written");
            text += manifestLine({entry->name(), entry->digest()});
        }
        m_text = std::move(text);
        m_position = 0;
        return 0;
    }
    case ZIP_SOURCE_READ: {
        const uint64_t count = std::min<uint64_t>(m_text.size() - m_position, length);
        std::memcpy(data, m_text.data() + m_position, count);
        m_position += count;
        return zip_int64_t(count);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* result = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
        if (result == nullptr)
            return -1;
        zip_stat_init(result);
        result->size = m_size;
        result->mtime = std::time(nullptr);
        result->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*result);
    }
    default:
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace stowfolio::claimkit

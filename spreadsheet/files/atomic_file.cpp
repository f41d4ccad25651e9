#include "spreadsheet/files/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spreadsheet::files {

namespace {

// Initialised before any other code of the program runs: the addresses are constants.
FileCalls g_calls{::write, ::fsync, ::close, ::rename};

// A name no other writer is using: the target's name, ".tmp-" and six random characters.
std::string candidateTemporaryName(const std::string& target)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    std::string name = target + ".tmp-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick(random)];
    return name;
}

// Where the bytes really go: the file a symbolic link points at, so that saving over a link
// keeps the link and changes its target, as editors do.
std::string resolvedTarget(const std::string& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Makes the rename itself survive a power cut. A folder that cannot be synced (some network
// file systems) still holds the renamed file, so a failure here is not worth reporting.
void syncFolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::string cannotWrite(const std::string& path, int code)
{
    return path + ": cannot write the file (" + describeFileError(code) + ")";
}

} // namespace

FileCalls systemFileCalls()
{
    return {::write, ::fsync, ::close, ::rename};
}

FileCalls replaceFileCalls(const FileCalls& calls)
{
    const FileCalls previous = g_calls;
    g_calls = calls;
    return previous;
}

std::string describeFileError(int code)
{
    switch (code) {
    case ENOSPC:
        return "the disk is full";
    case EDQUOT:
        return "the disk quota is used up";
    case EFBIG:
        return "the file is larger than the system allows";
    case EROFS:
        return "the disk is read-only";
    case EACCES:
    case EPERM:
        return "permission denied: the folder or file is read-only for you";
    case ENOENT:
        return "the folder does not exist";
    case ENOTDIR:
        return "a part of the path is not a folder";
    case EISDIR:
        return "it is a folder";
    case EIO:
        return "the disk reported an input/output error";
    default:
        return std::strerror(code);
    }
}

AtomicFile::AtomicFile(const std::string& path) : m_path(path)
{
    const std::string target = resolvedTarget(path);
    struct stat existing
    {
    };
    const bool keepMode = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // Collisions mean another writer is at work beside us; a hundred of them mean something
    // else is wrong.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporaryPath = candidateTemporaryName(target);
        m_fd = ::open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            throw FileError(cannotWrite(path, errno), errno);
    }
    if (m_fd < 0)
        throw FileError(cannotWrite(path, EEXIST), EEXIST);
    // A file the user made private stays private; failing to copy the mode is not worth a
    // failed save.
    if (keepMode)
        static_cast<void>(::fchmod(m_fd, existing.st_mode & 07777));
    m_targetPath = target;
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporaryPath.empty())
        ::unlink(m_temporaryPath.c_str());
    m_temporaryPath.clear();
}

void AtomicFile::fail(int code)
{
    discard();
    throw FileError(cannotWrite(m_path, code), code);
}

void AtomicFile::write(const void* data, size_t size)
{
    if (m_fd < 0)
        fail(EBADF);
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = g_calls.write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            fail(errno);
        // A write that moves nothing is a full disk that did not say so.
        if (written == 0)
            fail(ENOSPC);
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        fail(EBADF);
    // Delayed allocation can report a full disk only here.
    if (g_calls.fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (g_calls.close(fd) != 0)
        fail(errno);
    if (g_calls.rename(m_temporaryPath.c_str(), m_targetPath.c_str()) != 0)
        fail(errno);
    m_temporaryPath.clear();
    syncFolderOf(m_targetPath);
}

void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    AtomicFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        if (!std::filesystem::exists(path, error))
            throw FileError(path + ": cannot open the file (no such file)", ENOENT);
        throw FileError(path + ": not a file", EISDIR);
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        throw FileError(path + ": cannot read the file (" + error.message() + ")", error.value());
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(path + ": cannot open the file (" + describeFileError(errno) + ")", errno);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size)))
        throw FileError(path + ": cannot read the file", EIO);
    return bytes;
}

} // namespace spreadsheet::files

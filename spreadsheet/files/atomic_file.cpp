#include "spreadsheet/files/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spreadsheet::files {

namespace {

// Initialised before any other code of the program runs: the addresses are constants.
FileCalls g_calls{::write, ::fsync, ::close, ::rename, ::lstat};

// The temporary file's name is the target's, this, and kTemporarySuffixLength of kLetters.
// removeAbandonedTemporaryFiles() recognises leftovers by exactly this shape.
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kTemporarySuffixLength = 6;

// As many links as the system follows in one path before it gives up (ELOOP).
constexpr int kMaxLinks = 40;

// A name no other writer is using: the target's name, ".tmp-" and six random characters.
std::string candidateTemporaryName(const std::string& target)
{
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
    std::string name = target + std::string(kTemporaryMark);
    for (size_t i = 0; i < kTemporarySuffixLength; ++i)
        name += kLetters[pick(random)];
    return name;
}

// The non-empty parts of `path` between slashes, last part first, ready to be taken from the
// back.
std::vector<std::string> partsLastFirst(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return {parts.rbegin(), parts.rend()};
}

[[noreturn]] void refuseLink(const std::string& path, const std::string& link,
                             const std::string& folder)
{
    const std::string reason = "it leads through the symbolic link " + link +
                               ", which another user put in the shared folder " + folder +
                               "; it is not followed, so that no file elsewhere is overwritten";
    throw FileError(path + ": cannot write the file (" + reason + ")", EACCES, reason);
}

// Where the bytes really go: the file a symbolic link points at, so that saving over a link
// keeps the link and changes its target, as editors do. Each link on the way, in the folders
// as in the last part, is read and judged by mayFollowLink() before it is followed; what comes
// out holds no links, so the system follows none behind our back. A link that leads nowhere is
// itself replaced.
std::string resolvedTarget(const std::string& path)
{
    std::vector<std::string> rest = partsLastFirst(path);
    std::string resolved = path.starts_with('/') ? std::string() : std::string(".");
    int links = 0;
    while (!rest.empty()) {
        const std::string part = std::move(rest.back());
        rest.pop_back();
        if (part == ".")
            continue;
        const std::string candidate = resolved + "/" + part;
        struct stat info
        {
        };
        // "..", like anything that is no link (or not there), is left to the system: every
        // folder before it is a real one, so it means what it says.
        if (part == ".." || g_calls.lstat(candidate.c_str(), &info) != 0 ||
            !S_ISLNK(info.st_mode)) {
            resolved = candidate;
            continue;
        }
        const std::string folder = resolved.empty() ? std::string("/") : resolved;
        struct stat folderInfo
        {
        };
        if (::stat(folder.c_str(), &folderInfo) == 0 &&
            !mayFollowLink(info.st_uid, folderInfo.st_uid, folderInfo.st_mode, ::geteuid()))
            refuseLink(path, candidate, folder);
        if (++links > kMaxLinks)
            throw FileError(path + ": cannot write the file (" + describeFileError(ELOOP) + ")",
                            ELOOP);
        std::string destination(PATH_MAX, '\0');
        const ssize_t length = ::readlink(candidate.c_str(), destination.data(), PATH_MAX);
        if (length <= 0 || length >= PATH_MAX)
            return path;
        destination.resize(static_cast<size_t>(length));
        if (destination.starts_with('/'))
            resolved.clear();
        // The link's parts come before what is left, its first part last of all.
        for (std::string& next : partsLastFirst(destination))
            rest.push_back(std::move(next));
    }
    if (resolved.empty())
        return "/";
    struct stat last
    {
    };
    return links > 0 && ::lstat(resolved.c_str(), &last) != 0 ? path : resolved;
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
    return {::write, ::fsync, ::close, ::rename, ::lstat};
}

bool mayFollowLink(uid_t linkOwner, uid_t folderOwner, mode_t folderMode, uid_t follower)
{
    const bool sharedFolder = (folderMode & S_ISVTX) != 0 && (folderMode & S_IWOTH) != 0;
    return !sharedFolder || linkOwner == follower || linkOwner == folderOwner;
}

bool isReadOnlyFile(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
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

AtomicFile::AtomicFile(const std::string& path, ReadOnlyTarget readOnly, FileAccess access)
    : m_path(path)
{
    const std::string target = resolvedTarget(path);
    struct stat existing
    {
    };
    const bool keepMode = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // The rename would replace it all the same: the folder's permissions decide that, not the
    // file's.
    if (readOnly == ReadOnlyTarget::Refuse && keepMode && isReadOnlyFile(target))
        throw FileError(path + " is read-only", EACCES, "the file is read-only");
    // Collisions mean another writer is at work beside us; a hundred of them mean something
    // else is wrong.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporaryPath = candidateTemporaryName(target);
        m_fd = ::open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      access == FileAccess::OwnerOnly ? 0600 : 0666);
        if (m_fd < 0 && errno != EEXIST)
            throw FileError(cannotWrite(path, errno), errno);
    }
    if (m_fd < 0)
        throw FileError(cannotWrite(path, EEXIST), EEXIST);
    // A file the user made private stays private; failing to copy the mode is not worth a
    // failed save.
    if (keepMode)
        static_cast<void>(
            ::fchmod(m_fd, existing.st_mode & (access == FileAccess::OwnerOnly ? 0700 : 07777)));
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

void AtomicFile::seek(uint64_t offset)
{
    if (m_fd < 0)
        fail(EBADF);
    if (offset > uint64_t(std::numeric_limits<off_t>::max()) ||
        ::lseek(m_fd, off_t(offset), SEEK_SET) < 0)
        fail(offset > uint64_t(std::numeric_limits<off_t>::max()) ? EFBIG : errno);
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

void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         ReadOnlyTarget readOnly, FileAccess access)
{
    AtomicFile file(path, readOnly, access);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

bool isTemporaryNameOf(const std::string& name, const std::string& targetName)
{
    const std::string prefix = targetName + std::string(kTemporaryMark);
    if (targetName.empty() || name.size() != prefix.size() + kTemporarySuffixLength ||
        !name.starts_with(prefix))
        return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return kLetters.find(c) != std::string_view::npos; });
}

int removeAbandonedTemporaryFiles(const std::string& target,
                                  std::chrono::system_clock::time_point before)
{
    const std::filesystem::path targetPath(target);
    const std::string targetName = targetPath.filename().string();
    std::filesystem::path folder = targetPath.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error)
        return 0;
    const auto cutoff =
        std::chrono::duration_cast<std::chrono::nanoseconds>(before.time_since_epoch());
    int removed = 0;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (!isTemporaryNameOf(name, targetName))
            continue;
        struct stat info
        {
        };
        if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        const auto changed = std::chrono::seconds(info.st_mtim.tv_sec) +
                             std::chrono::nanoseconds(info.st_mtim.tv_nsec);
        if (changed >= cutoff)
            continue;
        if (::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
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

#pragma once

// Files that are written whole or not at all. Every file the program writes goes through
// AtomicFile: the bytes go to a new temporary file beside the target, and only after every
// write, the sync to disk and the close have succeeded does the temporary file replace the
// target. A full disk, a read-only folder or a killed process therefore leaves the old file
// exactly as it was.
//
// Each failure is checked where it happens (a short write, fsync, close, rename), because a
// buffered writer that reports success before its last flush has reached the disk is how a
// settings file ends up empty on a full disk.
//
// This is also the one place where a target is judged before anything is written: a symbolic
// link that someone else planted in a shared folder is not followed, and a read-only file is
// replaced only when the caller says the user agreed.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "spreadsheet/model/error.h"

namespace spreadsheet::files {

// The reason behind an errno value, as a user reads it: "the disk is full", "the folder is
// read-only", "permission denied".
std::string describeFileError(int code);

// A file that could not be read or written. The message names the file and the reason in the
// user's words ("/home/ann/x.xls: cannot write the file (the disk is full)"); `code` is the
// errno value behind it, 0 when there is none; `reason` is the reason alone, for callers that
// name the file their own way.
class FileError : public Error
{
public:
    FileError(const std::string& message, int code)
        : FileError(message, code, describeFileError(code))
    {
    }
    FileError(const std::string& message, int code, std::string reason)
        : Error(message), m_code(code), m_reason(std::move(reason))
    {
    }
    int code() const { return m_code; }
    const std::string& reason() const { return m_reason; }

private:
    int m_code;
    std::string m_reason;
};

// What to do when the target is there but read-only: a user who made a file read-only meant
// to keep it, so it is replaced only after he was asked.
enum class ReadOnlyTarget
{
    Refuse,
    Replace
};

// Who may read a file written. Everyone: as the umask says, and an existing file keeps its
// permissions. OwnerOnly, for files that hold private data: the temporary file is created 0600
// whatever the umask, so no one else can open it even for a moment, and the file ends with at
// most its owner's permissions (an existing file loses those of its group and of others).
enum class FileAccess
{
    Everyone,
    OwnerOnly
};

// The system's rule for symbolic links in shared folders (fs.protected_symlinks), applied
// whether or not the system enforces it: in a folder anyone may write to that has the sticky
// bit (/tmp), a link is followed only when it belongs to the follower or to the folder's owner.
// Anyone else may have planted it there to make us overwrite a file of ours elsewhere.
bool mayFollowLink(uid_t linkOwner, uid_t folderOwner, mode_t folderMode, uid_t follower);

// True for a file with no write permission for anyone, or none for the calling process (as
// `chmod a-w` or a file manager's "read-only" leaves it; root counts the former too).
bool isReadOnlyFile(const std::string& path);

class AtomicFile
{
public:
    // Creates the temporary file beside `path`. A symbolic link at `path` (or on the way to
    // it) is followed, so the file it points at is the one replaced, unless mayFollowLink()
    // forbids it; an existing file's permissions are kept. A read-only target is refused unless
    // `readOnly` is Replace. Throws FileError.
    explicit AtomicFile(const std::string& path, ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse,
                        FileAccess access = FileAccess::Everyone);
    // Without commit() the temporary file is removed and the target left alone.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Throws FileError; after a failure the file can only be abandoned.
    void write(const void* data, size_t size);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Moves where the next write() goes, for formats that complete a header after the data it
    // describes (a zip entry's sizes and checksum). Throws FileError.
    void seek(uint64_t offset);
    // Syncs and closes the temporary file, then renames it over the target. Throws FileError,
    // leaving the target untouched.
    void commit();

    const std::string& path() const { return m_path; }
    // The file being written until commit(), for a writer that reads back what it wrote before
    // it replaces the target; empty after commit() or a failure.
    const std::string& temporaryPath() const { return m_temporaryPath; }

private:
    [[noreturn]] void fail(int code);
    void discard();

    std::string m_path;
    std::string m_targetPath;
    std::string m_temporaryPath;
    int m_fd = -1;
};

// The calls through which AtomicFile's checked steps reach the disk. Tests put in stand-ins
// that fail one of them (a sync that reports an input/output error, a close that reports a
// quota) or report a link as another user's, which no file system a test can set up without
// root produces on demand.
struct FileCalls
{
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    // Looks at each part of a target's path while links are resolved.
    int (*lstat)(const char* path, struct stat* info);
};

// The system's own calls.
FileCalls systemFileCalls();
// Makes `calls` the ones every AtomicFile of the process uses from now on and returns the ones
// they replace, for the caller to put back. Not to be called while another thread writes a file.
FileCalls replaceFileCalls(const FileCalls& calls);

// The whole of `bytes` as the new content of `path`, through AtomicFile.
void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                         ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse,
                         FileAccess access = FileAccess::Everyone);

// True when `name` (no folder) is one AtomicFile gives its temporary file for a target named
// `targetName`: the target's name, ".tmp-" and six of a-z and 0-9.
bool isTemporaryNameOf(const std::string& name, const std::string& targetName);

// Removes the temporary files a killed writer left beside `target`: regular files named by
// isTemporaryNameOf(), owned by the calling process's user and last changed before `before`
// (a writer still at work has changed its file since). Nothing else is touched. Returns how
// many were removed.
int removeAbandonedTemporaryFiles(const std::string& target,
                                  std::chrono::system_clock::time_point before);

// Reads a file whole. Throws FileError naming the file.
std::vector<uint8_t> readFileBytes(const std::string& path);

} // namespace spreadsheet::files

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

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

#include "spreadsheet/model/error.h"

namespace spreadsheet::files {

// A file that could not be read or written. The message names the file and the reason in the
// user's words ("/home/ann/x.xls: cannot write the file (the disk is full)"); `code` is the
// errno value behind it, 0 when there is none.
class FileError : public Error
{
public:
    FileError(const std::string& message, int code) : Error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// The reason behind an errno value, as a user reads it: "the disk is full", "the folder is
// read-only", "permission denied".
std::string describeFileError(int code);

class AtomicFile
{
public:
    // Creates the temporary file beside `path`. A symbolic link at `path` is followed, so the
    // file it points at is the one replaced; an existing file's permissions are kept. Throws
    // FileError.
    explicit AtomicFile(const std::string& path);
    // Without commit() the temporary file is removed and the target left alone.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Throws FileError; after a failure the file can only be abandoned.
    void write(const void* data, size_t size);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Syncs and closes the temporary file, then renames it over the target. Throws FileError,
    // leaving the target untouched.
    void commit();

    const std::string& path() const { return m_path; }

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
// quota), failures no file system a test can set up without root produces on demand.
struct FileCalls
{
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};

// The system's own calls.
FileCalls systemFileCalls();
// Makes `calls` the ones every AtomicFile of the process uses from now on and returns the ones
// they replace, for the caller to put back. Not to be called while another thread writes a file.
FileCalls replaceFileCalls(const FileCalls& calls);

// The whole of `bytes` as the new content of `path`, through AtomicFile.
void writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Reads a file whole. Throws FileError naming the file.
std::vector<uint8_t> readFileBytes(const std::string& path);

} // namespace spreadsheet::files

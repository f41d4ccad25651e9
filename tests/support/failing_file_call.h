#pragma once

// A disk that fails one step of a whole-file write: while a FailingFileCall lives, every
// AtomicFile of the process (and so every writer built on it) gets `error` from that call. A
// failing close still closes the file, as the system's close does when it reports an error.

#include "spreadsheet/files/atomic_file.h"

#include <cerrno>

namespace stowfolio::testing {

enum class FileCall
{
    Write,
    Fsync,
    Close,
    Rename
};

class FailingFileCall
{
public:
    FailingFileCall(FileCall call, int error)
    {
        s_error = error;
        spreadsheet::files::FileCalls calls = spreadsheet::files::systemFileCalls();
        switch (call) {
        case FileCall::Write:
            calls.write = [](int, const void*, size_t) -> ssize_t { return failed(); };
            break;
        case FileCall::Fsync:
            calls.fsync = [](int) { return failed(); };
            break;
        case FileCall::Close:
            calls.close = [](int fd) {
                spreadsheet::files::systemFileCalls().close(fd);
                return failed();
            };
            break;
        case FileCall::Rename:
            calls.rename = [](const char*, const char*) { return failed(); };
            break;
        }
        m_previous = spreadsheet::files::replaceFileCalls(calls);
    }
    ~FailingFileCall() { spreadsheet::files::replaceFileCalls(m_previous); }
    FailingFileCall(const FailingFileCall&) = delete;
    FailingFileCall& operator=(const FailingFileCall&) = delete;

private:
    static int failed()
    {
        errno = s_error;
        return -1;
    }

    static inline int s_error = 0;
    spreadsheet::files::FileCalls m_previous{};
};

} // namespace stowfolio::testing

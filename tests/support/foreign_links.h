#pragma once

// Symbolic links that belong to another user: while a ForeignLinks lives, every AtomicFile of
// the process (and so every writer built on it) sees each link it looks at as owned by
// kForeignUser, as a link someone else planted would be. Making such a link for real takes
// root; the folders and files around it are real.

#include "spreadsheet/files/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio::testing {

class ForeignLinks
{
public:
    // Neither the test's user nor root, and so the owner of no folder a test makes.
    static constexpr uid_t kForeignUser = 54321;

    ForeignLinks()
    {
        spreadsheet::files::FileCalls calls = spreadsheet::files::systemFileCalls();
        calls.lstat = [](const char* path, struct stat* info) {
            const int result = spreadsheet::files::systemFileCalls().lstat(path, info);
            if (result == 0 && S_ISLNK(info->st_mode))
                info->st_uid = kForeignUser;
            return result;
        };
        m_previous = spreadsheet::files::replaceFileCalls(calls);
    }
    ~ForeignLinks() { spreadsheet::files::replaceFileCalls(m_previous); }
    ForeignLinks(const ForeignLinks&) = delete;
    ForeignLinks& operator=(const ForeignLinks&) = delete;

private:
    spreadsheet::files::FileCalls m_previous{};
};

} // namespace stowfolio::testing

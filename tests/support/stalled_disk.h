#pragma once

#include "spreadsheet/files/atomic_file.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <semaphore>

namespace stowfolio::testing {

// A disk that does not answer: while a StalledDisk lives, every sync of a whole-file write (of
// AtomicFile, on any thread) waits until open() is called, and every file put in place is
// counted. Made before the first write it is to stall, and opened before whatever waits for the
// write, so that no file is being written when it goes.
class StalledDisk
{
public:
    StalledDisk()
    {
        s_open = false;
        s_renames = 0;
        // Syncs an earlier disk counted are not this one's.
        while (s_syncsWaiting.try_acquire())
            continue;
        spreadsheet::files::FileCalls calls = spreadsheet::files::systemFileCalls();
        calls.fsync = [](int fd) {
            s_syncsWaiting.release();
            std::unique_lock lock(s_mutex);
            s_opened.wait(lock, [] { return s_open; });
            return spreadsheet::files::systemFileCalls().fsync(fd);
        };
        calls.rename = [](const char* from, const char* to) {
            ++s_renames;
            return spreadsheet::files::systemFileCalls().rename(from, to);
        };
        m_previous = spreadsheet::files::replaceFileCalls(calls);
    }
    ~StalledDisk()
    {
        open();
        spreadsheet::files::replaceFileCalls(m_previous);
    }
    StalledDisk(const StalledDisk&) = delete;
    StalledDisk& operator=(const StalledDisk&) = delete;

    // Returns once a write has reached its sync and waits there.
    void waitForAStalledWrite() { s_syncsWaiting.acquire(); }
    void open()
    {
        {
            const std::lock_guard lock(s_mutex);
            s_open = true;
        }
        s_opened.notify_all();
    }
    // How many files were put in place.
    int renames() const { return s_renames; }

private:
    static inline std::mutex s_mutex;
    static inline std::condition_variable s_opened;
    static inline bool s_open = false;
    static inline std::counting_semaphore<> s_syncsWaiting{0};
    static inline std::atomic<int> s_renames = 0;
    spreadsheet::files::FileCalls m_previous{};
};

} // namespace stowfolio::testing

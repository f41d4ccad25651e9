// Times the builder's whole conversation with the spreadsheet application for C items and
// reports the peak memory of doing it. Each item count runs in a child process of its own, so
// its peak is its own and not that of a larger case before it.

#include "tests/spreadsheet/automation/builder_sequence.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

using namespace spreadsheet::automation;
using namespace spreadsheet::automation::testing;

namespace {

// Processor time of this process: on a shared machine wall-clock time mostly measures the
// other processes. The total is also given as wall-clock time.
struct CpuClock
{
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<CpuClock>;
    static time_point now()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};
using Clock = CpuClock;

template <class AnyClock>
double millisecondsSince(typename AnyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(AnyClock::now() - start).count();
}

struct Phases
{
    double open = 0;
    double grow = 0;
    double write = 0;
    double save = 0;
    double wall = 0;
    double total() const { return open + grow + write + save; }
};

Phases buildOnce(const std::vector<InventoryItem>& items, const std::string& output)
{
    Phases phases;
    const auto wallStart = std::chrono::steady_clock::now();
    auto start = Clock::now();
    Application excel;
    Workbook book = excel.Workbooks().Open(STOWFOLIO_TEMPLATE_PATH, true);
    phases.open = millisecondsSince<Clock>(start);

    start = Clock::now();
    writeOwner(excel, {"Jane Doe", "1 Main St", "Springfield, IL 62701", "555-0100", "Acme Mutual",
                       "Bob Agent", "555-0199", "PN-0001"});
    growBlock(excel, static_cast<int32_t>(items.size()));
    phases.grow = millisecondsSince<Clock>(start);
    start = Clock::now();
    writeItems(excel, items);
    phases.write = millisecondsSince<Clock>(start);

    start = Clock::now();
    book.SaveAs(output, xlExcel8);
    book.Close();
    excel.Quit();
    phases.save = millisecondsSince<Clock>(start);
    phases.wall = millisecondsSince<std::chrono::steady_clock>(wallStart);
    return phases;
}

void runCase(int32_t count)
{
    std::vector<InventoryItem> items;
    for (int32_t i = 1; i <= count; ++i)
        items.push_back(sampleItem(i));
    const std::string output = (std::filesystem::temp_directory_path() /
                                ("bench_automation_" + std::to_string(getpid()) + ".xls"))
                                   .string();
    const int runs = count <= 1000 ? 21 : count <= 10000 ? 7 : 3;
    std::vector<Phases> results;
    for (int run = 0; run < runs; ++run)
        results.push_back(buildOnce(items, output));
    std::sort(results.begin(), results.end(),
              [](const Phases& a, const Phases& b) { return a.total() < b.total(); });
    const Phases& median = results[results.size() / 2];
    const auto bytes = std::filesystem::file_size(output);
    std::filesystem::remove(output);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%8d %10.2f %9.2f %9.2f %9.2f %9.2f %9.2f %10.1f %10.0f\n", count, median.total(),
                median.open, median.grow, median.write, median.save, median.wall,
                usage.ru_maxrss / 1024.0, bytes / 1024.0);
}

} // namespace

// With item counts as arguments only those cases run.
int main(int argc, char** argv)
{
    std::vector<int32_t> counts = {100, 1000, 10000, 65526};
    if (argc > 1)
        counts.clear();
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    std::printf("builder sequence, median of several runs, processor time\n"
                "(targets: 1,000 items < 5 ms; 65,526 items < 300 ms and 200 MB)\n");
    std::printf("%8s %10s %9s %9s %9s %9s %9s %10s %10s\n", "items", "total ms", "open ms",
                "grow ms", "write ms", "save ms", "wall ms", "peak MB", "file KB");
    std::fflush(stdout);
    for (int32_t count : counts) {
        const pid_t child = fork();
        if (child == 0) {
            runCase(count);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("%8d failed\n", count);
    }
    return 0;
}

// Times the file layer on workbooks the size the program makes: the template read, N item rows
// of twelve cells (text and numbers alternating) filled in, the workbook written to a file and
// read back. "read+write" is the template read, the write and the read back (not the filling,
// which is the caller's work); "CPU" the processor time of the same, which a busy machine
// inflates less than the wall-clock times. Each case runs in a child process so that its peak
// memory is its own.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/files/atomic_file.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace spreadsheet;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<uint8_t> templateBytes()
{
    if (std::filesystem::exists(STOWFOLIO_TEMPLATE_PATH))
        return files::readFileBytes(STOWFOLIO_TEMPLATE_PATH);
    return writeWorkbookBytes(makeDefaultWorkbook("Home Inventory"), {true});
}

void fill(Workbook& workbook, uint32_t rows)
{
    Worksheet& sheet = workbook.sheets.front();
    constexpr uint32_t kFirstRow = 9;
    for (uint32_t r = 0; r < rows; ++r) {
        Row& row = sheet.ensureRow(kFirstRow + r);
        row.cells.clear();
        row.cells.reserve(12);
        for (uint16_t c = 0; c < 12; ++c) {
            Cell cell;
            cell.column = c;
            if (c % 2 == 0) {
                cell.kind = CellKind::String;
                cell.index = workbook.strings.intern("Item " + std::to_string(r) + " field " +
                                                     std::to_string(c));
            } else {
                cell.kind = CellKind::Number;
                cell.number = r * 12.5 + c;
            }
            row.cells.push_back(cell);
        }
    }
}

struct Figures
{
    double readTemplate = 0;
    double fill = 0;
    double write = 0;
    double readBack = 0;
    double cpu = 0; // processor time of template read, write and read back
    long peakKilobytes = 0;
    size_t bytes = 0;
};

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Reads the template, fills `rows` item rows, saves the workbook as the program does, lets go
// of it, and reads the saved file back.
Figures runCase(uint32_t rows, const std::string& path)
{
    Figures figures;
    const std::vector<uint8_t> original = templateBytes();
    double fillCpu = 0;
    {
        auto start = Clock::now();
        Workbook workbook = readWorkbookBytes(original, "template");
        figures.readTemplate = millisecondsSince(start);
        start = Clock::now();
        const double cpuBeforeFill = cpuMilliseconds();
        fill(workbook, rows);
        fillCpu = cpuMilliseconds() - cpuBeforeFill;
        figures.fill = millisecondsSince(start);
        start = Clock::now();
        writeWorkbookFile(workbook, path);
        figures.write = millisecondsSince(start);
    }
    figures.bytes = std::filesystem::file_size(path);
    auto start = Clock::now();
    const Workbook back = readWorkbookFile(path);
    figures.readBack = millisecondsSince(start);
    figures.cpu = cpuMilliseconds() - fillCpu;
    if (back.sheets.front().rowCount() < rows)
        std::fprintf(stderr, "read back fewer rows than written\n");
    std::filesystem::remove(path);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakKilobytes = usage.ru_maxrss;
    return figures;
}

} // namespace

int main()
{
    std::printf("%8s %10s %10s %10s %10s %12s %10s %10s %10s\n", "rows", "template", "fill",
                "write", "read back", "read+write", "CPU", "peak MB", "file KB");
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench_file_layer_" + std::to_string(getpid()) + ".xls"))
                                 .string();
    for (uint32_t rows : {1000u, 10000u, 65000u}) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return 1;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            const Figures figures = runCase(rows, path);
            const ssize_t written = write(pipeEnds[1], &figures, sizeof figures);
            _exit(written == sizeof figures ? 0 : 1);
        }
        close(pipeEnds[1]);
        Figures figures;
        const ssize_t got = read(pipeEnds[0], &figures, sizeof figures);
        close(pipeEnds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (got != sizeof figures || status != 0) {
            std::fprintf(stderr, "the %u-row case failed\n", rows);
            return 1;
        }
        std::printf("%8u %8.1fms %8.1fms %8.1fms %8.1fms %10.1fms %8.1fms %10.1f %10zu\n", rows,
                    figures.readTemplate, figures.fill, figures.write, figures.readBack,
                    figures.readTemplate + figures.write + figures.readBack, figures.cpu,
                    figures.peakKilobytes / 1024.0, figures.bytes / 1024);
    }
    return 0;
}

// Times the file layer on workbooks the size the program makes: the template read, N item rows
// of twelve cells (text and numbers alternating) filled in, the workbook written and read back.
// Each case runs in a child process so that its peak memory is its own.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/compound/compound_file.h"

#include <chrono>
#include <cstdio>
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
        return compound::readFileBytes(STOWFOLIO_TEMPLATE_PATH);
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
    long peakKilobytes = 0;
    size_t bytes = 0;
};

Figures runCase(uint32_t rows)
{
    Figures figures;
    const std::vector<uint8_t> original = templateBytes();
    auto start = Clock::now();
    Workbook workbook = readWorkbookBytes(original, "template");
    figures.readTemplate = millisecondsSince(start);
    start = Clock::now();
    fill(workbook, rows);
    figures.fill = millisecondsSince(start);
    start = Clock::now();
    const std::vector<uint8_t> written = writeWorkbookBytes(workbook);
    figures.write = millisecondsSince(start);
    figures.bytes = written.size();
    start = Clock::now();
    const Workbook back = readWorkbookBytes(written, "written");
    figures.readBack = millisecondsSince(start);
    if (back.sheets.front().rowCount() < rows)
        std::fprintf(stderr, "read back fewer rows than written\n");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakKilobytes = usage.ru_maxrss;
    return figures;
}

} // namespace

int main()
{
    std::printf("%8s %10s %10s %10s %10s %12s %10s %10s\n", "rows", "template", "fill", "write",
                "read back", "read+write", "peak MB", "file KB");
    for (uint32_t rows : {1000u, 10000u, 65000u}) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return 1;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeEnds[0]);
            const Figures figures = runCase(rows);
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
        std::printf("%8u %8.1fms %8.1fms %8.1fms %8.1fms %10.1fms %10.1f %10zu\n", rows,
                    figures.readTemplate, figures.fill, figures.write, figures.readBack,
                    figures.readTemplate + figures.write + figures.readBack,
                    figures.peakKilobytes / 1024.0, figures.bytes / 1024);
    }
    return 0;
}

// What drawing a huge used range costs on the command line's path (read the file, draw the
// picture within render::PictureLimits, make the bitmap, write the PNG). The sheet has the
// shape of a large public workbook, more than --render may draw whole: 32,770 rows of 130
// columns of numbers and texts. Each case runs in a child process, which reports its
// time and its peak resident memory:
//   - the whole used range, which the limits refuse;
//   - the largest part of it that the limits allow (what the refusal suggests);
//   - 65,526 rows of twelve columns, the largest inventory, likewise refused and then its part.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/png_file.h"
#include "spreadsheet/render/sheet_drawing.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace spreadsheet;

namespace {

using Clock = std::chrono::steady_clock;

std::string makeWorkbookFile(uint32_t rows, uint16_t columns)
{
    Workbook workbook = makeDefaultWorkbook("Data");
    Worksheet& sheet = workbook.sheets[0];
    for (uint32_t r = 0; r < rows; ++r) {
        Row& row = sheet.ensureRow(r);
        row.cells.reserve(columns);
        for (uint16_t c = 0; c < columns; ++c) {
            Cell cell;
            cell.column = c;
            if (c % 4 == 0) {
                cell.kind = CellKind::String;
                cell.index = workbook.strings.intern("Text " + std::to_string((r + c) % 5000));
            } else {
                cell.kind = CellKind::Number;
                cell.number = r * 0.5 + c;
            }
            row.cells.push_back(cell);
        }
    }
    const std::string path =
        QDir::temp()
            .filePath(QStringLiteral("bench_render_limits_%1x%2.xls").arg(rows).arg(columns))
            .toStdString();
    writeWorkbookFile(workbook, path);
    return path;
}

// Runs `job` in a child process; prints its time, peak memory and outcome.
template <typename Job>
void inChild(const char* name, Job job)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const auto start = Clock::now();
        const std::string outcome = job();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%-34s %9.0f ms, peak %7.1f MB: %s\n", name, ms, usage.ru_maxrss / 1024.0,
                    outcome.c_str());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

// The command line's path; returns what happened.
std::string renderFile(const std::string& path, std::optional<CellRange> range)
{
    const Workbook workbook = readWorkbookFile(path);
    const render::PictureLimits limits;
    const QString png = QDir::temp().filePath(QStringLiteral("bench_render_limits.png"));
    try {
        QImage image;
        {
            const render::SheetPicture picture =
                render::drawSheet(workbook, render::sheetToDraw(workbook), range, &limits);
            image = picture.toImage(1.0);
        }
        render::writePngFile(image, png);
        const qint64 bytes = QFile(png).size();
        QFile::remove(png);
        return "drawn, " + std::to_string(image.width()) + " x " + std::to_string(image.height()) +
               " px, PNG " + std::to_string(bytes / 1024) + " KB";
    } catch (const render::PictureTooLarge& error) {
        return std::string("refused (") + error.what() +
               "; fits: " + rangeAddress(error.fitting()) + ")";
    }
}

void benchShape(uint32_t rows, uint16_t columns)
{
    const std::string path = makeWorkbookFile(rows, columns);
    std::printf("%u rows x %u columns:\n", rows, columns);
    inChild("  whole used range", [&] { return renderFile(path, std::nullopt); });
    // The part is found in this process, as the refusal's message names it.
    const Workbook workbook = readWorkbookFile(path);
    const Worksheet& sheet = render::sheetToDraw(workbook);
    const CellRange part =
        render::fittingPart(workbook, sheet, usedRange(sheet), render::PictureLimits{});
    const std::string name = "  part " + rangeAddress(part);
    inChild(name.c_str(), [&] { return renderFile(path, part); });
    std::remove(path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchShape(32770, 130);
    benchShape(65535, 12);
    return 0;
}

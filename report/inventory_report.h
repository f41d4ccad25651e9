#pragma once

// The insurer's report of a built inventory workbook, as PDF or on a printer: a summary page
// (owner and insurance details, the date, the item count, the total estimated value and a
// subtotal per location), then the sheet's pages as its page setup says, then the item photos,
// two to a page, and last the photos that could not be included, with the reason. One painter
// serves both PDF and print, so the two are the same page for page; the sheet is painted from
// the same display list as the preview, so its text stays text.
//
// Everything comes from the workbook itself (the inventory is read back from its sheet), so the
// report shows exactly what the insurer's workbook holds.

#include "report/print_plan.h"
#include "spreadsheet/files/atomic_file.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/sheet_picture.h"
#include "state/item_import.h"

#include <QDate>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPainter;

namespace stowfolio::report {

// Told after each page painted: the pages done and their total. Returning false stops the
// painting there.
using PageProgress = std::function<bool(int done, int total)>;

class InventoryReport
{
public:
    // Reads the workbook at `workbookPath`, telling `progress` (with a total of 0: how far is
    // not known) between its steps. Throws std::runtime_error saying why it cannot.
    InventoryReport(const QString& workbookPath, QDate date, const PageProgress& progress = {});
    ~InventoryReport();

    // True when `progress` said stop while the workbook was read: nothing can be painted.
    bool stopped() const { return m_stopped; }
    int pageCount() const;
    int sheetPageCount() const { return static_cast<int>(m_plan.pages.size()); }
    // Sets the device's page layout and paints every page, or the pages before `progress`
    // said stop; true when every page was painted.
    bool paint(QPagedPaintDevice& device, const PageProgress& progress = {}) const;

private:
    struct Photo
    {
        int item = 0;    // index into the items
        QString problem; // why it is not included; empty when it is
    };
    void paintSummaryPage(QPainter& painter, int page, int firstLine) const;
    void paintSheetPage(QPainter& painter, int sheetPage) const;
    void paintPhotoPage(QPainter& painter, int page, int firstPhoto) const;
    void paintProblemPage(QPainter& painter, int page, int firstProblem) const;
    void paintPageNumber(QPainter& painter, int page) const;
    void paintHeaderFooter(QPainter& painter, int sheetPage) const;
    QStringList summaryLines();
    // Item `item`'s estimated value as its sheet cell holds it: a number, or nothing when the
    // cell holds a text or nothing.
    std::optional<double> estimatedValueOf(int item) const;
    int linesPerPage() const;

    spreadsheet::Workbook m_book;
    std::size_t m_sheet = 0;
    ItemImport m_inventory;
    QDate m_date;
    QString m_fileName;
    SheetPrintPlan m_plan;
    std::vector<int> m_rowEdges;
    std::vector<int> m_columnEdges;
    spreadsheet::render::SheetPicture m_picture;
    std::vector<Photo> m_photos;
    std::vector<Photo> m_problems;
    QStringList m_summaryLines;
    int m_summaryPages = 1;
    int m_tableHeaderLine = -1; // the subtotal table's column headings, in m_summaryLines
    bool m_stopped = false;
};

// Writes the report of the workbook to `pdfPath`, whole or not at all; a read-only `pdfPath` is
// replaced only with `readOnly` Replace. False, with nothing written, when `progress` said stop.
// Throws std::runtime_error naming the file and the reason.
bool writeReportPdf(
    const QString& workbookPath, const QString& pdfPath, QDate date,
    spreadsheet::files::ReadOnlyTarget readOnly = spreadsheet::files::ReadOnlyTarget::Refuse,
    const PageProgress& progress = {});

// The text of a header or footer for page `page` of `pages`: its left, centre and right parts,
// with the page number, page count, date, time, sheet and file codes filled in and the font
// codes left out.
struct HeaderFooterText
{
    QString left;
    QString center;
    QString right;
};
HeaderFooterText headerFooterText(const QString& code, int page, int pages, const QDate& date,
                                  const QString& sheetName, const QString& fileName);

} // namespace stowfolio::report

#pragma once

// The insurer's report of a built inventory workbook, as PDF or on a printer: a summary page
// (owner and insurance details, the date, the item count, the total estimated value and a
// subtotal per location), then the sheet's pages as its page setup says, then the item photos,
// two to a page, then the evidence index, and last the photos that could not be included, with
// the reason. The photos of an item are the picture its Photo column names and every attachment
// that is a picture (a photographed receipt prints as a picture); the evidence index lists each
// item's attachments, pictures or not, with the date, the size and the SHA-256 that identify
// them. Attachments come from the caller (ReportEvidence); without them the report has no
// evidence index and shows the Photo column's pictures only. One painter
// serves both PDF and print, so the two are the same page for page; the sheet is painted from
// the same display list as the preview, so its text stays text.
//
// Everything comes from the workbook itself (the inventory is read back from its sheet), so the
// report shows exactly what the insurer's workbook holds.

#include "report/print_plan.h"
#include "report/report_evidence.h"
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
    // not known) between its steps; `evidence` holds the attachments of the items in the order
    // of the workbook's item rows. Throws std::runtime_error saying why it cannot.
    InventoryReport(const QString& workbookPath, QDate date, const PageProgress& progress = {},
                    ReportEvidence evidence = {});
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
        int item = 0;        // index into the items read back; -1 for an item without a row
        int listItem = -1;   // the item's place in the list; -1 when the row has none
        int attachment = -1; // index into the item's evidence; -1 for the Photo column's file
        QString problem;     // why it is not included; empty when it is
    };
    // A line of the evidence index.
    struct IndexLine
    {
        enum class Style
        {
            Gap,
            Item,
            Text,
            Digest
        };
        Style style = Style::Text;
        QString text;
        bool startsBlock = false; // a page breaks only before a block
    };
    void collectPhotos(const std::function<bool()>& goOn);
    void addEvidenceOf(int listItem, int item);
    void planEvidenceIndex();
    const EvidenceFile* evidenceFileOf(const Photo& photo) const;
    QString photoPath(const Photo& photo) const;
    const Photo& problemAt(std::size_t index) const;
    std::size_t problemCount() const { return m_problems.size() + m_lateProblems.size(); }
    int problemPageCount() const;
    void paintSummaryPage(QPainter& painter, int page, int firstLine) const;
    void paintSheetPage(QPainter& painter, int sheetPage) const;
    void paintPhotoPage(QPainter& painter, int page, int firstPhoto) const;
    void paintIndexPage(QPainter& painter, int page, int indexPage) const;
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
    ReportEvidence m_evidence;
    std::vector<Photo> m_photos;
    std::vector<Photo> m_problems;
    // Photos whose pixels failed to decode when their page was painted; listed with the others.
    mutable std::vector<Photo> m_lateProblems;
    std::vector<IndexLine> m_indexLines;
    std::vector<int> m_indexPageStarts; // the first line of each page of the evidence index
    double m_digestPoints = 8;
    QStringList m_summaryLines;
    int m_summaryPages = 1;
    int m_tableHeaderLine = -1; // the subtotal table's column headings, in m_summaryLines
    bool m_stopped = false;
};

// Writes the report of the workbook, with the items' `evidence`, to `pdfPath`, whole or not at
// all; a read-only `pdfPath` is replaced only with `readOnly` Replace. False, with nothing
// written, when `progress` said stop. Throws std::runtime_error naming the file and the reason.
bool writeReportPdf(
    const QString& workbookPath, const QString& pdfPath, QDate date,
    spreadsheet::files::ReadOnlyTarget readOnly = spreadsheet::files::ReadOnlyTarget::Refuse,
    const PageProgress& progress = {}, ReportEvidence evidence = {});

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

// Opening and saving through the file layer.

#include "spreadsheet/automation/limits.h"
#include "spreadsheet/automation/objects.h"
#include "spreadsheet/automation/session.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/model/error.h"

namespace spreadsheet::automation {

Workbook Workbooks::Open(const std::string& path) const
{
    return Open(path, false);
}

Workbook Workbooks::Open(const std::string& path, bool readOnly) const
{
    m_session->requireRunning();
    auto document = detail::makeDocument(readWorkbookFile(path), path, readOnly);
    m_session->adopt(document);
    return Workbook(m_session, document);
}

void Workbook::SaveAs(const std::string& path, int32_t fileFormat) const
{
    m_session->requireRunning();
    if (!m_document->open)
        throw Error("the workbook \"" + m_document->name() + "\" has been closed");
    if (fileFormat != xlExcel8 && fileFormat != xlWorkbookNormal)
        throw Error("file format " + std::to_string(fileFormat) +
                    " cannot be written: only the Excel 97-2003 workbook formats " +
                    std::to_string(xlExcel8) + " and " + std::to_string(xlWorkbookNormal) + " can");
    // As in Excel, a file opened read-only is not written over; another name is fine.
    if (m_document->readOnly && path == m_document->path)
        throw Error("the workbook \"" + m_document->name() +
                    "\" is open read-only: save it under another name");
    spreadsheet::Workbook& book = m_document->book;
    // Readers that do not recalculate show the cached results, so they must be current.
    formula::refreshCachedResults(book);
    book.isTemplate = false;
    writeWorkbookFile(book, path, WriteOptions{.asTemplate = false});
    m_document->path = path;
    m_document->readOnly = false;
}

} // namespace spreadsheet::automation

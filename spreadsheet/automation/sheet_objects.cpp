#include "spreadsheet/automation/limits.h"
#include "spreadsheet/automation/objects.h"
#include "spreadsheet/automation/session.h"
#include "spreadsheet/model/number_text.h"
#include "spreadsheet/model/used_range.h"

#include "spreadsheet/model/error.h"

namespace spreadsheet::automation {

namespace {

detail::Document& liveDocument(const detail::Session& session, detail::Document& document)
{
    session.requireRunning();
    if (!document.open)
        throw Error("the workbook \"" + document.name() + "\" has been closed");
    return document;
}

} // namespace

// --- Worksheet ---

Worksheet::Worksheet(std::shared_ptr<detail::Session> session,
                     std::shared_ptr<detail::Document> document, uint32_t sheet)
    : m_session(std::move(session)), m_document(std::move(document)), m_sheet(sheet)
{
}

void Worksheet::Select() const
{
    detail::Document& doc = liveDocument(*m_session, *m_document);
    doc.activeSheet = m_sheet;
    // The saved file opens on this sheet, with only its tab selected.
    doc.book.window.activeSheet = static_cast<uint16_t>(m_sheet);
    doc.book.window.firstVisibleTab =
        std::min<uint16_t>(doc.book.window.firstVisibleTab, static_cast<uint16_t>(m_sheet));
    doc.book.window.selectedTabs = 1;
    for (uint32_t s = 0; s < doc.book.sheets.size(); ++s) {
        uint16_t& options = doc.book.sheets[s].window.options;
        constexpr uint16_t kSelectedAndShown = 0x0600;
        options = s == m_sheet ? options | kSelectedAndShown : options & ~kSelectedAndShown;
    }
}

void Worksheet::Activate() const
{
    Select();
}

std::string Worksheet::Name() const
{
    return liveDocument(*m_session, *m_document).book.sheets.at(m_sheet).name;
}

Range Worksheet::UsedRange() const
{
    const detail::Document& doc = liveDocument(*m_session, *m_document);
    return Range(m_session, m_document, m_sheet, usedRange(doc.book.sheets.at(m_sheet)), false);
}

Range Worksheet::Cells(int32_t row, int32_t column) const
{
    liveDocument(*m_session, *m_document);
    return Range::cell(m_session, m_document, m_sheet, row, column);
}

Range Worksheet::Rows(std::string_view rows) const
{
    liveDocument(*m_session, *m_document);
    const RowNumbers numbers = parseRowNumbers(rows);
    return Range::rows(m_session, m_document, m_sheet, numbers.first, numbers.last);
}

Range Worksheet::Rows(int32_t row) const
{
    liveDocument(*m_session, *m_document);
    checkRowNumber(row);
    return Range::rows(m_session, m_document, m_sheet, static_cast<uint32_t>(row),
                       static_cast<uint32_t>(row));
}

// --- Workbook ---

Workbook::Workbook(std::shared_ptr<detail::Session> session,
                   std::shared_ptr<detail::Document> document)
    : m_session(std::move(session)), m_document(std::move(document))
{
}

void Workbook::Close() const
{
    detail::Document& doc = liveDocument(*m_session, *m_document);
    doc.open = false;
    auto& open = m_session->workbooks;
    std::erase(open, m_document);
    // As in Excel, the workbook opened before becomes the active one.
    if (m_session->active == m_document)
        m_session->active = open.empty() ? nullptr : open.back();
}

Worksheet Workbook::ActiveSheet() const
{
    const detail::Document& doc = liveDocument(*m_session, *m_document);
    return Worksheet(m_session, m_document, doc.activeSheet);
}

Worksheet Workbook::Worksheets(int32_t index) const
{
    const detail::Document& doc = liveDocument(*m_session, *m_document);
    const auto count = static_cast<int64_t>(doc.book.sheets.size());
    if (index < 1 || index > count)
        throw Error("the workbook \"" + doc.name() + "\" has no worksheet " + withThousands(index) +
                    "; it has " + withThousands(count));
    return Worksheet(m_session, m_document, static_cast<uint32_t>(index - 1));
}

std::string Workbook::FullName() const
{
    return liveDocument(*m_session, *m_document).path;
}

const spreadsheet::Workbook& Workbook::model() const
{
    return liveDocument(*m_session, *m_document).book;
}

// --- Workbooks ---

Workbooks::Workbooks(std::shared_ptr<detail::Session> session) : m_session(std::move(session)) {}

Workbook Workbooks::Add(spreadsheet::Workbook contents, const std::string& path) const
{
    m_session->requireRunning();
    auto document = detail::makeDocument(std::move(contents), path, false);
    m_session->adopt(document);
    return Workbook(m_session, document);
}

int32_t Workbooks::count() const
{
    m_session->requireRunning();
    return static_cast<int32_t>(m_session->workbooks.size());
}

Workbook Workbooks::operator()(int32_t index) const
{
    m_session->requireRunning();
    const int32_t open = count();
    if (index < 1 || index > open)
        throw Error("there is no workbook " + withThousands(index) + "; " + withThousands(open) +
                    (open == 1 ? " is" : " are") + " open");
    return Workbook(m_session, m_session->workbooks[static_cast<size_t>(index - 1)]);
}

} // namespace spreadsheet::automation

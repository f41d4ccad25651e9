#include "spreadsheet/automation/application.h"

#include "spreadsheet/automation/limits.h"
#include "spreadsheet/automation/session.h"

namespace spreadsheet::automation {

Application::Application(input::InputLocale locale) : m_session(std::make_shared<detail::Session>())
{
    m_session->locale = std::move(locale);
}

void Application::setInputLocale(input::InputLocale locale)
{
    m_session->requireRunning();
    m_session->locale = std::move(locale);
}

void Application::Quit()
{
    for (const auto& document : m_session->workbooks)
        document->open = false;
    m_session->workbooks.clear();
    m_session->active.reset();
    m_session->clipboard.reset();
    m_session->quit = true;
}

void Application::DisplayAlerts(bool on)
{
    m_session->requireRunning();
    m_session->displayAlerts = on;
}

bool Application::DisplayAlerts() const
{
    return m_session->displayAlerts;
}

void Application::Visible(bool on)
{
    m_session->requireRunning();
    m_session->visible = on;
}

bool Application::Visible() const
{
    return m_session->visible;
}

void Application::CutCopyMode(bool on)
{
    m_session->requireRunning();
    // Turning copy mode on by hand has nothing to hold; only Copy() starts it.
    if (!on)
        m_session->clipboard.reset();
}

bool Application::CutCopyMode() const
{
    return m_session->clipboard.has_value();
}

automation::Workbooks Application::Workbooks() const
{
    m_session->requireRunning();
    return automation::Workbooks(m_session);
}

automation::Workbook Application::ActiveWorkbook() const
{
    m_session->activeDocument();
    return automation::Workbook(m_session, m_session->active);
}

automation::Worksheet Application::ActiveSheet() const
{
    return ActiveWorkbook().ActiveSheet();
}

// Cells and rows are made straight from the active sheet: the builder calls Cells once for
// every cell it writes.
Range Application::Cells(int32_t row, int32_t column) const
{
    const detail::Document& document = m_session->activeDocument();
    return Range::cell(m_session, m_session->active, document.activeSheet, row, column);
}

Range Application::Rows(std::string_view rows) const
{
    const detail::Document& document = m_session->activeDocument();
    const RowNumbers numbers = parseRowNumbers(rows);
    return Range::rows(m_session, m_session->active, document.activeSheet, numbers.first,
                       numbers.last);
}

Range Application::Rows(int32_t row) const
{
    const detail::Document& document = m_session->activeDocument();
    checkRowNumber(row);
    return Range::rows(m_session, m_session->active, document.activeSheet,
                       static_cast<uint32_t>(row), static_cast<uint32_t>(row));
}

Range Application::Selection() const
{
    detail::Document& document = m_session->activeDocument();
    const detail::SheetSelection& selection = document.selections.at(document.activeSheet);
    return Range(m_session, m_session->active, document.activeSheet, selection.area,
                 selection.wholeRows);
}

} // namespace spreadsheet::automation

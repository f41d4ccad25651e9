#pragma once

// The application object that stands in for "Excel.Application": a spreadsheet program with no
// window, whose workbooks are the engine's in-memory model. Each Application is independent of
// every other (its own workbooks, selection and clipboard); handles taken from it share its
// state, and after Quit every one of them refuses to work.

#include "spreadsheet/automation/objects.h"

#include "spreadsheet/input/typed_input.h"

#include <memory>
#include <string>
#include <string_view>

namespace spreadsheet::automation {

class Application
{
public:
    // `locale` says how typed numbers and dates read (the system's; English (US) by default).
    explicit Application(input::InputLocale locale = {});

    // Typed numbers and dates read as `locale` says from now on: the regional settings of the
    // person whose texts the automation client is about to type.
    void setInputLocale(input::InputLocale locale);

    // The version Excel 2007 reports, so that the caller saves in the 97-2003 format (56).
    std::string Version() const { return "12.0"; }
    // Closes every workbook without saving; the application cannot be used afterwards.
    void Quit();

    void DisplayAlerts(bool on);
    bool DisplayAlerts() const;
    void Visible(bool on);
    bool Visible() const;
    // CutCopyMode(false) forgets the copied rows.
    void CutCopyMode(bool on);
    bool CutCopyMode() const;

    automation::Workbooks Workbooks() const;
    automation::Workbook ActiveWorkbook() const;
    automation::Worksheet ActiveSheet() const;
    // Cells, rows and the selection of the active sheet.
    Range Cells(int32_t row, int32_t column) const;
    Range Rows(std::string_view rows) const;
    Range Rows(int32_t row) const;
    Range Selection() const;

private:
    std::shared_ptr<detail::Session> m_session;
};

} // namespace spreadsheet::automation

#pragma once

// Handles on the open workbooks of an Application, named and shaped like Excel's automation
// objects so that code driving them reads like the Excel code it replaces:
//
//   app.Workbooks().Open(path, true);
//   app.Cells(3, 2).Value("Jane Doe");
//   app.Rows("10:11").Select();  app.Selection().Copy();  app.Selection().Insert(xlShiftDown);
//   app.ActiveWorkbook().SaveAs(path, xlExcel8);
//
// A handle stays valid after the object is gone (a closed workbook, a quit application); using
// it then throws spreadsheet::Error, as every failing operation does. Row and column numbers
// are 1-based and 32-bit, as in Excel.

#include "spreadsheet/model/cell_range.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace spreadsheet {
class Workbook;
}

namespace spreadsheet::automation {

// Excel's constants for the arguments the program passes.
inline constexpr int32_t xlShiftDown = -4121;
inline constexpr int32_t xlShiftUp = -4162;
inline constexpr int32_t xlShiftToLeft = -4159;
inline constexpr int32_t xlShiftToRight = -4161;
inline constexpr int32_t xlExcel8 = 56; // Excel 97-2003 workbook, as Excel 2007+ names it
inline constexpr int32_t xlWorkbookNormal = -4143; // the same format, as Excel 97-2003 names it

namespace detail {
struct Session;
struct Document;
} // namespace detail

class Range
{
public:
    // Enters `text` into every cell of the range as if typed (see cell_entry.h).
    void Value(std::string_view text) const;
    void Select() const;
    // Holds whole rows for a later Insert; ends with CutCopyMode(false).
    void Copy() const;
    // Whole rows only: inserts the copied rows (or, with nothing copied, as many empty rows as
    // are selected) above the range, moving the range and everything below down.
    void Insert(int32_t shift = xlShiftDown) const;
    // Whole rows only: removes them and moves everything below up.
    void Delete(int32_t shift = xlShiftUp) const;

    Range Rows() const;
    Range Columns() const;
    Range Rows(int32_t index) const;    // 1-based within the range
    Range Columns(int32_t index) const; // 1-based within the range
    // Rows().count() is the number of rows, Columns().count() of columns, count() of a plain
    // range its number of cells.
    int64_t count() const;
    int32_t Row() const;         // first row, 1-based
    int32_t Column() const;      // first column, 1-based
    std::string Address() const; // "$A$1:$L$11"

private:
    friend class Application;
    friend class Worksheet;
    enum class Items : uint8_t
    {
        Cells,
        Rows,
        Columns
    };
    Range(std::shared_ptr<detail::Session> session, std::shared_ptr<detail::Document> document,
          uint32_t sheet, CellRange area, bool wholeRows, Items items = Items::Cells);
    // Cells(row, column) and Rows(...) of a sheet, with the numbers checked.
    static Range cell(const std::shared_ptr<detail::Session>& session,
                      const std::shared_ptr<detail::Document>& document, uint32_t sheet,
                      int32_t row, int32_t column);
    static Range rows(const std::shared_ptr<detail::Session>& session,
                      const std::shared_ptr<detail::Document>& document, uint32_t sheet,
                      uint32_t first, uint32_t last);
    detail::Document& document() const;
    void requireWholeRows(const char* operation) const;

    std::shared_ptr<detail::Session> m_session;
    std::shared_ptr<detail::Document> m_document;
    uint32_t m_sheet = 0;
    CellRange m_area;
    bool m_wholeRows = false;
    Items m_items = Items::Cells;
};

class Worksheet
{
public:
    void Select() const;
    void Activate() const;
    std::string Name() const;
    Range UsedRange() const;
    Range Cells(int32_t row, int32_t column) const;
    Range Rows(std::string_view rows) const;
    Range Rows(int32_t row) const;

private:
    friend class Application;
    friend class Workbook;
    Worksheet(std::shared_ptr<detail::Session> session, std::shared_ptr<detail::Document> document,
              uint32_t sheet);

    std::shared_ptr<detail::Session> m_session;
    std::shared_ptr<detail::Document> m_document;
    uint32_t m_sheet = 0;
};

class Workbook
{
public:
    // Writes an Excel 97-2003 workbook (never a template) after computing the formulas'
    // cached results; `fileFormat` is xlExcel8 or xlWorkbookNormal. An existing file is
    // replaced without asking, as with DisplayAlerts off.
    void SaveAs(const std::string& path, int32_t fileFormat = xlExcel8) const;
    // Closes without saving and without a prompt.
    void Close() const;
    Worksheet ActiveSheet() const;
    Worksheet Worksheets(int32_t index) const; // 1-based
    std::string FullName() const;
    // The workbook's contents, for readers such as the sheet picture.
    const spreadsheet::Workbook& model() const;

private:
    friend class Application;
    friend class Workbooks;
    Workbook(std::shared_ptr<detail::Session> session, std::shared_ptr<detail::Document> document);

    std::shared_ptr<detail::Session> m_session;
    std::shared_ptr<detail::Document> m_document;
};

class Workbooks
{
public:
    // Opens an .xls or .xlt file as the active workbook; the most recently opened is the last.
    Workbook Open(const std::string& path) const;
    Workbook Open(const std::string& path, bool readOnly) const;
    // Adds a workbook held in memory, as if opened from `path`.
    Workbook Add(spreadsheet::Workbook contents, const std::string& path = "Book1.xls") const;
    int32_t count() const;
    Workbook operator()(int32_t index) const; // 1-based, in opening order

private:
    friend class Application;
    explicit Workbooks(std::shared_ptr<detail::Session> session);

    std::shared_ptr<detail::Session> m_session;
};

} // namespace spreadsheet::automation

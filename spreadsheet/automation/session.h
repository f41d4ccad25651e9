#pragma once

// State shared by an Application and every handle taken from it. Internal to this folder.

#include "spreadsheet/automation/cell_entry.h"
#include "spreadsheet/automation/row_operations.h"

#include "spreadsheet/input/typed_input.h"
#include "spreadsheet/model/workbook.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spreadsheet::automation::detail {

struct SheetSelection
{
    CellRange area;
    bool wholeRows = false;
};

struct Document
{
    spreadsheet::Workbook book;
    std::string path;
    bool readOnly = false;
    bool open = true;
    uint32_t activeSheet = 0;
    std::vector<SheetSelection> selections; // one per sheet
    EntryMemory entryMemory;

    // The file's name without its folder, as messages name a workbook.
    std::string name() const;
};

struct Session
{
    std::vector<std::shared_ptr<Document>> workbooks; // in opening order
    std::shared_ptr<Document> active;
    bool displayAlerts = true;
    bool visible = false;
    bool quit = false;
    std::optional<RowClip> clipboard;
    input::InputLocale locale; // how typed numbers and dates are read

    void requireRunning() const;
    Document& activeDocument() const;
    // Makes `document` the active workbook and the last one opened.
    void adopt(std::shared_ptr<Document> document);
};

// A document's state after it was read or added: active sheet and selections as saved.
std::shared_ptr<Document> makeDocument(spreadsheet::Workbook book, std::string path, bool readOnly);

} // namespace spreadsheet::automation::detail

#include "spreadsheet/automation/session.h"

#include "spreadsheet/model/error.h"

namespace spreadsheet::automation::detail {

std::string Document::name() const
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Session::requireRunning() const
{
    if (quit)
        throw Error("the spreadsheet application has quit; its workbooks are closed");
}

Document& Session::activeDocument() const
{
    requireRunning();
    if (!active)
        throw Error("no workbook is open");
    return *active;
}

void Session::adopt(std::shared_ptr<Document> document)
{
    requireRunning();
    workbooks.push_back(document);
    active = std::move(document);
}

std::shared_ptr<Document> makeDocument(spreadsheet::Workbook book, std::string path, bool readOnly)
{
    if (book.sheets.empty())
        throw Error("the workbook \"" + path + "\" has no worksheet");
    auto document = std::make_shared<Document>();
    document->book = std::move(book);
    document->path = std::move(path);
    document->readOnly = readOnly;
    const auto sheetCount = static_cast<uint32_t>(document->book.sheets.size());
    document->activeSheet = std::min<uint32_t>(document->book.window.activeSheet, sheetCount - 1);
    for (const Worksheet& sheet : document->book.sheets) {
        SheetSelection selection;
        selection.area.firstRow = selection.area.lastRow = sheet.window.activeRow;
        selection.area.firstColumn = selection.area.lastColumn = sheet.window.activeColumn;
        document->selections.push_back(selection);
    }
    return document;
}

} // namespace spreadsheet::automation::detail

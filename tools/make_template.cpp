// Writes the inventory template that the program embeds as its template resource.
//
// Usage: make_template OUTPUT.xlt
// The build's regenerate_template target writes resources/template.xlt; commit the result.

#include "spreadsheet/biff/workbook_writer.h"
#include "tools/template/inventory_template.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template OUTPUT.xlt\n");
        return 2;
    }
    try {
        spreadsheet::writeWorkbookFile(spreadsheet::makeInventoryTemplate(), argv[1],
                                       spreadsheet::WriteOptions{.asTemplate = true});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_template: %s\n", error.what());
        return 1;
    }
    return 0;
}

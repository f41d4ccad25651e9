#pragma once

// The spreadsheet application is created by ProgID, the way an automation client asks for
// "Excel.Application". The built-in engine registers itself under that name; a factory without
// it behaves like a machine on which Excel is not installed.

#include "spreadsheet/automation/application.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace stowfolio {

inline const std::string kExcelProgId = "Excel.Application";

class ExcelFactory
{
public:
    using Creator = std::function<std::unique_ptr<spreadsheet::automation::Application>()>;

    void registerProgId(const std::string& progId, Creator creator);

    // A new application object. Throws std::runtime_error when nothing is registered under
    // `progId` or the component cannot be created.
    std::unique_ptr<spreadsheet::automation::Application> create(const std::string& progId) const;

private:
    std::map<std::string, Creator> m_creators;
};

// Registers the built-in spreadsheet engine as "Excel.Application".
void registerBuiltInEngine(ExcelFactory& factory);

} // namespace stowfolio

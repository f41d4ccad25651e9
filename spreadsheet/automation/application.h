#pragma once

// Placeholder until the automation layer lands: the application object that stands in for
// "Excel.Application".

#include <string>

namespace spreadsheet::automation {

class Application
{
public:
    std::string Version() const { return "12.0"; }
    void Quit() {}
};

} // namespace spreadsheet::automation

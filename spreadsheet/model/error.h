#pragma once

#include <stdexcept>
#include <string>

namespace spreadsheet {

// Every failure of the engine: a file it cannot read or write, a limit of the format, an
// operation the sheet cannot do. The message is complete and meant for the user
// ("row 65,537 is beyond the last row of the .xls format (65,536)").
class Error : public std::runtime_error
{
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace spreadsheet

#include "tests/support/oracle.h"

#include <cstdlib>

namespace stowfolio::testing {

bool oraclesRequired()
{
    const char* value = std::getenv("STOWFOLIO_REQUIRE_ORACLES");
    return value && *value && std::string_view(value) != "0";
}

std::string oracleMissingMessage(std::string_view tool, std::string_view howToInstall)
{
    std::string message(tool);
    if (oraclesRequired()) {
        message += " is required: ";
        message += howToInstall;
    } else {
        message += " is not installed, so this test is skipped (";
        message += howToInstall;
        message += "; ./test.sh requires it)";
    }
    return message;
}

} // namespace stowfolio::testing

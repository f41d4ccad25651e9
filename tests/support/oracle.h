#pragma once

// Some tests compare what we write with what programs we did not write make of it: xlrd,
// Gnumeric, LibreOffice and poppler read our workbooks, and the npm package ssf formats numbers
// as Excel does. Without its program such a test has nothing to compare with. Run by hand
// (ctest, or the test program itself) it is then skipped, saying what is missing; ./test.sh
// exports STOWFOLIO_REQUIRE_ORACLES=1 and there it fails instead, so the run that CI trusts
// cannot pass without having made every comparison:
//
//     if (!interop::xlrdAvailable())
//         STOWFOLIO_ORACLE_MISSING("xlrd", interop::installCommand({"xlrd"}));

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace stowfolio::testing {

// Whether STOWFOLIO_REQUIRE_ORACLES is set to anything other than "" or "0".
bool oraclesRequired();

// What a test says when `tool` is missing: "xlrd is required: apt-get install python3-xlrd"
// when oracles are required, otherwise that it was skipped and how to install the tool.
std::string oracleMissingMessage(std::string_view tool, std::string_view howToInstall);

} // namespace stowfolio::testing

// Ends the current test because `tool` is missing: a failure when oracles are required, a skip
// otherwise. Like GTEST_SKIP it returns, so it belongs in a test body or a function returning
// void.
#define STOWFOLIO_ORACLE_MISSING(tool, howToInstall)                                               \
    do {                                                                                           \
        if (::stowfolio::testing::oraclesRequired()) {                                             \
            GTEST_FAIL() << ::stowfolio::testing::oracleMissingMessage(tool, howToInstall);        \
        } else {                                                                                   \
            GTEST_SKIP() << ::stowfolio::testing::oracleMissingMessage(tool, howToInstall);        \
        }                                                                                          \
    } while (false)

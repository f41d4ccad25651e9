#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace spreadsheet::automation {
class Application;
}

namespace stowfolio {

class ExcelFactory;
class Prompts;

// The message shown when no spreadsheet application can be created.
QString excelMissingMessage();

// Creates an "Excel.Application" and releases it at once. When that fails, shows the numbered
// message and calls `endProgram`, which in the program ends the process before any window
// shows. Returns whether the application could be created.
bool checkExcelInstalled(const ExcelFactory& factory, Prompts& prompts,
                         const std::function<void()>& endProgram);

// Excel's file-format code for an Excel 97-2003 workbook: 56 (xlExcel8) for version 12 and
// later, -4143 (xlWorkbookNormal) before. Without `app` a new application is created, asked and
// quit; a given `app` is asked and left running. Failures propagate to the caller.
std::int32_t excelFileFormat(const ExcelFactory& factory,
                             spreadsheet::automation::Application* app = nullptr);

// The file-format code for an application version string such as "12.0": 56 above version 11,
// -4143 up to it. Throws std::runtime_error when the version is not a number.
std::int32_t fileFormatForVersion(const std::string& version);

// The current locale's decimal separator, as it writes 0.5.
QString localeDecimalSeparator();

// `text` with every "." and then every "," replaced by the locale's decimal separator.
QString toLocaleDecimal(const QString& text);

} // namespace stowfolio

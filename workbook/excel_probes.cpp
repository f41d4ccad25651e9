#include "workbook/excel_probes.h"

#include "platform/prompts.h"
#include "workbook/excel_factory.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace stowfolio {

namespace {

// A version string as a 16-bit whole number, read the locale's way and rounded half to even.
std::int16_t versionNumber(const std::string& version)
{
    bool ok = false;
    const double number = QLocale().toDouble(toLocaleDecimal(QString::fromStdString(version)), &ok);
    if (!ok)
        throw std::runtime_error("Type mismatch: the version \"" + version + "\" is not a number");
    const double whole = std::nearbyint(number); // the default rounding mode: ties to even
    if (whole < std::numeric_limits<std::int16_t>::min() ||
        whole > std::numeric_limits<std::int16_t>::max())
        throw std::runtime_error("Overflow: the version \"" + version + "\" is out of range");
    return static_cast<std::int16_t>(whole);
}

} // namespace

QString excelMissingMessage()
{
    const QString paragraphBreak = QStringLiteral("\r\n\r\n");
    return QStringList{
        QStringLiteral("Error 842001. A normal instance of Excel could not be created."),
        QStringLiteral("1. Please make sure Excel is installed on this computer."),
        QStringLiteral("2. Please open Excel normally and make sure a blank spreadsheet opens "
                       "immediately without any interrupting window (such as an Excel file "
                       "recovery window)."),
        QStringLiteral("3. Please make sure that when you double-click on a XLS or XLSX file "
                       "that Excel opens normally without any interrupting messages."),
        QStringLiteral("4. All versions of Excel are supported by this software except for the "
                       "rare Excel Starter and Student editions.")}
        .join(paragraphBreak);
}

bool checkExcelInstalled(const ExcelFactory& factory, Prompts& prompts,
                         const std::function<void()>& endProgram)
{
    try {
        if (factory.create(kExcelProgId))
            return true;
    } catch (...) {
        // Any failure to create the application means the same to the user.
    }
    prompts.showMessage(excelMissingMessage(), QString(), MessageIcon::None);
    endProgram();
    return false;
}

std::int32_t excelFileFormat(const ExcelFactory& factory, spreadsheet::automation::Application* app)
{
    std::string version;
    if (app) {
        version = app->Version();
    } else {
        auto own = factory.create(kExcelProgId);
        version = own->Version();
        own->Quit();
    }
    return fileFormatForVersion(version);
}

std::int32_t fileFormatForVersion(const std::string& version)
{
    return versionNumber(version) > 11 ? 56 : -4143;
}

QString localeDecimalSeparator()
{
    const QString half = QLocale().toString(0.5).trimmed();
    return half.size() > 1 ? half.mid(1, 1) : QStringLiteral(".");
}

QString toLocaleDecimal(const QString& text)
{
    const QString separator = localeDecimalSeparator();
    QString result = text;
    result.replace(QLatin1Char('.'), separator);
    result.replace(QLatin1Char(','), separator);
    return result;
}

} // namespace stowfolio

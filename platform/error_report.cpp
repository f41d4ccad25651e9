#include "platform/error_report.h"

#include <stdexcept>

namespace stowfolio {

QString errorReportText(const QString& description, const QString& module, const QString& procedure,
                        int line)
{
    return description + QStringLiteral("\r\nin Stowfolio2021/08/31.") + module + QLatin1Char('.') +
           procedure + QStringLiteral(" at line ") + QString::number(line) +
           QStringLiteral("\r\rPlease email screenshot of this message to ") + kSupportAddress;
}

void showErrorReport(Prompts& prompts, const QString& description, const QString& module,
                     const QString& procedure, int line)
{
    prompts.showMessage(errorReportText(description, module, procedure, line),
                        QStringLiteral("Application Error"), MessageIcon::Exclamation);
}

QString describeException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void GuardedProcedure::report(int line, std::exception_ptr error)
{
    ++m_failures;
    showErrorReport(m_prompts, describeException(error), m_module, m_procedure, line);
}

} // namespace stowfolio

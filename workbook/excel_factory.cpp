#include "workbook/excel_factory.h"

#include "workbook/input_locale.h"

#include <stdexcept>

namespace stowfolio {

void ExcelFactory::registerProgId(const std::string& progId, Creator creator)
{
    m_creators[progId] = std::move(creator);
}

std::unique_ptr<spreadsheet::automation::Application>
ExcelFactory::create(const std::string& progId) const
{
    const auto found = m_creators.find(progId);
    if (found == m_creators.end())
        throw std::runtime_error("ActiveX component can't create object (" + progId + ")");
    auto application = found->second();
    if (!application)
        throw std::runtime_error("ActiveX component can't create object (" + progId + ")");
    return application;
}

void registerBuiltInEngine(ExcelFactory& factory)
{
    factory.registerProgId(kExcelProgId, [] {
        return std::make_unique<spreadsheet::automation::Application>(inputLocaleOf());
    });
}

} // namespace stowfolio

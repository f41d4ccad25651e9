#include "workbook/template_resource.h"

#include <QFile>

#include <stdexcept>

namespace stowfolio {

QByteArray readTemplateResource()
{
    QFile resource(QStringLiteral(":/template.xlt"));
    if (!resource.open(QIODevice::ReadOnly))
        throw std::runtime_error("The built-in template workbook is missing from this program");
    return resource.readAll();
}

} // namespace stowfolio

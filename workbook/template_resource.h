#pragma once

#include <QByteArray>

namespace stowfolio {

// The bytes of the inventory template workbook built into the program. Throws
// std::runtime_error if the resource cannot be read.
QByteArray readTemplateResource();

} // namespace stowfolio

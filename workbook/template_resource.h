#pragma once

#include <QByteArray>

namespace stowfolio {

// The bytes of the inventory template workbook built into the program. Throws
// std::runtime_error when the program was built without it.
QByteArray readTemplateResource();

} // namespace stowfolio

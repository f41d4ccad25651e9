#pragma once

#include "spreadsheet/input/typed_input.h"

#include <QLocale>

namespace stowfolio {

// How `locale` writes numbers, money and short dates, for reading typed cell input the way a
// person using that locale means it.
spreadsheet::input::InputLocale inputLocaleOf(const QLocale& locale = QLocale());

} // namespace stowfolio

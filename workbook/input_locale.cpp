#include "workbook/input_locale.h"

#include "state/inventory_conventions.h"

namespace stowfolio {

spreadsheet::input::InputLocale inputLocaleOf(const QLocale& locale)
{
    return conventionsOfLocale(locale).inputLocale();
}

} // namespace stowfolio

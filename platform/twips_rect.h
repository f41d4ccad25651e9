#pragma once

// The windows are laid out in twips, as they were designed; Qt places widgets in pixels.

#include "spreadsheet/model/twips.h"

#include <QRect>

namespace stowfolio {

// Each edge is rounded on its own, so a control keeps the size it was drawn with wherever it
// stands.
inline QRect twipsRect(int left, int top, int width, int height)
{
    using spreadsheet::twipsToPixels;
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace stowfolio

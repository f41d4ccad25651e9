#pragma once

#include <cmath>

namespace stowfolio {

// The layout is drawn in twips, 15 to a pixel at 96 dots per inch; fractions round half to even.
inline int twipsToPixels(int twips)
{
    return static_cast<int>(std::nearbyint(twips / 15.0));
}

} // namespace stowfolio

#pragma once

// Twips are the sheet's and the windows' unit of length: 1/20 point, 15 to a pixel at 96 dots
// per inch.

#include <cmath>

namespace spreadsheet {

inline constexpr int kTwipsPerPixel = 15;

// The nearest whole pixel. A whole number of twips never falls halfway (15 is odd), so the tie
// rule only shows on the fractional twips of a zoomed picture; ties go to even there, as the
// preview's scroll arithmetic rounds. The program never changes the floating-point rounding
// mode, so nearbyint rounds that way.
inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

} // namespace spreadsheet

#pragma once

// The mouse pointer is one value per window: 0 default, 11 hourglass, 99 the custom (hand)
// cursor. The codes are plain numbers so that work that knows no window (the workbook builder)
// can ask for the hourglass through a callback; WindowPointer (window_pointer.h) shows them.

namespace stowfolio {

enum PointerCode : int
{
    kDefaultPointer = 0,
    kHourglassPointer = 11,
    kCustomPointer = 99
};

} // namespace stowfolio

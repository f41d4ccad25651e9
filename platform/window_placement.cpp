#include "platform/window_placement.h"

#include <algorithm>

namespace stowfolio {

namespace {

// One axis: the inner extent that fits `room` less the frame's two sides, and its start so that
// the framed window is centred in the room. A window larger than the room starts at the room's
// start, so its title bar and its left edge stay visible.
std::pair<int, int> fittedAxis(int roomStart, int roomExtent, int frameBefore, int frameAfter,
                               int wanted, int minimum)
{
    const int space = roomExtent - frameBefore - frameAfter;
    const int extent = std::max(minimum, std::min(wanted, space));
    const int framed = extent + frameBefore + frameAfter;
    const int start = roomStart + std::max(0, (roomExtent - framed) / 2) + frameBefore;
    return {start, extent};
}

} // namespace

QRect fittedWindowGeometry(const QRect& available, const QMargins& frame, QSize wanted,
                           QSize minimum)
{
    const auto [left, width] = fittedAxis(available.left(), available.width(), frame.left(),
                                          frame.right(), wanted.width(), minimum.width());
    const auto [top, height] = fittedAxis(available.top(), available.height(), frame.top(),
                                          frame.bottom(), wanted.height(), minimum.height());
    return QRect(left, top, width, height);
}

bool isWhollyOnScreen(const QRect& available, const QMargins& frame, const QRect& inner)
{
    return available.contains(inner.marginsAdded(frame));
}

} // namespace stowfolio

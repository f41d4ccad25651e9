#pragma once

// Where a window opens on a screen, as arithmetic on rectangles, so it can be checked without
// a screen.
//
// Qt places a top-level window by its inner rectangle (the client area with menu and status
// line); the window manager adds a frame around it: the title bar above, borders on the other
// sides. A window is on screen when that frame, title bar included, lies inside the screen's
// available area (the screen less its panels).

#include <QMargins>
#include <QRect>
#include <QSize>

namespace stowfolio {

// The inner rectangle of a window that wants to be `wanted` large and can be no smaller than
// `minimum`, framed by `frame`, on a screen whose free area is `available`: as large as wanted
// where the screen has room for it and its frame, smaller where it has not, and centred with its
// frame inside the free area. Only a minimum larger than the screen leaves the window's right or
// bottom edge off screen; its title bar stays on it.
QRect fittedWindowGeometry(const QRect& available, const QMargins& frame, QSize wanted,
                           QSize minimum);

// True when `inner` framed by `frame` lies wholly inside `available`.
bool isWhollyOnScreen(const QRect& available, const QMargins& frame, const QRect& inner);

} // namespace stowfolio

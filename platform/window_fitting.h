#pragma once

// Opening a window fully on its screen (window_placement.h does the arithmetic): at the size it
// wants where the screen has room, smaller where it has not, title bar to status line visible.

#include "platform/widgets_only.h"

#include <QMargins>
#include <QSize>

class QWidget;

namespace stowfolio {

// The frame the window manager puts around `window`: the real one once the window is shown
// and framed, otherwise an estimate from the style's title bar height.
QMargins windowFrameMargins(const QWidget& window);

// Sizes and centres `window` on its screen (the primary one before it is shown) at `wanted`, or
// smaller when the screen's free area cannot hold it and its frame. From then on, every time the
// window is shown, it is checked again once the window manager has framed it, and brought back
// wholly on screen when it is not.
void placeOnScreen(QWidget& window, QSize wanted);

} // namespace stowfolio

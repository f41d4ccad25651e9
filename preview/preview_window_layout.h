#pragma once

// The preview window's controls and their places, in twips as the window is designed
// (15 twips to a pixel).

#include "preview/preview_window.h"
#include "preview/zoom_model.h"

#include <QMainWindow>

namespace stowfolio::preview {

inline constexpr Extent kPreviewClient{9840, 9360};
// The viewport: outer extent with its one-pixel border, and the inner extent that
// its child is clipped to.
inline constexpr Extent kViewportOuter{9330, 7425};
inline constexpr Extent kViewportInner{9300, 7395};
// The least the viewport shrinks to in a window smaller than drawn, in pixels; below that the
// client area scrolls instead.
inline constexpr int kSmallestViewportHeight = 120;

// Creates the window's client area, as drawn, inside a scroll area that is the central widget of
// `form`, with its controls, fonts, tab order and resizing rules (extra room goes to the
// picture), and sets the window's flags. The menu bar sits above it.
PreviewControls buildPreviewControls(QMainWindow& form);

// Lets the picture shrink to kSmallestViewportHeight in a window smaller than drawn. Runs when
// the window is first shown: before that the scroll area around the client has no size of its
// own yet and would shrink the client with it.
void allowPictureToShrink(QMainWindow& window);

} // namespace stowfolio::preview

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

// Creates the window's client area, as drawn, as the central widget of `form`, with its controls,
// fonts, fixed size and tab order, and sets the window's flags. The menu bar sits above it.
PreviewControls buildPreviewControls(QMainWindow& form);

} // namespace stowfolio::preview

#pragma once

// The preview's zoom and scroll state, free of any toolkit. The window feeds it the picture's
// extent, button clicks, scroll-bar changes and mouse events; it answers with the surface's
// extent and offset inside the viewport, what part of the picture the surface was last painted
// from, and the state each scroll bar must show. Everything is in twips (15 to a pixel).
//
// Three rectangles take part:
//   viewport  the window onto the picture (it changes only when its window is resized), with an
//   outer extent (border included) and a
//             smaller inner extent that its child is clipped to;
//   surface   the zoomed picture, a child of the viewport placed at (left, top), normally zero
//             or negative: the viewport's inner point v shows the surface's point v - offset;
//   picture   the unzoomed source. Its top-left (original width x original height) rectangle is
//             stretched over the surface's (zoomed width x zoomed height), so a surface point s
//             shows the picture point s x original / zoomed on each axis.
//
// Scrolling. The overflow of an axis is d = surface outer extent - viewport outer extent. A bar
// position p puts the surface at offset -(unit x p). Small overflows (d <= 100) move one twip per
// position with maximum d; larger ones move ten twips per position with maximum round(d / 10),
// so the last position moves the surface by d to within five twips. An axis that fits (d <= 0)
// gets unit 0 and a disabled bar.
//
// Dragging keeps the grabbed picture point under the pointer. The grab point g is the mouse
// position inside the surface when the button went down; a later position x (again inside the
// surface, which has moved with the drag) is where the pointer now is on the surface, so the
// surface must move by x - g: left' = left - g + x. The result is clamped so that the surface
// never starts right of the viewport (left' <= 0) and its far edge never comes left of the
// viewport's far edge (left' >= inner width - surface width). For a surface narrower than the
// viewport the second bound is positive, and a leftward move snaps its far edge to the
// viewport's far edge.
//
// Releasing the drag hands the offset back to the scroll bars as a percentage of the overflow:
// percent = min(100, round(|left| / d x 100)), position = round(percent / 100 x maximum); the
// change of position moves the surface onto the position the rounded percentage stands for. For
// example left -2345 with d 5000 (unit 10, maximum 500) gives 47 %, position 235 and offset
// -2350. The drag can go the viewport's border width beyond d, hence the cap; with d = 0 there is
// nothing to divide by and the percentage is 0.
//
// Roundings: "round" is to the nearest integer with ties to even; zoomed extents are floor(
// original x zoom), formed in double precision from the integer extent and the single-precision
// factor (multiples of a quarter, so the products are exact). Extents are 64-bit and offsets
// double, so the largest sheets (some 31 million twips tall at 200 %) scroll and drag exactly.

#include "spreadsheet/model/twips.h"

#include <cstdint>

namespace stowfolio::preview {

using spreadsheet::kTwipsPerPixel;

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
std::int64_t roundHalfEven(double value);

struct Extent
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Extent&) const = default;
};

struct Offset
{
    double left = 0;
    double top = 0;
    bool operator==(const Offset&) const = default;
};

enum class Axis
{
    Horizontal,
    Vertical
};

enum class ZoomDirection
{
    In,
    Out
};

struct ScrollBarState
{
    // A scroll bar's own defaults until the set-up assigns a maximum.
    static constexpr int kDefaultMaximum = 32767;
    int maximum = kDefaultMaximum;
    int position = 0;
    bool enabled = true;
    bool operator==(const ScrollBarState&) const = default;
};

// Which part of the picture the surface was last painted from, and at what size. Before the
// first repaint the surface shows the whole picture at its own size.
struct Painting
{
    Extent source;      // top-left part of the picture, twips at 100 %
    Extent destination; // its painted size on the surface
    bool operator==(const Painting&) const = default;
};

class ZoomModel
{
public:
    static constexpr float kMinimumZoom = 0.25f;
    static constexpr float kMaximumZoom = 2.0f;
    static constexpr float kZoomStep = 0.25f;
    // The unzoomed source is the picture less two twips on each axis.
    static constexpr std::int64_t kSourceReduction = 2;
    // A zoomed extent the surface cannot take: the largest window extent the toolkit allows,
    // 2^24 - 1 pixels. Scroll positions (at most a tenth of it) and unit x position stay well
    // inside 32 bits below it. Sheets from the builder reach about 16 million twips at 200 %.
    static constexpr std::int64_t kLargestExtent = std::int64_t{16'777'215} * kTwipsPerPixel;

    ZoomModel(Extent viewportOuter, Extent viewportInner);

    // A picture assigned to the surface, which sizes itself to it. Nothing else changes until the
    // next initialisation.
    void assignPicture(Extent picture);

    // The first part of the viewer's set-up at activation: everything back to a freshly loaded
    // window, zoom 1.0 and the extents of the assigned picture. The window follows it with
    // redrawImage() and setupScrollbars().
    void initialise();

    // One quarter step; a factor outside [0.25, 2.0] is refused silently. True when the surface
    // was repainted.
    bool zoomStep(ZoomDirection direction);
    bool setZoom(float factor);

    // Recomputes the zoomed extents; repaints the surface at them unless one cannot be
    // represented, in which case the factor and the extents return to 1.0 and the surface keeps
    // what it showed. A repaint resets both scroll positions, enabled states, maxima and units to
    // the zoomed extent. True when repainted.
    bool redrawImage();

    // The viewport's new extents when its window was resized. True when they changed; the
    // surface's offset and the bars then follow (see the comment in zoom_model.cpp).
    bool resizeViewport(Extent outer, Extent inner);

    // Surface offset to (0, 0), then each bar's range, unit, enabled state and position from the
    // surface's overflow.
    void setupScrollbars();

    // A new bar position, from the user or from the program. The surface follows only when the
    // position actually changes, as a scroll bar's change notification does.
    void setScrollPosition(Axis axis, int position);
    // Sets the bar to `percent` of its maximum; negative or above-maximum requests are ignored.
    void setScrollbarByPercent(Axis axis, int percent);

    void mouseDown(double x, double y);
    // `buttonDown` false means a plain hover: nothing moves.
    void mouseMove(bool buttonDown, double x, double y);
    void mouseUp();

    float zoom() const { return m_zoom; }
    Extent original() const { return m_original; }
    Extent zoomed() const { return m_zoomed; }
    Extent surface() const { return m_surface; }
    Offset offset() const { return m_offset; }
    const Painting& painting() const { return m_painting; }
    const ScrollBarState& scrollBar(Axis axis) const;
    int scrollUnit(Axis axis) const;
    Extent viewportOuter() const { return m_viewportOuter; }
    Extent viewportInner() const { return m_viewportInner; }

private:
    struct AxisRef;
    AxisRef axis(Axis which);

    void takeOriginalExtents();
    void setupScrollRange(Axis which);
    static bool takeScrollRange(AxisRef& a);
    int releasePercent(Axis which);

    Extent m_viewportOuter;
    Extent m_viewportInner;
    Extent m_picture;

    float m_zoom = 0;
    Extent m_holder;   // the unzoomed picture's extent, kept from the initialisation
    Extent m_original; // the paint source: holder less the source reduction
    Extent m_zoomed;
    Extent m_surface;
    Offset m_offset;
    Painting m_painting;
    ScrollBarState m_hBar;
    ScrollBarState m_vBar;
    int m_hUnit = 0;
    int m_vUnit = 0;
    double m_dragX = 0;
    double m_dragY = 0;
};

} // namespace stowfolio::preview

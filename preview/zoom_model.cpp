#include "preview/zoom_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace stowfolio::preview {

// The program never changes the floating-point rounding mode, so nearbyint rounds to nearest
// with ties to even.
std::int64_t roundHalfEven(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}

namespace {

std::int64_t zoomedExtent(std::int64_t original, float zoom)
{
    return static_cast<std::int64_t>(std::floor(static_cast<double>(original) * zoom));
}

// The drag bounds: never right of the viewport's start, never with the far edge inside it. The
// first test wins, so a surface narrower than the viewport snaps to one edge or the other.
double clampOffset(double value, double farBound)
{
    if (value > 0)
        return 0;
    if (farBound > value)
        return farBound;
    return value;
}

int saturatedInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

} // namespace

struct ZoomModel::AxisRef
{
    std::int64_t surface;
    std::int64_t viewportOuter;
    std::int64_t viewportInner;
    double& offset;
    ScrollBarState& bar;
    int& unit;
    double& drag;
};

ZoomModel::AxisRef ZoomModel::axis(Axis which)
{
    if (which == Axis::Horizontal)
        return {m_surface.width,
                m_viewportOuter.width,
                m_viewportInner.width,
                m_offset.left,
                m_hBar,
                m_hUnit,
                m_dragX};
    return {m_surface.height,
            m_viewportOuter.height,
            m_viewportInner.height,
            m_offset.top,
            m_vBar,
            m_vUnit,
            m_dragY};
}

ZoomModel::ZoomModel(Extent viewportOuter, Extent viewportInner)
    : m_viewportOuter(viewportOuter), m_viewportInner(viewportInner)
{
}

const ScrollBarState& ZoomModel::scrollBar(Axis which) const
{
    return which == Axis::Horizontal ? m_hBar : m_vBar;
}

int ZoomModel::scrollUnit(Axis which) const
{
    return which == Axis::Horizontal ? m_hUnit : m_vUnit;
}

void ZoomModel::assignPicture(Extent picture)
{
    m_picture = picture;
    m_surface = picture;
    m_painting = {picture, picture};
}

void ZoomModel::initialise()
{
    // A new result gets the same start as the first one: nothing of an earlier picture's zoom,
    // extents, ranges or drag survives.
    const Extent picture = m_picture;
    *this = ZoomModel(m_viewportOuter, m_viewportInner);
    assignPicture(picture);
    m_holder = m_surface;
    m_zoom = 1.0f;
    takeOriginalExtents();
    m_zoomed = {zoomedExtent(m_original.width, m_zoom), zoomedExtent(m_original.height, m_zoom)};
}

void ZoomModel::takeOriginalExtents()
{
    m_original = {m_holder.width - kSourceReduction, m_holder.height - kSourceReduction};
}

bool ZoomModel::zoomStep(ZoomDirection direction)
{
    const float candidate =
        direction == ZoomDirection::In ? m_zoom + kZoomStep : m_zoom - kZoomStep;
    return setZoom(candidate);
}

bool ZoomModel::setZoom(float factor)
{
    if (factor < kMinimumZoom || factor > kMaximumZoom)
        return false;
    m_zoom = factor;
    return redrawImage();
}

bool ZoomModel::redrawImage()
{
    m_zoomed = {zoomedExtent(m_original.width, m_zoom), zoomedExtent(m_original.height, m_zoom)};
    if (m_zoomed.width >= kLargestExtent || m_zoomed.height >= kLargestExtent) {
        m_zoom = 1.0f;
        takeOriginalExtents();
        m_zoomed = m_original;
        return false;
    }
    // An empty picture gives negative extents; the surface cannot be smaller than nothing.
    m_surface = {std::max<std::int64_t>(0, m_zoomed.width),
                 std::max<std::int64_t>(0, m_zoomed.height)};
    m_painting = {m_original, m_zoomed};
    setScrollPosition(Axis::Horizontal, 0);
    setScrollPosition(Axis::Vertical, 0);
    // The ranges follow the zoomed surface, so the bars reach its far edges at every factor.
    setupScrollRange(Axis::Horizontal);
    setupScrollRange(Axis::Vertical);
    return true;
}

void ZoomModel::setupScrollbars()
{
    m_offset = {0, 0};
    setupScrollRange(Axis::Horizontal);
    setupScrollRange(Axis::Vertical);
}

void ZoomModel::setupScrollRange(Axis which)
{
    AxisRef a = axis(which);
    if (takeScrollRange(a))
        setScrollPosition(which, 0);
}

// The bar's range and unit from the axis's overflow; false (bar disabled, unit 0) when the
// surface fits.
bool ZoomModel::takeScrollRange(AxisRef& a)
{
    if (a.surface <= a.viewportOuter) {
        a.bar.enabled = false;
        a.unit = 0;
        return false;
    }
    const double overflow = static_cast<double>(a.surface - a.viewportOuter);
    a.bar.enabled = true;
    if (overflow <= 100) {
        a.bar.maximum = saturatedInt(roundHalfEven(overflow));
        a.unit = 1;
    } else {
        a.bar.maximum = saturatedInt(roundHalfEven(overflow / 10));
        a.unit = 10;
    }
    return true;
}

// A viewport that grows or shrinks with its window changes each axis's overflow. The bar keeps
// the fraction of its range it stood at (position p of maximum m becomes round(p / m x m') of
// the new maximum m'), so the part of the picture in view stays in view as far as it can; an
// axis that now fits goes back to offset 0 with its bar disabled.
bool ZoomModel::resizeViewport(Extent outer, Extent inner)
{
    if (outer == m_viewportOuter && inner == m_viewportInner)
        return false;
    m_viewportOuter = outer;
    m_viewportInner = inner;
    // Before the viewer's first set-up there are no ranges to keep; initialise() takes the new
    // extents.
    if (m_zoom == 0)
        return true;
    for (const Axis which : {Axis::Horizontal, Axis::Vertical}) {
        AxisRef a = axis(which);
        const double fraction = a.unit != 0 && a.bar.maximum > 0
                                    ? static_cast<double>(a.bar.position) / a.bar.maximum
                                    : 0.0;
        if (!takeScrollRange(a)) {
            a.bar.position = 0;
            a.offset = 0;
            continue;
        }
        a.bar.position = saturatedInt(roundHalfEven(fraction * a.bar.maximum));
        a.offset = -static_cast<double>(std::int64_t{a.unit} * a.bar.position);
    }
    return true;
}

void ZoomModel::setScrollPosition(Axis which, int position)
{
    AxisRef a = axis(which);
    if (a.bar.position == position)
        return;
    a.bar.position = position;
    a.offset = -static_cast<double>(std::int64_t{a.unit} * position);
}

void ZoomModel::setScrollbarByPercent(Axis which, int percent)
{
    if (percent < 0)
        return;
    const ScrollBarState& bar = scrollBar(which);
    const double position = percent / 100.0 * bar.maximum;
    if (position <= bar.maximum)
        setScrollPosition(which, saturatedInt(roundHalfEven(position)));
}

void ZoomModel::mouseDown(double x, double y)
{
    m_dragX = x;
    m_dragY = y;
}

void ZoomModel::mouseMove(bool buttonDown, double x, double y)
{
    if (!buttonDown)
        return;
    for (const auto& [which, position] :
         {std::pair{Axis::Horizontal, x}, std::pair{Axis::Vertical, y}}) {
        AxisRef a = axis(which);
        a.offset = clampOffset(a.offset - a.drag + position,
                               static_cast<double>(a.viewportInner - a.surface));
    }
}

void ZoomModel::mouseUp()
{
    const int horizontal = releasePercent(Axis::Horizontal);
    const int vertical = releasePercent(Axis::Vertical);
    setScrollbarByPercent(Axis::Horizontal, horizontal);
    setScrollbarByPercent(Axis::Vertical, vertical);
}

// The offset as a percentage of the overflow. A surface exactly as large as the viewport has no
// overflow to divide by; it gets 0 %. The drag may go up to the viewport's border width beyond
// the overflow (the clamp uses the inner extent), which would read as more than 100 % and leave
// the bar behind; the far edge counts as 100 %.
int ZoomModel::releasePercent(Axis which)
{
    const AxisRef a = axis(which);
    const std::int64_t overflow = a.surface - a.viewportOuter;
    if (overflow == 0)
        return 0;
    const std::int64_t percent =
        roundHalfEven(std::abs(a.offset) / static_cast<double>(overflow) * 100);
    return saturatedInt(std::min<std::int64_t>(percent, 100));
}

} // namespace stowfolio::preview

#include "preview/zoom_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

namespace stowfolio::preview {
// Readable failure messages.
void PrintTo(const Extent& extent, std::ostream* out)
{
    *out << extent.width << " x " << extent.height;
}
void PrintTo(const Offset& offset, std::ostream* out)
{
    *out << "(" << offset.left << ", " << offset.top << ")";
}

namespace {

// The preview's viewport: 9330 x 7425 twips outside, a one-pixel border inside.
const Extent kOuter{9330, 7425};
const Extent kInner{9300, 7395};

// A picture whose paint source (the picture less two twips) overflows the viewport's outer
// extent by the given amounts at zoom 1.0.
Extent pictureWithOverflow(std::int64_t horizontal, std::int64_t vertical)
{
    return {kOuter.width + horizontal + ZoomModel::kSourceReduction,
            kOuter.height + vertical + ZoomModel::kSourceReduction};
}

// The set-up at activation, as the window runs it.
void runSetUp(ZoomModel& model)
{
    model.initialise();
    model.redrawImage();
    model.setupScrollbars();
}

ZoomModel initialised(Extent picture)
{
    ZoomModel model(kOuter, kInner);
    model.assignPicture(picture);
    runSetUp(model);
    return model;
}

// A generated sheet of 65,526 items: 240 twips a row plus the title block, 12 columns wide.
const Extent kHugeSheet{19'200, 65'526 * 240 + 2'400};

TEST(RoundHalfEven, RoundsToNearestWithTiesToEven)
{
    const struct
    {
        double value;
        std::int64_t expected;
    } cases[] = {{2.5, 2}, {3.5, 4}, {0.5, 0}, {1.5, 2}, {-2.5, -2}, {46.9, 47}, {10.49, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.value), c.expected) << c.value;
}

TEST(ZoomModel, InitialisationTakesThePictureLessTwoTwipsAtZoomOne)
{
    const ZoomModel model = initialised({12'000, 5'000});
    EXPECT_EQ(model.zoom(), 1.0f);
    EXPECT_EQ(model.original(), (Extent{11'998, 4'998}));
    EXPECT_EQ(model.zoomed(), (Extent{11'998, 4'998}));
    EXPECT_EQ(model.surface(), (Extent{11'998, 4'998}));
    EXPECT_EQ(model.painting(), (Painting{{11'998, 4'998}, {11'998, 4'998}}));
    EXPECT_EQ(model.offset(), (Offset{0, 0}));
}

TEST(ZoomModel, ScrollSetUpFollowsTheOverflow)
{
    const struct
    {
        std::int64_t overflow;
        bool enabled;
        int maximum;
        int unit;
    } cases[] = {
        {80, true, 80, 1},
        {100, true, 100, 1},
        {101, true, 10, 10}, // 10.1
        {105, true, 10, 10}, // 10.5, tie to even
        {115, true, 12, 10}, // 11.5, tie to even
        {5'000, true, 500, 10},
        {1, true, 1, 1},
        {0, false, ScrollBarState::kDefaultMaximum, 0},
        {-50, false, ScrollBarState::kDefaultMaximum, 0},
    };
    for (const auto& c : cases) {
        for (const Axis axis : {Axis::Horizontal, Axis::Vertical}) {
            const bool horizontal = axis == Axis::Horizontal;
            const ZoomModel model = initialised(
                pictureWithOverflow(horizontal ? c.overflow : -10, horizontal ? -10 : c.overflow));
            SCOPED_TRACE(testing::Message()
                         << "overflow " << c.overflow << " horizontal " << horizontal);
            EXPECT_EQ(model.scrollBar(axis).enabled, c.enabled);
            EXPECT_EQ(model.scrollBar(axis).maximum, c.maximum);
            EXPECT_EQ(model.scrollBar(axis).position, 0);
            EXPECT_EQ(model.scrollUnit(axis), c.unit);
        }
    }
}

TEST(ZoomModel, ZoomStepsInQuartersBetweenTheEnds)
{
    const struct
    {
        const char* name;
        std::vector<ZoomDirection> steps;
        float finalZoom;
        int accepted;
    } cases[] = {
        {"out eight times from 1.0", std::vector<ZoomDirection>(8, ZoomDirection::Out), 0.25f, 3},
        {"in eight times from 1.0", std::vector<ZoomDirection>(8, ZoomDirection::In), 2.0f, 4},
        {"in then out", {ZoomDirection::In, ZoomDirection::Out}, 1.0f, 2},
        {"out three times", {3, ZoomDirection::Out}, 0.25f, 3},
    };
    for (const auto& c : cases) {
        ZoomModel model = initialised({20'000, 20'000});
        int accepted = 0;
        for (const ZoomDirection step : c.steps)
            accepted += model.zoomStep(step) ? 1 : 0;
        EXPECT_EQ(model.zoom(), c.finalZoom) << c.name;
        EXPECT_EQ(accepted, c.accepted) << c.name;
    }
}

TEST(ZoomModel, RefusedZoomStepsChangeNothing)
{
    for (const auto& [end, direction] : {std::pair{ZoomDirection::In, ZoomDirection::In},
                                         std::pair{ZoomDirection::Out, ZoomDirection::Out}}) {
        ZoomModel model = initialised({20'000, 20'000});
        while (model.zoomStep(end)) {
        }
        model.setScrollPosition(Axis::Vertical, 3);
        const Offset offset = model.offset();
        const float zoom = model.zoom();
        EXPECT_FALSE(model.zoomStep(direction));
        EXPECT_EQ(model.zoom(), zoom);
        EXPECT_EQ(model.offset(), offset);
        EXPECT_EQ(model.scrollBar(Axis::Vertical).position, 3);
    }
}

// Small pictures and ones far beyond 25,000 x 4,000 twips are painted at every factor.
TEST(ZoomModel, EveryFactorPaintsSmallAndHugePictures)
{
    for (const Extent picture : {Extent{3'002, 3'002}, Extent{30'000, 5'000}, kHugeSheet}) {
        ZoomModel model = initialised(picture);
        while (model.zoomStep(ZoomDirection::Out)) {
        }
        for (float zoom = 0.25f; zoom <= 2.0f; zoom += 0.25f) {
            SCOPED_TRACE(testing::Message() << picture.height << " at " << zoom);
            if (zoom > 0.25f) {
                ASSERT_TRUE(model.zoomStep(ZoomDirection::In));
            }
            const Extent expected{static_cast<std::int64_t>(
                                      std::floor(static_cast<double>(picture.width - 2) * zoom)),
                                  static_cast<std::int64_t>(
                                      std::floor(static_cast<double>(picture.height - 2) * zoom))};
            EXPECT_EQ(model.zoom(), zoom);
            EXPECT_EQ(model.zoomed(), expected);
            EXPECT_EQ(model.surface(), expected);
            EXPECT_EQ(model.painting().destination, expected);
        }
    }
}

TEST(ZoomModel, ZoomedExtentsAreFloored)
{
    // 3001 x 0.25 = 750.25 and 3001 x 0.75 = 2250.75 both round down.
    ZoomModel model = initialised({3'003, 3'003});
    model.setZoom(0.25f);
    EXPECT_EQ(model.zoomed().height, 750);
    model.setZoom(0.75f);
    EXPECT_EQ(model.zoomed().height, 2250);
    model.setZoom(1.25f);
    EXPECT_EQ(model.zoomed().height, 3751);
}

TEST(ZoomModel, AnExtentBeyondTheToolkitsLargestReturnsToZoomOneAndKeepsThePainting)
{
    const std::int64_t height = 130'000'000;
    ZoomModel model = initialised({10'000, height + 2});
    ASSERT_TRUE(model.setZoom(1.75f));
    const Painting painted = model.painting();
    model.setScrollPosition(Axis::Vertical, 1'000);

    EXPECT_FALSE(model.zoomStep(ZoomDirection::In)); // 260 million twips
    EXPECT_EQ(model.zoom(), 1.0f);
    EXPECT_EQ(model.zoomed(), (Extent{9'998, height}));
    EXPECT_EQ(model.painting(), painted);
    EXPECT_EQ(model.scrollBar(Axis::Vertical).position, 1'000);
    EXPECT_TRUE(model.zoomStep(ZoomDirection::In)); // 1.25 again
}

// The bars' ranges follow the zoomed surface, so their ends reach its far edges.
TEST(ZoomModel, ScrollRangesFollowTheZoomAndReachTheFarEdges)
{
    for (const Extent picture : {Extent{6'002, 3'002}, Extent{30'000, 5'000}, kHugeSheet}) {
        ZoomModel model = initialised(picture);
        while (model.zoomStep(ZoomDirection::Out)) {
        }
        do {
            SCOPED_TRACE(testing::Message() << picture.height << " at " << model.zoom());
            for (const Axis axis : {Axis::Horizontal, Axis::Vertical}) {
                const bool horizontal = axis == Axis::Horizontal;
                const std::int64_t overflow = horizontal ? model.surface().width - kOuter.width
                                                         : model.surface().height - kOuter.height;
                const ScrollBarState& bar = model.scrollBar(axis);
                EXPECT_EQ(bar.enabled, overflow > 0);
                EXPECT_EQ(bar.position, 0);
                if (overflow <= 0) {
                    EXPECT_EQ(model.scrollUnit(axis), 0);
                    continue;
                }
                model.setScrollPosition(axis, bar.maximum);
                const double offset = horizontal ? model.offset().left : model.offset().top;
                EXPECT_NEAR(-offset, static_cast<double>(overflow), 5.0);
                model.setScrollPosition(axis, 0);
            }
        } while (model.zoomStep(ZoomDirection::In));
    }
}

TEST(ZoomModel, ScrollPositionMovesTheSurfaceByUnitTimesPosition)
{
    const struct
    {
        Extent picture;
        int position;
        Offset expected;
    } cases[] = {
        {pictureWithOverflow(80, 80), 37, {-37, -37}},
        {pictureWithOverflow(5'000, 5'000), 235, {-2'350, -2'350}},
        // Beyond what a 16-bit product holds.
        {kHugeSheet, 3'277, {0, -32'770}},
        {kHugeSheet, 1'572'000, {0, -15'720'000}},
    };
    for (const auto& c : cases) {
        ZoomModel model = initialised(c.picture);
        for (const Axis axis : {Axis::Horizontal, Axis::Vertical})
            if (model.scrollBar(axis).maximum >= c.position)
                model.setScrollPosition(axis, c.position);
        EXPECT_EQ(model.offset(), c.expected) << c.position;
    }
}

TEST(ZoomModel, AHugePictureScrollsToItsLastRowAtDoubleSize)
{
    ZoomModel model = initialised(kHugeSheet);
    ASSERT_TRUE(model.setZoom(2.0f));
    const ScrollBarState& bar = model.scrollBar(Axis::Vertical);
    model.setScrollPosition(Axis::Vertical, bar.maximum);
    // The viewport's bottom edge shows the surface's last twips.
    EXPECT_NEAR(model.offset().top + static_cast<double>(model.surface().height),
                static_cast<double>(kOuter.height), 5.0);
    EXPECT_GT(model.surface().height, 31'000'000);
}

TEST(ZoomModel, DragIsClampedToTheViewport)
{
    // Surface 14,330 x 12,425 against an inner viewport of 9,300 x 7,395.
    const Extent large = pictureWithOverflow(5'000, 5'000);
    // Surface 4,330 x 2,425.
    const Extent small = pictureWithOverflow(-5'000, -5'000);
    const struct
    {
        const char* name;
        Extent picture;
        double fromX, fromY, toX, toY;
        Offset expected;
    } cases[] = {
        {"large, inside", large, 3'000, 3'000, 1'000, 2'500, {-2'000, -500}},
        {"large, towards positive", large, 1'000, 1'000, 2'000, 1'500, {0, 0}},
        {"large, beyond the far edge", large, 9'000, 9'000, 0, 0, {-5'030, -5'030}},
        {"small, towards positive", small, 100, 100, 200, 300, {0, 0}},
        {"small, towards negative", small, 100, 100, 50, 90, {4'970, 4'970}},
    };
    for (const auto& c : cases) {
        ZoomModel model = initialised(c.picture);
        model.mouseDown(c.fromX, c.fromY);
        model.mouseMove(true, c.toX, c.toY);
        EXPECT_EQ(model.offset(), c.expected) << c.name;
    }
}

TEST(ZoomModel, HoverWithoutAButtonMovesNothing)
{
    ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
    model.mouseDown(3'000, 3'000);
    model.mouseMove(false, 1'000, 1'000);
    EXPECT_EQ(model.offset(), (Offset{0, 0}));
}

TEST(ZoomModel, TheGrabPointStaysUnderThePointerDuringADrag)
{
    ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
    model.mouseDown(3'000, 3'000);
    // The pointer moves 300 twips left and up in the viewport three times; relative to the
    // surface, which follows it, it stays on the grab point after each move.
    for (int move = 1; move <= 3; ++move) {
        const Offset before = model.offset();
        model.mouseMove(true, 3'000 - 300, 3'000 - 300);
        EXPECT_EQ(model.offset(), (Offset{before.left - 300, before.top - 300}));
    }
}

TEST(ZoomModel, ReleaseHandsTheRoundedPercentageToTheScrollBars)
{
    const struct
    {
        const char* name;
        Extent picture;
        double dragBy;
        int position;
        double settledOffset;
    } cases[] = {
        // 2345 / 5000 = 46.9 % -> 47 %; 0.47 x 500 = 235.
        {"unit ten", pictureWithOverflow(5'000, 5'000), -2'345, 235, -2'350},
        // 40 / 80 = 50 %; 0.5 x 80 = 40.
        {"unit one", pictureWithOverflow(80, 80), -40, 40, -40},
        // The far edge is 5030 twips away (the viewport's border), 100.6 %: the bars still go to
        // their ends instead of staying where they were.
        {"to the far edge", pictureWithOverflow(5'000, 5'000), -9'000, 500, -5'000},
        {"to the far edge of a short overflow", pictureWithOverflow(200, 200), -9'000, 20, -200},
    };
    for (const auto& c : cases) {
        ZoomModel model = initialised(c.picture);
        model.mouseDown(5'000, 5'000);
        model.mouseMove(true, 5'000 + c.dragBy, 5'000 + c.dragBy);
        model.mouseUp();
        for (const Axis axis : {Axis::Horizontal, Axis::Vertical})
            EXPECT_EQ(model.scrollBar(axis).position, c.position) << c.name;
        EXPECT_EQ(model.offset(), (Offset{c.settledOffset, c.settledOffset})) << c.name;
    }
}

TEST(ZoomModel, ReleaseWithoutOverflowNeedsNoDivision)
{
    // The surface is exactly as large as the viewport's outer extent on both axes.
    ZoomModel model = initialised(pictureWithOverflow(0, 0));
    model.mouseDown(100, 100);
    model.mouseMove(true, 50, 50);
    model.mouseUp();
    EXPECT_EQ(model.scrollBar(Axis::Horizontal).position, 0);
    EXPECT_EQ(model.scrollBar(Axis::Vertical).position, 0);
    EXPECT_EQ(model.offset(), (Offset{-30, -30}));
}

TEST(ZoomModel, ReleasingASmallSurfaceLeavesTheBarsAlone)
{
    // Negative overflow gives a negative percentage, which the bars ignore.
    ZoomModel model = initialised(pictureWithOverflow(-5'000, -5'000));
    model.mouseDown(100, 100);
    model.mouseMove(true, 50, 50);
    model.mouseUp();
    EXPECT_EQ(model.scrollBar(Axis::Horizontal).position, 0);
    EXPECT_EQ(model.offset(), (Offset{4'970, 4'970}));
}

TEST(ZoomModel, PercentSettersIgnoreNegativeAndAboveHundred)
{
    const struct
    {
        int percent;
        int expected;
    } cases[] = {{-1, 7}, {101, 7}, {100, 500}, {0, 0}, {47, 235}, {1, 5}};
    for (const auto& c : cases) {
        ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
        for (const Axis axis : {Axis::Horizontal, Axis::Vertical}) {
            model.setScrollPosition(axis, 7);
            model.setScrollbarByPercent(axis, c.percent);
            EXPECT_EQ(model.scrollBar(axis).position, c.expected) << c.percent;
        }
    }
}

TEST(ZoomModel, PercentPositionsRoundHalfToEven)
{
    // 50 % of 5 is 2.5 and 50 % of 7 is 3.5.
    for (const auto& [overflow, expected] : {std::pair{5, 2}, std::pair{7, 4}}) {
        ZoomModel model = initialised(pictureWithOverflow(overflow, 0));
        ASSERT_EQ(model.scrollBar(Axis::Horizontal).maximum, overflow);
        model.setScrollbarByPercent(Axis::Horizontal, 50);
        EXPECT_EQ(model.scrollBar(Axis::Horizontal).position, expected);
    }
}

TEST(ZoomModel, ARepaintWithBothPositionsAtZeroKeepsTheDraggedOffset)
{
    ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
    model.mouseDown(1'000, 1'000);
    model.mouseMove(true, 980, 1'000); // 20 / 5000 = 0.4 % -> 0 %
    model.mouseUp();
    ASSERT_EQ(model.offset(), (Offset{-20, 0}));
    ASSERT_TRUE(model.zoomStep(ZoomDirection::In));
    EXPECT_EQ(model.offset(), (Offset{-20, 0}));
}

TEST(ZoomModel, ARepaintResetsNonZeroPositionsAndTheirOffsets)
{
    ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
    model.setScrollPosition(Axis::Horizontal, 100);
    model.setScrollPosition(Axis::Vertical, 200);
    ASSERT_TRUE(model.zoomStep(ZoomDirection::Out));
    EXPECT_EQ(model.offset(), (Offset{0, 0}));
    EXPECT_EQ(model.scrollBar(Axis::Horizontal).position, 0);
}

TEST(ZoomModel, AnAxisThatFitsGetsARangeOnceAZoomMakesItOverflow)
{
    ZoomModel model = initialised({6'002, 3'002});
    ASSERT_FALSE(model.scrollBar(Axis::Horizontal).enabled);
    ASSERT_TRUE(model.setZoom(2.0f));
    // 12,000 - 9,330 = 2,670 twips of overflow.
    EXPECT_TRUE(model.scrollBar(Axis::Horizontal).enabled);
    EXPECT_EQ(model.scrollBar(Axis::Horizontal).maximum, 267);
    EXPECT_EQ(model.scrollUnit(Axis::Horizontal), 10);
    ASSERT_TRUE(model.setZoom(1.0f));
    EXPECT_FALSE(model.scrollBar(Axis::Horizontal).enabled);
    EXPECT_EQ(model.scrollUnit(Axis::Horizontal), 0);
}

TEST(ZoomModel, ANewPictureIsInitialisedAfresh)
{
    ZoomModel model = initialised(pictureWithOverflow(5'000, 5'000));
    model.setZoom(2.0f);
    model.setScrollPosition(Axis::Vertical, 300);
    model.mouseDown(10, 10);

    const Extent second{14'002, 40'002};
    model.assignPicture(second);
    runSetUp(model);
    const ZoomModel fresh = initialised(second);
    EXPECT_EQ(model.zoom(), 1.0f);
    EXPECT_EQ(model.original(), (Extent{14'000, 40'000}));
    EXPECT_EQ(model.surface(), fresh.surface());
    EXPECT_EQ(model.offset(), (Offset{0, 0}));
    for (const Axis axis : {Axis::Horizontal, Axis::Vertical}) {
        EXPECT_EQ(model.scrollBar(axis), fresh.scrollBar(axis));
        EXPECT_EQ(model.scrollUnit(axis), fresh.scrollUnit(axis));
    }
    // The drag anchor was reset too: a move from the new picture's origin starts from zero.
    model.mouseMove(true, 0, -100);
    EXPECT_EQ(model.offset(), (Offset{0, -100}));
}

TEST(ZoomModel, AnEmptyPictureGivesAnEmptySurface)
{
    ZoomModel model = initialised({0, 0});
    EXPECT_EQ(model.surface(), (Extent{0, 0}));
    EXPECT_TRUE(model.zoomStep(ZoomDirection::Out));
    EXPECT_EQ(model.surface(), (Extent{0, 0}));
}

} // namespace
} // namespace stowfolio::preview

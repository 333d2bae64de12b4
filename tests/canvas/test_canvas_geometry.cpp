// Zoom rules, the canvas frame around the page, redraw snapping and the
// window frames (y up).
#include "canvas/model/CanvasGeometry.h"
#include "canvas/model/WindowFrames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace qv {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ZoomRules, MenuStepsStopAtTheLimitsAndNoZoomIsEverNaNOrInfinite) {
    std::vector<double> in, out;
    for (std::optional<double> z = 1.0; z; z = zoomInStep(*z))
        in.push_back(*z);
    for (std::optional<double> z = 1.0; z; z = zoomOutStep(*z))
        out.push_back(*z);
    EXPECT_EQ(in, (std::vector<double>{1, 2, 4, 8, 16}));
    EXPECT_EQ(out, (std::vector<double>{1, 0.5, 0.25}));
    // A zoom between steps goes to the limit, not past it.
    EXPECT_EQ(zoomInStep(12), 16.0);
    EXPECT_EQ(zoomOutStep(0.3), 0.25);
    EXPECT_EQ(zoomOnPointZoom(16, false), 16.0);
    EXPECT_EQ(zoomOnPointZoom(0.25, true), 0.25);

    const std::pair<double, double> clamped[] = {
        {kNaN, 2}, {kInf, kMaxZoom}, {-kInf, kMinZoom}, {0, kMinZoom}};
    for (const auto& [requested, zoom] : clamped)
        EXPECT_EQ(clampedZoom(requested, 2), zoom) << requested;
    const Rect rects[] = {{0, 0, 0, 0},       {5, 5, 0, 10},          {0, 0, kNaN, 5},
                          {0, 0, kInf, kInf}, {0, 0, 1e-300, 1e-300}, {0, 0, -50, -20}};
    for (const Rect& r : rects)
        for (bool zoomOut : {false, true})
            for (const Rect& visible : {Rect(0, 0, 1000, 600), Rect()}) {
                const double z = zoomOnRectZoom(1.5, visible, r, zoomOut);
                EXPECT_TRUE(z >= kMinZoom && z <= kMaxZoom) << r.width() << " " << zoomOut;
            }
}

TEST(ZoomRules, ZoomOnRectFitsTheRectOrShrinksTheViewAndTheSelectionGrows) {
    const Rect v(0, 0, 1000, 600);
    // In: the tighter axis decides (600/200 = 3 against 1000/100 = 10).
    EXPECT_DOUBLE_EQ(zoomOnRectZoom(1, v, {50, 50, 100, 200}, false), 3);
    // Out: the looser axis decides (200/600 against 100/1000).
    EXPECT_DOUBLE_EQ(zoomOnRectZoom(3, v, {50, 50, 100, 200}, true), 1);
    // A flat box zooms by its one positive side; a point leaves the zoom.
    EXPECT_DOUBLE_EQ(zoomOnRectZoom(1, v, {0, 0, 250, 0}, false), 4);
    EXPECT_DOUBLE_EQ(zoomOnRectZoom(1.5, v, {3, 3, 0, 0}, false), 1.5);
    // Negative sizes count by their extent.
    EXPECT_DOUBLE_EQ(zoomOnRectZoom(1, v, {150, 250, -100, -200}, false), 3);

    // The selection's box grows by five per cent in single precision.
    const double grow = static_cast<double>(0.05f) * 100;
    ASSERT_NE(grow, 5.0);
    // A horizontal line: one positive side counts.
    const Rect line[] = {{10, 20, 100, 0}};
    const std::optional<Rect> r = selectionZoomRect(line);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, Rect(10 - grow, 20 - grow, 100 + 2 * grow, 2 * grow));
    EXPECT_GT(zoomOnRectZoom(1, {0, 0, 1000, 600}, *r, false), 1);

    // The union ignores boxes without a positive side and non-finite ones.
    const Rect mixed[] = {
        {0, 0, 0, 0}, {0, 0, 10, 40}, {kNaN, 0, 5, 5}, {30, 0, 0, 20}, {-5, -5, -1, 3}};
    const std::optional<Rect> u = selectionZoomRect(mixed);
    ASSERT_TRUE(u);
    const double g = static_cast<double>(0.05f) * 40;
    EXPECT_EQ(*u, Rect(-g, -g, 30 + 2 * g, 40 + 2 * g));

    const Rect nothing[] = {{4, 4, 0, 0}, {0, 0, kInf, 3}};
    EXPECT_FALSE(selectionZoomRect(nothing));
    EXPECT_FALSE(selectionZoomRect({}));
}

TEST(ZoomRules, FractionalZoomSnapsRedrawAreasOutwards) {
    // The documented figure: s = 2/3.
    const Rect r = snappedInvalidationRect({10, 10, 5, 5}, 1.5);
    const double snapped[] = {r.x(), r.y(), r.width(), r.height()};
    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(snapped[i], i < 2 ? 28.0 / 3 : 20.0 / 3);
    EXPECT_EQ(snappedInvalidationRect({10.3, 1, 5.5, 2}, 2), Rect(10.3, 1, 5.5, 2));
    EXPECT_EQ(snappedInvalidationRect({10.3, 1, 5.5, 2}, 0.25 * 4), Rect(10.3, 1, 5.5, 2));

    // Every snapped area holds the original with a margin and starts on a
    // whole screen point.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> pos(-500, 500), side(0.01, 200);
    for (double zoom : {0.25 * 3, 1.5, 0.3, 3.7, 12.5}) {
        const double s = 1 / zoom;
        for (int i = 0; i < 200; ++i) {
            const Rect in(pos(random), pos(random), side(random), side(random));
            const Rect out = snappedInvalidationRect(in, zoom);
            EXPECT_LE(out.minX(), in.minX() - s * 0.999);
            EXPECT_LE(out.minY(), in.minY() - s * 0.999);
            EXPECT_GE(out.maxX(), in.maxX());
            EXPECT_GE(out.maxY(), in.maxY());
            EXPECT_NEAR(out.x() / s, std::round(out.x() / s), 1e-6);
        }
    }
}

TEST(CanvasFrame, PageIsCentredOnWholePointsAndKeepsItsCorner) {
    struct Case {
        Size page;
        double zoom;
        Size content;
        Size canvas;
        Point origin;
    };
    const Case cases[] = {
        // A wider content area: the page floats centred, flush at the top.
        {{612, 792}, 1, {1000, 600}, {1000, 792}, {194, 0}},
        // An odd margin rounds down.
        {{540, 720}, 1.5, {1001, 1200}, {1001, 1200}, {95, 60}},
        // A page larger than the content area has no margin.
        {{540, 720}, 4, {1000, 800}, {2160, 2880}, {0, 0}},
    };
    for (const Case& c : cases) {
        const CanvasFrame f = canvasFrame(c.page, c.zoom, c.content);
        EXPECT_EQ(f.canvasSize, c.canvas);
        EXPECT_EQ(f.pageOrigin, c.origin);
        const Rect d = f.drawingBounds();
        EXPECT_DOUBLE_EQ(d.x(), -c.origin.x / c.zoom);
        EXPECT_DOUBLE_EQ(d.width(), c.canvas.width / c.zoom);
        EXPECT_EQ(f.canvasPoint({0, 0}), c.origin);
        const Point p = f.drawingPoint(f.canvasPoint({12.5, 400}));
        EXPECT_DOUBLE_EQ(p.x, 12.5);
        EXPECT_DOUBLE_EQ(p.y, 400);
    }
}

TEST(CanvasFrame, CentringKeepsTheScrollWithinTheCanvas) {
    const CanvasFrame f = canvasFrame({540, 720}, 4, {1000, 800});
    const Size viewport{1000, 800};
    // The page's centre.
    const Point mid = scrollPositionCenteringRect({0, 0, 540, 720}, f, viewport);
    EXPECT_EQ(mid, Point(580, 1040));
    const Rect visible = visibleDrawingRect(f, mid, viewport);
    EXPECT_DOUBLE_EQ(visible.midX(), 270);
    EXPECT_DOUBLE_EQ(visible.midY(), 360);
    // Corners clamp; a NaN rectangle scrolls to the start.
    EXPECT_EQ(scrollPositionCenteringRect({-100, -100, 1, 1}, f, viewport), Point(0, 0));
    EXPECT_EQ(scrollPositionCenteringRect({1e6, 1e6, 1, 1}, f, viewport), Point(1160, 2080));
    EXPECT_EQ(scrollPositionCenteringRect({kNaN, 0, 1, 1}, f, viewport).x, 0);
}

TEST(CanvasFrame, DevicePixelAlignment) {
    EXPECT_DOUBLE_EQ(alignedToDevicePixel(195, 1.5), 195 + 1.0 / 3); // 292.5 rounds to 293
    EXPECT_DOUBLE_EQ(alignedToDevicePixel(194, 1.5), 194);
    EXPECT_DOUBLE_EQ(alignedToDevicePixel(10.25, 2), 10.5);
    EXPECT_DOUBLE_EQ(alignedToDevicePixel(10.25, 1), 10);
}

// ---------------------------------------------------------------------------
// Window frames, y up

TEST(WindowFrames, IdealZoomButtonRulerAndFirstFramesKeepTheirCorners) {
    // 22 points of title bar, 15 of scroll bars: the ideal frame shows the page.
    const Rect frame(100, 200, 700, 900), content(100, 200, 700, 878);
    EXPECT_EQ(idealWindowFrame(frame, content, {685, 863}, {540, 720}, 1),
              Rect(100, 200 + 900 - 760, 558, 760));
    const Rect r2 = idealWindowFrame(frame, content, {685, 863}, {540, 720}, 2);
    EXPECT_DOUBLE_EQ(r2.width(), 1083 + 15);
    EXPECT_DOUBLE_EQ(r2.y() + r2.height(), frame.y() + frame.height());
    // The zoom button never exceeds the screen's default frame.
    const Rect screen(0, 40, 1440, 860);
    EXPECT_EQ(standardWindowFrame({300, -500, 1200, 1400}, screen), Rect(240, 40, 1200, 860));
    EXPECT_EQ(standardWindowFrame({300, 300, 400, 300}, screen), Rect(300, 300, 400, 300));
    // Rulers grow and shrink the window about its top-left corner.
    const Rect shown = rulerWindowFrame({50, 300, 600, 500}, 18, 20, true);
    EXPECT_EQ(shown, Rect(50, 280, 618, 520));
    EXPECT_EQ(rulerWindowFrame(shown, 18, 20, false), Rect(50, 300, 600, 500));
    // Flipping is its own inverse.
    EXPECT_EQ(flippedRect({10, 20, 300, 400}, 1080), Rect(10, 660, 300, 400));
    EXPECT_EQ(flippedRect({10, 660, 300, 400}, 1080), Rect(10, 20, 300, 400));

    // The first window: placed, clamped to the visible area (a panel along the
    // bottom), as tall as it when too tall, moved left when too wide, and on
    // a second screen away from the origin.
    const Rect visible(0, 40, 1920, 1000);
    const std::tuple<Rect, Rect, Rect> first[] = {
        {{500, 500, 800, 600}, visible, {71, 436, 800, 600}},
        {{0, 0, 800, 1200}, visible, {71, 40, 800, 1000}},
        {{0, 0, 1900, 600}, visible, {20, 436, 1900, 600}},
        {{0, 0, 400, 300}, {1920, 0, 1280, 1024}, {1991, 720, 400, 300}},
    };
    for (const auto& [frame, area, placed] : first)
        EXPECT_EQ(firstWindowFrame(frame, area), placed);
}

} // namespace
} // namespace qv

// What the canvas computes without a window: zoom rules, the frame around
// the page, redraw snapping, window frames (y up), rulers, dirty areas, the
// shapes' spatial index and the mask of what opaque shapes cover.
#include "canvas/model/CanvasGeometry.h"
#include "canvas/model/DirtyRegion.h"
#include "canvas/model/OcclusionMask.h"
#include "canvas/model/RulerGeometry.h"
#include "canvas/model/ShapeSpatialIndex.h"
#include "canvas/model/WindowFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
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

TEST(RulerGeometry, ShadesPastThePageAndTicksFromThePageCorner) {
    // Whole page visible with grey both sides.
    RulerMarks m = rulerMarks(0, 1000, 230, 770, std::nullopt);
    EXPECT_EQ(m.shaded, (std::vector<RulerSpan>{{0, 230}, {770, 230}}));
    EXPECT_TRUE(m.selectionLines.empty());
    // The page fills the ruler.
    EXPECT_TRUE(rulerMarks(0, 1000, -40, 1500, std::nullopt).shaded.empty());
    EXPECT_TRUE(rulerMarks(0, 1000, 0, 1000, std::nullopt).shaded.empty());
    // Selection edges centred on pixels.
    m = rulerMarks(0, 1000, 0, 1000, RulerSpan{120, 100});
    EXPECT_EQ(m.selectionLines, (std::vector<double>{120.5, 220.5}));

    // Ticks start at the page's corner and follow the zoom.
    const std::pair<double, double> steps[] = {{1, 50}, {2, 50}, {0.25, 200}, {16, 5}, {3, 20}};
    for (const auto& [zoom, step] : steps)
        EXPECT_EQ(rulerLabelStep(zoom), step) << zoom;
    for (double zoom : {0.25, 0.5, 1.0, 1.5, 3.0, 16.0}) {
        const double zero = 194.5;
        const std::vector<RulerTick> ticks = rulerTicks(zero, zoom, -300, 1300);
        ASSERT_FALSE(ticks.empty());
        const double step = rulerLabelStep(zoom);
        bool sawZero = false;
        double lastLabel = -1e300, last = -1e300;
        for (const RulerTick& t : ticks) {
            EXPECT_GT(t.position, last);
            last = t.position;
            EXPECT_NEAR(t.position, zero + t.value * zoom, 1e-6);
            EXPECT_GE(t.position, -300);
            EXPECT_LT(t.position, 1300);
            if (t.level == 0) {
                EXPECT_NEAR(std::remainder(t.value, step), 0, 1e-9);
                EXPECT_GE(t.position - lastLabel, 50 - 1e-9);
                lastLabel = t.position;
                sawZero = sawZero || t.value == 0;
            }
        }
        EXPECT_TRUE(sawZero) << zoom;
    }
    EXPECT_TRUE(rulerTicks(0, 0, 0, 100).empty());
    EXPECT_EQ(rulerLabel(-72, 50), "-72");
    EXPECT_EQ(rulerLabel(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(rulerLabel(-1e-17, 5), "0");
}

TEST(DirtyRegion, ManySmallAreasStayFewAndCoveredAndDistantOnesSeparate) {
    DirtyRegion region(8);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> pos(0, 1000), side(1, 30);
    std::vector<Rect> added;
    for (int i = 0; i < 10000; ++i) {
        added.emplace_back(pos(random), pos(random), side(random), side(random));
        region.add(added.back());
        ASSERT_LE(region.rects().size(), 8u);
    }
    for (const Rect& r : added) {
        const bool covered = std::any_of(region.rects().begin(), region.rects().end(),
                                         [&](const Rect& d) { return d.containsRect(r); });
        ASSERT_TRUE(covered);
    }
    // Distant areas stay separate; junk is ignored.
    region = DirtyRegion();
    region.add({0, 0, 10, 10});
    region.add({500, 500, 10, 10});
    region.add({2, 2, 3, 3}); // inside the first
    region.add({0, 0, 0, 5});
    region.add({0, 0, std::numeric_limits<double>::quiet_NaN(), 5});
    EXPECT_EQ(region.rects().size(), 2u);
    EXPECT_EQ(region.bounds(), Rect(0, 0, 510, 510));
    region.add({5, 0, 10, 10}); // overlaps the first heavily: merged
    EXPECT_EQ(region.rects().size(), 2u);
}

TEST(ShapeSpatialIndex, QueriesMatchABruteForceSearchThroughChanges) {
    ShapeSpatialIndex index(64);
    std::map<const void*, Rect> truth;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> pos(-200, 1200), side(0.5, 150), big(2000, 90000);
    std::vector<int> keys(600);
    auto randomRect = [&](int i) {
        // Every 50th is huge: it lives outside the cells.
        const double w = i % 50 == 0 ? big(random) : side(random);
        return Rect(pos(random), pos(random), w, side(random));
    };
    for (int i = 0; i < 600; ++i) {
        const Rect r = randomRect(i);
        index.insert(&keys[i], r);
        truth[&keys[i]] = r;
    }
    for (int round = 0; round < 4; ++round) {
        // Move a third, remove a few.
        for (int i = round; i < 600; i += 3) {
            const Rect r = randomRect(i);
            index.insert(&keys[i], r);
            truth[&keys[i]] = r;
        }
        for (int i = round * 7; i < 600; i += 97) {
            EXPECT_EQ(index.remove(&keys[i]), truth.erase(&keys[i]) == 1);
        }
        // The whole drawing moves.
        const double dx = 37.5 * (round - 1), dy = -20.25 * round;
        index.translate(dx, dy);
        for (auto& [key, r] : truth)
            r = r.offsetBy(dx, dy);
        ASSERT_EQ(index.size(), truth.size());
        for (int q = 0; q < 50; ++q) {
            const Rect area(pos(random), pos(random), side(random) * 3, side(random) * 3);
            std::vector<const void*> found;
            index.query(area, found);
            std::set<const void*> got(found.begin(), found.end());
            ASSERT_EQ(got.size(), found.size()) << "duplicates";
            std::set<const void*> expected;
            for (const auto& [key, r] : truth)
                if (r.minX() < area.maxX() && area.minX() < r.maxX() && r.minY() < area.maxY() &&
                    area.minY() < r.maxY())
                    expected.insert(key);
            ASSERT_EQ(got, expected);
        }
    }
    // A query over everything walks the filled cells instead of the empty ones.
    std::vector<const void*> all;
    index.query({-1e8, -1e8, 2e8, 2e8}, all);
    EXPECT_EQ(all.size(), truth.size());
    for (int i : {1, 2}) {
        const std::optional<Rect> r = index.rectFor(&keys[i]);
        ASSERT_EQ(r.has_value(), truth.count(&keys[i]) == 1);
        if (r) {
            EXPECT_NEAR(r->minX(), truth[&keys[i]].minX(), 1e-9);
            EXPECT_NEAR(r->maxY(), truth[&keys[i]].maxY(), 1e-9);
        }
    }
}

TEST(OcclusionMask, CoversOnlyPixelsWellInsideTheShapes) {
    constexpr int kSize = 120;
    constexpr double kMargin = 2;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> pos(-20, 110), side(3, 70), angle(0, 360), unit(0, 1);
    for (int round = 0; round < 30; ++round) {
        const bool oval = round % 2 == 1;
        const Rect r(pos(random), pos(random), side(random), side(random) * (0.2 + unit(random)));
        // Turned about the centre and scaled, as a shape at a zoom.
        const double scale = 0.5 + 2 * unit(random);
        AffineTransform t = AffineTransform::translation(-r.midX(), -r.midY());
        t.append(AffineTransform::rotationByDegrees(angle(random)));
        t.append(AffineTransform::scaling(scale, scale));
        t.append(AffineTransform::translation(r.midX(), r.midY()));
        OcclusionMask mask(kSize, kSize);
        if (oval)
            mask.addOval(r, t, kMargin);
        else
            mask.addRectangle(r, t, kMargin);
        // A local point at least `margin` (local units) inside; for the oval
        // the homothetic shrink `squeeze` is asked instead when given.
        const AffineTransform back = t.inverseTransform();
        const double px = 1 / scale;
        auto insideBy = [&](Point device, double margin, double squeeze = 1) {
            const Point p = back.transformPoint(device);
            if (!oval)
                return p.x >= r.minX() + margin && p.x <= r.maxX() - margin &&
                       p.y >= r.minY() + margin && p.y <= r.maxY() - margin;
            // Every point around it within the margin lies in the oval.
            for (int k = 0; k < 16; ++k) {
                const double a = k * M_PI / 8;
                const double u =
                    (p.x + margin * std::cos(a) - r.midX()) / (squeeze * r.width() / 2);
                const double v =
                    (p.y + margin * std::sin(a) - r.midY()) / (squeeze * r.height() / 2);
                if (u * u + v * v > 1)
                    return false;
            }
            return true;
        };
        const double squeeze = 1 - 2 * kMargin * px / std::min(r.width(), r.height()) * 2;
        std::int64_t covered = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const bool isCovered = mask.covers({double(x), double(y), 1, 1});
                covered += isCovered;
                bool deep = true;
                for (const Point corner : {Point{double(x), double(y)}, Point{x + 1.0, double(y)},
                                           Point{double(x), y + 1.0}, Point{x + 1.0, y + 1.0}}) {
                    if (isCovered) {
                        ASSERT_TRUE(insideBy(corner, kMargin * px * 0.999))
                            << round << " pixel " << x << "," << y;
                    }
                    deep = deep && (oval ? squeeze > 0 && insideBy(corner, 0, squeeze)
                                         : insideBy(corner, 2 * kMargin * px));
                }
                // Pixels well inside are not missed.
                if (deep) {
                    EXPECT_TRUE(isCovered) << round << " pixel " << x << "," << y;
                }
            }
        EXPECT_EQ(covered, mask.coveredPixelCount());
    }
    // Rows of runs: overlapping and touching ones merge, gaps stay.
    OcclusionMask mask(64, 64);
    mask.addRectangle({0, 0, 20, 64}, AffineTransform(), 0);
    mask.addRectangle({30, 0, 10, 64}, AffineTransform(), 0);
    EXPECT_FALSE(mask.covers({1, 1, 38, 62}));
    mask.addRectangle({20, 10, 10, 20}, AffineTransform(), 0);
    EXPECT_TRUE(mask.covers({1, 10, 38, 20}));
    EXPECT_FALSE(mask.covers({1, 9.5, 38, 20}));
    EXPECT_EQ(mask.coveredPixelCount(), 64 * 30 + 10 * 20);
    EXPECT_TRUE(mask.covers({-30, 2, 45, 10})); // beyond the picture nothing shows
    EXPECT_FALSE(mask.covers({1, 1, 0, 10}));
    EXPECT_FALSE(mask.covers({1, 1, std::numeric_limits<double>::infinity(), 10}));
}
} // namespace
} // namespace qv

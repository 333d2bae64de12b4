// What a shape does under the pointer: handle rectangles, point and rubber-band
// hit tests, handle and gradient-control hit tests, resizing, redraw areas.

#include "ShapeTestSupport.h"

#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace qv {
namespace {

using namespace test;

TEST(ShapeHandles, RectanglesScaleWithZoom) {
    const ZoomView two(2);
    EXPECT_EQ(Shape::handleRectAtPoint({10, 10}, &two), Rect(8, 8, 4.5, 4.5));
    EXPECT_EQ(Shape::handleRectAtPoint({10, 10}, nullptr), Rect(6, 6, 9, 9));
    EXPECT_EQ(Shape::gradientHandleRectAtPoint({10, 10}, nullptr), Rect(0, 0, 21, 21));
    EXPECT_EQ(Shape::gradientHandleRectAtPoint({10, 10}, &two), Rect(5, 5, 10.5, 10.5));
}

TEST(ShapeHandles, TweakCentresOddPixelWidthsOnScreenOnly) {
    auto t = Shape::tweakLineWidth(1, 1, true);
    ASSERT_TRUE(t);
    EXPECT_EQ(*t, AffineTransform::translation(0.5, 0.5));
    EXPECT_FALSE(Shape::tweakLineWidth(2, 1, true));
    t = Shape::tweakLineWidth(1.5, 2, true);
    ASSERT_TRUE(t);
    EXPECT_EQ(*t, AffineTransform::translation(0.25, 0.25));
    EXPECT_FALSE(Shape::tweakLineWidth(1, 1.5, true));
    EXPECT_FALSE(Shape::tweakLineWidth(1, 2, true));
    EXPECT_FALSE(Shape::tweakLineWidth(1, 1, false));
    EXPECT_TRUE(Shape::tweakLineWidth(3, 1, true));
    EXPECT_FALSE(Shape::tweakLineWidth(0, 1, true));
    EXPECT_FALSE(Shape::tweakLineWidth(1, 0, true));
}

TEST(ShapeHitTest, PointInsideTheOutlineHitsWhateverTheStyles) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.fill().setStyle(0);
    r.stroke().setStyle(0);
    EXPECT_TRUE(r.hitTestPoint({50, 25}));
    EXPECT_TRUE(r.hitTestPoint({0.5, 0.5}));
    EXPECT_FALSE(r.hitTestPoint({101, 25}));
    EXPECT_FALSE(r.hitTestPoint({50, -1}));
    // The rotated outline counts, not the bounds.
    r.setRotation(90);
    EXPECT_TRUE(r.hitTestPoint({50, -20}));
    EXPECT_FALSE(r.hitTestPoint({90, 25}));

    OvalShape o;
    o.setBounds({0, 0, 100, 100});
    EXPECT_TRUE(o.hitTestPoint({50, 50}));
    EXPECT_FALSE(o.hitTestPoint({5, 5})); // inside the bounds, outside the ellipse
}

TEST(ShapeHitTest, RubberBandMustTouchTheOutline) {
    RectangleShape r;
    r.setBounds({0, 0, 200, 200});
    EXPECT_FALSE(r.hitTestRect({50, 50, 20, 20}));
    EXPECT_TRUE(r.hitTestRect({-10, 50, 20, 20}));
    EXPECT_TRUE(r.hitTestRect({-10, -10, 300, 300})); // wholly inside the band
    EXPECT_FALSE(r.hitTestRect({210, 0, 20, 20}));
    // A band crossing one edge without containing an end point.
    EXPECT_TRUE(r.hitTestRect({50, -5, 10, 10}));
    r.setRotation(45);
    // The corner (0, 0) turned away: the old corner area is now empty.
    EXPECT_FALSE(r.hitTestRect({0, 0, 5, 5}));
}

TEST(ShapeHitTest, RectIntersectsLineUsesHalfOpenContainment) {
    const Rect r(0, 0, 10, 10);
    EXPECT_TRUE(Shape::rectIntersectsLine(r, {5, 5}, {50, 50}));
    EXPECT_TRUE(Shape::rectIntersectsLine(r, {-5, 5}, {15, 5}));
    EXPECT_TRUE(Shape::rectIntersectsLine(r, {5, -5}, {5, 15}));
    EXPECT_FALSE(Shape::rectIntersectsLine(r, {-5, -5}, {-5, 15}));
    EXPECT_FALSE(Shape::rectIntersectsLine(r, {11, 0}, {20, 9}));
}

TEST(LineIntersection, CasesOfTheTolerance) {
    // Crossing diagonals, touching at an end, missing.
    EXPECT_TRUE(linesIntersect({0, 0}, {10, 10}, {0, 10}, {10, 0}));
    EXPECT_TRUE(linesIntersect({0, 0}, {10, 10}, {10, 10}, {20, 0}));
    EXPECT_FALSE(linesIntersect({0, 0}, {1, 1}, {5, 0}, {6, -1}));
    // Both vertical: same x overlaps by y; different x never.
    EXPECT_TRUE(linesIntersect({3, 0}, {3, 10}, {3, 5}, {3, 20}));
    EXPECT_FALSE(linesIntersect({3, 0}, {3, 10}, {3, 11}, {3, 20}));
    EXPECT_FALSE(linesIntersect({3, 0}, {3, 10}, {4, 0}, {4, 10}));
    // One vertical, in either position.
    EXPECT_TRUE(linesIntersect({5, -5}, {5, 5}, {0, 0}, {10, 0}));
    EXPECT_TRUE(linesIntersect({0, 0}, {10, 0}, {5, -5}, {5, 5}));
    EXPECT_FALSE(linesIntersect({5, 1}, {5, 5}, {0, 0}, {10, 0}));
    EXPECT_FALSE(linesIntersect({0, 0}, {4, 0}, {5, -5}, {5, 5}));
    // Nearly vertical within the tolerance counts as vertical.
    EXPECT_TRUE(linesIntersect({5, -5}, {5.000001, 5}, {0, 0}, {10, 0}));
    // Collinear: overlap of x intervals; parallel distinct: never.
    EXPECT_TRUE(linesIntersect({0, 0}, {5, 5}, {4, 4}, {9, 9}));
    EXPECT_FALSE(linesIntersect({0, 0}, {5, 5}, {6, 6}, {9, 9}));
    EXPECT_FALSE(linesIntersect({0, 0}, {5, 5}, {0, 1}, {5, 6}));
}

TEST(LineIntersection, AgreesWithAnExactTestOnRandomSegments) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> d(-100, 100);
    int disagreements = 0;
    for (int i = 0; i < 2000; ++i) {
        const Point a1{d(rng), d(rng)}, a2{d(rng), d(rng)}, b1{d(rng), d(rng)}, b2{d(rng), d(rng)};
        auto cross = [](Point o, Point p, Point q) {
            return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
        };
        const double c1 = cross(a1, a2, b1), c2 = cross(a1, a2, b2);
        const double c3 = cross(b1, b2, a1), c4 = cross(b1, b2, a2);
        const bool exact = ((c1 > 0) != (c2 > 0)) && ((c3 > 0) != (c4 > 0));
        if (exact != linesIntersect(a1, a2, b1, b2))
            ++disagreements;
    }
    EXPECT_EQ(disagreements, 0);
}

TEST(LineIntersection, CoordsOverlapInEitherOrder) {
    EXPECT_TRUE(coordsOverlap(0, 5, 5, 10));
    EXPECT_TRUE(coordsOverlap(5, 0, 10, 4));
    EXPECT_TRUE(coordsOverlap(0, 10, 3, 4)); // b inside a
    EXPECT_TRUE(coordsOverlap(3, 4, 10, 0)); // a inside b
    EXPECT_FALSE(coordsOverlap(0, 1, 2, 3));
    EXPECT_FALSE(coordsOverlap(3, 2, 1, 0));
}

TEST(ShapeHandles, HitTestFindsHandlesOnTheRotatedOutline) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    int h = -1, v = -1;
    Point origin{-1, -1};
    EXPECT_FALSE(r.hitTestSelectionHandle({50, 25}, h, v, origin, nullptr));
    EXPECT_EQ(h, -1);
    EXPECT_EQ(origin, Point(-1, -1));
    ASSERT_TRUE(r.hitTestSelectionHandle({101, 51}, h, v, origin, nullptr));
    EXPECT_EQ(h, 2);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(origin, Point(0, 0));
    ASSERT_TRUE(r.hitTestSelectionHandle({49, 2}, h, v, origin, nullptr));
    EXPECT_EQ(h, 1);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(origin, Point(50, 50));

    r.setRotation(90);
    // The right-middle handle (100, 25) turns about (50, 25) to (50, 75).
    ASSERT_TRUE(r.hitTestSelectionHandle({50, 75}, h, v, origin, nullptr));
    EXPECT_EQ(h, 2);
    EXPECT_EQ(v, 1);
    expectNear(origin, {50, -25});

    // At zoom 4 the handle is a quarter of the size.
    const ZoomView four(4);
    r.setRotation(0);
    EXPECT_TRUE(r.hitTestSelectionHandle({100.5, 50.5}, h, v, origin, &four));
    EXPECT_FALSE(r.hitTestSelectionHandle({102, 50}, h, v, origin, &four));
}

TEST(ShapeHandles, GradientControlsOnlyForGradientFills) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 100});
    bool isStart = false;
    // Plain colour: no controls, even at the stored points.
    EXPECT_FALSE(r.hitTestGradientControl(r.gradientStart(), isStart, nullptr));
    r.fill().setStyle(2);
    r.fill().setGradientStart({0.2, 0.2});
    r.fill().setGradientEnd({0.3, 0.3}); // 10 points apart: the squares overlap
    isStart = false;
    ASSERT_TRUE(r.hitTestGradientControl({25, 25}, isStart, nullptr));
    EXPECT_TRUE(isStart);
    ASSERT_TRUE(r.hitTestGradientControl({38, 38}, isStart, nullptr));
    EXPECT_FALSE(isStart);
    isStart = true;
    EXPECT_FALSE(r.hitTestGradientControl({80, 80}, isStart, nullptr));
    EXPECT_TRUE(isStart);
}

TEST(ShapeResize, ShiftKeepsTheStartingAspectOnCornerHandles) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.beginResize();
    r.resizeToPoint({300, 60}, 2, 2, {0, 0}, ShiftKeyMask);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 120, 60));
    r.resizeToPoint({300, 60}, 2, 2, {0, 0}, 0);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 300, 60));
    // The ratio is that of the start, not of the last step.
    r.resizeToPoint({50, 400}, 2, 2, {0, 0}, ShiftKeyMask);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 50, 25));
    // Across the origin, on the pointer's side.
    r.resizeToPoint({-40, -400}, 2, 2, {0, 0}, ShiftKeyMask);
    EXPECT_EQ(r.bounds(), Rect(-40, -20, 40, 20));
    r.endResize();
    // Shift on an edge handle changes nothing of the base rule.
    r.setBounds({0, 0, 100, 50});
    r.beginResize();
    r.resizeToPoint({300, 999}, 2, 1, {0, 25}, ShiftKeyMask);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 300, 50));
}

TEST(ShapeResize, ShiftWithoutBeginResizeUsesTheCurrentAspect) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.resizeToPoint({300, 60}, 2, 2, {0, 0}, ShiftKeyMask);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 120, 60));
}

TEST(ShapeResize, EdgeHandleKeepsTheOtherAxis) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.beginResize();
    r.resizeToPoint({-20, 999}, 2, 1, {0, 25}, 0);
    EXPECT_EQ(r.bounds(), Rect(-20, 0, 20, 50));
    r.resizeToPoint({0, 0}, 2, 1, {0, 25}, 0);
    EXPECT_EQ(r.bounds(), Rect(0, 0, 0.10000000149011612, 50));
}

// Handle (h, v) of a box: 0, 1, 2 for its low side, middle and high side.
Point handlePoint(const Rect& b, int h, int v) {
    return {b.minX() + h * b.width() / 2, b.minY() + v * b.height() / 2};
}

TEST(ShapeResize, RotatedShapeKeepsTheOppositeHandleInPlace) {
    for (double angle : {90.0, 30.0, 217.0}) {
        for (int h = 0; h <= 2; ++h) {
            for (int v = 0; v <= 2; ++v) {
                if (h == 1 && v == 1)
                    continue;
                RectangleShape r;
                r.setBounds({0, 0, 100, 50});
                r.setRotation(angle);
                const AffineTransform t = r.transform();
                const Point origin = t.transformPoint(handlePoint(r.bounds(), 2 - h, 2 - v));
                // Drag the handle outwards by some amount in document space.
                const Point handle = t.transformPoint(handlePoint(r.bounds(), h, v));
                r.beginResize();
                r.resizeToPoint({handle.x + 13, handle.y + 7}, h, v, origin, 0);
                r.endResize();
                expectNear(r.transform().transformPoint(handlePoint(r.bounds(), 2 - h, 2 - v)),
                           origin, 1e-9);
            }
        }
    }
}

TEST(ShapeVisibleBounds, RedrawAreaHasAFixedMarginAndGradientHandles) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    EXPECT_EQ(r.visibleBoundsInView(nullptr), Rect(-100, -100, 300, 250));
    r.setRotation(90);
    expectNear(r.visibleBoundsInView(nullptr), Rect(-75, -125, 250, 300));
    r.setRotation(0);
    r.fill().setStyle(2);
    r.fill().setGradientStart({-1, 0}); // (-100, 0), handle reaches x = -110
    r.fill().setGradientEnd({0.5, 0.5});
    expectNear(r.visibleBoundsInView(nullptr), Rect(-210, -110, 410, 260));
}

TEST(ShapeVisibleBounds, ExportAreaAddsHalfTheStrokeAndTheShadow) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.stroke().setWidth(4);
    EXPECT_EQ(r.visibleBoundsForExport(), Rect(-2, -2, 104, 54));
    r.stroke().setStyle(0);
    EXPECT_EQ(r.visibleBoundsForExport(), Rect(0, 0, 100, 50));
    r.shadow().setVisible(true);
    r.shadow().setShadowOffset({5, -10}); // ten points down the page
    r.shadow().setShadowBlurRadius(3);
    EXPECT_EQ(r.visibleBoundsForExport(), Rect(0, 0, 108, 63));
}

} // namespace
} // namespace qv

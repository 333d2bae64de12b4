// The line: bounds that follow its ends, moving and stretching, flipping, the
// hit band (also when rotated), end handles and dragging, copies, key-value
// coding and its file element.

#include "ShapeTestSupport.h"

#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/LineShape.h"
#include "shapes/RectangleShape.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace qv {
namespace {

using namespace test;

constexpr double kTenth = static_cast<double>(0.1f);

std::shared_ptr<LineShape> lineFrom(Point s, Point e) {
    auto line = std::make_shared<LineShape>();
    line->setStart(s);
    line->setEnd(e);
    return line;
}

TEST(LineGeometry, BoundsSpanTheEndsWithTheMinimumThickness) {
    auto line = lineFrom({10, 20}, {110, 20});
    EXPECT_EQ(line->bounds(), Rect(10, 20, 100, kTenth));
    expectNear(line->position(), {60, 20.05}, 1e-8);

    line->setStart({150, 80});
    EXPECT_EQ(line->bounds(), Rect(110, 20, 40, 60));
    line->setEnd({150, -5});
    EXPECT_EQ(line->bounds(), Rect(150, -5, kTenth, 85));

    // Equal points change nothing and announce nothing.
    EXPECT_EQ(changePairs(*line, [&] { line->setEnd({150, -5}); }), 0);
    EXPECT_GE(changePairs(*line, [&] { line->setEnd({0, 0}); }), 1);
}

TEST(LineGeometry, MovingTranslatesAndResizingStretchesThePoints) {
    auto line = lineFrom({0, 0}, {100, 50});
    line->setBounds({30, -10, 100, 50});
    EXPECT_EQ(line->start(), Point(30, -10));
    EXPECT_EQ(line->end(), Point(130, 40));
    line->offset({-30, 10});
    EXPECT_EQ(line->start(), Point(0, 0));

    line->setBounds({0, 0, 200, 50});
    EXPECT_EQ(line->start(), Point(0, 0));
    EXPECT_EQ(line->end(), Point(200, 50));
    EXPECT_EQ(line->bounds(), Rect(0, 0, 200, 50));

    // A line running up to the right keeps its direction in the new box.
    auto rising = lineFrom({0, 50}, {100, 0});
    rising->setBounds({10, 10, 50, 100});
    expectNear(rising->start(), {10, 110});
    expectNear(rising->end(), {60, 10});

    // A horizontal line cannot gain height: its points sit on one y.
    auto flat = lineFrom({0, 0}, {100, 0});
    flat->setBounds({0, 0, 100, 40});
    EXPECT_EQ(flat->start().y, flat->end().y);
    EXPECT_EQ(flat->bounds().height(), kTenth);
}

TEST(LineGeometry, FlipMirrorsWithinTheSameBounds) {
    auto line = lineFrom({0, 0}, {100, 50});
    line->flip(0);
    EXPECT_EQ(line->start(), Point(100, 0));
    EXPECT_EQ(line->end(), Point(0, 50));
    EXPECT_EQ(line->bounds(), Rect(0, 0, 100, 50));
    line->flip(0);
    EXPECT_EQ(line->start(), Point(0, 0));
    EXPECT_EQ(line->end(), Point(100, 50));

    auto away = lineFrom({210, 320}, {230, 300});
    away->setRotation(30);
    away->flip(1);
    EXPECT_EQ(away->start(), Point(210, 300));
    EXPECT_EQ(away->end(), Point(230, 320));
    EXPECT_EQ(away->bounds(), Rect(210, 300, 20, 20));
    EXPECT_EQ(away->rotation(), 330);
}

TEST(LineHitTest, ToleranceBandIsFivePointsOrHalfTheStroke) {
    auto line = lineFrom({0, 0}, {100, 0});
    line->stroke().setWidth(1);
    EXPECT_TRUE(line->hitTestPoint({50, 4}));
    EXPECT_TRUE(line->hitTestPoint({50, -5}));
    EXPECT_FALSE(line->hitTestPoint({50, 6}));
    line->stroke().setWidth(14);
    EXPECT_TRUE(line->hitTestPoint({50, 6}));
    EXPECT_TRUE(line->hitTestPoint({50, -7}));
    EXPECT_FALSE(line->hitTestPoint({50, 7.2}));

    // Measured square to a slanted line, not vertically.
    auto slanted = lineFrom({0, 0}, {100, 100});
    const double s = std::numbers::sqrt2 / 2;
    EXPECT_TRUE(slanted->hitTestPoint({50 + 4.5 * s, 50 - 4.5 * s}));
    EXPECT_FALSE(slanted->hitTestPoint({50 + 5.5 * s, 50 - 5.5 * s}));

    auto vertical = lineFrom({20, 0}, {20, 100});
    EXPECT_TRUE(vertical->hitTestPoint({24, 50}));
    EXPECT_FALSE(vertical->hitTestPoint({26, 50}));
}

TEST(LineHitTest, EndsAreCutSquareByTheGrownBounds) {
    auto line = lineFrom({0, 0}, {100, 0});
    EXPECT_TRUE(line->hitTestPoint({104, 0}));
    EXPECT_FALSE(line->hitTestPoint({106, 0}));
    EXPECT_FALSE(line->hitTestPoint({200, 0}));
    EXPECT_FALSE(line->hitTestPoint({-6, 1}));
    // The infinite line through a slanted segment misses beyond its box.
    auto slanted = lineFrom({0, 0}, {100, 50});
    EXPECT_TRUE(slanted->hitTestPoint({102, 51}));
    EXPECT_FALSE(slanted->hitTestPoint({120, 60}));
}

// For any rotation, points near the visible segment between its ends hit,
// points beyond the band or well past an end miss.
TEST(LineHitTest, RotatedLineIsHitAlongItsVisibleSegment) {
    Random random(17);
    for (int i = 0; i < 300; ++i) {
        auto line = lineFrom(random.point(-300, 300), random.point(-300, 300));
        line->setRotation(random.real(0, 360));
        line->stroke().setWidth(random.integer(0, 1) ? 1 : random.real(0, 30));
        const double t = line->hitTolerance();
        const AffineTransform tr = line->transform();
        const Point a = tr.transformPoint(line->start());
        const Point b = tr.transformPoint(line->end());
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length < 1)
            continue;
        const Point dir{(b.x - a.x) / length, (b.y - a.y) / length};
        const Point normal{-dir.y, dir.x};
        const double along = random.real(0, 1) * length;
        const double side = random.integer(0, 1) ? 1 : -1;
        auto at = [&](double u, double d) {
            return Point{a.x + dir.x * u + normal.x * d, a.y + dir.y * u + normal.y * d};
        };
        SCOPED_TRACE(i);
        EXPECT_TRUE(line->hitTestPoint(at(along, side * random.real(0, 0.99) * t)));
        EXPECT_FALSE(line->hitTestPoint(at(along, side * t * random.real(1.01, 3))));
        // Beyond an end by more than the diagonal of the tolerance square.
        EXPECT_FALSE(line->hitTestPoint(at(length + t * 1.5, 0)));
        EXPECT_FALSE(line->hitTestPoint(at(-t * 1.5, 0)));
    }
}

TEST(LineDrawing, StrokedInItsTransformWithArrowHeadsOnTheEnds) {
    auto line = lineFrom({10, 10}, {110, 60});
    line->setRotation(30);
    line->stroke().setWidth(3);
    line->stroke().setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    line->drawInView(gc, nullptr);
    using K = DrawOpKind;
    // The fill of an open segment, the line, then the end arrow.
    EXPECT_EQ(gc.kinds(true),
              (std::vector<K>{K::FillPath, K::StrokePath, K::FillPath, K::StrokePath}))
        << gc.description();
    const DrawOperation stroke = gc.strokes().at(0);
    EXPECT_EQ(stroke.lineWidth(), 3);
    const BezierPath& device = stroke.devicePath;
    ASSERT_EQ(device.elementCount(), 2u);
    const AffineTransform t = line->transform();
    expectNear(device.elementAtIndex(0).points[0], t.transformPoint({10, 10}), 1e-9);
    expectNear(device.elementAtIndex(1).points[0], t.transformPoint({110, 60}), 1e-9);
    EXPECT_EQ(gc.gstateDepth(), 0);
}

TEST(LineHandles, HitOnTheTransformedEnds) {
    auto line = lineFrom({0, 0}, {100, 0});
    line->setRotation(90);
    const ZoomView two(2);
    const AffineTransform t = line->transform();
    const Point s = t.transformPoint(line->start()), e = t.transformPoint(line->end());
    int h = -1, v = 7;
    Point origin{3, 4};
    EXPECT_TRUE(line->hitTestSelectionHandle({s.x + 1, s.y - 1}, h, v, origin, &two));
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(line->hitTestSelectionHandle(e, h, v, origin, &two));
    EXPECT_EQ(h, 1);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(origin, Point(3, 4));
    h = -1;
    EXPECT_FALSE(line->hitTestSelectionHandle({50, 0}, h, v, origin, &two));
    EXPECT_FALSE(line->hitTestSelectionHandle({s.x + 3, s.y}, h, v, origin, &two));
    EXPECT_EQ(h, -1);
}

// Dragging an end of a rotated line leaves the other end where it is on
// screen and puts the dragged one under the pointer.
TEST(LineHandles, DraggingAnEndKeepsTheOtherInPlace) {
    Random random(5);
    for (int i = 0; i < 200; ++i) {
        auto line = lineFrom(random.point(-200, 200), random.point(-200, 200));
        line->setRotation(random.real(0, 360));
        const int handle = random.integer(0, 1);
        const AffineTransform before = line->transform();
        const Point fixed = before.transformPoint(handle == 0 ? line->end() : line->start());
        const Point pointer = random.point(-300, 300);
        line->beginResize();
        line->resizeToPoint(pointer, handle, 5, {1e9, 1e9}, ShiftKeyMask | AlternateKeyMask);
        line->endResize();
        const AffineTransform after = line->transform();
        SCOPED_TRACE(i);
        const Point dragged = after.transformPoint(handle == 0 ? line->start() : line->end());
        const Point kept = after.transformPoint(handle == 0 ? line->end() : line->start());
        expectNear(dragged, pointer, 1e-9);
        expectNear(kept, fixed, 1e-9);
    }
}

} // namespace
} // namespace qv

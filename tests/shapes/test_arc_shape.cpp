// The arc: bounds of the full circle, the pie-slice outline in both
// directions, angle points with rotation, scaling by setBounds, flips, handles
// and their dragging with Shift and Option, copies and its file element.

#include "ShapeTestSupport.h"

#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/ArcShape.h"
#include "shapes/RectangleShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv {
namespace {

using namespace test;

constexpr double kTenth = static_cast<double>(0.1f);
constexpr double kSinglePi = 3.1415927410125732;

std::shared_ptr<ArcShape> arc(Point c, double r, double a1, double a2, bool clockwise = true) {
    auto s = std::make_shared<ArcShape>();
    s->setCenter(c);
    s->setRadius(r);
    s->setAngle1(a1);
    s->setAngle2(a2);
    s->setClockwise(clockwise);
    return s;
}

Point cubicAt(Point p0, const PathElement& curve, double t) {
    const double u = 1 - t;
    const Point c1 = curve.points[0], c2 = curve.points[1], p3 = curve.points[2];
    return {u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x,
            u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y};
}

TEST(ArcGeometry, BoundsAreTheSquareAroundTheCircle) {
    auto a = arc({50, 60}, 10, 0, 90);
    EXPECT_EQ(a->bounds(), Rect(40, 50, 20, 20));
    a->setRotation(40);
    EXPECT_EQ(a->position(), Point(50, 60));
    expectNear(a->transform().transformPoint({50, 60}), {50, 60});
    a->setRadius(0);
    EXPECT_EQ(a->bounds(), Rect(50, 60, kTenth, kTenth));
    // The centre of rotation is still the circle's centre.
    EXPECT_EQ(a->position(), Point(50, 60));
}

TEST(ArcGeometry, OutlineIsAPieSliceRunningDownwardsWhenClockwise) {
    const BezierPath p = *arc({0, 0}, 10, 0, 90)->path();
    ASSERT_EQ(p.elementCount(), 4u);
    EXPECT_EQ(p.elementAtIndex(0).type, PathElementType::MoveTo);
    expectNear(p.elementAtIndex(0).points[0], {10, 0});
    ASSERT_EQ(p.elementAtIndex(1).type, PathElementType::CurveTo);
    expectNear(p.elementAtIndex(1).points[2], {0, 10});
    expectNear(cubicAt({10, 0}, p.elementAtIndex(1), 0.5), {7.0711, 7.0711}, 1e-3);
    EXPECT_EQ(p.elementAtIndex(2).type, PathElementType::LineTo);
    EXPECT_EQ(p.elementAtIndex(2).points[0], Point(0, 0));
    EXPECT_EQ(p.elementAtIndex(3).type, PathElementType::ClosePath);

    // Counter-clockwise the slice is the other three quarters, through the top.
    const BezierPath other = *arc({0, 0}, 10, 0, 90, false)->path();
    const Rect b = other.bounds();
    expectNear(b, Rect(-10, -10, 20, 20), 1e-9);
    expectNear(other.elementAtIndex(0).points[0], {10, 0});
    EXPECT_FALSE(other.containsPoint({4, 4}));
    EXPECT_TRUE(other.containsPoint({-4, -4}));
    EXPECT_TRUE(arc({0, 0}, 10, 0, 90)->path()->containsPoint({4, 4}));
}

TEST(ArcGeometry, ZeroRadiusCollapsesToTheCentre) {
    auto a = arc({5, 5}, 0, 10, 200);
    const Rect b = a->path()->bounds();
    expectNear(b, Rect(5, 5, 0, 0));
    RecordingGraphicsContext gc;
    a->drawSelectionHandlesInView(gc, nullptr);
    ASSERT_EQ(gc.fills().size(), 6u);
    for (const DrawOperation& f : gc.fills())
        expectNear(f.path.bounds().center(), {5.5, 5.5});
}

TEST(ArcGeometry, AnglePointsFollowTheRotationAndMeasureBack) {
    auto a = arc({100, 50}, 20, 0, 90);
    a->setRotation(30);
    const double r30 = std::numbers::pi / 6;
    expectNear(a->angle1Point(), {100 + 20 * std::cos(r30), 50 + 20 * std::sin(r30)}, 1e-12);
    expectNear(a->angle2Point(), a->transform().transformPoint({100, 70}), 1e-12);
    double radius = 0;
    const double angle = a->angleToPoint(a->angle1Point(), radius);
    // Zero up to the single-precision π of the measure.
    EXPECT_NEAR(angle, 30 * (std::numbers::pi / kSinglePi) - 30, 1e-12);
    EXPECT_LT(angle, -7e-7);
    EXPECT_NEAR(radius, 20, 1e-12);
    EXPECT_NEAR(a->angleToPoint(a->angle2Point(), radius), 90, 1e-5);
    // Behind the centre, atan2 answers near ±180, less the rotation.
    EXPECT_NEAR(a->angleToPoint({80, 50}, radius), 180 - 30, 1e-4);
}

TEST(ArcGeometry, SetBoundsCentresAndScalesByTheWidth) {
    auto a = arc({0, 0}, 10, 0, 90);
    a->setBounds({-20, -20, 40, 10});
    EXPECT_EQ(a->center(), Point(0, -15));
    EXPECT_EQ(a->radius(), 20);
    EXPECT_EQ(a->bounds(), Rect(-20, -35, 40, 40));
    a->offset({5, 5});
    EXPECT_EQ(a->center(), Point(5, -10));
    EXPECT_EQ(a->radius(), 20);

    // A circle smaller than the minimum bounds moves without drifting.
    auto tiny = arc({3, 4}, 0.01, 0, 90);
    for (int i = 0; i < 10; ++i)
        tiny->offset({1, 0});
    expectNear(tiny->center(), {13, 4}, 1e-12);
    EXPECT_NEAR(tiny->radius(), 0.01, 1e-15);
}

TEST(ArcGeometry, FlipsMirrorTheAnglesAndKeepTheDirection) {
    auto a = arc({0, 0}, 10, 0, 90);
    a->flip(0);
    EXPECT_EQ(a->angle1(), 90);
    EXPECT_EQ(a->angle2(), 180);
    EXPECT_TRUE(a->clockwise());
    auto b = arc({0, 0}, 10, 0, 90);
    b->setRotation(20);
    b->flip(1);
    EXPECT_EQ(b->angle1(), 270);
    EXPECT_EQ(b->angle2(), 360);
    EXPECT_EQ(b->rotation(), 340);
    EXPECT_EQ(b->center(), Point(0, 0));

    // On screen the slice is the mirror image: each angle point mirrors one
    // of the old ones about the centre's vertical.
    auto c = arc({10, 20}, 30, 15, 100, false);
    c->setRotation(25);
    const Point p1 = c->angle1Point(), p2 = c->angle2Point();
    c->flip(0);
    expectNear(c->angle2Point(), {20 - p1.x, p1.y}, 1e-9);
    expectNear(c->angle1Point(), {20 - p2.x, p2.y}, 1e-9);
    EXPECT_FALSE(c->clockwise());
}

TEST(ArcDrawing, FilledAndStrokedAsARotatedSlice) {
    auto a = arc({50, 50}, 40, 0, 90);
    a->setRotation(90);
    a->fill().setColor({1, 0, 0, 1});
    RecordingGraphicsContext gc;
    a->drawInView(gc, nullptr);
    using K = DrawOpKind;
    EXPECT_EQ(gc.kinds(true), (std::vector<K>{K::FillPath, K::StrokePath})) << gc.description();
    const DrawOperation fill = gc.fills().at(0);
    EXPECT_EQ(fill.color, Color(1, 0, 0, 1));
    // Turned a quarter about the centre: the slice now spans the lower left.
    expectNear(fill.devicePath.bounds(), Rect(10, 50, 40, 40), 1e-9);
    EXPECT_TRUE(fill.devicePath.containsPoint({30, 70}));
    EXPECT_FALSE(fill.devicePath.containsPoint({70, 70}));
}

TEST(ArcHandles, HitCentreThenTheTwoAnglePoints) {
    auto a = arc({100, 100}, 50, 0, 90);
    a->setRotation(90);
    const ZoomView two(2);
    const Point expected[] = {{100, 100}, {100, 150}, {50, 100}};
    int h = -1, v = 9;
    Point origin{1, 2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(a->hitTestSelectionHandle(expected[i], h, v, origin, &two));
        EXPECT_EQ(h, i);
    }
    EXPECT_EQ(v, 9);
    EXPECT_EQ(origin, Point(1, 2));
    h = -1;
    EXPECT_FALSE(a->hitTestSelectionHandle({150, 100}, h, v, origin, &two));
    EXPECT_EQ(h, -1);
    // Where handles coincide the centre wins.
    auto zero = arc({0, 0}, 0, 0, 90);
    EXPECT_TRUE(zero->hitTestSelectionHandle({0, 0}, h, v, origin, nullptr));
    EXPECT_EQ(h, 0);
}

TEST(ArcResize, AngleHandlesFollowThePointerAndOptionKeepsTheRadius) {
    auto a = arc({0, 0}, 10, 0, 90);
    a->beginResize();
    a->resizeToPoint({0, -30}, 1, 0, {}, 0);
    EXPECT_NEAR(a->angle1(), -90 * std::numbers::pi / kSinglePi, 1e-12);
    EXPECT_EQ(a->radius(), 30);
    a->resizeToPoint({-40, 0}, 2, 0, {}, AlternateKeyMask);
    EXPECT_NEAR(a->angle2(), 180 * std::numbers::pi / kSinglePi, 1e-12);
    EXPECT_EQ(a->radius(), 10); // the radius of the start of the drag
    a->endResize();

    // With rotation the stored angle is local: the handle lands on the pointer.
    auto r = arc({10, 10}, 10, 0, 90);
    r->setRotation(50);
    r->beginResize();
    r->resizeToPoint({40, 50}, 2, 0, {}, 0);
    expectNear(r->angle2Point(), {40, 50}, 1e-4);
    r->resizeToPoint({13, -7}, 1, 0, {}, AlternateKeyMask);
    EXPECT_EQ(r->radius(), 10);
    double radius = 0;
    EXPECT_NEAR(r->angleToPoint(r->angle1Point(), radius), r->angleToPoint({13, -7}, radius), 1e-4);
}

TEST(ArcResize, ShiftConstrainsToFortyFiveDegreeSteps) {
    auto a = arc({0, 0}, 10, 0, 90);
    a->beginResize();
    a->resizeToPoint({10, -4}, 2, 0, {}, ShiftKeyMask); // 22° above: horizontal
    EXPECT_EQ(a->angle2(), 0);
    EXPECT_EQ(a->radius(), 10);
    a->resizeToPoint({10, -7}, 1, 0, {}, ShiftKeyMask); // 35°: the diagonal
    EXPECT_NEAR(a->angle1(), -45, 1e-5);
    EXPECT_NEAR(a->radius(), 10 * std::numbers::sqrt2, 1e-12);

    // The centre is constrained from where it was when the drag began.
    auto c = arc({0, 0}, 10, 0, 90);
    c->beginResize();
    c->resizeToPoint({10, -4}, 0, 0, {}, ShiftKeyMask);
    EXPECT_EQ(c->center(), Point(10, 0));
    c->resizeToPoint({20, -7}, 0, 0, {}, ShiftKeyMask);
    EXPECT_EQ(c->center(), Point(20, 0));
    c->resizeToPoint({3, -10}, 0, 0, {}, ShiftKeyMask);
    EXPECT_EQ(c->center(), Point(0, -10));
    c->resizeToPoint({7, 8}, 0, 0, {}, 0);
    EXPECT_EQ(c->center(), Point(7, 8));
    EXPECT_EQ(c->radius(), 10);
    // Other handle numbers do nothing.
    c->resizeToPoint({70, 80}, 3, 0, {}, 0);
    EXPECT_EQ(c->center(), Point(7, 8));
}

} // namespace
} // namespace qv

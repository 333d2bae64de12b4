// Lines and arcs, whose bounds follow their own parameters: stretching,
// flipping, the line's hit band and end handles, the arc's slice, angle
// points, handles and their dragging with Shift and Option.

#include "ShapeTestSupport.h"

#include <cmath>
#include <numbers>

namespace qv {
namespace {

using namespace test;

constexpr double kSinglePi = 3.1415927410125732;

TEST(LineShape, BoundsFollowTheEndsThroughMovesStretchesAndFlips) {
    auto l = line({10, 20}, {110, 20});
    EXPECT_EQ(l->bounds(), Rect(10, 20, 100, kTenth));
    expectNear(l->position(), {60, 20.05}, 1e-8);
    l->setStart({150, 80});
    EXPECT_EQ(l->bounds(), Rect(110, 20, 40, 60));
    EXPECT_EQ(changePairs(*l, [&] { l->setEnd({110, 20}); }), 0);
    l->setBounds({30, -10, 80, 120}); // running up to the left, it keeps its direction
    EXPECT_EQ(l->start(), Point(110, 110));
    EXPECT_EQ(l->end(), Point(30, -10));
    l->offset({-30, 10});
    EXPECT_EQ(l->end(), Point(0, 0));
    auto flat = line({0, 0}, {100, 0}); // cannot gain height: its points sit on one y
    flat->setBounds({0, 0, 100, 40});
    auto upright = line({5, 0}, {5, 100});
    upright->setBounds({0, 0, 0, 50});
    EXPECT_EQ(upright->bounds(), Rect(0, 0, kTenth, 50));
    EXPECT_EQ(flat->start().y, flat->end().y);
    EXPECT_EQ(flat->bounds().height(), kTenth);
    auto away = line({210, 320}, {230, 300});
    away->setRotation(30);
    away->flip(1);
    EXPECT_EQ(away->start(), Point(210, 300));
    EXPECT_EQ(away->end(), Point(230, 320));
    EXPECT_EQ(away->bounds(), Rect(210, 300, 20, 20));
    EXPECT_EQ(away->rotation(), 330);
    away->flip(0);
    EXPECT_EQ(away->start(), Point(230, 300));
}

// The band is five points or half the stroke either side, measured square to
// the line, and cut square at the ends; for any rotation, points near the
// visible segment hit and points beyond the band or past an end miss.
TEST(LineShape, HitBandAlongTheVisibleSegment) {
    struct Row {
        Point start, end;
        double width;
        Point at;
        bool hit;
    };
    const double s = std::numbers::sqrt2 / 2;
    const Row rows[] = {{{0, 0}, {100, 0}, 1, {50, -5}, true},
                        {{0, 0}, {100, 0}, 1, {50, 6}, false},
                        {{0, 0}, {100, 0}, 14, {50, -7}, true},
                        {{0, 0}, {100, 0}, 14, {50, 7.2}, false},
                        {{0, 0}, {100, 100}, 1, {50 + 4.5 * s, 50 - 4.5 * s}, true},
                        {{0, 0}, {100, 100}, 1, {50 + 5.5 * s, 50 - 5.5 * s}, false},
                        {{20, 0}, {20, 100}, 1, {24, 50}, true},
                        {{20, 0}, {20, 100}, 1, {26, 50}, false},
                        {{0, 0}, {100, 0}, 1, {104, 0}, true},
                        {{0, 0}, {100, 0}, 1, {106, 0}, false},
                        {{0, 0}, {100, 0}, 1, {-6, 1}, false},
                        {{0, 0}, {100, 50}, 1, {102, 51}, true},
                        {{0, 0}, {100, 50}, 1, {120, 60}, false}};
    for (const Row& r : rows) {
        auto l = line(r.start, r.end);
        l->stroke().setWidth(r.width);
        EXPECT_EQ(l->hitTestPoint(r.at), r.hit) << r.at.x << ", " << r.at.y;
    }
    Random random(17);
    for (int i = 0; i < 300; ++i) {
        auto l = line(random.point(-300, 300), random.point(-300, 300));
        l->setRotation(random.real(0, 360));
        l->stroke().setWidth(random.integer(0, 1) ? 1 : random.real(0, 30));
        const double t = std::max(5.0, l->stroke().width() / 2);
        const AffineTransform tr = l->transform();
        const Point a = tr.transformPoint(l->start()), b = tr.transformPoint(l->end());
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length < 1)
            continue;
        const Point dir{(b.x - a.x) / length, (b.y - a.y) / length};
        auto at = [&](double u, double d) {
            return Point{a.x + dir.x * u - dir.y * d, a.y + dir.y * u + dir.x * d};
        };
        const double along = random.real(0, 1) * length, side = random.integer(0, 1) ? 1 : -1;
        SCOPED_TRACE(i);
        EXPECT_TRUE(l->hitTestPoint(at(along, side * random.real(0, 0.99) * t)));
        EXPECT_FALSE(l->hitTestPoint(at(along, side * t * random.real(1.01, 3))));
        EXPECT_FALSE(l->hitTestPoint(at(length + t * 1.5, 0)));
        EXPECT_FALSE(l->hitTestPoint(at(-t * 1.5, 0)));
    }
}

// Its handles are the turned ends; dragging one puts it under the pointer
// and leaves the other where it is on screen, whatever the modifiers.
TEST(LineShape, EndHandlesAreHitAndDraggedOnScreen) {
    auto l = line({0, 0}, {100, 0});
    l->setRotation(90);
    const ZoomView two(2);
    const Point s = l->transform().transformPoint(l->start());
    int h = -1, v = 7;
    Point origin{3, 4};
    EXPECT_TRUE(l->hitTestSelectionHandle({s.x + 1, s.y - 1}, h, v, origin, &two));
    EXPECT_EQ(h, 0);
    EXPECT_TRUE(
        l->hitTestSelectionHandle(l->transform().transformPoint(l->end()), h, v, origin, &two));
    EXPECT_EQ(h, 1);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(origin, Point(3, 4));
    h = -1;
    EXPECT_FALSE(l->hitTestSelectionHandle({50, 0}, h, v, origin, &two));
    EXPECT_FALSE(l->hitTestSelectionHandle({s.x + 3, s.y}, h, v, origin, &two));
    EXPECT_EQ(h, -1);
    Random random(5);
    for (int i = 0; i < 200; ++i) {
        auto d = line(random.point(-200, 200), random.point(-200, 200));
        d->setRotation(random.real(0, 360));
        const int handle = random.integer(0, 1);
        const Point fixed = d->transform().transformPoint(handle == 0 ? d->end() : d->start());
        const Point pointer = random.point(-300, 300);
        d->beginResize();
        d->resizeToPoint(pointer, handle, 5, {1e9, 1e9}, ShiftKeyMask | AlternateKeyMask);
        d->endResize();
        const AffineTransform after = d->transform();
        SCOPED_TRACE(i);
        expectNear(after.transformPoint(handle == 0 ? d->start() : d->end()), pointer);
        expectNear(after.transformPoint(handle == 0 ? d->end() : d->start()), fixed);
    }
}

TEST(LineShape, StrokedInItsTransformWithTheArrowHead) {
    auto l = line({10, 10}, {110, 60});
    l->setRotation(30);
    l->stroke().setWidth(3);
    l->stroke().setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    l->drawInView(gc, nullptr);
    // The fill of an open segment, the line, then the end arrow.
    EXPECT_EQ(gc.kinds(true),
              (std::vector<K>{K::FillPath, K::StrokePath, K::FillPath, K::StrokePath}));
    const BezierPath device = gc.strokes().at(0).devicePath;
    ASSERT_EQ(device.elementCount(), 2u);
    expectNear(device.elementAtIndex(0).points[0], l->transform().transformPoint({10, 10}));
    expectNear(device.elementAtIndex(1).points[0], l->transform().transformPoint({110, 60}));
}

TEST(ArcShape, SetBoundsScalesByTheWidthAndFlipsMirrorTheAngles) {
    auto a = arc({0, 0}, 10, 0, 90);
    a->setBounds({-20, -20, 40, 10});
    EXPECT_EQ(a->center(), Point(0, -15));
    EXPECT_EQ(a->bounds(), Rect(-20, -35, 40, 40));
    a->offset({5, 5});
    EXPECT_EQ(a->center(), Point(5, -10));
    EXPECT_EQ(a->radius(), 20);
    auto tiny = arc({3, 4}, 0.01, 0, 90); // smaller than the minimum bounds: no drift
    for (int i = 0; i < 10; ++i)
        tiny->offset({1, 0});
    expectNear(tiny->center(), {13, 4}, 1e-12);
    EXPECT_NEAR(tiny->radius(), 0.01, 1e-15);

    auto f = arc({0, 0}, 10, 0, 90);
    f->flip(0);
    EXPECT_EQ(Point(f->angle1(), f->angle2()), Point(90, 180));
    f->setRotation(20);
    f->flip(1);
    EXPECT_EQ(Point(f->angle1(), f->angle2()), Point(180, 270));
    EXPECT_EQ(f->rotation(), 340);
    EXPECT_TRUE(f->clockwise());
    // On screen the slice is the mirror image about the centre's vertical.
    auto c = arc({10, 20}, 30, 15, 100, false);
    c->setRotation(25);
    const Point p1 = c->angle1Point(), p2 = c->angle2Point();
    c->flip(0);
    expectNear(c->angle2Point(), {20 - p1.x, p1.y});
    expectNear(c->angle1Point(), {20 - p2.x, p2.y});
    EXPECT_FALSE(c->clockwise());
}

// Handles: the centre (which wins where they coincide), then the two angle
// points. Angle handles follow the pointer, Option keeps the radius, Shift
// keeps to eighth turns; the centre's Shift constraint starts where it was.
TEST(ArcShape, HandlesAreHitAndDragged) {
    auto a = arc({100, 100}, 50, 0, 90);
    a->setRotation(90);
    const ZoomView two(2);
    int h = -1, v = 9;
    Point origin{1, 2};
    const Point expected[] = {{100, 100}, {100, 150}, {50, 100}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(a->hitTestSelectionHandle(expected[i], h, v, origin, &two));
        EXPECT_EQ(h, i);
    }
    EXPECT_EQ(v, 9);
    EXPECT_EQ(origin, Point(1, 2));
    EXPECT_FALSE(a->hitTestSelectionHandle({150, 100}, h, v, origin, &two));
    EXPECT_TRUE(arc({0, 0}, 0, 0, 90)->hitTestSelectionHandle({0, 0}, h, v, origin, nullptr));
    EXPECT_EQ(h, 0);

    auto d = arc({0, 0}, 10, 0, 90);
    d->beginResize();
    d->resizeToPoint({0, -30}, 1, 0, {}, 0);
    EXPECT_NEAR(d->angle1(), -90 * M_PI / kSinglePi, 1e-12);
    EXPECT_EQ(d->radius(), 30);
    d->resizeToPoint({-40, 0}, 2, 0, {}, AlternateKeyMask);
    EXPECT_NEAR(d->angle2(), 180 * M_PI / kSinglePi, 1e-12);
    EXPECT_EQ(d->radius(), 10);                         // that of the start of the drag
    d->resizeToPoint({10, -4}, 2, 0, {}, ShiftKeyMask); // 22° above: horizontal
    EXPECT_EQ(d->angle2(), 0);
    d->resizeToPoint({10, -7}, 1, 0, {}, ShiftKeyMask); // 35°: the diagonal
    EXPECT_NEAR(d->angle1(), -45, 1e-5);
    EXPECT_NEAR(d->radius(), 10 * std::numbers::sqrt2, 1e-12);
    const std::pair<Point, Point> centre[] = {
        {{10, -4}, {10, 0}}, {{20, -7}, {20, 0}}, {{3, -10}, {0, -10}}};
    for (const auto& [to, at] : centre) {
        d->resizeToPoint(to, 0, 0, {}, ShiftKeyMask);
        EXPECT_EQ(d->center(), at);
    }
    d->resizeToPoint({7, 8}, 0, 0, {}, 0);
    d->resizeToPoint({70, 80}, 3, 0, {}, 0); // other handle numbers do nothing
    EXPECT_EQ(d->center(), Point(7, 8));
    d->endResize();
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

} // namespace
} // namespace qv

// Bézier, freehand and polyline shapes: building as the creation tools do,
// bounds that follow the curve, the even-odd rule, moving, scaling and
// mirroring paths, editing elements of turned shapes, reshaping anchors and
// tangents with their partners, and conversion of other shapes.

#include "ShapeTestSupport.h"

#include "shapes/BezierShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"

#include <array>
#include <cmath>

namespace qv {
namespace {

using namespace test;

using Pts = std::array<Point, 3>;

std::vector<Point> canvasPoints(const BezierShape& s) {
    return allPoints(s.bezierPath().transformedBy(s.transform()));
}
double cross(Point a, Point o, Point b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}
double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
const Pts& pts(const BezierShape& s, std::size_t i) {
    return s.bezierPath().elementAtIndex(i).points;
}

// Two curves meeting smoothly at (100, 0), then a closing curve back to the start.
BezierPath smoothClosedPath() {
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {20, -50}, {80, -30});
    p.curveToPoint({100, 100}, {120, 30}, {150, 80});
    p.curveToPoint({0, 0}, {50, 120}, {-20, 20});
    p.closePath();
    return p;
}

TEST(BezierShape, PointsControlsAndRemovalAsTheToolsUseThem) {
    BezierShape s;
    EXPECT_EQ(changePairs(s, [&] { s.removeLastElement(); }), 0);
    s.addPoint({10, 10});
    s.addPoint({50, 10}, true);
    Point p[3];
    EXPECT_EQ(s.elementAtIndex(1, p), PathElementType::CurveTo);
    EXPECT_EQ((Pts{p[0], p[1], p[2]}), (Pts{{{10, 10}, {50, 10}, {50, 10}}}));
    EXPECT_EQ(s.elementAtIndex(99, p), PathElementType::ClosePath);
    // Dragging mirrors the last control; the next curve starts along the drag.
    s.setLastControl({60, 30});
    EXPECT_EQ(pts(s, 1)[1], Point(40, -10));
    EXPECT_EQ(s.tempControl(), Point(60, 30));
    s.addPoint({90, 40}, true);
    EXPECT_EQ(pts(s, 2)[0], Point(60, 30));
    // The nearest curve before a trailing line gets the mirror image; with no
    // curve at all the path stays, though the change is still announced.
    BezierShape c;
    c.moveToPoint({0, 0});
    c.curveToPoint({10, 0}, {0, 5}, {5, 5});
    c.lineToPoint({20, 0});
    c.setLastControl({12, 4});
    EXPECT_EQ(pts(c, 1)[1], Point(8, -4));
    BezierShape lines;
    lines.moveToPoint({0, 0});
    lines.lineToPoint({5, 5});
    const BezierPath before = lines.bezierPath();
    EXPECT_EQ(changePairs(lines, [&] { lines.setLastControl({1, 2}); }), 1);
    EXPECT_EQ(lines.bezierPath(), before);
    // The first control only for a curve at element 1, the last point only
    // for a line at the end.
    BezierShape l;
    l.moveToPoint({0, 0});
    EXPECT_EQ(changePairs(l, [&] { l.setFirstControl({1, 1}), l.setLastPoint({1, 1}); }), 0);
    l.lineToPoint({10, 0});
    l.setFirstControl({1, 1});
    l.setLastPoint({12, 7});
    EXPECT_EQ(pts(l, 1)[0], Point(12, 7));
    EXPECT_EQ(l.bounds(), Rect(0, 0, 12, 7));
    c.removeLastElement();
    c.setFirstControl({-3, 4});
    c.setLastPoint({5, 5}); // a curve's end stays
    // Removing the last elements keeps the rest, the rule and tight bounds.
    c.lineToPoint({50, 50});
    c.closePath();
    c.removeLastElement();
    c.removeLastElement();
    ASSERT_EQ(c.elementCount(), 2u);
    EXPECT_EQ(pts(c, 1), (Pts{{{-3, 4}, {8, -4}, {10, 0}}}));
    EXPECT_EQ(c.bezierPath().windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(c.bounds(), c.bezierPath().bounds());
    c.removeLastElement();
    c.removeLastElement();
    EXPECT_EQ(c.elementCount(), 0u);
}

TEST(BezierShape, ToolSequencesGiveSmoothJoints) {
    // Bézier tool: each press appends a curve, each drag pulls the tangent;
    // closing onto the start also sets the first control. Every joint is
    // smooth: collinear tangents of equal length.
    BezierShape bez;
    const Point anchors[] = {{0, 0}, {100, 0}, {100, 100}},
                drags[] = {{20, -20}, {130, 10}, {90, 130}};
    bez.moveToPoint(anchors[0]);
    bez.setLastControl(drags[0]);
    for (int i = 1; i < 3; ++i) {
        bez.curveToPoint(anchors[i], drags[i - 1], anchors[i]);
        bez.setLastControl(drags[i]);
    }
    bez.curveToPoint(anchors[0], drags[2], anchors[0]);
    bez.setLastControl({-30, 10});
    bez.setFirstControl({-30, 10});
    bez.closePath();
    for (std::size_t i = 1; i < 4; ++i) {
        const Point in = pts(bez, i)[1], anchor = pts(bez, i)[2],
                    out = pts(bez, i < 3 ? i + 1 : 1)[0];
        EXPECT_NEAR(cross(in, anchor, out), 0, 1e-9) << i;
        EXPECT_NEAR(distance(in, anchor), distance(out, anchor), 1e-9) << i;
    }
}

// Bounds are the tight box of the curve, at least a tenth on each side;
// installed paths fill even-odd; moves and resizes move the points; the
// bounds it has change nothing, not even the sign of a zero.
TEST(BezierShape, BoundsFollowTheCurveAndScaleThePath) {
    BezierShape s;
    s.setBounds({5, 5, 50, 50});
    EXPECT_EQ(s.bounds(), Rect());
    s.moveToPoint({0, 0});
    EXPECT_EQ(s.bounds(), Rect(0, 0, kTenth, kTenth));
    s.curveToPoint({100, 0}, {0, 100}, {100, 100});
    EXPECT_NEAR(s.bounds().height(), 75, 1e-12); // the curve reaches 75, its controls 100
    EXPECT_EQ(s.visibleBoundsInView(nullptr).maxY(), 200);

    BezierPath nested = BezierPath::bezierPathWithRect({0, 0, 100, 100});
    nested.appendBezierPath(BezierPath::bezierPathWithRect({25, 25, 50, 50}));
    s.setPath(nested);
    EXPECT_FALSE(s.hitTestPoint({50, 50}));
    EXPECT_TRUE(s.hitTestPoint({10, 50}));
    RecordingGraphicsContext gc;
    s.drawInView(gc, nullptr);
    EXPECT_EQ(gc.fills().at(0).windingRule(), WindingRule::EvenOdd);

    s.offset({5, -5});
    EXPECT_EQ(pts(s, 0)[0], Point(5, -5));
    s.setBounds({0, 0, 80, 20});
    EXPECT_EQ(pts(s, 2)[0], Point(80, 20));
    s.setBounds({0, 0, 0, -3});
    expectNear(s.bounds(), {0, 0, 0.1, 0.1}, 1e-8);
    const BezierPath before = s.bezierPath();
    s.setBounds({NAN, 0, 10, 10});
    s.setBounds({0, 0, INFINITY, 10});
    EXPECT_EQ(s.bezierPath(), before);
    s.setPath(BezierPath::bezierPathWithRect({0, 0, 100, 100}));
    s.beginResize();
    s.resizeToPoint({200, 50}, 2, 2, {0, 0}, 0);
    s.endResize();
    EXPECT_EQ(pts(s, 1)[0], Point(200, 0));
    BezierPath p;
    p.moveToPoint({5, -0.0});
    p.lineToPoint({50, 20});
    s.setPath(p);
    s.setBounds(s.bounds());
    EXPECT_TRUE(std::signbit(pts(s, 0)[0].y));
}

// Random paths and rotations: a flip mirrors every point within the same box
// and a second gives them back; editing one element of a turned shape leaves
// every other point where it was on the canvas.
TEST(BezierShape, FlipsAndElementEditsOfTurnedRandomPaths) {
    Random random(7);
    for (int round = 0; round < 20; ++round) {
        for (int axis = 0; axis < 2; ++axis) {
            BezierShape s;
            s.setPath(random.path());
            s.setRotation(round * 17);
            const Rect b = s.bounds();
            const BezierPath original = s.bezierPath();
            const std::vector<Point> a = allPoints(original);
            s.flip(axis);
            EXPECT_NE(s.bezierPath(), original);
            expectNear(s.bounds(), b);
            EXPECT_EQ(s.rotation(), Shape::normalizedRotation(360 - round * 17));
            const std::vector<Point> m = allPoints(s.bezierPath());
            ASSERT_EQ(a.size(), m.size());
            for (std::size_t i = 0; i < a.size(); ++i)
                expectNear(m[i], axis == 0 ? Point{b.minX() + b.maxX() - a[i].x, a[i].y}
                                           : Point{a[i].x, b.minY() + b.maxY() - a[i].y});
            s.flip(axis);
            const std::vector<Point> back = allPoints(s.bezierPath());
            for (std::size_t i = 0; i < a.size(); ++i)
                expectNear(back[i], a[i]);
        }
    }
    BezierShape s; // whatever the edits, the bounds follow the path
    s.setPath(Random(5).path());
    s.setRotation(33);
    s.reshapeToPoint({1, 2}, 1, 0, 0);
    s.flip(1);
    s.setBounds({0, 0, 10, 300});
    EXPECT_EQ(s.bounds(), s.bezierPath().bounds());
    BezierShape empty;
    empty.setRotation(30);
    empty.flip(0);
    EXPECT_EQ(empty.rotation(), 30);

    Random edits(11);
    for (int round = 0; round < 50; ++round) {
        BezierShape s;
        s.setPath(edits.path());
        s.setRotation(edits.real(0, 360));
        const std::size_t index =
            static_cast<std::size_t>(edits.integer(0, int(s.elementCount()) - 1));
        if (s.bezierPath().elementAtIndex(index).type == PathElementType::ClosePath)
            continue;
        const std::vector<Point> before = canvasPoints(s);
        const Point to[3] = {edits.point(-300, 300), edits.point(-300, 300),
                             edits.point(-300, 300)};
        s.setAssociatedPoints(to, index);
        const std::vector<Point> after = canvasPoints(s);
        for (std::size_t i = 0, k = 0; i < s.elementCount(); ++i)
            for (int j = 0; j < s.bezierPath().elementAtIndex(i).pointCount(); ++j, ++k)
                if (i != index)
                    expectNear(after[k], before[k], 1e-8);
        EXPECT_EQ(s.bounds(), s.bezierPath().bounds());
    }
}

// Points are found in element order within 4 px (4 points at zoom 1, 1 at
// zoom 4); a trailing move-to has no handle.
TEST(BezierShape, ReshapeHitTestFindsPointsInElementOrder) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {30, -40}, {70, -40});
    p.lineToPoint({100, 100});
    p.closePath();
    p.moveToPoint({300, 300});
    s.setPath(p);
    const ZoomView one(1), four(4);
    const std::tuple<Point, const ZoomView*, bool, std::size_t, int> rows[] = {
        {{2, -3}, &one, true, 0, 0},       {{31, -39}, &one, true, 1, 0},
        {{70, -40}, &one, true, 1, 1},     {{99, 1}, &one, true, 1, 2},
        {{103, 100}, &one, true, 2, 0},    {{100.9, 100}, &four, true, 2, 0},
        {{103, 100}, &four, false, 42, 7}, {{300, 300}, &one, false, 42, 7},
        {{50, 50}, &one, false, 42, 7}};
    for (const auto& [at, view, hit, element, point] : rows) {
        std::size_t e = 42;
        int k = 7;
        EXPECT_EQ(s.hitTestReshapeControl(at, e, k, view), hit) << at.x;
        EXPECT_EQ(e, element) << at.x;
        EXPECT_EQ(k, point) << at.x;
    }
}

// Moving an anchor carries its tangents (and the start of a closed subpath
// the closing curve's end); dragging a tangent turns its partner about the
// anchor, keeping the partner's length, unless Option is held or there is no
// partner: across lines, at open starts, at the end, onto the anchor itself.
TEST(BezierShape, ReshapingAnchorsAndTangents) {
    const BezierPath smooth = smoothClosedPath();
    auto at = [](const BezierPath& p, std::size_t e, int k) {
        return p.elementAtIndex(e).points[static_cast<std::size_t>(k)];
    };
    BezierShape s;
    s.setPath(smooth);
    s.reshapeToPoint({110, 10}, 1, 2, 0);
    EXPECT_EQ(pts(s, 1), (Pts{at(smooth, 1, 0), {90, -20}, {110, 10}}));
    EXPECT_EQ(pts(s, 2)[0], Point(130, 40));
    EXPECT_EQ(pts(s, 3), smooth.elementAtIndex(3).points);
    s.setPath(smooth);
    s.reshapeToPoint({-5, 7}, 0, 0, 0);
    EXPECT_EQ(pts(s, 3), (Pts{at(smooth, 3, 0), {-25, 27}, {-5, 7}}));
    EXPECT_EQ(pts(s, 1)[0], Point(15, -43));

    struct Row {
        Point to;
        std::size_t element;
        int point;
        unsigned flags;
        std::size_t partnerElement;
        int partnerPoint;
        Point anchor;
        bool turns;
    };
    const Row rows[] = {{{100, -60}, 1, 1, 0, 2, 0, {100, 0}, true},
                        {{100, -60}, 1, 1, AlternateKeyMask, 2, 0, {100, 0}, false},
                        {{100, 50}, 2, 0, 0, 1, 1, {100, 0}, true},
                        {{0, -40}, 1, 0, 0, 3, 1, {0, 0}, true},
                        {{-40, 0}, 3, 1, 0, 1, 0, {0, 0}, true},
                        {{100, 0}, 1, 1, 0, 2, 0, {100, 0}, false}};
    for (const Row& r : rows) {
        s.setPath(smooth);
        s.reshapeToPoint(r.to, r.element, r.point, r.flags);
        EXPECT_EQ(at(s.bezierPath(), r.element, r.point), r.to);
        const Point was = at(smooth, r.partnerElement, r.partnerPoint);
        const Point now = at(s.bezierPath(), r.partnerElement, r.partnerPoint);
        EXPECT_NEAR(distance(now, r.anchor), distance(was, r.anchor), 1e-9);
        if (!r.turns) {
            EXPECT_EQ(now, was);
            continue;
        }
        const Point from = at(smooth, r.element, r.point), o = r.anchor;
        auto angle = [&](Point a, Point b) {
            return std::atan2(cross(a, o, b),
                              (a.x - o.x) * (b.x - o.x) + (a.y - o.y) * (b.y - o.y));
        };
        EXPECT_NEAR(std::remainder(angle(r.to, now) - angle(from, was), 2 * M_PI), 0, 1e-6);
        EXPECT_EQ(pts(s, 3)[2], Point(0, 0));
    }

    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {20, -50}, {80, -30});
    p.lineToPoint({100, 100});
    p.curveToPoint({0, 100}, {80, 120}, {20, 120});
    s.setPath(p);
    s.reshapeToPoint({10, -60}, 1, 0, 0); // open start: no closing curve
    s.reshapeToPoint({90, 130}, 3, 0, 0); // after a line
    s.reshapeToPoint({10, 130}, 3, 1, 0); // the last element
    s.reshapeToPoint({100, 0}, 1, 1, 0);  // next is a line
    s.reshapeToPoint({-5, 7}, 0, 0, 0);   // an open subpath's start
    EXPECT_EQ(pts(s, 1), (Pts{{{5, -53}, {100, 0}, {100, 0}}}));
    EXPECT_EQ(pts(s, 3), (Pts{{{90, 130}, {10, 130}, {0, 100}}}));
    EXPECT_EQ(pts(s, 2), p.elementAtIndex(2).points);
    const BezierPath after = s.bezierPath();
    s.reshapeToPoint({1, 1}, 99, 0, 0); // out of range, or a line's control
    s.reshapePointToPoint({1, 1}, 99, 0);
    s.reshapeControl1ToPoint({1, 1}, 2, 0);
    EXPECT_EQ(s.bezierPath(), after);
}

// On a turned shape the dragged point lands under the pointer and the points
// no rule moves stay where they were on the canvas.
TEST(BezierShape, ReshapingATurnedShapeKeepsEveryOtherPointInPlace) {
    Random random(3);
    for (int round = 0; round < 60; ++round) {
        BezierShape s;
        s.setPath(round % 2 ? smoothClosedPath() : random.path());
        s.setRotation(round % 3 ? 45 : round * 7.5);
        std::size_t element = 0;
        int point = 0;
        const std::vector<Point> before = canvasPoints(s);
        const Point target = before[static_cast<std::size_t>(round) % before.size()];
        if (!s.hitTestReshapeControl(target, element, point, nullptr))
            continue;
        const Point to{target.x + 13, target.y - 21};
        const BezierPath local = s.bezierPath();
        s.reshapeToPoint(to, element, point, round % 4 == 0 ? unsigned(AlternateKeyMask) : 0u);
        const std::vector<Point> after = canvasPoints(s);
        const std::size_t n = local.elementCount();
        for (std::size_t i = 0, m = 0; i < n; ++i) {
            const bool near = i + 1 >= element && i <= element + 1;
            const bool closing = local.elementAtIndex(i).type == PathElementType::CurveTo &&
                                 i + 1 < n &&
                                 local.elementAtIndex(i + 1).type == PathElementType::ClosePath;
            const bool start = i > 0 && local.elementAtIndex(i - 1).type == PathElementType::MoveTo;
            for (int j = 0; j < local.elementAtIndex(i).pointCount(); ++j, ++m) {
                if (i == element && j == point)
                    expectNear(after[m], to, 1e-8);
                else if (!near && !closing && !start && i != n - 1)
                    expectNear(after[m], before[m], 1e-8);
            }
        }
    }
}

TEST(BezierShape, ConversionKeepsTheOutlineInPlace) {
    auto star = box<RegularPolygonShape>({10, 20, 100, 80}, 70);
    star->setNumberOfSides(5);
    star->setStellation(0.5);
    star->stroke().setWidth(3);
    auto rect = box<RectangleShape>({-5, 5, 30, 40}, 200);
    for (const Shape* shape :
         {static_cast<const Shape*>(star.get()), static_cast<const Shape*>(rect.get())}) {
        const std::shared_ptr<BezierShape> b = shape->bezierShape();
        ASSERT_TRUE(b);
        EXPECT_EQ(b->rotation(), shape->rotation());
        EXPECT_EQ(b->stroke().width(), shape->stroke().width());
        const std::vector<Point> shown = allPoints(*shape->transformedPath()),
                                 converted = canvasPoints(*b);
        ASSERT_EQ(shown.size(), converted.size());
        for (std::size_t i = 0; i < shown.size(); ++i)
            expectNear(converted[i], shown[i], 1e-9);
    }
}

} // namespace
} // namespace qv

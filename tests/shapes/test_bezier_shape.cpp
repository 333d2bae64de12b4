// Bézier, freehand and polyline shapes: building as the creation tools do it,
// bounds that follow the path, moving, scaling and mirroring, editing single
// elements of rotated shapes, reshaping anchors and tangents, reshape handles,
// undo through the document, and files.

#include "ShapeTestSupport.h"

#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"

#include <array>
#include <cmath>
#include <numbers>

namespace qv {
namespace {

using namespace test;

using T = PathElementType;
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

// The angle from the direction o→a to the direction o→b, in radians.
double angleBetween(Point a, Point o, Point b) {
    const double dot = (a.x - o.x) * (b.x - o.x) + (a.y - o.y) * (b.y - o.y);
    return std::atan2(cross(a, o, b), dot);
}

// Whether the handles a and b about anchor o keep the angle between them and
// b its length, after a moved.
void expectTurnedWith(Point aBefore, Point bBefore, Point aAfter, Point bAfter, Point o) {
    EXPECT_NEAR(angleBetween(aAfter, o, bAfter), angleBetween(aBefore, o, bBefore), 1e-6);
    EXPECT_NEAR(distance(bAfter, o), distance(bBefore, o), 1e-9);
}

BezierPath squarePath(double x, double y, double side) {
    return BezierPath::bezierPathWithRect({x, y, side, side});
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

const PathElement& el(const BezierShape& s, std::size_t i) {
    return s.bezierPath().elementAtIndex(i);
}

// ---------------------------------------------------------------------------
// Building

TEST(BezierBuilding, PointsControlsAndRemovalAsTheToolsUseThem) {
    BezierShape s;
    EXPECT_EQ(changePairs(s, [&] { s.removeLastElement(); }), 0);
    EXPECT_GE(changePairs(s,
                          [&] {
                              s.addPoint({10, 10});
                              s.addPoint({50, 10}, true);
                          }),
              2);
    ASSERT_EQ(s.elementCount(), 2u);
    Point pts[3];
    EXPECT_EQ(s.elementAtIndex(0, pts), T::MoveTo);
    EXPECT_EQ(pts[0], Point(10, 10));
    EXPECT_EQ(s.elementAtIndex(1, pts), T::CurveTo);
    EXPECT_EQ((Pts{pts[0], pts[1], pts[2]}), (Pts{{{10, 10}, {50, 10}, {50, 10}}}));
    EXPECT_EQ(s.tempControl(), Point(50, 10));
    EXPECT_EQ(s.elementAtIndex(99, pts), T::ClosePath);
    // Dragging mirrors the last control; the next curve starts along the drag.
    s.setLastControl({60, 30});
    EXPECT_EQ(el(s, 1).points[1], Point(40, -10));
    EXPECT_EQ(s.tempControl(), Point(60, 30));
    s.addPoint({90, 40}, true);
    EXPECT_EQ(el(s, 2).points[0], Point(60, 30));

    // The nearest curve before a trailing line gets the mirror image; with no
    // curve at all the path stays, though the change is still announced.
    BezierShape c;
    c.moveToPoint({0, 0});
    c.curveToPoint({10, 0}, {0, 5}, {5, 5});
    c.lineToPoint({20, 0});
    c.setLastControl({12, 4});
    EXPECT_EQ(el(c, 1).points[1], Point(8, -4));
    BezierShape lines;
    lines.moveToPoint({0, 0});
    lines.lineToPoint({5, 5});
    const BezierPath before = lines.bezierPath();
    EXPECT_EQ(changePairs(lines, [&] { lines.setLastControl({1, 2}); }), 1);
    EXPECT_EQ(lines.bezierPath(), before);
    EXPECT_EQ(lines.tempControl(), Point(1, 2));

    // The first control only for a curve at element 1, the last point only
    // for a line at the end.
    BezierShape l;
    l.moveToPoint({0, 0});
    EXPECT_EQ(changePairs(l,
                          [&] {
                              l.setFirstControl({1, 1});
                              l.setLastPoint({1, 1});
                          }),
              0);
    l.lineToPoint({10, 0});
    l.setFirstControl({1, 1});
    EXPECT_EQ(el(l, 1).points[0], Point(10, 0));
    l.setLastPoint({12, 7});
    EXPECT_EQ(el(l, 1).points[0], Point(12, 7));
    EXPECT_EQ(l.bounds(), Rect(0, 0, 12, 7));
    c.removeLastElement();
    c.setFirstControl({-3, 4});
    EXPECT_EQ(el(c, 1).points[0], Point(-3, 4));
    c.setLastPoint({5, 5}); // a curve's end stays
    // Removing the last elements keeps the rest, the rule and tight bounds.
    c.lineToPoint({50, 50});
    c.closePath();
    c.removeLastElement();
    c.removeLastElement();
    ASSERT_EQ(c.elementCount(), 2u);
    EXPECT_EQ(el(c, 1).points, (Pts{{{-3, 4}, {8, -4}, {10, 0}}}));
    EXPECT_EQ(c.bezierPath().windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(c.bounds(), c.bezierPath().bounds());
    c.removeLastElement();
    c.removeLastElement();
    EXPECT_EQ(c.elementCount(), 0u);
}

TEST(BezierBuilding, ToolSequencesGiveTheExpectedPaths) {
    // Polyline: clicks at A, B, C with a rubber band that follows the pointer,
    // then a click near A replaces the band by a close.
    PolylineShape poly;
    poly.moveToPoint({0, 0});
    poly.lineToPoint({0, 0}); // the band
    for (Point p : {Point(40, 5), Point(50, 0)})
        poly.setLastPoint(p);
    poly.lineToPoint({50, 0});
    poly.setLastPoint({50, 40});
    poly.lineToPoint({50, 40});
    poly.setLastPoint({1, 1});
    poly.removeLastElement();
    poly.closePath();
    ASSERT_EQ(poly.elementCount(), 4u);
    EXPECT_EQ(poly.bezierPath().elementAtIndex(3).type, T::ClosePath);
    EXPECT_EQ(poly.bounds(), Rect(0, 0, 50, 40));
    EXPECT_TRUE(poly.hitTestPoint({40, 20}));  // inside the triangle
    EXPECT_FALSE(poly.hitTestPoint({10, 30})); // below its diagonal

    // Bézier tool: each press appends a curve to the press point, each drag
    // pulls the tangent; closing onto the start also sets the first control.
    BezierShape bez;
    const Point anchors[] = {{0, 0}, {100, 0}, {100, 100}};
    const Point drags[] = {{20, -20}, {130, 10}, {90, 130}};
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
    // Every joint is smooth: the tangents on both sides of an anchor are
    // collinear and of equal length.
    for (std::size_t i = 1; i < 4; ++i) {
        const Point in = el(bez, i).points[1], anchor = el(bez, i).points[2];
        const Point out = el(bez, i < 3 ? i + 1 : 1).points[0];
        EXPECT_NEAR(cross(in, anchor, out), 0, 1e-9) << i;
        EXPECT_NEAR(distance(in, anchor), distance(out, anchor), 1e-9) << i;
    }
}

TEST(BezierBounds, TightBoxOfTheCurveWithMinimumSize) {
    BezierShape s;
    s.setBounds({5, 5, 50, 50}); // an empty path keeps its bounds
    EXPECT_EQ(s.bounds(), Rect());
    s.moveToPoint({0, 0});
    EXPECT_EQ(s.bounds(), Rect(0, 0, 0.10000000149011612, 0.10000000149011612));
    s.curveToPoint({100, 0}, {0, 100}, {100, 100});
    // The curve reaches 75, its control points 100.
    EXPECT_NEAR(s.bounds().height(), 75, 1e-12);
    EXPECT_EQ(s.bounds().width(), 100);
    EXPECT_EQ(s.visibleBoundsInView(nullptr).maxY(), 200); // control points, plus margin
}

// ---------------------------------------------------------------------------
// Installing, moving, scaling, flipping

TEST(BezierPathInstall, EvenOddMakesHolesOfNestedSubpaths) {
    BezierPath nested = squarePath(0, 0, 100);
    nested.appendBezierPath(squarePath(25, 25, 50));
    ASSERT_EQ(nested.windingRule(), WindingRule::NonZero);
    BezierShape s;
    s.setPath(nested);
    EXPECT_EQ(s.bezierPath().windingRule(), WindingRule::EvenOdd);
    EXPECT_FALSE(s.hitTestPoint({50, 50}));
    EXPECT_TRUE(s.hitTestPoint({10, 50}));
    EXPECT_EQ(s.bounds(), Rect(0, 0, 100, 100));
    // The fill goes to the surface with the same rule.
    RecordingGraphicsContext gc;
    s.drawInView(gc, nullptr);
    ASSERT_FALSE(gc.fills().empty());
    EXPECT_EQ(gc.fills()[0].windingRule(), WindingRule::EvenOdd);
}

TEST(BezierPathInstall, MovingResizingAndTheBoundsItHas) {
    BezierShape s;
    s.setPath(squarePath(10, 20, 40));
    s.offset({5, -5});
    EXPECT_EQ(s.bounds(), Rect(15, 15, 40, 40));
    EXPECT_EQ(el(s, 0).points[0], Point(15, 15));
    s.setBounds({0, 0, 80, 20});
    EXPECT_EQ(s.bounds(), Rect(0, 0, 80, 20));
    EXPECT_EQ(el(s, 2).points[0], Point(80, 20));
    // A request below the minimum size flattens to 0.1.
    s.setBounds({0, 0, 0, -3});
    expectNear(s.bounds(), {0, 0, 0.1, 0.1}, 1e-8);
    // A non-finite request changes nothing.
    const BezierPath before = s.bezierPath();
    s.setBounds({NAN, 0, 10, 10});
    s.setBounds({0, 0, INFINITY, 10});
    EXPECT_EQ(s.bezierPath(), before);

    // By a handle, the path scales.
    s.setPath(squarePath(0, 0, 100));
    s.beginResize();
    s.resizeToPoint({200, 50}, 2, 2, {0, 0}, 0);
    s.endResize();
    EXPECT_EQ(s.bounds(), Rect(0, 0, 200, 50));
    EXPECT_EQ(el(s, 1).points[0], Point(200, 0));

    // The bounds it has change nothing, not even the sign of a zero.
    BezierPath p;
    p.moveToPoint({5, -0.0});
    p.lineToPoint({50, 20});
    s.setPath(p);
    s.setBounds(s.bounds());
    EXPECT_TRUE(std::signbit(el(s, 0).points[0].y));
}

TEST(BezierPathInstall, FlipMirrorsWithinTheSameBox) {
    Random random(7);
    for (int round = 0; round < 20; ++round) {
        for (int axis = 0; axis < 2; ++axis) {
            BezierShape s;
            s.setPath(random.path());
            s.setRotation(round * 17);
            const Rect box = s.bounds();
            const BezierPath original = s.bezierPath();
            const std::vector<Point> a = allPoints(original);
            s.flip(axis);
            EXPECT_NE(s.bezierPath(), original);
            expectNear(s.bounds(), box);
            EXPECT_EQ(s.rotation(), Shape::normalizedRotation(360 - round * 17));
            const std::vector<Point> b = allPoints(s.bezierPath());
            ASSERT_EQ(a.size(), b.size());
            for (std::size_t i = 0; i < a.size(); ++i)
                expectNear(b[i], axis == 0 ? Point{box.minX() + box.maxX() - a[i].x, a[i].y}
                                           : Point{a[i].x, box.minY() + box.maxY() - a[i].y});
            s.flip(axis);
            const std::vector<Point> c = allPoints(s.bezierPath());
            for (std::size_t i = 0; i < a.size(); ++i)
                expectNear(c[i], a[i]);
        }
    }
    BezierShape empty;
    empty.setRotation(30);
    empty.flip(0);
    EXPECT_EQ(empty.rotation(), 30);
}

// ---------------------------------------------------------------------------
// Editing elements of rotated shapes

TEST(BezierEditing, SetAssociatedPointsKeepsUntouchedPointsOnTheCanvas) {
    Random random(11);
    for (int round = 0; round < 50; ++round) {
        BezierShape s;
        s.setPath(random.path());
        s.setRotation(random.real(0, 360));
        const std::size_t n = s.elementCount();
        const std::size_t index =
            std::uniform_int_distribution<std::size_t>(0, n - 1)(random.engine());
        if (el(s, index).type == T::ClosePath)
            continue;
        const std::vector<Point> before = canvasPoints(s);
        Point pts[3];
        for (Point& p : pts)
            p = random.point(-300, 300);
        s.setAssociatedPoints(pts, index);
        const std::vector<Point> after = canvasPoints(s);
        std::size_t k = 0;
        for (std::size_t i = 0; i < n; ++i)
            for (int j = 0; j < el(s, i).pointCount(); ++j, ++k)
                if (i != index)
                    expectNear(after[k], before[k], 1e-8);
    }
    // Whatever the edits, the bounds follow the path.
    BezierShape s;
    s.setPath(Random(5).path());
    s.setRotation(33);
    s.reshapeToPoint({1, 2}, 1, 0, 0);
    s.flip(1);
    s.offset({3, 4});
    s.setBounds({0, 0, 10, 300});
    EXPECT_EQ(s.bounds(), s.bezierPath().bounds());
}

// ---------------------------------------------------------------------------
// Reshaping

TEST(BezierReshape, HitTestFindsPointsInElementOrder) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {30, -40}, {70, -40});
    p.lineToPoint({100, 100});
    p.closePath();
    p.moveToPoint({300, 300}); // trailing: no handle
    s.setPath(p);
    const ZoomView one(1), four(4);
    struct Row {
        Point at;
        const ZoomView* view;
        bool hit;
        std::size_t element;
        int point;
    };
    // The reach is 4 px either side: 4 points at zoom 1, 1 point at zoom 4.
    const Row rows[] = {{{2, -3}, &one, true, 0, 0},       {{31, -39}, &one, true, 1, 0},
                        {{70, -40}, &one, true, 1, 1},     {{99, 1}, &one, true, 1, 2},
                        {{100, 100}, &one, true, 2, 0},    {{103, 100}, &one, true, 2, 0},
                        {{100.9, 100}, &four, true, 2, 0}, {{103, 100}, &four, false, 42, 7},
                        {{300, 300}, &one, false, 42, 7},  {{50, 50}, &one, false, 42, 7}};
    for (const Row& r : rows) {
        std::size_t element = 42;
        int point = 7;
        EXPECT_EQ(s.hitTestReshapeControl(r.at, element, point, r.view), r.hit) << r.at.x;
        EXPECT_EQ(element, r.element) << r.at.x;
        EXPECT_EQ(point, r.point) << r.at.x;
    }
}

TEST(BezierReshape, MovingAnAnchorCarriesItsTangentsAndTheClosingCurve) {
    const BezierPath before = smoothClosedPath();
    BezierShape s;
    s.setPath(before);
    s.reshapeToPoint({110, 10}, 1, 2, 0);
    auto moved = [&](std::size_t i, std::size_t k) {
        const Point p = before.elementAtIndex(i).points[k];
        return Point{p.x + 10, p.y + 10};
    };
    EXPECT_EQ(el(s, 1).points, (Pts{before.elementAtIndex(1).points[0], moved(1, 1), {110, 10}}));
    EXPECT_EQ(el(s, 2).points[0], moved(2, 0));
    EXPECT_EQ(el(s, 2).points[1], before.elementAtIndex(2).points[1]);
    EXPECT_EQ(el(s, 3).points, before.elementAtIndex(3).points);
    EXPECT_EQ(el(s, 0).points[0], Point(0, 0));

    // The start of a closed subpath carries the closing curve's end.
    s.setPath(before);
    s.reshapeToPoint({-5, 7}, 0, 0, 0);
    EXPECT_EQ(el(s, 0).points[0], Point(-5, 7));
    EXPECT_EQ(el(s, 3).points, (Pts{before.elementAtIndex(3).points[0], {-25, 27}, {-5, 7}}));
    EXPECT_EQ(el(s, 1).points[0], Point(15, -43));

    // An open subpath has no closing curve to carry along.
    BezierPath open;
    open.moveToPoint({0, 0});
    for (std::size_t i = 1; i < 4; ++i) {
        const PathElement& e = before.elementAtIndex(i);
        open.curveToPoint(e.points[2], e.points[0], e.points[1]);
    }
    s.setPath(open);
    s.reshapeToPoint({-5, 7}, 0, 0, 0);
    EXPECT_EQ(el(s, 3).points[2], Point(0, 0));
}

TEST(BezierReshape, DraggingATangentTurnsItsPartnerUnlessOptionIsHeld) {
    const BezierPath smooth = smoothClosedPath();
    const Point anchor{100, 0};
    const Point partnerBefore = smooth.elementAtIndex(2).points[0];
    ASSERT_NEAR(cross(smooth.elementAtIndex(1).points[1], anchor, partnerBefore), 0, 1e-9);
    for (const bool option : {false, true}) {
        BezierShape s;
        s.setPath(smooth);
        s.reshapeToPoint({100, -60}, 1, 1, option ? unsigned(AlternateKeyMask) : 0u);
        const Point dragged = el(s, 1).points[1], partner = el(s, 2).points[0];
        EXPECT_EQ(dragged, Point(100, -60));
        if (option) {
            EXPECT_EQ(partner, partnerBefore);
        } else {
            // Still a straight line through the anchor, the partner on the
            // other side with its length.
            EXPECT_NEAR(std::fabs(angleBetween(dragged, anchor, partner)), std::numbers::pi, 1e-6);
            EXPECT_NEAR(distance(partner, anchor), distance(partnerBefore, anchor), 1e-9);
        }
    }

    // Element 2's control 1 turns element 1's control 2; element 1's control
    // 1, after the move-to, turns the closing curve's control 2 about the
    // start; the closing curve's control 2 turns element 1's control 1.
    struct Row {
        Point to;
        std::size_t element;
        int point;
        std::size_t partnerElement;
        int partnerPoint;
        Point anchor;
    };
    for (const Row& r : {Row{{100, 50}, 2, 0, 1, 1, {100, 0}}, Row{{0, -40}, 1, 0, 3, 1, {0, 0}},
                         Row{{-40, 0}, 3, 1, 1, 0, {0, 0}}}) {
        BezierShape s;
        s.setPath(smooth);
        s.reshapeToPoint(r.to, r.element, r.point, 0);
        const auto at = [](const BezierPath& p, std::size_t e, int k) {
            return p.elementAtIndex(e).points[static_cast<std::size_t>(k)];
        };
        expectTurnedWith(at(smooth, r.element, r.point),
                         at(smooth, r.partnerElement, r.partnerPoint), r.to,
                         at(s.bezierPath(), r.partnerElement, r.partnerPoint), r.anchor);
        EXPECT_EQ(el(s, 3).points[2], Point(0, 0));
    }
    // A tangent dropped onto its anchor has no direction: the partner stays.
    BezierShape onto;
    onto.setPath(smooth);
    onto.reshapeToPoint({100, 0}, 1, 1, 0);
    EXPECT_EQ(el(onto, 2).points[0], smooth.elementAtIndex(2).points[0]);
}

TEST(BezierReshape, NoPartnerAcrossLinesOpenStartsOrTheAnchorItself) {
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {20, -50}, {80, -30});
    p.lineToPoint({100, 100});
    p.curveToPoint({0, 100}, {80, 120}, {20, 120});
    BezierShape s;
    s.setPath(p);
    s.reshapeToPoint({10, -60}, 1, 0, 0); // open start: no closing curve
    s.reshapeToPoint({90, 130}, 3, 0, 0); // after a line: no partner
    s.reshapeToPoint({10, 130}, 3, 1, 0); // last element: no partner
    s.reshapeToPoint({100, 0}, 1, 1, 0);  // next is a line: no partner
    EXPECT_EQ(el(s, 1).points, (Pts{{{10, -60}, {100, 0}, {100, 0}}}));
    EXPECT_EQ(el(s, 3).points, (Pts{{{90, 130}, {10, 130}, {0, 100}}}));
    EXPECT_EQ(el(s, 2).points, p.elementAtIndex(2).points);
    EXPECT_EQ(el(s, 0).points, p.elementAtIndex(0).points);
    // Out of range indices and close-paths are left alone.
    const BezierPath after = s.bezierPath();
    s.reshapeToPoint({1, 1}, 99, 0, 0);
    s.reshapePointToPoint({1, 1}, 99, 0);
    s.reshapeControl1ToPoint({1, 1}, 2, 0); // a line has no control
    EXPECT_EQ(s.bezierPath(), after);
}

TEST(BezierReshape, RotatedShapeKeepsEveryOtherPointInPlace) {
    Random random(3);
    for (int round = 0; round < 60; ++round) {
        BezierShape s;
        s.setPath(round % 2 ? smoothClosedPath() : random.path());
        s.setRotation(round % 3 ? 45 : round * 7.5);
        std::size_t element = 0;
        int point = 0;
        // Pick a point through the hit test, as the reshape tool does.
        const std::vector<Point> before = canvasPoints(s);
        const Point target = before[static_cast<std::size_t>(round) % before.size()];
        if (!s.hitTestReshapeControl(target, element, point, nullptr))
            continue;
        const Point to{target.x + 13, target.y - 21};
        const BezierPath local = s.bezierPath();
        s.reshapeToPoint(to, element, point, round % 4 == 0 ? unsigned(AlternateKeyMask) : 0u);
        const std::vector<Point> after = canvasPoints(s);
        // The dragged point lands under the pointer; points that no rule
        // moves stay where they were on the canvas: the elements away from
        // the dragged one and its neighbours.
        std::size_t m = 0;
        for (std::size_t i = 0; i < local.elementCount(); ++i) {
            const bool near = i + 1 >= element && i <= element + 1;
            const bool closing = local.elementAtIndex(i).type == T::CurveTo &&
                                 i + 1 < local.elementCount() &&
                                 local.elementAtIndex(i + 1).type == T::ClosePath;
            const bool subpathStart = i > 0 && local.elementAtIndex(i - 1).type == T::MoveTo;
            const bool last = i == local.elementCount() - 1;
            for (int j = 0; j < local.elementAtIndex(i).pointCount(); ++j, ++m) {
                if (i == element && j == point)
                    expectNear(after[m], to, 1e-8);
                else if (!near && !closing && !subpathStart && !last)
                    expectNear(after[m], before[m], 1e-8);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Undo through the document

TEST(BezierUndo, EveryEditIsUndoneAndRedoneExactly) {
    // As many random paths as there are edits, each shape taking every edit.
    Random random(21);
    for (int round = 0; round < 16; ++round) {
        const double rotation = round % 2 ? 37.0 : 0.0;
        DrawDocument document;
        auto s = std::make_shared<BezierShape>();
        // Element 1 is a curve, so every edit below applies.
        BezierPath withCurve;
        withCurve.moveToPoint({0, 0});
        withCurve.curveToPoint({80, 10}, {20, -40}, {60, -40});
        withCurve.appendBezierPath(random.path());
        s->setPath(withCurve);
        s->setRotation(rotation);
        s->fill().setStyle(2);
        document.setShapes({s});
        UndoScript script(document);
        script.step("reshape anchor", [&] { s->reshapeToPoint({5, 5}, 1, 2, 0); });
        script.step("reshape control", [&] { s->reshapeToPoint({-50, 30}, 1, 1, 0); });
        script.step("move", [&] { s->offset({12.5, -3}); });
        script.step("resize", [&] {
            s->beginResize();
            s->resizeToPoint({400, 380}, 2, 2, s->transform().transformPoint(s->bounds().origin),
                             0);
            s->endResize();
        });
        script.step("flip", [&] { s->flip(0); });
        script.step("add point", [&] { s->addPoint({500, -500}, true); });
        script.step("remove", [&] { s->removeLastElement(); });
        script.step("edit element", [&] {
            const Point pts[3] = {{1, 2}, {3, 4}, {5, 6}};
            s->setAssociatedPoints(pts, 1);
        });
        script.undoAndRedoAll();
    }
}

// ---------------------------------------------------------------------------
// Conversion

TEST(BezierShapeBasics, ConversionKeepsTheOutlineInPlace) {
    auto star = std::make_shared<RegularPolygonShape>();
    star->setBounds({10, 20, 100, 80});
    star->setNumberOfSides(5);
    star->setStellation(0.5);
    star->setRotation(70);
    star->stroke().setWidth(3);
    RectangleShape rect;
    rect.setBounds({-5, 5, 30, 40});
    rect.setRotation(200);
    for (const Shape* shape : std::initializer_list<const Shape*>{star.get(), &rect}) {
        const std::shared_ptr<BezierShape> b = shape->bezierShape();
        ASSERT_TRUE(b);
        EXPECT_EQ(b->rotation(), shape->rotation());
        EXPECT_EQ(b->stroke().width(), shape->stroke().width());
        const std::vector<Point> shown = allPoints(*shape->transformedPath());
        const std::vector<Point> converted = canvasPoints(*b);
        ASSERT_EQ(shown.size(), converted.size());
        for (std::size_t i = 0; i < shown.size(); ++i)
            expectNear(converted[i], shown[i], 1e-9);
    }
}

// ---------------------------------------------------------------------------
// Reshape handles

TEST(BezierHandles, AnchorsSolidControlsHollowWithGuideLines) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({0, 0});
    p.lineToPoint({40, 0});
    p.curveToPoint({100, 0}, {50, -30}, {90, -30});
    p.closePath();
    p.moveToPoint({500, 500});
    s.setPath(p);
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    s.drawReshapeHandlesInView(gc, &two);
    const double px = 0.5;
    // Two solid handles, then the curve: two guide lines, two solid and two
    // hollow handles. A solid handle is two ovals, a hollow one three.
    const std::vector<DrawOperation> fills = gc.fills(), strokes = gc.strokes();
    ASSERT_EQ(fills.size(), 2u * 2 + 2 * 2 + 2 * 3);
    ASSERT_EQ(strokes.size(), 4u);
    const Point centres[] = {{0, 0}, {40, 0}, {40, 0}, {100, 0}, {50, -30}, {90, -30}};
    std::size_t f = 0;
    for (int h = 0; h < 6; ++h) {
        for (int o = 0; o < (h < 4 ? 2 : 3); ++o, ++f) {
            const Rect b = fills[f].path.bounds();
            expectNear(b.center(), Point(centres[h].x + px / 2, centres[h].y + px / 2));
            EXPECT_NEAR(b.width(), (9 - 2 * o) * px, 1e-9);
            EXPECT_EQ(fills[f].color, o == 1 ? Color(0.5, 0.5, 0.5, 1) : Color::white()) << h;
        }
    }
    // Guide lines, anchor to control, first in the curve's drawing: each white
    // and 3 px, then grey and 1 px, shifted half a pixel.
    EXPECT_EQ(gc.kinds(true)[4], DrawOpKind::StrokePath);
    EXPECT_EQ(strokes[0].color, Color::white());
    EXPECT_EQ(strokes[0].lineWidth(), 3 * px);
    EXPECT_EQ(strokes[1].lineWidth(), px);
    EXPECT_EQ(strokes[0].path.elementAtIndex(0).points[0], Point(40 + px / 2, px / 2));
    EXPECT_EQ(strokes[0].path.elementAtIndex(1).points[0], Point(50 + px / 2, -30 + px / 2));
    EXPECT_EQ(strokes[2].path.elementAtIndex(0).points[0], Point(90 + px / 2, -30 + px / 2));
    EXPECT_EQ(strokes[3].path.elementAtIndex(1).points[0], Point(100 + px / 2, px / 2));
    EXPECT_EQ(gc.gstateDepth(), 0);

    // On a turned shape they sit on the turned outline: local (100, 0) is
    // shown at (100, 100).
    s.setPath(squarePath(0, 0, 100));
    s.setRotation(90);
    gc.clear();
    s.drawReshapeHandlesInView(gc, nullptr);
    ASSERT_EQ(gc.fills().size(), 8u);
    expectNear(gc.fills()[2].path.bounds().center(), {100.5, 100.5});
}

// ---------------------------------------------------------------------------
// Files

TEST(BezierXml, ElementNamesPickTheClass) {
    const ShapeList shapes =
        readShapes("<d><polyline><moveto x=\"1\" y=\"2\"/><lineto x=\"5\" y=\"9\"/></polyline>"
                   "<freehand/><bezier><bounds x=\"50\" y=\"50\" w=\"9\" h=\"9\"/>"
                   "<moveto x=\"0\" y=\"0\"/><curveto x=\"10\" y=\"0\"/><closepath/>"
                   "<unknown/></bezier></d>");
    ASSERT_EQ(shapes.size(), 3u);
    ASSERT_TRUE(std::dynamic_pointer_cast<PolylineShape>(shapes[0]));
    EXPECT_TRUE(std::dynamic_pointer_cast<FreehandShape>(shapes[1]));
    auto bezier = std::dynamic_pointer_cast<BezierShape>(shapes[2]);
    ASSERT_TRUE(bezier);
    EXPECT_EQ(typeid(*bezier), typeid(BezierShape));
    EXPECT_EQ(shapes[0]->bounds(), Rect(1, 2, 4, 7));
    // A "bounds" child means nothing: the bounds follow the path. Missing
    // control points read as the origin.
    ASSERT_EQ(bezier->elementCount(), 3u);
    EXPECT_EQ(el(*bezier, 1).points, (Pts{{{0, 0}, {0, 0}, {10, 0}}}));
    EXPECT_EQ(bezier->bounds().origin, Point(0, 0));
    EXPECT_EQ(bezier->bounds().width(), 10);
    EXPECT_EQ(writeShapes({bezier}).find("<bounds"), std::string::npos);
}

TEST(BezierXml, HostileCoordinatesAreClampedAndTheRestIsKept) {
    const ShapeList shapes =
        readShapes("<d><bezier><moveto x=\"nan\" y=\"1e999\"/>"
                   "<lineto x=\"-1e999\" y=\"inf\"/>"
                   "<curveto x=\"1e308\" y=\"2\" c1-x=\"-1e400\" c1-y=\"NaN\" c2-x=\"3\"/></bezier>"
                   "<rectangle><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></rectangle></d>");
    ASSERT_EQ(shapes.size(), 2u);
    const auto& b = static_cast<const BezierShape&>(*shapes[0]);
    ASSERT_EQ(b.elementCount(), 3u);
    const double m = Shape::kMaximumCoordinate;
    for (const Point& p : allPoints(b.bezierPath()))
        EXPECT_TRUE(std::fabs(p.x) <= m && std::fabs(p.y) <= m);
    EXPECT_EQ(el(b, 0).points[0], Point(0, m));
    EXPECT_EQ(el(b, 1).points[0], Point(-m, 0));
    EXPECT_TRUE(std::isfinite(b.bounds().width()) && std::isfinite(b.bounds().height()));
    EXPECT_TRUE(std::isfinite(b.transformedBounds().width()));
    EXPECT_EQ(shapes[1]->bounds(), Rect(1, 2, 3, 4));
    const std::string once = writeShapes(shapes);
    EXPECT_EQ(writeShapes(readShapes(once)), once);
}

TEST(BezierXml, LongPathsAreReadAndCutAtTheMaximumLength) {
    // A long path in a file is read and the document goes on; reading a
    // million elements is measured in bench/bench_bezier_shape.cpp.
    const std::size_t n = 100'000;
    std::string xml = "<d><freehand><moveto x=\"0\" y=\"0\"/>";
    for (std::size_t i = 1; i < n; ++i)
        xml += "<lineto x=\"" + std::to_string(i % 1000) + "\" y=\"" + std::to_string(i / 1000) +
               "\"/>";
    xml += "<closepath/></freehand><oval><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></oval></d>";
    bool ok = false;
    const ShapeList shapes = readShapes(xml, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(shapes.size(), 2u);
    const auto& f = static_cast<const BezierShape&>(*shapes[0]);
    EXPECT_EQ(f.elementCount(), n + 1);
    EXPECT_EQ(f.bounds(), Rect(0, 0, 999, 99));
    EXPECT_EQ(shapes[1]->bounds(), Rect(1, 2, 3, 4));

    // Beyond the maximum, elements are dropped; other children still count.
    FreehandShape cut;
    auto move = QVGenericElement::elementNamed("moveto");
    move->setPointAttribute({0, 0});
    cut.addElement(move);
    auto line = QVGenericElement::elementNamed("lineto");
    for (std::size_t i = 1; i < BezierShape::kMaximumElementCount + 3; ++i) {
        line->setPointAttribute({double(i % 1000), double(i / 1000)});
        cut.addElement(line);
    }
    EXPECT_EQ(cut.elementCount(), BezierShape::kMaximumElementCount);
    // Elements up to 999 999: the last row read is 999.
    EXPECT_EQ(cut.bounds(), Rect(0, 0, 999, 999));
    EXPECT_EQ(cut.bounds(), cut.bezierPath().bounds());
    auto transform = QVGenericElement::elementNamed("transform");
    transform->setFloatAttribute(30, "rotation");
    cut.addElement(transform);
    EXPECT_EQ(cut.rotation(), 30);
}

} // namespace
} // namespace qv

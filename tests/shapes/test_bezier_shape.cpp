// Bézier, freehand and polyline shapes: building as the creation tools do it,
// bounds that follow the path, moving, scaling and mirroring, editing single
// elements of rotated shapes, reshaping anchors and tangents, reshape handles,
// undo through observed old values, and file round trips.

#include "ShapeTestSupport.h"

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

using namespace test;

using T = PathElementType;

class NotificationLog {
public:
    explicit NotificationLog(const Shape& shape) {
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, QVShapeWillChangeNotification, &shape,
                           [this](const Notification&) { events.push_back(+1); });
        center.addObserver(this, QVShapeDidChangeNotification, &shape,
                           [this](const Notification&) { events.push_back(-1); });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    // Pairs when every will is closed by a did in nesting order; -1 otherwise.
    int balancedPairs() const {
        int depth = 0, pairs = 0;
        for (int e : events) {
            depth += e;
            if (depth < 0)
                return -1;
            if (e < 0)
                ++pairs;
        }
        return depth == 0 ? pairs : -1;
    }
    std::vector<int> events;
};

// Plays the document's part: records each observed change with its old value,
// and undoes by assigning the old values back, latest first.
class UndoRecorder : public KeyValueObserver {
public:
    explicit UndoRecorder(Shape& s) : m_Shape(s) {
        for (const std::string& key : s.undoableProperties())
            s.addObserver(this, key);
    }
    ~UndoRecorder() override { m_Shape.removeObserver(this); }
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&,
                                const Value& oldValue, const Value&) override {
        if (!m_Undoing)
            m_Changes.push_back({std::string(keyPath), oldValue});
    }
    void undoAll() {
        m_Undoing = true;
        for (auto it = m_Changes.rbegin(); it != m_Changes.rend(); ++it)
            EXPECT_TRUE(m_Shape.setValueForKeyPath(it->second, it->first)) << it->first;
        m_Undoing = false;
        m_Changes.clear();
    }
    std::size_t count(std::string_view key) const {
        std::size_t n = 0;
        for (const auto& c : m_Changes)
            n += c.first == key;
        return n;
    }

private:
    Shape& m_Shape;
    std::vector<std::pair<std::string, Value>> m_Changes;
    bool m_Undoing = false;
};

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

// A path with several subpaths of every element kind, closed and open.
BezierPath randomPath(std::mt19937& rng, int subpaths = 3) {
    std::uniform_real_distribution<double> coord(-200, 200);
    std::uniform_int_distribution<int> kind(0, 2), length(1, 6);
    auto pt = [&] { return Point{coord(rng), coord(rng)}; };
    BezierPath p;
    for (int s = 0; s < subpaths; ++s) {
        p.moveToPoint(pt());
        const int n = length(rng);
        for (int i = 0; i < n; ++i) {
            if (kind(rng) == 0)
                p.lineToPoint(pt());
            else
                p.curveToPoint(pt(), pt(), pt());
        }
        if (kind(rng) != 0)
            p.closePath();
    }
    return p;
}

BezierPath squarePath(double x, double y, double side) {
    return BezierPath::bezierPathWithRect({x, y, side, side});
}

// ---------------------------------------------------------------------------
// Building

TEST(BezierBuilding, AddPointCurveAndMirroredLastControl) {
    BezierShape s;
    NotificationLog log(s);
    s.addPoint({10, 10});
    s.addPoint({50, 10}, true);
    ASSERT_EQ(s.elementCount(), 2u);
    Point pts[3];
    EXPECT_EQ(s.elementAtIndex(0, pts), T::MoveTo);
    EXPECT_EQ(pts[0], Point(10, 10));
    EXPECT_EQ(s.elementAtIndex(1, pts), T::CurveTo);
    EXPECT_EQ(pts[0], Point(10, 10));
    EXPECT_EQ(pts[1], Point(50, 10));
    EXPECT_EQ(pts[2], Point(50, 10));
    EXPECT_EQ(s.tempControl(), Point(50, 10));

    s.setLastControl({60, 30});
    s.elementAtIndex(1, pts);
    EXPECT_EQ(pts[1], Point(40, -10));
    EXPECT_EQ(s.tempControl(), Point(60, 30));
    // The next curve starts along the dragged tangent.
    s.addPoint({90, 40}, true);
    s.elementAtIndex(2, pts);
    EXPECT_EQ(pts[0], Point(60, 30));
    EXPECT_GE(log.balancedPairs(), 4);
    EXPECT_EQ(s.elementAtIndex(99, pts), T::ClosePath);
}

TEST(BezierBuilding, SetLastControlSkipsLinesAndBalancesWithoutACurve) {
    BezierShape s;
    s.moveToPoint({0, 0});
    s.curveToPoint({10, 0}, {0, 5}, {5, 5});
    s.lineToPoint({20, 0});
    s.setLastControl({12, 4});
    // The nearest curve before the trailing line gets the mirror image.
    EXPECT_EQ(s.bezierPath().elementAtIndex(1).points[1], Point(8, -4));

    BezierShape lines;
    lines.moveToPoint({0, 0});
    lines.lineToPoint({5, 5});
    const BezierPath before = lines.bezierPath();
    NotificationLog log(lines);
    lines.setLastControl({1, 2});
    EXPECT_EQ(lines.bezierPath(), before);
    EXPECT_EQ(log.balancedPairs(), 1);
    EXPECT_EQ(lines.tempControl(), Point(1, 2));
}

TEST(BezierBuilding, FirstControlAndLastPointOnlyApplyToTheirKinds) {
    BezierShape s;
    NotificationLog log(s);
    s.moveToPoint({0, 0});
    const int afterMove = log.balancedPairs();
    s.setFirstControl({1, 1}); // one element: nothing
    s.setLastPoint({1, 1});    // last is a move-to: nothing
    EXPECT_EQ(log.balancedPairs(), afterMove);
    s.lineToPoint({10, 0});
    s.setFirstControl({1, 1}); // element 1 is a line: nothing
    EXPECT_EQ(s.bezierPath().elementAtIndex(1).points[0], Point(10, 0));
    s.setLastPoint({12, 7});
    EXPECT_EQ(s.bezierPath().elementAtIndex(1).points[0], Point(12, 7));
    EXPECT_EQ(s.bounds(), Rect(0, 0, 12, 7));

    BezierShape c;
    c.moveToPoint({0, 0});
    c.curveToPoint({10, 0}, {2, 2}, {8, 2});
    c.setFirstControl({-3, 4});
    EXPECT_EQ(c.bezierPath().elementAtIndex(1).points[0], Point(-3, 4));
    c.setLastPoint({5, 5}); // last is a curve: nothing
    EXPECT_EQ(c.bezierPath().elementAtIndex(1).points[2], Point(10, 0));
}

TEST(BezierBuilding, RemoveLastElement) {
    BezierShape s;
    {
        NotificationLog log(s);
        s.removeLastElement();
        EXPECT_TRUE(log.events.empty());
    }
    s.moveToPoint({3, 4});
    s.removeLastElement();
    EXPECT_EQ(s.elementCount(), 0u);

    BezierShape p;
    p.moveToPoint({0, 0});
    p.curveToPoint({10, 10}, {1, 2}, {3, 4});
    p.lineToPoint({50, 50});
    p.closePath();
    p.removeLastElement();
    p.removeLastElement();
    ASSERT_EQ(p.elementCount(), 2u);
    EXPECT_EQ(p.bezierPath().elementAtIndex(1).points,
              (std::array<Point, 3>{{{1, 2}, {3, 4}, {10, 10}}}));
    EXPECT_EQ(p.bezierPath().windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(p.bounds(), p.bezierPath().bounds());
}

TEST(BezierBuilding, ToolSequencesGiveTheExpectedPaths) {
    // Polyline: clicks at A, B, C with a rubber band that follows the pointer,
    // then a click near A replaces the band by a close.
    PolylineShape poly;
    poly.moveToPoint({0, 0});
    poly.lineToPoint({0, 0}); // the band
    poly.setLastPoint({40, 5});
    poly.setLastPoint({50, 0});
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
    Point lastControl1 = drags[0];
    bez.moveToPoint(anchors[0]);
    bez.setLastControl(drags[0]);
    for (int i = 1; i < 3; ++i) {
        bez.curveToPoint(anchors[i], lastControl1, anchors[i]);
        bez.setLastControl(drags[i]);
        lastControl1 = drags[i];
    }
    bez.curveToPoint(anchors[0], lastControl1, anchors[0]);
    const Point closingDrag{-30, 10};
    bez.setLastControl(closingDrag);
    bez.setFirstControl(closingDrag);
    bez.closePath();
    // Every joint is smooth: the tangents on both sides of an anchor are
    // collinear and of equal length.
    const BezierPath& p = bez.bezierPath();
    for (std::size_t i = 1; i < 4; ++i) {
        const Point in = p.elementAtIndex(i).points[1];
        const Point anchor = p.elementAtIndex(i).points[2];
        const Point out = i < 3 ? p.elementAtIndex(i + 1).points[0] : p.elementAtIndex(1).points[0];
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

TEST(BezierPathInstall, SetBoundsTranslatesOrScalesThePath) {
    BezierShape s;
    s.setPath(squarePath(10, 20, 40));
    s.offset({5, -5});
    EXPECT_EQ(s.bounds(), Rect(15, 15, 40, 40));
    EXPECT_EQ(s.bezierPath().elementAtIndex(0).points[0], Point(15, 15));
    s.setBounds({0, 0, 80, 20});
    EXPECT_EQ(s.bounds(), Rect(0, 0, 80, 20));
    EXPECT_EQ(s.bezierPath().elementAtIndex(2).points[0], Point(80, 20));
    // A request below the minimum size flattens to 0.1.
    s.setBounds({0, 0, 0, -3});
    EXPECT_NEAR(s.bounds().width(), 0.1, 1e-8);
    EXPECT_NEAR(s.bounds().height(), 0.1, 1e-8);
    // A non-finite request changes nothing.
    const BezierPath before = s.bezierPath();
    s.setBounds({NAN, 0, 10, 10});
    s.setBounds({0, 0, INFINITY, 10});
    EXPECT_EQ(s.bezierPath(), before);
}

TEST(BezierPathInstall, TheBoundsItHasChangeNothingNotEvenTheSignOfAZero) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({5, -0.0});
    p.lineToPoint({50, 20});
    s.setPath(p);
    s.setBounds(s.bounds());
    EXPECT_TRUE(std::signbit(s.bezierPath().elementAtIndex(0).points[0].y));
}

TEST(BezierPathInstall, ResizingByAHandleScalesThePath) {
    BezierShape s;
    s.setPath(squarePath(0, 0, 100));
    s.beginResize();
    s.resizeToPoint({200, 50}, 2, 2, {0, 0}, 0);
    s.endResize();
    EXPECT_EQ(s.bounds(), Rect(0, 0, 200, 50));
    EXPECT_EQ(s.bezierPath().elementAtIndex(1).points[0], Point(200, 0));
}

TEST(BezierPathInstall, FlipMirrorsWithinTheSameBox) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        for (int axis = 0; axis < 2; ++axis) {
            BezierShape s;
            s.setPath(randomPath(rng));
            s.setRotation(round * 17);
            const Rect box = s.bounds();
            const BezierPath original = s.bezierPath();
            s.flip(axis);
            EXPECT_NEAR(s.bounds().x(), box.x(), 1e-9);
            EXPECT_NEAR(s.bounds().y(), box.y(), 1e-9);
            EXPECT_NEAR(s.bounds().width(), box.width(), 1e-9);
            EXPECT_NEAR(s.bounds().height(), box.height(), 1e-9);
            EXPECT_EQ(s.rotation(), Shape::normalizedRotation(360 - round * 17));
            const std::vector<Point> a = allPoints(original), b = allPoints(s.bezierPath());
            ASSERT_EQ(a.size(), b.size());
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (axis == 0)
                    expectNear(b[i], {box.minX() + box.maxX() - a[i].x, a[i].y});
                else
                    expectNear(b[i], {a[i].x, box.minY() + box.maxY() - a[i].y});
            }
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
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coord(-300, 300), angle(0, 360);
    for (int round = 0; round < 50; ++round) {
        BezierShape s;
        s.setPath(randomPath(rng));
        s.setRotation(angle(rng));
        const std::size_t n = s.elementCount();
        const std::size_t index = std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
        const PathElement target = s.bezierPath().elementAtIndex(index);
        if (target.type == T::ClosePath)
            continue;
        const std::vector<Point> before = canvasPoints(s);
        Point pts[3] = {
            {coord(rng), coord(rng)}, {coord(rng), coord(rng)}, {coord(rng), coord(rng)}};
        s.setAssociatedPoints(pts, index);
        const std::vector<Point> after = canvasPoints(s);
        std::size_t k = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const int count = s.bezierPath().elementAtIndex(i).pointCount();
            for (int j = 0; j < count; ++j, ++k)
                if (i != index)
                    expectNear(after[k], before[k], 1e-8);
        }
    }
}

TEST(BezierEditing, BoundsAlwaysFollowThePath) {
    std::mt19937 rng(5);
    BezierShape s;
    s.setPath(randomPath(rng));
    s.setRotation(33);
    s.reshapeToPoint({1, 2}, 1, 0, 0);
    s.flip(1);
    s.offset({3, 4});
    s.setBounds({0, 0, 10, 300});
    const Rect tight = s.bezierPath().bounds();
    EXPECT_EQ(s.bounds().origin, tight.origin);
    EXPECT_EQ(s.bounds().size, tight.size);
}

// ---------------------------------------------------------------------------
// Reshape hit testing

TEST(BezierReshape, HitTestFindsPointsInElementOrder) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {30, -40}, {70, -40});
    p.lineToPoint({100, 100});
    p.closePath();
    p.moveToPoint({300, 300}); // trailing: no handle
    s.setPath(p);
    std::size_t element = 99;
    int point = 99;
    const ZoomView one(1);
    ASSERT_TRUE(s.hitTestReshapeControl({2, -3}, element, point, &one));
    EXPECT_EQ(element, 0u);
    EXPECT_EQ(point, 0);
    ASSERT_TRUE(s.hitTestReshapeControl({31, -39}, element, point, &one));
    EXPECT_EQ(element, 1u);
    EXPECT_EQ(point, 0);
    ASSERT_TRUE(s.hitTestReshapeControl({70, -40}, element, point, &one));
    EXPECT_EQ(point, 1);
    ASSERT_TRUE(s.hitTestReshapeControl({99, 1}, element, point, &one));
    EXPECT_EQ(element, 1u);
    EXPECT_EQ(point, 2);
    ASSERT_TRUE(s.hitTestReshapeControl({100, 100}, element, point, &one));
    EXPECT_EQ(element, 2u);
    EXPECT_EQ(point, 0);
    element = 42;
    EXPECT_FALSE(s.hitTestReshapeControl({300, 300}, element, point, &one));
    EXPECT_FALSE(s.hitTestReshapeControl({50, 50}, element, point, &one));
    EXPECT_EQ(element, 42u);
    // The reach is 4 px either side: 4 points at zoom 1, 1 point at zoom 4.
    EXPECT_TRUE(s.hitTestReshapeControl({103, 100}, element, point, &one));
    const ZoomView four(4);
    EXPECT_FALSE(s.hitTestReshapeControl({103, 100}, element, point, &four));
    EXPECT_TRUE(s.hitTestReshapeControl({100.9, 100}, element, point, &four));
}

// ---------------------------------------------------------------------------
// Reshaping

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

TEST(BezierReshape, MovingAnAnchorCarriesItsTangents) {
    BezierShape s;
    s.setPath(smoothClosedPath());
    const BezierPath before = s.bezierPath();
    s.reshapeToPoint({110, 10}, 1, 2, 0);
    const BezierPath& after = s.bezierPath();
    const Size d{10, 10};
    auto moved = [&](std::size_t i, int k) {
        const Point p = before.elementAtIndex(i).points[static_cast<std::size_t>(k)];
        return Point{p.x + d.width, p.y + d.height};
    };
    EXPECT_EQ(after.elementAtIndex(1).points[2], Point(110, 10));
    EXPECT_EQ(after.elementAtIndex(1).points[1], moved(1, 1));
    EXPECT_EQ(after.elementAtIndex(2).points[0], moved(2, 0));
    // Everything else stays.
    EXPECT_EQ(after.elementAtIndex(1).points[0], before.elementAtIndex(1).points[0]);
    EXPECT_EQ(after.elementAtIndex(2).points[1], before.elementAtIndex(2).points[1]);
    EXPECT_EQ(after.elementAtIndex(3).points, before.elementAtIndex(3).points);
    EXPECT_EQ(after.elementAtIndex(0).points[0], Point(0, 0));
}

TEST(BezierReshape, MovingTheStartOfAClosedSubpathMovesTheClosingCurveEnd) {
    BezierShape s;
    s.setPath(smoothClosedPath());
    const BezierPath before = s.bezierPath();
    s.reshapeToPoint({-5, 7}, 0, 0, 0);
    const BezierPath& after = s.bezierPath();
    EXPECT_EQ(after.elementAtIndex(0).points[0], Point(-5, 7));
    EXPECT_EQ(after.elementAtIndex(3).points[2], Point(-5, 7));
    EXPECT_EQ(after.elementAtIndex(3).points[1], Point(-25, 27));
    EXPECT_EQ(after.elementAtIndex(1).points[0], Point(15, -43));
    EXPECT_EQ(after.elementAtIndex(3).points[0], before.elementAtIndex(3).points[0]);

    // An open subpath has no closing curve to carry along.
    BezierPath open = smoothClosedPath();
    BezierPath trimmed;
    for (std::size_t i = 0; i + 1 < open.elementCount(); ++i) {
        const PathElement& e = open.elementAtIndex(i);
        if (e.type == T::MoveTo)
            trimmed.moveToPoint(e.points[0]);
        else
            trimmed.curveToPoint(e.points[2], e.points[0], e.points[1]);
    }
    s.setPath(trimmed);
    s.reshapeToPoint({-5, 7}, 0, 0, 0);
    EXPECT_EQ(s.bezierPath().elementAtIndex(3).points[2], Point(0, 0));
}

TEST(BezierReshape, DraggingATangentTurnsItsPartnerUnlessOptionIsHeld) {
    for (const bool option : {false, true}) {
        BezierShape s;
        s.setPath(smoothClosedPath());
        const BezierPath before = s.bezierPath();
        const Point anchor{100, 0};
        const Point partnerBefore = before.elementAtIndex(2).points[0];
        const Point oldControl = before.elementAtIndex(1).points[1];
        ASSERT_NEAR(cross(oldControl, anchor, partnerBefore), 0, 1e-9);
        s.reshapeToPoint({100, -60}, 1, 1, option ? unsigned(AlternateKeyMask) : 0u);
        const BezierPath& after = s.bezierPath();
        const Point dragged = after.elementAtIndex(1).points[1];
        EXPECT_EQ(dragged, Point(100, -60));
        const Point partner = after.elementAtIndex(2).points[0];
        if (option) {
            EXPECT_EQ(partner, partnerBefore);
        } else {
            // Still a straight line through the anchor, the partner on the other
            // side with its length.
            EXPECT_NEAR(std::fabs(angleBetween(dragged, anchor, partner)), std::numbers::pi, 1e-6);
            EXPECT_NEAR(distance(partner, anchor), distance(partnerBefore, anchor), 1e-9);
        }
    }
}

TEST(BezierReshape, ControlOneTurnsThePreviousCurveOrTheClosingCurve) {
    // Element 2's control 1: the partner is element 1's control 2.
    const BezierPath smooth = smoothClosedPath();
    BezierShape s;
    s.setPath(smooth);
    s.reshapeToPoint({100, 50}, 2, 0, 0);
    expectTurnedWith(smooth.elementAtIndex(2).points[0], smooth.elementAtIndex(1).points[1],
                     {100, 50}, s.bezierPath().elementAtIndex(1).points[1], {100, 0});

    // Element 1's control 1 sits after the move-to: the closing curve's
    // control 2 turns about the start.
    BezierShape c;
    c.setPath(smooth);
    c.reshapeToPoint({0, -40}, 1, 0, 0);
    expectTurnedWith(smooth.elementAtIndex(1).points[0], smooth.elementAtIndex(3).points[1],
                     {0, -40}, c.bezierPath().elementAtIndex(3).points[1], {0, 0});
    EXPECT_EQ(c.bezierPath().elementAtIndex(3).points[2], Point(0, 0));

    // Element 3's control 2 before the close turns element 1's control 1.
    BezierShape e;
    e.setPath(smooth);
    e.reshapeToPoint({-40, 0}, 3, 1, 0);
    expectTurnedWith(smooth.elementAtIndex(3).points[1], smooth.elementAtIndex(1).points[0],
                     {-40, 0}, e.bezierPath().elementAtIndex(1).points[0], {0, 0});

    // A tangent dropped onto its anchor has no direction: the partner stays.
    BezierShape onto;
    onto.setPath(smooth);
    onto.reshapeToPoint({100, 0}, 1, 1, 0);
    EXPECT_EQ(onto.bezierPath().elementAtIndex(2).points[0], smooth.elementAtIndex(2).points[0]);
}

TEST(BezierReshape, NoPartnerAcrossLinesOpenStartsOrTheAnchorItself) {
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {20, -50}, {80, -30});
    p.lineToPoint({100, 100});
    p.curveToPoint({0, 100}, {80, 120}, {20, 120});
    BezierShape s;
    s.setPath(p);
    const BezierPath before = s.bezierPath();
    s.reshapeToPoint({10, -60}, 1, 0, 0); // open start: no closing curve
    s.reshapeToPoint({90, 130}, 3, 0, 0); // after a line: no partner
    s.reshapeToPoint({10, 130}, 3, 1, 0); // last element: no partner
    s.reshapeToPoint({100, 0}, 1, 1, 0);  // next is a line: no partner
    const BezierPath& after = s.bezierPath();
    EXPECT_EQ(after.elementAtIndex(1).points[0], Point(10, -60));
    EXPECT_EQ(after.elementAtIndex(1).points[1], Point(100, 0));
    EXPECT_EQ(after.elementAtIndex(3).points[0], Point(90, 130));
    EXPECT_EQ(after.elementAtIndex(3).points[1], Point(10, 130));
    EXPECT_EQ(after.elementAtIndex(2).points, before.elementAtIndex(2).points);
    EXPECT_EQ(after.elementAtIndex(0).points, before.elementAtIndex(0).points);
    // Out of range indices and close-paths are left alone.
    s.reshapeToPoint({1, 1}, 99, 0, 0);
    s.reshapePointToPoint({1, 1}, 99, 0);
    s.reshapeControl1ToPoint({1, 1}, 2, 0); // a line has no control
    EXPECT_EQ(s.bezierPath(), after);
}

TEST(BezierReshape, RotatedShapeKeepsEveryOtherPointInPlace) {
    std::mt19937 rng(3);
    for (int round = 0; round < 60; ++round) {
        BezierShape s;
        s.setPath(round % 2 ? smoothClosedPath() : randomPath(rng));
        s.setRotation(round % 3 ? 45 : round * 7.5);
        std::size_t element = 0;
        int point = 0;
        // Pick a point through the hit test, as the reshape tool does.
        const std::vector<Point> before = canvasPoints(s);
        const Point target = before[static_cast<std::size_t>(round) % before.size()];
        if (!s.hitTestReshapeControl(target, element, point, nullptr))
            continue;
        const Point to{target.x + 13, target.y - 21};
        const unsigned flags = round % 4 == 0 ? unsigned(AlternateKeyMask) : 0u;
        const BezierPath local = s.bezierPath();
        s.reshapeToPoint(to, element, point, flags);
        const std::vector<Point> after = canvasPoints(s);
        // The dragged point lands under the pointer.
        std::size_t k = 0;
        for (std::size_t i = 0; i < element; ++i)
            k += static_cast<std::size_t>(local.elementAtIndex(i).pointCount());
        expectNear(after[k + static_cast<std::size_t>(point)], to, 1e-8);
        // Points that no rule moves stay where they were on the canvas:
        // the elements away from the dragged one and its neighbours.
        std::size_t m = 0;
        for (std::size_t i = 0; i < local.elementCount(); ++i) {
            const int count = local.elementAtIndex(i).pointCount();
            const bool near = i + 1 >= element && i <= element + 1;
            const bool closing = local.elementAtIndex(i).type == T::CurveTo &&
                                 i + 1 < local.elementCount() &&
                                 local.elementAtIndex(i + 1).type == T::ClosePath;
            const bool subpathStart = i > 0 && local.elementAtIndex(i - 1).type == T::MoveTo;
            for (int j = 0; j < count; ++j, ++m)
                if (!near && !closing && !subpathStart && i != local.elementCount() - 1)
                    expectNear(after[m], before[m], 1e-8);
        }
    }
}

// ---------------------------------------------------------------------------
// Undo through observed old values

TEST(BezierUndo, RestoringOldValuesUndoesEveryEditExactly) {
    std::mt19937 rng(21);
    using Edit = std::function<void(BezierShape&)>;
    const std::vector<std::pair<const char*, Edit>> edits{
        {"reshape anchor",
         [](BezierShape& s) {
             s.reshapeToPoint({5, 5}, 1, 2, 0);
         }},
        {"reshape control",
         [](BezierShape& s) {
             s.reshapeToPoint({-50, 30}, 1, 1, 0);
         }},
        {"move",
         [](BezierShape& s) {
             s.offset({12.5, -3});
         }},
        {"resize",
         [](BezierShape& s) {
             s.beginResize();
             s.resizeToPoint({400, 380}, 2, 2, s.transform().transformPoint(s.bounds().origin), 0);
         }},
        {"flip", [](BezierShape& s) { s.flip(0); }},
        {"add point",
         [](BezierShape& s) {
             s.addPoint({500, -500}, true);
         }},
        {"remove", [](BezierShape& s) { s.removeLastElement(); }},
        {"edit element",
         [](BezierShape& s) {
             const Point pts[3] = {{1, 2}, {3, 4}, {5, 6}};
             s.setAssociatedPoints(pts, 1);
         }},
    };
    for (const auto& [name, edit] : edits) {
        for (const double rotation : {0.0, 37.0}) {
            BezierShape s;
            BezierPath p = randomPath(rng);
            // Element 1 is a curve, so every edit above applies.
            BezierPath withCurve;
            withCurve.moveToPoint({0, 0});
            withCurve.curveToPoint({80, 10}, {20, -40}, {60, -40});
            withCurve.appendBezierPath(p);
            s.setPath(withCurve);
            s.setRotation(rotation);
            s.fill().setStyle(2);
            const BezierPath originalPath = s.bezierPath();
            const Rect originalBounds = s.bounds();
            UndoRecorder undo(s);
            edit(s);
            ASSERT_GE(undo.count("path"), 1u) << name;
            EXPECT_NE(s.bezierPath(), originalPath) << name;
            undo.undoAll();
            EXPECT_EQ(s.bezierPath(), originalPath) << name << " " << rotation;
            EXPECT_EQ(s.bounds(), originalBounds) << name << " " << rotation;
            EXPECT_EQ(s.rotation(), rotation) << name;
        }
    }
}

TEST(BezierUndo, OneEditReportsThePathOnce) {
    BezierShape s;
    s.setPath(smoothClosedPath());
    s.setRotation(20);
    UndoRecorder undo(s);
    s.reshapeToPoint({0, -80}, 1, 0, 0);
    EXPECT_EQ(undo.count("path"), 1u);
    EXPECT_EQ(undo.count("bounds"), 1u);
}

// ---------------------------------------------------------------------------
// Capabilities, copying, conversion

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
        EXPECT_EQ(b->elementCount(), shape->path()->elementCount());
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
    const Color kGrey{0.5, 0.5, 0.5, 1};
    // Two solid handles, then the curve: two guide lines, two solid and two
    // hollow handles. A solid handle is two ovals, a hollow one three.
    const std::vector<DrawOperation> fills = gc.fills();
    const std::vector<DrawOperation> strokes = gc.strokes();
    ASSERT_EQ(fills.size(), 2u * 2 + 2 * 2 + 2 * 3);
    ASSERT_EQ(strokes.size(), 4u);
    auto centre = [](const DrawOperation& op) {
        const Rect b = op.path.bounds();
        return Point{b.midX(), b.midY()};
    };
    const Point expectedCentres[] = {{0, 0}, {40, 0}, {40, 0}, {100, 0}, {50, -30}, {90, -30}};
    std::size_t f = 0;
    for (int h = 0; h < 6; ++h) {
        const int ovals = h < 4 ? 2 : 3;
        const Rect outer = fills[f].path.bounds();
        EXPECT_NEAR(outer.width(), 9 * px, 1e-9);
        for (int o = 0; o < ovals; ++o, ++f) {
            expectNear(centre(fills[f]),
                       Point(expectedCentres[h].x + px / 2, expectedCentres[h].y + px / 2));
            EXPECT_NEAR(fills[f].path.bounds().width(), (9 - 2 * o) * px, 1e-9);
            EXPECT_EQ(fills[f].color, o == 1 ? kGrey : Color::white()) << h;
        }
    }
    // Guide lines: anchor to control, each white and 3 px, then grey and 1 px,
    // shifted half a pixel.
    EXPECT_EQ(strokes[0].color, Color::white());
    EXPECT_EQ(strokes[0].lineWidth(), 3 * px);
    EXPECT_EQ(strokes[1].lineWidth(), px);
    EXPECT_EQ(strokes[0].path.elementAtIndex(0).points[0], Point(40 + px / 2, px / 2));
    EXPECT_EQ(strokes[0].path.elementAtIndex(1).points[0], Point(50 + px / 2, -30 + px / 2));
    EXPECT_EQ(strokes[2].path.elementAtIndex(0).points[0], Point(90 + px / 2, -30 + px / 2));
    EXPECT_EQ(strokes[3].path.elementAtIndex(1).points[0], Point(100 + px / 2, px / 2));
    // Guide lines come first for a curve.
    const std::vector<DrawOpKind> kinds = gc.kinds(true);
    EXPECT_EQ(kinds[4], DrawOpKind::StrokePath);
    EXPECT_EQ(gc.gstateDepth(), 0);
}

TEST(BezierHandles, HandlesSitOnTheRotatedOutline) {
    BezierShape s;
    s.setPath(squarePath(0, 0, 100));
    s.setRotation(90);
    RecordingGraphicsContext gc;
    s.drawReshapeHandlesInView(gc, nullptr);
    const std::vector<DrawOperation> fills = gc.fills();
    ASSERT_EQ(fills.size(), 8u);
    const Rect second = fills[2].path.bounds();
    // Local (100, 0) is shown at (100, 100).
    EXPECT_NEAR(second.midX(), 100.5, 1e-9);
    EXPECT_NEAR(second.midY(), 100.5, 1e-9);
}

// ---------------------------------------------------------------------------
// Files

TEST(BezierXml, ElementNamesPickTheClass) {
    const std::vector<ShapePtr> shapes =
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
    EXPECT_NE(writeShapes({shapes[0]}).find("<polyline>"), std::string::npos);
    // A "bounds" child means nothing: the bounds follow the path. Missing
    // control points read as the origin.
    ASSERT_EQ(bezier->elementCount(), 3u);
    EXPECT_EQ(bezier->bezierPath().elementAtIndex(1).points,
              (std::array<Point, 3>{{{0, 0}, {0, 0}, {10, 0}}}));
    EXPECT_EQ(bezier->bounds().origin, Point(0, 0));
    EXPECT_EQ(bezier->bounds().width(), 10);
    EXPECT_EQ(writeShapes({bezier}).find("<bounds"), std::string::npos);
}

TEST(BezierXml, HostileCoordinatesAreClampedAndTheRestIsKept) {
    const std::vector<ShapePtr> shapes =
        readShapes("<d><bezier><moveto x=\"nan\" y=\"1e999\"/>"
                   "<lineto x=\"-1e999\" y=\"inf\"/>"
                   "<curveto x=\"1e308\" y=\"2\" c1-x=\"-1e400\" c1-y=\"NaN\" c2-x=\"3\"/></bezier>"
                   "<rectangle><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></rectangle></d>");
    ASSERT_EQ(shapes.size(), 2u);
    const auto& b = static_cast<const BezierShape&>(*shapes[0]);
    ASSERT_EQ(b.elementCount(), 3u);
    const double m = Shape::kMaximumCoordinate;
    for (const Point& p : allPoints(b.bezierPath())) {
        EXPECT_LE(std::fabs(p.x), m);
        EXPECT_LE(std::fabs(p.y), m);
    }
    EXPECT_EQ(b.bezierPath().elementAtIndex(0).points[0], Point(0, m));
    EXPECT_EQ(b.bezierPath().elementAtIndex(1).points[0], Point(-m, 0));
    EXPECT_TRUE(std::isfinite(b.bounds().width()) && std::isfinite(b.bounds().height()));
    EXPECT_TRUE(std::isfinite(b.transformedBounds().width()));
    EXPECT_EQ(shapes[1]->bounds(), Rect(1, 2, 3, 4));
    const std::string once = writeShapes(shapes);
    EXPECT_EQ(writeShapes(readShapes(once)), once);
}

TEST(BezierXml, ALongPathInAFileIsReadAndTheDocumentGoesOn) {
    // The parser's own cost per element dominates here; reading a million
    // elements from a file is measured in bench/bench_bezier_shape.cpp.
    const std::size_t n = 100'000;
    std::string xml = "<d><freehand><moveto x=\"0\" y=\"0\"/>";
    xml.reserve(n * 24 + 200);
    for (std::size_t i = 1; i < n; ++i) {
        xml += "<lineto x=\"";
        xml += std::to_string(i % 1000);
        xml += "\" y=\"";
        xml += std::to_string(i / 1000);
        xml += "\"/>";
    }
    xml += "<closepath/></freehand><oval><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></oval></d>";
    bool ok = false;
    const std::vector<ShapePtr> shapes = readShapes(xml, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(shapes.size(), 2u);
    const auto& f = static_cast<const BezierShape&>(*shapes[0]);
    EXPECT_EQ(f.elementCount(), n + 1);
    EXPECT_EQ(f.bounds(), Rect(0, 0, 999, 99));
    EXPECT_EQ(f.bounds(), f.bezierPath().bounds());
    EXPECT_EQ(shapes[1]->bounds(), Rect(1, 2, 3, 4));
}

TEST(BezierXml, PathsBeyondTheMaximumLengthAreCut) {
    FreehandShape f;
    auto move = QVGenericElement::elementNamed("moveto");
    move->setPointAttribute({0, 0});
    f.addElement(move);
    auto line = QVGenericElement::elementNamed("lineto");
    const std::size_t n = BezierShape::kMaximumElementCount + 3;
    for (std::size_t i = 1; i < n; ++i) {
        line->setPointAttribute({double(i % 1000), double(i / 1000)});
        f.addElement(line);
    }
    EXPECT_EQ(f.elementCount(), BezierShape::kMaximumElementCount);
    // Elements up to 999 999: the last row read is 999.
    EXPECT_EQ(f.bounds(), Rect(0, 0, 999, 999));
    EXPECT_EQ(f.bounds(), f.bezierPath().bounds());
    // Other children are still taken.
    auto transform = QVGenericElement::elementNamed("transform");
    transform->setFloatAttribute(30, "rotation");
    f.addElement(transform);
    EXPECT_EQ(f.rotation(), 30);
}

} // namespace
} // namespace qv

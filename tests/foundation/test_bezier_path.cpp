#include "framework/foundation/BezierPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace qv;

namespace {

void expectNear(Point actual, Point expected, double eps = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
}

void expectNear(const Rect& actual, const Rect& expected, double eps = 1e-9) {
    EXPECT_NEAR(actual.x(), expected.x(), eps);
    EXPECT_NEAR(actual.y(), expected.y(), eps);
    EXPECT_NEAR(actual.width(), expected.width(), eps);
    EXPECT_NEAR(actual.height(), expected.height(), eps);
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

double distanceToSegment(Point p, const LineSegment& s) {
    const Point d = s.b - s.a;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t =
        len2 > 0 ? std::clamp(((p.x - s.a.x) * d.x + (p.y - s.a.y) * d.y) / len2, 0.0, 1.0) : 0.0;
    const Point e = s.a + d * t - p;
    return std::hypot(e.x, e.y);
}

double distanceToPolyline(Point p, const std::vector<LineSegment>& segs) {
    double best = std::numeric_limits<double>::infinity();
    for (const LineSegment& s : segs)
        best = std::min(best, distanceToSegment(p, s));
    return best;
}

// Every point of every curve of the path, sampled finely.
std::vector<Point> samplePath(const BezierPath& path, int perCurve = 200) {
    std::vector<Point> out;
    Point current;
    for (const PathElement& e : path.elements()) {
        if (e.type == PathElementType::CurveTo) {
            for (int i = 0; i <= perCurve; ++i)
                out.push_back(
                    cubicAt(current, e.points[0], e.points[1], e.points[2], double(i) / perCurve));
            current = e.points[2];
        } else if (e.type != PathElementType::ClosePath) {
            out.push_back(e.points[0]);
            current = e.points[0];
        }
    }
    return out;
}

// Winding number of a closed polygon given as segments, for a ray towards +x.
int polygonWinding(const std::vector<LineSegment>& segs, Point p) {
    int w = 0;
    for (const LineSegment& s : segs) {
        const double cross = (s.b.x - s.a.x) * (p.y - s.a.y) - (p.x - s.a.x) * (s.b.y - s.a.y);
        if (s.a.y <= p.y && s.b.y > p.y && cross > 0)
            ++w;
        else if (s.a.y > p.y && s.b.y <= p.y && cross < 0)
            --w;
    }
    return w;
}

BezierPath randomClosedPath(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(0, 100);
    auto pt = [&] { return Point(coord(rng), coord(rng)); };
    BezierPath path;
    for (int sub = 0; sub < 2; ++sub) {
        path.moveToPoint(pt());
        for (int i = 0; i < 4; ++i) {
            if (rng() % 2)
                path.curveToPoint(pt(), pt(), pt());
            else
                path.lineToPoint(pt());
        }
        path.closePath();
    }
    return path;
}

bool pointOnCircle(Point p, Point c, double r, double relTol) {
    return std::fabs(std::hypot(p.x - c.x, p.y - c.y) - r) <= r * relTol;
}

} // namespace

TEST(BezierPathConstruction, RectangleRunsAroundFromTheOrigin) {
    const BezierPath p = BezierPath::bezierPathWithRect(Rect(10, 20, 30, 40));
    ASSERT_EQ(p.elementCount(), 5u);
    EXPECT_EQ(p.elementAtIndex(0).type, PathElementType::MoveTo);
    EXPECT_EQ(p.elementAtIndex(0).points[0], Point(10, 20));
    EXPECT_EQ(p.elementAtIndex(1).points[0], Point(40, 20));
    EXPECT_EQ(p.elementAtIndex(2).points[0], Point(40, 60));
    EXPECT_EQ(p.elementAtIndex(3).points[0], Point(10, 60));
    EXPECT_EQ(p.elementAtIndex(4).type, PathElementType::ClosePath);
    EXPECT_EQ(p.bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(p.currentPoint(), Point(10, 20));
    EXPECT_EQ(BezierPath::bezierPathWithRect(Rect(40, 60, -30, -40)), p);
}

TEST(BezierPathConstruction, OvalStartsRightAndRunsTowardsPositiveY) {
    const Rect r(0, 0, 200, 100);
    const BezierPath p = BezierPath::bezierPathWithOvalInRect(r);
    ASSERT_EQ(p.elementCount(), 6u);
    EXPECT_EQ(p.elementAtIndex(0).points[0], Point(200, 50));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(p.elementAtIndex(i).type, PathElementType::CurveTo);
    EXPECT_EQ(p.elementAtIndex(1).points[2], Point(100, 100));
    EXPECT_EQ(p.elementAtIndex(1).points[0], Point(200, 50 + 50 * BezierPath::kOvalKappa));
    EXPECT_EQ(p.elementAtIndex(2).points[2], Point(0, 50));
    EXPECT_EQ(p.elementAtIndex(3).points[2], Point(100, 0));
    EXPECT_EQ(p.elementAtIndex(4).points[2], Point(200, 50));
    EXPECT_EQ(p.elementAtIndex(5).type, PathElementType::ClosePath);
    expectNear(p.bounds(), r);
    EXPECT_EQ(p.controlPointBounds(), r);
    // A circle's four curves stay within 0.03% of the radius.
    const BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(-50, -50, 100, 100));
    for (Point s : samplePath(circle))
        EXPECT_TRUE(pointOnCircle(s, {0, 0}, 50, 3e-4)) << s.x << "," << s.y;
}

TEST(BezierPathArc, IncreasingAnglesRunDownwardsOnScreen) {
    BezierPath p;
    p.appendBezierPathWithArcWithCenter({0, 0}, 10, 0, 90, false);
    ASSERT_EQ(p.elementCount(), 2u);
    EXPECT_EQ(p.elementAtIndex(0).type, PathElementType::MoveTo);
    expectNear(p.elementAtIndex(0).points[0], {10, 0});
    const PathElement& c = p.elementAtIndex(1);
    ASSERT_EQ(c.type, PathElementType::CurveTo);
    expectNear(c.points[2], {0, 10});
    const Point half = cubicAt({10, 0}, c.points[0], c.points[1], c.points[2], 0.5);
    expectNear(half, {10 / std::sqrt(2.0), 10 / std::sqrt(2.0)}, 1e-3);
    expectNear(p.bounds(), Rect(0, 0, 10, 10), 1e-9);
}

TEST(BezierPathArc, ClockwiseRunsThroughDecreasingAngles) {
    BezierPath p;
    p.appendBezierPathWithArcWithCenter({0, 0}, 10, 0, 90, true);
    // 270 degrees the other way round, through the top of the circle.
    ASSERT_EQ(p.elementCount(), 4u);
    expectNear(p.elementAtIndex(1).points[2], {0, -10});
    expectNear(p.elementAtIndex(2).points[2], {-10, 0});
    expectNear(p.elementAtIndex(3).points[2], {0, 10});
    expectNear(p.currentPoint(), {0, 10});
    expectNear(p.bounds(), Rect(-10, -10, 20, 20), 1e-9);

    BezierPath q;
    q.appendBezierPathWithArcWithCenter({5, 5}, 2, 90, 0, true);
    ASSERT_EQ(q.elementCount(), 2u);
    expectNear(q.elementAtIndex(0).points[0], {5, 7});
    expectNear(q.currentPoint(), {7, 5});
}

TEST(BezierPathArc, FullTurnAndEmptyArc) {
    for (double end : {360.0, 720.0, -360.0, -500.0}) {
        for (bool cw : {false, true}) {
            BezierPath p;
            p.appendBezierPathWithArcWithCenter({0, 0}, 10, 30, 30 + end, cw);
            ASSERT_EQ(p.elementCount(), 5u) << end << cw;
            expectNear(p.currentPoint(), p.elementAtIndex(0).points[0]);
            // Quarter-turn cubics bulge by up to 0.027% of the radius.
            expectNear(p.bounds(), Rect(-10, -10, 20, 20), 2 * 10 * 3e-4);
            // The first quarter leaves in the requested direction.
            const Point first = p.elementAtIndex(1).points[2];
            const double angle = std::atan2(first.y, first.x) * 180 / std::numbers::pi;
            EXPECT_NEAR(angle, cw ? -60 : 120, 1e-9);
        }
    }
    BezierPath p;
    p.appendBezierPathWithArcWithCenter({0, 0}, 10, 45, 45, true);
    ASSERT_EQ(p.elementCount(), 1u);
    EXPECT_EQ(p.elementAtIndex(0).type, PathElementType::MoveTo);
}

TEST(BezierPathArc, StaysOnTheCircleAndJoinsTheCurrentPoint) {
    for (double start : {-30.0, 0.0, 17.0, 400.0}) {
        for (double end : {-200.0, 10.0, 95.0, 181.0, 359.0}) {
            for (bool cw : {false, true}) {
                BezierPath p;
                p.moveToPoint({0, 0});
                p.appendBezierPathWithArcWithCenter({3, 4}, 25, start, end, cw);
                EXPECT_EQ(p.elementAtIndex(1).type, PathElementType::LineTo);
                // A difference of a full turn or more draws the whole circle.
                const double last = std::fabs(end - start) >= 360 ? start : end;
                const double rad = last * std::numbers::pi / 180;
                expectNear(p.currentPoint(), {3 + 25 * std::cos(rad), 4 + 25 * std::sin(rad)},
                           1e-9);
                EXPECT_LE(p.elementCount(), 6u);
                std::vector<Point> pts = samplePath(p);
                for (std::size_t i = 2; i < pts.size(); ++i)
                    EXPECT_TRUE(pointOnCircle(pts[i], {3, 4}, 25, 3e-4));
            }
        }
    }
}

TEST(BezierPathArc, NonFiniteInputAddsNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    BezierPath p;
    p.appendBezierPathWithArcWithCenter({0, 0}, nan, 0, 90, false);
    p.appendBezierPathWithArcWithCenter({0, 0}, 10, 0, inf, false);
    p.appendBezierPathWithArcWithCenter({inf, 0}, 10, 0, 90, true);
    EXPECT_TRUE(p.isEmpty());
}

TEST(BezierPathBounds, TightBoundsFollowTheCurveNotItsControls) {
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({100, 0}, {0, 100}, {100, 100});
    EXPECT_EQ(p.controlPointBounds(), Rect(0, 0, 100, 100));
    expectNear(p.bounds(), Rect(0, 0, 100, 75));

    // An S-shaped curve whose x overshoots both ends.
    BezierPath s;
    s.moveToPoint({0, 0});
    s.curveToPoint({0, 30}, {60, 10}, {-60, 20});
    const Rect b = s.bounds();
    EXPECT_GT(b.maxX(), 10);
    EXPECT_LT(b.minX(), -10);
    EXPECT_LT(b.maxX(), 60);
    EXPECT_EQ(BezierPath().bounds(), Rect());
    EXPECT_EQ(BezierPath().controlPointBounds(), Rect());
}

TEST(BezierPathBounds, TightBoxHoldsEverySampleAndTouchesEachSide) {
    std::mt19937 rng(7);
    for (int n = 0; n < 200; ++n) {
        const BezierPath p = randomClosedPath(rng);
        const Rect b = p.bounds();
        const Rect cb = p.controlPointBounds();
        EXPECT_TRUE(b.minX() >= cb.minX() && b.maxX() <= cb.maxX());
        EXPECT_TRUE(b.minY() >= cb.minY() && b.maxY() <= cb.maxY());
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (Point s : samplePath(p, 2000)) {
            EXPECT_GE(s.x, b.minX() - 1e-9);
            EXPECT_LE(s.x, b.maxX() + 1e-9);
            EXPECT_GE(s.y, b.minY() - 1e-9);
            EXPECT_LE(s.y, b.maxY() + 1e-9);
            x0 = std::min(x0, s.x);
            y0 = std::min(y0, s.y);
            x1 = std::max(x1, s.x);
            y1 = std::max(y1, s.y);
        }
        expectNear(Rect(x0, y0, x1 - x0, y1 - y0), b, 1e-3);
    }
}

TEST(BezierPathContains, WindingRulesOnARingWithAHole) {
    BezierPath ring = BezierPath::bezierPathWithRect(Rect(0, 0, 100, 100));
    ring.appendBezierPath(BezierPath::bezierPathWithRect(Rect(25, 25, 50, 50)));
    const Point hole(50, 50), band(10, 50), outside(150, 50);

    ring.setWindingRule(WindingRule::NonZero);
    EXPECT_TRUE(ring.containsPoint(hole)); // both turns run the same way
    EXPECT_TRUE(ring.containsPoint(band));
    EXPECT_FALSE(ring.containsPoint(outside));
    ring.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(ring.containsPoint(hole));
    EXPECT_TRUE(ring.containsPoint(band));
    EXPECT_FALSE(ring.containsPoint(outside));

    // With the inner turn reversed, the hole is empty under either rule.
    BezierPath reversed = BezierPath::bezierPathWithRect(Rect(0, 0, 100, 100));
    reversed.moveToPoint({25, 25});
    reversed.lineToPoint({25, 75});
    reversed.lineToPoint({75, 75});
    reversed.lineToPoint({75, 25});
    reversed.closePath();
    EXPECT_FALSE(reversed.containsPoint(hole));
    EXPECT_TRUE(reversed.containsPoint(band));

    // Oval rings: the curves are tested, not their control boxes.
    BezierPath donut = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 100, 100));
    donut.appendBezierPath(BezierPath::bezierPathWithOvalInRect(Rect(30, 30, 40, 40)));
    donut.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(donut.containsPoint({50, 50}));
    EXPECT_TRUE(donut.containsPoint({50, 15}));
    EXPECT_FALSE(donut.containsPoint({3, 3}));
}

TEST(BezierPathContains, OpenSubpathsCountAsClosed) {
    BezierPath tri;
    tri.moveToPoint({0, 0});
    tri.lineToPoint({100, 0});
    tri.lineToPoint({0, 100});
    EXPECT_TRUE(tri.containsPoint({20, 20}));
    EXPECT_FALSE(tri.containsPoint({60, 60}));
    EXPECT_FALSE(BezierPath().containsPoint({0, 0}));

    // The pie slice an arc shape draws: arc, line to the centre, close.
    BezierPath pie;
    pie.appendBezierPathWithArcWithCenter({0, 0}, 10, 0, 90, false);
    pie.lineToPoint({0, 0});
    pie.closePath();
    EXPECT_TRUE(pie.containsPoint({5, 5}));
    EXPECT_FALSE(pie.containsPoint({-5, 5}));
    EXPECT_FALSE(pie.containsPoint({5, -5}));
    EXPECT_FALSE(pie.containsPoint({7.2, 7.2}));
}

TEST(BezierPathContains, CircleBoundaryIsResolvedFinely) {
    const BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(-100, -100, 200, 200));
    for (int i = 0; i < 360; i += 7) {
        const double a = i * std::numbers::pi / 180;
        EXPECT_TRUE(circle.containsPoint({99.9 * std::cos(a), 99.9 * std::sin(a)})) << i;
        EXPECT_FALSE(circle.containsPoint({100.1 * std::cos(a), 100.1 * std::sin(a)})) << i;
    }
}

TEST(BezierPathContains, AgreesWithTheFlattenedPolygon) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coord(-10, 110);
    for (int n = 0; n < 100; ++n) {
        BezierPath p = randomClosedPath(rng);
        const std::vector<LineSegment> segs = p.flattenedSegments(1e-4);
        for (int k = 0; k < 50; ++k) {
            const Point q(coord(rng), coord(rng));
            if (distanceToPolyline(q, segs) < 1e-2)
                continue;
            const int w = polygonWinding(segs, q);
            p.setWindingRule(WindingRule::NonZero);
            EXPECT_EQ(p.containsPoint(q), w != 0);
            p.setWindingRule(WindingRule::EvenOdd);
            EXPECT_EQ(p.containsPoint(q), (w & 1) != 0);
        }
    }
}

TEST(BezierPathFlatten, StaysWithinTheTolerance) {
    std::mt19937 rng(3);
    for (double tol : {1.0, 0.1, 0.01, 0.001}) {
        for (int n = 0; n < 20; ++n) {
            const BezierPath p = randomClosedPath(rng);
            const std::vector<LineSegment> segs = p.flattenedSegments(tol);
            for (std::size_t i = 1; i < segs.size(); ++i) {
                // Consecutive within a subpath; a new subpath starts at its move.
                if (!(segs[i].a == segs[i - 1].b)) {
                    EXPECT_EQ(segs[i].a, p.elementAtIndex(6).points[0]);
                }
            }
            for (Point s : samplePath(p, 100))
                EXPECT_LE(distanceToPolyline(s, segs), tol * (1 + 1e-9)) << tol;
        }
    }
}

TEST(BezierPathFlatten, ClosingSegmentsOnlyForClosedSubpaths) {
    BezierPath open;
    open.moveToPoint({0, 0});
    open.lineToPoint({10, 0});
    open.lineToPoint({10, 10});
    EXPECT_EQ(open.flattenedSegments().size(), 2u);
    BezierPath closed = open;
    closed.closePath();
    const std::vector<LineSegment> segs = closed.flattenedSegments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[2].a, Point(10, 10));
    EXPECT_EQ(segs[2].b, Point(0, 0));
}

TEST(BezierPathFlatten, FinerToleranceGivesMoreSegments) {
    const BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 1000, 1000));
    const std::size_t coarse = circle.flattenedSegments(1).size();
    const std::size_t fine = circle.flattenedSegments(0.01).size();
    EXPECT_GT(fine, coarse);
    EXPECT_GE(coarse, 8u);
    // A bad tolerance falls back to the default instead of looping.
    EXPECT_EQ(circle.flattenedSegments(-1).size(), circle.flattenedSegments().size());
    EXPECT_EQ(circle.flattenedSegments(std::nan("")).size(), circle.flattenedSegments().size());
}

TEST(BezierPathTransform, MapsEveryPoint) {
    BezierPath p = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 100, 50));
    p.setLineWidth(3);
    AffineTransform t = AffineTransform::translation(10, 20);
    t.appendScale(2, -1);
    const BezierPath mapped = p.transformedBy(t);
    ASSERT_EQ(mapped.elementCount(), p.elementCount());
    for (std::size_t i = 0; i < p.elementCount(); ++i) {
        const PathElement& a = p.elementAtIndex(i);
        const PathElement& b = mapped.elementAtIndex(i);
        EXPECT_EQ(a.type, b.type);
        for (int k = 0; k < a.pointCount(); ++k)
            EXPECT_EQ(b.points[k], t.transformPoint(a.points[k]));
    }
    EXPECT_EQ(mapped.lineWidth(), 3);
    expectNear(mapped.bounds(), Rect(20, -70, 200, 50));
    EXPECT_EQ(p.bounds().width(), 100); // the source is unchanged

    AffineTransform spin;
    spin.rotateByDegrees(90, {50, 25});
    p.transformUsingAffineTransform(spin);
    expectNear(p.bounds(), Rect(25, -25, 50, 100));
}

TEST(BezierPathElements, EditingAndCurrentPoint) {
    BezierPath p;
    EXPECT_EQ(p.currentPoint(), Point(0, 0));
    p.moveToPoint({1, 1});
    p.curveToPoint({9, 9}, {2, 2}, {3, 3});
    EXPECT_EQ(p.elementAtIndex(1).pointCount(), 3);
    EXPECT_EQ(p.currentPoint(), Point(9, 9));
    const Point pts[3] = {{4, 4}, {5, 5}, {6, 6}};
    p.setAssociatedPoints(pts, 1);
    EXPECT_EQ(p.elementAtIndex(1).points[0], Point(4, 4));
    EXPECT_EQ(p.currentPoint(), Point(6, 6));
    p.setAssociatedPoints(pts, 7); // out of range: ignored
    p.closePath();
    EXPECT_EQ(p.currentPoint(), Point(1, 1));
    EXPECT_EQ(p.elementAtIndex(2).pointCount(), 0);

    BezierPath twice = p;
    twice.appendBezierPath(twice);
    ASSERT_EQ(twice.elementCount(), 6u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(twice.elementAtIndex(i + 3), p.elementAtIndex(i));
    twice.removeAllPoints();
    EXPECT_TRUE(twice.isEmpty());
}

TEST(BezierPathDash, UnusablePatternsDrawSolid) {
    BezierPath p;
    p.setLineDash({4, 2}, 1.5);
    EXPECT_EQ(p.lineDash(), (std::vector<double>{4, 2}));
    EXPECT_EQ(p.lineDashPhase(), 1.5);
    p.setLineDash({0, 3}, 0); // dots with round caps
    EXPECT_EQ(p.lineDash().size(), 2u);
    p.setLineDash({0, 0}, 0);
    EXPECT_TRUE(p.lineDash().empty());
    p.setLineDash({4, -1}, 0);
    EXPECT_TRUE(p.lineDash().empty());
    p.setLineDash({4, std::numeric_limits<double>::infinity()}, std::nan(""));
    EXPECT_TRUE(p.lineDash().empty());
    EXPECT_EQ(p.lineDashPhase(), 0);
}

TEST(BezierPathRobustness, NonFiniteAndHugeInputStayBounded) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    BezierPath p;
    p.moveToPoint({nan, 0});
    p.curveToPoint({inf, 1}, {0, nan}, {-inf, 5});
    p.lineToPoint({1, 1});
    p.curveToPoint({1e300, -1e300}, {-1e300, 1e300}, {1e300, 1e300});
    p.closePath();
    (void)p.bounds();
    (void)p.controlPointBounds();
    EXPECT_FALSE(p.containsPoint({nan, nan}));
    (void)p.containsPoint({0.5, 0.5});
    // The huge curve is cut into at most 2^12 pieces, whatever the tolerance.
    EXPECT_LE(p.flattenedSegments(1e-9).size(), 4200u);

    // A line or curve with no move before it starts where its points begin.
    BezierPath bare;
    bare.lineToPoint({5, 5});
    bare.lineToPoint({10, 5});
    EXPECT_EQ(bare.bounds(), Rect(5, 5, 5, 0));
}

TEST(BezierPathRobustness, AMillionElements) {
    BezierPath p;
    p.moveToPoint({0, 0});
    for (int i = 0; i < 1000000; ++i) {
        const double x = i * 1e-3;
        if (i % 2)
            p.lineToPoint({x, (i % 4 == 1) ? 10.0 : 0.0});
        else
            p.curveToPoint({x, 5}, {x - 0.01, 20}, {x + 0.01, -10});
    }
    p.closePath();
    EXPECT_EQ(p.elementCount(), 1000002u);
    const Rect b = p.bounds();
    EXPECT_GT(b.width(), 999);
    (void)p.containsPoint({500, 3});
    EXPECT_GE(p.flattenedSegments(1).size(), 1000001u);
}

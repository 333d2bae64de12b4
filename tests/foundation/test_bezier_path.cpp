#include "framework/foundation/BezierPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace qv;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void expectNear(Point actual, Point expected, double eps = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
}

void expectNear(const Rect& actual, const Rect& expected, double eps = 1e-9) {
    expectNear(Point(actual.x(), actual.y()), Point(expected.x(), expected.y()), eps);
    EXPECT_NEAR(actual.width(), expected.width(), eps);
    EXPECT_NEAR(actual.height(), expected.height(), eps);
}

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

double distanceToPolyline(Point p, const std::vector<LineSegment>& segs) {
    double best = kInf;
    for (const LineSegment& s : segs) {
        const Point d = s.b - s.a;
        const double len2 = d.x * d.x + d.y * d.y;
        const double t =
            len2 > 0 ? std::clamp(((p.x - s.a.x) * d.x + (p.y - s.a.y) * d.y) / len2, 0.0, 1.0)
                     : 0.0;
        const Point e = s.a + d * t - p;
        best = std::min(best, std::hypot(e.x, e.y));
    }
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
            out.push_back(current = e.points[0]);
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

BezierPath polyline(std::initializer_list<Point> points, bool close) {
    BezierPath p;
    for (Point q : points)
        p.isEmpty() ? p.moveToPoint(q) : p.lineToPoint(q);
    if (close)
        p.closePath();
    return p;
}

} // namespace

TEST(BezierPathConstruction, RectangleAndOvalExactPoints) {
    const BezierPath p = BezierPath::bezierPathWithRect(Rect(10, 20, 30, 40));
    EXPECT_EQ(p, polyline({{10, 20}, {40, 20}, {40, 60}, {10, 60}}, true));
    EXPECT_EQ(p.bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(p.currentPoint(), Point(10, 20));
    EXPECT_EQ(BezierPath::bezierPathWithRect(Rect(40, 60, -30, -40)), p);

    // The oval starts at the right and runs towards positive y.
    const Rect r(0, 0, 200, 100);
    const BezierPath o = BezierPath::bezierPathWithOvalInRect(r);
    ASSERT_EQ(o.elementCount(), 6u);
    EXPECT_EQ(o.elementAtIndex(0).points[0], Point(200, 50));
    const Point ends[] = {{100, 100}, {0, 50}, {100, 0}, {200, 50}};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(o.elementAtIndex(i).type, PathElementType::CurveTo);
        EXPECT_EQ(o.elementAtIndex(i).points[2], ends[i - 1]);
    }
    EXPECT_EQ(o.elementAtIndex(1).points[0], Point(200, 50 + 50 * BezierPath::kOvalKappa));
    EXPECT_EQ(o.elementAtIndex(5).type, PathElementType::ClosePath);
    expectNear(o.bounds(), r);
    EXPECT_EQ(o.controlPointBounds(), r);
    // A circle's four curves stay within 0.03% of the radius.
    for (Point s : samplePath(BezierPath::bezierPathWithOvalInRect(Rect(-50, -50, 100, 100))))
        EXPECT_TRUE(pointOnCircle(s, {0, 0}, 50, 3e-4)) << s.x << "," << s.y;
}

TEST(BezierPathArc, RunsAroundTheCircleInItsDirectionToItsEnd) {
    for (double start : {-30.0, 0.0, 17.0, 400.0}) {
        for (double end : {-200.0, 10.0, 90.0, 181.0, 359.0, start + 360, start + 720, start - 360,
                           start - 500}) {
            for (bool cw : {false, true}) {
                SCOPED_TRACE(::testing::Message() << start << " to " << end << " cw " << cw);
                BezierPath p;
                p.moveToPoint({0, 0});
                p.appendBezierPathWithArcWithCenter({3, 4}, 25, start, end, cw);
                EXPECT_EQ(p.elementAtIndex(1).type, PathElementType::LineTo);
                // A difference of a full turn or more draws the whole circle.
                const bool full = std::fabs(end - start) >= 360;
                const double rad = (full ? start : end) * std::numbers::pi / 180;
                expectNear(p.currentPoint(), {3 + 25 * std::cos(rad), 4 + 25 * std::sin(rad)});
                EXPECT_LE(p.elementCount(), 6u);
                if (full) {
                    EXPECT_EQ(p.elementCount(), 6u);
                    // Quarter-turn cubics bulge by up to 0.027% of the radius.
                    expectNear(p.bounds(), Rect(-22, -21, 50, 50), 2 * 25 * 3e-4);
                }
                // Increasing angles run downwards on screen, clockwise the other way.
                const std::vector<Point> pts = samplePath(p);
                int turns = 0;
                for (std::size_t i = 2; i < pts.size(); ++i) {
                    EXPECT_TRUE(pointOnCircle(pts[i], {3, 4}, 25, 3e-4));
                    const Point a = pts[i - 1] - Point(3, 4), b = pts[i] - Point(3, 4);
                    const double turn = (a.x * b.y - a.y * b.x) * (cw ? -1 : 1);
                    EXPECT_GE(turn, -1e-9);
                    turns += turn > 1e-9;
                }
                EXPECT_GT(turns, 10);
            }
        }
    }
    BezierPath same;
    same.appendBezierPathWithArcWithCenter({0, 0}, 10, 45, 45, true);
    ASSERT_EQ(same.elementCount(), 1u);
    EXPECT_EQ(same.elementAtIndex(0).type, PathElementType::MoveTo);
    // Non-finite input adds nothing.
    BezierPath none;
    none.appendBezierPathWithArcWithCenter({0, 0}, kNaN, 0, 90, false);
    none.appendBezierPathWithArcWithCenter({0, 0}, 10, 0, kInf, false);
    none.appendBezierPathWithArcWithCenter({kInf, 0}, 10, 0, 90, true);
    EXPECT_TRUE(none.isEmpty());
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
    EXPECT_TRUE(s.bounds().maxX() > 10 && s.bounds().minX() < -10 && s.bounds().maxX() < 60);
    EXPECT_EQ(BezierPath().bounds(), Rect());
    EXPECT_EQ(BezierPath().controlPointBounds(), Rect());

    // Random paths: the tight box holds every sample and touches each side.
    std::mt19937 rng(7);
    for (int n = 0; n < 200; ++n) {
        const BezierPath r = randomClosedPath(rng);
        const Rect b = r.bounds(), cb = r.controlPointBounds();
        EXPECT_TRUE(b.minX() >= cb.minX() && b.maxX() <= cb.maxX());
        EXPECT_TRUE(b.minY() >= cb.minY() && b.maxY() <= cb.maxY());
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (Point s : samplePath(r, 2000)) {
            EXPECT_TRUE(s.x >= b.minX() - 1e-9 && s.x <= b.maxX() + 1e-9);
            EXPECT_TRUE(s.y >= b.minY() - 1e-9 && s.y <= b.maxY() + 1e-9);
            x0 = std::min(x0, s.x), y0 = std::min(y0, s.y);
            x1 = std::max(x1, s.x), y1 = std::max(y1, s.y);
        }
        expectNear(Rect(x0, y0, x1 - x0, y1 - y0), b, 1e-3);
    }
}

TEST(BezierPathContains, WindingRulesAndOpenSubpaths) {
    BezierPath ring = BezierPath::bezierPathWithRect(Rect(0, 0, 100, 100));
    ring.appendBezierPath(BezierPath::bezierPathWithRect(Rect(25, 25, 50, 50)));
    EXPECT_TRUE(ring.containsPoint({50, 50})); // both turns run the same way
    ring.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(ring.containsPoint({50, 50}));
    EXPECT_TRUE(ring.containsPoint({10, 50}));
    // Open subpaths count as closed.
    const BezierPath tri = polyline({{0, 0}, {100, 0}, {0, 100}}, false);
    EXPECT_TRUE(tri.containsPoint({20, 20}));
    EXPECT_FALSE(tri.containsPoint({60, 60}));
    EXPECT_FALSE(BezierPath().containsPoint({0, 0}));
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

TEST(BezierPathFlatten, StaysWithinTheToleranceAndClosesOnlyClosedSubpaths) {
    std::mt19937 rng(3);
    for (double tol : {1.0, 0.1, 0.01, 0.001}) {
        for (int n = 0; n < 20; ++n) {
            const BezierPath p = randomClosedPath(rng);
            const std::vector<LineSegment> segs = p.flattenedSegments(tol);
            // Consecutive within a subpath; a new subpath starts at its move.
            for (std::size_t i = 1; i < segs.size(); ++i) {
                if (!(segs[i].a == segs[i - 1].b)) {
                    EXPECT_EQ(segs[i].a, p.elementAtIndex(6).points[0]);
                }
            }
            for (Point s : samplePath(p, 100))
                EXPECT_LE(distanceToPolyline(s, segs), tol * (1 + 1e-9)) << tol;
        }
    }
    EXPECT_EQ(polyline({{0, 0}, {10, 0}, {10, 10}}, false).flattenedSegments().size(), 2u);
    const std::vector<LineSegment> segs =
        polyline({{0, 0}, {10, 0}, {10, 10}}, true).flattenedSegments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[2].a, Point(10, 10));
    EXPECT_EQ(segs[2].b, Point(0, 0));

    const BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 1000, 1000));
    const std::size_t coarse = circle.flattenedSegments(1).size();
    EXPECT_GT(circle.flattenedSegments(0.01).size(), coarse);
    EXPECT_GE(coarse, 8u);
    // A bad tolerance falls back to the default instead of looping.
    EXPECT_EQ(circle.flattenedSegments(-1).size(), circle.flattenedSegments().size());
    EXPECT_EQ(circle.flattenedSegments(kNaN).size(), circle.flattenedSegments().size());
}

TEST(BezierPathTransform, MapsEveryPoint) {
    BezierPath p = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 100, 50));
    p.setLineWidth(3);
    AffineTransform t = AffineTransform::translation(10, 20);
    t.appendScale(2, -1);
    const BezierPath mapped = p.transformedBy(t);
    ASSERT_EQ(mapped.elementCount(), p.elementCount());
    for (std::size_t i = 0; i < p.elementCount(); ++i) {
        const PathElement &a = p.elementAtIndex(i), &b = mapped.elementAtIndex(i);
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
    for (std::vector<double> bad : {std::vector<double>{0, 0}, {4, -1}, {4, kInf}}) {
        p.setLineDash(bad, kNaN);
        EXPECT_TRUE(p.lineDash().empty());
        EXPECT_EQ(p.lineDashPhase(), 0);
    }
}

TEST(BezierPathRobustness, NonFiniteHugeAndLongInputStayBounded) {
    BezierPath p;
    p.moveToPoint({kNaN, 0});
    p.curveToPoint({kInf, 1}, {0, kNaN}, {-kInf, 5});
    p.lineToPoint({1, 1});
    p.curveToPoint({1e300, -1e300}, {-1e300, 1e300}, {1e300, 1e300});
    p.closePath();
    (void)p.bounds();
    (void)p.controlPointBounds();
    EXPECT_FALSE(p.containsPoint({kNaN, kNaN}));
    (void)p.containsPoint({0.5, 0.5});
    // The huge curve is cut into at most 2^12 pieces, whatever the tolerance.
    EXPECT_LE(p.flattenedSegments(1e-9).size(), 4200u);
    // A line with no move before it starts where its points begin.
    BezierPath bare;
    bare.lineToPoint({5, 5});
    bare.lineToPoint({10, 5});
    EXPECT_EQ(bare.bounds(), Rect(5, 5, 5, 0));

    BezierPath big;
    big.moveToPoint({0, 0});
    for (int i = 0; i < 1000000; ++i) {
        const double x = i * 1e-3;
        if (i % 2)
            big.lineToPoint({x, (i % 4 == 1) ? 10.0 : 0.0});
        else
            big.curveToPoint({x, 5}, {x - 0.01, 20}, {x + 0.01, -10});
    }
    big.closePath();
    EXPECT_EQ(big.elementCount(), 1000002u);
    EXPECT_GT(big.bounds().width(), 999);
    (void)big.containsPoint({500, 3});
    EXPECT_GE(big.flattenedSegments(1).size(), 1000001u);
}

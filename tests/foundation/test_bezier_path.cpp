// Bezier paths: exact rectangles and ovals, arcs, tight bounds, containment
// and flattening checked against fine samples of the curves, editing,
// transforms and hostile input.
#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace qv;
using namespace qv::test;

namespace {

TEST(BezierPath, RectanglesOvalsAndEditing) {
    const BezierPath rect = BezierPath::bezierPathWithRect(Rect(10, 20, 30, 40));
    EXPECT_EQ(rect, pathOf("M 10 20 L 40 20 L 40 60 L 10 60 Z"));
    EXPECT_EQ(BezierPath::bezierPathWithRect(Rect(40, 60, -30, -40)), rect);
    EXPECT_EQ(rect.bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(rect.currentPoint(), Point(10, 20)); // after a close: where the subpath began

    // The oval starts at the right and runs towards positive y.
    const BezierPath o = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 200, 100));
    ASSERT_EQ(o.elementCount(), 6u);
    EXPECT_EQ(o.elementAtIndex(0).points[0], Point(200, 50));
    const Point ends[] = {{100, 100}, {0, 50}, {100, 0}, {200, 50}};
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(o.elementAtIndex(i).points[2], ends[i - 1]);
    EXPECT_EQ(o.elementAtIndex(1).points[0], Point(200, 50 + 50 * BezierPath::kOvalKappa));
    EXPECT_EQ(o.elementAtIndex(5).type, PathElementType::ClosePath);
    EXPECT_LT(gap(o.bounds(), Rect(0, 0, 200, 100)), 1e-9);
    EXPECT_EQ(o.controlPointBounds(), Rect(0, 0, 200, 100));
    // A circle's four curves stay within 0.03% of the radius.
    for (Point s : samplePoints(BezierPath::bezierPathWithOvalInRect(Rect(-50, -50, 100, 100))))
        EXPECT_NEAR(std::hypot(s.x, s.y), 50, 50 * 3e-4);

    EXPECT_EQ(BezierPath().currentPoint(), Point(0, 0));
    BezierPath p = pathOf("M 1 1 C 2 2 3 3 9 9");
    EXPECT_EQ(p.currentPoint(), Point(9, 9));
    const Point pts[3] = {{4, 4}, {5, 5}, {6, 6}};
    p.setAssociatedPoints(pts, 1);
    p.setAssociatedPoints(pts, 7); // out of range: ignored
    EXPECT_EQ(p.elementAtIndex(1).points, (std::array<Point, 3>{pts[0], pts[1], pts[2]}));
    EXPECT_EQ(p.currentPoint(), Point(6, 6));
    p.closePath();
    EXPECT_EQ(p.currentPoint(), Point(1, 1));
    BezierPath twice = p;
    twice.appendBezierPath(twice);
    ASSERT_EQ(twice.elementCount(), 6u);
    EXPECT_EQ(std::vector<PathElement>(twice.elements().begin() + 3, twice.elements().end()),
              p.elements());
    twice.removeAllPoints();
    EXPECT_TRUE(twice.isEmpty());

    // Dash patterns that cannot be drawn are dropped with their phase.
    p.setLineDash({0, 3}, 1.5); // dots with round caps
    EXPECT_EQ(p.lineDash(), (std::vector<double>{0, 3}));
    EXPECT_EQ(p.lineDashPhase(), 1.5);
    for (std::vector<double> bad : {std::vector<double>{0, 0}, {4, -1}, {4, kInf}}) {
        p.setLineDash(bad, kNaN);
        EXPECT_TRUE(p.lineDash().empty() && p.lineDashPhase() == 0);
    }
}

TEST(BezierPath, ArcsRunAroundTheCircleInTheirDirectionToTheirEnd) {
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
                EXPECT_LT(
                    distance(p.currentPoint(), {3 + 25 * std::cos(rad), 4 + 25 * std::sin(rad)}),
                    1e-9);
                EXPECT_TRUE(full ? p.elementCount() == 6 : p.elementCount() <= 6);
                // Quarter-turn cubics bulge by up to 0.027% of the radius.
                EXPECT_LT(full ? gap(p.bounds(), Rect(-22, -21, 50, 50)) : 0, 2 * 25 * 3e-4);
                // Increasing angles run downwards on screen, clockwise the other way.
                const std::vector<Point> pts = samplePoints(p);
                int turns = 0;
                for (std::size_t i = 2; i < pts.size(); ++i) {
                    EXPECT_NEAR(distance(pts[i], {3, 4}), 25, 25 * 3e-4);
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

TEST(BezierPath, TightBoundsFollowTheCurveNotItsControls) {
    const BezierPath p = pathOf("M 0 0 C 0 100 100 100 100 0");
    EXPECT_EQ(p.controlPointBounds(), Rect(0, 0, 100, 100));
    EXPECT_LT(gap(p.bounds(), Rect(0, 0, 100, 75)), 1e-9);
    // An S-shaped curve whose x overshoots both ends.
    const BezierPath s = pathOf("M 0 0 C 60 10 -60 20 0 30");
    EXPECT_TRUE(s.bounds().maxX() > 10 && s.bounds().minX() < -10 && s.bounds().maxX() < 60);
    EXPECT_EQ(BezierPath().bounds(), Rect());
    EXPECT_EQ(BezierPath().controlPointBounds(), Rect());

    // Random paths: the tight box lies within the control box, holds every
    // sample and touches each side.
    std::mt19937 rng(7);
    for (int n = 0; n < 200; ++n) {
        const BezierPath r = randomPath(rng, 2, 4, 0, 100, 1);
        const Rect b = r.bounds(), slack = b.insetBy(-1e-9, -1e-9);
        EXPECT_TRUE(r.controlPointBounds().insetBy(-1e-9, -1e-9).containsRect(b));
        double x0 = kInf, y0 = kInf, x1 = -kInf, y1 = -kInf;
        for (Point q : samplePoints(r, 2000))
            x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x),
            y1 = std::max(y1, q.y);
        EXPECT_TRUE(slack.containsRect(Rect(x0, y0, x1 - x0, y1 - y0))) << n;
        EXPECT_LT(gap(Rect(x0, y0, x1 - x0, y1 - y0), b), 1e-3) << n;
    }
}

TEST(BezierPath, ContainmentAgreesWithTheFlattenedPolygon) {
    BezierPath ring = BezierPath::bezierPathWithRect(Rect(0, 0, 100, 100));
    ring.appendBezierPath(BezierPath::bezierPathWithRect(Rect(25, 25, 50, 50)));
    EXPECT_TRUE(ring.containsPoint({50, 50})); // both turns run the same way
    ring.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(ring.containsPoint({50, 50}));
    EXPECT_TRUE(ring.containsPoint({10, 50}));
    // Open subpaths count as closed.
    const BezierPath tri = pathOf("M 0 0 L 100 0 L 0 100");
    EXPECT_TRUE(tri.containsPoint({20, 20}));
    EXPECT_FALSE(tri.containsPoint({60, 60}));
    EXPECT_FALSE(BezierPath().containsPoint({0, 0}));

    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coord(-10, 110);
    for (int n = 0; n < 100; ++n) {
        BezierPath p = randomPath(rng, 2, 4, 0, 100, 1);
        const std::vector<LineSegment> segs = p.flattenedSegments(1e-4);
        for (int k = 0; k < 50; ++k) {
            const Point q(coord(rng), coord(rng));
            if (distanceTo(q, segs) < 1e-2)
                continue;
            const int w = winding(segs, q);
            p.setWindingRule(WindingRule::NonZero);
            EXPECT_EQ(p.containsPoint(q), w != 0);
            p.setWindingRule(WindingRule::EvenOdd);
            EXPECT_EQ(p.containsPoint(q), (w & 1) != 0);
        }
    }
}

TEST(BezierPath, FlatteningStaysWithinTheToleranceAndClosesOnlyClosedSubpaths) {
    std::mt19937 rng(3);
    for (double tol : {1.0, 0.1, 0.01, 0.001}) {
        for (int n = 0; n < 20; ++n) {
            const BezierPath p = randomPath(rng, 2, 4, 0, 100, 1);
            const std::vector<LineSegment> segs = p.flattenedSegments(tol);
            // Consecutive within a subpath; a new subpath starts at its move.
            const Point second = sampled(p, 1)[2].points[0];
            for (std::size_t i = 1; i < segs.size(); ++i)
                EXPECT_TRUE(segs[i].a == segs[i - 1].b || segs[i].a == second) << i;
            for (Point s : samplePoints(p, 100))
                EXPECT_LE(distanceTo(s, segs), tol * (1 + 1e-9)) << tol;
        }
    }
    EXPECT_EQ(pathOf("M 0 0 L 10 0 L 10 10").flattenedSegments().size(), 2u);
    const std::vector<LineSegment> segs = pathOf("M 0 0 L 10 0 L 10 10 Z").flattenedSegments();
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

TEST(BezierPath, NonFiniteHugeAndLongInputStayBounded) {
    const BezierPath p =
        pathOf("M nan 0 C 0 nan -inf 5 inf 1 L 1 1 C -1e300 1e300 1e300 1e300 1e300 -1e300 Z");
    (void)p.bounds();
    (void)p.controlPointBounds();
    EXPECT_FALSE(p.containsPoint({kNaN, kNaN}));
    (void)p.containsPoint({0.5, 0.5});
    // The huge curve is cut into at most 2^12 pieces, whatever the tolerance.
    EXPECT_LE(p.flattenedSegments(1e-9).size(), 4200u);
    // A line with no move before it starts where its points begin.
    EXPECT_EQ(pathOf("L 5 5 L 10 5").bounds(), Rect(5, 5, 5, 0));

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

} // namespace

#include "framework/foundation/PathDasher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace qv;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double dist(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Point cubicAt(const Point p[4], double t) {
    const double u = 1 - t;
    return p[0] * (u * u * u) + p[1] * (3 * u * u * t) + p[2] * (3 * u * t * t) +
           p[3] * (t * t * t);
}

// A subpath (or piece) as a fine polyline with the arc length at each point.
struct Polyline {
    std::vector<Point> points;
    std::vector<double> arc;
    double length() const { return arc.empty() ? 0 : arc.back(); }
    void add(Point p) {
        arc.push_back(points.empty() ? 0 : arc.back() + dist(points.back(), p));
        points.push_back(p);
    }
    Point pointAt(double s) const {
        const auto it = std::lower_bound(arc.begin(), arc.end(), s);
        if (it == arc.begin())
            return points.front();
        if (it == arc.end())
            return points.back();
        const std::size_t i = std::size_t(it - arc.begin());
        const double span = arc[i] - arc[i - 1];
        const double f = span > 0 ? (s - arc[i - 1]) / span : 0;
        return points[i - 1] + (points[i] - points[i - 1]) * f;
    }
    // Distance from p to the part of the polyline between arc lengths s0 and s1.
    double distanceWithin(Point p, double s0, double s1) const {
        double best = kInf;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (arc[i] < s0 || arc[i - 1] > s1)
                continue;
            const Point a = points[i - 1], d = points[i] - a;
            const double len2 = d.x * d.x + d.y * d.y;
            const double t =
                len2 > 0 ? std::clamp(((p.x - a.x) * d.x + (p.y - a.y) * d.y) / len2, 0.0, 1.0)
                         : 0.0;
            best = std::min(best, dist(a + d * t, p));
        }
        return best;
    }
};

// The subpaths of a path as polylines (closing segments included), sampling
// each cubic uniformly in its parameter.
std::vector<Polyline> subpathPolylines(const BezierPath& path, int perCurve = 2000) {
    std::vector<Polyline> out;
    Point start, current;
    for (const PathElement& e : path.elements()) {
        if (e.type == PathElementType::MoveTo) {
            out.emplace_back();
            start = current = e.points[0];
            out.back().add(current);
            continue;
        }
        if (out.empty()) {
            out.emplace_back();
            out.back().add(current);
        }
        if (e.type == PathElementType::LineTo) {
            current = e.points[0];
            out.back().add(current);
        } else if (e.type == PathElementType::CurveTo) {
            const Point p[4] = {current, e.points[0], e.points[1], e.points[2]};
            for (int i = 1; i <= perCurve; ++i)
                out.back().add(cubicAt(p, double(i) / perCurve));
            current = e.points[2];
        } else {
            out.back().add(start);
            current = start;
            out.emplace_back();
            out.back().add(current);
        }
    }
    return out;
}

// The painted intervals of [0, length] for the pattern, found by laying the
// pattern out from -phase; zero-length painted entries give a == b.
struct Interval {
    double a, b;
};
std::vector<Interval> expectedIntervals(double length, std::vector<double> pattern, double phase,
                                        bool dots) {
    const std::size_t n = pattern.size();
    if (n % 2 == 1)
        pattern.insert(pattern.end(), pattern.begin(), pattern.begin() + long(n));
    double period = 0;
    for (double l : pattern)
        period += l;
    double p = std::fmod(phase, period);
    if (p < 0)
        p += period;
    std::vector<Interval> out;
    double x = -p;
    for (std::size_t k = 0; x <= length; k = (k + 1) % pattern.size()) {
        const double end = x + pattern[k];
        if (k % 2 == 0) {
            if (pattern[k] == 0) {
                if (dots && x >= 0 && x < length)
                    out.push_back({x, x});
            } else if (std::max(x, 0.0) < std::min(end, length)) {
                out.push_back({std::max(x, 0.0), std::min(end, length)});
            }
        }
        x = end;
    }
    return out;
}

std::vector<BezierPath> piecesOf(const BezierPath& dashed) {
    std::vector<BezierPath> pieces;
    for (const PathElement& e : dashed.elements()) {
        if (e.type == PathElementType::MoveTo)
            pieces.emplace_back();
        EXPECT_FALSE(pieces.empty()) << "a piece must start with a move";
        EXPECT_NE(e.type, PathElementType::ClosePath) << "pieces are open";
        if (pieces.empty())
            pieces.emplace_back();
        switch (e.type) {
        case PathElementType::MoveTo:
            pieces.back().moveToPoint(e.points[0]);
            break;
        case PathElementType::LineTo:
            pieces.back().lineToPoint(e.points[0]);
            break;
        case PathElementType::CurveTo:
            pieces.back().curveToPoint(e.points[2], e.points[0], e.points[1]);
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
    return pieces;
}

// Checks every invariant of a dashing against the original path; `tol` in
// path units.
void checkDashing(const BezierPath& path, const std::vector<double>& pattern, double phase,
                  double dotLength, double tol = 1e-3) {
    SCOPED_TRACE(::testing::Message() << "pattern size " << pattern.size() << " phase " << phase);
    DashOptions options;
    options.dotLength = dotLength;
    const std::optional<BezierPath> dashed = dashedPath(path, pattern, phase, options);
    ASSERT_TRUE(dashed.has_value());
    EXPECT_TRUE(dashed->lineDash().empty());
    const std::vector<BezierPath> pieces = piecesOf(*dashed);

    struct Expected {
        std::size_t subpath;
        Interval interval;
    };
    std::vector<Expected> expected;
    const std::vector<Polyline> subpaths = subpathPolylines(path);
    double expectedPainted = 0, actualPainted = 0;
    for (std::size_t i = 0; i < subpaths.size(); ++i) {
        if (!(subpaths[i].length() > 0))
            continue;
        for (const Interval& iv :
             expectedIntervals(subpaths[i].length(), pattern, phase, dotLength > 0)) {
            expected.push_back({i, iv});
            expectedPainted += iv.b > iv.a ? iv.b - iv.a : dotLength;
        }
    }
    ASSERT_EQ(pieces.size(), expected.size());
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "piece " << k);
        const Polyline& original = subpaths[expected[k].subpath];
        const Interval iv = expected[k].interval;
        const std::vector<Polyline> flat = subpathPolylines(pieces[k], 200);
        ASSERT_EQ(flat.size(), 1u);
        const Polyline& piece = flat.front();
        actualPainted += piece.length();
        EXPECT_LT(dist(piece.points.front(), original.pointAt(iv.a)), tol);
        if (iv.b == iv.a) {
            EXPECT_NEAR(piece.length(), dotLength, 1e-9);
            EXPECT_EQ(pieces[k].elementCount(), 2u);
            continue;
        }
        EXPECT_LT(dist(piece.points.back(), original.pointAt(iv.b)), tol);
        EXPECT_NEAR(piece.length(), iv.b - iv.a, tol);
        for (std::size_t j = 0; j < piece.points.size(); j += 7)
            EXPECT_LT(original.distanceWithin(piece.points[j], iv.a - tol, iv.b + tol), tol);
    }
    EXPECT_NEAR(actualPainted, expectedPainted, tol * double(1 + pieces.size()));
}

BezierPath randomPath(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(0, 100);
    std::uniform_int_distribution<int> pick(0, 9);
    auto pt = [&] { return Point(coord(rng), coord(rng)); };
    BezierPath path;
    const int subpaths = 1 + pick(rng) % 3;
    for (int s = 0; s < subpaths; ++s) {
        path.moveToPoint(pt());
        const int count = 1 + pick(rng) % 5;
        for (int i = 0; i < count; ++i) {
            const int kind = pick(rng);
            const Point here = path.currentPoint();
            if (kind < 3)
                path.lineToPoint(pt());
            else if (kind == 3)
                path.lineToPoint(here); // zero length
            else if (kind == 4)
                path.curveToPoint(pt(), here, pt()); // vanishing start tangent
            else
                path.curveToPoint(pt(), pt(), pt());
        }
        if (pick(rng) < 5)
            path.closePath();
    }
    return path;
}

std::vector<double> randomPattern(std::mt19937& rng) {
    std::uniform_int_distribution<int> size(1, 5), pick(0, 9);
    std::uniform_real_distribution<double> length(0.5, 15);
    std::vector<double> pattern(std::size_t(size(rng)));
    for (double& l : pattern)
        l = pick(rng) == 0 ? 0 : length(rng);
    if (pattern.size() == 1 && pattern[0] == 0)
        pattern[0] = 3;
    return pattern;
}

TEST(PathDasher, RandomPathsFollowThePattern) {
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> phase(-40, 40);
    std::uniform_int_distribution<int> coin(0, 1);
    for (int i = 0; i < 120; ++i) {
        SCOPED_TRACE(::testing::Message() << "case " << i);
        const BezierPath path = randomPath(rng);
        checkDashing(path, randomPattern(rng), phase(rng), coin(rng) ? 0.05 : 0);
    }
}

TEST(PathDasher, CurvesStayCurves) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(10, 20, 80, 40));
    checkDashing(oval, {6, 4}, 0, 0);
    const std::optional<BezierPath> dashed = dashedPath(oval, {6, 4}, 0);
    ASSERT_TRUE(dashed);
    std::size_t curves = 0;
    for (const PathElement& e : dashed->elements()) {
        EXPECT_NE(e.type, PathElementType::LineTo);
        curves += e.type == PathElementType::CurveTo;
    }
    // About 194 points of perimeter: 20 pieces, a few of them across a joint.
    EXPECT_GE(curves, 20u);
    EXPECT_LE(curves, 24u);
}

TEST(PathDasher, ArcLengthOfUnevenParametrisation) {
    // A straight cubic whose parameter crawls at both ends: positions must
    // still land where the arc length says, not where t is proportional.
    BezierPath path;
    path.moveToPoint({0, 0});
    path.curveToPoint({100, 0}, {0, 0}, {100, 0});
    const std::optional<BezierPath> dashed = dashedPath(path, {10, 10}, 5);
    ASSERT_TRUE(dashed);
    const std::vector<BezierPath> pieces = piecesOf(*dashed);
    // [0,5] [15,25] [35,45] [55,65] [75,85] [95,100]
    ASSERT_EQ(pieces.size(), 6u);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const double start = k == 0 ? 0 : 20.0 * double(k) - 5;
        const double end = std::min(100.0, 20.0 * double(k) + 5);
        EXPECT_NEAR(pieces[k].elementAtIndex(0).points[0].x, start, 1e-6);
        EXPECT_NEAR(pieces[k].elementAtIndex(1).points[2].x, end, 1e-6);
    }
    // A cusp and a loop.
    BezierPath cusp;
    cusp.moveToPoint({0, 0});
    cusp.curveToPoint({100, 0}, {100, 100}, {0, 100});
    checkDashing(cusp, {3, 2}, 0, 0.05);
    BezierPath loop;
    loop.moveToPoint({0, 0});
    loop.curveToPoint({0, 100}, {150, 150}, {150, -50});
    checkDashing(loop, {7, 1, 0.5, 1}, 2, 0.05);
}

TEST(PathDasher, ClosedSubpathIsDashedAlongItsClosingSide) {
    const BezierPath square = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10));
    checkDashing(square, {4, 2}, 0, 0);
    const std::optional<BezierPath> dashed = dashedPath(square, {4, 2}, 0);
    ASSERT_TRUE(dashed);
    const std::vector<BezierPath> pieces = piecesOf(*dashed);
    // 40 around: [0,4] [6,10] [12,16] [18,22] [24,28] [30,34] [36,40].
    ASSERT_EQ(pieces.size(), 7u);
    // The first and last pieces meet at the start but stay apart.
    EXPECT_EQ(pieces.front().elementAtIndex(0).points[0], Point(0, 0));
    EXPECT_EQ(pieces.back().currentPoint(), Point(0, 0));
    // A piece round a corner keeps the corner, so it gets a join.
    ASSERT_EQ(pieces[3].elementCount(), 3u);
    EXPECT_EQ(pieces[3].elementAtIndex(1).points[0], Point(10, 10));
    // What follows a close starts the pattern afresh.
    BezierPath twice = square;
    twice.lineToPoint({0, 10});
    const std::vector<BezierPath> more = piecesOf(*dashedPath(twice, {4, 2}, 0));
    ASSERT_EQ(more.size(), 9u);
    EXPECT_EQ(more[7].elementAtIndex(0).points[0], Point(0, 0));
    EXPECT_EQ(more[7].currentPoint(), Point(0, 4));
    EXPECT_EQ(more[8].elementAtIndex(0).points[0], Point(0, 6));
}

TEST(PathDasher, OddPatternsRepeatSwapped) {
    BezierPath line;
    line.moveToPoint({0, 0});
    line.lineToPoint({24, 0});
    // 1 on, 2 off, 3 on, 1 off, 2 on, 3 off, ...
    const std::vector<BezierPath> pieces = piecesOf(*dashedPath(line, {1, 2, 3}, 0));
    const double starts[] = {0, 3, 7, 12, 15, 19}, ends[] = {1, 6, 9, 13, 18, 21};
    ASSERT_EQ(pieces.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_DOUBLE_EQ(pieces[k].elementAtIndex(0).points[0].x, starts[k]);
        EXPECT_DOUBLE_EQ(pieces[k].currentPoint().x, ends[k]);
    }
    checkDashing(line, {2}, 1, 0);
    checkDashing(line, {1, 2, 3}, -4.5, 0);
}

TEST(PathDasher, PhaseWrapsBothWays) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 30, 50));
    const std::optional<BezierPath> a = dashedPath(oval, {5, 3}, 2);
    const std::optional<BezierPath> b = dashedPath(oval, {5, 3}, 2 - 8 * 3);
    const std::optional<BezierPath> c = dashedPath(oval, {5, 3}, 2 + 8 * 5);
    ASSERT_TRUE(a && b && c);
    ASSERT_EQ(a->elementCount(), b->elementCount());
    ASSERT_EQ(a->elementCount(), c->elementCount());
    for (std::size_t i = 0; i < a->elementCount(); ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_LT(dist(a->elementAtIndex(i).points[j], b->elementAtIndex(i).points[j]), 1e-9);
            EXPECT_LT(dist(a->elementAtIndex(i).points[j], c->elementAtIndex(i).points[j]), 1e-9);
        }
    // A phase that is not a number starts the pattern at its beginning.
    EXPECT_EQ(*dashedPath(oval, {5, 3}, kNaN), *dashedPath(oval, {5, 3}, 0));
}

TEST(PathDasher, ZeroLengthDashesBecomeDots) {
    BezierPath line;
    line.moveToPoint({0, 0});
    line.lineToPoint({20, 0});
    DashOptions dots;
    dots.dotLength = 0.02;
    const std::vector<BezierPath> pieces = piecesOf(*dashedPath(line, {0, 5}, 0, dots));
    // At 0, 5, 10 and 15; none at the very end, where it would face off the line.
    ASSERT_EQ(pieces.size(), 4u);
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        EXPECT_EQ(pieces[k].elementAtIndex(0).points[0], Point(5.0 * double(k), 0));
        EXPECT_NEAR(pieces[k].currentPoint().x, 5.0 * double(k) + 0.02, 1e-12);
        EXPECT_EQ(pieces[k].currentPoint().y, 0);
    }
    // Without a dot length they draw nothing, and the rest still follows.
    const std::optional<BezierPath> none = dashedPath(line, {0, 5}, 0);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    checkDashing(line, {0, 2, 3, 0}, 1, 0);
    // A dot faces along the curve, also where the derivative vanishes.
    BezierPath curve;
    curve.moveToPoint({0, 0});
    curve.curveToPoint({0, 10}, {0, 0}, {10, 10});
    const std::vector<BezierPath> onCurve = piecesOf(*dashedPath(curve, {0, 100}, 0, dots));
    ASSERT_EQ(onCurve.size(), 1u);
    const Point d = onCurve[0].currentPoint();
    EXPECT_NEAR(d.x, 0.02 * std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(d.y, 0.02 * std::sqrt(0.5), 1e-6);
    checkDashing(curve, {0, 1}, 0.5, 0.01);
}

TEST(PathDasher, DegenerateInput) {
    EXPECT_TRUE(dashedPath(BezierPath(), {3, 2}, 0)->isEmpty());
    BezierPath single;
    single.moveToPoint({5, 5});
    EXPECT_TRUE(dashedPath(single, {3, 2}, 0)->isEmpty());
    single.closePath();
    EXPECT_TRUE(dashedPath(single, {3, 2}, 0)->isEmpty());

    // Zero-length segments change nothing.
    BezierPath plain, padded;
    plain.moveToPoint({0, 0});
    plain.lineToPoint({10, 0});
    padded.moveToPoint({0, 0});
    padded.lineToPoint({0, 0});
    padded.curveToPoint({0, 0}, {0, 0}, {0, 0});
    padded.lineToPoint({10, 0});
    padded.lineToPoint({10, 0});
    EXPECT_EQ(*dashedPath(padded, {3, 1}, 0), *dashedPath(plain, {3, 1}, 0));

    // Stroke attributes carry over, the dash does not.
    plain.setLineWidth(3);
    plain.setLineCapStyle(LineCapStyle::Round);
    plain.setLineJoinStyle(LineJoinStyle::Bevel);
    plain.setMiterLimit(4);
    plain.setLineDash({3, 1}, 0);
    const BezierPath dashed = *dashedPath(plain, {3, 1}, 0);
    EXPECT_EQ(dashed.lineWidth(), 3);
    EXPECT_EQ(dashed.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(dashed.lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_EQ(dashed.miterLimit(), 4);
    EXPECT_TRUE(dashed.lineDash().empty());
}

TEST(PathDasher, UnusablePatternsDrawSolid) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 30, 50));
    EXPECT_FALSE(dashedPath(oval, {}, 0));
    EXPECT_FALSE(dashedPath(oval, {0, 0}, 0));
    EXPECT_FALSE(dashedPath(oval, {0}, 0));
    EXPECT_FALSE(dashedPath(oval, {3, -1}, 0));
    EXPECT_FALSE(dashedPath(oval, {kNaN, 2}, 0));
    EXPECT_FALSE(dashedPath(oval, {2, kInf}, 0));
    EXPECT_FALSE(dashedPath(oval, {1e308, 1e308}, 0));
    // A path that cannot be measured.
    BezierPath bad;
    bad.moveToPoint({0, 0});
    bad.lineToPoint({kNaN, 3});
    EXPECT_FALSE(dashedPath(bad, {3, 2}, 0));
    BezierPath far;
    far.moveToPoint({0, 0});
    far.curveToPoint({kInf, 0}, {1, 1}, {2, 2});
    EXPECT_FALSE(dashedPath(far, {3, 2}, 0));
}

TEST(PathDasher, TooFinePatternsDrawSolid) {
    BezierPath long_;
    long_.moveToPoint({0, 0});
    long_.lineToPoint({1e6, 0});
    long_.curveToPoint({0, 1e6}, {1e6, 1e6}, {0, 1e6});
    EXPECT_FALSE(dashedPath(long_, {1e-6, 1e-6}, 0));
    EXPECT_FALSE(dashedPath(long_, {1e-300, 1e-300}, 0));
    // Entries too small to move along the path still end.
    const std::optional<BezierPath> coarse = dashedPath(long_, {1e6, 1e-300, 1e-300, 1e-300}, 0);
    ASSERT_TRUE(coarse);
    EXPECT_LT(coarse->elementCount(), 30u);

    // The limit is the caller's to choose.
    BezierPath line;
    line.moveToPoint({0, 0});
    line.lineToPoint({100, 0});
    DashOptions few;
    few.maxPieces = 10;
    EXPECT_FALSE(dashedPath(line, {2, 2}, 0, few));
    EXPECT_TRUE(dashedPath(line, {20, 20}, 0, few));
}

} // namespace

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

BezierPath line(double length) {
    BezierPath p;
    p.moveToPoint({0, 0});
    p.lineToPoint({length, 0});
    return p;
}

BezierPath curve(Point start, Point c1, Point c2, Point end) {
    BezierPath p;
    p.moveToPoint(start);
    p.curveToPoint(end, c1, c2);
    return p;
}

TEST(PathDasher, ChosenPathsFollowThePattern) {
    BezierPath twice = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10));
    twice.lineToPoint({0, 10}); // what follows a close starts the pattern afresh
    const struct {
        BezierPath path;
        std::vector<double> pattern;
        double phase, dot;
    } cases[] = {
        {BezierPath::bezierPathWithOvalInRect(Rect(10, 20, 80, 40)), {6, 4}, 0, 0},
        // A straight cubic whose parameter crawls at both ends: positions
        // land where the arc length says, not where t is proportional.
        {curve({0, 0}, {0, 0}, {100, 0}, {100, 0}), {10, 10}, 5, 0},
        {curve({0, 0}, {100, 100}, {0, 100}, {100, 0}), {3, 2}, 0, 0.05},           // a cusp
        {curve({0, 0}, {150, 150}, {150, -50}, {0, 100}), {7, 1, 0.5, 1}, 2, 0.05}, // a loop
        // Closed subpaths are dashed along their closing side.
        {BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10)), {4, 2}, 0, 0},
        {twice, {4, 2}, 0, 0},
        // Odd patterns repeat swapped.
        {line(24), {1, 2, 3}, 0, 0},
        {line(24), {2}, 1, 0},
        {line(24), {1, 2, 3}, -4.5, 0},
        // Zero-length dashes are dots, or nothing without a dot length;
        // none at the very end, where a dot would face off the line.
        {line(20), {0, 5}, 0, 0.02},
        {line(20), {0, 5}, 0, 0},
        {line(20), {0, 2, 3, 0}, 1, 0},
        {curve({0, 0}, {0, 0}, {10, 10}, {0, 10}), {0, 1}, 0.5, 0.01},
    };
    for (const auto& k : cases)
        checkDashing(k.path, k.pattern, k.phase, k.dot);
}

TEST(PathDasher, CurvesStayCurvesAndDotsFaceAlongThem) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(10, 20, 80, 40));
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

    // A dot faces along the curve, also where the derivative vanishes.
    DashOptions dots;
    dots.dotLength = 0.02;
    const std::vector<BezierPath> onCurve =
        piecesOf(*dashedPath(curve({0, 0}, {0, 0}, {10, 10}, {0, 10}), {0, 100}, 0, dots));
    ASSERT_EQ(onCurve.size(), 1u);
    const Point d = onCurve[0].currentPoint();
    EXPECT_NEAR(d.x, 0.02 * std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(d.y, 0.02 * std::sqrt(0.5), 1e-6);
}

TEST(PathDasher, DegenerateInputAndStrokeAttributes) {
    BezierPath single;
    single.moveToPoint({5, 5});
    BezierPath closedPoint = single;
    closedPoint.closePath();
    for (const BezierPath& p : {BezierPath(), single, closedPoint})
        EXPECT_TRUE(dashedPath(p, {3, 2}, 0)->isEmpty());

    // Zero-length segments change nothing.
    BezierPath plain = line(10), padded;
    padded.moveToPoint({0, 0});
    padded.lineToPoint({0, 0});
    padded.curveToPoint({0, 0}, {0, 0}, {0, 0});
    padded.lineToPoint({10, 0});
    padded.lineToPoint({10, 0});
    EXPECT_EQ(*dashedPath(padded, {3, 1}, 0), *dashedPath(plain, {3, 1}, 0));

    // Phases wrap both ways (the random paths check that); one that is not
    // a number starts the pattern at its beginning.
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 30, 50));
    EXPECT_EQ(*dashedPath(oval, {5, 3}, kNaN), *dashedPath(oval, {5, 3}, 0));

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

TEST(PathDasher, UnusableOrTooFinePatternsDrawSolid) {
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(Rect(0, 0, 30, 50));
    for (const std::vector<double>& bad : std::vector<std::vector<double>>{
             {}, {0, 0}, {0}, {3, -1}, {kNaN, 2}, {2, kInf}, {1e308, 1e308}})
        EXPECT_FALSE(dashedPath(oval, bad, 0)) << bad.size();
    // Paths that cannot be measured.
    BezierPath bad = line(0);
    bad.lineToPoint({kNaN, 3});
    EXPECT_FALSE(dashedPath(bad, {3, 2}, 0));
    EXPECT_FALSE(dashedPath(curve({0, 0}, {1, 1}, {2, 2}, {kInf, 0}), {3, 2}, 0));

    BezierPath long_ = line(1e6);
    long_.curveToPoint({0, 1e6}, {1e6, 1e6}, {0, 1e6});
    EXPECT_FALSE(dashedPath(long_, {1e-6, 1e-6}, 0));
    EXPECT_FALSE(dashedPath(long_, {1e-300, 1e-300}, 0));
    // Entries too small to move along the path still end.
    const std::optional<BezierPath> coarse = dashedPath(long_, {1e6, 1e-300, 1e-300, 1e-300}, 0);
    ASSERT_TRUE(coarse);
    EXPECT_LT(coarse->elementCount(), 30u);
    // The limit is the caller's to choose.
    DashOptions few;
    few.maxPieces = 10;
    EXPECT_FALSE(dashedPath(line(100), {2, 2}, 0, few));
    EXPECT_TRUE(dashedPath(line(100), {20, 20}, 0, few));
}

} // namespace

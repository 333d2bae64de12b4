// Dashing: every piece starts, ends and runs where the pattern laid out along
// its subpath's arc length says, over random and chosen paths; bad input.
#include "framework/foundation/PathDasher.h"

#include "PathTestSupport.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// The painted intervals of [0, length] with the pattern laid out from -phase
// (an odd pattern repeats swapped); a painted zero (a dot) gives a == b.
struct Interval {
    double a, b;
};
std::vector<Interval> expectedIntervals(double length, const std::vector<double>& pattern,
                                        double phase, bool dots) {
    const std::size_t n = pattern.size();
    double period = 0;
    for (double l : pattern)
        period += n % 2 ? 2 * l : l;
    const double p = std::fmod(phase, period);
    std::vector<Interval> out;
    double x = p < 0 ? -(p + period) : -p;
    for (std::size_t k = 0; x <= length; ++k) {
        const double l = pattern[k % n], end = x + l;
        if (k % 2 == 0 && l == 0 && dots && x >= 0 && x < length)
            out.push_back({x, x});
        else if (k % 2 == 0 && l > 0 && std::max(x, 0.0) < std::min(end, length))
            out.push_back({std::max(x, 0.0), std::min(end, length)});
        x = end;
    }
    return out;
}

double distanceWithin(const Polyline& line, Point p, double s0, double s1) {
    double best = kInf;
    for (std::size_t i = 1; i < line.points.size(); ++i)
        if (line.arc[i] >= s0 && line.arc[i - 1] <= s1)
            best = std::min(best, segmentDistance(p, line.points[i - 1], line.points[i]));
    return best;
}

// Checks every piece of a dashing against the original path; `tol` in path units.
void checkDashing(const BezierPath& path, const std::vector<double>& pattern, double phase,
                  double dot, double tol = 1e-3) {
    SCOPED_TRACE(::testing::Message() << "pattern size " << pattern.size() << " phase " << phase);
    DashOptions options;
    options.dotLength = dot;
    const std::optional<BezierPath> dashed = dashedPath(path, pattern, phase, options);
    ASSERT_TRUE(dashed.has_value());
    EXPECT_TRUE(dashed->lineDash().empty());
    for (const PathElement& e : dashed->elements())
        EXPECT_NE(e.type, PathElementType::ClosePath) << "pieces are open";
    const std::vector<Polyline> pieces = sampled(*dashed);
    std::size_t k = 0;
    double expectedPainted = 0, painted = 0;
    for (const Polyline& original : sampled(path, 2000)) {
        if (!(original.length() > 0))
            continue;
        for (const Interval& iv : expectedIntervals(original.length(), pattern, phase, dot > 0)) {
            SCOPED_TRACE(::testing::Message() << "piece " << k);
            ASSERT_LT(k, pieces.size());
            const Polyline& piece = pieces[k++];
            painted += piece.length();
            expectedPainted += iv.b > iv.a ? iv.b - iv.a : dot;
            EXPECT_LT(distance(piece.points.front(), original.pointAt(iv.a)), tol);
            if (iv.b == iv.a) { // a dot: one line of the dot length
                EXPECT_NEAR(piece.length(), dot, 1e-9);
                EXPECT_EQ(piece.elements, 2u);
                continue;
            }
            EXPECT_LT(distance(piece.points.back(), original.pointAt(iv.b)), tol);
            EXPECT_NEAR(piece.length(), iv.b - iv.a, tol);
            for (std::size_t j = 0; j < piece.points.size(); j += 7)
                EXPECT_LT(distanceWithin(original, piece.points[j], iv.a - tol, iv.b + tol), tol);
        }
    }
    EXPECT_EQ(k, pieces.size());
    EXPECT_NEAR(painted, expectedPainted, tol * double(1 + pieces.size()));
}

TEST(PathDasher, RandomAndChosenPathsFollowThePattern) {
    // Random paths with zero-length lines and vanishing tangents, patterns of
    // one to five entries (a tenth of them zero), phases of both signs.
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> phase(-40, 40), entry(0.5, 15);
    for (int i = 0; i < 120; ++i) {
        SCOPED_TRACE(::testing::Message() << "case " << i);
        const BezierPath path = randomPath(rng, 1 + int(rng() % 3), 5, 0, 100, 0.5, true);
        std::vector<double> pattern(1 + rng() % 5);
        for (double& l : pattern)
            l = rng() % 10 == 0 ? 0 : entry(rng);
        pattern[0] = pattern.size() == 1 && pattern[0] == 0 ? 3 : pattern[0];
        checkDashing(path, pattern, phase(rng), rng() % 2 ? 0.05 : 0);
    }

    const struct {
        BezierPath path;
        std::vector<double> pattern;
        double phase, dot;
    } cases[] = {
        {BezierPath::bezierPathWithOvalInRect(Rect(10, 20, 80, 40)), {6, 4}, 0, 0},
        // A straight cubic whose parameter crawls at both ends: positions
        // land where the arc length says, not where t is proportional.
        {pathOf("M 0 0 C 0 0 100 0 100 0"), {10, 10}, 5, 0},
        {pathOf("M 0 0 C 100 100 0 100 100 0"), {3, 2}, 0, 0.05},           // a cusp
        {pathOf("M 0 0 C 150 150 150 -50 0 100"), {7, 1, 0.5, 1}, 2, 0.05}, // a loop
        // Closed subpaths are dashed along their closing side.
        {BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10)), {4, 2}, 0, 0},
        {pathOf("M 0 0 L 10 0 L 10 10 L 0 10 Z L 0 10"), {4, 2}, 0, 0}, // afresh after a close
        // Odd patterns repeat swapped.
        {pathOf("M 0 0 L 24 0"), {1, 2, 3}, 0, 0},
        {pathOf("M 0 0 L 24 0"), {2}, 1, 0},
        {pathOf("M 0 0 L 24 0"), {1, 2, 3}, -4.5, 0},
        // Zero-length dashes are dots, or nothing without a dot length;
        // none at the very end, where a dot would face off the line.
        {pathOf("M 0 0 L 20 0"), {0, 5}, 0, 0.02},
        {pathOf("M 0 0 L 20 0"), {0, 5}, 0, 0},
        {pathOf("M 0 0 L 20 0"), {0, 2, 3, 0}, 1, 0},
        {pathOf("M 0 0 C 0 0 10 10 0 10"), {0, 1}, 0.5, 0.01},
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
    const BezierPath d = *dashedPath(pathOf("M 0 0 C 0 0 10 10 0 10"), {0, 100}, 0, dots);
    ASSERT_EQ(d.elementCount(), 2u);
    EXPECT_LT(distance(d.currentPoint(), Point(1, 1) * (0.02 * std::sqrt(0.5))), 1e-6);
}

TEST(PathDasher, DegenerateInputUnusablePatternsAndStrokeAttributes) {
    for (const char* p : {"", "M 5 5", "M 5 5 Z"})
        EXPECT_TRUE(dashedPath(pathOf(p), {3, 2}, 0)->isEmpty());

    // Zero-length segments change nothing.
    BezierPath plain = pathOf("M 0 0 L 10 0");
    const BezierPath padded = pathOf("M 0 0 L 0 0 C 0 0 0 0 0 0 L 10 0 L 10 0");
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
    BezierPath expected = *dashedPath(plain, {3, 1}, 0);
    plain.setLineDash({3, 1}, 0);
    EXPECT_EQ(*dashedPath(plain, {3, 1}, 0), expected);
    EXPECT_EQ(expected.lineWidth(), 3);
    EXPECT_EQ(expected.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(expected.lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_EQ(expected.miterLimit(), 4);

    // Unusable patterns, paths that cannot be measured and patterns far too
    // fine draw solid; entries too small to move along the path still end.
    for (const std::vector<double>& bad : std::vector<std::vector<double>>{
             {}, {0, 0}, {0}, {3, -1}, {kNaN, 2}, {2, kInf}, {1e308, 1e308}})
        EXPECT_FALSE(dashedPath(oval, bad, 0)) << bad.size();
    EXPECT_FALSE(dashedPath(pathOf("M 0 0 L 0 0 L nan 3"), {3, 2}, 0));
    EXPECT_FALSE(dashedPath(pathOf("M 0 0 C 1 1 2 2 inf 0"), {3, 2}, 0));
    const BezierPath long_ = pathOf("M 0 0 L 1e6 0 C 1e6 1e6 0 1e6 0 1e6");
    EXPECT_FALSE(dashedPath(long_, {1e-6, 1e-6}, 0));
    EXPECT_FALSE(dashedPath(long_, {1e-300, 1e-300}, 0));
    const std::optional<BezierPath> coarse = dashedPath(long_, {1e6, 1e-300, 1e-300, 1e-300}, 0);
    ASSERT_TRUE(coarse);
    EXPECT_LT(coarse->elementCount(), 30u);
    // The limit is the caller's to choose.
    DashOptions few;
    few.maxPieces = 10;
    EXPECT_FALSE(dashedPath(pathOf("M 0 0 L 100 0"), {2, 2}, 0, few));
    EXPECT_TRUE(dashedPath(pathOf("M 0 0 L 100 0"), {20, 20}, 0, few));
}

} // namespace

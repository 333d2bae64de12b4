// The outline polygons must cover exactly what the pen covers, whatever the
// bend: checked by winding numbers at many points against distances to the
// true centre line.
#include "framework/foundation/StrokeOutline.h"

#include "PathTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// The polygons of a piece (or several) fed to the outliner, as closed rings of segments.
struct Outline final : OutlineSink {
    std::vector<LineSegment> segments;
    std::size_t polygons = 0;
    void polygon(const Point* p, std::size_t n) override {
        ++polygons;
        for (std::size_t i = 0; i < n; ++i)
            segments.push_back({p[i], p[(i + 1) % n]});
    }
    Outline(const BezierPath& piece, const OutlineStyle& style) {
        StrokeOutliner outliner(style, *this);
        for (const PathElement& e : piece.elements()) {
            if (e.type == PathElementType::MoveTo)
                outliner.moveTo(e.points[0]);
            else if (e.type == PathElementType::LineTo)
                outliner.lineTo(e.points[0]);
            else
                outliner.curveTo(e.points[0], e.points[1], e.points[2]);
        }
        outliner.finish();
    }
};

// Random pieces under every cap and join. The round pen covers exactly the
// points within half the width of the centre line; other caps and joins
// differ from it only near the piece's vertices, and reach beyond half the
// width only there, within their limit. All quads and wedges turn the same
// way: no point is ever wound the other way.
void checkRandomPieces(bool round) {
    std::mt19937 random(round ? 7 : 11);
    std::uniform_real_distribution<double> widths(0.2, round ? 12 : 8);
    for (int n = 0; n < (round ? 150 : 120); ++n) {
        const BezierPath piece = randomPath(random, 1, 3, -10, 10, 0);
        OutlineStyle style;
        style.width = widths(random);
        style.cap = round ? LineCapStyle::Round : LineCapStyle(n % 2 * 2);        // butt, square
        style.join = round ? LineJoinStyle::Round : LineJoinStyle(n / 2 % 2 * 2); // miter, bevel
        style.miterLimit = 4;
        style.tolerance = 0.02;
        const Outline outline(piece, style);
        EXPECT_EQ(outline.polygons, 1u);
        const double h = style.width / 2, margin = 2.5 * style.tolerance, reach = round ? 1.5 : 5;
        const double inner = round ? -1 : h * 1.5 + margin, outer = round ? -1 : h * 4 + margin;
        const std::vector<LineSegment> centre = sampled(piece, 400)[0].segments();
        Rect box = piece.bounds().insetBy(-h * reach, -h * reach);
        std::uniform_real_distribution<double> x(box.minX(), box.maxX()), y(box.minY(), box.maxY());
        int wrong = 0;
        for (int i = 0; i < 3000; ++i) {
            const Point p{x(random), y(random)};
            const int w = winding(outline.segments, p);
            const double d = distanceTo(p, centre);
            double vertex = kInf;
            for (const PathElement& e : piece.elements())
                vertex = std::min(vertex, distance(p, e.points[std::max(0, e.pointCount() - 1)]));
            wrong += w > 0 || (d < h - margin && vertex > inner && w == 0) ||
                     (d > h + margin && vertex > outer && w != 0);
        }
        EXPECT_EQ(wrong, 0) << "piece " << n << " width " << style.width;
    }
}

TEST(StrokeOutline, RoundPenCoversExactlyThePointsWithinHalfTheWidth) {
    checkRandomPieces(true);
}
TEST(StrokeOutline, OtherCapsAndJoinsStayWithinTheirReach) {
    checkRandomPieces(false);
}

TEST(StrokeOutline, MiterLimitDotsPiecesAndNonFinitePoints) {
    // A right angle: the miter is sqrt(2) times the width long.
    const BezierPath corner = pathOf("M 0 0 L 10 0 L 10 10");
    for (double limit : {1.5, 1.4}) {
        OutlineStyle style;
        style.width = 4;
        style.miterLimit = limit;
        const Outline outline(corner, style);
        ASSERT_EQ(outline.polygons, 1u);
        // Just inside the miter's point at (12, -2); the bevel's corners are covered either way.
        EXPECT_EQ(winding(outline.segments, {11.9, -1.9}) != 0, limit > std::sqrt(2.0)) << limit;
        EXPECT_NE(winding(outline.segments, {11.5, 0.2}), 0);
    }

    // Zero-length pieces are dots for round and square caps.
    const BezierPath dot = pathOf("M 5 5 L 5 5");
    for (LineCapStyle cap : {LineCapStyle::Butt, LineCapStyle::Round, LineCapStyle::Square}) {
        OutlineStyle style;
        style.width = 3;
        style.cap = cap;
        const Outline outline(dot, style);
        ASSERT_EQ(outline.polygons, cap == LineCapStyle::Butt ? 0u : 1u);
        EXPECT_EQ(winding(outline.segments, {5.5, 6}) != 0, cap != LineCapStyle::Butt);
        EXPECT_EQ(winding(outline.segments, {5, 7}), 0);
    }

    // Each piece gets its own polygon; points that are not finite are skipped.
    const Outline outline(pathOf("M 0 0 L 10 0 L nan 3 M 0 5 C 3 8 6 8 10 5"), OutlineStyle{});
    EXPECT_EQ(outline.polygons, 2u);
    for (const LineSegment& s : outline.segments)
        EXPECT_TRUE(std::isfinite(s.a.x) && std::isfinite(s.a.y));

    // The tolerance follows the largest stretch; a rotation stretches nothing.
    EXPECT_DOUBLE_EQ(outlineTolerance(0.1, 2, 0, 0, 2), 0.05);
    EXPECT_NEAR(outlineTolerance(0.1, 1, 0, 0, 4), 0.025, 1e-12);
    const double c = std::cos(0.3), s = std::sin(0.3);
    EXPECT_NEAR(outlineTolerance(0.1, 3 * c, 3 * s, -3 * s, 3 * c), 0.1 / 3, 1e-12);
}

} // namespace
} // namespace qv

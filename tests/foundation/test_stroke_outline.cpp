// The outline polygons must cover exactly what the pen covers, whatever the
// bend: checked by winding numbers at many points against distances to the
// true centre line.
#include "framework/foundation/StrokeOutline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace qv {
namespace {

using Polygon = std::vector<Point>;

struct Collect final : OutlineSink {
    std::vector<Polygon> polygons;
    void polygon(const Point* points, std::size_t count) override {
        polygons.emplace_back(points, points + count);
    }
};

// Signed count of turns the closed polygon makes around `p`.
int winding(const Polygon& poly, Point p) {
    int w = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i], b = poly[(i + 1) % poly.size()];
        const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && side > 0)
            ++w;
        else if (a.y > p.y && b.y <= p.y && side < 0)
            --w;
    }
    return w;
}

double segmentDistance(Point p, Point a, Point b) {
    const Point d = b - a, v = p - a;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t = len2 > 0 ? std::clamp((v.x * d.x + v.y * d.y) / len2, 0.0, 1.0) : 0;
    const Point q = a + d * t;
    return std::hypot(p.x - q.x, p.y - q.y);
}

Point bezier(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

// A piece: its elements fed to the outliner, and its centre line finely.
struct Piece {
    Point start;
    struct Element {
        bool curve;
        Point c1, c2, end;
    };
    std::vector<Element> elements;

    std::vector<Point> fine() const {
        std::vector<Point> out{start};
        Point at = start;
        for (const Element& e : elements) {
            if (e.curve)
                for (int i = 1; i <= 400; ++i)
                    out.push_back(bezier(at, e.c1, e.c2, e.end, i / 400.0));
            else
                out.push_back(e.end);
            at = e.end;
        }
        return out;
    }
    std::vector<Point> vertices() const {
        std::vector<Point> out{start};
        for (const Element& e : elements)
            out.push_back(e.end);
        return out;
    }
};

std::vector<Polygon> outline(const Piece& piece, const OutlineStyle& style) {
    Collect sink;
    StrokeOutliner outliner(style, sink);
    outliner.moveTo(piece.start);
    for (const Piece::Element& e : piece.elements) {
        if (e.curve)
            outliner.curveTo(e.c1, e.c2, e.end);
        else
            outliner.lineTo(e.end);
    }
    outliner.finish();
    return sink.polygons;
}

Piece randomPiece(std::mt19937& random) {
    std::uniform_real_distribution<double> coord(-10, 10);
    std::uniform_int_distribution<int> count(1, 3), kind(0, 1);
    Piece piece;
    piece.start = {coord(random), coord(random)};
    const int n = count(random);
    for (int i = 0; i < n; ++i) {
        Piece::Element e{kind(random) == 1, {}, {}, {}};
        e.c1 = {coord(random), coord(random)};
        e.c2 = {coord(random), coord(random)};
        e.end = {coord(random), coord(random)};
        piece.elements.push_back(e);
    }
    return piece;
}

// Samples points around the piece; for each, the winding over all polygons
// and its distance to the centre line.
template <class Check>
void sample(const Piece& piece, const std::vector<Polygon>& polygons, double reach,
            std::mt19937& random, Check check) {
    const std::vector<Point> fine = piece.fine();
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (Point p : fine) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    std::uniform_real_distribution<double> x(minX - reach, maxX + reach),
        y(minY - reach, maxY + reach);
    for (int i = 0; i < 3000; ++i) {
        const Point p{x(random), y(random)};
        int w = 0;
        for (const Polygon& poly : polygons)
            w += winding(poly, p);
        double distance = 1e300;
        for (std::size_t k = 0; k + 1 < fine.size(); ++k)
            distance = std::min(distance, segmentDistance(p, fine[k], fine[k + 1]));
        check(p, w, distance);
    }
}

TEST(StrokeOutline, RoundPenCoversExactlyThePointsWithinHalfTheWidth) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> widths(0.2, 12);
    for (int round = 0; round < 150; ++round) {
        const Piece piece = randomPiece(random);
        OutlineStyle style;
        style.width = widths(random);
        style.cap = LineCapStyle::Round;
        style.join = LineJoinStyle::Round;
        style.tolerance = 0.02;
        const std::vector<Polygon> polygons = outline(piece, style);
        ASSERT_EQ(polygons.size(), 1u);
        const double h = style.width / 2, margin = 2.5 * style.tolerance;
        SCOPED_TRACE(::testing::Message() << "round " << round << " width " << style.width);
        int wrong = 0;
        sample(piece, polygons, h * 1.5, random, [&](Point, int w, double distance) {
            // All quads and wedges turn the same way: never a negative count.
            if (w > 0 || (distance < h - margin && w == 0) || (distance > h + margin && w != 0))
                ++wrong;
        });
        EXPECT_EQ(wrong, 0);
    }
}

TEST(StrokeOutline, OtherCapsAndJoinsStayWithinTheirReach) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> widths(0.2, 8);
    const LineCapStyle caps[] = {LineCapStyle::Butt, LineCapStyle::Square};
    const LineJoinStyle joins[] = {LineJoinStyle::Miter, LineJoinStyle::Bevel};
    for (int round = 0; round < 120; ++round) {
        const Piece piece = randomPiece(random);
        OutlineStyle style;
        style.width = widths(random);
        style.cap = caps[round % 2];
        style.join = joins[(round / 2) % 2];
        style.miterLimit = 4;
        style.tolerance = 0.02;
        const std::vector<Polygon> polygons = outline(piece, style);
        const double h = style.width / 2, margin = 2.5 * style.tolerance;
        const std::vector<Point> vertices = piece.vertices();
        SCOPED_TRACE(::testing::Message() << "round " << round << " width " << style.width);
        int wrong = 0;
        sample(piece, polygons, h * 5, random, [&](Point p, int w, double distance) {
            if (w > 0)
                ++wrong;
            double nearVertex = 1e300;
            for (Point v : vertices)
                nearVertex = std::min(nearVertex, std::hypot(p.x - v.x, p.y - v.y));
            // Away from the ends and corners only caps and joins differ from
            // a round pen; beyond half the width only caps and miters reach,
            // within their limit.
            if (distance < h - margin && nearVertex > h * 1.5 + margin && w == 0)
                ++wrong;
            if (distance > h + margin && nearVertex > h * 4 + margin && w != 0)
                ++wrong;
        });
        EXPECT_EQ(wrong, 0);
    }
}

TEST(StrokeOutline, MiterLimitTurnsSharpCornersIntoBevels) {
    // A right angle: the miter is sqrt(2) times the width long.
    const Piece piece{{0, 0}, {{false, {}, {}, {10, 0}}, {false, {}, {}, {10, 10}}}};
    const Point tip{11.9, -1.9}; // just inside the miter's point at (12, -2)
    for (double limit : {1.5, 1.4}) {
        OutlineStyle style;
        style.width = 4;
        style.miterLimit = limit;
        const std::vector<Polygon> polygons = outline(piece, style);
        ASSERT_EQ(polygons.size(), 1u);
        EXPECT_EQ(winding(polygons[0], tip) != 0, limit > std::sqrt(2.0)) << limit;
        // The bevel's corners are covered either way.
        EXPECT_NE(winding(polygons[0], {11.5, 0.2}), 0);
    }
}

TEST(StrokeOutline, ZeroLengthPiecesAreDotsForRoundAndSquareCaps) {
    const std::pair<LineCapStyle, std::size_t> cases[] = {
        {LineCapStyle::Butt, 0}, {LineCapStyle::Round, 1}, {LineCapStyle::Square, 1}};
    for (auto [cap, polygons] : cases) {
        Collect sink;
        OutlineStyle style;
        style.width = 3;
        style.cap = cap;
        StrokeOutliner outliner(style, sink);
        outliner.moveTo({5, 5});
        outliner.lineTo({5, 5});
        outliner.finish();
        ASSERT_EQ(sink.polygons.size(), polygons);
        if (polygons) {
            EXPECT_NE(winding(sink.polygons[0], {5.5, 6}), 0);
            EXPECT_EQ(winding(sink.polygons[0], {5, 7}), 0);
        }
    }
}

TEST(StrokeOutline, EachPieceGetsItsOwnPolygonAndNonFinitePointsAreSkipped) {
    Collect sink;
    StrokeOutliner outliner(OutlineStyle{}, sink);
    outliner.moveTo({0, 0});
    outliner.lineTo({10, 0});
    outliner.lineTo({NAN, 3});
    outliner.moveTo({0, 5});
    outliner.curveTo({3, 8}, {6, 8}, {10, 5});
    outliner.finish();
    ASSERT_EQ(sink.polygons.size(), 2u);
    for (const Polygon& poly : sink.polygons)
        for (Point p : poly)
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST(StrokeOutline, ToleranceFollowsTheLargestStretch) {
    EXPECT_DOUBLE_EQ(outlineTolerance(0.1, 2, 0, 0, 2), 0.05);
    EXPECT_NEAR(outlineTolerance(0.1, 1, 0, 0, 4), 0.025, 1e-12);
    // A rotation stretches nothing.
    const double c = std::cos(0.3), s = std::sin(0.3);
    EXPECT_NEAR(outlineTolerance(0.1, 3 * c, 3 * s, -3 * s, 3 * c), 0.1 / 3, 1e-12);
}

} // namespace
} // namespace qv

// Outlines and parameters of the rectangle, oval, rounded rectangle and
// regular polygon / star.

#include "ShapeTestSupport.h"

#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qv {
namespace {

using namespace test;

constexpr double kKappa = 0.5522847771644592;

std::vector<Point> endPoints(const BezierPath& p) {
    std::vector<Point> out;
    for (const PathElement& e : p.elements()) {
        if (e.type == PathElementType::MoveTo || e.type == PathElementType::LineTo)
            out.push_back(e.points[0]);
        else if (e.type == PathElementType::CurveTo)
            out.push_back(e.points[2]);
    }
    return out;
}

TEST(RectangleOutline, IsTheRectanglePathOfTheBounds) {
    RectangleShape r;
    r.setBounds({10, 20, 30, 40});
    EXPECT_EQ(*r.path(), BezierPath::bezierPathWithRect({10, 20, 30, 40}));
}

TEST(OvalOutline, StartsAtTheLeftAndRunsOverTheTop) {
    OvalShape o;
    o.setBounds({0, 0, 100, 50});
    const BezierPath p = *o.path();
    ASSERT_EQ(p.elementCount(), 6u);
    EXPECT_EQ(p.elementAtIndex(0).points[0], Point(0, 25));
    const PathElement& first = p.elementAtIndex(1);
    EXPECT_EQ(first.type, PathElementType::CurveTo);
    EXPECT_EQ(first.points[0], Point(0, 25 - kKappa * 25));
    EXPECT_EQ(first.points[1], Point(50 - kKappa * 50, 0));
    EXPECT_EQ(first.points[2], Point(50, 0));
    EXPECT_EQ(p.elementAtIndex(2).points[2], Point(100, 25));
    EXPECT_EQ(p.elementAtIndex(3).points[2], Point(50, 50));
    EXPECT_EQ(p.elementAtIndex(4).points[2], Point(0, 25));
    EXPECT_EQ(p.elementAtIndex(5).type, PathElementType::ClosePath);
}

TEST(OvalOutline, CacheFollowsTheBounds) {
    OvalShape o;
    o.setBounds({0, 0, 100, 50});
    const BezierPath first = *o.path();
    EXPECT_EQ(*o.path(), first);
    o.setBounds({0, 0, 60, 60});
    EXPECT_EQ(*o.path(), OvalShape::ovalPathInRect({0, 0, 60, 60}));
    // A copy builds its own outline for its own bounds.
    ShapePtr c = o.copy();
    c->setBounds({5, 5, 10, 10});
    EXPECT_EQ(*c->path(), OvalShape::ovalPathInRect({5, 5, 10, 10}));
    EXPECT_EQ(*o.path(), OvalShape::ovalPathInRect({0, 0, 60, 60}));
}

TEST(RoundRectangle, DefaultsAndOutline) {
    RoundRectangleShape s;
    EXPECT_EQ(s.cornerRadius(), Size(10, 10));
    s.setBounds({0, 0, 100, 30});
    const BezierPath p = *s.path();
    EXPECT_EQ(p.elementAtIndex(0).points[0], Point(0, 10));
    // The straight top edge runs from (10, 0) to (90, 0).
    EXPECT_EQ(p.elementAtIndex(1).points[2], Point(10, 0));
    EXPECT_EQ(p.elementAtIndex(2).type, PathElementType::LineTo);
    EXPECT_EQ(p.elementAtIndex(2).points[0], Point(90, 0));
    EXPECT_EQ(p.elementAtIndex(1).points[0], Point(0, 10 - kKappa * 10));
    const std::vector<Point> ends = endPoints(p);
    const std::vector<Point> expected = {{0, 10},  {10, 0},  {90, 0}, {100, 10}, {100, 20},
                                         {90, 30}, {10, 30}, {0, 20}, {0, 10}};
    EXPECT_EQ(ends, expected);
    EXPECT_EQ(p.elementAtIndex(p.elementCount() - 1).type, PathElementType::ClosePath);
}

TEST(RoundRectangle, LargeRadiusIsClippedPerAxis) {
    RoundRectangleShape s;
    s.setBounds({0, 0, 100, 30});
    s.setCornerRadius({80, 80});
    // rx = 50, ry = 15: the top edge shrinks to a point at the middle.
    const std::vector<Point> ends = endPoints(*s.path());
    EXPECT_EQ(ends[0], Point(0, 15));
    EXPECT_EQ(ends[1], Point(50, 0));
    EXPECT_EQ(ends[2], Point(50, 0));
    EXPECT_EQ(ends[3], Point(100, 15));
    // A square with a large radius is a circle.
    s.setBounds({0, 0, 40, 40});
    const Rect b = s.path()->bounds();
    EXPECT_NEAR(b.width(), 40, 1e-9);
    EXPECT_FALSE(s.path()->containsPoint({1, 1}));
}

TEST(RoundRectangle, ZeroRadiusOnEitherAxisIsThePlainRectangle) {
    RoundRectangleShape s;
    s.setBounds({3, 4, 50, 60});
    s.setCornerRadius({0, 25});
    EXPECT_EQ(*s.path(), BezierPath::bezierPathWithRect({3, 4, 50, 60}));
    s.setCornerRadius({25, 0});
    EXPECT_EQ(*s.path(), BezierPath::bezierPathWithRect({3, 4, 50, 60}));
}

TEST(RoundRectangle, SettersClampAndAnnouncePerComponent) {
    RoundRectangleShape s;
    EXPECT_EQ(changePairs(s, [&] { s.setCornerRadius({4, 6}); }), 2);
    EXPECT_EQ(changePairs(s, [&] { s.setCornerRadius({4, 6}); }), 0);
    EXPECT_EQ(changePairs(s, [&] { s.setCornerRadiusWidth(-3); }), 1);
    EXPECT_EQ(s.cornerRadiusWidth(), 0);
    s.setCornerRadiusHeight(std::nan(""));
    EXPECT_EQ(s.cornerRadiusHeight(), 0);
    EXPECT_EQ(s.valueForKey("cornerRadius"), Value(Size(0, 0)));
}

TEST(RegularPolygon, Clamping) {
    RegularPolygonShape p;
    p.setNumberOfSides(2);
    EXPECT_EQ(p.numberOfSides(), 3);
    p.setNumberOfSides(std::int64_t(1) << 40);
    EXPECT_EQ(p.numberOfSides(), RegularPolygonShape::kMaximumSides);
    p.setNumberOfSides(-5);
    EXPECT_EQ(p.numberOfSides(), 3);
    p.setStellation(1.5);
    EXPECT_EQ(p.stellation(), 1);
    p.setStellation(-1);
    EXPECT_EQ(p.stellation(), 0);
    p.setStellation(std::nan(""));
    EXPECT_EQ(p.stellation(), 0);
    EXPECT_EQ(changePairs(p, [&] { p.setNumberOfSides(3); }), 0);
    EXPECT_EQ(changePairs(p, [&] { p.setNumberOfSides(8); }), 1);
    EXPECT_EQ(changePairs(p, [&] { p.setStellation(0.3); }), 1);
    EXPECT_EQ(changePairs(p, [&] { p.setStellation(0.3); }), 0);
}

TEST(RegularPolygon, OddHasATopVertexEvenAFlatTop) {
    RegularPolygonShape p;
    p.setBounds({0, 0, 100, 100});
    p.setNumberOfSides(3);
    std::vector<Point> v = endPoints(*p.path());
    ASSERT_EQ(v.size(), 3u);
    expectNear(v[0], {50, 0}, 1e-5);
    p.setNumberOfSides(4);
    v = endPoints(*p.path());
    ASSERT_EQ(v.size(), 4u);
    const double c = 50 - 50 * std::cos(M_PI / 4);
    expectNear(v[0], {c, c}, 1e-5);
    EXPECT_NEAR(v[0].y, v[3].y, 1e-5); // horizontal top edge
    // Every vertex lies on the inscribed ellipse of a stretched polygon.
    p.setBounds({10, 20, 200, 60});
    p.setNumberOfSides(7);
    for (Point q : endPoints(*p.path())) {
        const double nx = (q.x - 110) / 100, ny = (q.y - 50) / 30;
        EXPECT_NEAR(nx * nx + ny * ny, 1, 1e-9);
    }
}

TEST(RegularPolygon, StarHasInnerVerticesAtTheScaledEdgeMidpoint) {
    RegularPolygonShape p;
    p.setBounds({0, 0, 100, 100});
    p.setNumberOfSides(5);
    p.setStellation(0.5);
    const BezierPath path = *p.path();
    const std::vector<Point> v = endPoints(path);
    ASSERT_EQ(v.size(), 10u);
    EXPECT_EQ(path.elementAtIndex(path.elementCount() - 1).type, PathElementType::ClosePath);
    for (std::size_t i = 1; i < v.size(); i += 2)
        EXPECT_NEAR(std::hypot(v[i].x - 50, v[i].y - 50), 50 * 0.5 * std::cos(M_PI / 5), 1e-5);
    for (std::size_t i = 0; i < v.size(); i += 2)
        EXPECT_NEAR(std::hypot(v[i].x - 50, v[i].y - 50), 50, 1e-9);
    // Full stellation puts the inner vertices on the centre.
    p.setStellation(1);
    const std::vector<Point> full = endPoints(*p.path());
    expectNear(full[1], {50, 50}, 1e-9);
}

TEST(RegularPolygon, UsesSinglePrecisionAngles) {
    // The start angle is the float π/2, so the top vertex of a triangle is off
    // centre by the float's error, not by the double's.
    const BezierPath p = RegularPolygonShape::polygonPathInRect({0, 0, 2e6, 2e6}, 3, 0);
    const double a0 = static_cast<double>(1.5707963705062866f);
    EXPECT_EQ(p.elementAtIndex(0).points[0].x, 1e6 + 1e6 * std::cos(a0));
}

TEST(RegularPolygon, LargestAllowedPolygonHasAllItsVertices) {
    RegularPolygonShape p;
    p.setBounds({0, 0, 100, 100});
    p.setNumberOfSides(RegularPolygonShape::kMaximumSides);
    p.setStellation(0.5);
    EXPECT_EQ(p.path()->elementCount(), 2u * RegularPolygonShape::kMaximumSides + 1);
}

} // namespace
} // namespace qv

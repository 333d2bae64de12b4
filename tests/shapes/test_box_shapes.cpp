// The shapes of a box: outlines of the rectangle, oval, rounded rectangle and
// regular polygon or star, and their parameters; hit tests, handles, resizing
// and the redraw and export areas every box shares.

#include "ShapeTestSupport.h"

#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"

#include <cmath>

namespace qv {
namespace {

using namespace test;

constexpr double kKappa = 0.5522847771644592;

std::vector<Point> endPoints(const BezierPath& p) {
    std::vector<Point> out;
    for (const PathElement& e : p.elements())
        if (e.type != PathElementType::ClosePath)
            out.push_back(e.points[e.type == PathElementType::CurveTo ? 2 : 0]);
    return out;
}

TEST(BoxShapes, OutlinesOfRectangleOvalAndRoundedRectangle) {
    EXPECT_EQ(*box<RectangleShape>({10, 20, 30, 40})->path(),
              BezierPath::bezierPathWithRect({10, 20, 30, 40}));
    auto o = box<OvalShape>({0, 0, 100, 50}); // from the left over the top
    const BezierPath p = *o->path();
    EXPECT_EQ(endPoints(p), (std::vector<Point>{{0, 25}, {50, 0}, {100, 25}, {50, 50}, {0, 25}}));
    EXPECT_EQ(p.elementAtIndex(1).points[0], Point(0, 25 - kKappa * 25));
    EXPECT_EQ(p.elementAtIndex(1).points[1], Point(50 - kKappa * 50, 0));
    EXPECT_EQ(p.elementAtIndex(5).type, PathElementType::ClosePath);
    o->setBounds({0, 0, 60, 60}); // the cached outline follows, a copy has its own
    ShapePtr c = o->copy();
    c->setBounds({5, 5, 10, 10});
    EXPECT_EQ(*c->path(), OvalShape::ovalPathInRect({5, 5, 10, 10}));
    EXPECT_EQ(*o->path(), OvalShape::ovalPathInRect({0, 0, 60, 60}));

    auto r = box<RoundRectangleShape>({0, 0, 100, 30}); // radius 10 by default
    EXPECT_EQ(endPoints(*r->path()), (std::vector<Point>{{0, 10},
                                                         {10, 0},
                                                         {90, 0},
                                                         {100, 10},
                                                         {100, 20},
                                                         {90, 30},
                                                         {10, 30},
                                                         {0, 20},
                                                         {0, 10}}));
    EXPECT_EQ(r->path()->elementAtIndex(1).points[0], Point(0, 10 - kKappa * 10));
    r->setCornerRadius({80, 80}); // clipped per axis to 50 and 15
    const std::vector<Point> ends = endPoints(*r->path());
    EXPECT_EQ(std::vector<Point>(ends.begin(), ends.begin() + 4),
              (std::vector<Point>{{0, 15}, {50, 0}, {50, 0}, {100, 15}}));
    r->setBounds({0, 0, 40, 40}); // a circle
    EXPECT_FALSE(r->path()->containsPoint({1, 1}));
    for (Size radius : {Size(0, 25), Size(25, 0)}) {
        r->setCornerRadius(radius);
        EXPECT_EQ(*r->path(), BezierPath::bezierPathWithRect({0, 0, 40, 40}));
    }
    // Each component is clamped and announced on its own.
    EXPECT_EQ(changePairs(*r, [&] { r->setCornerRadius({4, 6}); }), 2);
    EXPECT_EQ(changePairs(*r, [&] { r->setCornerRadius({4, 6}); }), 0);
    EXPECT_EQ(changePairs(*r, [&] { r->setCornerRadiusWidth(-3); }), 1);
    r->setCornerRadiusHeight(NAN);
    EXPECT_EQ(r->valueForKey("cornerRadius"), Value(Size(0, 0)));
}

TEST(BoxShapes, PolygonsAndStars) {
    auto p = box<RegularPolygonShape>({0, 0, 100, 100});
    EXPECT_EQ(changePairs(*p, [&] { p->setNumberOfSides(-5); }), 1); // clamped to 3
    EXPECT_EQ(changePairs(*p, [&] { p->setNumberOfSides(3); }), 0);
    EXPECT_EQ(changePairs(*p, [&] { p->setStellation(0.3); }), 1);
    EXPECT_EQ(changePairs(*p, [&] { p->setStellation(0.3); }), 0);
    p->setStellation(0);
    std::vector<Point> v = endPoints(*p->path()); // odd: a vertex on top
    ASSERT_EQ(v.size(), 3u);
    expectNear(v[0], {50, 0}, 1e-5);
    p->setNumberOfSides(4); // even: a flat top
    v = endPoints(*p->path());
    const double c = 50 - 50 * std::cos(M_PI / 4);
    expectNear(v[0], {c, c}, 1e-5);
    EXPECT_NEAR(v[3].y, v[0].y, 1e-5);
    p->setBounds({10, 20, 200, 60}); // stretched: every vertex on the inscribed ellipse
    p->setNumberOfSides(7);
    for (Point q : endPoints(*p->path()))
        EXPECT_NEAR(std::pow((q.x - 110) / 100, 2) + std::pow((q.y - 50) / 30, 2), 1, 1e-9);
    // A star's inner vertices lie on the scaled edge midpoints; full
    // stellation puts them on the centre.
    p->setBounds({0, 0, 100, 100});
    p->setNumberOfSides(5);
    p->setStellation(0.5);
    v = endPoints(*p->path());
    ASSERT_EQ(v.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_NEAR(std::hypot(v[i].x - 50, v[i].y - 50), i % 2 ? 25 * std::cos(M_PI / 5) : 50,
                    1e-5);
    p->setStellation(NAN);
    EXPECT_EQ(p->stellation(), 0);
    p->setStellation(1);
    expectNear(endPoints(*p->path())[1], {50, 50});
    p->setNumberOfSides(RegularPolygonShape::kMaximumSides);
    EXPECT_EQ(p->path()->elementCount(), 2u * RegularPolygonShape::kMaximumSides + 1);
    // The start angle is the float π/2: the top vertex is off centre by the
    // float's error, not by the double's.
    const BezierPath big = RegularPolygonShape::polygonPathInRect({0, 0, 2e6, 2e6}, 3, 0);
    EXPECT_EQ(big.elementAtIndex(0).points[0].x, 1e6 + 1e6 * std::cos(double(1.5707963705062866f)));
}

// A point hits inside the turned outline whatever the styles; a rubber band
// must touch the outline.
TEST(BoxShapes, PointAndRubberBandHitTests) {
    auto r = box<RectangleShape>({0, 0, 100, 50});
    r->fill().setStyle(0);
    r->stroke().setStyle(0);
    auto o = box<OvalShape>({0, 0, 100, 100});
    auto turned = box<RectangleShape>({0, 0, 100, 50}, 90);
    const std::tuple<Shape*, Point, bool> points[] = {
        {r.get(), {50, 25}, true},       {r.get(), {0.5, 0.5}, true},
        {r.get(), {101, 25}, false},     {r.get(), {50, -1}, false},
        {turned.get(), {50, -20}, true}, {turned.get(), {90, 25}, false},
        {o.get(), {50, 50}, true},       {o.get(), {5, 5}, false}};
    for (const auto& [shape, at, hit] : points)
        EXPECT_EQ(shape->hitTestPoint(at), hit) << at.x << ", " << at.y;
    auto big = box<RectangleShape>({0, 0, 200, 200});
    const std::pair<Rect, bool> bands[] = {{{50, 50, 20, 20}, false},
                                           {{-10, 50, 20, 20}, true},
                                           {{-10, -10, 300, 300}, true},
                                           {{210, 0, 20, 20}, false},
                                           {{50, -5, 10, 10}, true}}; // crossing an edge only
    for (const auto& [band, hit] : bands)
        EXPECT_EQ(big->hitTestRect(band), hit) << band.x();
    big->setRotation(45);
    EXPECT_FALSE(big->hitTestRect({0, 0, 5, 5})); // the corner turned away
}

TEST(BoxShapes, LineIntersectionAgreesWithAnExactTest) {
    const std::tuple<Point, Point, Point, Point, bool> rows[] = {
        {{0, 0}, {10, 10}, {0, 10}, {10, 0}, true},
        {{0, 0}, {10, 10}, {10, 10}, {20, 0}, true},
        {{0, 0}, {1, 1}, {5, 0}, {6, -1}, false},
        {{3, 0}, {3, 10}, {3, 5}, {3, 20}, true},
        {{3, 0}, {3, 10}, {3, 11}, {3, 20}, false},
        {{3, 0}, {3, 10}, {4, 0}, {4, 10}, false},
        {{5, -5}, {5, 5}, {0, 0}, {10, 0}, true},
        {{0, 0}, {10, 0}, {5, -5}, {5, 5}, true},
        {{5, 1}, {5, 5}, {0, 0}, {10, 0}, false},
        {{0, 0}, {4, 0}, {5, -5}, {5, 5}, false},
        {{5, -5}, {5.000001, 5}, {0, 0}, {10, 0}, true}, // nearly vertical counts as vertical
        {{0, 0}, {5, 5}, {4, 4}, {9, 9}, true},
        {{0, 0}, {5, 5}, {6, 6}, {9, 9}, false},
        {{0, 0}, {5, 5}, {0, 1}, {5, 6}, false}};
    for (const auto& [a1, a2, b1, b2, hit] : rows)
        EXPECT_EQ(linesIntersect(a1, a2, b1, b2), hit) << a1.x << " " << a2.x << " " << b1.x;
    Random random(7);
    auto cross = [](Point o, Point p, Point q) {
        return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
    };
    for (int i = 0; i < 2000; ++i) {
        const Point a1 = random.point(-100, 100), a2 = random.point(-100, 100);
        const Point b1 = random.point(-100, 100), b2 = random.point(-100, 100);
        const bool exact = ((cross(a1, a2, b1) > 0) != (cross(a1, a2, b2) > 0)) &&
                           ((cross(b1, b2, a1) > 0) != (cross(b1, b2, a2) > 0));
        ASSERT_EQ(linesIntersect(a1, a2, b1, b2), exact) << i;
    }
    const Rect r(0, 0, 10, 10); // half-open containment
    EXPECT_TRUE(Shape::rectIntersectsLine(r, {5, -5}, {5, 15}));
    EXPECT_FALSE(Shape::rectIntersectsLine(r, {-5, -5}, {-5, 15}));
    EXPECT_FALSE(Shape::rectIntersectsLine(r, {11, 0}, {20, 9}));
    const std::tuple<double, double, double, double, bool> overlaps[] = {
        {0, 5, 5, 10, true}, {5, 0, 10, 4, true}, {0, 10, 3, 4, true},
        {3, 4, 10, 0, true}, {0, 1, 2, 3, false}, {3, 2, 1, 0, false}};
    for (const auto& [a, b, c, d, overlap] : overlaps)
        EXPECT_EQ(coordsOverlap(a, b, c, d), overlap) << a << b << c << d;
}

// Handles scale with the zoom and are found on the turned outline; a
// gradient's controls only for gradient fills, the start first.
TEST(BoxShapes, HandleAndGradientControlHitTests) {
    const ZoomView two(2), four(4);
    EXPECT_EQ(Shape::handleRectAtPoint({10, 10}, &two), Rect(8, 8, 4.5, 4.5));
    EXPECT_EQ(Shape::handleRectAtPoint({10, 10}, nullptr), Rect(6, 6, 9, 9));
    EXPECT_EQ(Shape::gradientHandleRectAtPoint({10, 10}, nullptr), Rect(0, 0, 21, 21));
    EXPECT_EQ(Shape::gradientHandleRectAtPoint({10, 10}, &two), Rect(5, 5, 10.5, 10.5));
    auto r = box<RectangleShape>({0, 0, 100, 50});
    int h = -1, v = -1;
    Point origin{-1, -1};
    EXPECT_FALSE(r->hitTestSelectionHandle({50, 25}, h, v, origin, nullptr));
    EXPECT_EQ(origin, Point(-1, -1));
    const std::tuple<double, Point, const ShapeView*, int, int, Point> rows[] = {
        {0, {101, 51}, nullptr, 2, 2, {0, 0}},
        {0, {49, 2}, nullptr, 1, 0, {50, 50}},
        {90, {50, 75}, nullptr, 2, 1, {50, -25}},
        {0, {100.5, 50.5}, &four, 2, 2, {0, 0}}};
    for (const auto& [angle, at, view, hh, vv, from] : rows) {
        r->setRotation(angle);
        ASSERT_TRUE(r->hitTestSelectionHandle(at, h, v, origin, view)) << at.x;
        EXPECT_EQ(Point(h, v), Point(hh, vv));
        expectNear(origin, from);
    }
    EXPECT_FALSE(r->hitTestSelectionHandle({102, 50}, h, v, origin, &four));

    r->setBounds({0, 0, 100, 100});
    bool isStart = false;
    EXPECT_FALSE(r->hitTestGradientControl(r->gradientStart(), isStart, nullptr));
    r->fill().setStyle(2);
    r->fill().setGradientStart({0.2, 0.2});
    r->fill().setGradientEnd({0.3, 0.3}); // 10 points apart: the squares overlap
    ASSERT_TRUE(r->hitTestGradientControl({25, 25}, isStart, nullptr));
    EXPECT_TRUE(isStart);
    ASSERT_TRUE(r->hitTestGradientControl({38, 38}, isStart, nullptr));
    EXPECT_FALSE(isStart);
    isStart = true;
    EXPECT_FALSE(r->hitTestGradientControl({80, 80}, isStart, nullptr));
    EXPECT_TRUE(isStart);
}

// Handle (h, v) of a box: 0, 1, 2 for its low side, middle and high side.
Point handlePoint(const Rect& b, int h, int v) {
    return {b.minX() + h * b.width() / 2, b.minY() + v * b.height() / 2};
}

// Shift keeps the aspect of the start of the drag on corner handles (the
// current one without beginResize), on the pointer's side; edge handles keep
// the other axis; a turned shape keeps the opposite handle in place.
TEST(BoxShapes, ResizingByTheHandles) {
    struct Step {
        bool begin;
        Point to;
        int h, v;
        Point origin;
        unsigned flags;
        Rect result;
    };
    const Step steps[] = {{false, {300, 60}, 2, 2, {0, 0}, ShiftKeyMask, {0, 0, 120, 60}},
                          {true, {300, 60}, 2, 2, {0, 0}, ShiftKeyMask, {0, 0, 120, 60}},
                          {false, {300, 60}, 2, 2, {0, 0}, 0, {0, 0, 300, 60}},
                          {false, {50, 400}, 2, 2, {0, 0}, ShiftKeyMask, {0, 0, 50, 25}},
                          {false, {-40, -400}, 2, 2, {0, 0}, ShiftKeyMask, {-40, -20, 40, 20}},
                          {true, {300, 999}, 2, 1, {0, 25}, ShiftKeyMask, {0, 0, 300, 50}},
                          {true, {-20, 999}, 2, 1, {0, 25}, 0, {-20, 0, 20, 50}},
                          {false, {0, 0}, 2, 1, {0, 25}, 0, {0, 0, kTenth, 50}}};
    auto r = box<RectangleShape>({0, 0, 100, 50});
    for (const Step& s : steps) {
        if (s.begin) {
            r->setBounds({0, 0, 100, 50});
            r->beginResize();
        }
        r->resizeToPoint(s.to, s.h, s.v, s.origin, s.flags);
        EXPECT_EQ(r->bounds(), s.result) << s.to.x << ", " << s.to.y;
    }
    r->endResize();
    for (double angle : {90.0, 30.0, 217.0}) {
        for (int h = 0; h <= 2; ++h) {
            for (int v = 0; v <= 2; ++v) {
                if (h == 1 && v == 1)
                    continue;
                auto t = box<RectangleShape>({0, 0, 100, 50}, angle);
                const Point origin =
                    t->transform().transformPoint(handlePoint(t->bounds(), 2 - h, 2 - v));
                const Point handle = t->transform().transformPoint(handlePoint(t->bounds(), h, v));
                t->beginResize();
                t->resizeToPoint({handle.x + 13, handle.y + 7}, h, v, origin, 0);
                t->endResize();
                expectNear(t->transform().transformPoint(handlePoint(t->bounds(), 2 - h, 2 - v)),
                           origin);
            }
        }
    }
}

// The redraw area has a fixed margin around the turned box and reaches the
// gradient's handles; the export area adds half the stroke and the shadow.
TEST(BoxShapes, RedrawAndExportAreas) {
    auto r = box<RectangleShape>({0, 0, 100, 50});
    EXPECT_EQ(r->visibleBoundsInView(nullptr), Rect(-100, -100, 300, 250));
    r->setRotation(90);
    expectNear(r->visibleBoundsInView(nullptr), Rect(-75, -125, 250, 300));
    r->setRotation(0);
    r->fill().setStyle(2);
    r->fill().setGradientStart({-1, 0}); // (-100, 0): its handle reaches x = -110
    r->fill().setGradientEnd({0.5, 0.5});
    expectNear(r->visibleBoundsInView(nullptr), Rect(-210, -110, 410, 260));
    r->stroke().setWidth(4);
    EXPECT_EQ(r->visibleBoundsForExport(), Rect(-2, -2, 104, 54));
    r->stroke().setStyle(0);
    r->shadow().setVisible(true);
    r->shadow().setShadowOffset({5, -10}); // ten points down the page
    r->shadow().setShadowBlurRadius(3);
    EXPECT_EQ(r->visibleBoundsForExport(), Rect(0, 0, 108, 63));
}

} // namespace
} // namespace qv

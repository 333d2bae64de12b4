// The model every shape shares: bounds and rotation rules, change
// announcements, the transform about the centre, the gradient frame, flips,
// copies with styles of their own, key-value coding, what each kind answers
// to the inspector, element children, and the Shift constraints.

#include "ShapeTestSupport.h"

#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"

#include <cmath>

namespace qv {
namespace {

using namespace test;

TEST(ShapeModel, BoundsHaveAMinimumSizeAndRotationStaysInZeroTo360) {
    RectangleShape s;
    const std::pair<Rect, Rect> bounds[] = {{{10, 10, 0, -5}, {10, 10, kTenth, kTenth}},
                                            {{1, 2, 0.05, 3}, {1, 2, kTenth, 3}},
                                            {{1, 2, NAN, 3}, {1, 2, kTenth, 3}}};
    for (const auto& [in, out] : bounds) {
        s.setBounds(in);
        EXPECT_EQ(s.bounds(), out);
    }
    // -1e-20 would land exactly on 360 after adding 360.
    const std::pair<double, double> angles[] = {
        {725, 5},       {-90, 270},    {360, 0},
        {359.5, 359.5}, {-720, 0},     {1e300, std::fmod(1e300, 360.0)},
        {-1e-20, 0},    {INFINITY, 0}, {NAN, 0}};
    for (auto [in, out] : angles) {
        s.setRotation(in);
        EXPECT_NEAR(s.rotation(), out, 1e-12) << in;
        EXPECT_LT(s.rotation(), 360);
        EXPECT_FALSE(std::signbit(s.rotation())) << in;
    }
    s.setRotation(30);
    s.rotate(-45);
    EXPECT_EQ(s.rotation(), 345);
}

TEST(ShapeModel, TransformTurnsAboutTheCentreAndGradientPointsFollowIt) {
    RectangleShape s;
    s.setBounds({10, 20, 100, 50});
    s.setRotation(30); // a positive angle turns +x towards +y
    expectNear(s.transform().transformPoint({110, 45}),
               {60 + 50 * std::cos(M_PI / 6), 45 + 50 * std::sin(M_PI / 6)});
    OvalShape oval;
    oval.setBounds({0, 0, 100, 50});
    oval.setRotation(90);
    expectNear(oval.transformedBounds(), {25, -25, 50, 100}, 1e-6);

    // Gradient points are stored in the unit square of the bounds.
    s.setRotation(0);
    s.fill().setGradientStart({0, 0});
    s.fill().setGradientEnd({1, 1});
    expectNear(s.gradientStart(), {10, 20});
    expectNear(s.gradientEnd(), {110, 70});
    s.setRotation(90); // the corner (110, 70) turns about (60, 45) to (35, 95)
    expectNear(s.gradientEnd(), {35, 95});
    EXPECT_GE(changePairs(s, [&] { s.setGradientStart({60, 45}); }), 1);
    expectNear(s.fill().gradientStart(), {0.5, 0.5});
    s.setGradientEnd({35, 95});
    expectNear(s.fill().gradientEnd(), {1, 1});
    // A shape without area has no frame to measure in.
    RectangleShape empty;
    const Point before = empty.fill().gradientStart();
    empty.setGradientStart({5, 5});
    EXPECT_EQ(empty.fill().gradientStart(), before);
}

TEST(ShapeModel, FlipMirrorsTheRotationAndOnlyAGradientsPoints) {
    RectangleShape s;
    s.setBounds({0, 0, 100, 50});
    s.setRotation(30);
    s.flip(0);
    EXPECT_EQ(s.rotation(), 330);
    EXPECT_EQ(s.bounds(), Rect(0, 0, 100, 50));
    s.fill().setGradientStart({0.2, 0.5});
    s.flip(0);
    EXPECT_EQ(s.fill().gradientStart(), Point(0.2, 0.5)); // a solid fill's stay
    s.fill().setStyle(2);
    s.fill().setGradientEnd({0.8, 0.1});
    s.flip(0);
    expectNear(s.fill().gradientStart(), {0.8, 0.5});
    expectNear(s.fill().gradientEnd(), {0.2, 0.1});
    s.flip(1);
    expectNear(s.fill().gradientEnd(), {0.2, 0.9});
}

// Values of copies are checked by the file round trip; here, that each copy
// and each installed or added style is an object of its own.
TEST(ShapeModel, CopiesAndInstalledStylesAreObjectsOfTheirOwn) {
    RoundRectangleShape s;
    s.stroke().setWidth(5);
    ShapePtr c = s.copy();
    ASSERT_TRUE(std::dynamic_pointer_cast<RoundRectangleShape>(c));
    EXPECT_EQ(c->stroke().shape(), c.get());
    EXPECT_EQ(c->fill().shape(), c.get());
    EXPECT_EQ(c->shadow().shape(), c.get());
    EXPECT_EQ(changePairs(s, [&] { c->stroke().setWidth(9); }), 0);
    Stroke stroke;
    stroke.setWidth(4);
    s.setStroke(stroke);
    EXPECT_EQ(stroke.shape(), nullptr);
    stroke.setWidth(8);
    EXPECT_EQ(s.stroke().width(), 4);
    // Outside the reader, children are the caller's objects: copied, and
    // announced like any edit.
    auto fill = std::make_shared<Fill>();
    fill->setStyle(0);
    EXPECT_EQ(changePairs(s, [&] { s.addElement(fill); }), 1);
    EXPECT_EQ(s.fill().shape(), &s);
    fill->setStyle(2);
    EXPECT_EQ(s.fill().style(), 0);
    // Unknown children, a "stroke" that is no stroke object and none at all
    // are ignored.
    s.addElement(QVGenericElement::elementNamed("mystery"));
    s.addElement(QVGenericElement::elementNamed("stroke"));
    s.addElement(nullptr);
    EXPECT_EQ(s.stroke().style(), 1);
    RectangleShape r;
    r.addElement(nullptr);
    auto bounds = QVGenericElement::elementNamed("bounds");
    bounds->setRectAttribute({NAN, 2, 3, 4});
    EXPECT_EQ(changePairs(r, [&] { r.addElement(bounds); }), 1);
    EXPECT_EQ(r.bounds(), Rect(0, 2, 3, 4));
}

// What the inspector and commands ask of each kind; key-value coding that
// reaches geometry and styles and refuses values of the wrong kind.
TEST(ShapeModel, PerKindAnswersAndKeyValueCoding) {
    struct Row {
        ShapePtr shape;
        bool fill, stroke, bezier;
        const char* view;
    };
    const Row rows[] = {
        {std::make_shared<RectangleShape>(), true, true, true, "none"},
        {std::make_shared<RoundRectangleShape>(), true, true, true, "roundrect"},
        {std::make_shared<RegularPolygonShape>(), true, true, true, "regularpolygon"},
        {std::make_shared<PolylineShape>(), true, true, false, "none"},
        {std::make_shared<TextShape>(), false, false, false, "none"}};
    for (const Row& r : rows) {
        EXPECT_EQ(r.shape->valueForKey("usesFill"), Value(r.fill)) << r.view;
        EXPECT_EQ(r.shape->usesStroke(), r.stroke) << r.view;
        EXPECT_TRUE(r.shape->usesShadow());
        EXPECT_EQ(r.shape->canConvertToBezier(), r.bezier) << r.view;
        EXPECT_EQ(r.shape->valueForKey("viewIdentifier"), Value(r.view));
        // The geometry-pane keys mean nothing to a plain rectangle but are accepted.
        EXPECT_TRUE(r.shape->setValueForKeyPath(Value(std::int64_t(5)), "numberOfSides"));
        EXPECT_TRUE(r.shape->setValueForKeyPath(Value(0.5), "stellation"));
        EXPECT_TRUE(r.shape->setValueForKeyPath(Value(4.0), "cornerRadiusHeight"));
        const bool polygon = r.view == std::string("regularpolygon");
        EXPECT_EQ(r.shape->numberOfSides(), polygon ? 5 : 0);
        EXPECT_EQ(r.shape->stellation(), polygon ? 0.5 : 0);
        EXPECT_EQ(r.shape->cornerRadiusHeight(), r.view == std::string("roundrect") ? 4 : 0);
        EXPECT_EQ(std::as_const(*r.shape).cornerRadiusWidth(),
                  r.view == std::string("roundrect") ? 10 : 0);
    }
    RoundRectangleShape s;
    EXPECT_TRUE(s.setValueForKeyPath(Value(Rect(1, 2, 3, 4)), "bounds"));
    EXPECT_TRUE(s.setValueForKeyPath(Value(400.0), "rotation"));
    EXPECT_TRUE(s.setValueForKeyPath(Value(3.5), "stroke.width"));
    EXPECT_TRUE(s.setValueForKeyPath(Value(2.0), "cornerRadiusWidth"));
    EXPECT_EQ(s.bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(s.rotation(), 40);
    EXPECT_EQ(s.stroke().width(), 3.5);
    EXPECT_EQ(s.cornerRadius(), Size(2, 10));
    EXPECT_FALSE(s.setValueForKeyPath(Value(1.0), "noSuchKey"));
    RegularPolygonShape polygon;
    polygon.setNumberOfSides(7);
    EXPECT_EQ(polygon.elementAttributes().size(), 2u);
    EXPECT_EQ(polygon.elementAttributes().intValueForKey("sides"), 7);
    for (const std::string& key : polygon.undoableProperties()) // readable, styles' keys too
        EXPECT_FALSE(polygon.valueForKeyPath(key).isNull()) << key;

    auto l = line({}, {});
    auto a = arc({}, 0, 0, 0);
    auto path = std::make_shared<PolylineShape>();
    const std::string before = writeShapes({l, a, path});
    EXPECT_FALSE(l->setValueForKeyPath(Value(3.0), "end"));
    EXPECT_FALSE(a->setValueForKeyPath(Value("wide"), "radius"));
    EXPECT_FALSE(path->setValueForKey(Value(3.0), "path"));
    EXPECT_FALSE(s.setValueForKeyPath(Value("text"), "bounds"));
    EXPECT_EQ(writeShapes({l, a, path}), before);
    EXPECT_TRUE(a->setValueForKeyPath(Value(45.0), "angle2"));
    EXPECT_TRUE(a->setValueForKeyPath(Value(false), "clockwise"));
    EXPECT_EQ(a->angle2(), 45);
    EXPECT_FALSE(a->clockwise());
    const BezierPath square = BezierPath::bezierPathWithRect({0, 0, 5, 5});
    EXPECT_TRUE(path->setValueForKey(Value(square), "path"));
    EXPECT_EQ(path->valueForKey("path").toBezierPath().elements(), square.elements());
    EXPECT_EQ(path->bounds(), Rect(0, 0, 5, 5));
}

TEST(ShapeModel, ShiftConstrainsBoxesToSquaresAndLinesToEighthTurns) {
    const std::pair<Point, Point> squares[] = {
        {{10, -3}, {3, -3}}, {{0, 7}, {0, 0}}, {{-5, 25}, {-5, 15}}, {{1, 1}, {1, 1}}};
    for (std::size_t i = 0; i < std::size(squares); ++i)
        EXPECT_EQ(QVTransform::transformShiftedShapeFromStart(i < 2 ? Point(0, 0) : Point(5, 5),
                                                              squares[i].first),
                  squares[i].second)
            << i;
    // Right, 45° up, up; up and left (135°), left, down and left (225°),
    // down, down and right (315°), right; exactly 90° is vertical, no drag
    // horizontal.
    const std::pair<Point, Point> lines[] = {
        {{10, -4}, {10, 0}},  {{10, -7}, {10, -10}}, {{3, -10}, {0, -10}}, {{-10, -9}, {-10, -10}},
        {{-10, 1}, {-10, 0}}, {{-10, 9}, {-10, 10}}, {{1, 10}, {0, 10}},   {{10, 9}, {10, 10}},
        {{10, 1}, {10, 0}},   {{0, -10}, {0, -10}},  {{0, 0}, {0, 0}}};
    const Point o{3, 4}; // away from the origin, so that no start coordinate drops out
    for (const auto& [d, c] : lines)
        EXPECT_EQ(QVTransform::transformShiftedLineFromStart(o, {o.x + d.x, o.y + d.y}),
                  Point(o.x + c.x, o.y + c.y))
            << d.x << ", " << d.y;
}

} // namespace
} // namespace qv

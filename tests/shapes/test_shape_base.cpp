// The shared model of every shape: bounds and rotation rules, the transform
// about the centre, gradient frame, change announcements, copying and the
// common element children.

#include "ShapeTestSupport.h"

#include "document/QVGenericElement.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/ArcShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace qv {
namespace {

using namespace test;

TEST(ShapeBounds, SizesBelowTheMinimumAreRaisedToSinglePrecisionTenth) {
    RectangleShape s;
    s.setBounds({10, 10, 0, -5});
    EXPECT_EQ(s.bounds(), Rect(10, 10, 0.10000000149011612, 0.10000000149011612));
    s.setBounds({1, 2, 0.05, 3});
    EXPECT_EQ(s.bounds(), Rect(1, 2, 0.10000000149011612, 3));
    s.setBounds({1, 2, std::nan(""), 3});
    EXPECT_EQ(s.bounds().width(), 0.10000000149011612);
}

TEST(ShapeRotation, IsNormalisedIntoZeroTo360) {
    RectangleShape s;
    const std::vector<std::pair<double, double>> cases = {{725, 5},
                                                          {-90, 270},
                                                          {360, 0},
                                                          {0, 0},
                                                          {359.5, 359.5},
                                                          {-720, 0},
                                                          {1e300, std::fmod(1e300, 360.0)}};
    for (auto [in, out] : cases) {
        s.setRotation(in);
        EXPECT_EQ(s.rotation(), out) << in;
        EXPECT_GE(s.rotation(), 0);
        EXPECT_LT(s.rotation(), 360);
        EXPECT_FALSE(std::signbit(s.rotation())) << in;
    }
    // A tiny negative angle would land exactly on 360 after adding 360.
    s.setRotation(-1e-20);
    EXPECT_LT(s.rotation(), 360);
    s.setRotation(INFINITY);
    EXPECT_EQ(s.rotation(), 0);
    s.setRotation(std::nan(""));
    EXPECT_EQ(s.rotation(), 0);
    s.setRotation(30);
    s.rotate(-45);
    EXPECT_EQ(s.rotation(), 345);
}

TEST(ShapeNotifications, OnePairPerRealChangeWillBeforeAndDidAfter) {
    RectangleShape s;
    const std::pair<std::function<void()>, int> edits[] = {
        {[&] {
             s.setBounds({0, 0, 10, 10});
         },
         1},
        {[&] {
             s.setBounds({0, 0, 10, 10});
         },
         0},
        {[&] { s.setRotation(30); }, 1},
        {[&] { s.setRotation(390); }, 0},
        {[&] {
             s.offset({0, 0});
         },
         0},
        {[&] {
             s.offset({1, 0});
         },
         1},
        {[&] {
             s.setStroke(Stroke());
             s.setFill(Fill());
             s.setShadow(Shadow());
         },
         3},
        // A style edit announces through the shape it belongs to.
        {[&] { s.stroke().setWidth(3); }, 1},
    };
    for (std::size_t i = 0; i < std::size(edits); ++i)
        EXPECT_EQ(changePairs(s, edits[i].first), edits[i].second) << i;

    std::vector<Rect> seen;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&seen, QVShapeWillChangeNotification, &s,
                       [&](const Notification&) { seen.push_back(s.bounds()); });
    center.addObserver(&seen, QVShapeDidChangeNotification, &s,
                       [&](const Notification&) { seen.push_back(s.bounds()); });
    s.setBounds({1, 2, 3, 4});
    center.removeObserver(&seen);
    EXPECT_EQ(seen, (std::vector<Rect>{{1, 0, 10, 10}, {1, 2, 3, 4}}));
}

TEST(ShapeTransform, RotatesAboutTheCentre) {
    RectangleShape s;
    s.setBounds({0, 0, 100, 50});
    EXPECT_TRUE(s.transform().isIdentity());
    s.setRotation(90);
    expectNear(s.transform().transformPoint({100, 25}), {50, 75});
    expectNear(s.transform().transformPoint(s.position()), s.position());
    // A positive angle turns +x towards +y.
    s.setRotation(30);
    const Point p = s.transform().transformPoint({100, 25});
    const double r = 30 * M_PI / 180;
    expectNear(p, {50 + 50 * std::cos(r), 25 + 50 * std::sin(r)});
}

TEST(ShapeTransform, TransformedBoundsAreTheTightBoxOfTheRotatedOutline) {
    OvalShape oval;
    oval.setBounds({0, 0, 100, 50});
    EXPECT_EQ(oval.transformedBounds(), oval.path()->bounds());
    oval.setRotation(90);
    const Rect r = oval.transformedBounds();
    EXPECT_NEAR(r.x(), 25, 1e-6);
    EXPECT_NEAR(r.y(), -25, 1e-6);
    EXPECT_NEAR(r.width(), 50, 1e-6);
    EXPECT_NEAR(r.height(), 100, 1e-6);
}

TEST(ShapeGradient, PointsFollowTheBoundsAndRotation) {
    RectangleShape s;
    s.setBounds({10, 20, 100, 50});
    s.fill().setGradientStart({0, 0});
    s.fill().setGradientEnd({1, 1});
    expectNear(s.gradientStart(), {10, 20});
    expectNear(s.gradientEnd(), {110, 70});
    s.setRotation(90);
    // The corner (110, 70) turns about (60, 45) to (35, 95).
    expectNear(s.gradientEnd(), {35, 95});
    EXPECT_GE(changePairs(s, [&] { s.setGradientStart({60, 45}); }), 1);
    expectNear(s.fill().gradientStart(), {0.5, 0.5});
    expectNear(s.gradientStart(), {60, 45});
    s.setGradientEnd({35, 95});
    expectNear(s.fill().gradientEnd(), {1, 1});

    // A shape without area has no frame to measure in.
    RectangleShape empty;
    const Point before = empty.fill().gradientStart();
    empty.setGradientStart({5, 5});
    EXPECT_EQ(empty.fill().gradientStart(), before);
}

TEST(ShapeFlip, MirrorsRotationAndGradientOnly) {
    RectangleShape s;
    s.setBounds({0, 0, 100, 50});
    s.setRotation(30);
    s.flip(0);
    EXPECT_EQ(s.rotation(), 330);
    s.setRotation(0);
    s.flip(1);
    EXPECT_EQ(s.rotation(), 0);
    EXPECT_EQ(s.bounds(), Rect(0, 0, 100, 50));

    // A solid fill's stored gradient points stay as they are.
    s.fill().setGradientStart({0.2, 0.5});
    s.flip(0);
    EXPECT_EQ(s.fill().gradientStart(), Point(0.2, 0.5));

    s.fill().setStyle(2);
    s.fill().setGradientStart({0.2, 0.5});
    s.fill().setGradientEnd({0.8, 0.5});
    s.flip(0);
    expectNear(s.fill().gradientStart(), {0.8, 0.5});
    expectNear(s.fill().gradientEnd(), {0.2, 0.5});
    s.fill().setGradientStart({0.3, 0.1});
    s.flip(1);
    expectNear(s.fill().gradientStart(), {0.3, 0.9});
}

// Values of copies are checked by the file round trip; here, that each copy
// and each installed style is an object of its own.
TEST(ShapeCopy, StylesOfItsOwn) {
    RoundRectangleShape s;
    s.stroke().setWidth(5);
    ShapePtr c = s.copy();
    ASSERT_TRUE(std::dynamic_pointer_cast<RoundRectangleShape>(c));
    EXPECT_EQ(c->stroke().shape(), c.get());
    EXPECT_EQ(c->fill().shape(), c.get());
    EXPECT_EQ(c->shadow().shape(), c.get());
    EXPECT_EQ(changePairs(s, [&] { c->stroke().setWidth(9); }), 0);
    EXPECT_EQ(s.stroke().width(), 5);

    Stroke stroke;
    stroke.setWidth(4);
    s.setStroke(stroke);
    EXPECT_NE(&s.stroke(), &stroke);
    EXPECT_EQ(stroke.shape(), nullptr);
    stroke.setWidth(8);
    EXPECT_EQ(s.stroke().width(), 4);
}

TEST(ShapeUndo, EveryUndoableKeyPathIsReadableAndObservable) {
    std::vector<ShapePtr> shapes{std::make_shared<RectangleShape>(),
                                 std::make_shared<RoundRectangleShape>(),
                                 std::make_shared<RegularPolygonShape>()};
    for (const ShapePtr& s : shapes) {
        for (const std::string& key : s->undoableProperties())
            EXPECT_FALSE(s->valueForKeyPath(key).isNull()) << *s->elementName() << " " << key;
    }
    RegularPolygonShape p;
    KeyPathRecorder rec;
    for (const std::string& key : p.undoableProperties())
        p.addObserver(&rec, key);
    p.setNumberOfSides(8);
    p.setStellation(0.5);
    p.setRotation(10);
    p.setBounds({0, 0, 5, 5});
    p.stroke().setWidth(2);
    p.fill().setStyle(2);
    p.shadow().setVisible(true);
    p.removeObserver(&rec);
    const std::vector<std::string> keys = rec.keyPaths();
    for (const char* k : {"numberOfSides", "stellation", "rotation", "bounds", "stroke.width",
                          "fill.style", "shadow.visible"})
        EXPECT_NE(std::find(keys.begin(), keys.end(), k), keys.end()) << k;
    ASSERT_FALSE(rec.changes.empty());
    EXPECT_EQ(rec.changes[0].oldValue, Value(std::int64_t(6)));
    EXPECT_EQ(rec.changes[0].newValue, Value(std::int64_t(8)));
}

TEST(ShapeUndo, ReplacingAStyleIsSeenByObserversOfItsKeyPaths) {
    RectangleShape s;
    KeyPathRecorder rec;
    s.addObserver(&rec, "stroke.width");
    Stroke wide;
    wide.setWidth(6);
    s.setStroke(wide);
    s.removeObserver(&rec);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].oldValue, Value(1.0));
    EXPECT_EQ(rec.changes[0].newValue, Value(6.0));
}

TEST(ShapeKeyValue, SettingThroughKeyPathsReachesStylesAndGeometry) {
    RoundRectangleShape s;
    EXPECT_TRUE(s.setValueForKeyPath(Value(Rect(1, 2, 3, 4)), "bounds"));
    EXPECT_EQ(s.bounds(), Rect(1, 2, 3, 4));
    EXPECT_TRUE(s.setValueForKeyPath(Value(400.0), "rotation"));
    EXPECT_EQ(s.rotation(), 40);
    EXPECT_TRUE(s.setValueForKeyPath(Value(3.5), "stroke.width"));
    EXPECT_EQ(s.stroke().width(), 3.5);
    EXPECT_TRUE(s.setValueForKeyPath(Value(2.0), "cornerRadiusWidth"));
    EXPECT_EQ(s.cornerRadius(), Size(2, 10));
    EXPECT_FALSE(s.setValueForKeyPath(Value("text"), "bounds"));
    EXPECT_FALSE(s.setValueForKeyPath(Value(1.0), "noSuchKey"));
    // The geometry-pane keys mean nothing to a plain rectangle but are accepted.
    RectangleShape r;
    EXPECT_TRUE(r.setValueForKeyPath(Value(std::int64_t(5)), "numberOfSides"));
    EXPECT_EQ(r.valueForKey("numberOfSides"), Value(std::int64_t(0)));
    EXPECT_EQ(r.valueForKey("viewIdentifier"), Value("none"));
}

// Outside the reader, children are the caller's own objects: copied, and
// announced like any edit.
TEST(ShapeElement, AddElementDispatchesByName) {
    RectangleShape s;
    auto fill = std::make_shared<Fill>();
    fill->setStyle(0);
    EXPECT_EQ(changePairs(s, [&] { s.addElement(fill); }), 1);
    EXPECT_EQ(s.fill().style(), 0);
    EXPECT_NE(&s.fill(), fill.get());
    EXPECT_EQ(s.fill().shape(), &s);
    EXPECT_EQ(fill->shape(), nullptr);
    fill->setStyle(2);
    EXPECT_EQ(s.fill().style(), 0);

    auto transform = QVGenericElement::elementNamed("transform");
    transform->setFloatAttribute(-30, "rotation");
    s.addElement(transform);
    EXPECT_EQ(s.rotation(), 330);

    // Unknown children and a "stroke" that is not a stroke object are ignored.
    s.addElement(QVGenericElement::elementNamed("mystery"));
    s.addElement(QVGenericElement::elementNamed("stroke"));
    s.addElement(nullptr);
    EXPECT_EQ(s.stroke().style(), 1);

    auto bounds = QVGenericElement::elementNamed("bounds");
    bounds->setRectAttribute({1, 2, 3, 4});
    EXPECT_EQ(changePairs(s, [&] { s.addElement(bounds); }), 1);
    EXPECT_EQ(s.bounds(), Rect(1, 2, 3, 4));
}

TEST(ShapeElement, AbsurdBoundsAreClamped) {
    RectangleShape s;
    auto bounds = QVGenericElement::elementNamed("bounds");
    bounds->setRectAttribute({1e308, -1e308, 1e308, std::nan("")});
    s.addElement(bounds);
    EXPECT_EQ(s.bounds().x(), Shape::kMaximumCoordinate);
    EXPECT_EQ(s.bounds().y(), -Shape::kMaximumCoordinate);
    EXPECT_EQ(s.bounds().width(), Shape::kMaximumCoordinate);
    EXPECT_EQ(s.bounds().height(), 0.10000000149011612);
    EXPECT_TRUE(std::isfinite(s.transformedBounds().width()));
}

TEST(QVTransformTest, ShiftConstraints) {
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
    for (const auto& [drag, constrained] : lines)
        EXPECT_EQ(QVTransform::transformShiftedLineFromStart({0, 0}, drag), constrained) << drag.x;
    // Every result lies on a horizontal, vertical or 45° line through the start.
    for (int deg = 0; deg < 360; deg += 7) {
        const double r = deg * M_PI / 180;
        const Point e{3 + 20 * std::cos(r), 4 - 20 * std::sin(r)};
        const Point c = QVTransform::transformShiftedLineFromStart({3, 4}, e);
        const double dx = c.x - 3, dy = c.y - 4;
        EXPECT_TRUE(dx == 0 || dy == 0 || std::fabs(std::fabs(dx) - std::fabs(dy)) < 1e-9) << deg;
    }
}

// What the inspector and commands ask of each kind, and key-value coding that
// refuses values of the wrong kind without changing anything.
TEST(ShapeCapabilities, PerKindAnswersAndRefusedValues) {
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
        EXPECT_EQ(r.shape->usesFill(), r.fill) << r.view;
        EXPECT_EQ(r.shape->valueForKey("usesFill"), Value(r.fill)) << r.view;
        EXPECT_EQ(r.shape->usesStroke(), r.stroke) << r.view;
        EXPECT_TRUE(r.shape->usesShadow());
        EXPECT_EQ(r.shape->canConvertToBezier(), r.bezier) << r.view;
        EXPECT_EQ(r.shape->viewIdentifier(), r.view);
    }
    // The geometry-pane values mean nothing to a plain rectangle.
    RectangleShape plain;
    plain.setCornerRadiusWidth(5);
    plain.setCornerRadiusHeight(5);
    plain.setNumberOfSides(5);
    plain.setStellation(0.5);
    EXPECT_EQ(plain.cornerRadiusWidth() + plain.cornerRadiusHeight() + plain.stellation(), 0);
    EXPECT_EQ(plain.numberOfSides(), 0);
    RegularPolygonShape polygon;
    polygon.setNumberOfSides(7);
    const AttributeMap a = polygon.elementAttributes();
    EXPECT_EQ(a.size(), 2u);
    EXPECT_EQ(a.intValueForKey("sides"), 7);

    LineShape line;
    ArcShape arc;
    PolylineShape path;
    const std::string before = writeShapes(ShapeList{line.copy(), arc.copy(), path.copy()});
    EXPECT_FALSE(line.setValueForKeyPath(Value(3.0), "end"));
    EXPECT_FALSE(arc.setValueForKeyPath(Value("wide"), "radius"));
    EXPECT_FALSE(path.setValueForKey(Value(3.0), "path"));
    EXPECT_EQ(writeShapes(ShapeList{line.copy(), arc.copy(), path.copy()}), before);
    EXPECT_TRUE(arc.setValueForKeyPath(Value(45.0), "angle2"));
    EXPECT_TRUE(arc.setValueForKeyPath(Value(true), "clockwise"));
    EXPECT_EQ(arc.angle2(), 45);
    EXPECT_TRUE(arc.clockwise());
    const BezierPath square = BezierPath::bezierPathWithRect({0, 0, 5, 5});
    EXPECT_TRUE(path.setValueForKey(Value(square), "path"));
    EXPECT_EQ(path.valueForKey("path").toBezierPath().elements(), square.elements());
    EXPECT_EQ(path.bounds(), Rect(0, 0, 5, 5));
}

} // namespace
} // namespace qv

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

// Records the shape notifications posted for one shape.
class NotificationLog {
public:
    explicit NotificationLog(const Shape& shape) {
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, QVShapeWillChangeNotification, &shape,
                           [this](const Notification&) { events.push_back("will"); });
        center.addObserver(this, QVShapeDidChangeNotification, &shape,
                           [this](const Notification&) { events.push_back("did"); });
    }
    ~NotificationLog() { NotificationCenter::defaultCenter().removeObserver(this); }
    int pairs() const {
        int n = 0;
        for (std::size_t i = 0; i + 1 < events.size(); i += 2)
            if (events[i] == "will" && events[i + 1] == "did")
                ++n;
        return events.size() % 2 == 0 && n * 2 == int(events.size()) ? n : -1;
    }
    std::vector<std::string> events;
};

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

TEST(ShapeNotifications, OnePairPerRealChangeOnly) {
    RectangleShape s;
    NotificationLog log(s);
    s.setBounds({0, 0, 10, 10});
    s.setBounds({0, 0, 10, 10});
    EXPECT_EQ(log.pairs(), 1);
    s.setRotation(30);
    s.setRotation(390);
    EXPECT_EQ(log.pairs(), 2);
    s.offset({0, 0});
    EXPECT_EQ(log.pairs(), 2);
    s.offset({1, 0});
    EXPECT_EQ(log.pairs(), 3);
    s.setStroke(Stroke());
    s.setFill(Fill());
    s.setShadow(Shadow());
    EXPECT_EQ(log.pairs(), 6);
    // A style edit announces through the shape it belongs to.
    s.stroke().setWidth(3);
    EXPECT_EQ(log.pairs(), 7);
}

TEST(ShapeNotifications, WillComesBeforeAndDidAfterTheChange) {
    RectangleShape s;
    std::vector<Rect> seen;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&seen, QVShapeWillChangeNotification, &s,
                       [&](const Notification&) { seen.push_back(s.bounds()); });
    center.addObserver(&seen, QVShapeDidChangeNotification, &s,
                       [&](const Notification&) { seen.push_back(s.bounds()); });
    s.setBounds({1, 2, 3, 4});
    center.removeObserver(&seen);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Rect());
    EXPECT_EQ(seen[1], Rect(1, 2, 3, 4));
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

    NotificationLog log(s);
    s.setGradientStart({60, 45});
    expectNear(s.fill().gradientStart(), {0.5, 0.5});
    expectNear(s.gradientStart(), {60, 45});
    EXPECT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.front(), "will");
    EXPECT_EQ(log.events.back(), "did");
    s.setGradientEnd({35, 95});
    expectNear(s.fill().gradientEnd(), {1, 1});
}

TEST(ShapeGradient, ShapeWithoutAreaIgnoresGradientPoints) {
    RectangleShape s; // zero bounds: no frame to measure in
    const Point before = s.fill().gradientStart();
    s.setGradientStart({5, 5});
    EXPECT_EQ(s.fill().gradientStart(), before);
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

TEST(ShapeCopy, HasEqualValuesAndStylesOfItsOwn) {
    RoundRectangleShape s;
    s.setBounds({1, 2, 30, 40});
    s.setRotation(15);
    s.setCornerRadius({4, 7});
    s.stroke().setWidth(5);
    s.fill().setColor({1, 0, 0, 1});
    s.shadow().setVisible(true);

    ShapePtr c = s.copy();
    ASSERT_TRUE(std::dynamic_pointer_cast<RoundRectangleShape>(c));
    EXPECT_EQ(c->bounds(), s.bounds());
    EXPECT_EQ(c->rotation(), 15);
    EXPECT_EQ(c->cornerRadiusWidth(), 4);
    EXPECT_EQ(c->cornerRadiusHeight(), 7);
    EXPECT_EQ(c->stroke().width(), 5);
    EXPECT_EQ(c->fill().color(), Color(1, 0, 0, 1));
    EXPECT_TRUE(c->shadow().visible());
    EXPECT_NE(&c->stroke(), &s.stroke());
    EXPECT_EQ(c->stroke().shape(), c.get());
    EXPECT_EQ(c->fill().shape(), c.get());
    EXPECT_EQ(c->shadow().shape(), c.get());

    NotificationLog original(s);
    c->stroke().setWidth(9);
    c->fill().setStyle(0);
    EXPECT_EQ(s.stroke().width(), 5);
    EXPECT_EQ(s.fill().style(), 1);
    EXPECT_TRUE(original.events.empty());
}

TEST(ShapeStyles, InstallingCopiesTheObjectGiven) {
    RectangleShape s;
    Stroke stroke;
    stroke.setWidth(4);
    s.setStroke(stroke);
    EXPECT_NE(&s.stroke(), &stroke);
    EXPECT_EQ(s.stroke().width(), 4);
    EXPECT_EQ(stroke.shape(), nullptr);
    stroke.setWidth(8);
    EXPECT_EQ(s.stroke().width(), 4);
}

// Every undoable key path can be read, and is announced when it changes, so
// the document's observation can record undo for it.
class KeyPathRecorder : public KeyValueObserver {
public:
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable&,
                                const Value& oldValue, const Value& newValue) override {
        changes.push_back({std::string(keyPath), oldValue, newValue});
    }
    struct Change {
        std::string keyPath;
        Value oldValue, newValue;
    };
    std::vector<Change> changes;
};

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
    std::vector<std::string> keys;
    for (const auto& c : rec.changes)
        keys.push_back(c.keyPath);
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

TEST(ShapeElement, AddElementDispatchesByName) {
    RectangleShape s;
    auto fill = std::make_shared<Fill>();
    fill->setStyle(0);
    s.addElement(fill);
    EXPECT_EQ(s.fill().style(), 0);
    EXPECT_NE(&s.fill(), fill.get());
    EXPECT_EQ(s.fill().shape(), &s);

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
    s.addElement(bounds);
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

TEST(QVTransformTest, SquareConstraint) {
    EXPECT_EQ(QVTransform::transformShiftedShapeFromStart({0, 0}, {10, -3}), Point(3, -3));
    EXPECT_EQ(QVTransform::transformShiftedShapeFromStart({0, 0}, {0, 7}), Point(0, 0));
    EXPECT_EQ(QVTransform::transformShiftedShapeFromStart({5, 5}, {-5, 25}), Point(-5, 15));
    EXPECT_EQ(QVTransform::transformShiftedShapeFromStart({5, 5}, {1, 1}), Point(1, 1));
}

TEST(QVTransformTest, LineConstraintSectors) {
    const Point s{0, 0};
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {10, -4}), Point(10, 0));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {10, -7}), Point(10, -10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {3, -10}), Point(0, -10));
    // Up and left (135°), left, down and left (225°), down, down and right (315°).
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {-10, -9}), Point(-10, -10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {-10, 1}), Point(-10, 0));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {-10, 9}), Point(-10, 10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {1, 10}), Point(0, 10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {10, 9}), Point(10, 10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {10, 1}), Point(10, 0));
    // Exactly 90° is in the vertical sector, the zero drag horizontal.
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {0, -10}), Point(0, -10));
    EXPECT_EQ(QVTransform::transformShiftedLineFromStart(s, {0, 0}), Point(0, 0));
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

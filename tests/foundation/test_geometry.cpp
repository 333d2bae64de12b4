// Rectangles, affine transforms, colour text and screen placement.
#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Screen.h"

#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

using namespace qv;
using qv::test::distance;

namespace {

TEST(Rect, UnionIntersectionContainmentAndEdges) {
    // Union and intersection with `a`; empty rectangles add nothing, and
    // rectangles that only share an edge have no common area.
    const Rect a(0, 0, 10, 10);
    const std::tuple<Rect, Rect, Rect> cases[] = {
        {Rect(50, 50, 0, 20), a, Rect()},
        {Rect(20, -5, 5, 5), Rect(0, -5, 25, 15), Rect()},
        {Rect(5, -5, 10, 10), Rect(0, -5, 15, 15), Rect(5, 0, 5, 5)},
        {Rect(2, 2, 3, 3), a, Rect(2, 2, 3, 3)},
        {Rect(10, 0, 5, 5), Rect(0, 0, 15, 10), Rect()},
        {Rect(2, 2, 0, 5), a, Rect()},
        {Rect(5, 5, -3, 4), a, Rect()},
        {Rect(9, 9, 5, 5), Rect(0, 0, 14, 14), Rect(9, 9, 1, 1)},
    };
    for (const auto& [b, u, i] : cases) {
        EXPECT_EQ(a.unionWith(b), u);
        EXPECT_EQ(b.unionWith(a), u);
        EXPECT_EQ(a.intersection(b), i);
        EXPECT_EQ(a.intersects(b), !i.isEmpty());
        EXPECT_EQ(a.containsRect(b), i == b && !b.isEmpty()); // an empty rect is never contained
    }
    EXPECT_EQ(Rect().unionWith(Rect(1, 2, 0, 0)), Rect());
    EXPECT_TRUE(a.containsRect(a));

    // Minimum edges inside, maximum edges outside.
    const Rect r(10, 20, 30, 40);
    for (Point p : {Point(10, 20), Point(39.999, 59.999)})
        EXPECT_TRUE(r.containsPoint(p));
    for (Point p : {Point(40, 30), Point(20, 60), Point(9.999, 30), Point(std::nan(""), 30)})
        EXPECT_FALSE(r.containsPoint(p));
    EXPECT_FALSE(Rect(0, 0, 0, 10).containsPoint({0, 5}));

    // Negative sizes are standardized; insets move edges.
    const Rect n(10, 10, -4, -6);
    EXPECT_TRUE(n.isEmpty());
    EXPECT_EQ(Point(n.minX(), n.maxY()), Point(6, 10));
    EXPECT_EQ(n.standardized(), Rect(6, 4, 4, 6));
    EXPECT_EQ(rectFromPoints({5, 1}, {2, 7}), Rect(2, 1, 3, 6));
    EXPECT_EQ(Rect(0, 0, 10, 4).center(), Point(5, 2));
    EXPECT_EQ(Rect(0, 0, 10, 20).insetBy(2, 3), Rect(2, 3, 6, 14));
    EXPECT_EQ(Rect(0, 0, 10, 20).insetBy(-1, -1), Rect(-1, -1, 12, 22));
    EXPECT_TRUE(Rect(0, 0, 10, 20).insetBy(6, 0).isEmpty());
    EXPECT_EQ(Rect(0, 0, 10, 20).offsetBy(5, -5), Rect(5, -5, 10, 20));
    EXPECT_EQ(Rect(0.5, 1.2, 2, 2).integral(), Rect(0, 1, 3, 3));
}

TEST(AffineTransform, MapsPointsRectsAndSizesAndInverts) {
    // Rotation turns +x towards +y; append applies after, prepend before.
    AffineTransform appended = AffineTransform::translation(10, 0), prepended = appended;
    appended.appendScale(2, 2);
    prepended.prepend(AffineTransform::scaling(2, 2));
    AffineTransform about, moved = AffineTransform::translation(50, 0), fitted, flat;
    about.rotateByDegrees(90, {50, 25});
    moved.rotateByDegrees(90, {50, 25}); // after what the transform already did
    fitted.translateAndScaleFromRect(Rect(10, 10, 100, 50), Rect(0, 0, 200, 200));
    flat.translateAndScaleFromRect(Rect(5, 5, 0, 10), Rect(0, 0, 40, 20)); // keeps that axis
    const std::tuple<AffineTransform, Point, Point> maps[] = {
        {AffineTransform::rotationByDegrees(90), {1, 0}, {0, 1}},
        {AffineTransform::rotationByDegrees(-90), {1, 0}, {0, -1}},
        {AffineTransform::rotationByDegrees(180), {2, 3}, {-2, -3}},
        {appended, {1, 1}, {22, 2}},
        {prepended, {1, 1}, {12, 2}},
        {about, {100, 25}, {50, 75}},
        {about, {50, 25}, {50, 25}},
        {moved, {50, 25}, {50, 75}},
        {fitted, {10, 10}, {0, 0}},
        {fitted, {110, 60}, {200, 200}},
        {fitted, {60, 35}, {100, 100}},
        {flat, {5, 15}, {0, 20}},
    };
    for (const auto& [t, from, to] : maps)
        EXPECT_LT(distance(t.transformPoint(from), to), 1e-9) << to.x << "," << to.y;
    EXPECT_LT(test::gap(fitted.transformRect(Rect(10, 10, 100, 50)), Rect(0, 0, 200, 200)), 1e-9);
    // Sizes ignore translation; rects map to bounding boxes.
    AffineTransform t = AffineTransform::translation(100, 100);
    t.appendScale(2, 3);
    EXPECT_EQ(t.transformSize(Size(1, 1)), Size(2, 3));
    const Rect r = AffineTransform::rotationByDegrees(45).transformRect(Rect(0, 0, 10, 10));
    EXPECT_LT(test::gap(r, Rect(-10 / std::sqrt(2.0), 0, 10 * std::sqrt(2.0), 10 * std::sqrt(2.0))),
              1e-9);

    const Point pts[] = {{0, 0}, {1, -1}, {123.5, 77.25}, {-1000, 3}};
    for (const AffineTransform& t :
         {AffineTransform::identity(), appended, about, fitted, AffineTransform::scaling(2, -0.25),
          AffineTransform::rotationByDegrees(33), AffineTransform(1, 2, 3, 4, 5, 6)}) {
        const AffineTransform inv = t.inverseTransform();
        for (const Point& p : pts) {
            EXPECT_LT(distance(inv.transformPoint(t.transformPoint(p)), p), 1e-7);
            EXPECT_LT(distance(t.transformPoint(inv.transformPoint(p)), p), 1e-7);
        }
    }
    // A singular transform stays as it was.
    AffineTransform singular(1, 2, 2, 4, 5, 6);
    const AffineTransform before = singular;
    EXPECT_FALSE(singular.invert());
    EXPECT_EQ(singular, before);
    EXPECT_EQ(before.inverseTransform(), before);
}

TEST(Color, HexStrings) {
    // Read case-blind; alpha needs all nine characters and more are ignored;
    // short or unmarked text is opaque black; non-digits fold into the byte
    // ('g' is 103 - 48 = 55, 16 * 55 + 55 = 935 = 167 mod 256).
    const std::pair<const char*, const char*> reads[] = {
        {"#FF8000", "#FF8000FF"},   {"#ff8000", "#FF8000FF"},  {"#Ff8000", "#FF8000FF"},
        {"#FF800080", "#FF800080"}, {"#FF80008", "#FF8000FF"}, {"#FF800080ZZZ", "#FF800080"},
        {"#FF80", "#000000FF"},     {"#FF800", "#000000FF"},   {"FF8000", "#000000FF"},
        {"", "#000000FF"},          {"#", "#000000FF"},        {"#GG0000", "#A70000FF"},
        {"#gg0000", "#A70000FF"}};
    for (const auto& [text, written] : reads)
        EXPECT_EQ(Color::colorWithHexString(text).hexStringWithAlpha(), written) << text;
    auto byte = [](int b) { return double(float(b) / 255.0f); };
    EXPECT_EQ(Color::colorWithHexString("#FF800080"), Color(1, byte(128), 0, byte(128)));
    EXPECT_EQ(Color::colorWithHexString(std::optional<std::string>()), Color::black());
    EXPECT_EQ(Color::colorWithHexString(static_cast<const char*>(nullptr)), Color::black());
    EXPECT_EQ(Color::colorWithHexString(std::optional<std::string>("#00FF00")).green, 1.0);
    // Writing truncates.
    EXPECT_EQ(Color(0.999, 0, 0).hexString(), "#FE0000");
    EXPECT_EQ(Color(0.5, 0.5, 0.5, 0.5).hexStringWithAlpha(), "#7F7F7F7F");
    EXPECT_EQ(Color(1, 1, 1, 0).hexStringWithAlpha(), "#FFFFFF00");
    for (int b = 0; b < 256; ++b) {
        char upper[16], lower[16];
        std::snprintf(upper, sizeof upper, "#%02X%02X%02X%02X", b, 255 - b, b, b);
        std::snprintf(lower, sizeof lower, "#%02x%02x%02x%02x", b, 255 - b, b, b);
        const Color c = Color::colorWithHexString(lower);
        EXPECT_EQ(c.hexStringWithAlpha(), upper) << b;
        EXPECT_EQ(c.hexString(), std::string(upper).substr(0, 7)) << b;
        EXPECT_EQ(Color::colorWithHexString(c.hexStringWithAlpha()), c) << b;
    }
}

// A frame is on screen when its top edge and one side edge show on some
// screen by more than eight points; the bottom may hang off.
TEST(Screen, FramesAreOnScreenByTheirTopEdgeAndOneSideEdge) {
    EXPECT_EQ(frameTopLeftPoint(Rect(10, 20, 300, 400)), Point(10, 420)); // y grows upwards
    // One 1440 x 900 screen with a 22-point menu bar at the top, and a
    // second one beside it.
    const std::vector<Rect> one = {Rect(0, 0, 1440, 878)};
    const std::vector<Rect> two = {Rect(0, 0, 1440, 878), Rect(1440, -200, 1024, 768)};
    // Off: a title bar under the menu bar, a frame wider than the screen on
    // both sides, one whose side edges show by eight points or less, one
    // above every screen's visible area. On: wholly inside the second, or
    // with one side edge cut on each screen and the other kept.
    for (Rect on :
         {Rect(100, 100, 200, 300), Rect(0, 0, 1440, 878), Rect(100, -200, 200, 300),
          Rect(-100, 100, 200, 300), Rect(1400, 100, 200, 300), Rect(1431.5, 100, 200, 300)})
        EXPECT_TRUE(isFrameOnScreen(on, one)) << on.x() << "," << on.y();
    for (Rect off : {Rect(100, 600, 200, 300), Rect(-10, 100, 1500, 300), Rect(1432, 100, 200, 300),
                     Rect(100, 870, 200, 8), Rect(2000, 100, 200, 300)})
        EXPECT_FALSE(isFrameOnScreen(off, one)) << off.x() << "," << off.y();
    EXPECT_TRUE(isFrameOnScreen(Rect(1500, 200, 300, 300), two));
    EXPECT_TRUE(isFrameOnScreen(Rect(1300, 100, 300, 300), two));
    EXPECT_FALSE(isFrameOnScreen(Rect(1500, 500, 300, 300), two));
    EXPECT_FALSE(isFrameOnScreen(Rect(100, 100, 200, 300), {}));
}

} // namespace

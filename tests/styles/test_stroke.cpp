#include "styles/Stroke.h"

#include "StyleTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qv {
namespace {

using test::asRead;
using test::attributes;
using test::line;
using test::RecordingOwner;

TEST(StrokeElement, WrittenAttributesInOrder) {
    Stroke s;
    EXPECT_EQ(line(s.elementAttributes()),
              "style=1 color=#000000FF width=1 cap-style=0 join-style=0");
    // Arrow attributes follow, only for the arrows in use.
    s.setArrowEndStyle(3);
    s.setArrowEndSize(4.5);
    EXPECT_EQ(line(s.elementAttributes()), "style=1 color=#000000FF width=1 cap-style=0 "
                                           "join-style=0 arrow-end-style=3 arrow-end-size=4.5");
    s.setArrowStartStyle(1);
    EXPECT_EQ(line(s.elementAttributes()),
              "style=1 color=#000000FF width=1 cap-style=0 join-style=0 arrow-start-style=1 "
              "arrow-start-size=7 arrow-end-style=3 arrow-end-size=4.5");
    // An invisible stroke writes only its colour "none".
    s.setStyle(0);
    EXPECT_EQ(line(s.elementAttributes()), "color=none");
}

TEST(StrokeElement, ReadingKeepsWhatTheFileDoesNotSay) {
    struct Case {
        const char* file;
        int style;
        double width;
        unsigned cap;
        int startStyle;
        double startSize;
        int endStyle;
        double endSize;
        const char* color;
    };
    const Case cases[] = {
        // "none", or no colour at all, keeps everything else the stroke had.
        {"color=none", 0, 3.5, 1, 2, 3, 0, 4, "#FF0000FF"},
        {"style=2 width=4", 0, 3.5, 1, 2, 3, 0, 4, "#FF0000FF"},
        // A colour without numbers reads zeros: an invisible style.
        {"color=#FF000080", 0, 0, 0, 0, 3, 0, 4, "#FF000080"},
        // Arrow sizes are read only for an arrow in use.
        {"style=1 color=#000000FF width=2 arrow-start-style=0 arrow-start-size=12 "
         "arrow-end-size=13",
         1, 2, 0, 0, 3, 0, 4, "#000000FF"},
        {"style=1 color=#000000FF width=2 arrow-start-size=12 arrow-end-style=6 arrow-end-size=13",
         1, 2, 0, 0, 3, 6, 13, "#000000FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Stroke s;
        s.setStyle(5);
        s.setWidth(3.5);
        s.setColor({1, 0, 0, 1});
        s.setCapStyle(1);
        s.setArrowStartStyle(2);
        s.setArrowStartSize(3);
        s.setArrowEndSize(4);
        s.setElementAttributes(attributes(c.file));
        EXPECT_EQ(s.style(), c.style);
        EXPECT_EQ(s.visible(), c.style != 0);
        EXPECT_EQ(s.width(), c.width);
        EXPECT_EQ(s.capStyle(), c.cap);
        EXPECT_EQ(s.arrowStartStyle(), c.startStyle);
        EXPECT_EQ(s.arrowStartSize(), c.startSize);
        EXPECT_EQ(s.arrowEndStyle(), c.endStyle);
        EXPECT_EQ(s.arrowEndSize(), c.endSize);
        EXPECT_EQ(s.color().hexStringWithAlpha(), c.color);
    }
}

// Write → read → write gives the same attributes and the same file bytes.
TEST(StrokeElement, WriteReadWriteIsStableOverRandomStrokes) {
    for (unsigned seed : {1234u, 77u}) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> style(0, 8), cap(0, 2), arrow(0, 18), byte(0, 255);
        std::uniform_real_distribution<double> real(0, 40);
        for (int i = 0; i < 500; ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " stroke " << i);
            Stroke s;
            s.setStyle(style(rng));
            s.setWidth(real(rng));
            s.setColor({byte(rng) / 255.0, byte(rng) / 255.0, real(rng) / 40, byte(rng) / 255.0});
            s.setCapStyle(cap(rng));
            s.setJoinStyle(cap(rng));
            s.setArrowStartStyle(arrow(rng));
            s.setArrowStartSize(real(rng));
            s.setArrowEndStyle(arrow(rng));
            s.setArrowEndSize(real(rng));
            const AttributeMap first = asRead(s.elementAttributes());
            Stroke r;
            r.setElementAttributes(first);
            ASSERT_EQ(line(first), line(asRead(r.elementAttributes())));
            ByteBuffer bytes1, bytes2;
            const auto read = test::throughFile(s, &bytes1);
            ASSERT_NE(read, nullptr);
            ASSERT_NE(test::throughFile(*read, &bytes2), nullptr);
            ASSERT_EQ(bytes1, bytes2);
        }
    }
}

// Each edit runs twice: a colour announces both times, other values only
// when they change; the style also announces "visible".
TEST(StrokeSetters, RealChangesAnnounceOnePairWithTheirKeyPaths) {
    auto stroke = [](std::initializer_list<const char*> keys, int times = 1) {
        return test::announced("stroke", keys, false, times);
    };
    const std::pair<std::function<void(Stroke&)>, std::vector<std::string>> cases[] = {
        {[](Stroke& s) { s.setWidth(2); }, stroke({"width"})},
        {[](Stroke& s) { s.setCapStyle(2); }, stroke({"capStyle"})},
        {[](Stroke& s) { s.setJoinStyle(1); }, stroke({"joinStyle"})},
        {[](Stroke& s) { s.setArrowStartStyle(4); }, stroke({"arrowStartStyle"})},
        {[](Stroke& s) { s.setArrowStartSize(3); }, stroke({"arrowStartSize"})},
        {[](Stroke& s) { s.setArrowEndStyle(5); }, stroke({"arrowEndStyle"})},
        {[](Stroke& s) { s.setArrowEndSize(2); }, stroke({"arrowEndSize"})},
        {[](Stroke& s) { s.setStyle(0); }, stroke({"style", "visible"})},
        {[](Stroke& s) { s.setColor(Color::black()); }, stroke({"color"}, 2)},
        {[](Stroke& s) { s.setWidth(1); }, {}},
        {[](Stroke& s) { s.setCapStyle(0); }, {}},
        {[](Stroke& s) { s.setJoinStyle(0); }, {}},
        {[](Stroke& s) { s.setArrowStartStyle(0); }, {}},
        {[](Stroke& s) { s.setArrowStartSize(7); }, {}},
        {[](Stroke& s) { s.setArrowEndStyle(0); }, {}},
        {[](Stroke& s) { s.setArrowEndSize(7); }, {}},
        {[](Stroke& s) { s.setStyle(1); }, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        RecordingOwner owner;
        Stroke s;
        s.setShape(&owner);
        cases[i].first(s);
        cases[i].first(s);
        EXPECT_EQ(owner.events, cases[i].second) << i;
    }
}

TEST(StrokeDash, PatternsByStyleWidthAndCap) {
    using V = std::vector<double>;
    struct Case {
        int style;
        double width;
        int cap;
        V dash;
    };
    // Solid styles, and no rhythm without a positive width, give no dashes.
    const Case cases[] = {{4, 2, 0, {2, 4}},       {4, 2, 1, {0, 6}},       {2, 2, 0, {6, 4}},
                          {2, 2, 1, {4, 6}},       {2, 2, 2, {4, 6}},       {3, 1, 0, {5, 2}},
                          {5, 1, 0, {1, 2, 3, 2}}, {6, 1, 2, {0, 3, 4, 3}}, {0, 2, 1, {}},
                          {1, 2, 1, {}},           {7, 2, 1, {}},           {100, 2, 1, {}},
                          {-3, 2, 1, {}},          {2, 0, 0, {}},           {2, -1, 0, {}}};
    for (const Case& c : cases)
        EXPECT_EQ(Stroke::dashPatternForStyle(c.style, c.width, c.cap), c.dash)
            << c.style << " " << c.width << " " << c.cap;

    Stroke s;
    s.setStyle(4);
    s.setWidth(3);
    s.setCapStyle(1);
    s.setJoinStyle(2);
    BezierPath p;
    p.moveToPoint({0, 0});
    p.lineToPoint({10, 0});
    s.applyToPath(p);
    EXPECT_EQ(p.lineWidth(), 3.0);
    EXPECT_EQ(p.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(p.lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_EQ(p.lineDash(), (V{0, 9}));
    EXPECT_EQ(p.lineDashPhase(), 0.0);
}

TEST(StrokeKeyValue, EveryKeyReadsAndWritesWrongKindsAreRefused) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    const std::pair<const char*, Value> keys[] = {{"style", Value(4)},
                                                  {"width", Value(2.5)},
                                                  {"capStyle", Value(1)},
                                                  {"joinStyle", Value(2)},
                                                  {"arrowStartStyle", Value(5)},
                                                  {"arrowEndStyle", Value(6)},
                                                  {"arrowStartSize", Value(3.0)},
                                                  {"arrowEndSize", Value(4.0)},
                                                  {"color", Value(Color(1, 0, 0, 1))}};
    for (const auto& [key, value] : keys) {
        EXPECT_TRUE(s.setValueForKey(value, key)) << key;
        EXPECT_EQ(s.valueForKey(key), value) << key;
    }
    EXPECT_EQ(s.valueForKey("visible"), Value(true));
    EXPECT_EQ(owner.count("willChange"), 9);
    EXPECT_FALSE(s.setValueForKey(Value(false), "visible"));
    EXPECT_FALSE(s.setValueForKey(Value(1), "nonsense"));
    EXPECT_FALSE(s.setValueForKey(Value(), "width"));
    EXPECT_FALSE(s.setValueForKey(Value(3), "color"));
    EXPECT_TRUE(s.valueForKey("nonsense").isNull());
    EXPECT_EQ(s.width(), 2.5);
    EXPECT_EQ(owner.count("willChange"), 9);
    // A copy has every value and no owner: its edits reach nobody.
    const auto copy = s.copy();
    EXPECT_EQ(copy->shape(), nullptr);
    EXPECT_EQ(line(copy->elementAttributes()), line(s.elementAttributes()));
    copy->setWidth(9);
    EXPECT_EQ(owner.count("willChange"), 9);
    EXPECT_EQ(s.width(), 2.5);
}

TEST(StrokeNames, InspectorNamesOfStylesCapsAndJoins) {
    EXPECT_EQ(strokeStyleName(0), "stroke-none");
    EXPECT_EQ(strokeStyleName(2), "stroke-dash");
    EXPECT_EQ(strokeStyleName(6), "stroke-longdashdot");
    EXPECT_TRUE(strokeStyleName(7).empty());
    EXPECT_EQ(capStyleName(1), "cap-round");
    EXPECT_TRUE(capStyleName(3).empty());
    EXPECT_EQ(joinStyleName(2), "join-bevel");
}

} // namespace
} // namespace qv

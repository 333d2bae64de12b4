#include "styles/Stroke.h"

#include "StyleTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using test::asRead;
using test::RecordingOwner;
using test::texts;

TEST(StrokeElement, DefaultStrokeWritesSolidBlackHairlineWithoutArrows) {
    Stroke s;
    const AttributeMap a = s.elementAttributes();
    ASSERT_EQ(a.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected = {{"style", "1"},
                                                                       {"color", "#000000FF"},
                                                                       {"width", "1"},
                                                                       {"cap-style", "0"},
                                                                       {"join-style", "0"}};
    EXPECT_EQ(texts(a), expected);
}

TEST(StrokeElement, ArrowAttributesFollowInOrderOnlyForArrowsInUse) {
    Stroke s;
    s.setArrowEndStyle(3);
    s.setArrowEndSize(4.5);
    auto t = texts(s.elementAttributes());
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[5], (std::pair<std::string, std::string>{"arrow-end-style", "3"}));
    EXPECT_EQ(t[6], (std::pair<std::string, std::string>{"arrow-end-size", "4.5"}));
    s.setArrowStartStyle(1);
    t = texts(s.elementAttributes());
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[5].first, "arrow-start-style");
    EXPECT_EQ(t[6], (std::pair<std::string, std::string>{"arrow-start-size", "7"}));
    EXPECT_EQ(t[7].first, "arrow-end-style");
}

TEST(StrokeElement, InvisibleStrokeWritesOnlyNoneAndReadingItKeepsTheRest) {
    Stroke s;
    s.setWidth(3.5);
    s.setColor({1, 0, 0, 1});
    s.setCapStyle(1);
    s.setArrowStartStyle(2);
    s.setStyle(0);
    const AttributeMap a = s.elementAttributes();
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a.stringValueForKey("color"), "none");

    Stroke r;
    r.setWidth(3.5);
    r.setColor({1, 0, 0, 1});
    r.setCapStyle(1);
    r.setArrowStartStyle(2);
    r.setStyle(5);
    r.setElementAttributes(asRead(a));
    EXPECT_EQ(r.style(), 0);
    EXPECT_FALSE(r.visible());
    EXPECT_EQ(r.width(), 3.5);
    EXPECT_EQ(r.color(), Color(1, 0, 0, 1));
    EXPECT_EQ(r.capStyle(), 1u);
    EXPECT_EQ(r.arrowStartStyle(), 2);
}

TEST(StrokeElement, MissingColourMeansInvisible) {
    Stroke s;
    AttributeMap a;
    a.append("style", std::string("2"));
    a.append("width", std::string("4"));
    s.setElementAttributes(a);
    EXPECT_EQ(s.style(), 0);
    EXPECT_EQ(s.width(), 1.0);
}

TEST(StrokeElement, AbsentNumbersReadAsZero) {
    Stroke s;
    AttributeMap a;
    a.append("color", std::string("#FF000080"));
    s.setElementAttributes(a);
    EXPECT_EQ(s.style(), 0); // a colour but no style: invisible
    EXPECT_EQ(s.width(), 0.0);
    EXPECT_EQ(s.color().hexStringWithAlpha(), "#FF000080");
}

TEST(StrokeElement, ArrowSizeIsReadOnlyForAnArrowInUse) {
    Stroke s;
    s.setArrowStartSize(3);
    s.setArrowEndSize(4);
    AttributeMap a;
    a.append("style", std::string("1"));
    a.append("color", std::string("#000000FF"));
    a.append("width", std::string("2"));
    a.append("arrow-start-style", std::string("0"));
    a.append("arrow-start-size", std::string("12"));
    a.append("arrow-end-size", std::string("13"));
    s.setElementAttributes(a);
    EXPECT_EQ(s.arrowStartSize(), 3.0);
    EXPECT_EQ(s.arrowEndSize(), 4.0);

    a.set("arrow-end-style", std::string("6"));
    s.setElementAttributes(a);
    EXPECT_EQ(s.arrowEndStyle(), 6);
    EXPECT_EQ(s.arrowEndSize(), 13.0);
    EXPECT_EQ(s.arrowStartSize(), 3.0);
}

TEST(StrokeElement, WriteReadWriteIsStableOverRandomStrokes) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> style(0, 8), cap(0, 2), arrow(0, 18), byte(0, 255);
    std::uniform_real_distribution<double> real(0, 40);
    for (int i = 0; i < 500; ++i) {
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
        const AttributeMap second = asRead(r.elementAttributes());
        ASSERT_EQ(texts(first), texts(second)) << "stroke " << i;
        Stroke again;
        again.setElementAttributes(second);
        EXPECT_EQ(texts(asRead(again.elementAttributes())), texts(second));
    }
}

TEST(StrokeElement, FileBytesAreStableThroughAReadAndAWrite) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> small(0, 18);
    std::uniform_real_distribution<double> real(0, 20);
    for (int i = 0; i < 100; ++i) {
        Stroke s;
        s.setStyle(small(rng) % 8);
        s.setWidth(real(rng));
        s.setColor({real(rng) / 20, real(rng) / 20, real(rng) / 20, real(rng) / 20});
        s.setArrowStartStyle(small(rng));
        s.setArrowEndStyle(small(rng));
        s.setArrowEndSize(real(rng));
        ByteBuffer first, second;
        const auto read = test::throughFile(s, &first);
        ASSERT_NE(read, nullptr);
        const auto again = test::throughFile(*read, &second);
        ASSERT_NE(again, nullptr);
        ASSERT_EQ(std::string(first.begin(), first.end()),
                  std::string(second.begin(), second.end()));
    }
}

TEST(StrokeSetters, EachRealChangeAnnouncesOnePairWithItsKeyPath) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    s.setWidth(2);
    const std::vector<std::string> expected = {"willChange", "will stroke.width",
                                               "did stroke.width", "didChange"};
    EXPECT_EQ(owner.events, expected);
    owner.events.clear();
    s.setWidth(2);
    s.setCapStyle(0);
    s.setJoinStyle(0);
    s.setArrowStartStyle(0);
    s.setArrowStartSize(7);
    s.setArrowEndStyle(0);
    s.setArrowEndSize(7);
    s.setStyle(1);
    EXPECT_TRUE(owner.events.empty());
}

TEST(StrokeSetters, StyleChangeAlsoAnnouncesVisibleInsideTheSamePair) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    s.setStyle(0);
    EXPECT_EQ(owner.count("willChange"), 1);
    EXPECT_EQ(owner.count("didChange"), 1);
    EXPECT_EQ(owner.count("will stroke.style"), 1);
    EXPECT_EQ(owner.count("will stroke.visible"), 1);
    EXPECT_EQ(owner.count("did stroke.visible"), 1);
    EXPECT_EQ(owner.events.front(), "willChange");
    EXPECT_EQ(owner.events.back(), "didChange");
}

TEST(StrokeSetters, ColourAlwaysAnnounces) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    s.setColor(Color::black());
    s.setColor(Color::black());
    EXPECT_EQ(owner.count("will stroke.color"), 2);
    EXPECT_EQ(owner.count("didChange"), 2);
}

TEST(StrokeSetters, EveryPropertyAnnouncesUnderItsOwnKey) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    s.setCapStyle(2);
    s.setJoinStyle(1);
    s.setArrowStartStyle(4);
    s.setArrowStartSize(3);
    s.setArrowEndStyle(5);
    s.setArrowEndSize(2);
    for (const char* key : {"capStyle", "joinStyle", "arrowStartStyle", "arrowStartSize",
                            "arrowEndStyle", "arrowEndSize"}) {
        EXPECT_EQ(owner.count(std::string("will stroke.") + key), 1) << key;
        EXPECT_EQ(owner.count(std::string("did stroke.") + key), 1) << key;
    }
    EXPECT_EQ(owner.count("willChange"), 6);
}

TEST(StrokeCopy, CopiesAllValuesButNotTheOwner) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    s.setStyle(3);
    s.setWidth(2.5);
    s.setColor({0.5, 0.25, 1, 0.5});
    s.setCapStyle(1);
    s.setJoinStyle(2);
    s.setArrowStartStyle(7);
    s.setArrowStartSize(3);
    s.setArrowEndStyle(9);
    s.setArrowEndSize(4);
    const auto c = s.copy();
    EXPECT_EQ(c->shape(), nullptr);
    EXPECT_EQ(texts(c->elementAttributes()), texts(s.elementAttributes()));
    owner.events.clear();
    c->setWidth(9);
    EXPECT_TRUE(owner.events.empty());
    EXPECT_EQ(s.width(), 2.5);
}

TEST(StrokeDash, PatternsByStyleWidthAndCap) {
    using V = std::vector<double>;
    EXPECT_EQ(Stroke::dashPatternForStyle(4, 2, 0), (V{2, 4}));
    EXPECT_EQ(Stroke::dashPatternForStyle(4, 2, 1), (V{0, 6}));
    EXPECT_EQ(Stroke::dashPatternForStyle(2, 2, 0), (V{6, 4}));
    EXPECT_EQ(Stroke::dashPatternForStyle(2, 2, 1), (V{4, 6}));
    EXPECT_EQ(Stroke::dashPatternForStyle(2, 2, 2), (V{4, 6}));
    EXPECT_EQ(Stroke::dashPatternForStyle(3, 1, 0), (V{5, 2}));
    EXPECT_EQ(Stroke::dashPatternForStyle(5, 1, 0), (V{1, 2, 3, 2}));
    EXPECT_EQ(Stroke::dashPatternForStyle(6, 1, 2), (V{0, 3, 4, 3}));
    for (int solid : {0, 1, 7, 100, -3})
        EXPECT_TRUE(Stroke::dashPatternForStyle(solid, 2, 1).empty()) << solid;
    // No rhythm without a positive width.
    EXPECT_TRUE(Stroke::dashPatternForStyle(2, 0, 0).empty());
    EXPECT_TRUE(Stroke::dashPatternForStyle(2, -1, 0).empty());
}

TEST(StrokeDash, AppliedToAPathWithPhaseZero) {
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
    EXPECT_EQ(p.lineDash(), (std::vector<double>{0, 9}));
    EXPECT_EQ(p.lineDashPhase(), 0.0);
}

TEST(StrokeKeyValue, ReadsAndWritesEveryKey) {
    RecordingOwner owner;
    Stroke s;
    s.setShape(&owner);
    EXPECT_TRUE(s.setValueForKey(Value(4), "style"));
    EXPECT_TRUE(s.setValueForKey(Value(2.5), "width"));
    EXPECT_TRUE(s.setValueForKey(Value(Color(1, 0, 0, 1)), "color"));
    EXPECT_TRUE(s.setValueForKey(Value(1), "capStyle"));
    EXPECT_TRUE(s.setValueForKey(Value(2), "joinStyle"));
    EXPECT_TRUE(s.setValueForKey(Value(5), "arrowStartStyle"));
    EXPECT_TRUE(s.setValueForKey(Value(3.0), "arrowStartSize"));
    EXPECT_TRUE(s.setValueForKey(Value(6), "arrowEndStyle"));
    EXPECT_TRUE(s.setValueForKey(Value(4.0), "arrowEndSize"));
    EXPECT_EQ(s.valueForKey("style"), Value(4));
    EXPECT_EQ(s.valueForKey("width"), Value(2.5));
    EXPECT_EQ(s.valueForKey("color"), Value(Color(1, 0, 0, 1)));
    EXPECT_EQ(s.valueForKey("capStyle"), Value(1));
    EXPECT_EQ(s.valueForKey("joinStyle"), Value(2));
    EXPECT_EQ(s.valueForKey("arrowStartStyle"), Value(5));
    EXPECT_EQ(s.valueForKey("arrowStartSize"), Value(3.0));
    EXPECT_EQ(s.valueForKey("arrowEndStyle"), Value(6));
    EXPECT_EQ(s.valueForKey("arrowEndSize"), Value(4.0));
    EXPECT_EQ(s.valueForKey("visible"), Value(true));
    EXPECT_EQ(owner.count("willChange"), 9);

    EXPECT_FALSE(s.setValueForKey(Value(false), "visible"));
    EXPECT_FALSE(s.setValueForKey(Value(1), "nonsense"));
    EXPECT_FALSE(s.setValueForKey(Value(), "width"));
    EXPECT_FALSE(s.setValueForKey(Value(3), "color"));
    EXPECT_TRUE(s.valueForKey("nonsense").isNull());
    EXPECT_EQ(s.width(), 2.5);
    EXPECT_TRUE(s.visible());
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

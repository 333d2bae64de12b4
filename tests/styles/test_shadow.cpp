#include "styles/Shadow.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using test::asRead;
using test::RecordingOwner;
using test::texts;

TEST(ShadowDefaults, NewShadowIsHiddenBlackThirdDownTen) {
    Shadow s;
    EXPECT_FALSE(s.visible());
    EXPECT_EQ(s.shadowOffset(), Size(0, -10));
    EXPECT_EQ(s.shadowBlurRadius(), 10.0);
    EXPECT_EQ(s.shadowColor(), Color(0, 0, 0, 1.0 / 3.0));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"color", "none"}, {"width", "0"}, {"height", "-10"}, {"radius", "10"}};
    EXPECT_EQ(texts(s.elementAttributes()), expected);
}

TEST(ShadowElement, VisibleShadowWritesItsColour) {
    Shadow s;
    s.setVisible(true);
    s.setShadowColor({1, 0, 0, 0.5});
    s.setShadowOffset({3, 4.5});
    const auto t = texts(s.elementAttributes());
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0], (std::pair<std::string, std::string>{"color", "#FF00007F"}));
    EXPECT_EQ(t[1].second, "3");
    EXPECT_EQ(t[2].second, "4.5");
}

TEST(ShadowElement, NoneColourHidesAndKeepsEverythingElse) {
    Shadow s;
    s.setVisible(true);
    s.setShadowOffset({1, 2});
    AttributeMap a;
    a.append("color", std::string("none"));
    a.append("width", std::string("5"));
    a.append("radius", std::string("1"));
    s.setElementAttributes(a);
    EXPECT_FALSE(s.visible());
    EXPECT_EQ(s.shadowOffset(), Size(1, 2));
    EXPECT_EQ(s.shadowBlurRadius(), 10.0);

    Shadow absent;
    absent.setVisible(true);
    absent.setElementAttributes(AttributeMap());
    EXPECT_FALSE(absent.visible());
}

TEST(ShadowElement, VisibleElementWithoutNumbersReadsZeros) {
    Shadow s;
    AttributeMap a;
    a.append("color", std::string("#00FF00FF"));
    a.append("height", std::string("-3"));
    s.setElementAttributes(a);
    EXPECT_TRUE(s.visible());
    EXPECT_EQ(s.shadowColor().hexStringWithAlpha(), "#00FF00FF");
    EXPECT_EQ(s.shadowOffset(), Size(0, -3));
    EXPECT_EQ(s.shadowBlurRadius(), 0.0);
}

TEST(ShadowElement, WriteReadWriteIsStableOverRandomShadows) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> coin(0, 1), byte(0, 255);
    std::uniform_real_distribution<double> real(-50, 50);
    for (int i = 0; i < 500; ++i) {
        Shadow s;
        s.setVisible(coin(rng));
        s.setShadowOffset({real(rng), real(rng)});
        s.setShadowBlurRadius(real(rng) + 50);
        s.setShadowColor(
            {byte(rng) / 255.0, (real(rng) + 50) / 100, byte(rng) / 255.0, byte(rng) / 255.0});
        const AttributeMap first = asRead(s.elementAttributes());
        Shadow r;
        r.setElementAttributes(first);
        const AttributeMap second = asRead(r.elementAttributes());
        if (s.visible())
            ASSERT_EQ(texts(first), texts(second)) << "shadow " << i;
        else // an invisible shadow keeps the reader's own numbers
            ASSERT_EQ(texts(second), texts(Shadow().elementAttributes()));
        Shadow again;
        again.setElementAttributes(second);
        EXPECT_EQ(texts(asRead(again.elementAttributes())), texts(second));
    }
}

TEST(ShadowElement, VisibleShadowSurvivesAFile) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> real(-30, 30);
    for (int i = 0; i < 100; ++i) {
        Shadow s;
        s.setVisible(true);
        s.setShadowOffset({real(rng), real(rng)});
        s.setShadowBlurRadius(real(rng) + 30);
        s.setShadowColor({(real(rng) + 30) / 60, 0, 1, (real(rng) + 30) / 60});
        ByteBuffer first, second;
        const auto read = test::throughFile(s, &first);
        ASSERT_NE(read, nullptr);
        EXPECT_TRUE(read->visible());
        const auto again = test::throughFile(*read, &second);
        ASSERT_NE(again, nullptr);
        ASSERT_EQ(std::string(first.begin(), first.end()),
                  std::string(second.begin(), second.end()));
    }
}

TEST(ShadowSetters, UnchangedValuesAnnounceNothingExceptColour) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    s.setShadowOffset({0, -10});
    s.setShadowBlurRadius(10);
    s.setVisible(false);
    s.setShadowOffsetWidth(0);
    s.setShadowOffsetHeight(-10);
    EXPECT_TRUE(owner.events.empty());
    s.setShadowColor(s.shadowColor());
    s.setShadowColor(s.shadowColor());
    EXPECT_EQ(owner.count("willChange"), 2);
    EXPECT_EQ(owner.count("did shadow.shadowColor"), 2);
}

TEST(ShadowSetters, OffsetSetTwiceAnnouncesOnce) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    s.setShadowOffset({2, 3});
    s.setShadowOffset({2, 3});
    EXPECT_EQ(owner.count("willChange"), 1);
    EXPECT_EQ(owner.count("didChange"), 1);
}

TEST(ShadowSetters, OffsetComponentNotifiesBothComponentKeysInOnePair) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    s.setShadowOffsetWidth(4);
    EXPECT_EQ(s.shadowOffset(), Size(4, -10));
    const std::vector<std::string> expected = {"willChange",
                                               "will shadow.shadowOffset",
                                               "will shadow.shadowOffsetWidth",
                                               "will shadow.shadowOffsetHeight",
                                               "did shadow.shadowOffsetHeight",
                                               "did shadow.shadowOffsetWidth",
                                               "did shadow.shadowOffset",
                                               "didChange"};
    EXPECT_EQ(owner.events, expected);
    owner.events.clear();
    s.setShadowOffsetHeight(7);
    EXPECT_EQ(s.shadowOffset(), Size(4, 7));
    EXPECT_EQ(owner.count("did shadow.shadowOffsetWidth"), 1);
    EXPECT_EQ(owner.count("did shadow.shadowOffsetHeight"), 1);
}

TEST(ShadowSetters, VisibleAndRadiusAnnounceUnderTheirKeys) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    s.setVisible(true);
    s.setShadowBlurRadius(3);
    const std::vector<std::string> expected = {
        "willChange", "will shadow.visible",          "did shadow.visible",          "didChange",
        "willChange", "will shadow.shadowBlurRadius", "did shadow.shadowBlurRadius", "didChange"};
    EXPECT_EQ(owner.events, expected);
}

TEST(ShadowCopy, CopiesValuesAndVisibilityWithoutOwner) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    s.setVisible(true);
    s.setShadowOffset({5, 6});
    s.setShadowBlurRadius(2);
    s.setShadowColor({0.2, 0.4, 0.6, 0.8});
    const auto c = s.copy();
    EXPECT_EQ(c->shape(), nullptr);
    EXPECT_TRUE(c->visible());
    EXPECT_EQ(c->shadowOffset(), Size(5, 6));
    EXPECT_EQ(c->shadowBlurRadius(), 2.0);
    EXPECT_EQ(c->shadowColor(), Color(0.2, 0.4, 0.6, 0.8));
}

TEST(ShadowKeyValue, ReadsAndWritesEveryKey) {
    Shadow s;
    EXPECT_TRUE(s.setValueForKey(Value(true), "visible"));
    EXPECT_TRUE(s.setValueForKey(Value(Size(1, 2)), "shadowOffset"));
    EXPECT_TRUE(s.setValueForKey(Value(8.0), "shadowOffsetWidth"));
    EXPECT_TRUE(s.setValueForKey(Value(9.0), "shadowOffsetHeight"));
    EXPECT_TRUE(s.setValueForKey(Value(3.0), "shadowBlurRadius"));
    EXPECT_TRUE(s.setValueForKey(Value(Color(1, 1, 0, 1)), "shadowColor"));
    EXPECT_EQ(s.valueForKey("visible"), Value(true));
    EXPECT_EQ(s.valueForKey("shadowOffset"), Value(Size(8, 9)));
    EXPECT_EQ(s.valueForKey("shadowOffsetWidth"), Value(8.0));
    EXPECT_EQ(s.valueForKey("shadowOffsetHeight"), Value(9.0));
    EXPECT_EQ(s.valueForKey("shadowBlurRadius"), Value(3.0));
    EXPECT_EQ(s.valueForKey("shadowColor"), Value(Color(1, 1, 0, 1)));
    EXPECT_FALSE(s.setValueForKey(Value(3.0), "shadowOffset"));
    EXPECT_FALSE(s.setValueForKey(Value(3.0), "nonsense"));
    EXPECT_EQ(s.shadowOffset(), Size(8, 9));
}

TEST(ShadowApplying, HiddenShadowOnlySavesAndRestores) {
    Shadow s;
    RecordingGraphicsContext gc;
    const bool layer = s.applyBegin(gc);
    EXPECT_FALSE(layer);
    Shadow::applyEnd(gc, layer);
    EXPECT_EQ(gc.kinds(),
              (std::vector<DrawOpKind>{DrawOpKind::SaveGState, DrawOpKind::RestoreGState}));
}

TEST(ShadowApplying, VisibleShadowWrapsTheDrawingInOneLayer) {
    Shadow s;
    s.setVisible(true);
    RecordingGraphicsContext gc;
    {
        ShadowScope scope(gc, s);
        gc.fillPath(BezierPath::bezierPathWithRect({0, 0, 10, 10}), Color::black());
    }
    EXPECT_EQ(gc.kinds(), (std::vector<DrawOpKind>{
                              DrawOpKind::SaveGState, DrawOpKind::SetShadow,
                              DrawOpKind::BeginTransparencyLayer, DrawOpKind::FillPath,
                              DrawOpKind::EndTransparencyLayer, DrawOpKind::RestoreGState}));
    EXPECT_EQ(gc.operations()[1].shadow.offset, Size(0, -10));
    EXPECT_EQ(gc.operations()[1].shadow.blurRadius, 10.0);
    EXPECT_EQ(gc.operations()[1].shadow.color, Shadow::kDefaultColor);
}

// The context's transform carries the view's zoom and the export resolution;
// the shadow follows it once, never squared.
TEST(ShadowApplying, ScaledByTheHorizontalScaleOfTheContext) {
    Shadow s;
    s.setVisible(true);
    s.setShadowOffset({3, -10});
    struct Case {
        AffineTransform ctm;
        double f;
    };
    for (const Case& c : {Case{{}, 1}, Case{AffineTransform::scaling(2, 2), 2},
                          Case{AffineTransform::scaling(0.5, 0.5), 0.5},
                          Case{AffineTransform::translation(40, 7), 1}}) {
        RecordingGraphicsContext gc(false, c.ctm);
        const bool layer = s.applyBegin(gc);
        Shadow::applyEnd(gc, layer);
        const auto set = gc.operationsOfKind(DrawOpKind::SetShadow);
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].shadow.offset, Size(3 * c.f, -10 * c.f)) << c.f;
        EXPECT_EQ(set[0].shadow.blurRadius, 10 * c.f) << c.f;
    }
    // The shadow itself keeps its values.
    EXPECT_EQ(s.shadowOffset(), Size(3, -10));
    EXPECT_EQ(s.shadowBlurRadius(), 10.0);
}

TEST(ShadowApplying, NegativeRadiusBlursNothing) {
    Shadow s;
    s.setVisible(true);
    s.setShadowBlurRadius(-4);
    RecordingGraphicsContext gc;
    Shadow::applyEnd(gc, s.applyBegin(gc));
    EXPECT_EQ(gc.operationsOfKind(DrawOpKind::SetShadow).at(0).shadow.blurRadius, 0.0);
}

} // namespace
} // namespace qv

#include "styles/Shadow.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qv {
namespace {

using test::asRead;
using test::attributes;
using test::line;
using test::RecordingOwner;

TEST(ShadowElement, WrittenAndReadAttributes) {
    Shadow s;
    EXPECT_FALSE(s.visible());
    EXPECT_EQ(s.shadowColor(), Color(0, 0, 0, 1.0 / 3.0));
    // Hidden: no colour, the numbers all the same.
    EXPECT_EQ(line(s.elementAttributes()), "color=none width=0 height=-10 radius=10");
    s.setVisible(true);
    s.setShadowColor({1, 0, 0, 0.5});
    s.setShadowOffset({3, 4.5});
    EXPECT_EQ(line(s.elementAttributes()), "color=#FF00007F width=3 height=4.5 radius=10");

    // Reading "none" (or no colour) hides and keeps every number; a colour
    // shows, with absent numbers read as zero.
    struct Case {
        const char* file;
        bool visible;
        Size offset;
        double radius;
    };
    for (const Case& c :
         {Case{"color=none width=5 radius=1", false, {1, 2}, 10}, Case{"", false, {1, 2}, 10},
          Case{"color=#00FF00FF height=-3", true, {0, -3}, 0}}) {
        Shadow r;
        r.setVisible(true);
        r.setShadowOffset({1, 2});
        r.setElementAttributes(attributes(c.file));
        EXPECT_EQ(r.visible(), c.visible) << c.file;
        EXPECT_EQ(r.shadowOffset(), c.offset) << c.file;
        EXPECT_EQ(r.shadowBlurRadius(), c.radius) << c.file;
    }
}

// Write → read → write gives the same attributes and the same file bytes; an
// invisible shadow keeps the reader's own numbers.
TEST(ShadowElement, WriteReadWriteIsStableOverRandomShadows) {
    for (unsigned seed : {99u, 5u}) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> coin(0, 1), byte(0, 255);
        std::uniform_real_distribution<double> real(-50, 50);
        for (int i = 0; i < 500; ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " shadow " << i);
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
            ASSERT_EQ(line(second), line(s.visible() ? first : Shadow().elementAttributes()));
            ByteBuffer bytes1, bytes2;
            const auto read = test::throughFile(s, &bytes1);
            ASSERT_NE(read, nullptr);
            EXPECT_EQ(read->visible(), s.visible());
            const auto again = test::throughFile(*read, &bytes2);
            ASSERT_NE(again, nullptr);
            if (s.visible()) {
                ASSERT_EQ(bytes1, bytes2);
            }
            ASSERT_EQ(line(again->elementAttributes()), line(read->elementAttributes()));
        }
    }
}

// Each edit runs twice: the colour announces both times, other values only
// when they change; an offset, or one component of it, announces both
// components.
TEST(ShadowSetters, RealChangesAnnounceOnePairWithTheirKeyPaths) {
    auto shadow = [](std::initializer_list<const char*> keys, int times = 1) {
        return test::announced("shadow", keys, false, times);
    };
    const auto offset = shadow({"shadowOffset", "shadowOffsetWidth", "shadowOffsetHeight"});
    const std::pair<std::function<void(Shadow&)>, std::vector<std::string>> cases[] = {
        {[](Shadow& s) { s.setVisible(true); }, shadow({"visible"})},
        {[](Shadow& s) { s.setShadowBlurRadius(3); }, shadow({"shadowBlurRadius"})},
        {[](Shadow& s) {
             s.setShadowOffset({2, 3});
         },
         offset},
        {[](Shadow& s) { s.setShadowOffsetWidth(4); }, offset},
        {[](Shadow& s) { s.setShadowOffsetHeight(7); }, offset},
        {[](Shadow& s) { s.setShadowColor(s.shadowColor()); }, shadow({"shadowColor"}, 2)},
        {[](Shadow& s) {
             s.setShadowOffset({0, -10});
         },
         {}},
        {[](Shadow& s) { s.setShadowBlurRadius(10); }, {}},
        {[](Shadow& s) { s.setVisible(false); }, {}},
        {[](Shadow& s) { s.setShadowOffsetWidth(0); }, {}},
        {[](Shadow& s) { s.setShadowOffsetHeight(-10); }, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        RecordingOwner owner;
        Shadow s;
        s.setShape(&owner);
        cases[i].first(s);
        cases[i].first(s);
        EXPECT_EQ(owner.events, cases[i].second) << i;
    }
}

TEST(ShadowKeyValue, EveryKeyReadsAndWritesAndCopiesKeepTheValues) {
    RecordingOwner owner;
    Shadow s;
    s.setShape(&owner);
    const std::pair<const char*, Value> keys[] = {
        {"visible", Value(true)},          {"shadowOffset", Value(Size(1, 2))},
        {"shadowOffsetWidth", Value(8.0)}, {"shadowOffsetHeight", Value(9.0)},
        {"shadowBlurRadius", Value(3.0)},  {"shadowColor", Value(Color(1, 1, 0, 0.8))}};
    for (const auto& [key, value] : keys) {
        EXPECT_TRUE(s.setValueForKey(value, key)) << key;
        EXPECT_EQ(s.valueForKey(key), value) << key;
    }
    EXPECT_EQ(s.valueForKey("shadowOffset"), Value(Size(8, 9)));
    EXPECT_FALSE(s.setValueForKey(Value(3.0), "shadowOffset"));
    EXPECT_FALSE(s.setValueForKey(Value(3.0), "nonsense"));
    EXPECT_EQ(s.shadowOffset(), Size(8, 9));

    const auto c = s.copy();
    EXPECT_EQ(c->shape(), nullptr);
    EXPECT_TRUE(c->visible());
    EXPECT_EQ(line(c->elementAttributes()), line(s.elementAttributes()));
}

TEST(ShadowApplying, HiddenShadowOnlySavesAndRestoresAVisibleOneWrapsALayer) {
    Shadow s;
    RecordingGraphicsContext hidden;
    const bool layer = s.applyBegin(hidden);
    EXPECT_FALSE(layer);
    Shadow::applyEnd(hidden, layer);
    EXPECT_EQ(hidden.kinds(),
              (std::vector<DrawOpKind>{DrawOpKind::SaveGState, DrawOpKind::RestoreGState}));

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
    EXPECT_EQ(gc.operations()[1].shadow.color, Shadow::kDefaultColor);
}

// The context's transform carries the view's zoom and the export resolution;
// the shadow follows it once, never squared, and a negative radius blurs nothing.
TEST(ShadowApplying, ScaledByTheHorizontalScaleOfTheContext) {
    struct Case {
        AffineTransform ctm;
        double f, radius, blurred;
    };
    for (const Case& c :
         {Case{{}, 1, 10, 10}, Case{AffineTransform::scaling(2, 2), 2, 10, 20},
          Case{AffineTransform::scaling(0.5, 0.5), 0.5, 10, 5},
          Case{AffineTransform::translation(40, 7), 1, 10, 10}, Case{{}, 1, -4, 0}}) {
        Shadow s;
        s.setVisible(true);
        s.setShadowOffset({3, -10});
        s.setShadowBlurRadius(c.radius);
        RecordingGraphicsContext gc(false, c.ctm);
        Shadow::applyEnd(gc, s.applyBegin(gc));
        const auto set = gc.operationsOfKind(DrawOpKind::SetShadow);
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].shadow.offset, Size(3 * c.f, -10 * c.f)) << c.f;
        EXPECT_EQ(set[0].shadow.blurRadius, c.blurred) << c.f;
        EXPECT_EQ(s.shadowOffset(), Size(3, -10));
    }
}

} // namespace
} // namespace qv

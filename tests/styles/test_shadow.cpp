// Shadows: attributes written, read and round-tripped through files, keys
// with what the owner hears, and how they are applied to a context.
#include "styles/Shadow.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using test::line;

TEST(Shadow, WritesItsAttributesAndReadsWhatTheFileSays) {
    // Hidden: no colour, the numbers all the same.
    Shadow s;
    EXPECT_EQ(s.shadowColor(), Color(0, 0, 0, 1.0 / 3.0));
    EXPECT_EQ(line(s.elementAttributes()), "color=none width=0 height=-10 radius=10");
    s.setVisible(true);
    s.setShadowColor({1, 0, 0, 0.5});
    s.setShadowOffset({3, 4.5});
    EXPECT_EQ(line(s.elementAttributes()), "color=#FF00007F width=3 height=4.5 radius=10");

    // Reading "none" (or no colour) hides and keeps every number; a colour
    // shows, with absent numbers read as zero.
    const std::pair<const char*, const char*> reads[] = {
        {"color=none width=5 radius=1", "false {1, 2} 10"},
        {"", "false {1, 2} 10"},
        {"color=#00FF00FF height=-3", "true {0, -3} 0"}};
    for (const auto& [file, values] : reads) {
        Shadow r;
        r.setVisible(true);
        r.setShadowOffset({1, 2});
        r.setElementAttributes(test::attributes(file));
        EXPECT_EQ(test::values(r, {"visible", "shadowOffset", "shadowBlurRadius"}), values) << file;
    }

    // Write, read, write: the same file; an invisible shadow keeps the
    // reader's own numbers, so only its attributes then stay the same.
    for (unsigned seed : {99u, 5u}) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> coin(0, 1), byte(0, 255);
        std::uniform_real_distribution<double> real(-50, 50);
        for (int i = 0; i < 500; ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " shadow " << i);
            s.setVisible(coin(rng));
            s.setShadowOffset({real(rng), real(rng)});
            s.setShadowBlurRadius(real(rng) + 50);
            s.setShadowColor(
                {byte(rng) / 255.0, (real(rng) + 50) / 100, byte(rng) / 255.0, byte(rng) / 255.0});
            test::expectStableThroughFile(s, s.visible());
            const auto read = test::throughFile(s);
            EXPECT_EQ(read->visible(), s.visible());
            EXPECT_EQ(line(read->elementAttributes()),
                      line(s.visible() ? s.elementAttributes() : Shadow().elementAttributes()));
        }
    }
}

// The colour announces even when it is the same, other values only when
// they change; an offset, or one component of it, announces both components.
TEST(Shadow, KeysReadWriteAndAnnounceRealChanges) {
    const std::vector<const char*> offset = {"shadowOffset", "shadowOffsetWidth",
                                             "shadowOffsetHeight"};
    test::checkKeys<Shadow>("shadow",
                            {{"visible", Value(true), {"visible"}},
                             {"shadowBlurRadius", Value(3.0), {"shadowBlurRadius"}},
                             {"shadowOffset", Value(Size(2, 3)), offset},
                             {"shadowOffsetWidth", Value(4.0), offset},
                             {"shadowOffsetHeight", Value(7.0), offset},
                             {"shadowColor", Value(Shadow::kDefaultColor), {"shadowColor"}, 2},
                             {"shadowColor", Value(Color(1, 1, 0, 0.8)), {"shadowColor"}, 2},
                             {"shadowOffset", Value(Size(0, -10))},
                             {"shadowBlurRadius", Value(10.0)},
                             {"visible", Value(false)},
                             {"shadowOffsetWidth", Value(0.0)},
                             {"shadowOffsetHeight", Value(-10.0)}});
    test::checkRefused<Shadow>(
        {{"shadowOffset", Value(3.0)}, {"nonsense", Value(3.0)}, {"shadowColor", Value(3.0)}});
    Shadow s;
    s.setValueForKey(Value(8.0), "shadowOffsetWidth");
    s.setValueForKey(Value(9.0), "shadowOffsetHeight");
    EXPECT_EQ(s.valueForKey("shadowOffset"), Value(Size(8, 9)));
}

TEST(Shadow, AppliedOnceAtTheContextScaleAroundALayerOrNotAtAll) {
    // Hidden: the state is only saved and restored.
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

    // The context's transform carries the view's zoom and the export
    // resolution; the shadow follows it once, never squared, and a negative
    // radius blurs nothing.
    const std::tuple<AffineTransform, double, double, double> cases[] = {
        {{}, 1, 10, 10},
        {AffineTransform::scaling(2, 2), 2, 10, 20},
        {AffineTransform::scaling(0.5, 0.5), 0.5, 10, 5},
        {AffineTransform::translation(40, 7), 1, 10, 10},
        {{}, 1, -4, 0}};
    for (const auto& [ctm, f, radius, blurred] : cases) {
        s.setShadowOffset({3, -10});
        s.setShadowBlurRadius(radius);
        RecordingGraphicsContext scaled(false, ctm);
        Shadow::applyEnd(scaled, s.applyBegin(scaled));
        const auto set = scaled.operationsOfKind(DrawOpKind::SetShadow);
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].shadow.offset, Size(3 * f, -10 * f)) << f;
        EXPECT_EQ(set[0].shadow.blurRadius, blurred) << f;
        EXPECT_EQ(s.shadowOffset(), Size(3, -10));
    }
}

} // namespace
} // namespace qv

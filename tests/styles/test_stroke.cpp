// Strokes: attributes written, read and round-tripped through files, keys
// with what the owner hears, dash patterns and inspector names.
#include "styles/Stroke.h"

#include "StyleTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

using test::attributes;
using test::line;

TEST(Stroke, WritesItsAttributesAndReadsWhatTheFileSays) {
    // Arrow attributes follow only for the arrows in use; an invisible
    // stroke writes only its colour "none".
    Stroke s;
    std::vector<std::string> written{line(s.elementAttributes())};
    s.setArrowEndStyle(3);
    s.setArrowEndSize(4.5);
    written.push_back(line(s.elementAttributes()));
    s.setArrowStartStyle(1);
    written.push_back(line(s.elementAttributes()));
    s.setStyle(0);
    written.push_back(line(s.elementAttributes()));
    EXPECT_EQ(written,
              (std::vector<std::string>{
                  "style=1 color=#000000FF width=1 cap-style=0 join-style=0",
                  "style=1 color=#000000FF width=1 cap-style=0 join-style=0 arrow-end-style=3 "
                  "arrow-end-size=4.5",
                  "style=1 color=#000000FF width=1 cap-style=0 join-style=0 arrow-start-style=1 "
                  "arrow-start-size=7 arrow-end-style=3 arrow-end-size=4.5",
                  "color=none"}));

    // Read over a stroke that had other values: "none", or no colour at all,
    // keeps them; a colour without numbers reads zeros (an invisible style);
    // arrow sizes are read only for an arrow in use.
    const std::pair<const char*, const char*> reads[] = {
        {"color=none", "false 0 3.5 1 2 3 0 4 #FF0000FF"},
        {"style=2 width=4", "false 0 3.5 1 2 3 0 4 #FF0000FF"},
        {"color=#FF000080", "false 0 0 0 0 3 0 4 #FF000080"},
        {"style=1 color=#000000FF width=2 arrow-start-style=0 arrow-start-size=12 "
         "arrow-end-size=13",
         "true 1 2 0 0 3 0 4 #000000FF"},
        {"style=1 color=#000000FF width=2 arrow-start-size=12 arrow-end-style=6 arrow-end-size=13",
         "true 1 2 0 0 3 6 13 #000000FF"},
    };
    for (const auto& [file, values] : reads) {
        Stroke r;
        r.setStyle(5);
        r.setWidth(3.5);
        r.setColor({1, 0, 0, 1});
        r.setCapStyle(1);
        r.setArrowStartStyle(2);
        r.setArrowStartSize(3);
        r.setArrowEndSize(4);
        r.setElementAttributes(attributes(file));
        EXPECT_EQ(test::values(r, {"visible", "style", "width", "capStyle", "arrowStartStyle",
                                   "arrowStartSize", "arrowEndStyle", "arrowEndSize", "color"}),
                  values)
            << file;
    }

    // Write, read, write: the same file over random strokes.
    for (unsigned seed : {1234u, 77u}) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> style(0, 8), cap(0, 2), arrow(0, 18), byte(0, 255);
        std::uniform_real_distribution<double> real(0, 40);
        for (int i = 0; i < 500; ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " stroke " << i);
            s.setStyle(style(rng));
            s.setWidth(real(rng));
            s.setColor({byte(rng) / 255.0, byte(rng) / 255.0, real(rng) / 40, byte(rng) / 255.0});
            s.setCapStyle(cap(rng));
            s.setJoinStyle(cap(rng));
            s.setArrowStartStyle(arrow(rng));
            s.setArrowStartSize(real(rng));
            s.setArrowEndStyle(arrow(rng));
            s.setArrowEndSize(real(rng));
            test::expectStableThroughFile(s);
        }
    }
}

// A colour announces even when it is the same; other values only when they
// change; the style also announces "visible".
TEST(Stroke, KeysReadWriteAndAnnounceRealChanges) {
    test::checkKeys<Stroke>("stroke", {{"style", Value(4), {"style", "visible"}},
                                       {"width", Value(2.5), {"width"}},
                                       {"capStyle", Value(1), {"capStyle"}},
                                       {"joinStyle", Value(2), {"joinStyle"}},
                                       {"arrowStartStyle", Value(5), {"arrowStartStyle"}},
                                       {"arrowEndStyle", Value(6), {"arrowEndStyle"}},
                                       {"arrowStartSize", Value(3.0), {"arrowStartSize"}},
                                       {"arrowEndSize", Value(4.0), {"arrowEndSize"}},
                                       {"color", Value(Color::black()), {"color"}, 2},
                                       {"style", Value(1)},
                                       {"width", Value(1.0)},
                                       {"capStyle", Value(0)},
                                       {"joinStyle", Value(0)},
                                       {"arrowStartStyle", Value(0)},
                                       {"arrowEndStyle", Value(0)},
                                       {"arrowStartSize", Value(7.0)},
                                       {"arrowEndSize", Value(7.0)}});
    test::checkRefused<Stroke>({{"visible", Value(false)},
                                {"nonsense", Value(1)},
                                {"width", Value()},
                                {"color", Value(3)}});
    EXPECT_EQ(Stroke().valueForKey("visible"), Value(true));
}

TEST(Stroke, DashPatternsByStyleWidthAndCapAndInspectorNames) {
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
    BezierPath p, expected;
    p.moveToPoint({0, 0});
    expected = p;
    s.applyToPath(p);
    expected.setLineWidth(3);
    expected.setLineCapStyle(LineCapStyle::Round);
    expected.setLineJoinStyle(LineJoinStyle::Bevel);
    expected.setLineDash({0, 9}, 0);
    EXPECT_EQ(p, expected);

    EXPECT_EQ(strokeStyleName(0), "stroke-none");
    EXPECT_EQ(strokeStyleName(6), "stroke-longdashdot");
    EXPECT_EQ(capStyleName(1), "cap-round");
    EXPECT_EQ(joinStyleName(2), "join-bevel");
    EXPECT_TRUE(strokeStyleName(7).empty() && capStyleName(3).empty());
}

} // namespace
} // namespace qv

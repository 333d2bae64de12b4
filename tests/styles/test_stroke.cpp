// Strokes: attributes written, read and round-tripped through files, keys
// with what the owner hears, dash patterns and inspector names; arrow heads:
// the catalogue's drawing flags and outlines, where heads sit on the ends of
// open subpaths, how they take the line's attributes, and picker pictures.
#include "styles/Stroke.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "styles/Arrow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

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

using K = DrawOpKind;
using test::pathOf;

double gap(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The first point (a barb) and the tip of a head drawn from a triangle,
// barbed or pronged unit path.
Point barbOf(const DrawOperation& c) {
    return c.path.elementAtIndex(0).points[0];
}
Point tipOf(const DrawOperation& c) {
    return c.path.elementAtIndex(1).points[0];
}

// The names and shared outlines of the variants are the catalogue's own
// table; what is checked is what drawing relies on.
TEST(Arrow, CatalogueFlagsAndOutlines) {
    const auto& arrows = Arrow::arrows();
    ASSERT_EQ(arrows.size(), 19u);
    EXPECT_FALSE(arrows[0]->unitPath().has_value());
    // Stroked-only heads are not opaque; solid and outline variants alternate.
    const std::string outline = "0010110101011011101", opaque = "0111101111110110011";
    for (std::size_t i = 1; i < 19; ++i) {
        ASSERT_TRUE(arrows[i]->unitPath().has_value()) << i;
        EXPECT_EQ(Arrow::arrowNames()[i], arrows[i]->name()); // the inspector's menu
        EXPECT_EQ(arrows[i]->opaque(), opaque[i] == '1') << i;
        EXPECT_EQ(arrows[i]->outline(), outline[i] == '1') << i;
    }
    EXPECT_EQ(Arrow::arrowAtIndex(18), arrows[18].get());
    EXPECT_TRUE(Arrow::arrowAtIndex(19) == nullptr && Arrow::arrowAtIndex(-1) == nullptr);

    // The triangle line is open (filling it fills the triangle), the feather
    // three chevrons; circle and square are a unit across, tip at the origin.
    const BezierPath& triangleLine = *arrows[17]->unitPath();
    ASSERT_EQ(triangleLine.elementCount(), 6u);
    for (const auto& e : triangleLine.elements())
        EXPECT_NE(e.type, PathElementType::ClosePath);
    EXPECT_EQ(triangleLine.elementAtIndex(1).points[0], Point(0, 0));
    EXPECT_EQ(triangleLine.elementAtIndex(4).points[0], Point(0, 0));
    int moves = 0;
    for (const auto& e : arrows[12]->unitPath()->elements())
        moves += e.type == PathElementType::MoveTo;
    EXPECT_EQ(moves, 3);
    const Rect circle = arrows[6]->unitPath()->bounds();
    EXPECT_LT(
        std::max(gap(circle.origin, {0, -0.5}), gap({circle.width(), circle.height()}, {1, 1})),
        1e-12);
    EXPECT_EQ(arrows[8]->unitPath()->bounds(), Rect(0, -0.5, 1, 1));
}

TEST(Arrow, HeadsTakeTheLinesAttributesButNeverItsDash) {
    // A solid triangle at the end: filled in the line's colour, then stroked;
    // the base runs across the line, 8.75 points back from the tip.
    Stroke s;
    s.setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    s.strokePath(gc, pathOf("M 0 0 L 100 0"));
    ASSERT_EQ(gc.kinds(), (std::vector<K>{K::StrokePath, K::FillPath, K::StrokePath}));
    const DrawOperation& head = gc.operations()[1];
    EXPECT_EQ(head.color, Color::black());
    EXPECT_EQ(head.path.windingRule(), WindingRule::NonZero);
    ASSERT_EQ(head.path.elementCount(), 4u);
    EXPECT_LT(gap(tipOf(head), {100, 0}), 1e-9);
    EXPECT_LT(gap(barbOf(head), {91.25, -3.5}), 1e-9);
    EXPECT_LT(gap(head.path.elementAtIndex(2).points[0], {91.25, 3.5}), 1e-9);
    EXPECT_EQ(gc.operations()[2].path.elements(), head.path.elements());

    // An outline triangle at the start of a dashed blue line of width 2:
    // filled white, outlined with the line's width, caps and joins, no dash.
    s.setArrowEndStyle(0);
    s.setStyle(2);
    s.setWidth(2);
    s.setCapStyle(1);
    s.setJoinStyle(2);
    s.setColor({0, 0, 1, 1});
    s.setArrowStartStyle(2);
    gc.clear();
    s.strokePath(gc, pathOf("M 0 0 L 100 0"));
    ASSERT_EQ(gc.operations().size(), 3u);
    EXPECT_EQ(gc.operations()[0].path.lineDash(), (std::vector<double>{4, 6}));
    EXPECT_EQ(gc.operations()[1].color, Color::white());
    const DrawOperation& outline = gc.operations()[2];
    BezierPath expected = outline.path;
    s.applyToPath(expected);
    expected.setLineDash({}, 0);
    EXPECT_EQ(outline.path, expected); // width 2, not scaled with the head
    EXPECT_EQ(outline.color, Color(0, 0, 1, 1));
    // Tip on the start, body along the line, unit 2 × 7.
    EXPECT_LT(gap(tipOf(outline), {0, 0}), 1e-9);
    EXPECT_LT(gap(barbOf(outline), {17.5, 7}), 1e-9);

    // A tip on its own reference point lies along positive x.
    gc.clear();
    Arrow::arrowAtIndex(1)->drawAtPoint({5, 5}, {5, 5}, Stroke(), 2, gc);
    ASSERT_EQ(gc.operations().size(), 2u);
    const BezierPath& dot = gc.operations()[0].path;
    EXPECT_LT(gap(dot.elementAtIndex(0).points[0], {7.5, 6}), 1e-9);
    EXPECT_LT(gap(dot.elementAtIndex(1).points[0], {5, 5}), 1e-9);
    EXPECT_LT(gap(dot.elementAtIndex(2).points[0], {7.5, 4}), 1e-9);
}

// Where each pronged (stroked only) head sits: its tip and its first barb.
TEST(Arrow, HeadsSitOnTheEndsOfOpenSubpathsAlongTheirLastDirection) {
    using Heads = std::vector<std::pair<Point, Point>>;
    const std::tuple<const char*, BezierPath, int, int, Heads> cases[] = {
        {"vertical", pathOf("M 0 0 L 0 50"), 0, 5, {{{0, 50}, {3.5, 41.25}}}},
        {"two open subpaths in path order",
         pathOf("M 0 0 L 10 0 M 0 20 L 5 20 L 10 20"),
         5,
         5,
         {{{0, 0}, {8.75, 3.5}},
          {{10, 0}, {1.25, -3.5}},
          {{0, 20}, {8.75, 23.5}},
          {{10, 20}, {10 - 8.75, 20 - 3.5}}}},
        {"line after a curve",
         pathOf("M 0 0 C 10 0 50 40 50 50 L 50 100"),
         0,
         5,
         {{{50, 100}, {53.5, 91.25}}}},
        // A control point exactly k = 7 away from the start is used as it is.
        {"control at k", pathOf("M 0 0 C 0 7 50 -50 100 0"), 5, 0, {{{0, 0}, {-3.5, 8.75}}}},
    };
    for (const auto& [name, path, start, end, expected] : cases) {
        SCOPED_TRACE(name);
        Stroke s;
        s.setArrowStartStyle(start);
        s.setArrowEndStyle(end);
        RecordingGraphicsContext gc;
        s.drawArrowsForPath(gc, path);
        const auto heads = gc.operationsOfKind(K::StrokePath);
        ASSERT_EQ(heads.size(), expected.size());
        for (std::size_t i = 0; i < heads.size(); ++i) {
            EXPECT_LT(gap(tipOf(heads[i]), expected[i].first), 1e-9) << i;
            EXPECT_LT(gap(barbOf(heads[i]), expected[i].second), 1e-9) << i;
        }
    }

    // A control point under the head is skipped for the direction (C1 lies
    // within k = 7 of the start, C2 within 7 of the end): the start faces C2
    // (100, 3), nearly along +x, the end C1 (1, 1), nearly along -x.
    Stroke s;
    s.setArrowStartStyle(5);
    s.setArrowEndStyle(5);
    RecordingGraphicsContext gc;
    s.drawArrowsForPath(gc, pathOf("M 0 0 C 1 1 100 3 100 0"));
    const auto heads = gc.operationsOfKind(K::StrokePath);
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_TRUE(barbOf(heads[0]).x > 8 && barbOf(heads[1]).x < 92);
    // Nothing on closed subpaths, lone moves, invisible strokes, the "None"
    // head or unknown styles.
    s.setArrowStartStyle(1);
    s.setArrowEndStyle(1);
    gc.clear();
    s.strokePath(gc, BezierPath::bezierPathWithRect({0, 0, 50, 20}));
    EXPECT_EQ(gc.kinds(), std::vector<K>{K::StrokePath});
    gc.clear();
    s.drawArrowsForPath(gc, pathOf("M 5 5 M 10 10"));
    s.setStyle(0);
    s.strokePath(gc, pathOf("M 0 0 L 100 0"));
    Arrow::arrowAtIndex(0)->drawAtPoint({0, 0}, {1, 0}, s, 7, gc);
    Stroke odd;
    odd.setArrowStartStyle(19);
    odd.setArrowEndStyle(-4);
    odd.strokePath(gc, pathOf("M 0 0 L 100 0"));
    EXPECT_EQ(gc.kinds(), std::vector<K>{K::StrokePath});
}

TEST(Arrow, PickerPicturesAreFortyEightBySixteenBuiltOnceWithTheHeadAtTheChosenEnd) {
    RecordingGraphicsContext gc;
    EXPECT_EQ(Arrow::arrowAtIndex(0)->pickerImageStart(gc), nullptr);
    EXPECT_EQ(Arrow::arrowAtIndex(0)->pickerImageEnd(gc), nullptr);
    for (std::int64_t i = 1; i < 19; ++i) {
        Arrow* a = Arrow::arrowAtIndex(i);
        for (const ImagePtr& image : {a->pickerImageStart(gc), a->pickerImageEnd(gc)}) {
            ASSERT_NE(image, nullptr) << i;
            EXPECT_EQ(image->size(), Size(48, 16));
        }
    }
    const std::size_t made = gc.countOf(K::MakeImage);
    Arrow* triangle = Arrow::arrowAtIndex(1);
    EXPECT_EQ(triangle->pickerImageStart(gc), triangle->pickerImageStart(gc));
    EXPECT_EQ(gc.countOf(K::MakeImage), made);

    // A fresh arrow, so that the pictures are drawn by this context.
    Arrow a;
    a.setUnitPath(*Arrow::arrowAtIndex(5)->unitPath());
    RecordingGraphicsContext fresh;
    const auto start = std::dynamic_pointer_cast<const RecordedImage>(a.pickerImageStart(fresh));
    const auto end = std::dynamic_pointer_cast<const RecordedImage>(a.pickerImageEnd(fresh));
    ASSERT_TRUE(start && end);
    for (const auto& [image, tip, tail] : {std::tuple{start, Point(6, 8), Point(46, 8)},
                                           std::tuple{end, Point(42, 8), Point(2, 8)}}) {
        ASSERT_EQ(image->operations().size(), 3u);
        // y upwards in a 16-point-high picture.
        EXPECT_EQ(image->operations()[0].concatenated, AffineTransform(1, 0, 0, -1, 0, 16));
        const DrawOperation& l = image->operations()[1];
        EXPECT_EQ(l.path.elementAtIndex(0).points[0], tip);
        EXPECT_EQ(l.path.elementAtIndex(1).points[0], tail);
        EXPECT_EQ(l.path.lineWidth(), 2.0);
        EXPECT_EQ(l.color, Color::black());
        // Size 5 at width 2: the barbs sit 12.5 points behind the tip.
        EXPECT_LT(gap(tipOf(image->operations()[2]), tip), 1e-9);
        EXPECT_NEAR(std::abs(barbOf(image->operations()[2]).x - tip.x), 12.5, 1e-9);
    }
}

} // namespace
} // namespace qv

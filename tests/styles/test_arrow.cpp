#include "styles/Arrow.h"
#include "styles/Stroke.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace qv {
namespace {

using K = DrawOpKind;

void expectPoint(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << "x of (" << expected.x << ", " << expected.y << ")";
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << "y of (" << expected.x << ", " << expected.y << ")";
}

BezierPath line(Point a, Point b) {
    BezierPath p;
    p.moveToPoint(a);
    p.lineToPoint(b);
    return p;
}

// The first point (a barb) and the tip of a head drawn from a triangle, barbed
// or pronged unit path.
Point barbOf(const DrawOperation& c) {
    return c.path.elementAtIndex(0).points[0];
}
Point tipOf(const DrawOperation& c) {
    return c.path.elementAtIndex(1).points[0];
}

// The names and shared outlines of the variants are the catalogue's own
// table; what is checked is what drawing relies on.
TEST(ArrowCatalogue, NineteenEntriesWithTheirFlagsAndOutlines) {
    const auto& arrows = Arrow::arrows();
    ASSERT_EQ(arrows.size(), 19u);
    ASSERT_EQ(Arrow::arrowNames().size(), 19u);
    EXPECT_FALSE(arrows[0]->unitPath().has_value());
    for (std::size_t i = 1; i < 19; ++i) {
        ASSERT_TRUE(arrows[i]->unitPath().has_value()) << i;
        EXPECT_EQ(arrows[i]->name(), Arrow::arrowNames()[i]);
        // The stroked-only heads are outlines; solid and outline variants alternate.
        const bool strokedOnly = i == 5 || i == 12 || i == 15 || i == 16;
        EXPECT_EQ(arrows[i]->opaque(), !strokedOnly) << i;
        const bool solid = i == 1 || i == 3 || i == 6 || i == 8 || i == 10 || i == 13 || i == 17;
        EXPECT_EQ(arrows[i]->outline(), !solid) << i;
    }
    EXPECT_EQ(Arrow::arrowAtIndex(18), arrows[18].get());
    EXPECT_EQ(Arrow::arrowAtIndex(19), nullptr);
    EXPECT_EQ(Arrow::arrowAtIndex(-1), nullptr);

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
    expectPoint(circle.origin, {0, -0.5});
    EXPECT_NEAR(circle.width(), 1, 1e-12);
    EXPECT_NEAR(circle.height(), 1, 1e-12);
    EXPECT_EQ(arrows[8]->unitPath()->bounds(), Rect(0, -0.5, 1, 1));
}

TEST(ArrowDrawing, TriangleAtTheEndOfAHorizontalLine) {
    Stroke s;
    s.setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    s.strokePath(gc, line({0, 0}, {100, 0}));
    ASSERT_EQ(gc.kinds(), (std::vector<K>{K::StrokePath, K::FillPath, K::StrokePath}));
    EXPECT_EQ(gc.operations()[1].color, Color::black());
    EXPECT_EQ(gc.operations()[1].path.windingRule(), WindingRule::NonZero);
    const BezierPath& head = gc.operations()[1].path;
    ASSERT_EQ(head.elementCount(), 4u);
    expectPoint(tipOf(gc.operations()[1]), {100, 0});
    // The base runs across the line, 8.75 points back from the tip.
    expectPoint(barbOf(gc.operations()[1]), {91.25, -3.5});
    expectPoint(head.elementAtIndex(2).points[0], {91.25, 3.5});
    EXPECT_EQ(gc.operations()[2].path.elements(), head.elements());
}

TEST(ArrowDrawing, HeadsUseTheLineAttributesButNeverDash) {
    Stroke s;
    s.setStyle(2);
    s.setWidth(2);
    s.setCapStyle(1);
    s.setJoinStyle(2);
    s.setColor({0, 0, 1, 1});
    s.setArrowStartStyle(2); // outline triangle: filled white
    RecordingGraphicsContext gc;
    s.strokePath(gc, line({0, 0}, {100, 0}));
    ASSERT_EQ(gc.operations().size(), 3u);
    EXPECT_EQ(gc.operations()[0].path.lineDash(), (std::vector<double>{4, 6}));
    EXPECT_EQ(gc.operations()[1].color, Color::white());
    const DrawOperation& outline = gc.operations()[2];
    EXPECT_EQ(outline.color, Color(0, 0, 1, 1));
    EXPECT_EQ(outline.path.lineWidth(), 2.0); // not scaled with the head
    EXPECT_EQ(outline.path.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(outline.path.lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_TRUE(outline.path.lineDash().empty());
    // Start head: tip on the start, body along the line, unit 2 × 7.
    expectPoint(tipOf(outline), {0, 0});
    expectPoint(barbOf(outline), {17.5, 7});
}

// Where each head of a pronged (stroked only) arrow sits: its tip and its
// first barb, for paths of several shapes.
TEST(ArrowDrawing, HeadsSitOnTheEndsOfOpenSubpathsAlongTheirLastDirection) {
    BezierPath twoOpen = line({0, 0}, {10, 0});
    twoOpen.moveToPoint({0, 20});
    twoOpen.lineToPoint({5, 20});
    twoOpen.lineToPoint({10, 20});
    BezierPath curveThenLine;
    curveThenLine.moveToPoint({0, 0});
    curveThenLine.curveToPoint({50, 50}, {10, 0}, {50, 40});
    curveThenLine.lineToPoint({50, 100});
    // A control point exactly k = 7 away from the start is used as it is.
    BezierPath controlAtK;
    controlAtK.moveToPoint({0, 0});
    controlAtK.curveToPoint({100, 0}, {0, 7}, {50, -50});
    struct Head {
        Point tip, barb;
    };
    struct Case {
        const char* name;
        BezierPath path;
        int start, end;
        std::vector<Head> heads;
    };
    const Case cases[] = {
        {"vertical", line({0, 0}, {0, 50}), 0, 5, {{{0, 50}, {3.5, 41.25}}}},
        {"two open subpaths in path order",
         twoOpen,
         5,
         5,
         {{{0, 0}, {8.75, 3.5}},
          {{10, 0}, {1.25, -3.5}},
          {{0, 20}, {8.75, 23.5}},
          {{10, 20}, {10 - 8.75, 20 - 3.5}}}},
        {"line after a curve", curveThenLine, 0, 5, {{{50, 100}, {53.5, 91.25}}}},
        {"control at k", controlAtK, 5, 0, {{{0, 0}, {-3.5, 8.75}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stroke s;
        s.setArrowStartStyle(c.start);
        s.setArrowEndStyle(c.end);
        RecordingGraphicsContext gc;
        s.drawArrowsForPath(gc, c.path);
        const auto heads = gc.operationsOfKind(K::StrokePath);
        ASSERT_EQ(heads.size(), c.heads.size());
        for (std::size_t i = 0; i < heads.size(); ++i) {
            expectPoint(tipOf(heads[i]), c.heads[i].tip);
            expectPoint(barbOf(heads[i]), c.heads[i].barb);
        }
    }
}

TEST(ArrowDrawing, CurveDirectionSkipsAControlPointUnderTheHead) {
    Stroke s;
    s.setArrowStartStyle(5);
    s.setArrowEndStyle(5);
    BezierPath p;
    p.moveToPoint({0, 0});
    // C1 within k = 7 of the start, C2 within 7 of the end.
    p.curveToPoint({100, 0}, {1, 1}, {100, 3});
    RecordingGraphicsContext gc;
    s.drawArrowsForPath(gc, p);
    auto heads = gc.operationsOfKind(K::StrokePath);
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_GT(barbOf(heads[0]).x, 8);  // start: towards C2 (100, 3), nearly along +x
    EXPECT_LT(barbOf(heads[1]).x, 92); // end: towards C1 (1, 1), nearly along −x
}

TEST(ArrowDrawing, NothingOnClosedSubpathsLoneMovesInvisibleStrokesOrUnknownStyles) {
    Stroke s;
    s.setArrowStartStyle(1);
    s.setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    s.strokePath(gc, BezierPath::bezierPathWithRect({0, 0, 50, 20}));
    EXPECT_EQ(gc.kinds(), std::vector<K>{K::StrokePath});
    BezierPath lone;
    lone.moveToPoint({5, 5});
    lone.moveToPoint({10, 10});
    gc.clear();
    s.drawArrowsForPath(gc, lone);
    s.setStyle(0);
    s.strokePath(gc, line({0, 0}, {100, 0}));
    Arrow::arrowAtIndex(0)->drawAtPoint({0, 0}, {1, 0}, s, 7, gc);
    EXPECT_TRUE(gc.operations().empty());

    Stroke odd;
    odd.setArrowStartStyle(19);
    odd.setArrowEndStyle(-4);
    odd.strokePath(gc, line({0, 0}, {100, 0}));
    EXPECT_EQ(gc.operations().size(), 1u);
}

TEST(ArrowDrawing, TipOnItsReferencePointLiesAlongPositiveX) {
    Stroke s;
    RecordingGraphicsContext gc;
    Arrow::arrowAtIndex(1)->drawAtPoint({5, 5}, {5, 5}, s, 2, gc);
    ASSERT_EQ(gc.operations().size(), 2u);
    const BezierPath& head = gc.operations()[0].path;
    expectPoint(head.elementAtIndex(0).points[0], {7.5, 6});
    expectPoint(head.elementAtIndex(1).points[0], {5, 5});
    expectPoint(head.elementAtIndex(2).points[0], {7.5, 4});
}

TEST(ArrowPickerImages, FortyEightBySixteenBuiltOnceWithTheHeadAtTheChosenEnd) {
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
        expectPoint(tipOf(image->operations()[2]), tip);
        EXPECT_NEAR(std::abs(barbOf(image->operations()[2]).x - tip.x), 12.5, 1e-9);
    }
}

} // namespace
} // namespace qv

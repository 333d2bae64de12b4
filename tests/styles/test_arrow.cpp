#include "styles/Arrow.h"
#include "styles/Stroke.h"

#include "StyleTestSupport.h"
#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace qv {
namespace {

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

// The tip of a head drawn from a triangle, barbed or pronged unit path.
Point tipOf(const DrawOperation& c) {
    return c.path.elementAtIndex(1).points[0];
}

TEST(ArrowCatalogue, NineteenEntriesInOrderWithTheirFlags) {
    const auto& arrows = Arrow::arrows();
    ASSERT_EQ(arrows.size(), 19u);
    const auto& names = Arrow::arrowNames();
    ASSERT_EQ(names.size(), 19u);
    EXPECT_EQ(names[0], "None");
    EXPECT_EQ(names[1], "Triangle (Solid)");
    EXPECT_EQ(names[5], "Pronged");
    EXPECT_EQ(names[12], "Feather");
    EXPECT_EQ(names[13], "Feather (Solid)");
    EXPECT_EQ(names[16], "Pronged Line");
    EXPECT_EQ(names[17], "Triangle Line (Solid)");
    EXPECT_FALSE(names[14].empty());
    EXPECT_FALSE(names[18].empty());
    EXPECT_NE(names[14], names[13]);
    EXPECT_NE(names[18], names[17]);

    EXPECT_FALSE(arrows[0]->unitPath().has_value());
    for (std::size_t i = 1; i < 19; ++i) {
        ASSERT_TRUE(arrows[i]->unitPath().has_value()) << i;
        EXPECT_EQ(arrows[i]->name(), names[i]);
        const bool strokedOnly = i == 5 || i == 12 || i == 15 || i == 16;
        EXPECT_EQ(arrows[i]->opaque(), !strokedOnly) << i;
        // Solid and outline variants alternate; the stroked-only heads are outlines.
        const bool solid = i == 1 || i == 3 || i == 6 || i == 8 || i == 10 || i == 13 || i == 17;
        EXPECT_EQ(arrows[i]->outline(), !solid) << i;
    }
    // Variants share their outlines.
    for (auto [a, b] : {std::pair{1, 2}, {3, 4}, {6, 7}, {8, 9}, {10, 11}, {13, 14}, {17, 18}})
        EXPECT_EQ(*arrows[a]->unitPath(), *arrows[b]->unitPath()) << a;

    EXPECT_EQ(Arrow::arrowAtIndex(0), arrows[0].get());
    EXPECT_EQ(Arrow::arrowAtIndex(18), arrows[18].get());
    EXPECT_EQ(Arrow::arrowAtIndex(19), nullptr);
    EXPECT_EQ(Arrow::arrowAtIndex(-1), nullptr);
}

TEST(ArrowCatalogue, UnitPathsHaveTheirTipAtTheOrigin) {
    const auto& arrows = Arrow::arrows();
    // The triangle line is open: filling it fills the triangle.
    const BezierPath& triangleLine = *arrows[17]->unitPath();
    ASSERT_EQ(triangleLine.elementCount(), 6u);
    for (const auto& e : triangleLine.elements())
        EXPECT_NE(e.type, PathElementType::ClosePath);
    EXPECT_EQ(triangleLine.elementAtIndex(1).points[0], Point(0, 0));
    EXPECT_EQ(triangleLine.elementAtIndex(4).points[0], Point(0, 0));
    // Three separate chevrons.
    int moves = 0;
    for (const auto& e : arrows[12]->unitPath()->elements())
        moves += e.type == PathElementType::MoveTo;
    EXPECT_EQ(moves, 3);
    const Rect circle = arrows[6]->unitPath()->bounds();
    EXPECT_NEAR(circle.x(), 0, 1e-12);
    EXPECT_NEAR(circle.y(), -0.5, 1e-12);
    EXPECT_NEAR(circle.width(), 1, 1e-12);
    EXPECT_NEAR(circle.height(), 1, 1e-12);
    EXPECT_EQ(arrows[8]->unitPath()->bounds(), Rect(0, -0.5, 1, 1));
}

TEST(ArrowDrawing, TriangleAtTheEndOfAHorizontalLine) {
    Stroke s;
    s.setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    s.strokePath(gc, line({0, 0}, {100, 0}));
    ASSERT_EQ(gc.operations().size(), 3u);
    EXPECT_EQ(gc.operations()[0].kind, DrawOpKind::StrokePath);
    ASSERT_EQ(gc.operations()[1].kind, DrawOpKind::FillPath);
    EXPECT_EQ(gc.operations()[1].color, Color::black());
    EXPECT_EQ(gc.operations()[1].path.windingRule(), WindingRule::NonZero);
    const BezierPath& head = gc.operations()[1].path;
    ASSERT_EQ(head.elementCount(), 4u);
    expectPoint(head.elementAtIndex(1).points[0], {100, 0});
    // The base runs across the line, 8.75 points back from the tip.
    expectPoint(head.elementAtIndex(0).points[0], {91.25, -3.5});
    expectPoint(head.elementAtIndex(2).points[0], {91.25, 3.5});
    ASSERT_EQ(gc.operations()[2].kind, DrawOpKind::StrokePath);
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
    expectPoint(outline.path.elementAtIndex(0).points[0], {17.5, 7});
}

TEST(ArrowDrawing, StrokedOnlyHeadsAreNotFilled) {
    Stroke s;
    s.setArrowEndStyle(5);
    RecordingGraphicsContext gc;
    s.strokePath(gc, line({0, 0}, {0, 50}));
    ASSERT_EQ(gc.operations().size(), 2u);
    EXPECT_EQ(gc.operations()[1].kind, DrawOpKind::StrokePath);
    expectPoint(tipOf(gc.operations()[1]), {0, 50});
    expectPoint(gc.operations()[1].path.elementAtIndex(0).points[0], {3.5, 41.25});
}

TEST(ArrowDrawing, ClosedSubpathsAndLoneMovesGetNoHeads) {
    Stroke s;
    s.setArrowStartStyle(1);
    s.setArrowEndStyle(1);
    RecordingGraphicsContext gc;
    s.strokePath(gc, BezierPath::bezierPathWithRect({0, 0, 50, 20}));
    ASSERT_EQ(gc.operations().size(), 1u);
    EXPECT_EQ(gc.operations()[0].kind, DrawOpKind::StrokePath);

    BezierPath lone;
    lone.moveToPoint({5, 5});
    lone.moveToPoint({10, 10});
    RecordingGraphicsContext gc2;
    s.drawArrowsForPath(gc2, lone);
    EXPECT_TRUE(gc2.operations().empty());
}

TEST(ArrowDrawing, TwoOpenSubpathsGetFourHeadsInPathOrder) {
    Stroke s;
    s.setArrowStartStyle(5);
    s.setArrowEndStyle(5);
    BezierPath p = line({0, 0}, {10, 0});
    p.moveToPoint({0, 20});
    p.lineToPoint({5, 20});
    p.lineToPoint({10, 20});
    RecordingGraphicsContext gc;
    s.drawArrowsForPath(gc, p);
    const auto heads = gc.operationsOfKind(DrawOpKind::StrokePath);
    ASSERT_EQ(heads.size(), 4u);
    expectPoint(tipOf(heads[0]), {0, 0});
    expectPoint(tipOf(heads[1]), {10, 0});
    expectPoint(tipOf(heads[2]), {0, 20});
    expectPoint(tipOf(heads[3]), {10, 20});
    // The end head of the second subpath points back along its last segment.
    expectPoint(heads[3].path.elementAtIndex(0).points[0], {10 - 8.75, 20 - 3.5});
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
    auto heads = gc.operationsOfKind(DrawOpKind::StrokePath);
    ASSERT_EQ(heads.size(), 2u);
    // Start: towards C2 (100, 3), nearly along +x.
    const Point startBarb = heads[0].path.elementAtIndex(0).points[0];
    EXPECT_GT(startBarb.x, 8);
    // End: towards C1 (1, 1), nearly along −x.
    const Point endBarb = heads[1].path.elementAtIndex(0).points[0];
    EXPECT_LT(endBarb.x, 92);

    // A control point exactly k away is used as it is.
    BezierPath q;
    q.moveToPoint({0, 0});
    q.curveToPoint({100, 0}, {0, 7}, {50, -50});
    s.setArrowEndStyle(0);
    RecordingGraphicsContext gc2;
    s.drawArrowsForPath(gc2, q);
    heads = gc2.operationsOfKind(DrawOpKind::StrokePath);
    ASSERT_EQ(heads.size(), 1u);
    expectPoint(heads[0].path.elementAtIndex(0).points[0], {-3.5, 8.75});
}

TEST(ArrowDrawing, LineAfterACurveTakesItsDirectionFromTheCurveEnd) {
    Stroke s;
    s.setArrowEndStyle(5);
    BezierPath p;
    p.moveToPoint({0, 0});
    p.curveToPoint({50, 50}, {10, 0}, {50, 40});
    p.lineToPoint({50, 100});
    RecordingGraphicsContext gc;
    s.drawArrowsForPath(gc, p);
    const auto heads = gc.operationsOfKind(DrawOpKind::StrokePath);
    ASSERT_EQ(heads.size(), 1u);
    expectPoint(heads[0].path.elementAtIndex(0).points[0], {53.5, 91.25});
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

TEST(ArrowDrawing, NothingForInvisibleStrokesOrUnknownStyles) {
    Stroke s;
    s.setArrowStartStyle(1);
    s.setStyle(0);
    RecordingGraphicsContext gc;
    s.strokePath(gc, line({0, 0}, {100, 0}));
    EXPECT_TRUE(gc.operations().empty());

    Stroke odd;
    odd.setArrowStartStyle(19);
    odd.setArrowEndStyle(-4);
    odd.strokePath(gc, line({0, 0}, {100, 0}));
    EXPECT_EQ(gc.operations().size(), 1u);

    RecordingGraphicsContext none;
    Arrow::arrowAtIndex(0)->drawAtPoint({0, 0}, {1, 0}, s, 7, none);
    EXPECT_TRUE(none.operations().empty());
}

TEST(ArrowPickerImages, FortyEightBySixteenAndBuiltOnce) {
    RecordingGraphicsContext gc;
    EXPECT_EQ(Arrow::arrowAtIndex(0)->pickerImageStart(gc), nullptr);
    EXPECT_EQ(Arrow::arrowAtIndex(0)->pickerImageEnd(gc), nullptr);
    EXPECT_EQ(static_cast<int>(gc.countOf(DrawOpKind::MakeImage)), 0);
    for (std::int64_t i = 1; i < 19; ++i) {
        Arrow* a = Arrow::arrowAtIndex(i);
        for (const ImagePtr& image : {a->pickerImageStart(gc), a->pickerImageEnd(gc)}) {
            ASSERT_NE(image, nullptr) << i;
            EXPECT_EQ(image->size(), Size(48, 16));
        }
    }
    const int made = static_cast<int>(gc.countOf(DrawOpKind::MakeImage));
    Arrow* triangle = Arrow::arrowAtIndex(1);
    EXPECT_EQ(triangle->pickerImageStart(gc), triangle->pickerImageStart(gc));
    EXPECT_EQ(static_cast<int>(gc.countOf(DrawOpKind::MakeImage)), made);
}

TEST(ArrowPickerImages, ALineWithTheHeadAtTheChosenEnd) {
    // A fresh arrow, so that the pictures are drawn by this context.
    Arrow a;
    a.setUnitPath(*Arrow::arrowAtIndex(5)->unitPath());
    RecordingGraphicsContext gc;
    const auto start = std::dynamic_pointer_cast<const RecordedImage>(a.pickerImageStart(gc));
    const auto end = std::dynamic_pointer_cast<const RecordedImage>(a.pickerImageEnd(gc));
    ASSERT_TRUE(start && end);
    for (const auto& [image, tip, tail] : {std::tuple{start, Point(6, 8), Point(46, 8)},
                                           std::tuple{end, Point(42, 8), Point(2, 8)}}) {
        ASSERT_EQ(image->operations().size(), 3u);
        // y upwards in a 16-point-high picture.
        EXPECT_EQ(image->operations()[0].kind, DrawOpKind::ConcatCTM);
        EXPECT_EQ(image->operations()[0].concatenated, AffineTransform(1, 0, 0, -1, 0, 16));
        const DrawOperation& l = image->operations()[1];
        EXPECT_EQ(l.path.elementAtIndex(0).points[0], tip);
        EXPECT_EQ(l.path.elementAtIndex(1).points[0], tail);
        EXPECT_EQ(l.path.lineWidth(), 2.0);
        EXPECT_EQ(l.color, Color::black());
        // Size 5 at width 2: the barbs sit 12.5 points behind the tip.
        expectPoint(tipOf(image->operations()[2]), tip);
        const Point barb = image->operations()[2].path.elementAtIndex(0).points[0];
        EXPECT_NEAR(std::abs(barb.x - tip.x), 12.5, 1e-9);
    }
}

} // namespace
} // namespace qv

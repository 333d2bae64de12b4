// The tools that draw new shapes: thresholds, constraints, snapping, the
// exact figures of arcs and Bézier control points, closing paths, keys,
// autoscroll and ending a gesture from outside.

#include "FakeCanvas.h"

#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/LineShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"

namespace qv {
namespace {

using testing::ToolTest;
using Type = PathElementType;

class CreationToolTest : public ToolTest {
protected:
    CreationToolTest() {
        // Paths come out of the toolbox with a visible fill to restore.
        RectangleShape model;
        model.fill().setStyle(FillStyleColor);
        toolbox().setTemplateShape(model);
    }

    Tool& line() { return tool(Toolbox::LineToolIndex); }
    Tool& rect() { return tool(Toolbox::RectangleToolIndex); }
    Tool& arc() { return tool(Toolbox::ArcToolIndex); }
    Tool& text() { return tool(Toolbox::TextToolIndex); }
    Tool& freehand() { return tool(Toolbox::FreehandToolIndex); }
    Tool& polyline() { return tool(Toolbox::PolylineToolIndex); }
    Tool& bezier() { return tool(Toolbox::BezierToolIndex); }

    std::size_t count() const { return document.shapes().size(); }
    template <class T> std::shared_ptr<T> last() const {
        return document.shapes().empty() ? nullptr
                                         : std::dynamic_pointer_cast<T>(document.shapes().back());
    }
    // Clicks at a and b with the polyline tool, moving between them.
    void polylineTo(Point a, Point b) {
        click(polyline(), a);
        move(polyline(), b);
        click(polyline(), b);
    }
    // The path's elements as kinds and end points, in document coordinates.
    static std::vector<std::pair<Type, Point>> elements(const BezierShape& s) {
        std::vector<std::pair<Type, Point>> out;
        for (const PathElement& e : s.bezierPath().elements())
            out.emplace_back(e.type, e.type == Type::CurveTo     ? e.points[2]
                                     : e.type == Type::ClosePath ? Point()
                                                                 : e.points[0]);
        return out;
    }
};

TEST_F(CreationToolTest, DragsShorterThanFiveScreenPixelsDrawNothing) {
    canvas.setZoom(2);
    EXPECT_TRUE(Tool::isPointNearPoint({0, 0}, {2.45, 0}, canvas));
    EXPECT_FALSE(Tool::isPointNearPoint({0, 0}, {2.5, 0}, canvas));
    for (double zoom : {1.0, 2.0}) {
        canvas.setZoom(zoom);
        for (Tool* t : {&line(), &rect(), &arc()}) {
            install({});
            const double px = 1 / zoom;
            dragGesture(*t, {100, 100}, {100 + 4 * px, 100});
            EXPECT_EQ(count(), 0u) << "zoom " << zoom;
            dragGesture(*t, {100, 100}, {100 + 6 * px, 100});
            if (t == &arc())
                click(arc(), {0, 0});
            EXPECT_EQ(count(), 1u) << "zoom " << zoom;
            EXPECT_EQ(lastAction(), "Insert Shape");
            EXPECT_EQ(undo().undoCount(), 1u);
        }
    }
}

TEST_F(CreationToolTest, ShiftConstrainsLinesAndBoxesAndOptionCentresBoxesAtOnce) {
    dragGesture(line(), {0, 0}, {10, -7}, ShiftKeyMask);
    EXPECT_EQ(last<LineShape>()->end(), Point(10, -10));
    EXPECT_EQ(last<LineShape>()->fill().style(), FillStyleNone);
    dragGesture(rect(), {10, 10}, {50, 30}, ShiftKeyMask);
    EXPECT_EQ(last<Shape>()->bounds(), Rect(10, 10, 20, 20));
    dragGesture(rect(), {10, 10}, {50, 30}, ShiftKeyMask | AlternateKeyMask);
    EXPECT_EQ(last<Shape>()->bounds(), Rect(-10, -10, 40, 40));
    // Modifiers pressed after the button went down act without a movement.
    press(rect(), {10, 10});
    drag(rect(), {50, 30});
    flags(rect(), ShiftKeyMask);
    flags(rect(), ShiftKeyMask | AlternateKeyMask);
    release(rect(), {50, 30}, ShiftKeyMask | AlternateKeyMask);
    EXPECT_EQ(last<Shape>()->bounds(), Rect(-10, -10, 40, 40));
}

TEST_F(CreationToolTest, GridSnapsUnlessCommandInvertsIt) {
    // The default grid: 72 points in 8 steps of 9.
    document.grid().setSnap(true);
    dragGesture(rect(), {12, 13}, {47, 58});
    EXPECT_EQ(last<Shape>()->bounds(), Rect(9, 9, 36, 45));
    dragGesture(rect(), {12, 13}, {47, 58}, CommandKeyMask);
    EXPECT_EQ(last<Shape>()->bounds(), Rect(12, 13, 35, 45));
    document.grid().setSnap(false);
    dragGesture(line(), {12, 13}, {47, 58}, CommandKeyMask);
    EXPECT_EQ(last<LineShape>()->start(), Point(9, 9));
    EXPECT_EQ(last<LineShape>()->end(), Point(45, 54));
}

TEST_F(CreationToolTest, TextClickPlacesADefaultBoxAndOpensTheEditor) {
    click(text(), {100, 100});
    ASSERT_NE(last<TextShape>(), nullptr);
    EXPECT_EQ(last<TextShape>()->bounds(), Rect(100, 100, 200, 40));
    EXPECT_EQ(canvas.editingShape(), last<Shape>().get());
    EXPECT_TRUE(canvas.editingCreated);
    // The next shape commits that edit first, as a step of its own.
    dragGesture(rect(), {10, 10}, {60, 60});
    EXPECT_EQ(canvas.editingShape(), nullptr);
    EXPECT_FALSE(controller.isEditing());
    EXPECT_EQ(count(), 2u);
    EXPECT_EQ(undo().undoCount(), 2u);
}

TEST_F(CreationToolTest, ArcAnglesAreMeasuredWithSinglePrecisionPi) {
    press(arc(), {0, 0});
    drag(arc(), {10, 0});
    release(arc(), {10, 0});
    EXPECT_TRUE(arc().isTracking());
    move(arc(), {0, 10});
    click(arc(), {0, 10});
    const auto a = last<ArcShape>();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->radius(), 10);
    EXPECT_EQ(a->angle1(), 0);
    EXPECT_EQ(a->angle2(), 89.99999749552191);
    EXPECT_FALSE(arc().isTracking());
}

TEST_F(CreationToolTest, EscapeAbandonsAnArcInEitherPhaseAndReturnAddsIt) {
    press(arc(), {0, 0});
    drag(arc(), {30, 0});
    key(arc(), 27);
    release(arc(), {30, 0});
    EXPECT_FALSE(arc().isTracking());
    dragGesture(arc(), {0, 0}, {30, 0});
    move(arc(), {0, 30});
    key(arc(), '.', CommandKeyMask);
    EXPECT_FALSE(arc().isTracking());
    EXPECT_EQ(count(), 0u);
    dragGesture(arc(), {0, 0}, {30, 0});
    key(arc(), 13);
    EXPECT_EQ(count(), 1u);
}

TEST_F(CreationToolTest, FreehandKeepsSamplesApartAndClosesNearItsStart) {
    press(freehand(), {0, 0});
    for (double x : {3, 6, 9, 12})
        drag(freehand(), {x, 0});
    release(freehand(), {12, 0});
    EXPECT_EQ(elements(*last<FreehandShape>()),
              (std::vector<std::pair<Type, Point>>{
                  {Type::MoveTo, {0, 0}}, {Type::LineTo, {6, 0}}, {Type::LineTo, {12, 0}}}));
    struct Case {
        Point end;
        bool closed;
    };
    for (const Case& c : {Case{{0, 4}, true}, Case{{0, 6}, false}}) {
        install({});
        press(freehand(), {0, 0});
        drag(freehand(), {20, 0});
        drag(freehand(), {20, 20});
        drag(freehand(), c.end);
        release(freehand(), c.end);
        const auto f = last<FreehandShape>();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(elements(*f).back().first == Type::ClosePath, c.closed);
        EXPECT_EQ(f->fill().style(), c.closed ? FillStyleColor : FillStyleNone);
    }
    // Closed over a single segment it would enclose nothing: not added.
    install({});
    press(freehand(), {0, 0});
    drag(freehand(), {6, 0});
    release(freehand(), {3, 0});
    EXPECT_EQ(count(), 0u);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(CreationToolTest, PolylineClosesNearItsStartAndEndsOpenOnADoubleClick) {
    const Point a(0, 0), b(100, 0), c(100, 100);
    for (Point p : {a, b, c}) {
        move(polyline(), p);
        click(polyline(), p);
    }
    move(polyline(), {2, 1});
    click(polyline(), {2, 1});
    const auto closed = last<PolylineShape>();
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(elements(*closed),
              (std::vector<std::pair<Type, Point>>{
                  {Type::MoveTo, a}, {Type::LineTo, b}, {Type::LineTo, c}, {Type::ClosePath, {}}}));
    EXPECT_EQ(closed->fill().style(), FillStyleColor);

    polylineTo(a, b);
    click(polyline(), b, 0, 2);
    EXPECT_EQ(elements(*last<PolylineShape>()),
              (std::vector<std::pair<Type, Point>>{{Type::MoveTo, a}, {Type::LineTo, b}}));
    EXPECT_EQ(last<PolylineShape>()->fill().style(), FillStyleNone);
    EXPECT_EQ(undo().undoCount(), 2u);
}

TEST_F(CreationToolTest, PolylineKeysAndClicksOutside) {
    // Return keeps the rubber band to the pointer.
    polylineTo({0, 0}, {50, 0});
    move(polyline(), {50, 50});
    key(polyline(), 13);
    EXPECT_EQ(elements(*last<PolylineShape>()).back().second, Point(50, 50));
    // A click outside keeps only the fixed segments.
    polylineTo({0, 0}, {50, 0});
    move(polyline(), {70, 40});
    send(polyline(), ToolEvent::Type::MouseDown, {2000, 0}, 0, 1, 0, false);
    EXPECT_EQ(elements(*last<PolylineShape>()).size(), 2u);
    // Escape abandons; closing over one segment adds nothing.
    polylineTo({0, 0}, {50, 0});
    key(polyline(), 27);
    polylineTo({0, 0}, {50, 0});
    move(polyline(), {1, 1});
    click(polyline(), {1, 1});
    EXPECT_FALSE(polyline().isTracking());
    EXPECT_EQ(count(), 2u);
}

TEST_F(CreationToolTest, BezierDragMirrorsTheTangentThroughTheAnchor) {
    const Point a(0, 0), b(100, 0), d(130, 40), e(200, 100);
    click(bezier(), a);
    press(bezier(), b);
    drag(bezier(), d);
    release(bezier(), d);
    click(bezier(), e);
    EXPECT_TRUE(bezier().isTracking());
    key(bezier(), 3);
    const auto s = last<BezierShape>();
    ASSERT_NE(s, nullptr);
    const auto& el = s->bezierPath().elements();
    ASSERT_EQ(el.size(), 3u);
    EXPECT_EQ(el[1].points, (std::array<Point, 3>{a, b * 2 - d, b}));
    EXPECT_EQ(el[2].points, (std::array<Point, 3>{d, e, e}));
}

TEST_F(CreationToolTest, BezierClosesNearItsStartAndCommitsWhenTheAppLosesFocus) {
    click(bezier(), {0, 0});
    click(bezier(), {100, 0});
    press(bezier(), {100, 100});
    drag(bezier(), {150, 100});
    release(bezier(), {150, 100});
    press(bezier(), {3, 2});
    drag(bezier(), {-20, 0});
    release(bezier(), {-20, 0});
    auto s = last<BezierShape>();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bezierPath().elements().back().type, Type::ClosePath);
    EXPECT_EQ(s->bezierPath().elementAtIndex(3).points[2], Point(0, 0));
    // The closing anchor is smooth: the first curve leaves along the drag.
    EXPECT_EQ(s->bezierPath().elementAtIndex(1).points[0], Point(-20, 0));
    EXPECT_EQ(s->fill().style(), FillStyleColor);

    click(bezier(), {0, 0});
    click(bezier(), {100, 0});
    bezier().endGesture(canvas, controller);
    EXPECT_EQ(count(), 2u);
    EXPECT_FALSE(bezier().isTracking());
}

TEST_F(CreationToolTest, EndingAGestureKeepsMultiClickShapesAndDropsDrags) {
    press(rect(), {0, 0});
    drag(rect(), {50, 50});
    rect().endGesture(canvas, controller);
    dragGesture(arc(), {0, 0}, {30, 0});
    arc().endGesture(canvas, controller);
    polylineTo({0, 0}, {50, 0});
    move(polyline(), {80, 0});
    polyline().endGesture(canvas, controller);
    for (std::size_t i = 0; i < Toolbox::ToolCount; ++i)
        EXPECT_FALSE(tool(i).isTracking()) << i;
    ASSERT_EQ(count(), 2u);
    EXPECT_NE(std::dynamic_pointer_cast<ArcShape>(document.shapes()[0]), nullptr);
    EXPECT_EQ(elements(*last<PolylineShape>()).back().second, Point(50, 0));
}

TEST_F(CreationToolTest, DragsOutsideTheVisibleAreaAutoscrollEveryTick) {
    press(rect(), {900, 500});
    drag(rect(), {1005, 560});
    EXPECT_TRUE(canvas.timerRunning);
    tick(rect());
    tick(rect());
    // Each tick scrolls 10 and the drawing under the still pointer follows.
    EXPECT_EQ(canvas.autoscrollSteps, 2);
    EXPECT_EQ(canvas.visible.x(), 20);
    release(rect(), {1025, 560});
    EXPECT_FALSE(canvas.timerRunning);
    EXPECT_EQ(last<Shape>()->bounds(), Rect(900, 500, 125, 60));

    press(rect(), {900, 500});
    drag(rect(), {1100, 500});
    drag(rect(), {1000, 500});
    EXPECT_FALSE(canvas.timerRunning);
    tick(rect());
    EXPECT_EQ(canvas.autoscrollSteps, 2);
    release(rect(), {1000, 500});
}

} // namespace
} // namespace qv

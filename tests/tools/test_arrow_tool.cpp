// The arrow tool: which sub-tool takes a press, selecting by click, Shift and
// marquee, moving and duplicating, resizing, reshaping, free rotation,
// gradient handles and text editing by double click.

#include "FakeCanvas.h"

#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "tools/RotateTool.h"

#include <cmath>
#include <numbers>

namespace qv {
namespace {

using testing::ToolTest;

ShapePtr box(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(Rect(x, y, w, h));
    return s;
}

class ArrowToolTest : public ToolTest {
protected:
    Tool& arrow() { return tool(Toolbox::ArrowToolIndex); }
    ShapeList selection() { return controller.selectedObjects(); }
};

TEST_F(ArrowToolTest, ClickShiftClickAndEmptyClickSelect) {
    const ShapePtr a = box(0, 0, 50, 50), b = box(100, 0, 50, 50);
    install({a, b});
    click(arrow(), {10, 10});
    EXPECT_EQ(selection(), ShapeList({a}));
    click(arrow(), {110, 10}, ShiftKeyMask);
    EXPECT_EQ(selection(), ShapeList({a, b}));
    // Shift-click on a selected shape takes it out and moves nothing.
    press(arrow(), {10, 10}, ShiftKeyMask);
    drag(arrow(), {60, 60}, ShiftKeyMask);
    release(arrow(), {60, 60}, ShiftKeyMask);
    EXPECT_EQ(selection(), ShapeList({b}));
    EXPECT_EQ(a->bounds(), Rect(0, 0, 50, 50));
    EXPECT_FALSE(undo().canUndo());
    click(arrow(), {500, 500});
    EXPECT_TRUE(selection().empty());
    EXPECT_FALSE(arrow().isTracking());
}

TEST_F(ArrowToolTest, MarqueeSelectsWhatItTouchesAndShiftKeepsTheSelection) {
    const ShapePtr a = box(0, 0, 50, 50), b = box(100, 0, 50, 50), c = box(0, 100, 50, 50);
    install({a, b, c});
    dragGesture(arrow(), {-10, -10}, {120, 20});
    EXPECT_EQ(selection(), ShapeList({a, b}));
    dragGesture(arrow(), {-10, 140}, {10, 160}, ShiftKeyMask);
    EXPECT_EQ(selection(), ShapeList({a, b, c}));
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(ArrowToolTest, MoveIsOneUndoStepNamedMove) {
    const ShapePtr a = box(0, 0, 50, 50);
    install({a});
    dragGesture(arrow(), {10, 10}, {40, 30}, 0, 7);
    EXPECT_EQ(a->bounds(), Rect(30, 20, 50, 50));
    EXPECT_EQ(undo().undoCount(), 1u);
    EXPECT_EQ(lastAction(), "Move");
}

TEST_F(ArrowToolTest, TheStepClosesWithTheGestureNotWithTheNextEvent) {
    const ShapePtr a = box(0, 0, 50, 50);
    install({a});
    // Events without the event loop closing their groups in between.
    for (auto [type, p] : {std::pair{ToolEvent::Type::MouseDown, Point(10, 10)},
                           {ToolEvent::Type::MouseDragged, {30, 10}},
                           {ToolEvent::Type::MouseUp, {30, 10}}})
        arrow().handleEvent({type, p}, canvas, controller);
    controller.offset(5, 0);
    undo().endEventGroup();
    EXPECT_EQ(undo().undoCount(), 2u);
}

TEST_F(ArrowToolTest, MovesGoInGridStepsWithSnappingAndFreelyWithCommand) {
    struct Case {
        double by;
        unsigned flags;
        double moved;
    };
    // Spacing 80 with 8 minor ticks: steps of 10.
    for (const Case& c : {Case{14, 0, 10}, Case{16, 0, 20}, Case{14, CommandKeyMask, 14}}) {
        const ShapePtr a = box(0, 0, 50, 50);
        install({a});
        document.grid().setSpacing(80);
        document.grid().setSnap(true);
        undo().removeAllActions();
        dragGesture(arrow(), {10, 10}, {10 + c.by, 10}, c.flags, 1);
        EXPECT_EQ(a->bounds().x(), c.moved) << c.by << " flags " << c.flags;
    }
}

TEST_F(ArrowToolTest, OptionDragDuplicatesPastTheClickTolerance) {
    for (double by : {3.0, 6.0}) {
        const ShapePtr a = box(0, 0, 50, 50);
        install({a});
        dragGesture(arrow(), {10, 10}, {10 + by, 10}, AlternateKeyMask, 1);
        EXPECT_EQ(a->bounds(), Rect(0, 0, 50, 50));
        if (by < 5) {
            EXPECT_EQ(document.shapes().size(), 1u);
            EXPECT_FALSE(undo().canUndo());
        } else {
            ASSERT_EQ(document.shapes().size(), 2u);
            EXPECT_EQ(document.shapes()[1]->bounds(), Rect(6, 0, 50, 50));
            EXPECT_EQ(undo().undoCount(), 1u);
            EXPECT_EQ(lastAction(), "Duplicate");
        }
    }
    // Option pressed after the button counts until the move begins, not after.
    for (const bool before : {true, false}) {
        const ShapePtr a = box(0, 0, 50, 50);
        install({a});
        press(arrow(), {10, 10});
        if (before)
            drag(arrow(), {12, 10}, AlternateKeyMask);
        else
            drag(arrow(), {20, 10});
        drag(arrow(), {30, 10}, AlternateKeyMask);
        release(arrow(), {30, 10}, AlternateKeyMask);
        EXPECT_EQ(document.shapes().size(), before ? 2u : 1u);
        EXPECT_EQ(lastAction(), before ? "Duplicate" : "Move");
    }
}

TEST_F(ArrowToolTest, HandlesOfSelectedShapesWinOverShapesOnTop) {
    const ShapePtr a = box(0, 0, 100, 50), top = box(80, 30, 50, 50);
    install({a, top});
    controller.setSelectedObjects({a});
    dragGesture(arrow(), {101, 51}, {300, 60}, ShiftKeyMask);
    EXPECT_EQ(a->bounds(), Rect(0, 0, 120, 60));
    EXPECT_EQ(top->bounds(), Rect(80, 30, 50, 50));
    EXPECT_EQ(undo().undoCount(), 1u);
    EXPECT_EQ(lastAction(), "Resize");
    // Where two selected shapes share a handle, the later one is resized.
    const ShapePtr b = box(0, 0, 100, 50), c = box(100, 50, 50, 50);
    install({b, c});
    controller.selectAll();
    dragGesture(arrow(), {100, 50}, {90, 40});
    EXPECT_EQ(b->bounds(), Rect(0, 0, 100, 50));
    EXPECT_EQ(c->bounds(), Rect(90, 40, 60, 60));
}

TEST_F(ArrowToolTest, AModifierBeforeTheFirstDragDoesNotMoveTheHandle) {
    const ShapePtr a = box(0, 0, 100, 50);
    install({a});
    controller.setSelectedObjects({a});
    document.grid().setSnap(true);
    press(arrow(), {102, 52});
    flags(arrow(), ShiftKeyMask);
    flags(arrow(), 0);
    EXPECT_EQ(a->bounds(), Rect(0, 0, 100, 50));
    release(arrow(), {102, 52});
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(ArrowToolTest, DoubleClickEditsAPathAndDraggingAPointReshapesIt) {
    auto path = std::make_shared<BezierShape>();
    path->moveToPoint({0, 0});
    path->lineToPoint({100, 0});
    path->lineToPoint({100, 100});
    install({path});
    click(arrow(), {90, 10});
    click(arrow(), {90, 10}, 0, 2);
    ASSERT_EQ(canvas.editingShape(), path.get());
    // A press on a point without a drag changes nothing and names nothing.
    click(arrow(), {100, 0});
    EXPECT_FALSE(undo().canUndo());
    dragGesture(arrow(), {100, 0}, {120, 0});
    EXPECT_EQ(path->bezierPath().elementAtIndex(1).points[0], Point(120, 0));
    EXPECT_EQ(undo().undoCount(), 1u);
    EXPECT_EQ(lastAction(), "Reshape");
    // A press anywhere else ends the edit.
    click(arrow(), {500, 500});
    EXPECT_EQ(canvas.editingShape(), nullptr);
}

TEST_F(ArrowToolTest, DoubleClickOnTextInAGroupEditsThatText) {
    auto text = std::make_shared<TextShape>();
    text->setBounds(Rect(0, 0, 100, 40));
    const auto group = GroupShape::groupWithShapes({text, box(200, 0, 50, 50)});
    install({group});
    click(arrow(), {10, 10});
    click(arrow(), {10, 10}, 0, 2);
    ASSERT_NE(canvas.editingShape(), nullptr);
    EXPECT_EQ(canvas.editingShape(), group->shapes()[0].get());
    EXPECT_FALSE(arrow().isTracking());
}

TEST_F(ArrowToolTest, FreeRotationSnapsToFortyFiveDegreesFromTheStart) {
    const auto at = [](double degrees) {
        const double r = degrees * std::numbers::pi / 180;
        return Point(100 * std::cos(r), 100 * std::sin(r));
    };
    struct Case {
        double to, rotation;
    };
    for (const Case& c : {Case{62, 45}, Case{77, 45}, Case{78, 90}}) {
        const ShapePtr a = box(-10, -10, 20, 20);
        install({a});
        controller.selectAll();
        canvas.setFreeRotating(true);
        dragGesture(arrow(), at(10), at(c.to), ShiftKeyMask, 3);
        EXPECT_NEAR(a->rotation(), c.rotation, 1e-9) << c.to;
        EXPECT_EQ(lastAction(), "Free Rotate");
        EXPECT_FALSE(canvas.freeRotating());
    }
    // Across the ±180° line: 20° further, not a turn the other way round.
    const ShapePtr a = box(-10, -10, 20, 20);
    install({a});
    controller.selectAll();
    canvas.setFreeRotating(true);
    dragGesture(arrow(), at(170), at(-170), ShiftKeyMask, 1);
    EXPECT_FALSE(undo().canUndo());
    canvas.setFreeRotating(true);
    dragGesture(arrow(), at(170), at(-170), 0, 1);
    // Angles are measured with the single-precision π.
    EXPECT_NEAR(a->rotation(), 20, 1e-4);
    EXPECT_EQ(RotateTool::wrappedDegrees(-180), 180);
    EXPECT_EQ(RotateTool::wrappedDegrees(540), 180);
}

TEST_F(ArrowToolTest, GradientHandlesWinOverMovingTheShape) {
    const ShapePtr a = box(0, 0, 100, 100);
    a->fill().setStyle(FillStyleGradient);
    install({a});
    controller.selectAll();
    const Point start = a->gradientStart();
    dragGesture(arrow(), start, start + Point(30, 3));
    EXPECT_EQ(a->bounds(), Rect(0, 0, 100, 100));
    EXPECT_NEAR(a->gradientStart().x, start.x + 30, 1e-5);
    EXPECT_NEAR(a->gradientStart().y, start.y + 3, 1e-5);
    EXPECT_EQ(undo().undoCount(), 1u);
    // Shift puts the axis upright when the pointer is nearer upright than 30°.
    const Point end = a->gradientEnd();
    dragGesture(arrow(), end, Point(a->gradientStart().x + 10, 0), ShiftKeyMask);
    EXPECT_NEAR(a->gradientEnd().x, a->gradientStart().x, 1e-5);
}

TEST_F(ArrowToolTest, ZoomToolClicksAndRectangles) {
    Tool& zoom = tool(Toolbox::ZoomToolIndex);
    click(zoom, {100, 50});
    click(zoom, {100, 50}, AlternateKeyMask);
    dragGesture(zoom, {10, 10}, {60, 40});
    dragGesture(zoom, {10, 10}, {13, 12});
    using Request = std::pair<Rect, bool>;
    EXPECT_EQ(canvas.zoomRequests, (std::vector<Request>{{Rect(100, 50, 0, 0), false},
                                                         {Rect(100, 50, 0, 0), true},
                                                         {Rect(10, 10, 50, 30), false},
                                                         {Rect(10, 10, 0, 0), false}}));
    EXPECT_EQ(zoom.cursorForView(canvas, AlternateKeyMask), CursorKind::ZoomOut);
}

} // namespace
} // namespace qv

// The arrow tool: which sub-tool takes a press, selecting by click, Shift and
// marquee, moving and duplicating, resizing, reshaping, free rotation,
// gradient handles and text editing by double click.

#include "FakeCanvas.h"

#include "shapes/GroupShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "tools/ArrowTool.h"
#include "tools/GradientTool.h"
#include "tools/MarqueeTool.h"
#include "tools/MoveTool.h"
#include "tools/ReshapeTool.h"
#include "tools/ResizeTool.h"
#include "tools/RotateTool.h"
#include "tools/TextEditTool.h"

#include <typeinfo>

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
    ArrowTool& arrowTool() { return static_cast<ArrowTool&>(arrow()); }
    ShapeList selection() { return controller.selectedObjects(); }
};

TEST_F(ArrowToolTest, SubToolsAreAskedFromTheMostSpecificToTheMarquee) {
    const auto& subs = arrowTool().subTools();
    const std::vector<const std::type_info*> expected{
        &typeid(RotateTool),   &typeid(TextEditTool), &typeid(ReshapeTool), &typeid(ResizeTool),
        &typeid(GradientTool), &typeid(MoveTool),     &typeid(MarqueeTool)};
    ASSERT_EQ(subs.size(), expected.size());
    for (std::size_t i = 0; i < subs.size(); ++i)
        EXPECT_EQ(typeid(*subs[i]), *expected[i]) << i;
}

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
    undo().undo();
    EXPECT_EQ(a->bounds(), Rect(0, 0, 50, 50));
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
}

TEST_F(ArrowToolTest, ClickToleranceIsFiveScreenPixelsAtAnyZoom) {
    canvas.setZoom(2);
    EXPECT_TRUE(Tool::isPointNearPoint({0, 0}, {2.45, 0}, canvas));
    EXPECT_FALSE(Tool::isPointNearPoint({0, 0}, {2.5, 0}, canvas));
    EXPECT_FALSE(Tool::isPointNearPoint({0, 0}, {1.5, 2}, canvas));
    const ShapePtr a = box(0, 0, 50, 50);
    install({a});
    dragGesture(arrow(), {10, 10}, {12.45, 10}, 0, 1);
    EXPECT_EQ(a->bounds().x(), 0);
    dragGesture(arrow(), {10, 10}, {12.5, 10}, 0, 1);
    EXPECT_EQ(a->bounds().x(), 2.5);
}

} // namespace
} // namespace qv

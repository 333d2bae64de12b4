// The toolbox and its tools driven by made-up events: what each gesture makes
// or changes, with modifiers, the grid, keys, autoscroll and ends from outside;
// the click option and the palette's saved position.

#include "FakeCanvas.h"

#include "framework/foundation/NotificationCenter.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"
#include "tools/RotateTool.h"

#include <cmath>
#include <numbers>
#include <typeinfo>

namespace qv {
namespace {

using testing::box;

class ToolsTest : public testing::ToolTest {
protected:
    ToolsTest() {
        // Paths come out of the toolbox with a visible fill to restore.
        RectangleShape model;
        model.fill().setStyle(FillStyleColor);
        toolbox().setTemplateShape(model);
    }

    Tool &arrow = tool(Toolbox::ArrowToolIndex), &line = tool(Toolbox::LineToolIndex),
         &rect = tool(Toolbox::RectangleToolIndex), &arc = tool(Toolbox::ArcToolIndex),
         &freehand = tool(Toolbox::FreehandToolIndex), &polyline = tool(Toolbox::PolylineToolIndex),
         &bezier = tool(Toolbox::BezierToolIndex);

    std::size_t count() const { return document.shapes().size(); }
    template <class T = Shape> std::shared_ptr<T> last() const {
        return count() ? std::dynamic_pointer_cast<T>(document.shapes().back()) : nullptr;
    }
    // A drawing of one selected box.
    ShapePtr oneBox(Rect r = Rect(0, 0, 50, 50)) {
        install({box(r.x(), r.y(), r.width(), r.height())});
        controller.selectAll();
        return document.shapes()[0];
    }
    // The last shape's path: "M0,0 C1,1 2,2 3,3 Z".
    std::string path() const {
        std::ostringstream out;
        for (const PathElement& e : last<BezierShape>()->bezierPath().elements()) {
            out << (out.tellp() ? " " : "") << "MLCZ"[static_cast<int>(e.type)];
            for (int i = 0; i < e.pointCount(); ++i)
                out << (i ? " " : "") << e.points[i].x << ',' << e.points[i].y;
        }
        return out.str();
    }
};

TEST_F(ToolsTest, DragsPastFiveScreenPixelsDrawAndModifiersShapeThem) {
    canvas.zoomFactor = 2;
    EXPECT_TRUE(Tool::isPointNearPoint({0, 0}, {2.45, 0}, canvas));
    EXPECT_FALSE(Tool::isPointNearPoint({0, 0}, {2.5, 0}, canvas));
    for (double zoom : {1.0, 2.0})
        for (Tool* t : {&line, &rect, &arc}) {
            canvas.zoomFactor = zoom;
            install({});
            dragGesture(*t, {100, 100}, {100 + 4 / zoom, 100});
            dragGesture(*t, {100, 100}, {100 + 6 / zoom, 100});
            click(*t, {0, 0}); // the arc's second phase; a mere click for the others
            EXPECT_EQ(count(), 1u) << "zoom " << zoom;
            EXPECT_EQ(lastAction(), "Insert Shape");
        }
    dragGesture(line, {0, 0}, {10, -7}, ShiftKeyMask);
    EXPECT_EQ(last<LineShape>()->end(), Point(10, -10));
    EXPECT_EQ(last()->fill().style(), FillStyleNone);
    dragGesture(rect, {10, 10}, {50, 30}, ShiftKeyMask);
    EXPECT_EQ(last()->bounds(), Rect(10, 10, 20, 20));
    // Modifiers pressed after the button went down act without a movement.
    play(rect, "p10,10 d50,30 fS fSO rSO50,30");
    EXPECT_EQ(last()->bounds(), Rect(-10, -10, 40, 40));
    // The default grid: 72 points in 8 steps of 9; Command inverts snapping.
    document.grid().setSnap(true);
    dragGesture(rect, {12, 13}, {47, 58});
    EXPECT_EQ(last()->bounds(), Rect(9, 9, 36, 45));
    dragGesture(rect, {12, 13}, {47, 58}, CommandKeyMask);
    EXPECT_EQ(last()->bounds(), Rect(12, 13, 35, 45));
    document.grid().setSnap(false);
    dragGesture(line, {12, 13}, {47, 58}, CommandKeyMask);
    EXPECT_EQ(last<LineShape>()->start(), Point(9, 9));
    EXPECT_EQ(last<LineShape>()->end(), Point(45, 54));
}

TEST_F(ToolsTest, TextArcAndAutoscroll) {
    click(tool(Toolbox::TextToolIndex), {100, 100});
    ASSERT_NE(last<TextShape>(), nullptr);
    EXPECT_EQ(last()->bounds(), Rect(100, 100, 200, 40));
    EXPECT_EQ(canvas.editingShape(), last().get());
    EXPECT_TRUE(canvas.editingCreated);
    // The next shape commits that edit first.
    dragGesture(rect, {10, 10}, {60, 60});
    EXPECT_EQ(canvas.editingShape(), nullptr);
    EXPECT_FALSE(controller.isEditing());
    // Arc angles are measured with the single-precision π.
    play(arc, "p0,0 d10,0 r10,0 m0,10 c0,10");
    ASSERT_NE(last<ArcShape>(), nullptr);
    EXPECT_EQ(last<ArcShape>()->radius(), 10);
    EXPECT_EQ(last<ArcShape>()->angle1(), 0);
    EXPECT_EQ(last<ArcShape>()->angle2(), 89.99999749552191);
    // Drags outside the visible area scroll 10 at every tick, and the drawing
    // under the still pointer follows.
    play(rect, "p900,500 d1005,560 t t");
    EXPECT_TRUE(canvas.timerRunning);
    EXPECT_EQ(canvas.autoscrollSteps, 2);
    EXPECT_EQ(canvas.visible.x(), 20);
    play(rect, "r1025,560");
    EXPECT_FALSE(canvas.timerRunning);
    EXPECT_EQ(last()->bounds(), Rect(900, 500, 125, 60));
    // Back inside, the ticks stop.
    play(rect, "p900,500 d1100,500 d1000,500");
    EXPECT_FALSE(canvas.timerRunning);
    play(rect, "t");
    EXPECT_EQ(canvas.autoscrollSteps, 2);
}

// Scripts of events and the shapes they leave: samples kept apart, closing
// near the start (not over a single segment), Bézier tangents mirrored
// through the anchor and smooth at the closing one, the ways to end or
// abandon a gesture. A path is filled (as the template) exactly when closed.
TEST_F(ToolsTest, MultiClickAndFreehandGesturesMakeTheseShapes) {
    // {tool, script, shapes made, path of the last one}
    const std::tuple<Tool&, const char*, std::size_t, const char*> cases[] = {
        {freehand, "p0,0 d3,0 d6,0 d9,0 d12,0 r12,0", 1, "M0,0 L6,0 L12,0"},
        {freehand, "p0,0 d20,0 d20,20 d0,4 r0,4", 1, "M0,0 L20,0 L20,20 L0,4 Z"},
        {freehand, "p0,0 d20,0 d20,20 d0,6 r0,6", 1, "M0,0 L20,0 L20,20 L0,6"},
        {freehand, "p0,0 d6,0 r3,0", 0, ""},
        {polyline, "c0,0 c100,0 c100,100 c2,1", 1, "M0,0 L100,0 L100,100 Z"},
        {polyline, "c0,0 m100,0 c100,0 C100,0", 1, "M0,0 L100,0"},
        // Return keeps the rubber band to the pointer.
        {polyline, "c0,0 m50,0 c50,0 m50,50 k13", 1, "M0,0 L50,0 L50,50"},
        // A press outside and ending from outside keep only the fixed segments.
        {polyline, "c0,0 m50,0 c50,0 m70,40 o2000,0", 1, "M0,0 L50,0"},
        {polyline, "c0,0 m50,0 c50,0 m80,0 e", 1, "M0,0 L50,0"},
        {polyline, "c0,0 m50,0 c50,0 k27", 0, ""},
        {polyline, "c0,0 m50,0 c50,0 m1,1 c1,1", 0, ""},
        {bezier, "c0,0 p100,0 d130,40 r130,40 c200,100 k3", 1,
         "M0,0 C0,0 70,-40 100,0 C130,40 200,100 200,100"},
        {bezier, "c0,0 c100,0 p100,100 d150,100 r150,100 p3,2 d-20,0 r-20,0", 1,
         "M0,0 C-20,0 100,0 100,0 C100,0 50,100 100,100 C150,100 20,0 0,0 Z"},
        {bezier, "c0,0 c100,0 e", 1, "M0,0 C0,0 100,0 100,0"},
        // Escape abandons an arc in either phase, as does Command-period;
        // Return and ending from outside keep it; a drag ended so is dropped.
        {arc, "p0,0 d30,0 k27 r30,0", 0, ""},
        {arc, "p0,0 d30,0 r30,0 m0,30 kK46", 0, ""},
        {arc, "p0,0 d30,0 r30,0 k13", 1, ""},
        {arc, "p0,0 d30,0 r30,0 e", 1, ""},
        {rect, "p0,0 d50,50 e", 0, ""}};
    for (const auto& [t, script, shapes, expected] : cases) {
        SCOPED_TRACE(script);
        install({});
        play(t, script);
        EXPECT_FALSE(t.isTracking());
        ASSERT_EQ(count(), shapes);
        EXPECT_EQ(undo().undoCount(), shapes);
        if (*expected) {
            EXPECT_EQ(path(), expected);
            EXPECT_EQ(last()->fill().style(),
                      path().ends_with('Z') ? FillStyleColor : FillStyleNone);
        }
    }
}

TEST_F(ToolsTest, ArrowClicksSelectAndDoubleClicksEdit) {
    const ShapePtr a = box(0, 0, 50, 50), b = box(100, 0, 50, 50), c = box(0, 100, 50, 50);
    install({a, b, c});
    click(arrow, {10, 10});
    EXPECT_EQ(controller.selectedObjects(), ShapeList({a}));
    click(arrow, {110, 10}, ShiftKeyMask);
    EXPECT_EQ(controller.selectedObjects(), ShapeList({a, b}));
    // Shift-click on a selected shape takes it out and moves nothing.
    dragGesture(arrow, {10, 10}, {60, 60}, ShiftKeyMask, 1);
    EXPECT_EQ(controller.selectedObjects(), ShapeList({b}));
    EXPECT_EQ(a->bounds(), Rect(0, 0, 50, 50));
    click(arrow, {500, 500});
    EXPECT_TRUE(controller.selectedObjects().empty());
    EXPECT_FALSE(arrow.isTracking());
    // The marquee takes what it touches; with Shift it adds to the selection.
    dragGesture(arrow, {-10, -10}, {120, 20});
    EXPECT_EQ(controller.selectedObjects(), ShapeList({a, b}));
    dragGesture(arrow, {-10, 140}, {10, 160}, ShiftKeyMask);
    EXPECT_EQ(controller.selectedObjects(), ShapeList({a, b, c}));
    EXPECT_FALSE(undo().canUndo());
    // A double click edits paths, and text also inside groups.
    auto path = std::make_shared<BezierShape>();
    path->moveToPoint({0, 0});
    path->lineToPoint({100, 0});
    path->lineToPoint({100, 100});
    install({path});
    play(arrow, "c90,10 C90,10");
    ASSERT_EQ(canvas.editingShape(), path.get());
    // A press on a point without a drag changes nothing and names nothing.
    click(arrow, {100, 0});
    EXPECT_FALSE(undo().canUndo());
    dragGesture(arrow, {100, 0}, {120, 0});
    EXPECT_EQ(path->bezierPath().elementAtIndex(1).points[0], Point(120, 0));
    EXPECT_EQ(lastAction(), "Reshape");
    // A press anywhere else ends the edit.
    click(arrow, {500, 500});
    EXPECT_EQ(canvas.editingShape(), nullptr);

    auto text = std::make_shared<TextShape>();
    text->setBounds(Rect(0, 0, 100, 40));
    const auto group = GroupShape::groupWithShapes({text, box(200, 0, 50, 50)});
    install({group});
    play(arrow, "c10,10 C10,10");
    EXPECT_EQ(canvas.editingShape(), group->shapes()[0].get());
    EXPECT_FALSE(arrow.isTracking());
}

TEST_F(ToolsTest, ArrowMovesInGridStepsAndOptionDuplicatesPastTheClickTolerance) {
    ShapePtr a = oneBox();
    dragGesture(arrow, {10, 10}, {40, 30}, 0, 7);
    EXPECT_EQ(a->bounds(), Rect(30, 20, 50, 50));
    EXPECT_EQ(lastAction(), "Move");
    // {distance, flags, moved by, shapes after}: snapping to steps of 10
    // (spacing 80, 8 minor ticks) unless Command; Option duplicates.
    const std::tuple<double, unsigned, double, std::size_t> cases[] = {{14, 0, 10, 1},
                                                                       {16, 0, 20, 1},
                                                                       {14, CommandKeyMask, 14, 1},
                                                                       {3, AlternateKeyMask, 0, 1},
                                                                       {6, AlternateKeyMask, 6, 2}};
    for (const auto& [by, flags, moved, shapes] : cases) {
        SCOPED_TRACE(::testing::Message() << by << " flags " << flags);
        a = oneBox();
        document.grid().setSpacing(80);
        document.grid().setSnap(flags != AlternateKeyMask);
        dragGesture(arrow, {10, 10}, {10 + by, 10}, flags, 1);
        ASSERT_EQ(count(), shapes);
        EXPECT_EQ(a->bounds().x(), shapes == 2 ? 0 : moved);
        EXPECT_EQ(last()->bounds(), Rect(moved, 0, 50, 50));
        EXPECT_EQ(lastAction(), shapes == 2 ? "Duplicate" : moved ? "Move" : "");
    }
    // Option pressed after the button counts until the move begins, not after.
    for (const bool before : {true, false}) {
        oneBox();
        play(arrow, before ? "p10,10 dO12,10 dO30,10 rO30,10" : "p10,10 d20,10 dO30,10 rO30,10");
        EXPECT_EQ(count(), before ? 2u : 1u);
        EXPECT_EQ(lastAction(), before ? "Duplicate" : "Move");
    }
    // The step closes with the gesture, not when the event loop next closes
    // a group: a change made in between is a step of its own.
    oneBox();
    for (auto [type, p] : {std::pair{ToolEvent::Type::MouseDown, Point(10, 10)},
                           {ToolEvent::Type::MouseDragged, {30, 10}},
                           {ToolEvent::Type::MouseUp, {30, 10}}})
        arrow.handleEvent({type, p}, canvas, controller);
    controller.offset(5, 0);
    undo().endEventGroup();
    EXPECT_EQ(undo().undoCount(), 2u);
}

TEST_F(ToolsTest, ArrowResizesRotatesAndMovesGradientHandles) {
    const ShapePtr a = box(0, 0, 100, 50), top = box(80, 30, 50, 50);
    install({a, top});
    controller.setSelectedObjects({a});
    // A modifier before the first drag does not move the handle.
    document.grid().setSnap(true);
    play(arrow, "p102,52 fS f r102,52");
    EXPECT_FALSE(undo().canUndo());
    document.grid().setSnap(false);
    dragGesture(arrow, {101, 51}, {300, 60}, ShiftKeyMask);
    EXPECT_EQ(a->bounds(), Rect(0, 0, 120, 60));
    EXPECT_EQ(top->bounds(), Rect(80, 30, 50, 50));
    EXPECT_EQ(lastAction(), "Resize");
    // Where two selected shapes share a handle, the later one is resized.
    const ShapePtr b = box(0, 0, 100, 50), c = box(100, 50, 50, 50);
    install({b, c});
    controller.selectAll();
    dragGesture(arrow, {100, 50}, {90, 40});
    EXPECT_EQ(b->bounds(), Rect(0, 0, 100, 50));
    EXPECT_EQ(c->bounds(), Rect(90, 40, 60, 60));
    // Gradient handles win over moving the shape.
    const ShapePtr g = oneBox(Rect(0, 0, 100, 100));
    g->fill().setStyle(FillStyleGradient);
    const Point start = g->gradientStart();
    dragGesture(arrow, start, start + Point(30, 3));
    EXPECT_EQ(g->bounds(), Rect(0, 0, 100, 100));
    EXPECT_NEAR(g->gradientStart().x, start.x + 30, 1e-5);
    EXPECT_NEAR(g->gradientStart().y, start.y + 3, 1e-5);
    // Shift puts the axis upright when the pointer is nearer upright than 30°.
    dragGesture(arrow, g->gradientEnd(), Point(g->gradientStart().x + 10, 0), ShiftKeyMask);
    EXPECT_NEAR(g->gradientEnd().x, g->gradientStart().x, 1e-5);
    const auto at = [](double degrees) {
        const double r = degrees * std::numbers::pi / 180;
        return Point(100 * std::cos(r), 100 * std::sin(r));
    };
    // Free rotation {from, to, flags, rotation}: Shift snaps to 45° from the start;
    // across ±180° it is 20° further (single-precision π), not a turn the other way.
    const std::tuple<double, double, unsigned, double> cases[] = {{10, 62, ShiftKeyMask, 45},
                                                                  {10, 77, ShiftKeyMask, 45},
                                                                  {10, 78, ShiftKeyMask, 90},
                                                                  {170, -170, ShiftKeyMask, 0},
                                                                  {170, -170, 0, 20}};
    for (const auto& [from, to, flags, rotation] : cases) {
        SCOPED_TRACE(::testing::Message() << from << " to " << to);
        const ShapePtr turned = oneBox(Rect(-10, -10, 20, 20));
        canvas.setFreeRotating(true);
        dragGesture(arrow, at(from), at(to), flags, 3);
        EXPECT_NEAR(turned->rotation(), rotation, 1e-4);
        EXPECT_EQ(lastAction(), rotation ? "Free Rotate" : "");
        EXPECT_FALSE(canvas.freeRotating());
    }
    EXPECT_EQ(RotateTool::wrappedDegrees(-180), 180);
    EXPECT_EQ(RotateTool::wrappedDegrees(540), 180);
}

TEST_F(ToolsTest, ToolboxToolsSelectionClickOptionAndPalettePosition) {
    int changes = 0;
    NotificationCenter::defaultCenter().addObserver(this, QVSelectedToolDidChangeNotification,
                                                    &toolbox(),
                                                    [&](const Notification&) { ++changes; });
    // Out of range selects the arrow; only a change is posted.
    toolbox().setSelectedToolIndex(12);
    toolbox().setSelectedToolIndex(3);
    toolbox().setSelectedToolIndex(3);
    EXPECT_EQ(changes, 1);
    toolbox().setSelectedToolIndex(-1);
    EXPECT_EQ(toolbox().selectedToolIndex(), 0u);
    EXPECT_EQ(changes, 2);
    NotificationCenter::defaultCenter().removeObserver(this);

    // {option, double click, selected tool after one use}
    const std::tuple<int, bool, std::size_t> cases[] = {{0, false, 2}, {1, false, 0}, {2, false, 0},
                                                        {1, true, 2},  {2, true, 0},  {0, true, 2}};
    for (const auto& [option, doubleClick, after] : cases) {
        SCOPED_TRACE(::testing::Message() << "option " << option << " double " << doubleClick);
        defaults.setInteger(option, Toolbox::kClickOptionKey);
        toolbox().toolSingleClicked(Toolbox::RectangleToolIndex);
        if (doubleClick)
            toolbox().toolDoubleClicked(Toolbox::RectangleToolIndex);
        EXPECT_EQ(toolbox().isToolMarkedSticky(2), option == 1 && doubleClick);
        dragGesture(toolbox().selectedTool(), {10, 10}, {60, 60});
        EXPECT_EQ(toolbox().selectedToolIndex(), after);
        toolbox().toolSingleClicked(Toolbox::ArrowToolIndex);
        EXPECT_FALSE(toolbox().isToolMarkedSticky(2));
    }
    toolbox().toolDoubleClicked(Toolbox::ArrowToolIndex);
    EXPECT_FALSE(toolbox().isToolMarkedSticky(0)); // the arrow's button is never marked
    // Chosen by its key, a tool stays unless the option is 2.
    for (int option : {1, 2}) {
        defaults.setInteger(option, Toolbox::kClickOptionKey);
        toolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
        dragGesture(toolbox().selectedTool(), {10, 10}, {60, 60});
        EXPECT_EQ(toolbox().selectedToolIndex(), option == 1 ? 2u : 0u);
        toolbox().setSelectedToolIndex(0);
    }
    // The palette's position is saved as its top left corner.
    toolbox().saveState(Rect(100, 500, 60, 300));
    EXPECT_EQ(defaults.dictionaryForKey("Toolbox").at("Position"), Value("{100, 800}"));
    const Rect screen(0, 0, 1440, 877);
    const auto restored = [&] { return toolbox().restoreState({60, 300}, {screen}, screen); };
    EXPECT_EQ(restored(), Rect(100, 500, 60, 300));
    // Off every screen, unreadable or absent: home, 5 points inside the top left.
    const Rect home(5, 572, 60, 300);
    toolbox().saveState(Rect(3000, 500, 60, 300));
    EXPECT_EQ(restored(), home);
    defaults.setObject(Value(Value::Map{{"Position", Value("{100}")}}), "Toolbox");
    EXPECT_EQ(restored(), home);
    defaults.removeObject("Toolbox");
    EXPECT_EQ(restored(), home);
    EXPECT_EQ(Toolbox::pointFromString(" { -2.5 , 1e2 } "), Point(-2.5, 100));
    EXPECT_EQ(Toolbox::pointFromString("{1, 2} x"), std::nullopt);
    // The zoom tool's requests and cursor; the cursor of free rotation.
    Tool& zoom = tool(Toolbox::ZoomToolIndex);
    play(zoom, "c100,50 cO100,50 p10,10 d30,20 d60,40 r60,40 p10,10 d13,12 r13,12");
    EXPECT_EQ(canvas.zoomRequests,
              (std::vector<std::pair<Rect, bool>>{{Rect(100, 50, 0, 0), false},
                                                  {Rect(100, 50, 0, 0), true},
                                                  {Rect(10, 10, 50, 30), false},
                                                  {Rect(10, 10, 0, 0), false}}));
    EXPECT_EQ(zoom.cursorForView(canvas, AlternateKeyMask), CursorKind::ZoomOut);
    EXPECT_EQ(freehand.cursorForView(canvas, 0), CursorKind::Pencil);
    canvas.setFreeRotating(true);
    EXPECT_EQ(arrow.cursorForView(canvas, 0), CursorKind::FreeRotate);
    // Box tools make their kinds of shape, with copies of the template's styles.
    EXPECT_THROW(Toolbox(), ToolboxExistsException); // a single instance
    EXPECT_EQ(Toolbox::toolName(2) + std::string(1, Toolbox::toolKey(2)), "RectangleR");
    ASSERT_EQ(toolbox().toolCount(), 12u);
    RectangleShape model;
    model.stroke().setWidth(7);
    toolbox().setTemplateShape(model);
    model.stroke().setWidth(1);
    const std::pair<std::size_t, const std::type_info*> kinds[] = {
        {Toolbox::RectangleToolIndex, &typeid(RectangleShape)},
        {Toolbox::OvalToolIndex, &typeid(OvalShape)},
        {Toolbox::RoundRectangleToolIndex, &typeid(RoundRectangleShape)},
        {Toolbox::RegularPolygonToolIndex, &typeid(RegularPolygonShape)}};
    for (const auto& [index, kind] : kinds) {
        dragGesture(tool(index), {10, 10}, {60, 60});
        EXPECT_EQ(typeid(*last()), *kind) << Toolbox::toolName(index);
        EXPECT_EQ(last()->stroke().width(), 7);
    }
    last()->stroke().setWidth(3);
    EXPECT_EQ(toolbox().stroke().width(), 7);
}

} // namespace
} // namespace qv

// The shapes controller and the canvas commands: insertion, selection,
// hit-testing, z-order, alignment, groups, duplicates, transforms, the hidden
// animation, pending edits, the selection proxy, validation, the menus'
// command table, Convert to Path, Combine Paths and the Format commands.
#include "canvas/ShapesController.h"
#include "canvas/model/CanvasCommands.h"
#include "canvas/model/MenuCommands.h"
#include "canvas/model/TextCommand.h"
#include "document/DrawDocument.h"
#include "document/RichText.h"
#include "framework/foundation/UndoManager.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace qv {
namespace {

inline ShapePtr rectangle(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(Rect(x, y, w, h));
    return s;
}

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() : controller(&document) {
        controller.setBeepHook([this] { ++beeps; });
    }

    UndoManager& undo() { return document.undoManager(); }
    // Installs the shapes without an undo step.
    void install(const ShapeList& shapes) {
        document.setShapes(shapes);
        undo().removeAllActions();
    }
    ShapeList installRectangles(int n) {
        ShapeList shapes;
        for (int i = 0; i < n; ++i)
            shapes.push_back(rectangle(10.0 * i, 10.0 * i, 20, 20));
        install(shapes);
        return shapes;
    }
    // Runs a command as the event loop would: the step closes with the event.
    void run(std::string_view command) {
        ASSERT_TRUE(controller.performCommand(command)) << command;
        undo().endEventGroup();
    }
    std::string lastActionName() { return undo().undoActionName(); }

    DrawDocument document;
    ShapesController controller;
    int beeps = 0;
};

using IndexSet = ShapesController::IndexSet;

// Each shape's x origin, in list order: enough to tell where shapes went.
std::vector<double> xs(const ShapeList& shapes) {
    std::vector<double> out;
    for (const ShapePtr& s : shapes)
        out.push_back(s->bounds().x());
    return out;
}

std::shared_ptr<LineShape> lineShape(Point from, Point to) {
    auto line = std::make_shared<LineShape>();
    line->setStart(from);
    line->setEnd(to);
    line->updateBounds();
    return line;
}

void expectNear(const Rect& a, const Rect& b) {
    EXPECT_NEAR(a.x(), b.x(), 1e-9);
    EXPECT_NEAR(a.y(), b.y(), 1e-9);
    EXPECT_NEAR(a.width(), b.width(), 1e-9);
    EXPECT_NEAR(a.height(), b.height(), 1e-9);
}

TEST_F(ControllerTest, InsertionSelectsTheNewShapesAndRefusesWhatWouldCorruptTheList) {
    const ShapeList shapes = installRectangles(3);
    const ShapePtr s = rectangle(100, 0, 5, 5), b = rectangle(200, 0, 5, 5);
    // Nothing, a listed shape, one shape twice, a gap, one index twice, no index.
    EXPECT_FALSE(controller.addObject(nullptr));
    EXPECT_FALSE(controller.addObject(shapes[0]));
    EXPECT_FALSE(controller.addObjects({s, s}));
    EXPECT_FALSE(controller.insertObjects({s}, {5}));
    EXPECT_FALSE(controller.insertObjects({s, b}, {1, 1}));
    EXPECT_FALSE(controller.insertObjects({s}, {}));
    EXPECT_EQ(controller.count(), 3u);
    EXPECT_FALSE(undo().canUndo());

    controller.setSelectionIndexes({0, 2});
    ASSERT_TRUE(controller.insertObjects({s, b}, {1, 4}));
    EXPECT_EQ(controller.arrangedObjects()[1], s);
    EXPECT_EQ(controller.arrangedObjects()[4], b);
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{1, 4}));
    ASSERT_TRUE(controller.addObject(rectangle(300, 0, 5, 5)));
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{5}));
    EXPECT_EQ(lastActionName(), "Insert Shape");
}

TEST_F(ControllerTest, SelectionIsNormalisedKeptByObjectAndNoUndoStep) {
    struct Observer : KeyValueObserver {
        void observeValueForKeyPath(std::string_view, KeyValueObservable&, const Value&,
                                    const Value&) override {
            ++calls;
        }
        int calls = 0;
    } observer;
    const ShapeList shapes = installRectangles(4);
    EXPECT_TRUE(controller.setSelectionIndexes({2, 0, 2, 9}));
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{0, 2}));
    EXPECT_FALSE(controller.setSelectionIndexes({0, 2}));
    controller.addSelectionIndexes({1});
    controller.removeSelectionIndexes({0});
    EXPECT_EQ(controller.valueForKey("selectionIndexes"), Value(Value::List{1, 2}));
    // Observers hear of changes only.
    controller.addObserver(&observer, "selectedObjects", 0);
    run("selectAll");
    run("selectAll");
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{0, 1, 2, 3}));
    run("deselectAll");
    EXPECT_TRUE(controller.selectionIndexes().empty());
    EXPECT_EQ(observer.calls, 2);
    controller.removeObserver(&observer);
    EXPECT_FALSE(undo().canUndo());

    controller.setSelectionIndexes({2, 3});
    controller.removeObjectsAtArrangedObjectIndexes({0});
    undo().endEventGroup();
    controller.setSelectedObjects({shapes[2], shapes[3]});
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{1, 2}));
    // Undo puts the first shape back: the same shapes stay selected.
    undo().undo();
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{2, 3}));
    EXPECT_EQ(controller.selectedObjects(), (ShapeList{shapes[2], shapes[3]}));
    // A shape leaving the list leaves the selection.
    document.removeObjectFromShapesAtIndex(3);
    EXPECT_EQ(controller.selectedObjects(), (ShapeList{shapes[2]}));

    // The document knows its latest controller, and forgets a destroyed one.
    EXPECT_EQ(document.shapesController(), &controller);
    {
        ShapesController other(&document);
        EXPECT_EQ(document.shapesController(), &other);
    }
    EXPECT_EQ(document.shapesController(), nullptr);
}

// The controller's quick answer against hit-testing every shape front to back,
// on a grid over `area`: the quick rejection must never hide a hit, and the
// frontmost hit wins.
void expectShapeAtPointAgrees(ShapesController& controller, Rect area, double step) {
    for (double x = area.minX(); x <= area.maxX(); x += step)
        for (double y = area.minY(); y <= area.maxY(); y += step) {
            ShapePtr expected;
            for (auto it = controller.arrangedObjects().rbegin();
                 it != controller.arrangedObjects().rend() && !expected; ++it)
                if ((*it)->hitTestPoint(Point(x, y)))
                    expected = *it;
            ASSERT_EQ(controller.shapeAtPoint(Point(x, y)), expected) << x << ", " << y;
        }
}

TEST_F(ControllerTest, ShapeAtPointAgreesWithHitTestingThroughChangesOfShapesAndMembers) {
    // Overlapping turned shapes, a line, an oval and a group.
    auto oval = std::make_shared<OvalShape>();
    oval->setBounds(Rect(20, 20, 60, 30));
    oval->setRotation(30);
    const auto slanted = lineShape({10, 90}, {90, 10});
    slanted->setRotation(15);
    const ShapePtr turned = rectangle(40, 40, 30, 10);
    turned->setRotation(70);
    install({oval, slanted, turned, GroupShape::groupWithShapes({rectangle(0, 0, 5, 5)})});
    expectShapeAtPointAgrees(controller, {-10, -10, 120, 120}, 1.5);

    const ShapePtr r = rectangle(0, 0, 10, 10);
    install({r, GroupShape::groupWithShapes({rectangle(100, 0, 10, 10)})});
    const auto line = lineShape({0, 500}, {100, 500});
    auto group = std::dynamic_pointer_cast<GroupShape>(controller.arrangedObjects()[1]);
    // Each change, then a query everywhere: a moved shape; a change followed
    // by a change of the list; a member changed directly; a wider stroke;
    // undo changing the list behind the controller's back.
    const std::function<void()> changes[] = {
        [&] { r->offset(Size(200, 0)); },
        [&] {
            r->offset(Size(0, 100));
            controller.addObject(rectangle(300, 300, 5, 5));
        },
        [&] {
            controller.removeObjectsAtArrangedObjectIndexes({2});
            r->offset(Size(0, -100));
        },
        [&] { group->shapes()[0]->offset(Size(0, 300)); },
        [&] { controller.addObject(line); },
        [&] { line->stroke().setWidth(20); },
        [&] {
            undo().endEventGroup();
            undo().undo(); // the stroke width
            undo().undo(); // the insertion
        },
    };
    for (const auto& change : changes) {
        change();
        expectShapeAtPointAgrees(controller, {-5, -5, 320, 520}, 5);
    }
}

TEST_F(ControllerTest, ShapesInRectAndSelectionBounds) {
    const ShapeList shapes = installRectangles(5); // 0,10,..,40, size 20
    // A band across the outlines of the first two, above the third.
    EXPECT_EQ(controller.shapesInRect(Rect(15, 15, 30, 1)), (ShapeList{shapes[0], shapes[1]}));
    EXPECT_TRUE(controller.shapesInRect(Rect(500, 500, 5, 5)).empty());

    const ShapePtr turned = rectangle(0, 0, 20, 10);
    turned->setRotation(90);
    // Shapes never placed have empty bounds; they add nothing to the box and
    // do not drag it towards the origin.
    install({rectangle(0, 0, 10, 10), rectangle(20, 30, 10, 10), turned,
             std::make_shared<RectangleShape>(), std::make_shared<RectangleShape>()});
    const std::pair<IndexSet, Rect> cases[] = {
        {{}, {}}, {{0, 1, 3}, {0, 0, 30, 40}}, {{3, 4}, {}}, {{2}, {5, -5, 10, 20}}};
    for (const auto& [selection, bounds] : cases) {
        controller.setSelectionIndexes(selection);
        expectNear(controller.selectionBounds(), bounds);
    }
}

// Z-order, alignment and distribution: the shapes' boxes in list order after
// one command, and the undo step named by the menu's title. Undoing is the
// random undo invariant's concern.

TEST_F(ControllerTest, ZOrderCommandsKeepOrderAndSelectionOrBeep) {
    // Rectangles 0..n-1; the order after, or none when the command must beep.
    const struct {
        const char* command;
        int n;
        IndexSet selection;
        std::vector<int> order;
        IndexSet selectionAfter;
    } cases[] = {
        {"sendToBack", 6, {2, 5}, {2, 5, 0, 1, 3, 4}, {0, 1}},
        {"bringToFront", 5, {0, 2}, {1, 3, 4, 0, 2}, {3, 4}},
        // Neighbours move one place each.
        {"bringForward", 5, {1, 2}, {0, 3, 1, 2, 4}, {2, 3}},
        {"sendBackward", 5, {1, 2}, {1, 2, 0, 3, 4}, {0, 1}},
        // The frontmost (backmost) shape selected: disabled, and a beep if sent.
        {"bringForward", 4, {1, 3}, {}, {1, 3}},
        {"sendBackward", 4, {0, 2}, {}, {0, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const ShapeList shapes = installRectangles(c.n);
        controller.setSelectionIndexes(c.selection);
        const int beepsBefore = beeps;
        const std::size_t countedBefore = controller.beepCount();
        EXPECT_EQ(controller.validateCommand(c.command), !c.order.empty());
        run(c.command);
        ShapeList expected = shapes;
        for (std::size_t i = 0; i < c.order.size(); ++i)
            expected[i] = shapes[std::size_t(c.order[i])];
        EXPECT_EQ(controller.arrangedObjects(), expected);
        EXPECT_EQ(controller.selectionIndexes(), c.selectionAfter);
        EXPECT_EQ(beeps - beepsBefore, c.order.empty() ? 1 : 0);
        EXPECT_EQ(controller.beepCount() - countedBefore, c.order.empty() ? 1u : 0u);
        EXPECT_EQ(undo().canUndo() ? lastActionName() : "",
                  c.order.empty() ? "" : menuTitleForCommand(c.command));
    }
    controller.setSelectionIndexes({1, 3});
    EXPECT_FALSE(controller.validateCommand("bringToFront"));
}

TEST_F(ControllerTest, AlignAndDistributeMoveEveryShapeOntoTheCommonBox) {
    // Every shape selected; the origins (x, y) of the shapes after.
    const std::vector<Rect> two = {{0, 0, 10, 10}, {30, 40, 20, 20}};
    const std::vector<Rect> aligned = {{5, 0, 10, 10}, {5, 50, 30, 10}};
    const std::vector<Rect> row = {{0, 0, 10, 10}, {30, 0, 10, 10}, {90, 0, 10, 10}};
    // List order differs from the sorted order.
    const std::vector<Rect> unsorted = {{100, 0, 5, 5}, {0, 0, 5, 5}, {10, 0, 5, 5}};
    // Heights 40 each within a span of 60: gap (60 - 120) / 2 = -30.
    const std::vector<Rect> overlapping = {{0, 0, 5, 40}, {0, 5, 5, 40}, {0, 20, 5, 40}};
    // Centres 5, 22, 110 → 57.5; bottoms 10, 37, 120 → 65.
    const std::vector<Rect> column = {{0, 0, 10, 10}, {0, 7, 10, 30}, {0, 100, 10, 20}};
    const struct {
        const char* command;
        const std::vector<Rect>& before;
        std::vector<double> origins;
    } cases[] = {
        {"alignRightEdges", two, {40, 0, 30, 40}},
        {"alignCentersHorizontally", two, {0, 25, 30, 20}},
        {"alignTopEdges", two, {0, 0, 30, 0}},
        {"alignCentersVertically", two, {20, 0, 15, 40}},
        {"alignLeftEdges", aligned, {5, 0, 5, 50}},
        {"distributeLeftEdges", unsorted, {100, 0, 0, 0, 50, 0}},
        {"distributeHorizontalGaps", row, {0, 0, 45, 0, 90, 0}},
        {"distributeVerticalGaps", overlapping, {0, 0, 0, 10, 0, 20}},
        {"distributeCentersInColumn", column, {0, 0, 0, 42.5, 0, 100}},
        {"distributeBottomEdges", column, {0, 0, 0, 35, 0, 100}},
        {"distributeLeftEdges", two, {0, 0, 30, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        ShapeList shapes;
        for (const Rect& r : c.before)
            shapes.push_back(rectangle(r.x(), r.y(), r.width(), r.height()));
        install(shapes);
        controller.selectAll();
        EXPECT_TRUE(controller.validateCommand(c.command));
        run(c.command);
        bool changed = false;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            const Rect& was = c.before[i];
            EXPECT_EQ(shapes[i]->bounds(),
                      Rect(c.origins[2 * i], c.origins[2 * i + 1], was.width(), was.height()));
            changed = changed || shapes[i]->bounds() != was;
        }
        EXPECT_EQ(undo().canUndo() ? lastActionName() : "",
                  changed ? menuTitleForCommand(c.command) : "");
    }
    // One shape: nothing to align. Already aligned, and two shapes to
    // distribute: nothing to do.
    install({rectangle(5, 0, 10, 10), rectangle(5, 50, 30, 10)});
    controller.setSelectionIndexes({0});
    EXPECT_FALSE(controller.validateCommand("alignLeftEdges"));
    controller.selectAll();
    EXPECT_FALSE(controller.alignXBy(1, 0));
    EXPECT_FALSE(controller.distributeXBy(1, 1));

    // A horizontal line has a box of no height, which still counts.
    const auto line = lineShape({0, 100}, {50, 100});
    const ShapePtr r = rectangle(0, 0, 10, 10);
    install({r, line});
    controller.selectAll();
    run("alignBottomEdges");
    EXPECT_EQ(r->transformedBounds().maxY(), line->transformedBounds().maxY());
    EXPECT_NEAR(r->bounds().maxY(), 100, 1e-9);

    // Sort keys: minX 0 < 5, midX 5 < 6, maxX 10 > 7, minY 10 > 0, midY 15 < 20,
    // maxY 20 < 40; an unknown key compares equal.
    const ShapePtr a = rectangle(0, 10, 10, 10), b = rectangle(5, 0, 2, 40);
    const int expected[] = {-1, -1, 1, 1, -1, -1, 0};
    for (int key = 0; key <= 6; ++key) {
        EXPECT_EQ(ShapesController::shapeSort(*a, *b, key), expected[key]) << key;
        EXPECT_EQ(ShapesController::shapeSort(*b, *a, key), -expected[key]) << key;
    }
    EXPECT_EQ(ShapesController::shapeSort(*a, *a, 0), 0);
}

TEST_F(ControllerTest, GroupAppendsTheGroupAndUngroupSelectsOnlyTheMembers) {
    const ShapeList shapes = installRectangles(5);
    controller.setSelectionIndexes({1, 2, 3});
    run("group");
    ASSERT_EQ(controller.count(), 3u);
    EXPECT_EQ(controller.arrangedObjects()[0], shapes[0]);
    EXPECT_EQ(controller.arrangedObjects()[1], shapes[4]);
    auto group = std::dynamic_pointer_cast<GroupShape>(controller.arrangedObjects()[2]);
    ASSERT_TRUE(group);
    EXPECT_EQ(xs(group->shapes()), (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{2}));
    EXPECT_EQ(lastActionName(), "Group");

    // A group and a rectangle ungrouped: the members come last, selected.
    group = GroupShape::groupWithShapes({rectangle(10, 0, 5, 5), rectangle(20, 0, 5, 5)});
    install({group, rectangle(0, 0, 5, 5), rectangle(30, 0, 5, 5)});
    controller.setSelectionIndexes({0, 1});
    EXPECT_TRUE(controller.validateCommand("ungroup"));
    run("ungroup");
    EXPECT_EQ(xs(controller.arrangedObjects()), (std::vector<double>{0, 30, 10, 20}));
    EXPECT_EQ(controller.arrangedObjects()[2], group->shapes()[0]);
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{2, 3}));
    EXPECT_EQ(lastActionName(), "Ungroup");
    controller.setSelectionIndexes({0});
    EXPECT_FALSE(controller.validateCommand("ungroup"));

    // Grouping needs two shapes, none nested too deeply.
    ShapePtr deep = rectangle(0, 0, 5, 5);
    for (std::size_t i = 0; i < GroupShape::kMaxGroupDepth; ++i)
        deep = GroupShape::groupWithShapes({deep});
    install({deep, rectangle(10, 10, 5, 5)});
    beeps = 0;
    for (const IndexSet& selection : {IndexSet{1}, IndexSet{0, 1}}) {
        controller.setSelectionIndexes(selection);
        EXPECT_FALSE(controller.validateCommand("group"));
        run("group");
    }
    EXPECT_EQ(controller.count(), 2u);
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(undo().canUndo());
}

TEST_F(ControllerTest, DuplicateRepeatsTheDisplacementOfTheLastCopiesUntilTheSelectionChanges) {
    document.grid().setSpacing(72);
    document.grid().setMinorTicks(8);
    ASSERT_EQ(document.grid().minorSpacing(), 9);
    const ShapePtr a = rectangle(0, 0, 10, 10), b = rectangle(20, 20, 10, 10);
    install({a, b});
    controller.selectAll();
    run("duplicate");
    ASSERT_EQ(controller.count(), 4u);
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{2, 3}));
    EXPECT_EQ(controller.arrangedObjects()[2]->bounds(), Rect(9, 9, 10, 10));
    EXPECT_EQ(controller.arrangedObjects()[3]->bounds(), Rect(29, 29, 10, 10));
    EXPECT_EQ(lastActionName(), "Duplicate");
    EXPECT_TRUE(controller.usesDuplicateOffset());
    // The originals are untouched; the copies are new shapes.
    EXPECT_EQ(a->bounds(), Rect(0, 0, 10, 10));
    EXPECT_NE(controller.arrangedObjects()[2], a);

    // A drag of the copies leaves the selection as it was.
    controller.offset(40, 0);
    undo().endEventGroup();
    run("duplicate");
    ASSERT_EQ(controller.count(), 6u);
    EXPECT_EQ(controller.arrangedObjects()[4]->bounds(), Rect(49 + 49, 18, 10, 10));
    EXPECT_EQ(controller.arrangedObjects()[5]->bounds(), Rect(69 + 49, 38, 10, 10));
    // Undoing a duplicate ends the repeated displacement.
    undo().undo();
    EXPECT_EQ(controller.count(), 4u);
    EXPECT_FALSE(controller.usesDuplicateOffset());
    undo().redo();

    // With nothing selected, nothing changes.
    const Rect original = controller.originalBounds();
    controller.deselectAll();
    ASSERT_FALSE(controller.usesDuplicateOffset());
    const std::size_t steps = undo().undoCount();
    EXPECT_FALSE(controller.validateCommand("duplicate"));
    run("duplicate");
    EXPECT_EQ(controller.count(), 6u);
    EXPECT_EQ(controller.originalBounds(), original);
    EXPECT_EQ(undo().undoCount(), steps);

    // Any change of the selection falls back to one minor grid step.
    controller.setSelectionIndexes({0});
    run("duplicate");
    EXPECT_EQ(controller.arrangedObjects()[6]->bounds(), Rect(9, 9, 10, 10));
}

TEST_F(ControllerTest, OffsetRotationAndFlips) {
    const ShapePtr a = rectangle(0, 0, 10, 10), b = rectangle(20, 0, 10, 10);
    install({a, b});
    controller.selectAll();
    controller.offset(5, -5);
    EXPECT_EQ(a->bounds(), Rect(5, -5, 10, 10));
    EXPECT_EQ(b->bounds(), Rect(25, -5, 10, 10));
    // Names come from the document's observation, not the controller.
    EXPECT_EQ(lastActionName(), "Edit");
    undo().endEventGroup();

    // A quarter turn about (20, 0): centres (5, 5) → (15, -15), (25, 5) → (15, 5).
    controller.offset(-5, 5);
    undo().endEventGroup();
    controller.rotateByDegrees(90, Point(20, 0));
    EXPECT_NEAR(a->position().x, 15, 1e-9);
    EXPECT_NEAR(a->position().y, -15, 1e-9);
    EXPECT_NEAR(b->position().x, 15, 1e-9);
    EXPECT_NEAR(b->position().y, 5, 1e-9);
    EXPECT_EQ(b->rotation(), 90);
    undo().endEventGroup();

    a->setRotation(30);
    controller.setSelectionIndexes({0});
    run("flipHorizontally");
    EXPECT_EQ(a->rotation(), 330);
    EXPECT_EQ(lastActionName(), "Flip Horizontally");
    run("flipVertically");
    EXPECT_EQ(a->rotation(), 30);
    EXPECT_EQ(lastActionName(), "Flip Vertically");
}

ShapePtr textShape(const std::string& text) {
    auto t = std::make_shared<TextShape>();
    t->setBounds(Rect(0, 0, 100, 20));
    t->setRichText(RichText::fromPlainText(text));
    return t;
}

TEST_F(ControllerTest, OnlyRemovingTheExactTriggerTextAloneStartsTheHiddenAnimation) {
    int starts = 0;
    std::size_t countAtStart = 99;
    controller.setHiddenAnimationHook([&] {
        ++starts;
        countAtStart = controller.count();
    });
    struct LabelShape : TextShape {};
    auto label = std::make_shared<LabelShape>();
    label->setRichText(RichText::fromPlainText("my butt hurts"));
    const struct {
        ShapeList shapes;
        IndexSet selection;
        int starts;
    } cases[] = {
        {{rectangle(0, 0, 1, 1), textShape("My Butt Hurts, said the duck")}, {1}, 1},
        {{textShape("my butt hurts"), rectangle(0, 0, 1, 1)}, {0, 1}, 0}, // two shapes
        {{textShape("my butt hurt")}, {0}, 0},                            // one letter short
        {{textShape("  my butt hurts")}, {0}, 0},                         // leading spaces
        {{label}, {0}, 0},                                                // not a text shape
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shapes.size());
        starts = 0;
        install(c.shapes);
        controller.setSelectionIndexes(c.selection);
        run("remove");
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(controller.count(), c.shapes.size() - c.selection.size());
        if (c.starts) {
            EXPECT_EQ(countAtStart, controller.count()); // gone when it starts
        }
        EXPECT_EQ(lastActionName(), "Delete Shape");
        EXPECT_TRUE(controller.selectionIndexes().empty());
    }
}

class FakeEditor : public EditingObject {
public:
    FakeEditor(ShapesController& c, Shape& s) : controller(c), shape(s) {}
    bool commitEditing() override {
        shape.setBounds(Rect(1, 2, 3, 4));
        controller.objectDidEndEditing(this);
        ++commits;
        return true;
    }
    ShapesController& controller;
    Shape& shape;
    int commits = 0;
};

TEST_F(ControllerTest, AddingAShapeKeepsThePendingEditASeparateStep) {
    const ShapePtr edited = rectangle(0, 0, 10, 10);
    install({edited});
    FakeEditor editor(controller, *edited);
    controller.objectDidBeginEditing(&editor);
    ASSERT_TRUE(controller.isEditing());
    const ShapePtr added = rectangle(50, 50, 5, 5);
    controller.addShape(added);
    EXPECT_EQ(editor.commits, 1);
    EXPECT_FALSE(controller.isEditing());
    EXPECT_TRUE(undo().groupsByEvent());
    EXPECT_EQ(undo().groupingLevel(), 0);
    ASSERT_EQ(undo().undoCount(), 2u);
    EXPECT_EQ(undo().undoActionName(), "Insert Shape");
    EXPECT_EQ(controller.selectedObjects(), (ShapeList{added}));
    undo().undo();
    EXPECT_EQ(controller.count(), 1u);
    EXPECT_EQ(edited->bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(undo().undoActionName(), "Edit");
    undo().undo();
    EXPECT_EQ(edited->bounds(), Rect(0, 0, 10, 10));

    // Without a pending edit, one step.
    undo().removeAllActions();
    controller.addShape(rectangle(5, 5, 5, 5));
    undo().endEventGroup();
    EXPECT_EQ(undo().undoCount(), 1u);
    EXPECT_EQ(controller.selectionIndexes(), (IndexSet{1}));
}

TEST_F(ControllerTest, SelectionProxyAnswersCommonValuesAndMarkers) {
    const ShapePtr a = rectangle(0, 0, 10, 10), b = rectangle(20, 0, 10, 10);
    install({a, b});
    EXPECT_TRUE(controller.valueForKeyPath("selection.stroke.width").isNoSelection());
    controller.selectAll();
    a->stroke().setWidth(2);
    b->stroke().setWidth(2);
    EXPECT_EQ(controller.valueForKeyPath("selection.stroke.width"), Value(2.0));
    b->stroke().setWidth(3);
    EXPECT_TRUE(controller.valueForKeyPath("selection.stroke.width").isMultipleValues());
    undo().endEventGroup();

    EXPECT_TRUE(controller.setValueForKeyPath(Value(5.0), "selection.stroke.width"));
    EXPECT_EQ(a->stroke().width(), 5);
    EXPECT_EQ(b->stroke().width(), 5);
    EXPECT_EQ(lastActionName(), "Edit");
    // A marker handed back by a control writes nothing.
    EXPECT_FALSE(controller.setValueForKeyPath(Value::multipleValues(), "selection.stroke.width"));
    undo().endEventGroup();
    undo().undo();
    EXPECT_EQ(b->stroke().width(), 3);

    controller.setSelectionIndexes({0});
    EXPECT_EQ(controller.selection().valueForKeyPath("stroke.width"), Value(2.0));
}

TEST_F(ControllerTest, ValidationFollowsTheSelection) {
    EXPECT_FALSE(controller.validateCommand("selectAll"));
    installRectangles(3);
    // Commands enabled (+) or disabled (-) for each selection of three rectangles.
    const std::pair<IndexSet, std::vector<std::string>> cases[] = {
        {{},
         {"+selectAll", "-remove", "-duplicate", "-flipHorizontally", "-flipVertically",
          "-bringForward", "-sendToBack", "-group", "-ungroup", "-alignTopEdges",
          "+distributeLeftEdges", "+distributeVerticalGaps", "+deselectAll"}},
        {{1},
         {"+remove", "+duplicate", "+flipHorizontally", "+flipVertically", "+bringForward",
          "+bringToFront", "+sendBackward", "+sendToBack", "-alignBottomEdges"}},
        {{0, 1},
         {"+bringForward", "-sendBackward", "-sendToBack", "+group", "+alignCentersHorizontally",
          "-cut"}},
    };
    for (const auto& [selection, commands] : cases) {
        controller.setSelectionIndexes(selection);
        for (const std::string& c : commands)
            EXPECT_EQ(controller.validateCommand(c.substr(1)), c[0] == '+') << c;
    }
    EXPECT_FALSE(controller.performCommand("cut"));
    EXPECT_FALSE(controller.performCommand("alignLeftEdges:"));
}

TEST(MenuCommands, EveryCommandHasOneTitleOneMenuEntryAndRunsOnAnEmptyDrawing) {
    DrawDocument document;
    ShapesController controller(&document);
    std::set<std::string_view> names, titles;
    for (const MenuCommand& command : shapesControllerMenuCommands()) {
        EXPECT_TRUE(names.insert(command.name).second) << command.name;
        EXPECT_TRUE(titles.insert(command.title).second) << command.title;
        EXPECT_FALSE(command.title.empty());
        EXPECT_TRUE(controller.respondsToCommand(command.name)) << command.name;
        EXPECT_EQ(menuTitleForCommand(command.name), command.title);
        EXPECT_TRUE(controller.performCommand(command.name)) << command.name;
        // In the menu its table names, titled by the table so undo names agree.
        const MenuItemDefinition* entry = findMenuItem(command.name);
        ASSERT_NE(entry, nullptr) << command.name;
        EXPECT_EQ(entry->menu, command.menu) << command.name;
        EXPECT_TRUE(entry->title.empty()) << command.name;
    }
    EXPECT_EQ(names.size(), 26u);
    EXPECT_EQ(menuTitleForCommand("alignLeftEdges"), "Align Left Edges");
    EXPECT_EQ(menuTitleForCommand("nothing"), "");
    EXPECT_EQ(findMenuCommand("nothing"), nullptr);
    EXPECT_EQ(findMenuItem("noSuchCommand"), nullptr);

    // Every entry of the layout: in a declared menu, no menu empty, no name twice.
    using Kind = MenuItemDefinition::Kind;
    std::set<std::string_view> menus(mainMenuTitles().begin(), mainMenuTitles().end()), used,
        commands;
    for (const MenuItemDefinition& entry : menuLayout()) {
        EXPECT_TRUE(menus.count(entry.menu)) << entry.name << " in undeclared " << entry.menu;
        used.insert(entry.menu);
        if (entry.kind == Kind::Submenu) {
            EXPECT_TRUE(menus.insert(entry.name).second) << "submenu twice: " << entry.name;
        }
        if (entry.kind == Kind::Command) {
            EXPECT_TRUE(commands.insert(entry.name).second) << "command twice: " << entry.name;
            EXPECT_EQ(findMenuItem(entry.name), &entry);
        } else {
            EXPECT_TRUE(entry.shortcut.empty()) << entry.name;
        }
    }
    EXPECT_EQ(used, menus);
}

MenuItemState validate(std::string_view name, ShapeList selected, double zoom = 1,
                       bool editing = false) {
    const std::optional<MenuItemState> state =
        validateCanvasCommand(name, {zoom, editing, std::move(selected)});
    EXPECT_TRUE(state) << name;
    return state.value_or(MenuItemState{});
}

TEST(CanvasCommands, ValidationAndTitles) {
    const ShapePtr rect = rectangle(0, 0, 10, 10);
    const auto text = std::make_shared<TextShape>();
    const auto path = rect->bezierShape();
    const auto groupWithText = GroupShape::groupWithShapes({rectangle(0, 0, 5, 5), text});
    const auto nested = GroupShape::groupWithShapes({groupWithText});

    struct Case {
        const char* name;
        ShapeList selected;
        double zoom;
        bool editing;
        bool enabled;
        const char* title;
    };
    const Case cases[] = {
        {"editSelectedShape", {path}, 1, false, true, "Edit Path"},
        {"editSelectedShape", {text}, 1, false, true, "Edit Text"},
        {"editSelectedShape", {text}, 1, true, false, "Edit Shape"},
        {"editSelectedShape", {rect}, 1, false, false, "Edit Shape"},
        {"editSelectedShape", {path, text}, 1, false, false, "Edit Shape"},
        {"editSelectedShape", {}, 1, false, false, "Edit Shape"},
        {"zoomIn", {}, 8, false, true, ""},
        {"zoomIn", {}, 16, false, false, ""},
        {"zoomOut", {}, 0.25, false, false, ""},
        {"zoomActualSize", {}, 1, false, false, ""},
        {"zoomActualSize", {}, 1.0000001, false, true, ""},
        {"zoomToSelection", {}, 1, false, false, ""},
        {"freeRotate", {rect}, 1, false, true, ""},
        {"convertToBezierCurve", {rect}, 1, false, true, ""},
        {"convertToBezierCurve", {path}, 1, false, false, ""},
        {"convertToBezierCurve", {rect, rect}, 1, false, false, ""},
        {"combineBezierCurves", {rect, path}, 1, false, true, ""},
        {"combineBezierCurves", {rect, text}, 1, false, false, ""},
        {"underline", {nested}, 1, false, true, ""},
        {"alignJustified", {rect, path}, 1, false, false, ""},
        {"changeFont", {text}, 1, false, true, ""},
    };
    for (const Case& c : cases) {
        const MenuItemState s = validate(c.name, c.selected, c.zoom, c.editing);
        EXPECT_EQ(s.enabled, c.enabled) << c.name << " with " << c.selected.size();
        EXPECT_EQ(s.title, c.title) << c.name;
    }
    EXPECT_FALSE(validateCanvasCommand("group", {}));
    EXPECT_EQ(textShapesIn({rect, nested, text}).size(), 2u);
}

TEST_F(ControllerTest, ConvertToPathKeepsIndexesAndSelectsTheNewShapes) {
    const auto text = std::make_shared<TextShape>();
    const ShapePtr oval = std::make_shared<OvalShape>();
    oval->setBounds({10, 10, 40, 20});
    oval->setRotation(30);
    install({rectangle(0, 0, 5, 5), oval, text});
    controller.setSelectionIndexes({1, 2});
    const std::optional<BezierPath> before = oval->transformedPath();

    const ShapeList made = convertToBezierCurve(controller);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[1], made[0]);
    EXPECT_EQ(controller.arrangedObjects()[2], text);
    EXPECT_EQ(controller.selectionIndexes(), (ShapesController::IndexSet{1}));
    EXPECT_EQ(lastActionName(), "Convert to Path");
    // Same place on the page.
    const Rect a = before->bounds(), b = made[0]->transformedPath()->bounds();
    EXPECT_NEAR(a.x(), b.x(), 1e-6);
    EXPECT_NEAR(a.maxY(), b.maxY(), 1e-6);

    undo().endEventGroup();
    undo().undo();
    EXPECT_EQ(controller.arrangedObjects()[1], oval);

    controller.setSelectionIndexes({2});
    EXPECT_TRUE(convertToBezierCurve(controller).empty());
}

TEST_F(ControllerTest, CombineJoinsOutlinesInListOrderWithTheFirstContributorsStyles) {
    // The documented case: a text shape at 0 and a rectangle at 1.
    const auto text = std::make_shared<TextShape>();
    text->setBounds({0, 0, 50, 20});
    const ShapePtr rect = rectangle(100, 100, 30, 30);
    rect->fill().setColor(Color(1, 0, 0, 1));
    rect->stroke().setWidth(4);
    install({text, rect});
    controller.setSelectionIndexes({0, 1});

    const ShapePtr combined = combineBezierCurves(controller);
    ASSERT_TRUE(combined);
    ASSERT_EQ(controller.count(), 2u);
    EXPECT_EQ(controller.arrangedObjects()[0], combined);
    EXPECT_EQ(controller.arrangedObjects()[1], text);
    EXPECT_EQ(combined->fill().color(), Color(1, 0, 0, 1));
    EXPECT_EQ(combined->stroke().width(), 4);
    EXPECT_EQ(combined->path()->windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(lastActionName(), "Combine Paths");
    EXPECT_EQ(controller.selectedObjects(), ShapeList{combined});

    // Outlines joined in list order at the backmost index.
    const ShapePtr a = rectangle(0, 0, 10, 10), b = rectangle(50, 0, 10, 10);
    const auto line = std::make_shared<LineShape>();
    line->setBounds({0, 40, 80, 0.1});
    const auto path = rectangle(0, 80, 10, 10)->bezierShape();
    install({rectangle(200, 200, 1, 1), a, b, line, path});
    controller.setSelectionIndexes({1, 3, 4});

    const ShapePtr joined = combineBezierCurves(controller);
    ASSERT_TRUE(joined);
    EXPECT_EQ(controller.arrangedObjects(),
              (ShapeList{controller.arrangedObjects()[0], joined, b}));
    // The union of the three outlines.
    EXPECT_NEAR(joined->bounds().minY(), 0, 1e-9);
    EXPECT_NEAR(joined->bounds().maxY(), 90, 1e-9);

    undo().endEventGroup();
    undo().undo();
    EXPECT_EQ(controller.count(), 5u);
    EXPECT_EQ(controller.arrangedObjects()[3], line);

    // Only text selected: nothing contributes, nothing changes.
    install({text});
    controller.setSelectionIndexes({0});
    EXPECT_FALSE(combineBezierCurves(controller));
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{text});
}

using Kind = TextCommand::Kind;

TextAttributes font(double size, bool bold = false, bool italic = false, bool underline = false) {
    TextAttributes a;
    a.fontFamily = "Times";
    a.fontSize = size;
    a.bold = bold;
    a.italic = italic;
    a.underline = underline;
    return a;
}

// Two runs, an empty line and a line of its own: every kind of run the
// commands must reach.
RichText sample(std::array<TextAttributes, 4> runs, TextAlignment alignment = TextAlignment::Left) {
    return RichText({{alignment, {{"ab", runs[0]}, {"cd", runs[1]}}},
                     {alignment, {{"", runs[2]}}},
                     {alignment, {{"ef", runs[3]}}}});
}

TextCommand command(Kind kind) {
    TextCommand c;
    c.kind = kind;
    c.font = font(20.3, true);
    c.font.fontFamily = " Courier ";
    c.color = Color(0.5, 0.25, 1.0, 0.5);
    c.alignment = TextAlignment::Center;
    return c;
}

TEST(TextCommand, ChangesEveryRunAsTheCommandDecidesFromAllOfThem) {
    const TextAttributes plain = font(12), bold = font(12, true), italic = font(12, false, true),
                         underlined = font(12, false, false, true);
    TextAttributes red = font(9, false, true, true), courier = font(20.5, true);
    red.color = Color(1, 0, 0);
    courier.fontFamily = "Courier";
    TextAttributes redCourier = courier;
    redCourier.underline = true;
    redCourier.color = red.color;
    TextAttributes coloured = plain;
    coloured.color = RichText::normalizedColor(command(Kind::SetColor).color);

    const struct {
        const char* name;
        Kind kind;
        RichText before, after;
    } cases[] = {
        {"bold on where one run lacks it", Kind::AddBold, sample({plain, bold, bold, bold}),
         sample({bold, bold, bold, bold})},
        {"bold off where every run has it", Kind::AddBold, sample({bold, bold, bold, bold}),
         sample({plain, plain, plain, plain})},
        {"bold on when only the empty line lacks it", Kind::AddBold,
         sample({bold, bold, plain, bold}), sample({bold, bold, bold, bold})},
        {"italic on", Kind::AddItalic, sample({italic, plain, italic, italic}),
         sample({italic, italic, italic, italic})},
        {"underline added when the first run lacks it", Kind::ToggleUnderline,
         sample({plain, underlined, plain, plain}),
         sample({underlined, underlined, underlined, underlined})},
        {"underline removed when the first run has it", Kind::ToggleUnderline,
         sample({underlined, plain, plain, plain}), sample({plain, plain, plain, plain})},
        {"bigger by a point up to the largest size", Kind::Bigger,
         sample({plain, font(1637.5), font(1638), font(7.5)}),
         sample({font(13), font(1638), font(1638), font(8.5)})},
        {"smaller by a point down to the smallest size", Kind::Smaller,
         sample({plain, font(1.5), font(1), font(7.5)}),
         sample({font(11), font(1), font(1), font(6.5)})},
        {"font: family, size, bold, italic; underline and colour kept", Kind::SetFont,
         sample({plain, red, font(30), italic}), sample({courier, redCourier, courier, courier})},
        {"colour as the model keeps colours", Kind::SetColor, sample({plain, plain, plain, plain}),
         sample({coloured, coloured, coloured, coloured})},
        {"alignment of every paragraph", Kind::SetAlignment, sample({plain, bold, plain, plain}),
         sample({plain, bold, plain, plain}, TextAlignment::Center)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RichText text = c.before;
        applyTextCommand(text, command(c.kind));
        EXPECT_EQ(text, c.after);
    }
}
} // namespace
} // namespace qv

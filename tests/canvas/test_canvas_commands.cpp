#include "ControllerTestSupport.h"

#include "canvas/model/CanvasCommands.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

namespace qv {
namespace {

using testing::ControllerTest;
using testing::rectangle;

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

TEST_F(ControllerTest, CombineTakesStylesFromTheFirstContributingShape) {
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
}

TEST_F(ControllerTest, CombineJoinsOutlinesInListOrderAtTheBackmostIndex) {
    const ShapePtr a = rectangle(0, 0, 10, 10), b = rectangle(50, 0, 10, 10);
    const auto line = std::make_shared<LineShape>();
    line->setBounds({0, 40, 80, 0.1});
    const auto path = rectangle(0, 80, 10, 10)->bezierShape();
    install({rectangle(200, 200, 1, 1), a, b, line, path});
    controller.setSelectionIndexes({1, 3, 4});

    const ShapePtr combined = combineBezierCurves(controller);
    ASSERT_TRUE(combined);
    EXPECT_EQ(controller.arrangedObjects(),
              (ShapeList{controller.arrangedObjects()[0], combined, b}));
    // The union of the three outlines.
    EXPECT_NEAR(combined->bounds().minY(), 0, 1e-9);
    EXPECT_NEAR(combined->bounds().maxY(), 90, 1e-9);

    undo().endEventGroup();
    undo().undo();
    EXPECT_EQ(controller.count(), 5u);
    EXPECT_EQ(controller.arrangedObjects()[3], line);

    // Only text selected: nothing contributes, nothing changes.
    const auto text = std::make_shared<TextShape>();
    install({text});
    controller.setSelectionIndexes({0});
    EXPECT_FALSE(combineBezierCurves(controller));
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{text});
}

} // namespace
} // namespace qv

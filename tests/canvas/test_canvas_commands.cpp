// Canvas commands: validation and titles, Convert to Path, Combine Paths,
// and the Format menu's commands on rich text.
#include "ControllerTestSupport.h"

#include "canvas/model/CanvasCommands.h"
#include "canvas/model/TextCommand.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <array>

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

// The toolbox: its tools in palette order, selection and the notification,
// the click option with its kept marks, the single instance, the template
// styles and the palette's saved position.

#include "FakeCanvas.h"

#include "framework/foundation/NotificationCenter.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "styles/Stroke.h"

#include <typeinfo>

namespace qv {
namespace {

using testing::ToolTest;

class ToolboxTest : public ToolTest {
protected:
    ToolboxTest() {
        NotificationCenter::defaultCenter().addObserver(this, QVSelectedToolDidChangeNotification,
                                                        &toolbox(),
                                                        [this](const Notification&) { ++changes; });
    }
    ~ToolboxTest() override { NotificationCenter::defaultCenter().removeObserver(this); }

    void setClickOption(int option) { defaults.setInteger(option, Toolbox::kClickOptionKey); }
    // A finished rectangle gesture with the selected tool.
    void useSelectedTool() { dragGesture(toolbox().selectedTool(), {10, 10}, {60, 60}); }

    int changes = 0;
};

TEST_F(ToolboxTest, TheBoxToolsMakeTheirOwnKindsOfShape) {
    ASSERT_EQ(toolbox().toolCount(), 12u);
    const std::pair<std::size_t, const std::type_info*> kinds[] = {
        {Toolbox::RectangleToolIndex, &typeid(RectangleShape)},
        {Toolbox::OvalToolIndex, &typeid(OvalShape)},
        {Toolbox::RoundRectangleToolIndex, &typeid(RoundRectangleShape)},
        {Toolbox::RegularPolygonToolIndex, &typeid(RegularPolygonShape)}};
    for (const auto& [index, kind] : kinds) {
        dragGesture(tool(index), {10, 10}, {60, 60});
        EXPECT_EQ(typeid(*document.shapes().back()), *kind) << Toolbox::toolName(index);
    }
    EXPECT_EQ(std::string(Toolbox::toolName(2)) + " (" + Toolbox::toolKey(2) + ")",
              "Rectangle (R)");
    EXPECT_EQ(tool(Toolbox::FreehandToolIndex).cursorForView(canvas, 0), CursorKind::Pencil);
    canvas.setFreeRotating(true);
    EXPECT_EQ(tool(0).cursorForView(canvas, 0), CursorKind::FreeRotate);
}

TEST_F(ToolboxTest, OutOfRangeSelectsTheArrowAndOnlyAChangeIsPosted) {
    toolbox().setSelectedToolIndex(12);
    EXPECT_EQ(changes, 0);
    toolbox().setSelectedToolIndex(3);
    toolbox().setSelectedToolIndex(3);
    EXPECT_EQ(changes, 1);
    toolbox().setSelectedToolIndex(-1);
    EXPECT_EQ(toolbox().selectedToolIndex(), 0u);
    EXPECT_EQ(changes, 2);
}

TEST_F(ToolboxTest, ClickOptionDecidesWhetherAToolStaysAfterUse) {
    struct Case {
        int option;
        bool doubleClick;
        std::size_t after;
    };
    const Case cases[] = {{0, false, 2}, {1, false, 0}, {2, false, 0},
                          {1, true, 2},  {2, true, 0},  {0, true, 2}};
    for (const Case& c : cases) {
        setClickOption(c.option);
        toolbox().toolSingleClicked(Toolbox::RectangleToolIndex);
        if (c.doubleClick)
            toolbox().toolDoubleClicked(Toolbox::RectangleToolIndex);
        EXPECT_EQ(toolbox().isToolMarkedSticky(2), c.option == 1 && c.doubleClick);
        useSelectedTool();
        EXPECT_EQ(toolbox().selectedToolIndex(), c.after)
            << "option " << c.option << " double " << c.doubleClick;
        toolbox().toolSingleClicked(Toolbox::ArrowToolIndex);
        EXPECT_FALSE(toolbox().isToolMarkedSticky(2));
    }
    // The arrow's button is never marked.
    toolbox().toolDoubleClicked(Toolbox::ArrowToolIndex);
    EXPECT_FALSE(toolbox().isToolMarkedSticky(0));
    // Chosen by its key, a tool stays unless the option is 2.
    for (int option : {1, 2}) {
        setClickOption(option);
        toolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
        useSelectedTool();
        EXPECT_EQ(toolbox().selectedToolIndex(), option == 1 ? 2u : 0u);
        toolbox().setSelectedToolIndex(0);
    }
}

TEST_F(ToolboxTest, ASecondToolboxIsRefused) {
    Toolbox& shared = toolbox();
    EXPECT_THROW(Toolbox(), ToolboxExistsException);
    EXPECT_EQ(&Toolbox::sharedToolbox(), &shared);
}

TEST_F(ToolboxTest, NewShapesCopyTheTemplateStyles) {
    RectangleShape model;
    model.stroke().setWidth(7);
    toolbox().setTemplateShape(model);
    model.stroke().setWidth(1);
    dragGesture(tool(Toolbox::OvalToolIndex), {10, 10}, {60, 60});
    ASSERT_EQ(document.shapes().size(), 1u);
    EXPECT_EQ(document.shapes()[0]->stroke().width(), 7);
    document.shapes()[0]->stroke().setWidth(3);
    EXPECT_EQ(toolbox().stroke().width(), 7);
}

TEST_F(ToolboxTest, PalettePositionIsSavedAsTheTopLeftCorner) {
    toolbox().saveState(Rect(100, 500, 60, 300));
    EXPECT_EQ(defaults.dictionaryForKey("Toolbox").at("Position"), Value("{100, 800}"));
    const Rect screen(0, 0, 1440, 877);
    const Size size(60, 300);
    EXPECT_EQ(toolbox().restoreState(size, {screen}, screen), Rect(100, 500, 60, 300));
    // Off every screen, unreadable or absent: home, 5 points inside the top left.
    const Rect home(5, 572, 60, 300);
    EXPECT_EQ(Toolbox::movePaletteHome(size, screen), home);
    toolbox().saveState(Rect(3000, 500, 60, 300));
    EXPECT_EQ(toolbox().restoreState(size, {screen}, screen), home);
    defaults.setObject(Value(Value::Map{{"Position", Value("{100}")}}), "Toolbox");
    EXPECT_EQ(toolbox().restoreState(size, {screen}, screen), home);
    defaults.removeObject("Toolbox");
    EXPECT_EQ(toolbox().restoreState(size, {screen}, screen), home);
    EXPECT_EQ(Toolbox::pointFromString(" { -2.5 , 1e2 } "), Point(-2.5, 100));
    EXPECT_EQ(Toolbox::pointFromString("{1, 2} x"), std::nullopt);
}

} // namespace
} // namespace qv

#include "canvas/model/MenuCommands.h"

#include <array>

namespace qv {

namespace {

constexpr std::array<MenuCommand, 26> kCommands{{
    {"selectAll", "Select All", "Edit"},
    {"deselectAll", "Deselect All", "Edit"},
    {"remove", "Delete", "Edit"},
    {"duplicate", "Duplicate", "Edit"},
    {"bringToFront", "Bring to Front", "Arrange"},
    {"bringForward", "Bring Forward", "Arrange"},
    {"sendBackward", "Send Backward", "Arrange"},
    {"sendToBack", "Send to Back", "Arrange"},
    {"group", "Group", "Arrange"},
    {"ungroup", "Ungroup", "Arrange"},
    {"flipHorizontally", "Flip Horizontally", "Arrange"},
    {"flipVertically", "Flip Vertically", "Arrange"},
    {"alignLeftEdges", "Align Left Edges", "Align"},
    {"alignCentersVertically", "Align Centers Vertically", "Align"},
    {"alignRightEdges", "Align Right Edges", "Align"},
    {"alignTopEdges", "Align Top Edges", "Align"},
    {"alignCentersHorizontally", "Align Centers Horizontally", "Align"},
    {"alignBottomEdges", "Align Bottom Edges", "Align"},
    {"distributeLeftEdges", "Distribute Left Edges", "Distribute"},
    {"distributeCentersInRow", "Distribute Centers in Row", "Distribute"},
    {"distributeRightEdges", "Distribute Right Edges", "Distribute"},
    {"distributeHorizontalGaps", "Distribute Horizontal Gaps", "Distribute"},
    {"distributeTopEdges", "Distribute Top Edges", "Distribute"},
    {"distributeCentersInColumn", "Distribute Centers in Column", "Distribute"},
    {"distributeBottomEdges", "Distribute Bottom Edges", "Distribute"},
    {"distributeVerticalGaps", "Distribute Vertical Gaps", "Distribute"},
}};

using Kind = MenuItemDefinition::Kind;

constexpr MenuItemDefinition item(std::string_view menu, std::string_view name,
                                  std::string_view title, std::string_view shortcut = {},
                                  std::string_view alternate = {}) {
    return {Kind::Command, menu, name, title, shortcut, alternate};
}
// A command whose title lives in the controller's or the canvas's table.
constexpr MenuItemDefinition command(std::string_view menu, std::string_view name,
                                     std::string_view shortcut = {}) {
    return {Kind::Command, menu, name, {}, shortcut, {}};
}
constexpr MenuItemDefinition separator(std::string_view menu) {
    return {Kind::Separator, menu, {}, {}, {}, {}};
}
constexpr MenuItemDefinition submenu(std::string_view menu, std::string_view name) {
    return {Kind::Submenu, menu, name, name, {}, {}};
}
constexpr MenuItemDefinition placeholder(std::string_view menu, std::string_view name) {
    return {Kind::Placeholder, menu, name, {}, {}, {}};
}

constexpr std::array<std::string_view, 7> kMainMenus{"File",   "Edit",   "View", "Arrange",
                                                     "Format", "Window", "Help"};

constexpr MenuItemDefinition kLayout[] = {
    item("File", "newDocument", "New", "Ctrl+N"),
    item("File", "openDocument", "Open…", "Ctrl+O"),
    submenu("File", "Open Recent"),
    placeholder("Open Recent", "recentDocuments"),
    separator("Open Recent"),
    item("Open Recent", "clearRecentDocuments", "Clear Menu"),
    separator("File"),
    item("File", "performClose", "Close", "Ctrl+W"),
    item("File", "saveDocument", "Save", "Ctrl+S"),
    item("File", "saveDocumentAs", "Save As…", "Shift+Ctrl+S"),
    item("File", "revertDocumentToSaved", "Revert to Saved"),
    separator("File"),
    item("File", "saveDocumentTo", "Export…", "Shift+Ctrl+E"),
    separator("File"),
    item("File", "runPageLayout", "Page Setup…", "Shift+Ctrl+P"),
    item("File", "printDocument", "Print…", "Ctrl+P"),
    separator("File"),
    item("File", "terminate", "Quit", "Ctrl+Q"),

    item("Edit", "undo", "Undo", "Ctrl+Z"),
    item("Edit", "redo", "Redo", "Shift+Ctrl+Z", "Ctrl+Y"),
    separator("Edit"),
    item("Edit", "cut", "Cut", "Ctrl+X"),
    item("Edit", "copy", "Copy", "Ctrl+C"),
    item("Edit", "paste", "Paste", "Ctrl+V"),
    // The canvas deletes with Delete and Backspace itself.
    command("Edit", "remove"),
    separator("Edit"),
    command("Edit", "selectAll", "Ctrl+A"),
    command("Edit", "deselectAll", "Shift+Ctrl+A"),
    command("Edit", "duplicate", "Ctrl+D"),
    separator("Edit"),
    command("Edit", "editSelectedShape", "Ctrl+E"),
    separator("Edit"),
    item("Edit", "showPreferences", "Preferences…", "Ctrl+,"),

    item("View", "zoomIn", {}, "Ctrl++", "Ctrl+="),
    command("View", "zoomOut", "Ctrl+-"),
    command("View", "zoomActualSize", "Ctrl+0"),
    command("View", "zoomToFitPage", "Ctrl+9"),
    command("View", "zoomToSelection", "Ctrl+8"),
    separator("View"),
    item("View", "toggleGridVisibility", "Hide Grid", "Ctrl+'"),
    item("View", "toggleRulerVisibility", "Hide Rulers", "Ctrl+R"),

    command("Arrange", "bringToFront", "Ctrl+Home"),
    command("Arrange", "bringForward", "Ctrl+PgUp"),
    command("Arrange", "sendBackward", "Ctrl+PgDown"),
    command("Arrange", "sendToBack", "Ctrl+End"),
    separator("Arrange"),
    command("Arrange", "group", "Ctrl+G"),
    command("Arrange", "ungroup", "Shift+Ctrl+G"),
    separator("Arrange"),
    submenu("Arrange", "Align"),
    command("Align", "alignLeftEdges"),
    command("Align", "alignCentersVertically"),
    command("Align", "alignRightEdges"),
    separator("Align"),
    command("Align", "alignTopEdges"),
    command("Align", "alignCentersHorizontally"),
    command("Align", "alignBottomEdges"),
    submenu("Arrange", "Distribute"),
    command("Distribute", "distributeLeftEdges"),
    command("Distribute", "distributeCentersInRow"),
    command("Distribute", "distributeRightEdges"),
    command("Distribute", "distributeHorizontalGaps"),
    separator("Distribute"),
    command("Distribute", "distributeTopEdges"),
    command("Distribute", "distributeCentersInColumn"),
    command("Distribute", "distributeBottomEdges"),
    command("Distribute", "distributeVerticalGaps"),
    separator("Arrange"),
    command("Arrange", "flipHorizontally"),
    command("Arrange", "flipVertically"),
    command("Arrange", "freeRotate"),
    separator("Arrange"),
    command("Arrange", "convertToBezierCurve", "Shift+Ctrl+C"),
    command("Arrange", "combineBezierCurves", "Ctrl+K"),

    submenu("Format", "Font"),
    // The font and colour dialogs; the view applies what they answer.
    item("Font", "changeFont", "Show Fonts…", "Ctrl+T"),
    command("Font", "bold", "Ctrl+B"),
    command("Font", "italic", "Ctrl+I"),
    command("Font", "underline", "Ctrl+U"),
    separator("Font"),
    command("Font", "biggerFont"),
    command("Font", "smallerFont"),
    separator("Font"),
    item("Font", "changeAttributes", "Show Colors…"),
    submenu("Format", "Text"),
    command("Text", "alignLeft"),
    command("Text", "alignCenter"),
    command("Text", "alignJustified"),
    command("Text", "alignRight"),

    item("Window", "performMiniaturize", "Minimize", "Ctrl+M"),
    item("Window", "performZoom", "Zoom"),
    separator("Window"),
    item("Window", "arrangeInFront", "Bring All to Front"),
    separator("Window"),
    item("Window", "toggleToolbox", "Toolbox"),
    separator("Window"),
    placeholder("Window", "windowList"),

    item("Help", "showAbout", "About Quorvik Draw"),
};

} // namespace

std::span<const std::string_view> mainMenuTitles() {
    return kMainMenus;
}

std::span<const MenuItemDefinition> menuLayout() {
    return kLayout;
}

const MenuItemDefinition* findMenuItem(std::string_view name) {
    for (const MenuItemDefinition& entry : kLayout)
        if (entry.kind == Kind::Command && entry.name == name)
            return &entry;
    return nullptr;
}

std::span<const MenuCommand> shapesControllerMenuCommands() {
    return kCommands;
}

const MenuCommand* findMenuCommand(std::string_view name) {
    for (const MenuCommand& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

std::string_view menuTitleForCommand(std::string_view name) {
    const MenuCommand* command = findMenuCommand(name);
    return command ? command->title : std::string_view();
}

} // namespace qv

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

} // namespace

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

#pragma once
// The menu commands of a drawing's shapes controller and their menu item
// titles. A command that changes the drawing names its undo action after its
// menu item's title, so the application's menus build their items from this
// same table and both always agree.

#include <span>
#include <string_view>

namespace qv {

struct MenuCommand {
    // The action, without the platform's trailing colon ("alignLeftEdges").
    std::string_view name;
    // The menu item's title, also the undo action name of the command.
    std::string_view title;
    // The menu (or submenu) that holds the item: "Edit", "Arrange", "Align"
    // or "Distribute".
    std::string_view menu;
};

// Every command of the shapes controller, in menu order.
std::span<const MenuCommand> shapesControllerMenuCommands();
// Null for a name that is not in the table.
const MenuCommand* findMenuCommand(std::string_view name);
// The title of the command's menu item; "" for an unknown name.
std::string_view menuTitleForCommand(std::string_view name);

} // namespace qv

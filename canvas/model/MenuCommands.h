#pragma once
// The menu commands of a drawing's shapes controller and their menu item
// titles. A command that changes the drawing names its undo action after its
// menu item's title, so the application's menus build their items from this
// same table and both always agree.
//
// Below it, the application's whole menu layout: every menu and item in
// order, with its command name and default shortcut. The menus are built
// from it alone.

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

// One entry of the application's menus.
struct MenuItemDefinition {
    enum class Kind {
        Command,
        Separator,
        // Opens the menu named `name`; its items name it as their menu.
        Submenu,
        // Items the application fills in while the menu opens ("recentDocuments",
        // "windowList").
        Placeholder,
    };
    Kind kind = Kind::Command;
    // The menu holding the entry: a main menu or a submenu's name.
    std::string_view menu;
    // The command (without the trailing colon), the submenu, or the placeholder.
    std::string_view name;
    // Empty for the commands of the shapes controller and the canvas, whose
    // own tables hold their titles.
    std::string_view title;
    // Portable key sequence text ("Shift+Ctrl+S"); a second one where two keys
    // do the same (zoom in with Ctrl++ and Ctrl+=).
    std::string_view shortcut;
    std::string_view alternateShortcut;
};

// "File", "Edit", "View", "Arrange", "Format", "Window", "Help".
std::span<const std::string_view> mainMenuTitles();
// Every entry of every menu, each menu's entries in order.
std::span<const MenuItemDefinition> menuLayout();
// The entry of a command; null when no menu carries it.
const MenuItemDefinition* findMenuItem(std::string_view name);

} // namespace qv

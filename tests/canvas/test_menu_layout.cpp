#include "canvas/model/MenuCommands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace qv {
namespace {

using Kind = MenuItemDefinition::Kind;

TEST(MenuLayout, EveryEntryHasAMenuDeclaredBeforeItAndNamesAreUnique) {
    std::set<std::string_view> menus(mainMenuTitles().begin(), mainMenuTitles().end());
    std::set<std::string_view> used;
    std::set<std::string_view> commands;
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
    // No menu is left empty.
    for (std::string_view menu : menus)
        EXPECT_TRUE(used.count(menu)) << "empty menu " << menu;
    EXPECT_EQ(findMenuItem("noSuchCommand"), nullptr);
}

TEST(MenuLayout, EveryShapesControllerCommandIsInTheMenuItsTableNames) {
    for (const MenuCommand& command : shapesControllerMenuCommands()) {
        const MenuItemDefinition* entry = findMenuItem(command.name);
        ASSERT_NE(entry, nullptr) << command.name;
        EXPECT_EQ(entry->menu, command.menu) << command.name;
        // The title comes from the controller's table, so undo names agree.
        EXPECT_TRUE(entry->title.empty()) << command.name;
    }
}

} // namespace
} // namespace qv

// The undo manager: event and explicit groups, registration switches, names,
// removal, levels, change tracking, and random edit scripts undone and
// redone exactly.
#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/UndoManager.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

// Named numbers whose edits register their own inverse and name their step
// the way the document's accessors do; no value erases.
struct Model {
    UndoManager& undo;
    std::map<std::string, int> values;
    void set(const std::string& key, std::optional<int> v) {
        const auto it = values.find(key);
        const std::optional<int> old =
            it == values.end() ? std::nullopt : std::optional(it->second);
        undo.registerUndoWithTarget(this, [this, key, old] { set(key, old); });
        if (!undo.isUndoing() && !undo.isRedoing())
            undo.setActionName("Set " + key);
        v ? void(values[key] = *v) : void(values.erase(key));
    }
};

struct UndoManagerTest : ::testing::Test {
    NotificationCenter center;
    UndoManager undo{&center};
    Model model{undo, {}};
};

TEST_F(UndoManagerTest, EventGroupsExplicitGroupsAndRegistrationSwitches) {
    // One event is one step, undone newest first; undo closes the open group.
    std::vector<int> order;
    undo.registerUndoWithTarget(this, [&] { order.push_back(1); });
    undo.registerUndoWithTarget(this, [&] { order.push_back(2); });
    EXPECT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(undo.canUndo());
    EXPECT_TRUE(undo.undo());
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_FALSE(undo.undo());

    // Unbalanced ends are refused, and so is undo inside an explicit group.
    EXPECT_FALSE(undo.endUndoGrouping());
    model.set("a", 1); // opens the event group
    EXPECT_FALSE(undo.endUndoGrouping());
    {
        UndoGroup group(&undo);
        model.set("a", 2);
        EXPECT_EQ(undo.groupingLevel(), 2);
        EXPECT_FALSE(undo.canUndo() || undo.undo());
    }
    undo.endEventGroup();
    EXPECT_EQ(model.values["a"], 2);

    // Without event grouping, explicit groups are the steps, and a
    // registration outside any group is still kept.
    undo.removeAllActions();
    undo.setGroupsByEvent(false);
    model.set("b", 1);
    undo.endEventGroup();
    undo.beginUndoGrouping();
    model.set("c", 5);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    model.set("c", 7);
    undo.setGroupsByEvent(true);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(undo.undoCount(), 3u);
    undo.undo();
    EXPECT_EQ(model.values["c"], 5);

    // Empty groups are discarded; disabling is counted, one enable too many
    // does no harm, and removing every action turns registration back on.
    undo.removeAllActions();
    { UndoGroup group(&undo, "Nothing"); }
    undo.beginUndoGrouping();
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    undo.enableUndoRegistration();
    model.set("a", 3);
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    undo.enableUndoRegistration();
    undo.enableUndoRegistration();
    undo.endUndoGrouping();
    undo.endEventGroup();
    EXPECT_EQ(undo.undoCount(), 0u);
    model.set("a", 4);
    undo.endEventGroup();
    undo.undo();
    EXPECT_EQ(model.values["a"], 3);
    undo.disableUndoRegistration();
    undo.removeAllActions();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    EXPECT_FALSE(undo.canUndo() || undo.canRedo());
}

TEST_F(UndoManagerTest, NamesRedoRemovalAndLevels) {
    // The last namer wins; without an open group a name changes nothing; the
    // inverses built while undoing and redoing keep the step's name.
    {
        UndoGroup group(&undo, "Paste");
        model.set("a", 1);
    }
    undo.endEventGroup();
    undo.setActionName("Flip Horizontally");
    auto titles = [&] {
        return undo.undoMenuItemTitle() + ", " + undo.redoMenuItemTitle() + " " +
               std::to_string(undo.redoCount());
    };
    EXPECT_EQ(titles(), "Undo Paste, Redo 0");
    undo.undo();
    EXPECT_EQ(titles(), "Undo, Redo Paste 1");
    undo.redo();
    EXPECT_EQ(titles(), "Undo Paste, Redo 0");
    undo.undo();
    model.set("b", 3); // a new registration clears what could be redone
    EXPECT_FALSE(undo.canRedo());
    undo.removeAllActions();
    undo.endEventGroup();

    // Removing a target's actions leaves the others; steps left empty go.
    Model other{undo, {}};
    model.set("a", 1);
    other.set("b", 1);
    undo.endEventGroup();
    other.set("b", 2);
    undo.endEventGroup();
    model.set("a", 2);
    undo.removeAllActionsWithTarget(&model);
    undo.endEventGroup(); // the open group lost its only action
    EXPECT_EQ(undo.undoCount(), 2u);
    undo.undo();
    undo.undo();
    EXPECT_EQ(model.values["a"], 2);
    EXPECT_FALSE(other.values.contains("b"));

    // Levels of undo drop the oldest steps.
    undo.removeAllActions();
    undo.setLevelsOfUndo(2);
    for (int i = 1; i <= 4; ++i) {
        model.set("a", i);
        undo.endEventGroup();
    }
    EXPECT_EQ(undo.undoCount(), 2u);
    while (undo.undo()) {
    }
    EXPECT_EQ(model.values["a"], 2);
}

TEST_F(UndoManagerTest, ChangeCountStateTokenAndNotifications) {
    std::vector<std::string> names;
    center.addObserver(&names, "", &undo, [&](const Notification& n) { names.push_back(n.name); });
    const auto clean = undo.stateToken();
    { UndoGroup group(&undo, "Nothing"); } // empty: no step, no change
    undo.endEventGroup();
    model.set("a", 1);
    EXPECT_NE(undo.stateToken(), clean); // pending actions already count
    undo.endEventGroup();
    EXPECT_EQ(undo.changeCount(), 1);
    const auto saved = undo.stateToken();
    undo.undo();
    undo.redo();
    EXPECT_EQ(names, (std::vector<std::string>{
                         QVUndoManagerDidOpenUndoGroupNotification,
                         QVUndoManagerDidOpenUndoGroupNotification,
                         QVUndoManagerDidCloseUndoGroupNotification,
                         QVUndoManagerWillUndoChangeNotification,
                         QVUndoManagerDidUndoChangeNotification,
                         QVUndoManagerWillRedoChangeNotification,
                         QVUndoManagerDidRedoChangeNotification,
                     }));
    model.set("a", 2);
    undo.endEventGroup();
    EXPECT_EQ(undo.changeCount(), 2);
    undo.undo();
    EXPECT_EQ(undo.changeCount(), 1);
    EXPECT_EQ(undo.stateToken(), saved);
    undo.undo();
    EXPECT_EQ(undo.stateToken(), clean);
    // Saved after one edit, undone, then edited differently: the count is
    // back where it was at saving, but the document is not.
    model.set("a", 9);
    undo.endEventGroup();
    EXPECT_EQ(undo.changeCount(), 1);
    EXPECT_NE(undo.stateToken(), saved);
}

// Random edit scripts, some steps explicit groups spanning several events:
// every undo restores exactly the state before its step and every redo the
// state after it.
TEST(UndoManager, RandomScriptsRoundTrip) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        NotificationCenter c;
        UndoManager u(&c);
        Model m{u, {}};
        std::vector<std::map<std::string, int>> states{m.values};
        const int steps = 1 + int(rng() % 25);
        for (int step = 0; step < steps; ++step) {
            const bool grouped = rng() % 3 == 0;
            if (grouped)
                u.beginUndoGrouping();
            for (unsigned e = 0, edits = 1 + rng() % 4; e < edits; ++e) {
                const std::string key(1, char('a' + rng() % 4));
                m.set(key, rng() % 4 ? std::optional(int(rng() % 100)) : std::nullopt);
                if (grouped && rng() % 2)
                    u.endEventGroup(); // a gesture spanning events
            }
            if (grouped)
                u.endUndoGrouping();
            u.endEventGroup();
            states.push_back(m.values);
        }
        ASSERT_EQ(u.undoCount(), std::size_t(steps));
        // Undo part of the way, redo it, then undo everything and redo everything.
        int at = steps;
        auto move = [&](bool back, int n) {
            for (int i = 0; i < n; ++i) {
                ASSERT_TRUE(back ? u.undo() : u.redo());
                ASSERT_EQ(m.values, states[at += back ? -1 : 1]);
            }
        };
        const int partial = int(rng() % unsigned(steps));
        move(true, partial);
        move(false, partial);
        move(true, steps);
        EXPECT_FALSE(u.canUndo());
        move(false, steps);
        EXPECT_FALSE(u.canRedo());
        EXPECT_EQ(u.changeCount(), steps);
    }
}

} // namespace
} // namespace qv

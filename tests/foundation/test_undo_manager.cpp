#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/UndoManager.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

// A small undoable model: named numbers and an ordered list, each edit
// registering its own inverse the way the document's accessors do.
class Model {
public:
    explicit Model(UndoManager& undo) : m_Undo(undo) {}

    std::map<std::string, int> values;
    std::vector<int> items;

    void set(const std::string& key, int v) {
        auto it = values.find(key);
        if (it == values.end())
            m_Undo.registerUndoWithTarget(this, [this, key] { erase(key); });
        else
            m_Undo.registerUndoWithTarget(this, [this, key, old = it->second] { set(key, old); });
        values[key] = v;
    }
    void erase(const std::string& key) {
        int old = values.at(key);
        m_Undo.registerUndoWithTarget(this, [this, key, old] { set(key, old); });
        values.erase(key);
    }
    void insert(int item, std::size_t index) {
        m_Undo.registerUndoWithTarget(this, [this, index] { remove(index); });
        if (!m_Undo.isUndoing() && !m_Undo.isRedoing())
            m_Undo.setActionName("Insert Shape");
        items.insert(items.begin() + static_cast<long>(index), item);
    }
    void remove(std::size_t index) {
        int item = items[index];
        m_Undo.registerUndoWithTarget(this, [this, item, index] { insert(item, index); });
        if (!m_Undo.isUndoing() && !m_Undo.isRedoing())
            m_Undo.setActionName("Delete Shape");
        items.erase(items.begin() + static_cast<long>(index));
    }

    friend bool operator==(const Model& a, const Model& b) {
        return a.values == b.values && a.items == b.items;
    }
    struct Snapshot {
        std::map<std::string, int> values;
        std::vector<int> items;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot snapshot() const { return {values, items}; }

private:
    UndoManager& m_Undo;
};

struct UndoFixture : ::testing::Test {
    NotificationCenter center;
    UndoManager undo{&center};
    Model model{undo};
};

using UndoManagerTest = UndoFixture;

TEST_F(UndoManagerTest, EventGroupsAndExplicitGroups) {
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

    // Unbalanced ends are refused.
    EXPECT_FALSE(undo.endUndoGrouping());
    model.set("a", 1); // opens the event group
    EXPECT_FALSE(undo.endUndoGrouping());
    EXPECT_EQ(undo.groupingLevel(), 1);
    undo.endEventGroup();
    // Undo is refused inside an explicit group.
    {
        UndoGroup group(&undo);
        model.set("a", 2);
        EXPECT_FALSE(undo.canUndo());
        EXPECT_FALSE(undo.undo());
        EXPECT_EQ(model.values["a"], 2);
    }
    undo.endEventGroup();

    // Without event grouping, explicit groups are the steps, and a
    // registration outside any group is still kept.
    undo.removeAllActions();
    undo.setGroupsByEvent(false);
    model.set("b", 1);
    undo.endEventGroup();
    undo.beginUndoGrouping();
    model.set("text", 5);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    model.insert(7, 0);
    undo.setGroupsByEvent(true);
    undo.endUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(undo.undoCount(), 3u);
    undo.undo();
    EXPECT_TRUE(model.items.empty());
    EXPECT_EQ(model.values["text"], 5);
}

TEST_F(UndoManagerTest, EmptyGroupsAreDiscardedAndDisablingIsCounted) {
    { UndoGroup group(&undo, "Nothing"); }
    undo.endEventGroup();
    undo.beginUndoGrouping();
    undo.disableUndoRegistration();
    model.set("a", 1);
    undo.enableUndoRegistration();
    undo.endUndoGrouping();
    undo.endEventGroup();
    EXPECT_EQ(undo.undoCount(), 0u);
    EXPECT_EQ(undo.changeCount(), 0);

    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    undo.enableUndoRegistration();
    model.set("a", 2);
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    undo.enableUndoRegistration();
    undo.enableUndoRegistration(); // one too many does no harm
    model.set("a", 3);
    undo.endEventGroup();
    EXPECT_EQ(undo.undoCount(), 1u);
    undo.undo();
    EXPECT_EQ(model.values["a"], 2);
}

TEST_F(UndoManagerTest, ActionNamesFollowTheirStep) {
    model.insert(1, 0);          // names "Insert Shape"
    undo.setActionName("Paste"); // the last namer wins
    undo.endEventGroup();
    undo.setActionName("Flip Horizontally"); // no open group: changes nothing
    undo.endEventGroup();
    EXPECT_EQ(undo.undoActionName(), "Paste");
    EXPECT_EQ(undo.redoMenuItemTitle(), "Redo");
    undo.undo();
    EXPECT_EQ(undo.redoActionName(), "Paste");
    EXPECT_EQ(undo.redoMenuItemTitle(), "Redo Paste");
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo");
    undo.redo();
    EXPECT_EQ(undo.undoMenuItemTitle(), "Undo Paste");
}

TEST_F(UndoManagerTest, RedoStackAndUndoingFlags) {
    bool sawUndoing = false, sawRedoing = false;
    std::function<void()> flip = [&] {
        sawUndoing = sawUndoing || undo.isUndoing();
        sawRedoing = sawRedoing || undo.isRedoing();
        undo.registerUndoWithTarget(this, flip);
    };
    undo.registerUndoWithTarget(this, flip);
    undo.endEventGroup();
    model.set("a", 2);
    undo.endEventGroup();
    EXPECT_FALSE(undo.isUndoing());
    undo.undo();
    undo.undo();
    EXPECT_TRUE(sawUndoing);
    EXPECT_FALSE(sawRedoing);
    EXPECT_EQ(undo.redoCount(), 2u);
    EXPECT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_TRUE(sawRedoing);
    EXPECT_FALSE(undo.isRedoing());
    EXPECT_EQ(undo.redoCount(), 1u);
    // A new registration clears what could be redone.
    model.set("b", 3);
    EXPECT_FALSE(undo.canRedo());
}

TEST_F(UndoManagerTest, RemovingActionsAndLevels) {
    Model other(undo);
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
    EXPECT_EQ(other.values["b"], 0);
    undo.disableUndoRegistration();
    undo.removeAllActions();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    EXPECT_FALSE(undo.canUndo() || undo.canRedo());

    // Levels of undo drop the oldest steps.
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
    model.set("a", 1);
    EXPECT_NE(undo.stateToken(), clean); // pending actions already count
    undo.endEventGroup();
    EXPECT_EQ(undo.changeCount(), 1);
    const auto saved = undo.stateToken();
    undo.undo();
    undo.redo();
    EXPECT_EQ(names, (std::vector<std::string>{
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

// Random edit sequences: every undo restores exactly the state before its
// step and every redo the state after it.
TEST_F(UndoManagerTest, RandomSequencesRoundTrip) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        NotificationCenter c;
        UndoManager u(&c);
        Model m(u);
        std::vector<Model::Snapshot> states{m.snapshot()};
        const int steps = 1 + static_cast<int>(rng() % 25);
        for (int step = 0; step < steps; ++step) {
            const bool grouped = rng() % 3 == 0;
            if (grouped)
                u.beginUndoGrouping();
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) {
                switch (rng() % 3) {
                case 0:
                    m.set(std::string(1, static_cast<char>('a' + rng() % 3)),
                          static_cast<int>(rng() % 100));
                    break;
                case 1:
                    m.insert(static_cast<int>(rng() % 100), rng() % (m.items.size() + 1));
                    break;
                default:
                    if (!m.items.empty())
                        m.remove(rng() % m.items.size());
                    else
                        m.set("z", static_cast<int>(rng() % 100));
                }
                if (grouped && rng() % 2)
                    u.endEventGroup(); // a gesture spanning events
            }
            if (grouped)
                u.endUndoGrouping();
            u.endEventGroup();
            states.push_back(m.snapshot());
        }
        ASSERT_EQ(u.undoCount(), static_cast<std::size_t>(steps)) << "seed " << seed;
        // Undo part of the way, redo it, then undo everything and redo everything.
        const int partial = static_cast<int>(rng() % steps);
        for (int i = 0; i < partial; ++i) {
            ASSERT_TRUE(u.undo());
            ASSERT_EQ(m.snapshot(), states[steps - 1 - i]) << "seed " << seed;
        }
        for (int i = partial; i > 0; --i) {
            ASSERT_TRUE(u.redo());
            ASSERT_EQ(m.snapshot(), states[steps - i + 1]) << "seed " << seed;
        }
        for (int i = steps; i > 0; --i) {
            ASSERT_TRUE(u.undo());
            ASSERT_EQ(m.snapshot(), states[i - 1]) << "seed " << seed;
        }
        EXPECT_FALSE(u.canUndo());
        for (int i = 1; i <= steps; ++i) {
            ASSERT_TRUE(u.redo());
            ASSERT_EQ(m.snapshot(), states[i]) << "seed " << seed;
        }
        EXPECT_FALSE(u.canRedo());
        EXPECT_EQ(u.changeCount(), steps);
    }
}

} // namespace
} // namespace qv

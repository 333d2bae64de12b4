#pragma once
// Records inverse operations and replays them as undo and redo.
//
// Registrations collect in groups; one top-level group is one undo step.
// While groupsByEvent is on (the default) the first registration (or
// beginUndoGrouping) with no group open opens an event group, which
// endEventGroup closes when the application has finished handling the event.
// Explicit groups nest inside it and are merged into their parent when they
// close. A gesture that spans several events (press, drags, release) opens an
// explicit group at the press and closes it at the release, so the event
// groups of the drags do not split it.
//
// Undo pops the newest step and runs its inverses, newest first; whatever
// they register while undoing becomes the matching redo step, and redo does
// the same in the other direction. A registration made outside undo and redo
// empties the redo stack. Groups that end up empty are discarded.
//
// The manager posts these notifications, object: the manager, on the centre
// it was given: DidOpenUndoGroup when a top-level group opens, DidCloseUndoGroup
// when a non-empty top-level group becomes an undo step (not while undoing or
// redoing), Will/DidUndoChange and Will/DidRedoChange around undo and redo.

#include "framework/foundation/ObjectIdentity.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qv {

class NotificationCenter;

inline constexpr const char* QVUndoManagerDidOpenUndoGroupNotification =
    "QVUndoManagerDidOpenUndoGroupNotification";
inline constexpr const char* QVUndoManagerDidCloseUndoGroupNotification =
    "QVUndoManagerDidCloseUndoGroupNotification";
inline constexpr const char* QVUndoManagerWillUndoChangeNotification =
    "QVUndoManagerWillUndoChangeNotification";
inline constexpr const char* QVUndoManagerDidUndoChangeNotification =
    "QVUndoManagerDidUndoChangeNotification";
inline constexpr const char* QVUndoManagerWillRedoChangeNotification =
    "QVUndoManagerWillRedoChangeNotification";
inline constexpr const char* QVUndoManagerDidRedoChangeNotification =
    "QVUndoManagerDidRedoChangeNotification";

class UndoManager {
public:
    using Action = std::function<void()>;

    // Notifications go to `center`, or to the default centre when null.
    explicit UndoManager(NotificationCenter* center = nullptr);
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;
    ~UndoManager();

    // Registration. Ignored while registration is disabled. The target only
    // serves removeAllActionsWithTarget.
    template <class T> void registerUndoWithTarget(const T* target, Action inverse) {
        registerImpl(objectIdentity(target), std::move(inverse));
    }
    void registerUndoWithTarget(std::nullptr_t, Action inverse) {
        registerImpl(nullptr, std::move(inverse));
    }
    void disableUndoRegistration();
    // Counted: registration is on again after as many enables as disables.
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_DisableCount == 0; }

    // Grouping.
    bool groupsByEvent() const { return m_GroupsByEvent; }
    void setGroupsByEvent(bool on) { m_GroupsByEvent = on; }
    void beginUndoGrouping();
    // False (and nothing happens) without an open group of the caller's own.
    bool endUndoGrouping();
    // Closes the event group if it is the only open group; explicit groups
    // still open keep it open until a later event end.
    void endEventGroup();
    // Number of open groups, the event group included.
    int groupingLevel() const { return static_cast<int>(m_Open.size()); }

    // Naming. The last name set while a group is open names the step it
    // becomes; while undoing (redoing) the step being built starts with the
    // name of the step being undone (redone). Without an open group the name
    // is dropped, so a command that changed nothing cannot rename the
    // previous step.
    void setActionName(std::string name);
    std::string undoActionName() const;
    std::string redoActionName() const;
    // "Undo Move", or "Undo" for a step without a name.
    std::string undoMenuItemTitle() const;
    std::string redoMenuItemTitle() const;
    static std::string undoMenuTitleForUndoActionName(const std::string& name);
    static std::string redoMenuTitleForUndoActionName(const std::string& name);

    // Undo and redo. canUndo also counts the actions of an open top-level
    // group, which undo() closes first. Undo and redo refuse (answer false)
    // while explicit groups are open inside it, or while already undoing or
    // redoing.
    bool canUndo() const;
    bool canRedo() const;
    bool undo();
    bool redo();
    bool isUndoing() const { return m_State == State::Undoing; }
    bool isRedoing() const { return m_State == State::Redoing; }

    // Empties both stacks and the open groups (which stay open) and turns
    // registration back on, as the platform does.
    void removeAllActions();
    // Drops every action of the target, from both stacks and the open
    // groups; steps left empty disappear.
    template <class T> void removeAllActionsWithTarget(const T* target) {
        removeTargetImpl(objectIdentity(target));
    }

    // Maximum number of undo steps kept (the oldest are dropped); 0, the
    // default, keeps all.
    std::size_t levelsOfUndo() const { return m_LevelsOfUndo; }
    void setLevelsOfUndo(std::size_t levels);
    std::size_t undoCount() const { return m_UndoStack.size(); }
    std::size_t redoCount() const { return m_RedoStack.size(); }

    // Edit tracking. changeCount goes up by one for every new step, down by
    // one on undo and up by one on redo. stateToken names the state the undo
    // stack stands for: the same after undo and redo have brought it back to
    // the same step, and different after any new step, so a document that
    // remembers the token at saving is edited exactly while the tokens differ
    // (a plain count would read "unedited" after undo, then a new edit).
    long changeCount() const { return m_ChangeCount; }
    std::uint64_t stateToken() const;

private:
    enum class State { Normal, Undoing, Redoing };
    struct Entry {
        const void* target;
        Action action;
    };
    struct Group {
        std::vector<Entry> entries;
        std::string name;
        std::uint64_t id = 0;
        bool isEventGroup = false;
    };

    void registerImpl(const void* target, Action inverse);
    void removeTargetImpl(const void* target);
    void openTopLevelGroup(bool eventGroup);
    void closeTopLevelGroup();
    void pushUndo(Group group);
    bool replay(bool undoing);
    void post(const char* name);

    NotificationCenter* m_Center;
    std::deque<Group> m_UndoStack;
    std::deque<Group> m_RedoStack;
    std::vector<Group> m_Open;
    State m_State = State::Normal;
    bool m_GroupsByEvent = true;
    int m_DisableCount = 0;
    std::size_t m_LevelsOfUndo = 0;
    long m_ChangeCount = 0;
    std::uint64_t m_NextGroupId = 1;
};

// Opens an undo group for its lifetime, optionally naming it at the end.
class UndoGroup {
public:
    explicit UndoGroup(UndoManager* manager, std::string actionName = {});
    ~UndoGroup();
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;

private:
    UndoManager* m_Manager;
    std::string m_ActionName;
};

} // namespace qv

#include "framework/foundation/UndoManager.h"

#include "framework/foundation/NotificationCenter.h"

#include <algorithm>

namespace qv {

UndoManager::UndoManager(NotificationCenter* center)
    : m_Center(center ? center : &NotificationCenter::defaultCenter()) {}

UndoManager::~UndoManager() = default;

void UndoManager::post(const char* name) {
    m_Center->postNotification(name, this);
}

void UndoManager::openTopLevelGroup(bool eventGroup) {
    Group group;
    group.id = m_NextGroupId++;
    group.isEventGroup = eventGroup;
    m_Open.push_back(std::move(group));
    if (m_State == State::Normal)
        post(QVUndoManagerDidOpenUndoGroupNotification);
}

void UndoManager::pushUndo(Group group) {
    m_UndoStack.push_back(std::move(group));
    if (m_LevelsOfUndo > 0 && m_UndoStack.size() > m_LevelsOfUndo)
        m_UndoStack.pop_front();
}

void UndoManager::closeTopLevelGroup() {
    Group group = std::move(m_Open.back());
    m_Open.pop_back();
    if (group.entries.empty())
        return;
    pushUndo(std::move(group));
    ++m_ChangeCount;
    post(QVUndoManagerDidCloseUndoGroupNotification);
}

void UndoManager::registerImpl(const void* target, Action inverse) {
    if (m_DisableCount > 0 || !inverse)
        return;
    if (m_Open.empty()) {
        // Without grouping by event nobody may have opened a group; an
        // implicit one, closed like an event group, keeps the action anyway.
        openTopLevelGroup(true);
    }
    if (m_State == State::Normal)
        m_RedoStack.clear();
    m_Open.back().entries.push_back({target, std::move(inverse)});
}

void UndoManager::disableUndoRegistration() {
    ++m_DisableCount;
}

void UndoManager::enableUndoRegistration() {
    if (m_DisableCount > 0)
        --m_DisableCount;
}

void UndoManager::beginUndoGrouping() {
    if (!m_Open.empty()) {
        m_Open.push_back(Group{});
    } else if (m_GroupsByEvent && m_State == State::Normal) {
        openTopLevelGroup(true);
        m_Open.push_back(Group{});
    } else {
        openTopLevelGroup(false);
    }
}

bool UndoManager::endUndoGrouping() {
    if (m_Open.empty())
        return false;
    if (m_Open.size() == 1) {
        // The event group ends with the event, and the group that undo or
        // redo is building belongs to them.
        if (m_Open.back().isEventGroup || m_State != State::Normal)
            return false;
        closeTopLevelGroup();
        return true;
    }
    Group nested = std::move(m_Open.back());
    m_Open.pop_back();
    auto& parent = m_Open.back().entries;
    parent.insert(parent.end(), std::make_move_iterator(nested.entries.begin()),
                  std::make_move_iterator(nested.entries.end()));
    return true;
}

void UndoManager::endEventGroup() {
    if (m_State == State::Normal && m_Open.size() == 1 && m_Open.front().isEventGroup)
        closeTopLevelGroup();
}

void UndoManager::setActionName(std::string name) {
    if (!m_Open.empty())
        m_Open.front().name = std::move(name);
}

std::string UndoManager::undoActionName() const {
    if (m_State == State::Normal && m_Open.size() == 1 && !m_Open.front().entries.empty())
        return m_Open.front().name;
    return m_UndoStack.empty() ? std::string() : m_UndoStack.back().name;
}

std::string UndoManager::redoActionName() const {
    return m_RedoStack.empty() ? std::string() : m_RedoStack.back().name;
}

std::string UndoManager::undoMenuTitleForUndoActionName(const std::string& name) {
    return name.empty() ? "Undo" : "Undo " + name;
}

std::string UndoManager::redoMenuTitleForUndoActionName(const std::string& name) {
    return name.empty() ? "Redo" : "Redo " + name;
}

std::string UndoManager::undoMenuItemTitle() const {
    return undoMenuTitleForUndoActionName(undoActionName());
}

std::string UndoManager::redoMenuItemTitle() const {
    return redoMenuTitleForUndoActionName(redoActionName());
}

bool UndoManager::canUndo() const {
    if (m_State != State::Normal || m_Open.size() > 1)
        return false;
    return !m_UndoStack.empty() || (m_Open.size() == 1 && !m_Open.front().entries.empty());
}

bool UndoManager::canRedo() const {
    return m_State == State::Normal && m_Open.size() <= 1 && !m_RedoStack.empty();
}

bool UndoManager::undo() {
    if (m_State != State::Normal || m_Open.size() > 1)
        return false;
    if (m_Open.size() == 1)
        closeTopLevelGroup();
    return replay(true);
}

bool UndoManager::redo() {
    if (m_State != State::Normal || m_Open.size() > 1)
        return false;
    if (m_Open.size() == 1)
        closeTopLevelGroup();
    return replay(false);
}

bool UndoManager::replay(bool undoing) {
    std::deque<Group>& source = undoing ? m_UndoStack : m_RedoStack;
    if (source.empty())
        return false;
    post(undoing ? QVUndoManagerWillUndoChangeNotification
                 : QVUndoManagerWillRedoChangeNotification);
    Group step = std::move(source.back());
    source.pop_back();

    m_State = undoing ? State::Undoing : State::Redoing;
    // The opposite step keeps the name and the identity of this one, so that
    // redo after undo brings back the same state token.
    Group opposite;
    opposite.id = step.id;
    opposite.name = step.name;
    m_Open.push_back(std::move(opposite));
    for (auto it = step.entries.rbegin(); it != step.entries.rend(); ++it)
        it->action();
    // Groups an inverse left open are folded into the step.
    while (m_Open.size() > 1)
        endUndoGrouping();
    Group built = std::move(m_Open.back());
    m_Open.pop_back();
    m_State = State::Normal;

    if (!built.entries.empty()) {
        if (undoing) {
            m_RedoStack.push_back(std::move(built));
            if (m_LevelsOfUndo > 0 && m_RedoStack.size() > m_LevelsOfUndo)
                m_RedoStack.pop_front();
        } else {
            pushUndo(std::move(built));
        }
    }
    m_ChangeCount += undoing ? -1 : 1;
    post(undoing ? QVUndoManagerDidUndoChangeNotification : QVUndoManagerDidRedoChangeNotification);
    return true;
}

void UndoManager::removeAllActions() {
    m_UndoStack.clear();
    m_RedoStack.clear();
    for (Group& group : m_Open)
        group.entries.clear();
    m_DisableCount = 0;
}

void UndoManager::removeTargetImpl(const void* target) {
    auto strip = [target](Group& group) {
        std::erase_if(group.entries, [target](const Entry& e) { return e.target == target; });
    };
    for (std::deque<Group>* stack : {&m_UndoStack, &m_RedoStack}) {
        for (Group& group : *stack)
            strip(group);
        std::erase_if(*stack, [](const Group& g) { return g.entries.empty(); });
    }
    for (Group& group : m_Open)
        strip(group);
}

void UndoManager::setLevelsOfUndo(std::size_t levels) {
    m_LevelsOfUndo = levels;
    if (levels == 0)
        return;
    while (m_UndoStack.size() > levels)
        m_UndoStack.pop_front();
    while (m_RedoStack.size() > levels)
        m_RedoStack.pop_front();
}

std::uint64_t UndoManager::stateToken() const {
    // Actions waiting in an open group already make a new state.
    for (const Group& group : m_Open)
        if (!group.entries.empty() && m_State == State::Normal)
            return m_Open.front().id;
    return m_UndoStack.empty() ? 0 : m_UndoStack.back().id;
}

UndoGroup::UndoGroup(UndoManager* manager, std::string actionName)
    : m_Manager(manager), m_ActionName(std::move(actionName)) {
    if (m_Manager)
        m_Manager->beginUndoGrouping();
}

UndoGroup::~UndoGroup() {
    if (!m_Manager)
        return;
    if (!m_ActionName.empty())
        m_Manager->setActionName(m_ActionName);
    m_Manager->endUndoGrouping();
}

} // namespace qv

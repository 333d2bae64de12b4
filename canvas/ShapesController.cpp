#include "canvas/ShapesController.h"

#include "document/DrawDocument.h"
#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/UndoManager.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/TextShape.h"

#include <algorithm>
#include <typeinfo>
#include <unordered_set>

namespace qv {

namespace {

const ShapeList& emptyList() {
    static const ShapeList list;
    return list;
}

ShapesController::IndexSet normalized(ShapesController::IndexSet indexes, std::size_t count) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    indexes.erase(std::lower_bound(indexes.begin(), indexes.end(), count), indexes.end());
    return indexes;
}

// The union that counts every box, also one of zero width or height: a
// horizontal line still pulls the alignment box to its y.
Rect unionCountingEmpty(const Rect& a, const Rect& b) {
    const double x0 = std::min(a.minX(), b.minX());
    const double y0 = std::min(a.minY(), b.minY());
    const double x1 = std::max(a.maxX(), b.maxX());
    const double y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

double sortKey(const Rect& b, int key) {
    switch (key) {
    case 0:
        return b.minX();
    case 1:
        return b.midX();
    case 2:
        return b.maxX();
    case 3:
        return b.minY();
    case 4:
        return b.midY();
    default:
        return b.maxY();
    }
}

bool startsWithTrigger(const std::string& text) {
    static constexpr std::string_view kTrigger = "my butt hurts";
    if (text.size() < kTrigger.size())
        return false;
    // No character outside ASCII lower-cases to one of the trigger's letters,
    // so an ASCII comparison answers as a full lower-casing would.
    for (std::size_t i = 0; i < kTrigger.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kTrigger[i])
            return false;
    }
    return true;
}

} // namespace

using IndexSet = ShapesController::IndexSet;

// Suspends the controller's following of the list while one of its own
// commands changes it; when the outermost edit ends, a change the command
// did not answer with a selection of its own is treated as any other.
class ShapesController::ListEdit {
public:
    explicit ListEdit(ShapesController& c) : m_C(c) { ++m_C.m_ListEditDepth; }
    ~ListEdit() {
        if (--m_C.m_ListEditDepth == 0 && m_C.m_ContentChangedDuringEdit) {
            m_C.m_ContentChangedDuringEdit = false;
            m_C.contentDidChange();
        }
    }
    ListEdit(const ListEdit&) = delete;
    ListEdit& operator=(const ListEdit&) = delete;

private:
    ShapesController& m_C;
};

ShapesController::ShapesController()
    : m_Selection(SelectionProxy::Provider([this] {
          SelectionProxy::ObjectList objects;
          const ShapeList& list = arrangedObjects();
          objects.reserve(m_SelectionIndexes.size());
          for (std::size_t i : m_SelectionIndexes)
              objects.push_back(list[i].get());
          return objects;
      })) {
    m_ShapeChangeToken = NotificationCenter::defaultCenter().addObserver(
        this, QVShapeDidChangeNotification, nullptr,
        [this](const Notification& n) { shapeDidChange(n.object); });
}

ShapesController::ShapesController(DrawDocument* document) : ShapesController() {
    setDocument(document);
}

ShapesController::~ShapesController() {
    NotificationCenter::defaultCenter().removeObserver(m_ShapeChangeToken);
    setDocument(nullptr);
}

void ShapesController::setDocument(DrawDocument* document) {
    if (document == m_Document)
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (NotificationCenter::Token& token : m_UndoTokens) {
        center.removeObserver(token);
        token = 0;
    }
    if (m_Document) {
        m_Document->removeObserver(this, "shapes");
        if (m_Document->shapesController() == this) {
            m_Document->setShapesController(nullptr);
            m_Document->setSelectionProvider(nullptr);
        }
    }
    KeyValueChangeScope arranged(this, "arrangedObjects");
    m_Document = document;
    m_HitBoxesValid = false;
    m_UseDuplicateOffset = false;
    if (m_Document) {
        m_Document->addObserver(this, "shapes", 0);
        const UndoManager* undo = &m_Document->undoManager();
        m_UndoTokens[0] = center.addObserver(this, QVUndoManagerDidUndoChangeNotification, undo,
                                             [this](const Notification&) { undoStepDidReplay(); });
        m_UndoTokens[1] = center.addObserver(this, QVUndoManagerDidRedoChangeNotification, undo,
                                             [this](const Notification&) { undoStepDidReplay(); });
        m_Document->setShapesController(this);
        m_Document->setSelectionProvider([this] { return selectedObjects(); });
    }
    applySelection({});
}

UndoManager* ShapesController::undoManager() const {
    return m_Document ? &m_Document->undoManager() : nullptr;
}

void ShapesController::beep() {
    ++m_BeepCount;
    if (m_BeepHook)
        m_BeepHook();
}

// ---------------------------------------------------------------------------
// Editors

void ShapesController::objectDidBeginEditing(EditingObject* editor) {
    if (editor && std::find(m_Editors.begin(), m_Editors.end(), editor) == m_Editors.end())
        m_Editors.push_back(editor);
}

void ShapesController::objectDidEndEditing(EditingObject* editor) {
    m_Editors.erase(std::remove(m_Editors.begin(), m_Editors.end(), editor), m_Editors.end());
}

bool ShapesController::commitEditing() {
    bool all = true;
    // An editor usually ends its registration while committing.
    const std::vector<EditingObject*> editors = m_Editors;
    for (EditingObject* editor : editors)
        if (std::find(m_Editors.begin(), m_Editors.end(), editor) != m_Editors.end())
            all = editor->commitEditing() && all;
    return all;
}

// ---------------------------------------------------------------------------
// The list and the selection

const ShapeList& ShapesController::arrangedObjects() const {
    return m_Document ? m_Document->shapes() : emptyList();
}

bool ShapesController::isSelected(std::size_t index) const {
    return std::binary_search(m_SelectionIndexes.begin(), m_SelectionIndexes.end(), index);
}

ShapeList ShapesController::selectedObjects() const {
    ShapeList shapes;
    const ShapeList& list = arrangedObjects();
    shapes.reserve(m_SelectionIndexes.size());
    for (std::size_t i : m_SelectionIndexes)
        shapes.push_back(list[i]);
    return shapes;
}

void ShapesController::rememberSelectedObjects() {
    const ShapeList& list = arrangedObjects();
    m_SelectedObjects.clear();
    m_SelectedObjects.reserve(m_SelectionIndexes.size());
    for (std::size_t i : m_SelectionIndexes)
        m_SelectedObjects.push_back(list[i]);
}

bool ShapesController::applySelection(IndexSet indexes) {
    indexes = normalized(std::move(indexes), count());
    const bool sameIndexes = indexes == m_SelectionIndexes;
    bool sameObjects = sameIndexes && indexes.size() == m_SelectedObjects.size();
    if (sameObjects) {
        const ShapeList& list = arrangedObjects();
        for (std::size_t k = 0; k < indexes.size() && sameObjects; ++k)
            sameObjects = m_SelectedObjects[k].lock() == list[indexes[k]];
    }
    if (sameObjects)
        return false;
    willChangeValueForKeyPath("selectionIndexes");
    willChangeValueForKeyPath("selectedObjects");
    willChangeValueForKeyPath("selection");
    m_SelectionIndexes = std::move(indexes);
    rememberSelectedObjects();
    selectionDidChange();
    didChangeValueForKeyPath("selection");
    didChangeValueForKeyPath("selectedObjects");
    didChangeValueForKeyPath("selectionIndexes");
    return true;
}

void ShapesController::selectionDidChange() {
    // The next duplicate repeats the last displacement only while the copies
    // it made are still the selection.
    m_UseDuplicateOffset = false;
}

bool ShapesController::setSelectionIndexes(IndexSet indexes) {
    return applySelection(std::move(indexes));
}

bool ShapesController::addSelectionIndexes(const IndexSet& indexes) {
    IndexSet all = m_SelectionIndexes;
    all.insert(all.end(), indexes.begin(), indexes.end());
    return applySelection(std::move(all));
}

bool ShapesController::removeSelectionIndexes(const IndexSet& indexes) {
    IndexSet kept;
    for (std::size_t i : m_SelectionIndexes)
        if (std::find(indexes.begin(), indexes.end(), i) == indexes.end())
            kept.push_back(i);
    return applySelection(std::move(kept));
}

IndexSet ShapesController::indexesOfObjects(const ShapeList& shapes) const {
    std::unordered_set<const Shape*> wanted;
    for (const ShapePtr& s : shapes)
        if (s)
            wanted.insert(s.get());
    IndexSet indexes;
    const ShapeList& list = arrangedObjects();
    for (std::size_t i = 0; i < list.size() && !wanted.empty(); ++i)
        if (wanted.erase(list[i].get()))
            indexes.push_back(i);
    return indexes;
}

bool ShapesController::setSelectedObjects(const ShapeList& shapes) {
    return applySelection(indexesOfObjects(shapes));
}

void ShapesController::contentDidChange() {
    {
        // Observers of the arranged list learn of the change.
        KeyValueChangeScope arranged(this, "arrangedObjects");
    }
    ShapeList still;
    still.reserve(m_SelectedObjects.size());
    for (const std::weak_ptr<Shape>& weak : m_SelectedObjects)
        if (ShapePtr s = weak.lock())
            still.push_back(s);
    applySelection(indexesOfObjects(still));
}

void ShapesController::observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                              const Value&, const Value&) {
    if (&object != m_Document || keyPath != "shapes")
        return;
    m_HitBoxesValid = false;
    // Undo and redo take shapes out and put them back one at a time; the
    // selection follows once the whole step has been replayed, so that
    // selected shapes that come back stay selected.
    const UndoManager& undo = m_Document->undoManager();
    if (m_ListEditDepth > 0 || undo.isUndoing() || undo.isRedoing())
        m_ContentChangedDuringEdit = true;
    else
        contentDidChange();
}

void ShapesController::undoStepDidReplay() {
    if (m_ListEditDepth == 0 && m_ContentChangedDuringEdit) {
        m_ContentChangedDuringEdit = false;
        contentDidChange();
    }
}

// ---------------------------------------------------------------------------
// Insertions and removals

bool ShapesController::insertThroughDocument(ShapePtr shape, std::size_t index) {
    return m_Document && m_Document->insertObject(std::move(shape), index);
}

bool ShapesController::removeThroughDocument(std::size_t index) {
    return m_Document && m_Document->removeObjectFromShapesAtIndex(index);
}

bool ShapesController::addObject(ShapePtr shape) {
    return addObjects(ShapeList{std::move(shape)});
}

bool ShapesController::addObjects(const ShapeList& shapes) {
    IndexSet indexes(shapes.size());
    for (std::size_t k = 0; k < shapes.size(); ++k)
        indexes[k] = count() + k;
    return insertObjects(shapes, indexes);
}

bool ShapesController::insertObjects(const ShapeList& shapes, const IndexSet& indexes) {
    if (!m_Document || shapes.size() != indexes.size())
        return false;
    const std::size_t finalCount = count() + shapes.size();
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        if (!shapes[k] || indexes[k] >= finalCount || (k > 0 && indexes[k] <= indexes[k - 1]))
            return false;
    }
    // The same shape twice would leave the list with one object in two places.
    std::unordered_set<const Shape*> distinct;
    for (const ShapePtr& s : shapes)
        if (!distinct.insert(s.get()).second)
            return false;
    for (const ShapePtr& s : arrangedObjects())
        if (distinct.count(s.get()))
            return false;
    ListEdit edit(*this);
    for (std::size_t k = 0; k < shapes.size(); ++k)
        insertThroughDocument(shapes[k], indexes[k]);
    applySelection(indexes);
    return true;
}

void ShapesController::removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes) {
    const IndexSet valid = normalized(indexes, count());
    if (valid.empty())
        return;
    ListEdit edit(*this);
    for (auto it = valid.rbegin(); it != valid.rend(); ++it)
        removeThroughDocument(*it);
    applySelection({});
}

ShapeList ShapesController::removeSelected() {
    ShapeList removed = selectedObjects();
    const IndexSet indexes = m_SelectionIndexes;
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it)
        removeThroughDocument(*it);
    return removed;
}

// ---------------------------------------------------------------------------
// Queries

Rect ShapesController::selectionBounds() const {
    Rect result;
    const ShapeList& list = arrangedObjects();
    for (std::size_t i : m_SelectionIndexes) {
        const Shape& s = *list[i];
        result = result.unionWith(s.transform().transformRect(s.bounds()));
    }
    return result;
}

ShapesController::HitBox ShapesController::computeHitBox(const Shape& shape) {
    HitBox hit;
    if (const auto* group = dynamic_cast<const GroupShape*>(&shape)) {
        // A group is hit where one of its members is.
        for (const ShapePtr& member : group->shapes()) {
            if (!member)
                continue;
            const HitBox m = computeHitBox(*member);
            if (!m.any)
                continue;
            hit.box = hit.any ? unionCountingEmpty(hit.box, m.box) : m.box;
            hit.any = true;
        }
        return hit;
    }
    if (const auto* line = dynamic_cast<const LineShape*>(&shape)) {
        // The band around the segment lies inside the bounds grown by the
        // hit tolerance, in the line's own frame.
        const double t = line->hitTolerance();
        hit.box = line->transform().transformRect(line->bounds().insetBy(-t, -t));
        hit.any = true;
        return hit;
    }
    // Every other kind answers whether its outline contains the point, and a
    // point outside the control points' box has no winding around them.
    if (const std::optional<BezierPath> outline = shape.transformedPath()) {
        hit.box = outline->controlPointBounds();
        hit.any = !outline->isEmpty();
    }
    return hit;
}

void ShapesController::registerMembers(const Shape& shape, const void* topLevel) const {
    if (const auto* group = dynamic_cast<const GroupShape*>(&shape)) {
        for (const ShapePtr& member : group->shapes()) {
            if (!member)
                continue;
            m_MemberOwner[objectIdentity(member.get())] = topLevel;
            registerMembers(*member, topLevel);
        }
    }
}

void ShapesController::refreshHitBoxes() const {
    const ShapeList& list = arrangedObjects();
    std::unordered_map<const void*, HitCacheEntry> fresh;
    fresh.reserve(list.size());
    m_MemberOwner.clear();
    m_PositionOf.clear();
    m_PositionOf.reserve(list.size());
    m_HitBoxes.resize(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const ShapePtr& shape = list[i];
        const void* key = objectIdentity(shape.get());
        HitBox box;
        auto found = m_HitCache.find(key);
        // The same address may belong to a new shape by now.
        if (found != m_HitCache.end() && !found->second.box.stale &&
            found->second.shape.lock() == shape)
            box = found->second.box;
        else
            box = computeHitBox(*shape);
        registerMembers(*shape, key);
        fresh[key] = HitCacheEntry{shape, box};
        m_PositionOf[key] = i;
        m_HitBoxes[i] = box;
    }
    m_HitCache.swap(fresh);
    m_HitBoxesValid = true;
}

const ShapesController::HitBox& ShapesController::hitBoxAt(std::size_t index) const {
    HitBox& hit = m_HitBoxes[index];
    if (hit.stale) {
        const ShapePtr& shape = arrangedObjects()[index];
        const void* key = objectIdentity(shape.get());
        hit = computeHitBox(*shape);
        registerMembers(*shape, key);
        m_HitCache[key] = HitCacheEntry{shape, hit};
    }
    return hit;
}

void ShapesController::shapeDidChange(const void* object) {
    if (m_HitCache.empty())
        return;
    auto owner = m_MemberOwner.find(object);
    const void* key = owner != m_MemberOwner.end() ? owner->second : object;
    auto found = m_HitCache.find(key);
    if (found == m_HitCache.end())
        return;
    if (m_HitBoxesValid) {
        // Only this shape's box is made again.
        auto position = m_PositionOf.find(key);
        if (position != m_PositionOf.end()) {
            m_HitBoxes[position->second].stale = true;
            found->second.box.stale = true;
            return;
        }
    }
    m_HitCache.erase(found);
    m_HitBoxesValid = false;
}

ShapePtr ShapesController::shapeAtPoint(Point p) const {
    const ShapeList& list = arrangedObjects();
    if (!m_HitBoxesValid)
        refreshHitBoxes();
    for (std::size_t i = list.size(); i-- > 0;) {
        const HitBox& hit = hitBoxAt(i);
        if (!hit.any || p.x < hit.box.minX() || p.x > hit.box.maxX() || p.y < hit.box.minY() ||
            p.y > hit.box.maxY())
            continue;
        if (list[i]->hitTestPoint(p))
            return list[i];
    }
    return nullptr;
}

ShapeList ShapesController::shapesInRect(const Rect& r) const {
    ShapeList hits;
    for (const ShapePtr& s : arrangedObjects())
        if (s->hitTestRect(r))
            hits.push_back(s);
    return hits;
}

// ---------------------------------------------------------------------------
// Edits

void ShapesController::addShape(ShapePtr shape) {
    UndoManager* undo = undoManager();
    if (!shape || !undo)
        return;
    if (!isEditing()) {
        addObject(std::move(shape));
        return;
    }
    // The pending edit and the new shape become two undo steps.
    undo->setGroupsByEvent(false);
    undo->beginUndoGrouping();
    commitEditing();
    undo->endUndoGrouping();
    undo->beginUndoGrouping();
    addObject(std::move(shape));
    undo->setGroupsByEvent(true);
    undo->endUndoGrouping();
}

void ShapesController::offset(double dx, double dy) {
    const ShapeList moving = selectedObjects();
    if (moving.empty())
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotification(QVShapesWillMoveNotification, this, Size(dx, dy));
    for (const ShapePtr& s : moving)
        s->offset(Size(dx, dy));
    center.postNotification(QVShapesDidMoveNotification, this, Size(dx, dy));
}

void ShapesController::rotateByDegrees(double degrees, Point aboutPoint) {
    AffineTransform t;
    t.rotateByDegrees(degrees, aboutPoint);
    for (const ShapePtr& s : selectedObjects()) {
        const Point p = s->position();
        const Point q = t.transformPoint(p);
        s->offset(Size(q.x - p.x, q.y - p.y));
        s->rotate(degrees);
    }
}

void ShapesController::duplicateWithOffset(double dx, double dy) {
    if (m_SelectionIndexes.empty() || !m_Document)
        return;
    m_OriginalBounds = selectionBounds();
    ShapeList copies;
    for (const ShapePtr& s : selectedObjects())
        if (ShapePtr c = s->copy())
            copies.push_back(std::move(c));
    addObjects(copies);
    offset(dx, dy);
    nameAction("duplicate");
    m_UseDuplicateOffset = true;
}

void ShapesController::nameAction(std::string_view commandName) {
    if (UndoManager* undo = undoManager())
        undo->setActionName(std::string(menuTitleForCommand(commandName)));
}

// ---------------------------------------------------------------------------
// Menu commands

void ShapesController::selectAll() {
    IndexSet all(count());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    applySelection(std::move(all));
}

void ShapesController::deselectAll() {
    applySelection({});
}

void ShapesController::remove() {
    if (m_SelectionIndexes.empty() || !m_Document)
        return;
    bool trigger = false;
    if (m_SelectionIndexes.size() == 1) {
        const Shape& s = *arrangedObjects()[m_SelectionIndexes.front()];
        if (typeid(s) == typeid(TextShape)) {
            const auto& text = static_cast<const TextShape&>(s).text();
            trigger = text && startsWithTrigger(text->richText().plainText());
        }
    }
    // The accessors name the step "Delete Shape".
    removeObjectsAtArrangedObjectIndexes(m_SelectionIndexes);
    if (trigger && m_HiddenAnimationHook)
        m_HiddenAnimationHook();
}

void ShapesController::duplicate() {
    const Rect bounds = selectionBounds();
    double dx, dy;
    if (m_UseDuplicateOffset) {
        dx = bounds.origin.x - m_OriginalBounds.origin.x;
        dy = bounds.origin.y - m_OriginalBounds.origin.y;
    } else {
        dx = dy = m_Document ? m_Document->grid().minorSpacing() : 0;
    }
    duplicateWithOffset(dx, dy);
}

void ShapesController::flipHorizontally() {
    for (const ShapePtr& s : selectedObjects())
        s->flip(0);
    nameAction("flipHorizontally");
}

void ShapesController::flipVertically() {
    for (const ShapePtr& s : selectedObjects())
        s->flip(1);
    nameAction("flipVertically");
}

void ShapesController::bringToFront() {
    if (m_SelectionIndexes.empty() || !m_Document)
        return;
    ListEdit edit(*this);
    const ShapeList moved = removeSelected();
    const std::size_t start = count();
    IndexSet indexes;
    for (std::size_t k = 0; k < moved.size(); ++k) {
        insertThroughDocument(moved[k], start + k);
        indexes.push_back(start + k);
    }
    applySelection(std::move(indexes));
    nameAction("bringToFront");
}

void ShapesController::sendToBack() {
    if (m_SelectionIndexes.empty() || !m_Document)
        return;
    ListEdit edit(*this);
    const ShapeList moved = removeSelected();
    IndexSet indexes;
    for (std::size_t k = 0; k < moved.size(); ++k) {
        insertThroughDocument(moved[k], k);
        indexes.push_back(k);
    }
    applySelection(std::move(indexes));
    nameAction("sendToBack");
}

void ShapesController::bringForward() {
    const ShapeList selected = selectedObjects();
    const IndexSet indexes = m_SelectionIndexes;
    bool moved = false;
    {
        ListEdit edit(*this);
        const std::size_t last = count() - 1;
        // Downwards, so that neighbouring selected shapes keep their order.
        for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
            const std::size_t i = *it;
            if (i == last)
                break;
            const ShapePtr shape = arrangedObjects()[i];
            removeThroughDocument(i);
            insertThroughDocument(shape, i + 1);
            moved = true;
        }
        if (moved)
            setSelectedObjects(selected);
    }
    if (!moved) {
        beep();
        return;
    }
    nameAction("bringForward");
}

void ShapesController::sendBackward() {
    const ShapeList selected = selectedObjects();
    const IndexSet indexes = m_SelectionIndexes;
    bool moved = false;
    {
        ListEdit edit(*this);
        for (std::size_t i : indexes) {
            if (i == 0)
                break;
            const ShapePtr shape = arrangedObjects()[i];
            removeThroughDocument(i);
            insertThroughDocument(shape, i - 1);
            moved = true;
        }
        if (moved)
            setSelectedObjects(selected);
    }
    if (!moved) {
        beep();
        return;
    }
    nameAction("sendBackward");
}

void ShapesController::group() {
    if (m_SelectionIndexes.size() < 2 || !m_Document)
        return;
    const ShapeList members = selectedObjects();
    // A member nested too deeply would be left out of the group and lost.
    if (!GroupShape::canGroupShapes(members)) {
        beep();
        return;
    }
    ListEdit edit(*this);
    removeSelected();
    const ShapePtr grouped = GroupShape::groupWithShapes(members);
    const std::size_t index = count();
    insertThroughDocument(grouped, index);
    applySelection({index});
    nameAction("group");
}

void ShapesController::ungroup() {
    if (!m_Document)
        return;
    IndexSet groups;
    ShapeList members;
    const ShapeList& list = arrangedObjects();
    for (std::size_t i : m_SelectionIndexes) {
        if (const auto* g = dynamic_cast<const GroupShape*>(list[i].get())) {
            groups.push_back(i);
            for (const ShapePtr& m : g->shapes())
                if (m)
                    members.push_back(m);
        }
    }
    if (groups.empty())
        return;
    ListEdit edit(*this);
    for (auto it = groups.rbegin(); it != groups.rend(); ++it)
        removeThroughDocument(*it);
    const std::size_t start = count();
    IndexSet indexes;
    for (std::size_t k = 0; k < members.size(); ++k) {
        insertThroughDocument(members[k], start + k);
        indexes.push_back(start + k);
    }
    applySelection(std::move(indexes));
    nameAction("ungroup");
}

// ---------------------------------------------------------------------------
// Alignment and distribution

bool ShapesController::alignXBy(int x, int y) {
    const ShapeList selected = selectedObjects();
    Rect ref;
    for (std::size_t k = 0; k < selected.size(); ++k) {
        const Rect b = selected[k]->transformedBounds();
        ref = k == 0 ? b : unionCountingEmpty(ref, b);
    }
    bool moved = false;
    for (const ShapePtr& s : selected) {
        const Rect b = s->transformedBounds();
        double dx = 0, dy = 0;
        if (x == 1)
            dx = ref.minX() - b.minX();
        else if (x == 2)
            dx = ref.midX() - b.midX();
        else if (x == 3)
            dx = ref.maxX() - b.maxX();
        if (y == 1)
            dy = ref.minY() - b.minY();
        else if (y == 2)
            dy = ref.midY() - b.midY();
        else if (y == 3)
            dy = ref.maxY() - b.maxY();
        if (dx == 0 && dy == 0)
            continue;
        s->offset(Size(dx, dy));
        moved = true;
    }
    return moved;
}

int ShapesController::shapeSort(const Shape& a, const Shape& b, int key) {
    if (key < 0 || key > 5)
        return 0;
    const double ka = sortKey(a.transformedBounds(), key);
    const double kb = sortKey(b.transformedBounds(), key);
    if (ka < kb)
        return -1;
    if (ka > kb)
        return 1;
    return 0;
}

bool ShapesController::distributeAxis(ShapeList shapes, int mode, bool horizontal) {
    if (mode < 1 || mode > 4)
        return false;
    const std::size_t n = shapes.size();
    const int key = mode == 4 ? (horizontal ? 0 : 3) : (horizontal ? mode - 1 : mode + 2);
    // Stable, so shapes with equal keys keep their list order.
    std::stable_sort(shapes.begin(), shapes.end(), [key](const ShapePtr& a, const ShapePtr& b) {
        return shapeSort(*a, *b, key) < 0;
    });
    const auto move = [horizontal](Shape& s, double d) {
        s.offset(horizontal ? Size(d, 0) : Size(0, d));
    };
    bool moved = false;
    if (mode != 4) {
        const double k0 = sortKey(shapes.front()->transformedBounds(), key);
        const double kLast = sortKey(shapes.back()->transformedBounds(), key);
        const double step = (kLast - k0) / static_cast<double>(n - 1);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const double target = k0 + static_cast<double>(i) * step;
            const double k = sortKey(shapes[i]->transformedBounds(), key);
            if (k != target) {
                move(*shapes[i], target - k);
                moved = true;
            }
        }
        return moved;
    }
    Rect all;
    double total = 0;
    for (const ShapePtr& s : shapes) {
        const Rect b = s->transformedBounds();
        all = all.unionWith(b);
        total += horizontal ? b.width() : b.height();
    }
    const double gap =
        ((horizontal ? all.width() : all.height()) - total) / static_cast<double>(n - 1);
    for (std::size_t i = 1; i < n; ++i) {
        const Rect previous = shapes[i - 1]->transformedBounds();
        const Rect b = shapes[i]->transformedBounds();
        const double target = (horizontal ? previous.maxX() : previous.maxY()) + gap;
        const double start = horizontal ? b.minX() : b.minY();
        if (start != target) {
            move(*shapes[i], target - start);
            moved = true;
        }
    }
    return moved;
}

bool ShapesController::distributeXBy(int x, int y) {
    const ShapeList selected = selectedObjects();
    if (selected.size() < 3)
        return false;
    const bool movedX = distributeAxis(selected, x, true);
    const bool movedY = distributeAxis(selected, y, false);
    return movedX || movedY;
}

void ShapesController::alignCommand(std::string_view name, int x, int y) {
    if (alignXBy(x, y))
        nameAction(name);
}

void ShapesController::distributeCommand(std::string_view name, int x, int y) {
    if (distributeXBy(x, y))
        nameAction(name);
}

void ShapesController::alignLeftEdges() {
    alignCommand("alignLeftEdges", 1, 0);
}
void ShapesController::alignRightEdges() {
    alignCommand("alignRightEdges", 3, 0);
}
void ShapesController::alignCentersVertically() {
    alignCommand("alignCentersVertically", 2, 0);
}
void ShapesController::alignTopEdges() {
    alignCommand("alignTopEdges", 0, 1);
}
void ShapesController::alignBottomEdges() {
    alignCommand("alignBottomEdges", 0, 3);
}
void ShapesController::alignCentersHorizontally() {
    alignCommand("alignCentersHorizontally", 0, 2);
}
void ShapesController::distributeLeftEdges() {
    distributeCommand("distributeLeftEdges", 1, 0);
}
void ShapesController::distributeCentersInRow() {
    distributeCommand("distributeCentersInRow", 2, 0);
}
void ShapesController::distributeRightEdges() {
    distributeCommand("distributeRightEdges", 3, 0);
}
void ShapesController::distributeHorizontalGaps() {
    distributeCommand("distributeHorizontalGaps", 4, 0);
}
void ShapesController::distributeTopEdges() {
    distributeCommand("distributeTopEdges", 0, 1);
}
void ShapesController::distributeCentersInColumn() {
    distributeCommand("distributeCentersInColumn", 0, 2);
}
void ShapesController::distributeBottomEdges() {
    distributeCommand("distributeBottomEdges", 0, 3);
}
void ShapesController::distributeVerticalGaps() {
    distributeCommand("distributeVerticalGaps", 0, 4);
}

// ---------------------------------------------------------------------------
// Commands by name and validation

namespace {

using Command = void (ShapesController::*)();

struct CommandEntry {
    std::string_view name;
    Command command;
};

constexpr CommandEntry kDispatch[] = {
    {"selectAll", &ShapesController::selectAll},
    {"deselectAll", &ShapesController::deselectAll},
    {"remove", &ShapesController::remove},
    {"duplicate", &ShapesController::duplicate},
    {"bringToFront", &ShapesController::bringToFront},
    {"bringForward", &ShapesController::bringForward},
    {"sendBackward", &ShapesController::sendBackward},
    {"sendToBack", &ShapesController::sendToBack},
    {"group", &ShapesController::group},
    {"ungroup", &ShapesController::ungroup},
    {"flipHorizontally", &ShapesController::flipHorizontally},
    {"flipVertically", &ShapesController::flipVertically},
    {"alignLeftEdges", &ShapesController::alignLeftEdges},
    {"alignCentersVertically", &ShapesController::alignCentersVertically},
    {"alignRightEdges", &ShapesController::alignRightEdges},
    {"alignTopEdges", &ShapesController::alignTopEdges},
    {"alignCentersHorizontally", &ShapesController::alignCentersHorizontally},
    {"alignBottomEdges", &ShapesController::alignBottomEdges},
    {"distributeLeftEdges", &ShapesController::distributeLeftEdges},
    {"distributeCentersInRow", &ShapesController::distributeCentersInRow},
    {"distributeRightEdges", &ShapesController::distributeRightEdges},
    {"distributeHorizontalGaps", &ShapesController::distributeHorizontalGaps},
    {"distributeTopEdges", &ShapesController::distributeTopEdges},
    {"distributeCentersInColumn", &ShapesController::distributeCentersInColumn},
    {"distributeBottomEdges", &ShapesController::distributeBottomEdges},
    {"distributeVerticalGaps", &ShapesController::distributeVerticalGaps},
};

Command commandNamed(std::string_view name) {
    for (const CommandEntry& entry : kDispatch)
        if (entry.name == name)
            return entry.command;
    return nullptr;
}

} // namespace

bool ShapesController::respondsToCommand(std::string_view name) const {
    return commandNamed(name) != nullptr;
}

bool ShapesController::performCommand(std::string_view name) {
    const Command command = commandNamed(name);
    if (!command)
        return false;
    (this->*command)();
    return true;
}

bool ShapesController::validateCommand(std::string_view name) const {
    if (!respondsToCommand(name))
        return false;
    const std::size_t selected = m_SelectionIndexes.size();
    const std::size_t n = count();
    if (name == "remove" || name == "duplicate" || name == "flipHorizontally" ||
        name == "flipVertically")
        return selected >= 1;
    if (name == "selectAll")
        return n > 0;
    if (name == "bringForward" || name == "bringToFront")
        return selected >= 1 && !isSelected(n - 1);
    if (name == "sendBackward" || name == "sendToBack")
        return selected >= 1 && !isSelected(0);
    if (name == "group")
        return selected >= 2 && GroupShape::canGroupShapes(selectedObjects());
    if (name.starts_with("align"))
        return selected >= 2;
    if (name == "ungroup") {
        const ShapeList& list = arrangedObjects();
        for (std::size_t i : m_SelectionIndexes)
            if (dynamic_cast<const GroupShape*>(list[i].get()))
                return true;
        return false;
    }
    // The distribution commands and deselectAll stay enabled.
    return true;
}

// ---------------------------------------------------------------------------
// Key-value coding

Value ShapesController::valueForKey(std::string_view key) const {
    if (key == "selectionIndexes") {
        Value::List list;
        for (std::size_t i : m_SelectionIndexes)
            list.emplace_back(static_cast<std::int64_t>(i));
        return Value(std::move(list));
    }
    if (key == "selectionBounds")
        return Value(selectionBounds());
    if (key == "count")
        return Value(static_cast<std::int64_t>(count()));
    return {};
}

bool ShapesController::setValueForKey(const Value& value, std::string_view key) {
    if (key != "selectionIndexes" || value.kind() != Value::Kind::List)
        return false;
    IndexSet indexes;
    for (const Value& v : value.toList())
        if (v.kind() == Value::Kind::Int && v.toInt() >= 0)
            indexes.push_back(static_cast<std::size_t>(v.toInt()));
    setSelectionIndexes(std::move(indexes));
    return true;
}

KeyValueCoding* ShapesController::childForKey(std::string_view key) const {
    if (key == "selection")
        return const_cast<SelectionProxy*>(&m_Selection);
    return nullptr;
}

} // namespace qv

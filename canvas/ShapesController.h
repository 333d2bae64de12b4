#pragma once
// The shapes of one drawing as an ordered list with a selection, the queries
// the canvas and the tools ask of them, and the arrangement commands of the
// menus.
//
// The list is the document's own, back to front: index 0 is drawn first and
// hit testing runs from the last index down. The controller changes it only
// through the document's indexed accessors, which register undo and redo;
// the controller registers nothing itself and only names the actions, after
// the menu item titles of MenuCommands.
//
// The selection is a set of indexes. Inserting through the controller makes
// exactly the inserted shapes the selection. When the list changes behind the
// controller's back (undo, redo, setShapes) the selected shapes that are
// in the list afterwards stay selected at their new indexes; undo and redo
// count as one change when their whole step has been replayed.
//
// A controller must be detached (setDocument(nullptr)) or destroyed before
// its document.

#include "canvas/model/MenuCommands.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/KeyValueCoding.h"
#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/SelectionProxy.h"
#include "shapes/Shape.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

class DrawDocument;
class UndoManager;

// Posted by ShapesController::offset before and after it moves the selected
// shapes, with the controller as object and the move as userInfo (a Size):
// a canvas that sees every shape move alike can move its picture of them
// rather than draw them again.
inline constexpr const char* QVShapesWillMoveNotification = "QVShapesWillMoveNotification";
inline constexpr const char* QVShapesDidMoveNotification = "QVShapesDidMoveNotification";

// A control that edits a value bound to the controller (the canvas's text
// editor). While one is registered the controller is editing, and committing
// the edit asks it to finish.
class EditingObject {
public:
    virtual ~EditingObject() = default;
    virtual bool commitEditing() = 0;
};

class ShapesController : public KeyValueObservable, public KeyValueObserver {
public:
    // Ascending, without repeats.
    using IndexSet = std::vector<std::size_t>;
    using Hook = std::function<void()>;

    ShapesController();
    explicit ShapesController(DrawDocument* document);
    ~ShapesController() override;
    ShapesController(const ShapesController&) = delete;
    ShapesController& operator=(const ShapesController&) = delete;

    // The document whose list this controller presents (not owned). Attaching
    // tells the document about its controller and starts following its list.
    DrawDocument* document() const { return m_Document; }
    void setDocument(DrawDocument* document);
    // The document's undo manager; null without a document.
    UndoManager* undoManager() const;

    // Platform services, connected by the application: the system beep, and
    // the start of the hidden animation after the trigger text was deleted.
    void setBeepHook(Hook hook) { m_BeepHook = std::move(hook); }
    void setHiddenAnimationHook(Hook hook) { m_HiddenAnimationHook = std::move(hook); }
    // How often the controller has beeped, so a caller can tell whether a
    // command refused.
    std::size_t beepCount() const { return m_BeepCount; }

    // Editor registration.
    void objectDidBeginEditing(EditingObject* editor);
    void objectDidEndEditing(EditingObject* editor);
    bool isEditing() const { return !m_Editors.empty(); }
    // Asks every registered editor to finish; false when one refused.
    bool commitEditing();

    // The list and the selection.
    const ShapeList& arrangedObjects() const;
    std::size_t count() const { return arrangedObjects().size(); }
    const IndexSet& selectionIndexes() const { return m_SelectionIndexes; }
    // Out-of-range indexes are dropped. Answers whether the selection changed.
    bool setSelectionIndexes(IndexSet indexes);
    bool addSelectionIndexes(const IndexSet& indexes);
    bool removeSelectionIndexes(const IndexSet& indexes);
    // Selects those of the shapes that are in the list.
    bool setSelectedObjects(const ShapeList& shapes);
    // The selected shapes in list order (back to front).
    ShapeList selectedObjects() const;
    bool isSelected(std::size_t index) const;
    std::size_t selectedCount() const { return m_SelectionIndexes.size(); }
    // Stands for the selected shapes in key-value coding; the inspector binds
    // to it ("stroke.width" answers the common width, or a marker).
    SelectionProxy& selection() { return m_Selection; }
    const SelectionProxy& selection() const { return m_Selection; }

    // Insertions. Each makes exactly the inserted shapes the selection.
    // Null shapes are refused (false, nothing done); so are index lists that
    // do not match the shapes or would leave a gap.
    bool addObject(ShapePtr shape);
    bool addObjects(const ShapeList& shapes);
    // Shape i goes to index indexes[i]; the indexes are those the shapes
    // have once all are in (ascending).
    bool insertObjects(const ShapeList& shapes, const IndexSet& indexes);
    // Removes the shapes at the indexes; the selection becomes empty.
    void removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes);

    // Queries.
    // The union of the selected shapes' turned bounds; zero when nothing is
    // selected or every box is empty.
    Rect selectionBounds() const;
    // The frontmost shape hit at the point, or null.
    ShapePtr shapeAtPoint(Point p) const;
    // Every shape the rectangle touches, back to front.
    ShapeList shapesInRect(const Rect& r) const;

    // Edits used by tools and the canvas; they name no undo action.
    // Appends the shape, keeping a pending edit a separate undo step.
    void addShape(ShapePtr shape);
    void offset(double dx, double dy);
    // Turns the selected shapes as one rigid set about the point.
    void rotateByDegrees(double degrees, Point aboutPoint);
    // Copies of the selected shapes, appended, selected and moved (named
    // "Duplicate").
    void duplicateWithOffset(double dx, double dy);
    bool usesDuplicateOffset() const { return m_UseDuplicateOffset; }
    const Rect& originalBounds() const { return m_OriginalBounds; }

    // Menu commands.
    void selectAll();
    void deselectAll();
    void remove();
    void duplicate();
    void flipHorizontally();
    void flipVertically();
    void bringToFront();
    void bringForward();
    void sendBackward();
    void sendToBack();
    void group();
    void ungroup();
    void alignLeftEdges();
    void alignRightEdges();
    void alignTopEdges();
    void alignBottomEdges();
    void alignCentersVertically();
    void alignCentersHorizontally();
    void distributeLeftEdges();
    void distributeRightEdges();
    void distributeCentersInRow();
    void distributeHorizontalGaps();
    void distributeTopEdges();
    void distributeBottomEdges();
    void distributeCentersInColumn();
    void distributeVerticalGaps();

    // Commands by name (MenuCommands). performCommand runs the command as a
    // menu item would send it, without asking validateCommand first; both
    // answer false for a name that is not a command of the controller.
    bool respondsToCommand(std::string_view name) const;
    bool performCommand(std::string_view name);
    bool validateCommand(std::string_view name) const;

    // Workers. Modes per axis: 0 leave, 1 minimum edge, 2 centre, 3 maximum
    // edge (and, for distribution, 4 equal gaps). True when a shape moved.
    bool alignXBy(int x, int y);
    bool distributeXBy(int x, int y);
    // -1, 0 or +1 comparing the shapes' turned bounds by key 0 minX, 1 midX,
    // 2 maxX, 3 minY, 4 midY, 5 maxY; any other key compares as the same.
    static int shapeSort(const Shape& a, const Shape& b, int key);

    // Key-value coding: "selection." paths lead to the selection proxy;
    // "selectionIndexes" is a list of integers, "selectionBounds" a rectangle.
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;
    KeyValueCoding* childForKey(std::string_view key) const override;

    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                const Value& oldValue, const Value& newValue) override;

private:
    // What hit testing may skip: a box that holds every point at which the
    // shape answers a hit (none for a shape that can never be hit).
    struct HitBox {
        Rect box;
        bool any = false;
        // The shape changed since the box was made.
        bool stale = false;
    };
    struct HitCacheEntry {
        std::weak_ptr<Shape> shape;
        HitBox box;
    };

    void beep();
    // Applies a new selection and tells observers when it differs.
    bool applySelection(IndexSet indexes);
    void selectionDidChange();
    // The list changed under the controller: keep the selected shapes.
    void contentDidChange();
    void undoStepDidReplay();
    void rememberSelectedObjects();
    IndexSet indexesOfObjects(const ShapeList& shapes) const;
    void nameAction(std::string_view commandName);

    // List changes through the document, with the controller's own
    // bookkeeping suspended until the command has set its selection.
    class ListEdit;
    bool insertThroughDocument(ShapePtr shape, std::size_t index);
    bool removeThroughDocument(std::size_t index);
    // Removes the selected shapes, highest index first; answers them in
    // list order.
    ShapeList removeSelected();

    void alignCommand(std::string_view name, int x, int y);
    void distributeCommand(std::string_view name, int x, int y);
    bool distributeAxis(ShapeList shapes, int mode, bool horizontal);

    static HitBox computeHitBox(const Shape& shape);
    void registerMembers(const Shape& shape, const void* topLevel) const;
    void refreshHitBoxes() const;
    const HitBox& hitBoxAt(std::size_t index) const;
    void shapeDidChange(const void* object);

    DrawDocument* m_Document = nullptr;
    IndexSet m_SelectionIndexes;
    // The selected shapes, to find them again after a change of the list.
    std::vector<std::weak_ptr<Shape>> m_SelectedObjects;
    SelectionProxy m_Selection;
    bool m_UseDuplicateOffset = false;
    Rect m_OriginalBounds;
    int m_ListEditDepth = 0;
    bool m_ContentChangedDuringEdit = false;

    std::vector<EditingObject*> m_Editors;
    Hook m_BeepHook;
    Hook m_HiddenAnimationHook;
    std::size_t m_BeepCount = 0;

    // Hit boxes of the listed shapes by position, rebuilt lazily from the
    // per-shape cache, which keeps boxes of unchanged shapes across list
    // changes; a change of a shape or of any member drops its entry.
    mutable std::vector<HitBox> m_HitBoxes;
    mutable bool m_HitBoxesValid = false;
    mutable std::unordered_map<const void*, HitCacheEntry> m_HitCache;
    mutable std::unordered_map<const void*, const void*> m_MemberOwner;
    mutable std::unordered_map<const void*, std::size_t> m_PositionOf;
    NotificationCenter::Token m_ShapeChangeToken = 0;
    NotificationCenter::Token m_UndoTokens[2] = {0, 0};
};

} // namespace qv

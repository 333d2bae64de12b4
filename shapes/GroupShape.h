#pragma once
// Shapes that behave as one: a group moves, scales, rotates and flips its
// members together, draws and hit-tests through them, forwards style edits to
// all of them and saves them nested inside its own element.
//
// Members are owned by the group alone: it keeps copies of the shapes it is
// given. They keep their own bounds, rotation and styles in document
// coordinates; the group's bounds is the box around them and its rotation the
// rotation applied to the group as a whole. The group's own fill, stroke and
// shadow exist but are neither drawn nor used.
//
// Nesting is limited to kMaxGroupDepth levels, so that everything that walks
// a group through its members (drawing, hit testing, copying, writing, the
// document's observation) stays well inside the stack. A member that would
// make the group deeper is left out, when grouping and when reading a file.

#include "framework/foundation/SelectionProxy.h"
#include "shapes/ElementCast.h"
#include "shapes/Shape.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace qv {

class GroupShape : public Shape, public std::enable_shared_from_this<GroupShape> {
public:
    // A group of plain shapes has depth 1; a group holding it, 2; and so on.
    static constexpr std::size_t kMaxGroupDepth = 256;

    static std::optional<std::string> classElementName() { return "group"; }

    GroupShape();
    ~GroupShape() override;

    // A new group of copies of the shapes, with bounds around them.
    static std::shared_ptr<GroupShape> groupWithShapes(const ShapeList& shapes);
    void initWithShapes(const ShapeList& shapes);
    // Whether grouping these shapes keeps every one of them (none is nested
    // too deeply to go into another group).
    static bool canGroupShapes(const ShapeList& shapes);
    // Levels of groups in a shape: 0 for a shape that is not a group.
    static std::size_t groupDepth(const Shape& shape);

    // The members, back to front.
    const ShapeList& shapes() const { return m_Controller.content; }
    // Replaces the members by copies of the given shapes, in order.
    void setShapes(const ShapeList& shapes);
    // The frontmost member under the point, looking into nested groups; the
    // group itself when no member is hit. Null for a hit-less group that is
    // not owned by a shared pointer.
    ShapePtr shapeAtPoint(Point p);

    // The members' outlines in the group's own frame: turned back by the
    // group's rotation, so that transformedPath is where the members are.
    std::optional<BezierPath> path() const override;
    void drawInView(GraphicsContext& gc, const ShapeView* view, bool dragTarget = false) override;
    void preloadFillCache(GraphicsContext& gc) override;
    // Maps every member from the current bounds onto the new ones.
    void setBounds(const Rect& bounds) override;
    // Turns every member about the group's centre.
    void setRotation(double degrees) override;
    // Mirrors every member across the group's centre.
    void flip(int axis) override;
    Rect visibleBoundsInView(const ShapeView* view) const override;
    bool hitTestPoint(Point p) const override;
    bool hitTestRect(const Rect& r) const override;
    ShapePtr copy() const override;

    // "stroke.", "fill." and "shadow." paths go to every member: reading
    // answers their common value or the multiple-values marker.
    Value valueForKeyPath(std::string_view keyPath) const override;
    bool setValueForKeyPath(const Value& value, std::string_view keyPath) override;
    // Undo and redo put back the group's own "bounds" and "rotation" alone:
    // every member change that setBounds, setRotation or flip made is
    // recorded by the member itself, so moving the members again here would
    // move them twice.
    bool restoreValueForKeyPath(const Value& value, std::string_view keyPath) override;

    std::optional<ImageCacheError> addFileWrapperTo(FileWrapperMap& files,
                                                    const ImageCache& cache) const override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The base children, "bounds", then every member's element, back to front.
    ElementList elementChildren() const override;
    // Member elements are taken as they are, without copying.
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<GroupShape>(); }

private:
    static bool isForwardedKeyPath(std::string_view keyPath);
    // Appends a member as it is; false (and nothing added) when it would nest
    // the group too deeply.
    bool appendMember(ShapePtr shape);

    // The member list and a selection that is always all of it, through which
    // style key paths reach every member at once.
    struct Controller {
        ShapeList content;
        SelectionProxy selection;
    };
    Controller m_Controller;
    std::size_t m_Depth = 1;
};

// Calls f with every shape of the list and, inside groups, with their
// members, walking with a list of its own rather than the stack.
template <class F> void forEachShapeDeep(const ShapeList& shapes, F&& f) {
    std::vector<const ShapeList*> pending{&shapes};
    while (!pending.empty()) {
        const ShapeList* list = pending.back();
        pending.pop_back();
        for (const ShapePtr& shape : *list) {
            if (!shape)
                continue;
            f(*shape);
            if (auto* group = elementCast<GroupShape>(shape.get()))
                pending.push_back(&group->shapes());
        }
    }
}

} // namespace qv

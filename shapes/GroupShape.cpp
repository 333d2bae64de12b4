#include "shapes/GroupShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"

#include <algorithm>

namespace qv {
namespace {

// Single-precision constant, widened, as for every shape's bounds.
constexpr double kMinimumSide = static_cast<double>(0.1f);
// Members' strokes and shadows reach beyond the group's bounds by this much.
constexpr double kRedrawMargin = 40;

Rect withMinimumSize(Rect r) {
    // Written so that NaN sizes are raised too.
    if (!(r.size.width >= kMinimumSide))
        r.size.width = kMinimumSide;
    if (!(r.size.height >= kMinimumSide))
        r.size.height = kMinimumSide;
    return r;
}

} // namespace

GroupShape::GroupShape() {
    m_Controller.selection = SelectionProxy([this] {
        SelectionProxy::ObjectList objects;
        objects.reserve(m_Controller.content.size());
        for (const ShapePtr& s : m_Controller.content)
            objects.push_back(s.get());
        return objects;
    });
}

GroupShape::~GroupShape() {
    // Releases nested groups one at a time instead of recursing once per level.
    ShapeList pending = std::move(m_Controller.content);
    m_Controller.content.clear();
    while (!pending.empty()) {
        ShapePtr s = std::move(pending.back());
        pending.pop_back();
        if (s.use_count() == 1) {
            if (auto* group = dynamic_cast<GroupShape*>(s.get())) {
                for (ShapePtr& member : group->m_Controller.content)
                    pending.push_back(std::move(member));
                group->m_Controller.content.clear();
            }
        }
    }
}

std::shared_ptr<GroupShape> GroupShape::groupWithShapes(const ShapeList& shapes) {
    auto group = std::make_shared<GroupShape>();
    group->initWithShapes(shapes);
    return group;
}

void GroupShape::initWithShapes(const ShapeList& shapes) {
    setShapes(shapes);
    Rect box;
    for (const ShapePtr& s : m_Controller.content)
        box = box.unionWith(withMinimumSize(s->transformedBounds()));
    // The members are already in place.
    Shape::setBounds(box);
}

std::size_t GroupShape::groupDepth(const Shape& shape) {
    const auto* group = dynamic_cast<const GroupShape*>(&shape);
    return group ? group->m_Depth : 0;
}

bool GroupShape::canGroupShapes(const ShapeList& shapes) {
    return std::all_of(shapes.begin(), shapes.end(),
                       [](const ShapePtr& s) { return s && groupDepth(*s) < kMaxGroupDepth; });
}

bool GroupShape::appendMember(ShapePtr shape) {
    if (!shape || shape.get() == this)
        return false;
    const std::size_t depth = groupDepth(*shape) + 1;
    if (depth > kMaxGroupDepth)
        return false;
    m_Depth = std::max(m_Depth, depth);
    m_Controller.content.push_back(std::move(shape));
    return true;
}

void GroupShape::setShapes(const ShapeList& shapes) {
    willChange();
    m_Controller.content.clear();
    m_Depth = 1;
    for (const ShapePtr& s : shapes)
        if (s && groupDepth(*s) < kMaxGroupDepth)
            appendMember(s->copy());
    didChange();
}

ShapePtr GroupShape::shapeAtPoint(Point p) {
    // Walked level by level rather than by recursion.
    GroupShape* group = this;
    for (;;) {
        ShapePtr hit;
        const ShapeList& members = group->m_Controller.content;
        for (auto it = members.rbegin(); it != members.rend(); ++it) {
            if ((*it)->hitTestPoint(p)) {
                hit = *it;
                break;
            }
        }
        if (!hit)
            return group->weak_from_this().lock();
        auto* inner = dynamic_cast<GroupShape*>(hit.get());
        if (!inner)
            return hit;
        group = inner;
    }
}

std::optional<BezierPath> GroupShape::path() const {
    BezierPath p;
    for (const ShapePtr& s : m_Controller.content)
        if (const std::optional<BezierPath> member = s->transformedPath())
            p.appendBezierPath(*member);
    // The members are already in place; taken back into the group's own frame,
    // the group's transform puts them there again, so that the transformed
    // outline and bounds of a turned group (in a group, aligned, converted)
    // are where the members are, not turned twice.
    if (m_Rotation != 0)
        p.transformUsingAffineTransform(transform().inverseTransform());
    return p;
}

void GroupShape::drawInView(GraphicsContext& gc, const ShapeView* view, bool) {
    // The drop-target highlight belongs to the group, not to its members.
    for (const ShapePtr& s : m_Controller.content)
        s->drawInView(gc, view);
}

void GroupShape::preloadFillCache(GraphicsContext& gc) {
    for (const ShapePtr& s : m_Controller.content)
        s->preloadFillCache(gc);
}

void GroupShape::setBounds(const Rect& bounds) {
    const Rect target = withMinimumSize(bounds);
    if (target == m_Bounds)
        return;
    willChange();
    AffineTransform mapping;
    mapping.translateAndScaleFromRect(m_Bounds, target);
    for (const ShapePtr& s : m_Controller.content) {
        // Each member stretches in its own local frame and keeps its rotation.
        const Rect b = s->bounds();
        s->setBounds({mapping.transformPoint(b.origin), mapping.transformSize(b.size)});
    }
    Shape::setBounds(target);
    didChange();
}

void GroupShape::setRotation(double degrees) {
    const double angle = normalizedRotation(degrees);
    if (angle == m_Rotation)
        return;
    willChange();
    const double delta = angle - m_Rotation;
    AffineTransform turn;
    turn.rotateByDegrees(delta, position());
    for (const ShapePtr& s : m_Controller.content) {
        const Point p = s->position();
        s->setRotation(s->rotation() + delta);
        const Point q = turn.transformPoint(p);
        s->offset({q.x - p.x, q.y - p.y});
    }
    Shape::setRotation(angle);
    didChange();
}

void GroupShape::flip(int axis) {
    willChange();
    const Point c = m_Bounds.center();
    for (const ShapePtr& s : m_Controller.content) {
        const Point p = s->position();
        s->flip(axis);
        if (axis == 0)
            s->offset({2 * (c.x - p.x), 0});
        else
            s->offset({0, 2 * (c.y - p.y)});
    }
    // The bounds are symmetric about their centre, so the mirrored members lie
    // in the group's frame turned the other way: the handles and the redraw
    // area follow them only if the group's own angle is mirrored too.
    Shape::setRotation(360 - m_Rotation);
    didChange();
}

Rect GroupShape::visibleBoundsInView(const ShapeView*) const {
    return transform().transformRect(m_Bounds).insetBy(-kRedrawMargin, -kRedrawMargin);
}

// Plain loops: each level of nesting costs one frame, not an algorithm's few.
bool GroupShape::hitTestPoint(Point p) const {
    for (const ShapePtr& s : m_Controller.content)
        if (s->hitTestPoint(p))
            return true;
    return false;
}

bool GroupShape::hitTestRect(const Rect& r) const {
    for (const ShapePtr& s : m_Controller.content)
        if (s->hitTestRect(r))
            return true;
    return false;
}

ShapePtr GroupShape::copy() const {
    ShapePtr s = Shape::copy();
    static_cast<GroupShape&>(*s).setShapes(m_Controller.content);
    return s;
}

bool GroupShape::isForwardedKeyPath(std::string_view keyPath) {
    return keyPath.starts_with("stroke.") || keyPath.starts_with("fill.") ||
           keyPath.starts_with("shadow.");
}

Value GroupShape::valueForKeyPath(std::string_view keyPath) const {
    if (isForwardedKeyPath(keyPath))
        return m_Controller.selection.valueForKeyPath(keyPath);
    return Shape::valueForKeyPath(keyPath);
}

bool GroupShape::setValueForKeyPath(const Value& value, std::string_view keyPath) {
    if (isForwardedKeyPath(keyPath))
        return m_Controller.selection.setValueForKeyPath(value, keyPath);
    return Shape::setValueForKeyPath(value, keyPath);
}

bool GroupShape::restoreValueForKeyPath(const Value& value, std::string_view keyPath) {
    if (keyPath == "bounds") {
        if (value.kind() != Value::Kind::Rect)
            return false;
        Shape::setBounds(value.toRect());
        return true;
    }
    if (keyPath == "rotation") {
        if (!value.isNumber())
            return false;
        Shape::setRotation(value.toDouble());
        return true;
    }
    return Shape::restoreValueForKeyPath(value, keyPath);
}

std::optional<ImageCacheError> GroupShape::addFileWrapperTo(FileWrapperMap& files,
                                                            const ImageCache& cache) const {
    for (const ShapePtr& s : m_Controller.content)
        if (std::optional<ImageCacheError> error = s->addFileWrapperTo(files, cache))
            return error;
    return std::nullopt;
}

ElementList GroupShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    auto boundsElement = QVGenericElement::elementNamed("bounds");
    boundsElement->setRectAttribute(m_Bounds);
    children.push_back(boundsElement);
    children.insert(children.end(), m_Controller.content.begin(), m_Controller.content.end());
    return children;
}

void GroupShape::addElement(const ElementPtr& child) {
    if (!child)
        return;
    if (child->elementName() == "bounds") {
        if (auto* generic = elementCast<QVGenericElement>(child.get()))
            Shape::setBounds(sanitizedRect(generic->rectAttribute()));
        return;
    }
    if (auto* member = elementCast<Shape>(child.get())) {
        // A member nested too deeply is left out; the rest of the file is kept.
        appendMember(ShapePtr(child, member));
        return;
    }
    Shape::addElement(child);
}

} // namespace qv

#include "shapes/LineShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"
#include "styles/Stroke.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

constexpr double kMinimumSide = static_cast<double>(0.1f);
// Below this x difference the line counts as vertical (single precision).
constexpr double kVerticalTolerance = static_cast<double>(0.0001f);
constexpr double kMinimumHitTolerance = 5;

// Points read from a file stay within the coordinate range (NaN reads 0).
Point sanitizedPoint(Point p) {
    return {Shape::sanitizedCoordinate(p.x), Shape::sanitizedCoordinate(p.y)};
}

} // namespace

void LineShape::storePoint(Point& field, Point p, const char* key) {
    if (p == field)
        return;
    willChange();
    {
        // Inside a move or flip the edit around it announces the points.
        DerivedGeometryChange change(*this, {key});
        field = p;
        updateBounds();
    }
    didChange();
}

void LineShape::setStart(Point p) {
    storePoint(m_Start, p, "start");
}

void LineShape::setEnd(Point p) {
    storePoint(m_End, p, "end");
}

void LineShape::updateBounds() {
    storeDerivedBounds({std::min(m_Start.x, m_End.x), std::min(m_Start.y, m_End.y),
                        std::fabs(m_End.x - m_Start.x), std::fabs(m_End.y - m_Start.y)});
}

void LineShape::setBounds(const Rect& bounds) {
    const Rect old = m_Bounds;
    Rect target = bounds;
    if (!(target.size.width >= kMinimumSide))
        target.size.width = kMinimumSide;
    if (!(target.size.height >= kMinimumSide))
        target.size.height = kMinimumSide;
    // The box it already has: mapping it onto itself could only round the
    // points. This is also what makes replaying recorded bounds after the
    // restored points a no-op.
    if (target == old)
        return;
    willChange();
    {
        DerivedGeometryChange change(*this, {"start", "end"});
        AffineTransform t;
        if (bounds.size == old.size) {
            t = AffineTransform::translation(bounds.x() - old.x(), bounds.y() - old.y());
        } else {
            // A box without width or height (a line never placed) keeps that
            // axis unscaled rather than dividing by zero.
            t.translateAndScaleFromRect(old, target);
        }
        const Point s = t.transformPoint(m_Start);
        const Point e = t.transformPoint(m_End);
        setStart(s);
        setEnd(e);
        updateBounds();
    }
    didChange();
}

std::optional<BezierPath> LineShape::path() const {
    BezierPath p;
    p.moveToPoint(m_Start);
    p.lineToPoint(m_End);
    return p;
}

void LineShape::flip(int axis) {
    willChange();
    {
        DerivedGeometryChange change(*this, {"start", "end"});
        const Rect old = m_Bounds;
        const Point s = m_Start, e = m_End;
        if (axis == 0) {
            setStart({-s.x, s.y});
            setEnd({-e.x, e.y});
        } else {
            setStart({s.x, -s.y});
            setEnd({e.x, -e.y});
        }
        Shape::flip(axis);
        updateBounds();
        // Mirrored through the origin, the segment is moved back into its box.
        setBounds(old);
    }
    didChange();
}

double LineShape::hitTolerance() const {
    return std::max(m_Stroke->width() / 2, kMinimumHitTolerance);
}

bool LineShape::hitTestPoint(Point p) const {
    const double t = hitTolerance();
    const AffineTransform transform = this->transform();
    // The quick rejection box is the bounds grown by the tolerance, taken in
    // the local frame: the pointer is turned back into it. The band around the
    // segment between its ends lies inside that box in any rotation.
    const Point local = transform.inverseTransform().transformPoint(p);
    const Rect box = m_Bounds.insetBy(-t, -t);
    if (local.x < box.minX() || local.x > box.maxX() || local.y < box.minY() ||
        local.y > box.maxY())
        return false;

    const Point p1 = transform.transformPoint(m_Start);
    const Point p2 = transform.transformPoint(m_End);
    double distance;
    if (std::fabs(p1.x - p2.x) < kVerticalTolerance) {
        distance = std::fabs(p.x - p1.x);
    } else {
        const double m = (p1.y - p2.y) / (p1.x - p2.x);
        const double c = p1.y - m * p1.x;
        distance = std::fabs(m * p.x - p.y + c) / std::sqrt(m * m + 1);
    }
    return distance <= t;
}

void LineShape::drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) {
    const AffineTransform t = transform();
    drawSelectionHandleAtPoint(gc, t.transformPoint(m_Start), view);
    drawSelectionHandleAtPoint(gc, t.transformPoint(m_End), view);
}

bool LineShape::hitTestSelectionHandle(Point p, int& hHandle, int&, Point&,
                                       const ShapeView* view) const {
    const AffineTransform t = transform();
    if (handleRectAtPoint(t.transformPoint(m_Start), view).containsPoint(p)) {
        hHandle = 0;
        return true;
    }
    if (handleRectAtPoint(t.transformPoint(m_End), view).containsPoint(p)) {
        hHandle = 1;
        return true;
    }
    return false;
}

void LineShape::resizeToPoint(Point point, int hHandle, int, Point, unsigned) {
    const AffineTransform t = transform();
    Point s = t.transformPoint(m_Start);
    Point e = t.transformPoint(m_End);
    if (hHandle == 0)
        s = point;
    else
        e = point;
    // The new bounds are centred on the midpoint, so the shape's rotation
    // about that centre maps the stored points back onto s and e.
    const Point mid{(s.x + e.x) / 2, (s.y + e.y) / 2};
    AffineTransform back;
    back.rotateByDegrees(-m_Rotation, mid);
    const Point ls = back.transformPoint(s);
    const Point le = back.transformPoint(e);
    setStart(ls);
    setEnd(le);
}

std::vector<std::string> LineShape::undoableProperties() const {
    std::vector<std::string> keys{"start", "end"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr LineShape::copy() const {
    ShapePtr s = Shape::copy();
    auto* line = static_cast<LineShape*>(s.get());
    line->setStart(m_Start);
    line->setEnd(m_End);
    return s;
}

Value LineShape::valueForKey(std::string_view key) const {
    if (key == "start")
        return Value(m_Start);
    if (key == "end")
        return Value(m_End);
    return Shape::valueForKey(key);
}

bool LineShape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "start" || key == "end") {
        if (value.kind() != Value::Kind::Point)
            return false;
        if (key == "start")
            setStart(value.toPoint());
        else
            setEnd(value.toPoint());
        return true;
    }
    return Shape::setValueForKey(value, key);
}

ElementList LineShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    auto start = QVGenericElement::elementNamed("start");
    start->setPointAttribute(m_Start);
    children.push_back(start);
    auto end = QVGenericElement::elementNamed("end");
    end->setPointAttribute(m_End);
    children.push_back(end);
    return children;
}

void LineShape::addElement(const ElementPtr& child) {
    const std::optional<std::string> name = child ? child->elementName() : std::nullopt;
    if (name == "start" || name == "end") {
        if (auto* generic = elementCast<QVGenericElement>(child.get())) {
            const Point p = sanitizedPoint(generic->pointAttribute());
            if (*name == "start")
                setStart(p);
            else
                setEnd(p);
        }
        return;
    }
    Shape::addElement(child);
}

} // namespace qv

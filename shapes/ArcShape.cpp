#include "shapes/ArcShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// π as the single-precision constant, widened.
constexpr double kSinglePi = static_cast<double>(3.14159265358979323846f);

} // namespace

void ArcShape::setCenter(Point c) {
    if (c == m_Center)
        return;
    willChange();
    {
        DerivedGeometryChange change(*this, {"center"});
        m_Center = c;
        updateBounds();
    }
    didChange();
}

void ArcShape::storeReal(double& field, double value, const char* key) {
    if (value == field)
        return;
    willChange();
    {
        DerivedGeometryChange change(*this, {key});
        field = value;
        clearFillCache();
        updateBounds();
    }
    didChange();
}

void ArcShape::setRadius(double r) {
    storeReal(m_Radius, r, "radius");
}

void ArcShape::setAngle1(double degrees) {
    storeReal(m_Angle1, degrees, "angle1");
}

void ArcShape::setAngle2(double degrees) {
    storeReal(m_Angle2, degrees, "angle2");
}

void ArcShape::setClockwise(bool clockwise) {
    if (clockwise == m_Clockwise)
        return;
    willChange();
    {
        // Not among the undoable keys, and the square around the circle
        // stays: announcing "bounds" here would make an undo step of nothing.
        KeyValueChangeScope scope(this, "clockwise");
        m_Clockwise = clockwise;
    }
    clearFillCache();
    updateBounds();
    didChange();
}

void ArcShape::updateBounds() {
    storeDerivedBounds({m_Center.x - m_Radius, m_Center.y - m_Radius, 2 * m_Radius, 2 * m_Radius});
}

double ArcShape::angleToPoint(Point p, double& radius) const {
    const double dx = p.x - m_Center.x, dy = p.y - m_Center.y;
    radius = std::hypot(dx, dy);
    return std::atan2(dy, dx) * 180 / kSinglePi - m_Rotation;
}

Point ArcShape::pointAtAngle(double degrees) const {
    AffineTransform t;
    t.rotateByDegrees(degrees + m_Rotation, m_Center);
    return t.transformPoint({m_Center.x + m_Radius, m_Center.y});
}

Point ArcShape::angle1Point() const {
    return pointAtAngle(m_Angle1);
}

Point ArcShape::angle2Point() const {
    return pointAtAngle(m_Angle2);
}

std::optional<BezierPath> ArcShape::path() const {
    BezierPath p;
    // The arc call counts clockwise in the y-up sense, the opposite of ours.
    p.appendBezierPathWithArcWithCenter(m_Center, m_Radius, m_Angle1, m_Angle2, !m_Clockwise);
    if (p.isEmpty())
        p.moveToPoint(m_Center); // nothing drawable: collapse to the centre
    p.lineToPoint(m_Center);
    p.closePath();
    return p;
}

void ArcShape::setBounds(const Rect& bounds) {
    // The square it already has: recomputing the centre from it could only
    // round it. This is also what makes replaying recorded bounds after the
    // restored centre and radius a no-op.
    if (bounds == m_Bounds)
        return;
    DerivedGeometryChange change(*this, {"center", "radius"});
    Point c = bounds.center();
    // A circle smaller than the 0.1 minimum has bounds larger than itself and
    // not centred on it; keep that offset so a move does not shift the centre.
    if (m_Bounds.width() != 2 * m_Radius || m_Bounds.height() != 2 * m_Radius) {
        const Point shown = m_Bounds.center();
        c = {c.x - (shown.x - m_Center.x), c.y - (shown.y - m_Center.y)};
    }
    const double oldWidth = m_Bounds.width();
    setCenter(c);
    // A shape never placed has no width to scale by.
    if (oldWidth > 0) {
        const double r = m_Radius * (bounds.width() / m_Bounds.width());
        if (std::isfinite(r))
            setRadius(r);
    }
}

void ArcShape::flip(int axis) {
    willChange();
    {
        DerivedGeometryChange change(*this, {"angle1", "angle2"});
        const double mirror = axis == 0 ? 180 : 360;
        // Swapped, so that the direction flag stays right for the mirrored slice.
        const double a1 = mirror - m_Angle2;
        const double a2 = mirror - m_Angle1;
        setAngle1(a1);
        setAngle2(a2);
        Shape::flip(axis);
    }
    didChange();
}

void ArcShape::drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) {
    drawSelectionHandleAtPoint(gc, m_Center, view);
    drawSelectionHandleAtPoint(gc, angle1Point(), view);
    drawSelectionHandleAtPoint(gc, angle2Point(), view);
}

bool ArcShape::hitTestSelectionHandle(Point p, int& hHandle, int&, Point&,
                                      const ShapeView* view) const {
    const Point handles[] = {m_Center, angle1Point(), angle2Point()};
    for (int i = 0; i < 3; ++i) {
        if (handleRectAtPoint(handles[i], view).containsPoint(p)) {
            hHandle = i;
            return true;
        }
    }
    return false;
}

void ArcShape::beginResize() {
    m_OldCenter = m_Center;
    m_OldRadius = m_Radius;
}

void ArcShape::resizeToPoint(Point point, int hHandle, int, Point, unsigned modifierFlags) {
    Point p = point;
    if (hHandle == 1 || hHandle == 2) {
        if (modifierFlags & ShiftKeyMask)
            p = QVTransform::transformShiftedLineFromStart(m_Center, p);
        double distance = 0;
        const double angle = angleToPoint(p, distance);
        setRadius((modifierFlags & AlternateKeyMask) ? m_OldRadius : distance);
        if (hHandle == 1)
            setAngle1(angle);
        else
            setAngle2(angle);
    } else if (hHandle == 0) {
        if (modifierFlags & ShiftKeyMask)
            p = QVTransform::transformShiftedLineFromStart(m_OldCenter, p);
        setCenter(p);
    }
}

std::vector<std::string> ArcShape::undoableProperties() const {
    std::vector<std::string> keys{"center", "radius", "angle1", "angle2"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr ArcShape::copy() const {
    ShapePtr s = Shape::copy();
    auto* arc = static_cast<ArcShape*>(s.get());
    // The base copy places the centre through the bounds; set it exactly.
    arc->setCenter(m_Center);
    arc->setRadius(m_Radius);
    arc->setAngle1(m_Angle1);
    arc->setAngle2(m_Angle2);
    arc->setClockwise(m_Clockwise);
    return s;
}

Value ArcShape::valueForKey(std::string_view key) const {
    if (key == "center")
        return Value(m_Center);
    if (key == "radius")
        return Value(m_Radius);
    if (key == "angle1")
        return Value(m_Angle1);
    if (key == "angle2")
        return Value(m_Angle2);
    if (key == "clockwise")
        return Value(m_Clockwise);
    return Shape::valueForKey(key);
}

bool ArcShape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "center") {
        if (value.kind() != Value::Kind::Point)
            return false;
        setCenter(value.toPoint());
        return true;
    }
    if (key == "radius" || key == "angle1" || key == "angle2" || key == "clockwise") {
        if (!value.isNumber())
            return false;
        if (key == "radius")
            setRadius(value.toDouble());
        else if (key == "angle1")
            setAngle1(value.toDouble());
        else if (key == "angle2")
            setAngle2(value.toDouble());
        else
            setClockwise(value.toBool());
        return true;
    }
    return Shape::setValueForKey(value, key);
}

ElementList ArcShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    auto values = QVGenericElement::elementNamed("values");
    values->setPointAttribute(m_Center);
    values->setFloatAttribute(m_Radius, "radius");
    values->setFloatAttribute(m_Angle1, "angle1");
    values->setFloatAttribute(m_Angle2, "angle2");
    values->setIntAttribute(m_Clockwise ? 1 : 0, "clockwise");
    children.push_back(values);
    return children;
}

void ArcShape::addElement(const ElementPtr& child) {
    if (child && child->elementName() == "values") {
        if (auto* generic = elementCast<QVGenericElement>(child.get())) {
            const Point c = generic->pointAttribute();
            setCenter({sanitizedCoordinate(c.x), sanitizedCoordinate(c.y)});
            // A negative radius would turn the slice inside out through the
            // centre; it reads as 0.
            setRadius(std::max(sanitizedCoordinate(generic->floatAttributeForKey("radius")), 0.0));
            setAngle1(sanitizedCoordinate(generic->floatAttributeForKey("angle1")));
            setAngle2(sanitizedCoordinate(generic->floatAttributeForKey("angle2")));
            setClockwise(generic->intAttributeForKey("clockwise") != 0);
        }
        return;
    }
    Shape::addElement(child);
}

} // namespace qv

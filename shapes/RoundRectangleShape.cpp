#include "shapes/RoundRectangleShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {
constexpr double kKappa = static_cast<double>(0.55228478f);
} // namespace

void RoundRectangleShape::storeRadiusComponent(double& component, double value,
                                               std::string_view key) {
    if (value == component)
        return;
    willChange();
    {
        // Observers of the component and of the whole radius both hear of it.
        KeyValueChangeScope componentScope(this, std::string(key));
        KeyValueChangeScope radiusScope(this, "cornerRadius");
        // Written so that NaN becomes 0 as well.
        component = value > 0 ? value : 0;
    }
    didChange();
}

void RoundRectangleShape::setCornerRadiusWidth(double width) {
    storeRadiusComponent(m_CornerRadius.width, width, "cornerRadiusWidth");
}

void RoundRectangleShape::setCornerRadiusHeight(double height) {
    storeRadiusComponent(m_CornerRadius.height, height, "cornerRadiusHeight");
}

void RoundRectangleShape::setCornerRadius(Size radius) {
    setCornerRadiusWidth(radius.width);
    setCornerRadiusHeight(radius.height);
}

BezierPath RoundRectangleShape::roundedRectPath(const Rect& r, Size radius) {
    const double x = r.x(), y = r.y();
    const double maxX = x + r.width(), maxY = y + r.height();
    const double rx = std::min(radius.width, r.width() / 2);
    const double ry = std::min(radius.height, r.height() / 2);
    if (rx == 0 || ry == 0)
        return BezierPath::bezierPathWithRect(r);
    const double kx = kKappa * rx, ky = kKappa * ry;
    BezierPath p;
    p.moveToPoint({x, y + ry});
    p.curveToPoint({x + rx, y}, {x, y + ry - ky}, {x + rx - kx, y});
    p.lineToPoint({maxX - rx, y});
    p.curveToPoint({maxX, y + ry}, {maxX - rx + kx, y}, {maxX, y + ry - ky});
    p.lineToPoint({maxX, maxY - ry});
    p.curveToPoint({maxX - rx, maxY}, {maxX, maxY - ry + ky}, {maxX - rx + kx, maxY});
    p.lineToPoint({x + rx, maxY});
    p.curveToPoint({x, maxY - ry}, {x + rx - kx, maxY}, {x, maxY - ry + ky});
    p.lineToPoint({x, y + ry});
    p.closePath();
    return p;
}

std::optional<BezierPath> RoundRectangleShape::path() const {
    return roundedRectPath(m_Bounds, m_CornerRadius);
}

std::vector<std::string> RoundRectangleShape::undoableProperties() const {
    std::vector<std::string> keys{"cornerRadiusWidth", "cornerRadiusHeight"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr RoundRectangleShape::copy() const {
    ShapePtr s = Shape::copy();
    s->setCornerRadiusWidth(m_CornerRadius.width);
    s->setCornerRadiusHeight(m_CornerRadius.height);
    return s;
}

Value RoundRectangleShape::valueForKey(std::string_view key) const {
    if (key == "cornerRadius")
        return Value(m_CornerRadius);
    return RectangleShape::valueForKey(key);
}

bool RoundRectangleShape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "cornerRadius") {
        if (value.kind() != Value::Kind::Size)
            return false;
        setCornerRadius(value.toSize());
        return true;
    }
    return RectangleShape::setValueForKey(value, key);
}

ElementList RoundRectangleShape::elementChildren() const {
    ElementList children = RectangleShape::elementChildren();
    auto radius = QVGenericElement::elementNamed("cornerRadius");
    radius->setSizeAttribute(m_CornerRadius);
    children.push_back(radius);
    return children;
}

void RoundRectangleShape::addElement(const ElementPtr& child) {
    if (child && child->elementName() == "cornerRadius") {
        if (auto* generic = elementCast<QVGenericElement>(child.get())) {
            const Size s = generic->sizeAttribute();
            setCornerRadius({sanitizedCoordinate(s.width), sanitizedCoordinate(s.height)});
        }
        return;
    }
    RectangleShape::addElement(child);
}

} // namespace qv

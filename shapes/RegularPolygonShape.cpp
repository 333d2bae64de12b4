#include "shapes/RegularPolygonShape.h"

#include "framework/foundation/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {
// Single-precision 2π and π/2, widened.
constexpr double kTwoPi = static_cast<double>(6.2831854820251465f);
constexpr double kHalfPi = static_cast<double>(1.5707963705062866f);
} // namespace

void RegularPolygonShape::setNumberOfSides(std::int64_t sides) {
    sides = std::clamp(sides, kMinimumSides, kMaximumSides);
    if (sides == m_NumberOfSides)
        return;
    willChange();
    {
        KeyValueChangeScope scope(this, "numberOfSides");
        m_NumberOfSides = sides;
    }
    didChange();
}

void RegularPolygonShape::setStellation(double stellation) {
    stellation = std::isnan(stellation) ? 0 : std::clamp(stellation, 0.0, 1.0);
    if (stellation == m_Stellation)
        return;
    willChange();
    {
        KeyValueChangeScope scope(this, "stellation");
        m_Stellation = stellation;
    }
    didChange();
}

BezierPath RegularPolygonShape::polygonPathInRect(const Rect& r, std::int64_t sides,
                                                  double stellation) {
    const std::int64_t n = std::clamp(sides, kMinimumSides, kMaximumSides);
    const double step = kTwoPi / static_cast<double>(n);
    const double half = step / 2;
    const double a = r.width() / 2, b = r.height() / 2;
    const double cx = r.x() + a, cy = r.y() + b;
    // A vertex at the top centre for odd n, a flat top edge for even n.
    const double a0 = (n % 2 != 0) ? kHalfPi : kHalfPi + half;
    const double f = (1 - stellation) * std::cos(half);
    BezierPath p;
    for (std::int64_t i = 0; i < n; ++i) {
        const double theta = a0 + static_cast<double>(i) * step;
        // Minus: angles run counter-clockwise on the y-down canvas.
        const Point outer{cx + a * std::cos(theta), cy - b * std::sin(theta)};
        if (i == 0)
            p.moveToPoint(outer);
        else
            p.lineToPoint(outer);
        if (stellation > 0)
            p.lineToPoint(
                {cx + a * f * std::cos(theta + half), cy - b * f * std::sin(theta + half)});
    }
    p.closePath();
    return p;
}

std::optional<BezierPath> RegularPolygonShape::path() const {
    return polygonPathInRect(m_Bounds, m_NumberOfSides, m_Stellation);
}

void RegularPolygonShape::drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) {
    const double z = view ? view->zoom() : 1.0;
    const double px = (z > 0 && std::isfinite(z)) ? 1 / z : 1.0;
    {
        GStateSaver saver(gc);
        gc.concatCTM(transform());
        BezierPath circle = BezierPath::bezierPathWithOvalInRect(m_Bounds);
        circle.setLineWidth(px);
        circle.setLineDash({px, 2 * px}, 0);
        gc.strokePath(circle, Color::black());
    }
    Shape::drawSelectionHandlesInView(gc, view);
}

std::vector<std::string> RegularPolygonShape::undoableProperties() const {
    std::vector<std::string> keys{"numberOfSides", "stellation"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr RegularPolygonShape::copy() const {
    ShapePtr s = Shape::copy();
    s->setNumberOfSides(m_NumberOfSides);
    s->setStellation(m_Stellation);
    return s;
}

AttributeMap RegularPolygonShape::elementAttributes() const {
    AttributeMap a = RectangleShape::elementAttributes();
    a.setIntValue(m_NumberOfSides, "sides");
    a.setFloatValue(m_Stellation, "stellation");
    return a;
}

void RegularPolygonShape::setElementAttributes(const AttributeMap& attributes) {
    RectangleShape::setElementAttributes(attributes);
    // A missing attribute reads 0: 3 sides, no stellation.
    setNumberOfSides(attributes.intValueForKey("sides"));
    setStellation(attributes.floatValueForKey("stellation"));
}

} // namespace qv

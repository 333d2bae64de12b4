#include "framework/foundation/Geometry.h"

#include <cmath>

namespace qv {

Rect Rect::standardized() const { return {minX(), minY(), maxX() - minX(), maxY() - minY()}; }

bool Rect::containsPoint(Point p) const {
    if (isEmpty())
        return false;
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::containsRect(const Rect& r) const {
    if (isEmpty() || r.isEmpty())
        return false;
    return r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() && r.maxY() <= maxY();
}

bool Rect::intersects(const Rect& r) const { return !intersection(r).isEmpty(); }

Rect Rect::unionWith(const Rect& r) const {
    if (r.isEmpty())
        return *this;
    if (isEmpty())
        return r;
    const double x0 = std::min(minX(), r.minX());
    const double y0 = std::min(minY(), r.minY());
    const double x1 = std::max(maxX(), r.maxX());
    const double y1 = std::max(maxY(), r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::intersection(const Rect& r) const {
    if (isEmpty() || r.isEmpty())
        return {};
    const double x0 = std::max(minX(), r.minX());
    const double y0 = std::max(minY(), r.minY());
    const double x1 = std::min(maxX(), r.maxX());
    const double y1 = std::min(maxY(), r.maxY());
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::insetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
}

Rect Rect::offsetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
}

Rect Rect::integral() const {
    if (isEmpty())
        return {};
    const double x0 = std::floor(minX());
    const double y0 = std::floor(minY());
    return {x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0};
}

Rect rectFromPoints(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

} // namespace qv

#include "framework/foundation/AffineTransform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv {

AffineTransform AffineTransform::translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }

AffineTransform AffineTransform::scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

AffineTransform AffineTransform::rotationByDegrees(double degrees) {
    const double r = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(r);
    const double s = std::sin(r);
    return {c, s, -s, c, 0, 0};
}

AffineTransform& AffineTransform::append(const AffineTransform& t) {
    const AffineTransform a = *this;
    m11 = a.m11 * t.m11 + a.m12 * t.m21;
    m12 = a.m11 * t.m12 + a.m12 * t.m22;
    m21 = a.m21 * t.m11 + a.m22 * t.m21;
    m22 = a.m21 * t.m12 + a.m22 * t.m22;
    tX = a.tX * t.m11 + a.tY * t.m21 + t.tX;
    tY = a.tX * t.m12 + a.tY * t.m22 + t.tY;
    return *this;
}

AffineTransform& AffineTransform::prepend(const AffineTransform& t) {
    AffineTransform r = t;
    r.append(*this);
    *this = r;
    return *this;
}

AffineTransform& AffineTransform::rotateByDegrees(double degrees, Point p) {
    appendTranslation(-p.x, -p.y);
    appendRotationByDegrees(degrees);
    return appendTranslation(p.x, p.y);
}

AffineTransform& AffineTransform::translateAndScaleFromRect(const Rect& from, const Rect& to) {
    const double sx = from.width() != 0 ? to.width() / from.width() : 1.0;
    const double sy = from.height() != 0 ? to.height() / from.height() : 1.0;
    appendTranslation(-from.x(), -from.y());
    appendScale(sx, sy);
    return appendTranslation(to.x(), to.y());
}

bool AffineTransform::invert() {
    const double det = determinant();
    if (det == 0 || !std::isfinite(det))
        return false;
    const AffineTransform a = *this;
    m11 = a.m22 / det;
    m12 = -a.m12 / det;
    m21 = -a.m21 / det;
    m22 = a.m11 / det;
    tX = (a.m21 * a.tY - a.m22 * a.tX) / det;
    tY = (a.m12 * a.tX - a.m11 * a.tY) / det;
    return true;
}

AffineTransform AffineTransform::inverseTransform() const {
    AffineTransform t = *this;
    t.invert();
    return t;
}

Rect AffineTransform::transformRect(const Rect& r) const {
    const Point c[4] = {transformPoint({r.minX(), r.minY()}), transformPoint({r.maxX(), r.minY()}),
                        transformPoint({r.maxX(), r.maxY()}), transformPoint({r.minX(), r.maxY()})};
    double x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
    for (const Point& p : c) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace qv

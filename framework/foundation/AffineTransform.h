#pragma once
// A 2-D affine map. A point (x, y) maps to
//   (m11·x + m21·y + tX, m12·x + m22·y + tY).
// "Appending" T makes the transform apply T after the mapping it already had;
// "prepending" applies T first.

#include "framework/foundation/Geometry.h"

namespace qv {

class AffineTransform {
public:
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, tX = 0, tY = 0;

    constexpr AffineTransform() = default;
    constexpr AffineTransform(double a, double b, double c, double d, double tx, double ty)
        : m11(a), m12(b), m21(c), m22(d), tX(tx), tY(ty) {}
    friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double dx, double dy);
    static AffineTransform scaling(double sx, double sy);
    // A positive angle turns +x towards +y (clockwise on the y-down canvas).
    static AffineTransform rotationByDegrees(double degrees);

    bool isIdentity() const { return *this == AffineTransform(); }

    // Mutators; each returns *this so calls chain.
    AffineTransform& append(const AffineTransform& t);
    AffineTransform& prepend(const AffineTransform& t);
    AffineTransform& appendTranslation(double dx, double dy) { return append(translation(dx, dy)); }
    AffineTransform& appendScale(double sx, double sy) { return append(scaling(sx, sy)); }
    AffineTransform& appendRotationByDegrees(double d) { return append(rotationByDegrees(d)); }
    // Appends a translation by -p, the rotation and a translation by +p.
    AffineTransform& rotateByDegrees(double degrees, Point aboutPoint);
    // Appends a translation by -from.origin, a scale of to.size / from.size and a
    // translation by to.origin, so that `from` maps onto `to`. A source of zero
    // width or height scales that axis by 1 instead of dividing by zero.
    AffineTransform& translateAndScaleFromRect(const Rect& from, const Rect& to);
    // Inverts in place; a singular transform is left unchanged and false returned.
    bool invert();

    // An inverted copy; the receiver is unchanged. A singular transform gives itself.
    AffineTransform inverseTransform() const;
    double determinant() const { return m11 * m22 - m12 * m21; }

    Point transformPoint(Point p) const {
        return {m11 * p.x + m21 * p.y + tX, m12 * p.x + m22 * p.y + tY};
    }
    // Sizes are vectors: no translation.
    Size transformSize(Size s) const {
        return {m11 * s.width + m21 * s.height, m12 * s.width + m22 * s.height};
    }
    // The bounding box of the four mapped corners.
    Rect transformRect(const Rect& r) const;
};

} // namespace qv

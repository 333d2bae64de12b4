#pragma once
// Value types of the drawing's geometry: points, sizes and rectangles in
// points (1/72 inch) of a y-down coordinate system.

#include <algorithm>

namespace qv {

struct Point {
    double x = 0;
    double y = 0;
    constexpr Point() = default;
    constexpr Point(double x_, double y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const Point&, const Point&) = default;
    constexpr Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    constexpr Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
    constexpr Point operator*(double s) const { return {x * s, y * s}; }
};

struct Size {
    double width = 0;
    double height = 0;
    constexpr Size() = default;
    constexpr Size(double w, double h) : width(w), height(h) {}
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// An origin and a size. Edges are min/max of the origin and origin + size;
// a rectangle with zero or negative width or height is "empty".
struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(double x, double y, double w, double h) : origin(x, y), size(w, h) {}
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    friend constexpr bool operator==(const Rect&, const Rect&) = default;

    constexpr double x() const { return origin.x; }
    constexpr double y() const { return origin.y; }
    constexpr double width() const { return size.width; }
    constexpr double height() const { return size.height; }
    constexpr double minX() const { return std::min(origin.x, origin.x + size.width); }
    constexpr double minY() const { return std::min(origin.y, origin.y + size.height); }
    constexpr double maxX() const { return std::max(origin.x, origin.x + size.width); }
    constexpr double maxY() const { return std::max(origin.y, origin.y + size.height); }
    constexpr double midX() const { return origin.x + size.width / 2; }
    constexpr double midY() const { return origin.y + size.height / 2; }
    constexpr Point center() const { return {midX(), midY()}; }

    // Zero or negative width or height.
    constexpr bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }
    // The same rectangle with a non-negative width and height.
    Rect standardized() const;

    // min <= p < max on both axes; an empty rectangle contains nothing.
    bool containsPoint(Point p) const;
    // True when r lies within this rectangle; an empty r is never contained.
    bool containsRect(const Rect& r) const;
    bool intersects(const Rect& r) const;

    // The platform rule: an empty rectangle contributes nothing to a union.
    Rect unionWith(const Rect& r) const;
    // The common area, or the zero rectangle when there is none.
    Rect intersection(const Rect& r) const;
    // Moves each edge inwards by dx, dy (outwards for negative values).
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // The smallest rectangle with integral edges that holds this one.
    Rect integral() const;
};

// The box spanned by two corner points, in either order.
Rect rectFromPoints(Point a, Point b);

} // namespace qv

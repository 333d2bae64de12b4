#pragma once
// A sequence of move-to, line-to, curve-to and close-path elements with the
// stroke attributes a drawing surface needs. Coordinates are y-down points.

#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/Geometry.h"

#include <array>
#include <cstddef>
#include <vector>

namespace qv {

enum class PathElementType { MoveTo, LineTo, CurveTo, ClosePath };

// Values are those stored in files and key paths.
enum class LineCapStyle { Butt = 0, Round = 1, Square = 2 };
enum class LineJoinStyle { Miter = 0, Round = 1, Bevel = 2 };
enum class WindingRule { NonZero = 0, EvenOdd = 1 };

struct PathElement {
    PathElementType type = PathElementType::MoveTo;
    // Move-to and line-to use points[0]; curve-to holds control point 1,
    // control point 2 and the end point; close-path uses none.
    std::array<Point, 3> points{};
    friend bool operator==(const PathElement&, const PathElement&) = default;
    // Number of associated points: 1, 1, 3 or 0.
    int pointCount() const;
};

// A straight piece of a flattened path.
struct LineSegment {
    Point a;
    Point b;
};

class BezierPath {
public:
    // Control-point distance factor of a quarter circle.
    static constexpr double kOvalKappa = 0.5522847771644592;

    BezierPath() = default;

    static BezierPath bezierPathWithRect(const Rect& r);
    // An oval inscribed in r, four curves, starting at the right-hand middle
    // point and running towards +y (clockwise on the y-down canvas).
    static BezierPath bezierPathWithOvalInRect(const Rect& r);

    // Construction.
    void moveToPoint(Point p);
    void lineToPoint(Point p);
    void curveToPoint(Point end, Point control1, Point control2);
    void closePath();
    // A circular arc about center from startAngle to endAngle (degrees, a positive
    // angle turning +x towards +y). clockwise = true runs with decreasing angles,
    // false with increasing angles, both in the y-down sense. Starts with a line
    // from the current point to the arc's start, or a move when the path is empty.
    void appendBezierPathWithArcWithCenter(Point center, double radius, double startAngle,
                                           double endAngle, bool clockwise);
    void appendBezierPath(const BezierPath& other);
    void removeAllPoints();

    // Element access.
    bool isEmpty() const { return m_Elements.empty(); }
    std::size_t elementCount() const { return m_Elements.size(); }
    const PathElement& elementAtIndex(std::size_t i) const { return m_Elements.at(i); }
    const std::vector<PathElement>& elements() const { return m_Elements; }
    // Replaces the points of element i (as many as its type uses).
    void setAssociatedPoints(const Point* points, std::size_t index);
    // The end point of the last element (the start of its subpath after a close).
    Point currentPoint() const;

    // Geometry.
    // Tight box of the curve itself, from the cubic extrema. Empty path: zero rect.
    Rect bounds() const;
    // Box of every point, control points included. Empty path: zero rect.
    Rect controlPointBounds() const;
    // Inside test under the path's winding rule; open subpaths count as closed.
    bool containsPoint(Point p) const;
    // Straight segments approximating the path within `tolerance` (in path units);
    // closing segments included. The default is fine enough for hit testing at zoom 16.
    std::vector<LineSegment> flattenedSegments(double tolerance = 0.01) const;
    void transformUsingAffineTransform(const AffineTransform& t);
    BezierPath transformedBy(const AffineTransform& t) const;

    // Stroke attributes.
    double lineWidth() const { return m_LineWidth; }
    void setLineWidth(double w) { m_LineWidth = w; }
    LineCapStyle lineCapStyle() const { return m_CapStyle; }
    void setLineCapStyle(LineCapStyle c) { m_CapStyle = c; }
    LineJoinStyle lineJoinStyle() const { return m_JoinStyle; }
    void setLineJoinStyle(LineJoinStyle j) { m_JoinStyle = j; }
    double miterLimit() const { return m_MiterLimit; }
    void setMiterLimit(double m) { m_MiterLimit = m; }
    WindingRule windingRule() const { return m_WindingRule; }
    void setWindingRule(WindingRule r) { m_WindingRule = r; }
    const std::vector<double>& lineDash() const { return m_Dash; }
    double lineDashPhase() const { return m_DashPhase; }
    // An empty pattern draws solid lines.
    void setLineDash(std::vector<double> pattern, double phase);

    friend bool operator==(const BezierPath&, const BezierPath&) = default;

private:
    std::vector<PathElement> m_Elements;
    double m_LineWidth = 1.0;
    LineCapStyle m_CapStyle = LineCapStyle::Butt;
    LineJoinStyle m_JoinStyle = LineJoinStyle::Miter;
    double m_MiterLimit = 10.0;
    WindingRule m_WindingRule = WindingRule::NonZero;
    std::vector<double> m_Dash;
    double m_DashPhase = 0;
};

} // namespace qv

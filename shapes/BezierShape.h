#pragma once
// A shape whose outline is an arbitrary path of straight and cubic segments,
// stored in the shape's local frame. The creation tools build it point by
// point, the reshape tool moves its anchors and tangent handles, and every
// other shape can be turned into one.
//
// The bounds always follow the path: after every edit they become the tight
// box of the curve (not of its control points), at least 0.1 on each side.
// The path fills and hit-tests with the even-odd rule, so nested subpaths make
// holes.

#include "shapes/Shape.h"

#include <cstddef>
#include <initializer_list>

namespace qv {

class BezierShape : public Shape {
public:
    // A file may describe a path of any length; beyond this many elements the
    // rest of the path is dropped when reading, so that a hostile file cannot
    // exhaust memory. The rest of the document is read as usual.
    static constexpr std::size_t kMaximumElementCount = 1'000'000;

    BezierShape();

    static std::optional<std::string> classElementName() { return "bezier"; }

    // Building, as the creation tools use it. Each edit announces one change.
    void moveToPoint(Point p);
    void lineToPoint(Point p);
    void curveToPoint(Point end, Point control1, Point control2);
    void closePath();
    // Moves to p on an empty path; otherwise a line to p, or with isCurve a
    // curve to p whose first control point is the pending tangent of the
    // previous point. p becomes the pending tangent.
    void addPoint(Point p) { addPoint(p, false); }
    void addPoint(Point p, bool isCurve);
    // The tangent just dragged out of the latest point: becomes the pending
    // tangent, and its mirror image through the end of the last curve becomes
    // that curve's second control point, so the joint is smooth.
    void setLastControl(Point q);
    // The first control point of element 1 when that is a curve (closing a
    // curve onto its start keeps the start smooth).
    void setFirstControl(Point q);
    // The end of the last element when it is a line (a rubber band).
    void setLastPoint(Point q);
    void removeLastElement();
    Point tempControl() const { return m_TempControl; }

    // The stored path itself, local frame.
    const BezierPath& bezierPath() const { return m_Path; }
    std::optional<BezierPath> path() const override { return m_Path; }
    // Installs a copy with the even-odd rule and bounds that follow it.
    void setPath(const BezierPath& path);
    std::size_t elementCount() const { return m_Path.elementCount(); }
    // The kind of element `index` and, when points is given, its points (as
    // many as the kind has). An index out of range answers ClosePath, no points.
    PathElementType elementAtIndex(std::size_t index, Point* points = nullptr) const;
    // Replaces the points of one element and moves the shape so that every
    // other point stays where it was on the canvas, also when rotated.
    // An index out of range is ignored.
    void setAssociatedPoints(const Point* points, std::size_t index);
    void updateBounds();

    // Reshaping with the reshape tool. The hit test finds the first anchor or
    // control point within a handle's reach of the document point; pointIndex
    // is 0 for move-to and line-to, 0, 1, 2 for a curve's control 1, control 2
    // and end point.
    bool hitTestReshapeControl(Point p, std::size_t& elementIndex, int& pointIndex,
                               const ShapeView* view) const;
    // Drags that point to the document point p. Control points move with
    // their anchors; a tangent handle turns its partner across a smooth joint
    // unless Option is held.
    void reshapeToPoint(Point p, std::size_t elementIndex, int pointIndex, unsigned modifierFlags);
    // The workers, with p in the local frame.
    void reshapePointToPoint(Point p, std::size_t index, unsigned modifierFlags);
    void reshapeControl1ToPoint(Point p, std::size_t index, unsigned modifierFlags);
    void reshapeControl2ToPoint(Point p, std::size_t index, unsigned modifierFlags);
    // Anchors as solid dots, control points as hollow ones with their guide
    // lines, on the rotated outline.
    void drawReshapeHandlesInView(GraphicsContext& gc, const ShapeView* view) const;
    static void drawReshapeHandleAtPoint(GraphicsContext& gc, Point p, bool solid,
                                         const ShapeView* view);
    static void drawReshapeLineFromPoint(GraphicsContext& gc, Point from, Point to,
                                         const ShapeView* view);

    // Moving translates the path; resizing maps it from the old bounds onto
    // the new ones. An empty path ignores both.
    void setBounds(const Rect& bounds) override;
    void flip(int axis) override;
    bool canConvertToBezier() const override { return false; }
    // "path" first, then the base list.
    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    // Key-value coding adds "path".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    // The base children, then one "moveto", "lineto", "curveto" or
    // "closepath" child per path element, in order.
    std::optional<std::string> elementName() const override { return classElementName(); }
    ElementList elementChildren() const override;
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<BezierShape>(); }

private:
    // Brackets an edit of the path with the change announcements.
    class PathChange;

    // Appends one element read from a file and grows the bounds by it alone.
    void appendReadElement(const PathElement& e);
    Point pointOf(std::size_t index, int pointIndex) const;
    void movePoints(std::size_t index, std::initializer_list<int> pointIndices, Size delta);
    void rotateControl(std::size_t index, int pointIndex, Point centre, double degrees);

    BezierPath m_Path;
    Point m_TempControl;

    // While a file is read, the bounds grow element by element instead of
    // being recomputed over the whole path each time.
    struct ReadCursor {
        bool valid = false;
        bool started = false;
        bool any = false;
        Point start, current;
        double minX = 0, minY = 0, maxX = 0, maxY = 0;
    };
    ReadCursor m_Read;
};

} // namespace qv

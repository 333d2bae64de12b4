#pragma once
// A straight segment from a start point to an end point. The bounds follow
// from the two points (the box they span, at least 0.1 thick), so the line
// turns about its midpoint; its two handles sit on the ends, and dragging one
// moves that end alone.

#include "shapes/Shape.h"

namespace qv {

class LineShape : public Shape {
public:
    static std::optional<std::string> classElementName() { return "line"; }

    // End points in the local frame.
    Point start() const { return m_Start; }
    void setStart(Point p);
    Point end() const { return m_End; }
    void setEnd(Point p);
    // The base bounds become the box spanned by the two points.
    void updateBounds();

    // Moves the points with the box: a translation when the size is unchanged,
    // otherwise the mapping of the old box onto the new one.
    void setBounds(const Rect& bounds) override;
    std::optional<BezierPath> path() const override;
    // Mirrors the segment within the box it occupies.
    void flip(int axis) override;

    // Half-width of the hit band: half the stroke width, at least 5 points.
    double hitTolerance() const;
    bool hitTestPoint(Point p) const override;

    // Handle 0 is the start point, 1 the end point; vHandle and origin are
    // left alone.
    void drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) override;
    bool hitTestSelectionHandle(Point p, int& hHandle, int& vHandle, Point& origin,
                                const ShapeView* view) const override;
    void resizeToPoint(Point point, int hHandle, int vHandle, Point origin,
                       unsigned modifierFlags) override;

    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    // Key-value coding adds "start" and "end".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The base children, then "start" and "end" with "x" and "y". No bounds:
    // they follow from the points.
    ElementList elementChildren() const override;
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<LineShape>(); }

private:
    void storePoint(Point& field, Point p, const char* key);

    Point m_Start;
    Point m_End;
};

} // namespace qv

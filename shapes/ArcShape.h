#pragma once
// A circular pie slice: a centre, a radius, two angles and a direction. The
// bounds are the square around the full circle, so the slice turns about the
// circle's centre. Angles run from +x towards +y (clockwise on screen), are in
// the local frame and are not normalised. Its three handles are the centre
// and the two angle points on the circle.

#include "shapes/Shape.h"

namespace qv {

class ArcShape : public Shape {
public:
    static std::optional<std::string> classElementName() { return "arc"; }

    Point center() const { return m_Center; }
    void setCenter(Point c);
    double radius() const { return m_Radius; }
    void setRadius(double r);
    double angle1() const { return m_Angle1; }
    void setAngle1(double degrees);
    double angle2() const { return m_Angle2; }
    void setAngle2(double degrees);
    // True: from angle 1 to angle 2 through increasing angles.
    bool clockwise() const { return m_Clockwise; }
    void setClockwise(bool clockwise);

    Point position() const override { return m_Center; }
    // The base bounds become the square around the circle.
    void updateBounds();

    // The local angle of the document point p as seen from the centre, and its
    // distance from the centre in `radius`.
    double angleToPoint(Point p, double& radius) const;
    // The points of the circle at the two angles, in document coordinates.
    Point angle1Point() const;
    Point angle2Point() const;

    std::optional<BezierPath> path() const override;
    // Centres the circle in the rectangle and scales the radius by its width;
    // the height is ignored, an arc stays circular.
    void setBounds(const Rect& bounds) override;
    void flip(int axis) override;

    // Handle 0 is the centre, 1 and 2 the angle points.
    void drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) override;
    bool hitTestSelectionHandle(Point p, int& hHandle, int& vHandle, Point& origin,
                                const ShapeView* view) const override;
    void beginResize() override;
    // Shift constrains to 45° steps; Option keeps the radius of the start of
    // the drag.
    void resizeToPoint(Point point, int hHandle, int vHandle, Point origin,
                       unsigned modifierFlags) override;

    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    // Key-value coding adds "center", "radius", "angle1", "angle2", "clockwise".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The base children, then "values" with "x", "y", "radius", "angle1",
    // "angle2" and "clockwise" (1 or 0).
    ElementList elementChildren() const override;
    // Values read from a file are kept finite: coordinates and angles within
    // the coordinate range (NaN reads 0), the radius within 0 and that range.
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<ArcShape>(); }

private:
    void storeReal(double& field, double value, const char* key);
    Point pointAtAngle(double degrees) const;

    Point m_Center;
    double m_Radius = 0;
    double m_Angle1 = 0;
    double m_Angle2 = 0;
    bool m_Clockwise = true;
    Point m_OldCenter;
    double m_OldRadius = 0;
};

} // namespace qv

#pragma once
// A rectangle with elliptical corners. A radius larger than half a side is
// clipped per axis, so a square with a large radius draws as a circle.

#include "shapes/RectangleShape.h"

namespace qv {

class RoundRectangleShape : public RectangleShape {
public:
    static std::optional<std::string> classElementName() { return "roundrectangle"; }

    Size cornerRadius() const { return m_CornerRadius; }
    // Width first, then height: a change of both announces twice.
    void setCornerRadius(Size radius);
    double cornerRadiusWidth() const override { return m_CornerRadius.width; }
    void setCornerRadiusWidth(double width) override;
    double cornerRadiusHeight() const override { return m_CornerRadius.height; }
    void setCornerRadiusHeight(double height) override;

    std::optional<BezierPath> path() const override;
    static BezierPath roundedRectPath(const Rect& r, Size radius);

    std::string viewIdentifier() const override { return "roundrect"; }
    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The rectangle's children, then "cornerRadius" with "w" and "h".
    ElementList elementChildren() const override;
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<RoundRectangleShape>(); }

private:
    void storeRadiusComponent(double& component, double value, std::string_view key);

    Size m_CornerRadius{10, 10};
};

} // namespace qv

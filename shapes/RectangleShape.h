#pragma once
// The plain rectangle, and the base of the shapes whose outline follows from
// their bounds alone (oval, rounded rectangle, regular polygon and star).

#include "shapes/Shape.h"

namespace qv {

class RectangleShape : public Shape {
public:
    static std::optional<std::string> classElementName() { return "rectangle"; }

    std::optional<BezierPath> path() const override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // The base children, then "bounds" with "x", "y", "w", "h".
    ElementList elementChildren() const override;
    void addElement(const ElementPtr& child) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<RectangleShape>(); }
};

} // namespace qv

#pragma once
// A regular polygon or star whose outer vertices lie on the ellipse inscribed
// in the bounds, so it stretches with them. Odd polygons have a vertex at the
// top centre, even ones a flat top edge.

#include "shapes/RectangleShape.h"

#include <cstdint>

namespace qv {

class RegularPolygonShape : public RectangleShape {
public:
    static std::optional<std::string> classElementName() { return "regularpolygon"; }

    static constexpr std::int64_t kMinimumSides = 3;
    // The outline grows with the number of sides; more than this is no longer
    // distinguishable from an ellipse and would only cost time and memory.
    static constexpr std::int64_t kMaximumSides = 10000;

    std::int64_t numberOfSides() const override { return m_NumberOfSides; }
    // Clamped to kMinimumSides .. kMaximumSides.
    void setNumberOfSides(std::int64_t sides) override;
    // 0 is a plain polygon, 1 draws star points that reach the centre.
    double stellation() const override { return m_Stellation; }
    // Clamped to [0, 1]; NaN reads as 0.
    void setStellation(double stellation) override;

    std::optional<BezierPath> path() const override;
    static BezierPath polygonPathInRect(const Rect& r, std::int64_t sides, double stellation);

    // Shows the circle the vertices lie on before the handles.
    void drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) override;

    std::string viewIdentifier() const override { return "regularpolygon"; }
    std::vector<std::string> undoableProperties() const override;
    ShapePtr copy() const override;

    std::optional<std::string> elementName() const override { return classElementName(); }
    // "sides" and "stellation".
    AttributeMap elementAttributes() const override;
    void setElementAttributes(const AttributeMap& attributes) override;

protected:
    ShapePtr newInstance() const override { return std::make_shared<RegularPolygonShape>(); }

private:
    std::int64_t m_NumberOfSides = 6;
    double m_Stellation = 0;
};

} // namespace qv

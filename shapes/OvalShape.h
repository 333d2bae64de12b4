#pragma once
// An ellipse inscribed in the bounds. The outline is asked for on every draw,
// hit test and redraw-area computation, so it is kept until the bounds change.

#include "shapes/RectangleShape.h"

namespace qv {

class OvalShape : public RectangleShape {
public:
    static std::optional<std::string> classElementName() { return "oval"; }

    // Four quarter ellipses starting at the left middle point, running over
    // the top first.
    std::optional<BezierPath> path() const override;
    static BezierPath ovalPathInRect(const Rect& r);

    std::optional<std::string> elementName() const override { return classElementName(); }

protected:
    ShapePtr newInstance() const override { return std::make_shared<OvalShape>(); }

private:
    mutable std::optional<BezierPath> m_CachedPath;
    mutable Rect m_CachedBounds;
};

} // namespace qv

#pragma once
// The path the freehand tool draws: a Bézier shape that keeps its own element
// name, so a document remembers which tool made it.

#include "shapes/BezierShape.h"

namespace qv {

class FreehandShape : public BezierShape {
public:
    static std::optional<std::string> classElementName() { return "freehand"; }
    std::optional<std::string> elementName() const override { return classElementName(); }

protected:
    ShapePtr newInstance() const override { return std::make_shared<FreehandShape>(); }
};

} // namespace qv

#pragma once
// Random drawings with shapes of every kind and varied styles, for document
// tests and benchmarks. The same seed gives the same drawing.

#include "tests/support/RandomShapes.h"

#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

namespace qv::testing {

class DrawingGenerator : public RandomShapes {
public:
    explicit DrawingGenerator(unsigned seed) : RandomShapes(seed, {500, {2, 6}, {4, 12}, {2, 8}}) {}

    Rect rect() override {
        return Rect(coordinate(0, 2000), coordinate(0, 2000), coordinate(1, 300),
                    coordinate(1, 300));
    }

    void style(Shape& shape) override {
        shape.setBounds(rect());
        if (integer(0, 3) == 0)
            shape.setRotation(coordinate(0, 359));
        Fill& fill = shape.fill();
        switch (integer(0, 3)) {
        case 0:
            fill.setStyle(FillStyleNone);
            break;
        case 1:
            fill.setStyle(FillStyleColor);
            fill.setColor(color());
            break;
        default:
            fill.setStyle(FillStyleGradient);
            fill.setColor(color());
            fill.setGradientColor(color());
            fill.setGradientStyle(integer(0, 1));
            fill.setGradientStart(Point(0.25, 0.5));
            fill.setGradientEnd(Point(0.75, 0.5));
            break;
        }
        Stroke& stroke = shape.stroke();
        stroke.setWidth(integer(1, 8) / 2.0);
        stroke.setColor(color());
        stroke.setStyle(integer(0, 3));
        if (integer(0, 4) == 0) {
            stroke.setArrowEndStyle(integer(1, 4));
            stroke.setArrowEndSize(integer(1, 4));
        }
        if (integer(0, 4) == 0) {
            Shadow& shadow = shape.shadow();
            shadow.setVisible(true);
            shadow.setShadowOffset(Size(3, 3));
            shadow.setShadowBlurRadius(4);
        }
    }

    // Every kind in turn, so any count covers them all evenly.
    ShapeList drawing(std::size_t count) {
        ShapeList shapes;
        shapes.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            shapes.push_back(shape(static_cast<int>(i % kKindCount)));
        return shapes;
    }

protected:
    ShapePtr groupMember(int) override { return shape(integer(0, 2)); }
};

} // namespace qv::testing

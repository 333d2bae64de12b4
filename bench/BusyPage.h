#pragma once
// The busy page of the benchmarks: 10,000 shapes on 540 × 720 points, half of
// them turned rectangles with 1-point strokes, half ovals with dashed 2-point
// strokes, all filled. The same seed every time; with `svg` also the same
// drawing as SVG, for comparisons with other renderers.

#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

namespace qv::bench {

constexpr int kShapeCount = 10000;

inline std::string svgColor(const Color& c) {
    char text[32];
    std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", int(c.red * 255 + 0.5),
                  int(c.green * 255 + 0.5), int(c.blue * 255 + 0.5));
    return text;
}

// The drawing, and the same drawing as SVG.
inline ShapeList busyPage(std::string* svg = nullptr) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> x(0, 520), y(0, 700), side(6, 40), unit(0, 1),
        angle(0, 360);
    std::ostringstream out;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"540\" height=\"720\" "
           "viewBox=\"0 0 540 720\">\n";
    ShapeList shapes;
    shapes.reserve(kShapeCount);
    for (int i = 0; i < kShapeCount; ++i) {
        const Rect r(x(random), y(random), side(random), side(random));
        const Color fill(unit(random), unit(random), unit(random), 1);
        const Color stroke(unit(random) * 0.5, unit(random) * 0.5, unit(random) * 0.5, 1);
        ShapePtr shape;
        if (i % 2 == 0) {
            shape = std::make_shared<RectangleShape>();
            shape->setBounds(r);
            shape->setRotation(angle(random));
            shape->stroke().setWidth(1);
            out << "<rect x=\"" << r.x() << "\" y=\"" << r.y() << "\" width=\"" << r.width()
                << "\" height=\"" << r.height() << "\" transform=\"rotate(" << shape->rotation()
                << " " << r.midX() << " " << r.midY() << ")\" fill=\"" << svgColor(fill)
                << "\" stroke=\"" << svgColor(stroke) << "\" stroke-width=\"1\"/>\n";
        } else {
            shape = std::make_shared<OvalShape>();
            shape->setBounds(r);
            shape->stroke().setStyle(StrokeStyleDash);
            shape->stroke().setWidth(2);
            out << "<ellipse cx=\"" << r.midX() << "\" cy=\"" << r.midY() << "\" rx=\""
                << r.width() / 2 << "\" ry=\"" << r.height() / 2 << "\" fill=\"" << svgColor(fill)
                << "\" stroke=\"" << svgColor(stroke)
                << "\" stroke-width=\"2\" stroke-dasharray=\"";
            const std::vector<double> dash = shape->stroke().dashPattern();
            for (std::size_t k = 0; k < dash.size(); ++k)
                out << (k ? "," : "") << dash[k];
            out << "\"/>\n";
        }
        shape->fill().setStyle(FillStyleColor);
        shape->fill().setColor(fill);
        shape->stroke().setColor(stroke);
        shapes.push_back(shape);
    }
    out << "</svg>\n";
    if (svg)
        *svg = out.str();
    return shapes;
}

} // namespace qv::bench

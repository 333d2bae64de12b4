#pragma once
// Random drawings with shapes of every kind and varied styles, for document
// tests and benchmarks. The same seed gives the same drawing.

#include "document/RichText.h"
#include "framework/foundation/BezierPath.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <random>
#include <string>

namespace qv::testing {

class DrawingGenerator {
public:
    static constexpr int kKindCount = 11;

    explicit DrawingGenerator(unsigned seed) : m_Random(seed) {}

    double real(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(m_Random); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(m_Random); }
    // Multiples of 1/8, as a drawing made with the grid has.
    double coordinate(double lo, double hi) { return std::round(real(lo, hi) * 8) / 8; }
    Color color() {
        return Color(integer(0, 255) / 255.0, integer(0, 255) / 255.0, integer(0, 255) / 255.0, 1);
    }
    Rect rect() {
        return Rect(coordinate(0, 2000), coordinate(0, 2000), coordinate(1, 300),
                    coordinate(1, 300));
    }

    void style(Shape& shape) {
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

    BezierPath path(const Rect& r, int points, bool curves) {
        BezierPath p;
        p.moveToPoint(r.origin);
        for (int i = 0; i < points; ++i) {
            const Point q(r.x() + coordinate(0, r.width()), r.y() + coordinate(0, r.height()));
            if (curves)
                p.curveToPoint(q, Point(q.x - 4, q.y), Point(q.x, q.y + 4));
            else
                p.lineToPoint(q);
        }
        return p;
    }

    ShapePtr shape(int kind) {
        switch (kind) {
        case 0: {
            auto s = std::make_shared<RectangleShape>();
            style(*s);
            return s;
        }
        case 1: {
            auto s = std::make_shared<RoundRectangleShape>();
            style(*s);
            s->setCornerRadiusWidth(coordinate(0, 20));
            s->setCornerRadiusHeight(coordinate(0, 20));
            return s;
        }
        case 2: {
            auto s = std::make_shared<OvalShape>();
            style(*s);
            return s;
        }
        case 3: {
            auto s = std::make_shared<RegularPolygonShape>();
            style(*s);
            s->setNumberOfSides(integer(3, 12));
            s->setStellation(integer(0, 8) / 8.0);
            return s;
        }
        case 4: {
            auto s = std::make_shared<LineShape>();
            style(*s);
            s->setStart(Point(coordinate(0, 500), coordinate(0, 500)));
            s->setEnd(Point(coordinate(0, 500), coordinate(0, 500)));
            s->updateBounds();
            return s;
        }
        case 5: {
            auto s = std::make_shared<ArcShape>();
            style(*s);
            s->setCenter(Point(coordinate(100, 900), coordinate(100, 900)));
            s->setRadius(coordinate(5, 100));
            s->setAngle1(coordinate(0, 180));
            s->setAngle2(coordinate(180, 359));
            s->updateBounds();
            return s;
        }
        case 6: {
            auto s = std::make_shared<BezierShape>();
            style(*s);
            s->setPath(path(rect(), integer(2, 6), true));
            return s;
        }
        case 7: {
            auto s = std::make_shared<FreehandShape>();
            style(*s);
            s->setPath(path(rect(), integer(4, 12), true));
            return s;
        }
        case 8: {
            auto s = std::make_shared<PolylineShape>();
            style(*s);
            s->setPath(path(rect(), integer(2, 8), false));
            return s;
        }
        case 9: {
            ShapeList members;
            const int n = integer(2, 3);
            for (int i = 0; i < n; ++i)
                members.push_back(shape(integer(0, 2)));
            return GroupShape::groupWithShapes(members);
        }
        default: {
            auto s = std::make_shared<TextShape>();
            style(*s);
            s->setRichText(RichText::fromPlainText("Text " + std::to_string(integer(0, 999))));
            return s;
        }
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

    std::mt19937& random() { return m_Random; }

private:
    std::mt19937 m_Random;
};

} // namespace qv::testing

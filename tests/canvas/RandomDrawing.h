#pragma once
// Random shapes of every kind with varied styles, for the controller's
// invariant tests and benchmark. The same seed gives the same shapes.

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

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace qv::testing {

class RandomDrawing {
public:
    static constexpr int kKinds = 11;

    // Shapes of the given kinds only (0 to kKinds - 1, see shape()); all
    // kinds when the list is empty.
    explicit RandomDrawing(unsigned seed, std::vector<int> kinds = {})
        : m_Random(seed), m_Kinds(std::move(kinds)) {
        if (m_Kinds.empty())
            for (int k = 0; k < kKinds; ++k)
                m_Kinds.push_back(k);
    }

    int integer(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(m_Random); }
    // Eighths of a point, as a drawing snapped to a grid has.
    double coordinate(double lo, double hi) {
        return std::round(std::uniform_real_distribution<>(lo, hi)(m_Random) * 8) / 8;
    }
    Color color() {
        return Color(integer(0, 255) / 255.0, integer(0, 255) / 255.0, integer(0, 255) / 255.0, 1);
    }
    Rect rect(double extent = 1000) {
        return Rect(coordinate(0, extent), coordinate(0, extent), coordinate(1, 200),
                    coordinate(1, 200));
    }

    void style(Shape& s) {
        s.setBounds(rect());
        if (integer(0, 2) == 0)
            s.setRotation(coordinate(0, 359));
        s.fill().setStyle(integer(0, 2));
        s.fill().setColor(color());
        s.stroke().setWidth(integer(1, 8) / 2.0);
        s.stroke().setColor(color());
        if (integer(0, 3) == 0) {
            s.stroke().setArrowEndStyle(integer(1, 4));
            s.stroke().setArrowEndSize(integer(1, 4));
        }
        if (integer(0, 3) == 0) {
            s.shadow().setVisible(true);
            s.shadow().setShadowOffset(Size(3, 3));
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

    ShapePtr shape(int kind, int depth = 0) {
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
            s->setStart(Point(coordinate(0, 1000), coordinate(0, 1000)));
            s->setEnd(Point(coordinate(0, 1000), coordinate(0, 1000)));
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
            s->setPath(path(rect(), integer(2, 5), true));
            return s;
        }
        case 7: {
            auto s = std::make_shared<FreehandShape>();
            style(*s);
            s->setPath(path(rect(), integer(4, 8), true));
            return s;
        }
        case 8: {
            auto s = std::make_shared<PolylineShape>();
            style(*s);
            s->setPath(path(rect(), integer(2, 6), false));
            return s;
        }
        case 9: {
            ShapeList members;
            const int n = integer(2, 3);
            for (int i = 0; i < n; ++i) {
                // Now and then a group inside the group.
                int k = depth < m_MaxDepth && integer(0, 3) == 0 ? 9 : randomKind();
                if (k == 9 && depth >= m_MaxDepth)
                    k = 0;
                members.push_back(shape(k, depth + 1));
            }
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

    int randomKind() {
        return m_Kinds[static_cast<std::size_t>(integer(0, static_cast<int>(m_Kinds.size()) - 1))];
    }
    ShapePtr anyShape() { return shape(randomKind()); }

    // Every kind in turn.
    ShapeList drawing(std::size_t count) {
        ShapeList shapes;
        for (std::size_t i = 0; i < count; ++i)
            shapes.push_back(shape(m_Kinds[i % m_Kinds.size()]));
        return shapes;
    }

    std::mt19937& random() { return m_Random; }

private:
    std::mt19937 m_Random;
    std::vector<int> m_Kinds;
    int m_MaxDepth = 2;

public:
    // Levels of groups that a generated group may hold inside itself.
    void setMaxNesting(int levels) { m_MaxDepth = levels; }
};

} // namespace qv::testing

#pragma once
// Random shapes of every kind for tests and benchmarks. The same seed gives
// the same shapes; how big and busy they are and how they are styled is up to
// the generator built on this.

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

#include <cmath>
#include <random>
#include <string>

namespace qv::testing {

class RandomShapes {
public:
    static constexpr int kKindCount = 11;

    // Closed ranges of what varies between generators.
    struct Ranges {
        double lineExtent;   // line ends lie in [0, lineExtent] on both axes
        int bezierPoints[2]; // points after the first, per kind of path
        int freehandPoints[2];
        int polylinePoints[2];
    };

    RandomShapes(unsigned seed, Ranges ranges) : m_Random(seed), m_Ranges(ranges) {}
    virtual ~RandomShapes() = default;

    double real(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(m_Random); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(m_Random); }
    // Eighths of a point, as a drawing snapped to a grid has.
    double coordinate(double lo, double hi) { return std::round(real(lo, hi) * 8) / 8; }
    Color color() {
        return Color(integer(0, 255) / 255.0, integer(0, 255) / 255.0, integer(0, 255) / 255.0, 1);
    }

    virtual Rect rect() = 0;
    // Bounds, rotation and styles.
    virtual void style(Shape& shape) = 0;

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

    // Kinds 0 to kKindCount - 1: rectangle, round rectangle, oval, polygon,
    // line, arc, Bézier, freehand, polyline, group and text. `depth` is how
    // many groups the shape sits in.
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
            const double e = m_Ranges.lineExtent;
            s->setStart(Point(coordinate(0, e), coordinate(0, e)));
            s->setEnd(Point(coordinate(0, e), coordinate(0, e)));
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
            s->setPath(path(rect(), points(m_Ranges.bezierPoints), true));
            return s;
        }
        case 7: {
            auto s = std::make_shared<FreehandShape>();
            style(*s);
            s->setPath(path(rect(), points(m_Ranges.freehandPoints), true));
            return s;
        }
        case 8: {
            auto s = std::make_shared<PolylineShape>();
            style(*s);
            s->setPath(path(rect(), points(m_Ranges.polylinePoints), false));
            return s;
        }
        case 9: {
            ShapeList members;
            const int n = integer(2, 3);
            for (int i = 0; i < n; ++i)
                members.push_back(groupMember(depth));
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

    std::mt19937& random() { return m_Random; }

protected:
    // One member of a group at `depth`.
    virtual ShapePtr groupMember(int depth) = 0;

private:
    int points(const int (&range)[2]) { return integer(range[0], range[1]); }

    std::mt19937 m_Random;
    Ranges m_Ranges;
};

} // namespace qv::testing

#pragma once
// What the path tests measure with: cubic points, distances, winding counts,
// random paths and paths sampled finely into polylines.

#include "framework/foundation/BezierPath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace qv::test {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

inline double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

inline double gap(const Rect& a, const Rect& b) {
    return std::max({std::fabs(a.x() - b.x()), std::fabs(a.y() - b.y()),
                     std::fabs(a.width() - b.width()), std::fabs(a.height() - b.height())});
}

inline double segmentDistance(Point p, Point a, Point b) {
    const Point d = b - a, v = p - a;
    const double len2 = d.x * d.x + d.y * d.y;
    const double t = len2 > 0 ? std::clamp((v.x * d.x + v.y * d.y) / len2, 0.0, 1.0) : 0;
    return distance(a + d * t, p);
}

inline double distanceTo(Point p, const std::vector<LineSegment>& segments) {
    double best = kInf;
    for (const LineSegment& s : segments)
        best = std::min(best, segmentDistance(p, s.a, s.b));
    return best;
}

// Signed number of turns closed rings of segments make around p.
inline int winding(const std::vector<LineSegment>& segments, Point p) {
    int w = 0;
    for (const auto& [a, b] : segments) {
        const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        w += a.y <= p.y && b.y > p.y && side > 0 ? 1 : a.y > p.y && b.y <= p.y && side < 0 ? -1 : 0;
    }
    return w;
}

// A path from text: "M x y", "L x y", "C x1 y1 x2 y2 x y" (controls first)
// and "Z", with numbers as strtod reads them ("nan" and "inf" included).
inline BezierPath pathOf(const std::string& text) {
    BezierPath p;
    for (const char* s = text.c_str(); *s;) {
        const char op = *s++;
        double v[6];
        for (int i = 0; i < (op == 'C' ? 6 : op == 'M' || op == 'L' ? 2 : 0); ++i)
            v[i] = std::strtod(s, const_cast<char**>(&s));
        op == 'M'   ? p.moveToPoint({v[0], v[1]})
        : op == 'L' ? p.lineToPoint({v[0], v[1]})
        : op == 'C' ? p.curveToPoint({v[4], v[5]}, {v[0], v[1]}, {v[2], v[3]})
        : op == 'Z' ? p.closePath()
                    : void();
    }
    return p;
}

inline Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

// One subpath sampled finely: its points, the arc length at each and the
// number of path elements it came from.
struct Polyline {
    std::vector<Point> points;
    std::vector<double> arc;
    std::size_t elements = 0;
    double length() const { return arc.empty() ? 0 : arc.back(); }
    void add(Point p) {
        arc.push_back(points.empty() ? 0 : arc.back() + distance(points.back(), p));
        points.push_back(p);
    }
    std::vector<LineSegment> segments() const {
        std::vector<LineSegment> out;
        for (std::size_t i = 1; i < points.size(); ++i)
            out.push_back({points[i - 1], points[i]});
        return out;
    }
    Point pointAt(double s) const {
        const std::size_t i =
            std::size_t(std::lower_bound(arc.begin(), arc.end(), s) - arc.begin());
        if (i == 0 || i == arc.size())
            return i == 0 ? points.front() : points.back();
        const double span = arc[i] - arc[i - 1];
        return points[i - 1] +
               (points[i] - points[i - 1]) * (span > 0 ? (s - arc[i - 1]) / span : 0);
    }
};

// The subpaths of a path as polylines (closing sides included; what follows
// a close is a subpath of its own), each cubic sampled uniformly in t.
inline std::vector<Polyline> sampled(const BezierPath& path, int perCurve = 200) {
    std::vector<Polyline> out;
    Point start, current;
    for (const PathElement& e : path.elements()) {
        if (e.type == PathElementType::MoveTo || out.empty()) {
            out.emplace_back();
            if (e.type == PathElementType::MoveTo)
                start = current = e.points[0];
            out.back().add(current);
        }
        ++out.back().elements;
        if (e.type == PathElementType::CurveTo) {
            for (int i = 1; i <= perCurve; ++i)
                out.back().add(
                    cubicAt(current, e.points[0], e.points[1], e.points[2], double(i) / perCurve));
            current = e.points[2];
        } else if (e.type == PathElementType::LineTo) {
            out.back().add(current = e.points[0]);
        } else if (e.type == PathElementType::ClosePath) {
            out.back().add(current = start);
            out.emplace_back().add(current);
        }
    }
    return out;
}

inline std::vector<Point> samplePoints(const BezierPath& path, int perCurve = 200) {
    std::vector<Point> out;
    for (const Polyline& l : sampled(path, perCurve))
        out.insert(out.end(), l.points.begin(), l.points.end());
    return out;
}

// `subpaths` subpaths of 1 to `most` lines and curves with coordinates in
// [lo, hi), each closed with probability `closing`; `degenerate` adds
// zero-length lines and curves without a start tangent.
inline BezierPath randomPath(std::mt19937& rng, int subpaths, int most, double lo, double hi,
                             double closing, bool degenerate = false) {
    std::uniform_real_distribution<double> coord(lo, hi), unit(0, 1);
    auto pt = [&] { return Point(coord(rng), coord(rng)); };
    BezierPath path;
    for (int s = 0; s < subpaths; ++s) {
        path.moveToPoint(pt());
        for (unsigned i = 0, n = 1 + unsigned(rng() % unsigned(most)); i < n; ++i) {
            const unsigned kind = rng() % 10;
            const Point here = path.currentPoint();
            if (kind < 4)
                path.lineToPoint(degenerate && kind == 0 ? here : pt());
            else
                path.curveToPoint(pt(), degenerate && kind == 4 ? here : pt(), pt());
        }
        if (unit(rng) < closing)
            path.closePath();
    }
    return path;
}

} // namespace qv::test

#include "framework/foundation/BezierPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv {
namespace {

// Subdivision limits. A curve is halved at most this often, so one curve
// yields at most 2^depth pieces however large or odd its points are.
constexpr int kFlattenMaxDepth = 12;
constexpr int kContainsMaxDepth = 24;
// Above this many flattened segments, further curves are taken as chords so
// that a pathological path cannot exhaust memory.
constexpr std::size_t kFlattenSegmentBudget = std::size_t(1) << 24;
// Curve pieces within this distance of their chord count as straight when
// testing containment.
constexpr double kContainsTolerance = 1e-4;
constexpr double kDefaultTolerance = 0.01;

struct Cubic {
    Point p0, p1, p2, p3;
};

bool isFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool isFinite(const Cubic& c) {
    return isFinite(c.p0) && isFinite(c.p1) && isFinite(c.p2) && isFinite(c.p3);
}

Point mid(Point a, Point b) {
    return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

// de Casteljau split at t = 1/2.
void split(const Cubic& c, Cubic& left, Cubic& right) {
    const Point a = mid(c.p0, c.p1), b = mid(c.p1, c.p2), d = mid(c.p2, c.p3);
    const Point ab = mid(a, b), bd = mid(b, d);
    const Point m = mid(ab, bd);
    left = {c.p0, a, ab, m};
    right = {m, bd, d, c.p3};
}

Point evaluate(const Cubic& c, double t) {
    const double u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    return {b0 * c.p0.x + b1 * c.p1.x + b2 * c.p2.x + b3 * c.p3.x,
            b0 * c.p0.y + b1 * c.p1.y + b2 * c.p2.y + b3 * c.p3.y};
}

double distanceSquaredToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0;
    if (len2 > 0)
        t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

// The curve lies in the hull of its points, so it stays within this distance
// of its chord.
bool isFlat(const Cubic& c, double tolerance) {
    const double tol2 = tolerance * tolerance;
    return distanceSquaredToSegment(c.p1, c.p0, c.p3) <= tol2 &&
           distanceSquaredToSegment(c.p2, c.p0, c.p3) <= tol2;
}

// Visits every drawn segment in order. A subpath that begins with a line or a
// curve and no move starts at that element's first point. With closeOpen, a
// subpath left open is closed by a line back to its start, as filling does.
template <class LineFn, class CurveFn>
void walkSegments(const std::vector<PathElement>& elements, bool closeOpen, LineFn&& line,
                  CurveFn&& curve) {
    Point start, current;
    bool started = false;
    bool drawn = false; // segments since the subpath's start or last close
    for (const PathElement& e : elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            if (closeOpen && drawn)
                line(current, start);
            start = current = e.points[0];
            started = true;
            drawn = false;
            break;
        case PathElementType::LineTo:
            if (!started) {
                start = current = e.points[0];
                started = true;
            }
            line(current, e.points[0]);
            current = e.points[0];
            drawn = true;
            break;
        case PathElementType::CurveTo:
            if (!started) {
                start = current = e.points[0];
                started = true;
            }
            curve(Cubic{current, e.points[0], e.points[1], e.points[2]});
            current = e.points[2];
            drawn = true;
            break;
        case PathElementType::ClosePath:
            if (drawn && !(current == start))
                line(current, start);
            current = start;
            drawn = false;
            break;
        }
    }
    if (closeOpen && drawn)
        line(current, start);
}

// Accumulates a box; the first point sets it.
struct BoxBuilder {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    void add(Point p) {
        if (!any) {
            x0 = x1 = p.x;
            y0 = y1 = p.y;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    Rect rect() const { return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect(); }
};

// Parameters in (0, 1) where one coordinate of the cubic has a zero
// derivative: roots of a·t² + b·t + c.
int derivativeRoots(double p0, double p1, double p2, double p3, double roots[2]) {
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    double t[2];
    int n = 0;
    if (a == 0) {
        if (b != 0)
            t[n++] = -c / b;
    } else {
        const double disc = b * b - 4 * a * c;
        if (disc >= 0) {
            // The stable pair of formulas avoids cancellation when a is tiny.
            const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
            if (q != 0) {
                t[n++] = q / a;
                t[n++] = c / q;
            } else {
                t[n++] = 0;
            }
        }
    }
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (t[i] > 0 && t[i] < 1)
            roots[count++] = t[i];
    return count;
}

// Non-zero winding contribution of the edge a→b for a ray from p towards +x.
// Edges include their lower end and exclude their upper one, so a vertex on
// the ray is counted once.
int lineWinding(Point a, Point b, Point p) {
    const double cross = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
    if (a.y <= p.y) {
        if (b.y > p.y && cross > 0)
            return 1;
    } else if (b.y <= p.y && cross < 0) {
        return -1;
    }
    return 0;
}

// Winding contribution of a cubic, halving only the pieces whose hull meets
// the ray near p. A piece wholly to the right of p crosses the ray as its
// chord does; one wholly above, below or to the left does not cross it.
// Where the hull lies relative to the ray from p towards +x.
enum class HullSide { Misses, RightOfPoint, Straddles };

HullSide hullSide(const Cubic& c, Point p) {
    const double minY = std::min(std::min(c.p0.y, c.p1.y), std::min(c.p2.y, c.p3.y));
    const double maxY = std::max(std::max(c.p0.y, c.p1.y), std::max(c.p2.y, c.p3.y));
    if (minY > p.y || maxY <= p.y)
        return HullSide::Misses;
    const double maxX = std::max(std::max(c.p0.x, c.p1.x), std::max(c.p2.x, c.p3.x));
    if (maxX < p.x)
        return HullSide::Misses;
    const double minX = std::min(std::min(c.p0.x, c.p1.x), std::min(c.p2.x, c.p3.x));
    return minX > p.x ? HullSide::RightOfPoint : HullSide::Straddles;
}

int curveWinding(const Cubic& curve, Point p) {
    if (!isFinite(curve))
        return lineWinding(curve.p0, curve.p3, p);
    // Most curves of a long path are settled by their hull alone.
    switch (hullSide(curve, p)) {
    case HullSide::Misses:
        return 0;
    case HullSide::RightOfPoint:
        return lineWinding(curve.p0, curve.p3, p);
    case HullSide::Straddles:
        break;
    }
    struct Piece {
        Cubic c;
        int depth;
    };
    Piece stack[kContainsMaxDepth + 2];
    int top = 0;
    stack[top++] = {curve, 0};
    int winding = 0;
    while (top > 0) {
        const Piece piece = stack[--top];
        const Cubic& c = piece.c;
        const HullSide side = hullSide(c, p);
        if (side == HullSide::Misses)
            continue;
        if (side == HullSide::RightOfPoint || piece.depth >= kContainsMaxDepth ||
            isFlat(c, kContainsTolerance)) {
            winding += lineWinding(c.p0, c.p3, p);
            continue;
        }
        Cubic left, right;
        split(c, left, right);
        stack[top++] = {right, piece.depth + 1};
        stack[top++] = {left, piece.depth + 1};
    }
    return winding;
}

void flattenCurve(const Cubic& curve, double tolerance, std::vector<LineSegment>& out) {
    if (!isFinite(curve) || out.size() >= kFlattenSegmentBudget) {
        out.push_back({curve.p0, curve.p3});
        return;
    }
    struct Piece {
        Cubic c;
        int depth;
    };
    Piece stack[kFlattenMaxDepth + 2];
    int top = 0;
    stack[top++] = {curve, 0};
    while (top > 0) {
        const Piece piece = stack[--top];
        if (piece.depth >= kFlattenMaxDepth || isFlat(piece.c, tolerance)) {
            out.push_back({piece.c.p0, piece.c.p3});
            continue;
        }
        Cubic left, right;
        split(piece.c, left, right);
        // Left last, so that it is taken first and segments come out in order.
        stack[top++] = {right, piece.depth + 1};
        stack[top++] = {left, piece.depth + 1};
    }
}

Point pointOnCircle(Point center, double radius, double radians) {
    return {center.x + radius * std::cos(radians), center.y + radius * std::sin(radians)};
}

} // namespace

int PathElement::pointCount() const {
    switch (type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        return 1;
    case PathElementType::CurveTo:
        return 3;
    case PathElementType::ClosePath:
        return 0;
    }
    return 0;
}

BezierPath BezierPath::bezierPathWithRect(const Rect& r) {
    BezierPath path;
    path.m_Elements.reserve(5);
    path.moveToPoint({r.minX(), r.minY()});
    path.lineToPoint({r.maxX(), r.minY()});
    path.lineToPoint({r.maxX(), r.maxY()});
    path.lineToPoint({r.minX(), r.maxY()});
    path.closePath();
    return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(const Rect& r) {
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double kx = (x1 - x0) / 2 * kOvalKappa, ky = (y1 - y0) / 2 * kOvalKappa;
    BezierPath path;
    path.m_Elements.reserve(6);
    path.moveToPoint({x1, cy});
    path.curveToPoint({cx, y1}, {x1, cy + ky}, {cx + kx, y1});
    path.curveToPoint({x0, cy}, {cx - kx, y1}, {x0, cy + ky});
    path.curveToPoint({cx, y0}, {x0, cy - ky}, {cx - kx, y0});
    path.curveToPoint({x1, cy}, {cx + kx, y0}, {x1, cy - ky});
    path.closePath();
    return path;
}

void BezierPath::moveToPoint(Point p) {
    PathElement e;
    e.type = PathElementType::MoveTo;
    e.points[0] = p;
    m_Elements.push_back(e);
}

void BezierPath::lineToPoint(Point p) {
    PathElement e;
    e.type = PathElementType::LineTo;
    e.points[0] = p;
    m_Elements.push_back(e);
}

void BezierPath::curveToPoint(Point end, Point control1, Point control2) {
    PathElement e;
    e.type = PathElementType::CurveTo;
    e.points = {control1, control2, end};
    m_Elements.push_back(e);
}

void BezierPath::closePath() {
    PathElement e;
    e.type = PathElementType::ClosePath;
    m_Elements.push_back(e);
}

void BezierPath::appendBezierPathWithArcWithCenter(Point center, double radius, double startAngle,
                                                   double endAngle, bool clockwise) {
    double sweep = endAngle - startAngle;
    // Nothing sensible can be drawn through a non-finite centre, radius or angle.
    if (!std::isfinite(sweep) || !std::isfinite(radius) || !isFinite(center))
        return;
    if (std::fabs(sweep) >= 360)
        sweep = clockwise ? -360 : 360;
    else if (clockwise && sweep > 0)
        sweep -= 360;
    else if (!clockwise && sweep < 0)
        sweep += 360;

    constexpr double kRadians = std::numbers::pi / 180;
    const double a0 = startAngle * kRadians;
    const Point first = pointOnCircle(center, radius, a0);
    if (m_Elements.empty())
        moveToPoint(first);
    else
        lineToPoint(first);
    if (sweep == 0)
        return;

    // At most a quarter turn per curve keeps the cubic within 0.03% of the circle.
    const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / 90)), 1, 4);
    const double step = sweep * kRadians / n;
    const double k = 4.0 / 3.0 * std::tan(step / 4) * radius;
    Point from = first;
    for (int i = 0; i < n; ++i) {
        const double s = a0 + i * step;
        const double e = (i + 1 == n) ? (startAngle + sweep) * kRadians : s + step;
        const Point to = pointOnCircle(center, radius, e);
        const Point c1{from.x - k * std::sin(s), from.y + k * std::cos(s)};
        const Point c2{to.x + k * std::sin(e), to.y - k * std::cos(e)};
        curveToPoint(to, c1, c2);
        from = to;
    }
}

void BezierPath::appendBezierPath(const BezierPath& other) {
    if (&other == this) {
        const std::vector<PathElement> copy = other.m_Elements;
        m_Elements.insert(m_Elements.end(), copy.begin(), copy.end());
        return;
    }
    m_Elements.insert(m_Elements.end(), other.m_Elements.begin(), other.m_Elements.end());
}

void BezierPath::removeAllPoints() {
    m_Elements.clear();
}

void BezierPath::setAssociatedPoints(const Point* points, std::size_t index) {
    if (points == nullptr || index >= m_Elements.size())
        return;
    PathElement& e = m_Elements[index];
    for (int i = 0; i < e.pointCount(); ++i)
        e.points[i] = points[i];
}

Point BezierPath::currentPoint() const {
    Point start, current;
    for (const PathElement& e : m_Elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            start = current = e.points[0];
            break;
        case PathElementType::LineTo:
            current = e.points[0];
            break;
        case PathElementType::CurveTo:
            current = e.points[2];
            break;
        case PathElementType::ClosePath:
            current = start;
            break;
        }
    }
    return current;
}

Rect BezierPath::bounds() const {
    BoxBuilder box;
    // Move-to points count even when nothing is drawn from them.
    for (const PathElement& e : m_Elements)
        if (e.type == PathElementType::MoveTo)
            box.add(e.points[0]);
    walkSegments(
        m_Elements, false,
        [&](Point a, Point b) {
            box.add(a);
            box.add(b);
        },
        [&](const Cubic& c) {
            box.add(c.p0);
            box.add(c.p3);
            double roots[2];
            int n = derivativeRoots(c.p0.x, c.p1.x, c.p2.x, c.p3.x, roots);
            for (int i = 0; i < n; ++i)
                box.add(evaluate(c, roots[i]));
            n = derivativeRoots(c.p0.y, c.p1.y, c.p2.y, c.p3.y, roots);
            for (int i = 0; i < n; ++i)
                box.add(evaluate(c, roots[i]));
        });
    return box.rect();
}

Rect BezierPath::controlPointBounds() const {
    BoxBuilder box;
    for (const PathElement& e : m_Elements)
        for (int i = 0; i < e.pointCount(); ++i)
            box.add(e.points[i]);
    return box.rect();
}

bool BezierPath::containsPoint(Point p) const {
    if (!isFinite(p))
        return false;
    int winding = 0;
    walkSegments(
        m_Elements, true, [&](Point a, Point b) { winding += lineWinding(a, b, p); },
        [&](const Cubic& c) { winding += curveWinding(c, p); });
    if (m_WindingRule == WindingRule::EvenOdd)
        return (winding & 1) != 0;
    return winding != 0;
}

std::vector<LineSegment> BezierPath::flattenedSegments(double tolerance) const {
    if (!(tolerance > 0) || !std::isfinite(tolerance))
        tolerance = kDefaultTolerance;
    std::vector<LineSegment> out;
    out.reserve(m_Elements.size());
    walkSegments(
        m_Elements, false,
        [&](Point a, Point b) {
            out.push_back({a, b});
        },
        [&](const Cubic& c) { flattenCurve(c, tolerance, out); });
    return out;
}

void BezierPath::transformUsingAffineTransform(const AffineTransform& t) {
    for (PathElement& e : m_Elements)
        for (int i = 0; i < e.pointCount(); ++i)
            e.points[i] = t.transformPoint(e.points[i]);
}

BezierPath BezierPath::transformedBy(const AffineTransform& t) const {
    BezierPath copy = *this;
    copy.transformUsingAffineTransform(t);
    return copy;
}

void BezierPath::setLineDash(std::vector<double> pattern, double phase) {
    // A pattern with a negative or non-finite length, or one that adds up to
    // nothing, would never advance along the path: draw solid lines instead.
    double total = 0;
    bool valid = true;
    for (double d : pattern) {
        if (!std::isfinite(d) || d < 0)
            valid = false;
        else
            total += d;
    }
    if (!valid || !(total > 0) || !std::isfinite(total))
        pattern.clear();
    m_Dash = std::move(pattern);
    m_DashPhase = std::isfinite(phase) ? phase : 0;
}

} // namespace qv

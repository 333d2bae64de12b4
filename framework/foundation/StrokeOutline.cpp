#include "framework/foundation/StrokeOutline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv {
namespace {

double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}
// The left normal of a direction.
Point normal(Point d) {
    return {-d.y, d.x};
}

} // namespace

double outlineTolerance(double tolerance, double m11, double m12, double m21, double m22) {
    const double s = (m11 * m11 + m12 * m12 + m21 * m21 + m22 * m22) / 2;
    const double det = m11 * m22 - m12 * m21;
    const double largest = std::sqrt(s + std::sqrt(std::max(0.0, s * s - det * det)));
    return largest > 0 && std::isfinite(largest) ? tolerance / largest : tolerance;
}

StrokeOutliner::StrokeOutliner(const OutlineStyle& style, OutlineSink& sink)
    : m_Style(style), m_Sink(sink) {
    const double width = std::isfinite(style.width) ? std::max(0.0, style.width) : 0;
    m_Half = width / 2;
    m_Tolerance = style.tolerance > 0 && std::isfinite(style.tolerance)
                      ? style.tolerance
                      : std::max(width, 1.0) * 1e-3;
    m_Epsilon = std::max(width * 1e-6, 1e-12);
    // A chord of angle a strays h (1 - cos(a / 2)) from its arc.
    m_ArcStep =
        m_Tolerance < m_Half ? 2 * std::acos(1 - m_Tolerance / m_Half) : std::numbers::pi / 2;
    m_ArcStep = std::clamp(m_ArcStep, 0.005, std::numbers::pi / 2);
    // The miter reaches h / cos(turn / 2) from the vertex: its length over the
    // width is 1 / cos(turn / 2), and 1 + cos(turn) = 2 cos^2(turn / 2).
    const double limit = std::isfinite(style.miterLimit) ? style.miterLimit : 0;
    m_MiterMin = limit > 0 ? 2 / (limit * limit) : 1e300;
}

void StrokeOutliner::moveTo(Point p) {
    flush();
    if (std::isfinite(p.x) && std::isfinite(p.y))
        pushPoint(p);
}

void StrokeOutliner::pushPoint(Point p) {
    m_Points.push_back(p);
    m_Corner.push_back(0);
    m_TanIn.push_back({});
    m_TanOut.push_back({});
}

void StrokeOutliner::beginElement() {
    if (m_Points.size() >= 2)
        m_Corner.back() = 1;
}

void StrokeOutliner::addPoint(Point p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return;
    if (!m_Points.empty()) {
        const Point last = m_Points.back();
        if (std::abs(p.x - last.x) <= m_Epsilon && std::abs(p.y - last.y) <= m_Epsilon)
            return;
    }
    pushPoint(p);
}

void StrokeOutliner::lineTo(Point p) {
    beginElement();
    addPoint(p);
}

void StrokeOutliner::curveTo(Point c1, Point c2, Point e) {
    beginElement();
    if (m_Points.empty()) {
        addPoint(e);
        return;
    }
    const Point s = m_Points.back();
    // The tangent at each end points to the nearest distinct control point.
    auto unit = [this](Point from, Point a, Point b, Point c) {
        for (Point q : {a, b, c}) {
            const Point d = q - from;
            const double len = std::sqrt(dot(d, d));
            if (len > m_Epsilon)
                return d * (1 / len);
        }
        return Point();
    };
    const Point startTangent = unit(s, c1, c2, e);
    const Point endTangent = unit(e, c2, c1, s) * -1;
    m_TanOut.back() = startTangent;
    // Uniform steps stray at most |B''| / 8n^2 from the curve, and |B''| is at
    // most six times the larger second difference of the control points.
    const Point dd1 = s - c1 * 2 + c2;
    const Point dd2 = c1 - c2 * 2 + e;
    const double second = std::sqrt(std::max(dot(dd1, dd1), dot(dd2, dd2)));
    double steps = std::ceil(std::sqrt(0.75 * second / m_Tolerance));
    if (!(steps >= 1))
        steps = 1;
    const int n = int(std::min(steps, 500.0));
    for (int i = 1; i < n; ++i) {
        const double t = double(i) / n;
        const double u = 1 - t;
        const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
        addPoint({b0 * s.x + b1 * c1.x + b2 * c2.x + b3 * e.x,
                  b0 * s.y + b1 * c1.y + b2 * c2.y + b3 * e.y});
    }
    addPoint(e);
    if (m_Points.size() >= 2)
        m_TanIn.back() = endTangent;
}

void StrokeOutliner::finish() {
    flush();
}

void StrokeOutliner::arc(std::vector<Point>& out, Point centre, Point from, double angle) const {
    const int steps = int(std::ceil(std::abs(angle) / m_ArcStep));
    if (steps <= 1)
        return;
    const double step = angle / steps;
    const double c = std::cos(step), s = std::sin(step);
    // The chords would lie inside the circle; pushing the inner vertices out
    // so that they stray as far outside as the chords' middles stay inside
    // keeps the area and halves the error.
    const double outward = 2 / (1 + std::cos(step / 2));
    Point v = from;
    for (int i = 1; i < steps; ++i) {
        v = {v.x * c - v.y * s, v.x * s + v.y * c};
        out.push_back(centre + v * outward);
    }
}

void StrokeOutliner::outlineDisc(Point p) {
    m_Left.clear();
    m_Left.push_back(p + Point(m_Half, 0));
    arc(m_Left, p, {m_Half, 0}, -2 * std::numbers::pi);
    if (m_Left.size() >= 3)
        m_Sink.polygon(m_Left.data(), m_Left.size());
}

void StrokeOutliner::outlineDot(Point p) {
    m_Left.clear();
    if (m_Style.cap == LineCapStyle::Round) {
        outlineDisc(p);
        return;
    } else if (m_Style.cap == LineCapStyle::Square) {
        const double h = m_Half;
        m_Left.insert(m_Left.end(),
                      {p + Point(h, -h), p + Point(h, h), p + Point(-h, h), p + Point(-h, -h)});
    }
    if (m_Left.size() >= 3)
        m_Sink.polygon(m_Left.data(), m_Left.size());
}

void StrokeOutliner::flush() {
    if (m_Points.size() == 1 && m_Half > 0)
        outlineDot(m_Points.front());
    else if (m_Points.size() >= 2 && m_Half > 0)
        outlinePiece();
    m_Points.clear();
    m_Corner.clear();
    m_TanIn.clear();
    m_TanOut.clear();
}

void StrokeOutliner::outlinePiece() {
    const std::size_t m = m_Points.size();
    const double h = m_Half;
    m_Dir.resize(m - 1);
    m_Length.resize(m - 1);
    for (std::size_t i = 0; i + 1 < m; ++i) {
        const Point d = m_Points[i + 1] - m_Points[i];
        const double len = std::sqrt(dot(d, d));
        m_Length[i] = len;
        m_Dir[i] = d * (1 / len);
    }
    m_Left.clear();
    m_Right.clear();

    // A curve's tangent where there is one, else the flat segment.
    auto along = [](Point tangent, Point chord) {
        return tangent.x != 0 || tangent.y != 0 ? tangent : chord;
    };
    const Point p0 = m_Points.front();
    const Point d0 = along(m_TanOut.front(), m_Dir.front());
    const Point n0 = normal(d0) * h;
    const Point back = m_Style.cap == LineCapStyle::Square ? d0 * h : Point();
    m_Left.push_back(p0 + n0 - back);
    m_Right.push_back(p0 - n0 - back);

    for (std::size_t j = 1; j + 1 < m; ++j) {
        const Point ca = m_Dir[j - 1], cb = m_Dir[j];
        const Point da = m_Corner[j] ? along(m_TanIn[j], ca) : ca;
        const Point db = m_Corner[j] ? along(m_TanOut[j], cb) : cb;
        const double c = dot(da, db), s = cross(da, db);
        const Point p = m_Points[j];
        const Point na = normal(da) * h, nb = normal(db) * h;
        // Turning left puts the left side inside the bend.
        const bool leftOuter = s < 0;
        std::vector<Point>& inner = leftOuter ? m_Right : m_Left;
        std::vector<Point>& outer = leftOuter ? m_Left : m_Right;
        const double side = leftOuter ? 1 : -1; // outer side's normal sign

        // Inside: the offset lines of the two flat segments cross
        // h tan(turn / 2) from the vertex. Cut the corner there when that lies
        // in the first half of both segments (the cut-off part is then covered
        // by both quads and by no other cut); otherwise go through the vertex.
        const double reach = std::min(m_Length[j - 1], m_Length[j]) * 0.5;
        const double cc = dot(ca, cb), cs = cross(ca, cb);
        const double chordPlusCos = 1 + cc;
        const Point ina = normal(ca) * h, inb = normal(cb) * h;
        if (chordPlusCos > 1e-9 && (cs < 0) == leftOuter &&
            h * std::abs(cs) <= reach * chordPlusCos) {
            inner.push_back(p - (ina + inb) * (side / chordPlusCos));
        } else {
            inner.push_back(p - ina * side);
            inner.push_back(p);
            inner.push_back(p - inb * side);
        }
        const double onePlusCos = 1 + c;

        if (s == 0 && c > 0) {
            outer.push_back(p + na * side);
            continue;
        }
        outer.push_back(p + na * side);
        LineJoinStyle join = m_Style.join;
        if (!m_Corner[j]) {
            // A bend inside a curve: a straight cut strays h (1 - cos(turn / 2)).
            join = LineJoinStyle::Bevel;
            if ((1 - c) * h > 3 * m_Tolerance && h * (1 - std::sqrt(onePlusCos / 2)) > m_Tolerance)
                join = LineJoinStyle::Round;
        }
        switch (join) {
        case LineJoinStyle::Miter:
            if (onePlusCos >= m_MiterMin && onePlusCos > 1e-12)
                outer.push_back(p + (na + nb) * (side / onePlusCos));
            break;
        case LineJoinStyle::Round:
            // The join is a whole disc: past a butt end less than half the
            // width away it shows beyond the end. (Square and round caps
            // cover it; elsewhere the neighbouring segments do.)
            if (m_Corner[j] && m_Style.cap == LineCapStyle::Butt &&
                ((j == 1 && m_Length[0] < h) || (j + 2 == m && m_Length[j] < h)))
                m_Discs.push_back(p);
            // Exactly backwards (s == 0) turns through the right side, the outer one.
            arc(outer, p, na * side, std::atan2(s == 0 ? 0.0 : s, c));
            break;
        case LineJoinStyle::Bevel:
            break;
        }
        outer.push_back(p + nb * side);
    }

    const Point pe = m_Points.back();
    const Point de = along(m_TanIn.back(), m_Dir.back());
    const Point ne = normal(de) * h;
    const Point ahead = m_Style.cap == LineCapStyle::Square ? de * h : Point();
    m_Left.push_back(pe + ne + ahead);
    m_Right.push_back(pe - ne + ahead);

    if (m_Style.cap == LineCapStyle::Round)
        arc(m_Left, pe, ne, -std::numbers::pi);
    m_Left.insert(m_Left.end(), m_Right.rbegin(), m_Right.rend());
    if (m_Style.cap == LineCapStyle::Round)
        arc(m_Left, p0, Point() - n0, -std::numbers::pi);
    m_Sink.polygon(m_Left.data(), m_Left.size());
    for (Point p : m_Discs)
        outlineDisc(p);
    m_Discs.clear();
}

} // namespace qv

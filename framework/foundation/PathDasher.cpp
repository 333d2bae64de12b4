#include "framework/foundation/PathDasher.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// Arc length of a cubic comes from 5-point Gauss-Legendre quadrature of its
// speed over intervals halved until two halves agree with the whole.
constexpr double kLengthTolerance = 1e-7;
constexpr int kMaxDepth = 12;
// A parameter is good once its arc position is this close to the wanted one.
constexpr double kPositionTolerance = 1e-9;
constexpr int kMaxNewtonSteps = 16;

constexpr double kNodes[5] = {0.0, -0.5384693101056831, 0.5384693101056831, -0.9061798459386640,
                              0.9061798459386640};
constexpr double kWeights[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                0.2369268850561891, 0.2369268850561891};

// A plain square root: hypot's care for overflow costs more than the dashing.
double norm(Point p) {
    return std::sqrt(p.x * p.x + p.y * p.y);
}

struct Sample {
    double t;
    double s; // arc length from the segment's start
    double v; // speed, ds/dt
};

// A line (p[0] to p[3]) or a cubic, with its length and, for a cubic, the
// range of the subpath's table that maps parameters to arc lengths.
struct Segment {
    bool curve = false;
    Point p[4];
    double length = 0;
    std::size_t tableBegin = 0;
    std::size_t tableEnd = 0;

    // The derivative is 3 (a t² + b t + c).
    Point a, b, c;

    void setUpDerivative() {
        const Point d0 = p[1] - p[0], d1 = p[2] - p[1], d2 = p[3] - p[2];
        a = d0 - d1 * 2 + d2;
        b = (d1 - d0) * 2;
        c = d0;
    }
    Point derivative(double t) const { return (a * (t * t) + b * t + c) * 3; }
    Point secondDerivative(double t) const { return (a * (2 * t) + b) * 3; }
    double speed(double t) const { return norm(derivative(t)); }

    double quadrature(double t0, double t1) const {
        const double h = (t1 - t0) / 2, mid = (t0 + t1) / 2;
        double sum = 0;
        for (int i = 0; i < 5; ++i)
            sum += kWeights[i] * speed(mid + h * kNodes[i]);
        return sum * h;
    }

    // Exact ends at t = 0 and 1, so pieces meet the original's points.
    Point pointAt(double t) const {
        if (t <= 0)
            return p[0];
        if (t >= 1)
            return p[3];
        if (!curve)
            return p[0] + (p[3] - p[0]) * t;
        const double u = 1 - t;
        return p[0] * (u * u * u) + p[1] * (3 * u * u * t) + p[2] * (3 * u * t * t) +
               p[3] * (t * t * t);
    }

    // The unit direction of travel at t, also where the derivative vanishes.
    Point tangentAt(double t) const {
        Point d = p[3] - p[0];
        if (curve) {
            d = derivative(t);
            if (norm(d) == 0)
                d = derivative(t < 1 ? t + 1e-6 : t - 1e-6);
            if (norm(d) == 0)
                d = p[3] - p[0];
        }
        const double n = norm(d);
        return n > 0 ? d * (1 / n) : Point(1, 0);
    }
};

// One point of the cubic's polar form: f(u, v, w). The control points of the
// part between t0 and t1 are f(t0,t0,t0), f(t0,t0,t1), f(t0,t1,t1), f(t1,t1,t1).
Point blossom(const Point p[4], double u, double v, double w) {
    auto lerp = [](Point a, Point b, double t) { return a + (b - a) * t; };
    const Point a = lerp(p[0], p[1], u), b = lerp(p[1], p[2], u), c = lerp(p[2], p[3], u);
    const Point d = lerp(a, b, v), e = lerp(b, c, v);
    return lerp(d, e, w);
}

class Dasher {
public:
    Dasher(std::vector<double> pattern, double phase, const DashOptions& options, DashSink& out)
        : m_Pattern(std::move(pattern)), m_Options(options), m_Out(out) {
        for (double l : m_Pattern)
            m_Period += l;
        double p = std::isfinite(phase) ? std::fmod(phase, m_Period) : 0;
        if (p < 0)
            p += m_Period;
        // The entry the phase falls in; a zero-length entry right at the phase
        // counts as starting there, so its dot is drawn.
        std::size_t i = 0;
        for (std::size_t steps = 0; p > 0 && p >= m_Pattern[i] && steps < 4 * m_Pattern.size();
             ++steps) {
            p -= m_Pattern[i];
            i = (i + 1) % m_Pattern.size();
        }
        m_FirstIndex = i;
        m_FirstRemaining = std::max(0.0, m_Pattern[i] - std::max(0.0, p));
    }

    void moveTo(Point p) { m_Start = m_Current = p; }
    void lineTo(Point p) {
        Segment s;
        s.p[0] = m_Current;
        s.p[3] = p;
        s.length = norm(p - m_Current);
        m_Current = p;
        if (s.length > 0 || !std::isfinite(s.length))
            m_Segments.push_back(s);
    }
    void curveTo(Point c1, Point c2, Point end) {
        Segment s;
        s.curve = true;
        s.p[0] = m_Current;
        s.p[1] = c1;
        s.p[2] = c2;
        s.p[3] = end;
        m_Current = end;
        s.setUpDerivative();
        s.tableBegin = m_Table.size();
        m_Table.push_back({0, 0, s.speed(0)});
        double length = 0;
        measure(s, 0, 1, s.quadrature(0, 1), 0, length);
        s.length = length;
        s.tableEnd = m_Table.size();
        if (s.length > 0 || !std::isfinite(s.length))
            m_Segments.push_back(s);
        else
            m_Table.resize(s.tableBegin);
    }
    void closePath() {
        lineTo(m_Start);
        m_Current = m_Start;
    }

    // Dashes the segments gathered since the last move; false when the path
    // must be drawn solid instead.
    bool finishSubpath() {
        const bool ok = dashSubpath();
        m_Segments.clear();
        m_Table.clear();
        return ok;
    }

private:
    bool painted() const { return m_Index % 2 == 0; }

    void measure(const Segment& s, double t0, double t1, double whole, int depth, double& length) {
        const double m = (t0 + t1) / 2;
        const double left = s.quadrature(t0, m), right = s.quadrature(m, t1);
        if (depth >= kMaxDepth || !(std::abs(left + right - whole) > kLengthTolerance)) {
            length += left;
            m_Table.push_back({m, length, s.speed(m)});
            length += right;
            m_Table.push_back({t1, length, s.speed(t1)});
            return;
        }
        measure(s, t0, m, left, depth + 1, length);
        measure(s, m, t1, right, depth + 1, length);
    }

    // The parameter at arc length u of a cubic; `cursor` walks the table
    // forwards, as positions only grow along a segment.
    double parameterAt(const Segment& s, double u, std::size_t& cursor) const {
        while (cursor + 2 < s.tableEnd && m_Table[cursor + 1].s < u)
            ++cursor;
        const Sample k0 = m_Table[cursor], k1 = m_Table[cursor + 1];
        double lo = k0.t, hi = k1.t;
        // First guess: t as a cubic in s through both ends with slopes 1 / speed.
        const double h = k1.s - k0.s;
        double t = lo;
        if (h > 0) {
            const double x = std::clamp((u - k0.s) / h, 0.0, 1.0);
            t = lo + (hi - lo) * x;
            if (k0.v > 0 && k1.v > 0) {
                const double x2 = x * x, x3 = x2 * x;
                t = (2 * x3 - 3 * x2 + 1) * lo + (x3 - 2 * x2 + x) * h / k0.v +
                    (-2 * x3 + 3 * x2) * hi + (x3 - x2) * h / k1.v;
                t = std::clamp(t, lo, hi);
            }
        }
        for (int step = 0; step < kMaxNewtonSteps; ++step) {
            const double f = k0.s + s.quadrature(k0.t, t) - u;
            if (std::abs(f) <= kPositionTolerance)
                break;
            if (f > 0)
                hi = t;
            else
                lo = t;
            const Point d = s.derivative(t);
            const double v = norm(d);
            double next = v > 0 ? t - f / v : lo;
            if (!(next > lo && next < hi)) {
                next = (lo + hi) / 2;
            } else {
                // Newton's next error is about s''/2 (f/v)²; when that is
                // already small enough, the checking quadrature is saved.
                const Point dd = s.secondDerivative(t);
                const double curve = std::abs(d.x * dd.x + d.y * dd.y) / v;
                const double dt = f / v;
                if (0.5 * curve * dt * dt <= kPositionTolerance * 0.5)
                    return next;
            }
            t = next;
        }
        return t;
    }

    void startPiece(Point p) {
        m_Out.moveTo(p);
        m_Open = true;
        ++m_Pieces;
    }

    void span(const Segment& s, double t0, double t1) {
        if (!m_Open)
            startPiece(s.pointAt(t0));
        if (!s.curve) {
            m_Out.lineTo(s.pointAt(t1));
        } else if (t0 <= 0 && t1 >= 1) {
            m_Out.curveTo(s.p[1], s.p[2], s.p[3]);
        } else {
            m_Out.curveTo(blossom(s.p, t0, t0, t1), blossom(s.p, t0, t1, t1), s.pointAt(t1));
        }
    }

    void dot(const Segment& s, double t) {
        if (!(m_Options.dotLength > 0) || !std::isfinite(m_Options.dotLength))
            return;
        const Point p = s.pointAt(t);
        startPiece(p);
        m_Out.lineTo(p + s.tangentAt(t) * m_Options.dotLength);
        m_Open = false;
    }

    // The current entry is used up at parameter t of s. No dot at the very
    // end of a subpath: it would face off the path, and it never showed.
    void advance(const Segment& s, double t, bool atEnd) {
        if (painted())
            m_Open = false;
        do {
            m_Index = (m_Index + 1) % m_Pattern.size();
            m_Remaining = m_Pattern[m_Index];
            if (m_Remaining == 0 && painted() && !atEnd)
                dot(s, t);
        } while (m_Remaining == 0);
    }

    bool dashSubpath() {
        double total = 0;
        for (const Segment& s : m_Segments)
            total += s.length;
        if (!std::isfinite(total))
            return false;
        if (m_Segments.empty())
            return true;
        // Bound the work before doing it: each period paints at most half the
        // pattern's entries, plus partial periods at both ends.
        m_Estimate += (total / m_Period + 2) * double((m_Pattern.size() + 1) / 2);
        if (!(m_Estimate <= double(m_Options.maxPieces)))
            return false;

        m_Index = m_FirstIndex;
        m_Remaining = m_FirstRemaining;
        m_Open = false;
        if (m_Remaining == 0) {
            if (painted())
                dot(m_Segments.front(), 0);
            advance(m_Segments.front(), 0, false);
        }
        for (const Segment& s : m_Segments) {
            double u = 0, t = 0;
            std::size_t cursor = s.tableBegin;
            while (u < s.length) {
                const double step = std::min(m_Remaining, s.length - u);
                const bool toEnd = step >= s.length - u;
                const double u1 = toEnd ? s.length : u + step;
                const double t1 =
                    toEnd ? 1.0 : (s.curve ? parameterAt(s, u1, cursor) : u1 / s.length);
                if (painted())
                    span(s, t, t1);
                u = u1;
                t = t1;
                m_Remaining -= step;
                if (m_Remaining <= 0)
                    advance(s, t, toEnd && &s == &m_Segments.back());
                if (m_Pieces > m_Options.maxPieces)
                    return false;
            }
        }
        m_Open = false;
        return true;
    }

    std::vector<double> m_Pattern;
    DashOptions m_Options;
    DashSink& m_Out;
    double m_Period = 0;
    std::size_t m_FirstIndex = 0;
    double m_FirstRemaining = 0;

    Point m_Start, m_Current;
    std::vector<Segment> m_Segments;
    std::vector<Sample> m_Table;

    std::size_t m_Index = 0;
    double m_Remaining = 0;
    bool m_Open = false;
    std::size_t m_Pieces = 0;
    double m_Estimate = 0;
};

} // namespace

bool dashPath(const BezierPath& path, const std::vector<double>& pattern, double phase,
              const DashOptions& options, DashSink& sink) {
    if (pattern.empty())
        return false;
    double sum = 0;
    for (double l : pattern) {
        if (!std::isfinite(l) || l < 0)
            return false;
        sum += l;
    }
    if (!(sum > 0) || !std::isfinite(sum))
        return false;
    std::vector<double> lengths = pattern;
    // An odd count repeats with painted and blank lengths swapped.
    if (lengths.size() % 2 == 1)
        lengths.insert(lengths.end(), pattern.begin(), pattern.end());

    Dasher dasher(std::move(lengths), phase, options, sink);
    for (const PathElement& e : path.elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            if (!dasher.finishSubpath())
                return false;
            dasher.moveTo(e.points[0]);
            break;
        case PathElementType::LineTo:
            dasher.lineTo(e.points[0]);
            break;
        case PathElementType::CurveTo:
            dasher.curveTo(e.points[0], e.points[1], e.points[2]);
            break;
        case PathElementType::ClosePath:
            // The closing segment is dashed too; what follows starts afresh.
            dasher.closePath();
            if (!dasher.finishSubpath())
                return false;
            break;
        }
    }
    return dasher.finishSubpath();
}

std::optional<BezierPath> dashedPath(const BezierPath& path, const std::vector<double>& pattern,
                                     double phase, const DashOptions& options) {
    struct Sink : DashSink {
        BezierPath out;
        void moveTo(Point p) override { out.moveToPoint(p); }
        void lineTo(Point p) override { out.lineToPoint(p); }
        void curveTo(Point c1, Point c2, Point end) override { out.curveToPoint(end, c1, c2); }
    } sink;
    sink.out.setLineWidth(path.lineWidth());
    sink.out.setLineCapStyle(path.lineCapStyle());
    sink.out.setLineJoinStyle(path.lineJoinStyle());
    sink.out.setMiterLimit(path.miterLimit());
    sink.out.setWindingRule(path.windingRule());
    if (!dashPath(path, pattern, phase, options, sink))
        return std::nullopt;
    return std::move(sink.out);
}

} // namespace qv

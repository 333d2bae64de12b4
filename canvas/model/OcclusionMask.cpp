#include "canvas/model/OcclusionMask.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace qv {
namespace {

bool finite(const Rect& r) {
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.maxX()) &&
           std::isfinite(r.maxY());
}

// The smallest factor by which the map stretches a length.
double smallestStretch(const AffineTransform& t) {
    // The singular values of [m11 m21; m12 m22] are the roots of the
    // eigenvalues of its Gram matrix.
    const double a = t.m11 * t.m11 + t.m12 * t.m12;
    const double d = t.m21 * t.m21 + t.m22 * t.m22;
    const double b = t.m11 * t.m21 + t.m12 * t.m22;
    const double mean = (a + d) / 2;
    const double spread = std::sqrt(std::max(0.0, (a - d) * (a - d) / 4 + b * b));
    return std::sqrt(std::max(0.0, mean - spread));
}

using Span = std::optional<std::pair<double, double>>;

} // namespace

OcclusionMask::OcclusionMask(int width, int height)
    : m_Width(std::max(0, width)), m_Height(std::max(0, height)), m_Rows(std::size_t(m_Height)) {}

std::int64_t OcclusionMask::coveredPixelCount() const {
    std::int64_t n = 0;
    for (const Runs& row : m_Rows)
        for (const auto& [x0, x1] : row)
            n += x1 - x0;
    return n;
}

bool OcclusionMask::covers(const Rect& deviceRect) const {
    const Rect r = deviceRect.standardized();
    if (!finite(r) || !(r.width() > 0) || !(r.height() > 0))
        return false;
    // Only the pixels within the picture count.
    const double left = std::max(0.0, std::floor(r.minX()));
    const double right = std::min(double(m_Width), std::ceil(r.maxX()));
    const double top = std::max(0.0, std::floor(r.minY()));
    const double bottom = std::min(double(m_Height), std::ceil(r.maxY()));
    if (!(left < right) || !(top < bottom))
        return true;
    const int x0 = int(left), x1 = int(right);
    for (int y = int(top); y < int(bottom); ++y) {
        const Runs& row = m_Rows[std::size_t(y)];
        // The last run starting at or before x0 must reach x1.
        auto after = std::upper_bound(row.begin(), row.end(),
                                      std::pair(x0, std::numeric_limits<int>::max()));
        if (after == row.begin() || std::prev(after)->second < x1)
            return false;
    }
    return true;
}

void OcclusionMask::cover(int y, int x0, int x1) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_Width);
    if (x0 >= x1)
        return;
    Runs& row = m_Rows[std::size_t(y)];
    // Runs touching [x0, x1) merge with it.
    auto first =
        std::lower_bound(row.begin(), row.end(), x0,
                         [](const std::pair<int, int>& run, int x) { return run.second < x; });
    auto last = first;
    while (last != row.end() && last->first <= x1) {
        x0 = std::min(x0, last->first);
        x1 = std::max(x1, last->second);
        ++last;
    }
    if (first == last) {
        row.insert(first, {x0, x1});
        return;
    }
    *first = {x0, x1};
    row.erase(first + 1, last);
}

template <class Chord> void OcclusionMask::addRows(double y0, double y1, Chord chord) {
    const int top = int(std::max(0.0, std::floor(y0)));
    const int bottom = int(std::min(double(m_Height), std::ceil(y1)));
    for (int y = top; y < bottom; ++y) {
        // A convex region holds a pixel when it holds its four corners, that
        // is, when both edges of the row hold the pixel's span.
        const Span upper = chord(double(y)), lower = chord(double(y + 1));
        if (!upper || !lower)
            continue;
        const double left = std::max(upper->first, lower->first);
        const double right = std::min(upper->second, lower->second);
        if (!(left < right) || !(std::fabs(left) < 1e9) || !(std::fabs(right) < 1e9))
            continue;
        cover(y, int(std::ceil(left)), int(std::floor(right)));
    }
}

void OcclusionMask::addRectangle(const Rect& rect, const AffineTransform& toDevice, double margin) {
    const double stretch = smallestStretch(toDevice);
    if (!(stretch > 0) || !finite(rect))
        return;
    const Rect r = rect.standardized();
    const double m = margin / stretch;
    const Rect inner(r.minX() + m, r.minY() + m, r.width() - 2 * m, r.height() - 2 * m);
    if (!(inner.width() > 0) || !(inner.height() > 0))
        return;
    const Point corners[4] = {toDevice.transformPoint({inner.minX(), inner.minY()}),
                              toDevice.transformPoint({inner.maxX(), inner.minY()}),
                              toDevice.transformPoint({inner.maxX(), inner.maxY()}),
                              toDevice.transformPoint({inner.minX(), inner.maxY()})};
    // The parallelogram's chord at height y, from the edges crossing it.
    auto chord = [&corners](double y) -> Span {
        double lo = INFINITY, hi = -INFINITY;
        for (int i = 0; i < 4; ++i) {
            const Point a = corners[i], b = corners[(i + 1) % 4];
            if ((y < a.y && y < b.y) || (y > a.y && y > b.y))
                continue;
            double x;
            if (a.y == b.y) {
                lo = std::min({lo, a.x, b.x});
                hi = std::max({hi, a.x, b.x});
                continue;
            }
            x = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        if (!(lo <= hi))
            return std::nullopt;
        return std::pair(lo, hi);
    };
    const Rect box = toDevice.transformRect(inner);
    addRows(box.minY(), box.maxY(), chord);
}

void OcclusionMask::addOval(const Rect& rect, const AffineTransform& toDevice, double margin) {
    const double stretch = smallestStretch(toDevice);
    if (!(stretch > 0) || !finite(rect))
        return;
    const Rect r = rect.standardized();
    const double a = r.width() / 2, b = r.height() / 2;
    // The oval shrunk about its centre by the margin over its smaller
    // radius keeps at least the margin from the edge everywhere: the disc of
    // the smaller radius about the centre lies inside the oval.
    const double k = 1 - margin / stretch / std::min(a, b);
    if (!(k > 0))
        return;
    // Device points q inside: (q − c)ᵀ Q (q − c) ≤ 1, with Q = M⁻ᵀ D M⁻¹ for
    // the linear part M and D = diag(1 / (ka)², 1 / (kb)²).
    const Point c = toDevice.transformPoint(r.center());
    AffineTransform inverse = toDevice.inverseTransform();
    const double i11 = inverse.m11, i12 = inverse.m12, i21 = inverse.m21, i22 = inverse.m22;
    const double da = 1 / (k * a * k * a), db = 1 / (k * b * k * b);
    // Local x = i11·dx + i21·dy, local y = i12·dx + i22·dy.
    const double q11 = i11 * i11 * da + i12 * i12 * db;
    const double q12 = i11 * i21 * da + i12 * i22 * db;
    const double q22 = i21 * i21 * da + i22 * i22 * db;
    if (!(q11 > 0) || !std::isfinite(q11) || !std::isfinite(q12) || !std::isfinite(q22))
        return;
    auto chord = [=](double y) -> Span {
        const double dy = y - c.y;
        const double discriminant = q12 * q12 * dy * dy - q11 * (q22 * dy * dy - 1);
        if (!(discriminant >= 0))
            return std::nullopt;
        const double root = std::sqrt(discriminant);
        return std::pair(c.x + (-q12 * dy - root) / q11, c.x + (-q12 * dy + root) / q11);
    };
    const Rect box = toDevice.transformRect(r);
    addRows(box.minY(), box.maxY(), chord);
}

} // namespace qv

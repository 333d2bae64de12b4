#include "shapes/OvalShape.h"

namespace qv {
namespace {
// Control-point factor of a quarter ellipse, the single-precision value widened.
constexpr double kKappa = static_cast<double>(0.55228478f);
} // namespace

BezierPath OvalShape::ovalPathInRect(const Rect& r) {
    const double x = r.x(), y = r.y();
    const double maxX = x + r.width(), maxY = y + r.height();
    const double cx = x + r.width() / 2, cy = y + r.height() / 2;
    const double ka = kKappa * r.width() / 2, kb = kKappa * r.height() / 2;
    BezierPath p;
    p.moveToPoint({x, cy});
    p.curveToPoint({cx, y}, {x, cy - kb}, {cx - ka, y});
    p.curveToPoint({maxX, cy}, {cx + ka, y}, {maxX, cy - kb});
    p.curveToPoint({cx, maxY}, {maxX, cy + kb}, {cx + ka, maxY});
    p.curveToPoint({x, cy}, {cx - ka, maxY}, {x, cy + kb});
    p.closePath();
    return p;
}

std::optional<BezierPath> OvalShape::path() const {
    if (!m_CachedPath || m_CachedBounds != m_Bounds) {
        m_CachedPath = ovalPathInRect(m_Bounds);
        m_CachedBounds = m_Bounds;
    }
    return m_CachedPath;
}

} // namespace qv

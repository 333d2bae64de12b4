#include "canvas/OverlaySpriteContext.h"

#include "platform/qt/QtGraphicsContext.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace qv {
namespace {

// Circles up to this radius (device pixels) are stamped.
constexpr double kMaximumSpriteRadius = 24;
// The centre's position within its pixel, in steps of 1/16: a stamp is at
// most 1/32 pixel off, which only the edge's antialiasing shows.
constexpr int kPhaseSteps = 16;

struct SpriteKey {
    std::int64_t radius; // 1/64 pixels
    QRgb color;
    int phaseX, phaseY;
    bool operator==(const SpriteKey&) const = default;
};

size_t qHash(const SpriteKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.radius, k.color, k.phaseX, k.phaseY);
}

QHash<SpriteKey, QImage>& sprites() {
    static QHash<SpriteKey, QImage> cache;
    return cache;
}

double squaredDistance(Point a, Point b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

} // namespace

OverlaySpriteContext::OverlaySpriteContext(GraphicsContext& inner, QPainter& painter)
    : m_Inner(inner), m_Painter(painter),
      m_DevicePixelRatio(painter.device()->devicePixelRatioF()) {}

std::size_t OverlaySpriteContext::cachedSpriteCount() {
    return std::size_t(sprites().size());
}

std::optional<OverlaySpriteContext::Circle>
OverlaySpriteContext::circleOf(const BezierPath& p, const AffineTransform& toDevice) {
    const std::vector<PathElement>& e = p.elements();
    if (e.size() < 5 || e.size() > 6 || e[0].type != PathElementType::MoveTo)
        return std::nullopt;
    for (int i = 1; i <= 4; ++i)
        if (e[i].type != PathElementType::CurveTo)
            return std::nullopt;
    if (e.size() == 6 && e[5].type != PathElementType::ClosePath)
        return std::nullopt;
    // The points in device pixels, without a transformed copy of the path.
    auto d = [&toDevice](Point point) { return toDevice.transformPoint(point); };
    const Point q[4] = {d(e[0].points[0]), d(e[1].points[2]), d(e[2].points[2]), d(e[3].points[2])};
    const Point c = (q[0] + q[2]) * 0.5;
    const double r2 = squaredDistance(q[0], c);
    if (!(r2 > 0) || !std::isfinite(r2))
        return std::nullopt;
    // Lengths within tol of each other, compared as squares:
    // |a² − b²| = |a − b|·(a + b).
    const double r = std::sqrt(r2);
    const double tol = 1e-6 + 1e-4 * r;
    if (squaredDistance(d(e[4].points[2]), q[0]) > tol * tol ||
        squaredDistance((q[1] + q[3]) * 0.5, c) > tol * tol)
        return std::nullopt;
    // Four points a radius from the centre, a quarter turn apart, with the
    // control points of a circle's quarters between them.
    constexpr double kappa = 0.5522847498;
    const double k2 = kappa * kappa * r2;
    const double controlTol = 1e-6 + 1e-3 * r;
    for (int i = 0; i < 4; ++i) {
        const Point a = q[i], b = q[(i + 1) % 4];
        if (std::fabs(squaredDistance(b, c) - r2) > tol * (2 * r + tol) ||
            std::fabs(squaredDistance(a, b) - 2 * r2) > tol * (3 * r + tol))
            return std::nullopt;
        if (std::fabs(squaredDistance(d(e[i + 1].points[0]), a) - k2) >
                controlTol * (2 * kappa * r + controlTol) ||
            std::fabs(squaredDistance(d(e[i + 1].points[1]), b) - k2) >
                controlTol * (2 * kappa * r + controlTol))
            return std::nullopt;
    }
    return Circle{c, r};
}

void OverlaySpriteContext::fillPath(const BezierPath& path, const Color& color) {
    if (m_Shadowed || m_Layers > 0) {
        m_Inner.fillPath(path, color);
        return;
    }
    const std::optional<Circle> circle = circleOf(path, m_Inner.currentTransform());
    if (!circle || circle->radius > kMaximumSpriteRadius) {
        m_Inner.fillPath(path, color);
        return;
    }
    const double fx = std::floor(circle->center.x), fy = std::floor(circle->center.y);
    const SpriteKey key{std::llround(circle->radius * 64), toQColor(color).rgba(),
                        int(std::floor((circle->center.x - fx) * kPhaseSteps)),
                        int(std::floor((circle->center.y - fy) * kPhaseSteps))};
    // The picture's pixel (pad, pad) holds the centre's pixel.
    const int pad = int(std::ceil(circle->radius)) + 1;
    auto found = sprites().find(key);
    if (found == sprites().end()) {
        QImage sprite(2 * pad + 1, 2 * pad + 1, QImage::Format_ARGB32_Premultiplied);
        sprite.fill(Qt::transparent);
        QPainter p(&sprite);
        p.setRenderHint(QPainter::Antialiasing);
        const double r = key.radius / 64.0;
        const QPointF centre(pad + (key.phaseX + 0.5) / kPhaseSteps,
                             pad + (key.phaseY + 0.5) / kPhaseSteps);
        QPainterPath oval;
        oval.addEllipse(centre, r, r);
        p.fillPath(oval, QColor::fromRgba(key.color));
        p.end();
        found = sprites().insert(key, sprite);
    }
    // In device pixels, so that the stamp copies pixel for pixel. The inner
    // context sets its own transform again before each of its drawings.
    const double dpr = m_DevicePixelRatio;
    m_Painter.setTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
    m_Painter.drawImage(QPointF(fx - pad, fy - pad), *found);
}

} // namespace qv

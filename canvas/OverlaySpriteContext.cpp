#include "canvas/OverlaySpriteContext.h"

#include "platform/qt/QtGraphicsContext.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace qv {
namespace {

// Circles up to this radius (device pixels) are stamped.
constexpr double kMaximumSpriteRadius = 24;
// The centre's position within its pixel, in steps of 1/16: a stamp is at
// most 1/32 pixel off, which only the edge's antialiasing shows.
constexpr int kPhaseSteps = 16;
// Radii are told apart in 1/64 pixels.
constexpr double kRadiusSteps = 64;
// Device coordinates beyond this are nowhere near a layer.
constexpr double kFarAway = 1e8;

struct RingKey {
    std::int64_t radius;
    QRgb color;
    bool operator==(const RingKey&) const = default;
};

struct MarkKey {
    std::vector<RingKey> rings;
    bool operator==(const MarkKey&) const = default;
};

size_t qHash(const MarkKey& k, size_t seed = 0) {
    for (const RingKey& r : k.rings)
        seed = qHashMulti(seed, r.radius, r.color);
    return seed;
}

double squaredDistance(Point a, Point b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// x·a/255 for the four channels at once, rounded as Qt's own blending does.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

// Source-over of premultiplied pixels.
inline void blend(const std::uint32_t* src, std::uint32_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        const std::uint32_t s = src[i];
        const std::uint32_t alpha = s >> 24;
        if (alpha == 255)
            dst[i] = s;
        else if (alpha != 0)
            dst[i] = s + byteMul(dst[i], 255 - alpha);
    }
}

std::size_t& madeSprites() {
    static std::size_t count = 0;
    return count;
}

} // namespace

class OverlaySpriteContext::Mark {
public:
    explicit Mark(MarkKey key)
        : m_Key(std::move(key)), m_Pad(int(std::ceil(m_Key.rings.empty() ? 0 : maxRadius())) + 1),
          m_Side(2 * m_Pad + 1) {}

    // Premultiplied pixels, side × side, the centre's pixel at (pad, pad).
    // Each row is painted from begin to end and opaque from solidBegin to
    // solidEnd (a disc's row is one run).
    struct Row {
        int begin = 0, solidBegin = 0, solidEnd = 0, end = 0;
    };
    struct Sprite {
        std::vector<std::uint32_t> pixels;
        std::vector<Row> rows;
    };

    int pad() const { return m_Pad; }
    int side() const { return m_Side; }

    const Sprite& sprite(int phaseX, int phaseY) const {
        std::unique_ptr<Sprite>& slot = m_Sprites[std::size_t(phaseY * kPhaseSteps + phaseX)];
        if (!slot)
            slot = make(phaseX, phaseY);
        return *slot;
    }

private:
    double maxRadius() const {
        double r = 0;
        for (const RingKey& ring : m_Key.rings)
            r = std::max(r, ring.radius / kRadiusSteps);
        return r;
    }

    std::unique_ptr<Sprite> make(int phaseX, int phaseY) const {
        QImage picture(m_Side, m_Side, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(m_Pad + (phaseX + 0.5) / kPhaseSteps,
                             m_Pad + (phaseY + 0.5) / kPhaseSteps);
        for (const RingKey& ring : m_Key.rings) {
            const double r = ring.radius / kRadiusSteps;
            QPainterPath oval;
            oval.addEllipse(centre, r, r);
            p.fillPath(oval, QColor::fromRgba(ring.color));
        }
        p.end();
        auto sprite = std::make_unique<Sprite>();
        sprite->pixels.resize(std::size_t(m_Side) * std::size_t(m_Side));
        sprite->rows.resize(std::size_t(m_Side));
        for (int y = 0; y < m_Side; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
            std::memcpy(sprite->pixels.data() + std::size_t(y) * std::size_t(m_Side), line,
                        std::size_t(m_Side) * sizeof(std::uint32_t));
            Row& row = sprite->rows[std::size_t(y)];
            row.begin = 0;
            row.end = m_Side;
            while (row.begin < row.end && line[row.begin] == 0)
                ++row.begin;
            while (row.end > row.begin && line[row.end - 1] == 0)
                --row.end;
            row.solidBegin = row.begin;
            while (row.solidBegin < row.end && qAlpha(line[row.solidBegin]) != 255)
                ++row.solidBegin;
            row.solidEnd = row.solidBegin;
            while (row.solidEnd < row.end && qAlpha(line[row.solidEnd]) == 255)
                ++row.solidEnd;
        }
        ++madeSprites();
        return sprite;
    }

    MarkKey m_Key;
    int m_Pad;
    int m_Side;
    mutable std::array<std::unique_ptr<Sprite>, kPhaseSteps * kPhaseSteps> m_Sprites;
};

namespace {

QHash<MarkKey, std::shared_ptr<OverlaySpriteContext::Mark>>& marks() {
    static QHash<MarkKey, std::shared_ptr<OverlaySpriteContext::Mark>> cache;
    return cache;
}

} // namespace

const OverlaySpriteContext::Mark* OverlaySpriteContext::markForRings(std::span<const Ring> rings) {
    MarkKey key;
    key.rings.reserve(rings.size());
    for (const Ring& ring : rings) {
        if (!(ring.radius > 0) || ring.radius > kMaximumSpriteRadius)
            return nullptr;
        key.rings.push_back(
            {std::llround(ring.radius * kRadiusSteps), toQColor(ring.color).rgba()});
    }
    if (key.rings.empty())
        return nullptr;
    auto found = marks().find(key);
    if (found == marks().end())
        found = marks().insert(key, std::make_shared<Mark>(key));
    return found->get();
}

std::size_t OverlaySpriteContext::cachedSpriteCount() {
    return madeSprites();
}

OverlaySpriteContext::OverlaySpriteContext(GraphicsContext& inner, QPainter& painter,
                                           QRect deviceBounds)
    : m_Inner(inner), m_Painter(painter),
      m_DevicePixelRatio(painter.device()->devicePixelRatioF()) {
    // A widget measures itself in logical pixels, pictures in their own.
    const QPaintDevice& device = *painter.device();
    const double scale = device.devType() == QInternal::Widget ? m_DevicePixelRatio : 1;
    const QRect whole(0, 0, int(std::ceil(device.width() * scale)),
                      int(std::ceil(device.height() * scale)));
    m_LayerRect = deviceBounds.isEmpty() ? whole : deviceBounds & whole;
}

OverlaySpriteContext::~OverlaySpriteContext() {
    flush();
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

void OverlaySpriteContext::stamp(const Mark& mark, Point center) {
    if (!(std::fabs(center.x) < kFarAway && std::fabs(center.y) < kFarAway))
        return;
    const double fx = std::floor(center.x), fy = std::floor(center.y);
    const int left = int(fx) - mark.pad(), top = int(fy) - mark.pad();
    const QRect box = QRect(left, top, mark.side(), mark.side()) & m_LayerRect;
    if (box.isEmpty())
        return;
    const int phaseX = std::clamp(int((center.x - fx) * kPhaseSteps), 0, kPhaseSteps - 1);
    const int phaseY = std::clamp(int((center.y - fy) * kPhaseSteps), 0, kPhaseSteps - 1);
    const Mark::Sprite& sprite = mark.sprite(phaseX, phaseY);
    if (m_Layer.isNull()) {
        m_Layer = QImage(m_LayerRect.size(), QImage::Format_ARGB32_Premultiplied);
        m_Layer.fill(Qt::transparent);
        m_LayerBits = m_Layer.bits();
    }
    const int side = mark.side();
    const qsizetype stride = m_Layer.bytesPerLine();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const int row = y - top;
        const Mark::Row& span = sprite.rows[std::size_t(row)];
        // Sprite columns within the layer: the edges blend, the middle is
        // opaque and copied.
        const int from = std::max(span.begin, box.left() - left);
        const int to = std::min(span.end, box.right() + 1 - left);
        if (from >= to)
            continue;
        const int solidFrom = std::clamp(span.solidBegin, from, to);
        const int solidTo = std::clamp(span.solidEnd, solidFrom, to);
        const std::uint32_t* src =
            sprite.pixels.data() + std::size_t(row) * std::size_t(side) + from;
        auto* dst =
            reinterpret_cast<std::uint32_t*>(m_LayerBits + (y - m_LayerRect.top()) * stride) +
            (left + from - m_LayerRect.left());
        blend(src, dst, solidFrom - from);
        // A handful of pixels: a loop beats calling memcpy.
        for (int x = solidFrom - from; x < solidTo - from; ++x)
            dst[x] = src[x];
        blend(src + (solidTo - from), dst + (solidTo - from), to - solidTo);
    }
    m_Pending |= box;
}

void OverlaySpriteContext::flush() {
    if (m_Pending.isEmpty())
        return;
    const QRect source = m_Pending.translated(-m_LayerRect.topLeft());
    // In device pixels, so that the layer copies pixel for pixel. The inner
    // context sets its own transform again before each of its drawings.
    const double dpr = m_DevicePixelRatio;
    m_Painter.setTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
    m_Painter.drawImage(m_Pending.topLeft(), m_Layer, source);
    for (int y = source.top(); y <= source.bottom(); ++y)
        std::memset(m_LayerBits + y * m_Layer.bytesPerLine() + qsizetype(source.left()) * 4, 0,
                    std::size_t(source.width()) * 4);
    m_Pending = QRect();
}

void OverlaySpriteContext::saveGState() {
    m_Clipped.push_back(false);
    m_Inner.saveGState();
}

void OverlaySpriteContext::restoreGState() {
    // Stamps made under a clip go out before it widens again.
    if (m_Clipped.back())
        flush();
    if (m_Clipped.size() > 1)
        m_Clipped.pop_back();
    m_Inner.restoreGState();
}

void OverlaySpriteContext::clipToPath(const BezierPath& path) {
    flush();
    m_Clipped.back() = true;
    m_Inner.clipToPath(path);
}

void OverlaySpriteContext::clipToRect(const Rect& rect) {
    flush();
    m_Clipped.back() = true;
    m_Inner.clipToRect(rect);
}

void OverlaySpriteContext::fillPath(const BezierPath& path, const Color& color) {
    if (!m_Shadowed && m_Layers == 0)
        if (const std::optional<Circle> circle = circleOf(path, m_Inner.currentTransform())) {
            const Ring ring{circle->radius, color};
            if (const Mark* mark = markForRings({&ring, 1})) {
                stamp(*mark, circle->center);
                return;
            }
        }
    flush();
    m_Inner.fillPath(path, color);
}

} // namespace qv

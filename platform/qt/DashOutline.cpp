#include "platform/qt/DashOutline.h"

#include "framework/foundation/PathDasher.h"

#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

class PathSink final : public OutlineSink {
public:
    explicit PathSink(QPainterPath& path) : m_Path(path) {}
    // addPolygon appends without checking each point as lineTo does.
    void polygon(const Point* points, std::size_t count) override {
        m_Points += count;
        if (m_Points > kMaxDashOutlinePoints)
            return; // the caller draws solid instead
        m_Polygon.resize(qsizetype(count));
        QPointF* out = m_Polygon.data();
        for (std::size_t i = 0; i < count; ++i)
            out[i] = {points[i].x, points[i].y};
        m_Path.addPolygon(m_Polygon);
        m_Path.closeSubpath();
    }

    bool overflowed() const { return m_Points > kMaxDashOutlinePoints; }

private:
    QPainterPath& m_Path;
    QPolygonF m_Polygon;
    std::size_t m_Points = 0;
};

} // namespace

OutlineStyle outlineStyleForPath(const BezierPath& path, const AffineTransform& toDevice) {
    OutlineStyle style;
    style.width = std::isfinite(path.lineWidth()) ? std::max(0.0, path.lineWidth()) : 0;
    style.cap = path.lineCapStyle();
    style.join = path.lineJoinStyle();
    style.miterLimit = std::max(0.0, path.miterLimit());
    style.tolerance = outlineTolerance(kDashOutlineTolerance, toDevice.m11, toDevice.m12,
                                       toDevice.m21, toDevice.m22);
    return style;
}

QPainterPath solidOutlinePath(const BezierPath& path, const AffineTransform& toDevice) {
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    PathSink sink(out);
    StrokeOutliner outliner(outlineStyleForPath(path, toDevice), sink);
    for (const PathElement& e : path.elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            outliner.moveTo(e.points[0]);
            break;
        case PathElementType::LineTo:
            outliner.lineTo(e.points[0]);
            break;
        case PathElementType::CurveTo:
            outliner.curveTo(e.points[0], e.points[1], e.points[2]);
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
    outliner.finish();
    return out;
}

std::optional<QPainterPath> dashOutlinePath(const BezierPath& path,
                                            const AffineTransform& toDevice) {
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    out.reserve(int(std::min<std::size_t>(path.elementCount() * 8, 1 << 16)));
    PathSink sink(out);
    const OutlineStyle style = outlineStyleForPath(path, toDevice);
    StrokeOutliner outliner(style, sink);
    DashOptions options;
    // A dot needs a direction for its square cap; a round one would not, but
    // the tangent costs nothing.
    if (style.cap != LineCapStyle::Butt)
        options.dotLength = style.width * 0.01;
    options.maxPieces = kMaxDashOutlinePieces;
    if (!dashPath(path, path.lineDash(), path.lineDashPhase(), options, outliner))
        return std::nullopt;
    outliner.finish();
    if (sink.overflowed())
        return std::nullopt;
    return out;
}

} // namespace qv

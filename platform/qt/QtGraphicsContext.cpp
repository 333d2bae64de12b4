#include "platform/qt/QtGraphicsContext.h"

#include "platform/qt/DashOutline.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/qt/QtRichText.h"

#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace qv {
namespace {

// Offscreen layers on vector devices only carry the shadow, drawn at this
// resolution rather than the device's (a PDF writer's 1200 dpi would be huge).
constexpr double kVectorLayerDpi = 288;
// Largest offscreen picture, in pixels; beyond it the resolution drops.
constexpr double kMaxOffscreenPixels = 32.0 * 1024 * 1024;
// Samples of a gradient's colour function.
constexpr int kGradientStops = 65;

void setUpPainter(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

QGradientStops sampledStops(const GradientColorFunction& colors) {
    QGradientStops stops;
    for (int i = 0; i < kGradientStops; ++i) {
        const double t = double(i) / (kGradientStops - 1);
        stops.append({t, toQColor(colors(t))});
    }
    return stops;
}

// Setting the world transform, even to the same value, makes vector engines
// write a new graphics state group; only a real change is passed on.
void setTransformIfChanged(QPainter& p, const QTransform& t) {
    if (p.worldTransform() != t)
        p.setTransform(t);
}

QPainterPath disk(Point c, double r) {
    QPainterPath p;
    p.addEllipse(QPointF(c.x, c.y), r, r);
    return p;
}

double cross(const QPointF& o, const QPointF& a, const QPointF& b) {
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// The convex hull of two discs, as a polygon fine enough to pass for curves.
QPainterPath hullOfDiscs(Point c0, double r0, Point c1, double r1) {
    std::vector<QPointF> pts;
    constexpr int n = 256;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * M_PI * i / n;
        pts.emplace_back(c0.x + r0 * std::cos(a), c0.y + r0 * std::sin(a));
        pts.emplace_back(c1.x + r1 * std::cos(a), c1.y + r1 * std::sin(a));
    }
    std::sort(pts.begin(), pts.end(), [](const QPointF& a, const QPointF& b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    std::vector<QPointF> hull(2 * pts.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0)
            --k;
        hull[k++] = pts[i];
    }
    for (std::size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && cross(hull[k - 2], hull[k - 1], pts[i - 1]) <= 0)
            --k;
        hull[k++] = pts[i - 1];
    }
    hull.resize(k > 0 ? k - 1 : 0);
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(hull.begin(), hull.end())));
    path.closeSubpath();
    return path;
}

} // namespace

QTransform toQTransform(const AffineTransform& t) {
    return QTransform(t.m11, t.m12, t.m21, t.m22, t.tX, t.tY);
}

AffineTransform fromQTransform(const QTransform& t) {
    return {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
}

QColor toQColor(const Color& c) {
    auto clamp = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    return QColor::fromRgbF(float(clamp(c.red)), float(clamp(c.green)), float(clamp(c.blue)),
                            float(clamp(c.alpha)));
}

QPainterPath toQPainterPath(const BezierPath& path) {
    QPainterPath q;
    const auto& elements = path.elements();
    int count = 0;
    for (const PathElement& e : elements)
        count += e.type == PathElementType::CurveTo ? 3 : 1;
    q.reserve(count);
    for (const PathElement& e : elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            q.moveTo(e.points[0].x, e.points[0].y);
            break;
        case PathElementType::LineTo:
            q.lineTo(e.points[0].x, e.points[0].y);
            break;
        case PathElementType::CurveTo:
            q.cubicTo(e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                      e.points[2].y);
            break;
        case PathElementType::ClosePath:
            q.closeSubpath();
            break;
        }
    }
    q.setFillRule(path.windingRule() == WindingRule::EvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    return q;
}

QtDashPattern qtDashPattern(const std::vector<double>& lengths, double phase, double unit) {
    QtDashPattern out;
    if (lengths.empty() || !(unit > 0) || !std::isfinite(unit))
        return out;
    double sum = 0;
    for (double l : lengths) {
        if (!std::isfinite(l) || l < 0)
            return out; // not a pattern the stroker can follow: solid
        sum += l;
    }
    if (!(sum > 0))
        return out;
    std::vector<double> pattern = lengths;
    // An odd count repeats with painted and blank pieces swapped.
    if (pattern.size() % 2 == 1)
        pattern.insert(pattern.end(), lengths.begin(), lengths.end());
    // Qt draws nothing for a painted piece of length zero, yet with round or
    // square caps it must show as a dot: give it a hair of length, taken from
    // the gap after it so the period stays.
    const double hair = unit * 0.01;
    for (std::size_t i = 0; i + 1 < pattern.size(); i += 2) {
        if (pattern[i] == 0) {
            pattern[i] = hair;
            pattern[i + 1] = std::max(0.0, pattern[i + 1] - hair);
        }
    }
    for (double l : pattern)
        out.pattern.append(l / unit);
    double p = std::isfinite(phase) ? std::fmod(phase, sum * (pattern.size() / lengths.size())) : 0;
    out.offset = p / unit;
    return out;
}

QPen qtPenForPath(const BezierPath& path, const QColor& color, double deviceScale) {
    const double width = std::isfinite(path.lineWidth()) ? std::max(0.0, path.lineWidth()) : 0;
    QPen pen(color);
    // Width zero is the thinnest line the device can show: Qt's cosmetic pen.
    pen.setWidthF(width);
    pen.setCosmetic(width == 0);
    switch (path.lineCapStyle()) {
    case LineCapStyle::Butt:
        pen.setCapStyle(Qt::FlatCap);
        break;
    case LineCapStyle::Round:
        pen.setCapStyle(Qt::RoundCap);
        break;
    case LineCapStyle::Square:
        pen.setCapStyle(Qt::SquareCap);
        break;
    }
    switch (path.lineJoinStyle()) {
    case LineJoinStyle::Miter:
        // Bevels beyond the limit, as PostScript does (Qt's MiterJoin truncates).
        pen.setJoinStyle(Qt::SvgMiterJoin);
        break;
    case LineJoinStyle::Round:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    case LineJoinStyle::Bevel:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    }
    pen.setMiterLimit(std::max(0.0, path.miterLimit()));
    const double unit = width > 0 ? width : (deviceScale > 0 ? 1 / deviceScale : 1);
    const QtDashPattern dash = qtDashPattern(path.lineDash(), path.lineDashPhase(), unit);
    if (!dash.pattern.isEmpty()) {
        pen.setDashPattern(dash.pattern);
        pen.setDashOffset(dash.offset);
    }
    return pen;
}

namespace {

// Box widths whose three-fold repetition has the variance of a Gaussian of
// `sigma` (each width odd, so boxes stay centred).
std::array<int, 3> boxesForGauss(double sigma) {
    const double ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = std::round((12 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9) /
                                (-4.0 * lower - 4));
    std::array<int, 3> widths{};
    for (int i = 0; i < 3; ++i)
        widths[std::size_t(i)] = i < m ? lower : upper;
    return widths;
}

// One blur pass along a line of `n` values `stride` apart, zero beyond the ends.
void boxLine(float* line, int n, int stride, int radius, std::vector<float>& scratch) {
    scratch.assign(std::size_t(n), 0.0f);
    const float scale = 1.0f / float(2 * radius + 1);
    double sum = 0;
    for (int i = 0; i < std::min(radius, n); ++i)
        sum += line[i * stride];
    for (int i = 0; i < n; ++i) {
        if (i + radius < n)
            sum += line[(i + radius) * stride];
        if (i - radius - 1 >= 0)
            sum -= line[(i - radius - 1) * stride];
        scratch[std::size_t(i)] = float(sum) * scale;
    }
    for (int i = 0; i < n; ++i)
        line[i * stride] = scratch[std::size_t(i)];
}

void gaussLine(float* line, int n, int stride, const std::vector<float>& kernel,
               std::vector<float>& scratch) {
    const int r = int(kernel.size() / 2);
    scratch.assign(std::size_t(n), 0.0f);
    for (int i = 0; i < n; ++i) {
        float s = 0;
        const int k0 = std::max(-r, -i), k1 = std::min(r, n - 1 - i);
        for (int k = k0; k <= k1; ++k)
            s += kernel[std::size_t(k + r)] * line[(i + k) * stride];
        scratch[std::size_t(i)] = s;
    }
    for (int i = 0; i < n; ++i)
        line[i * stride] = scratch[std::size_t(i)];
}

} // namespace

ShadowPicture shadowFromAlpha(const QImage& source, double sigma, const Color& color) {
    ShadowPicture result;
    const QImage image = source.format() == QImage::Format_ARGB32_Premultiplied
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    int bx0 = w, by0 = h, bx1 = 0, by1 = 0;
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x])) {
                bx0 = std::min(bx0, x);
                bx1 = std::max(bx1, x + 1);
                by0 = std::min(by0, y);
                by1 = std::max(by1, y + 1);
            }
        }
    }
    if (bx0 >= bx1)
        return result;
    result.contentBounds = QRect(QPoint(bx0, by0), QPoint(bx1 - 1, by1 - 1));

    // Exact Gaussian for small blurs, three box blurs (linear time) for large.
    const bool boxes = sigma > 4;
    std::array<int, 3> widths{};
    std::vector<float> kernel;
    int reach = 0;
    if (boxes) {
        widths = boxesForGauss(sigma);
        for (int wd : widths)
            reach += wd / 2;
    } else if (sigma > 0.05) {
        reach = int(std::ceil(3 * sigma));
        kernel.resize(std::size_t(2 * reach + 1));
        double total = 0;
        for (int i = -reach; i <= reach; ++i)
            total += kernel[std::size_t(i + reach)] =
                float(std::exp(-0.5 * i * i / (sigma * sigma)));
        for (float& k : kernel)
            k = float(k / total);
    }
    const int x0 = std::max(0, bx0 - reach), x1 = std::min(w, bx1 + reach);
    const int y0 = std::max(0, by0 - reach), y1 = std::min(h, by1 + reach);
    const int cw = x1 - x0, ch = y1 - y0;
    std::vector<float> a(std::size_t(cw) * std::size_t(ch), 0.0f);
    for (int y = by0; y < by1; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        float* dst = &a[std::size_t(y - y0) * std::size_t(cw)];
        for (int x = bx0; x < bx1; ++x)
            dst[x - x0] = float(qAlpha(row[x])) / 255.0f;
    }
    std::vector<float> scratch;
    if (boxes || !kernel.empty()) {
        for (int y = 0; y < ch; ++y) {
            float* line = &a[std::size_t(y) * std::size_t(cw)];
            if (boxes)
                for (int wd : widths)
                    boxLine(line, cw, 1, wd / 2, scratch);
            else
                gaussLine(line, cw, 1, kernel, scratch);
        }
        for (int x = 0; x < cw; ++x) {
            float* line = &a[std::size_t(x)];
            if (boxes)
                for (int wd : widths)
                    boxLine(line, ch, cw, wd / 2, scratch);
            else
                gaussLine(line, ch, cw, kernel, scratch);
        }
    }
    QImage out(cw, ch, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return result;
    const double ca = std::clamp(color.alpha, 0.0, 1.0);
    const double cr = std::clamp(color.red, 0.0, 1.0);
    const double cg = std::clamp(color.green, 0.0, 1.0);
    const double cb = std::clamp(color.blue, 0.0, 1.0);
    for (int y = 0; y < ch; ++y) {
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        const float* src = &a[std::size_t(y) * std::size_t(cw)];
        for (int x = 0; x < cw; ++x) {
            const int ia = int(std::lround(std::clamp(double(src[x]), 0.0, 1.0) * ca * 255));
            dst[x] = qRgba(int(std::lround(cr * ia)), int(std::lround(cg * ia)),
                           int(std::lround(cb * ia)), ia);
        }
    }
    result.picture = std::move(out);
    result.origin = QPoint(x0, y0);
    return result;
}

QtGraphicsContext::QtGraphicsContext(QPainter& painter, const AffineTransform& baseTransform,
                                     bool drawingToScreen)
    : m_Painter(&painter), m_DrawingToScreen(drawingToScreen) {
    QPaintDevice* device = painter.device();
    // The painter's own engine: a widget paints through its backing store's.
    const QPaintEngine* engine = painter.paintEngine();
    m_Vector = engine && engine->type() != QPaintEngine::Raster;
    m_PixelRatio = device ? std::max(0.01, device->devicePixelRatioF()) : 1.0;
    m_State.transform = baseTransform;
    m_Painter->save();
    setUpPainter(*m_Painter);
}

QtGraphicsContext::~QtGraphicsContext() {
    finish();
}

void QtGraphicsContext::finish() {
    if (m_Finished)
        return;
    while (!m_Layers.empty())
        endLayer();
    while (!m_Stack.empty())
        popState();
    m_Painter->restore();
    m_Finished = true;
}

AffineTransform QtGraphicsContext::pointsToDevice(const QPagedPaintDevice& device) {
    return AffineTransform::scaling(device.logicalDpiX() / 72.0, device.logicalDpiY() / 72.0);
}

void QtGraphicsContext::run(const PaintOp& op) {
    if (m_Finished)
        return;
    for (auto it = m_Layers.rbegin(); it != m_Layers.rend(); ++it) {
        Layer& layer = **it;
        if (!layer.offscreen)
            continue;
        op(*layer.painter, layer.base);
        if (layer.replayed)
            layer.ops.push_back(op);
        return;
    }
    op(*m_Painter, QTransform());
}

void QtGraphicsContext::paint(const PaintOp& op) {
    if (m_Finished)
        return;
    if (m_State.shadow) {
        beginTransparencyLayer();
        run(op);
        endTransparencyLayer();
    } else {
        run(op);
    }
}

// Every painting step sets its own transform, so the painter only needs
// saving once a level changes state that outlives a step (its clip); the save
// is made then, which keeps vector output free of empty state groups.
void QtGraphicsContext::pushState() {
    m_Stack.push_back(m_State);
    m_State.painterSaved = false;
}

void QtGraphicsContext::popState() {
    const bool restore = m_State.painterSaved;
    m_State = m_Stack.back();
    m_Stack.pop_back();
    if (restore)
        run([](QPainter& p, const QTransform&) { p.restore(); });
}

void QtGraphicsContext::savePainter() {
    if (m_State.painterSaved)
        return;
    run([](QPainter& p, const QTransform&) { p.save(); });
    m_State.painterSaved = true;
}

void QtGraphicsContext::saveGState() {
    if (!m_Finished)
        pushState();
}

void QtGraphicsContext::restoreGState() {
    if (m_Finished)
        return;
    // A layer begun after the matching save ends with it.
    while (!m_Layers.empty() && m_Layers.back()->stateDepth >= int(m_Stack.size()))
        endLayer();
    if (!m_Stack.empty())
        popState();
}

void QtGraphicsContext::concatCTM(const AffineTransform& t) {
    AffineTransform m = t;
    m.append(m_State.transform);
    m_State.transform = m;
}

AffineTransform QtGraphicsContext::currentTransform() const {
    AffineTransform t = m_State.transform;
    t.appendScale(m_PixelRatio, m_PixelRatio);
    return t;
}

double QtGraphicsContext::deviceScale() const {
    return std::sqrt(std::abs(currentTransform().determinant()));
}

QRectF QtGraphicsContext::deviceLogicalRect() const {
    for (auto it = m_Layers.rbegin(); it != m_Layers.rend(); ++it)
        if ((*it)->offscreen)
            return (*it)->logicalRect;
    QPaintDevice* device = m_Painter->device();
    if (!device)
        return {};
    double w = device->width(), h = device->height();
    // Pictures report pixels; the painter works in pixels / ratio.
    if (device->devType() == QInternal::Image || device->devType() == QInternal::Pixmap) {
        w /= m_PixelRatio;
        h /= m_PixelRatio;
    }
    return {0, 0, w, h};
}

QRectF QtGraphicsContext::visibleLogicalRect() const {
    QRectF r = deviceLogicalRect();
    if (m_State.clipBounds)
        r = r.intersected(*m_State.clipBounds);
    return r;
}

QRectF QtGraphicsContext::visibleUserRect() const {
    const QTransform q = toQTransform(m_State.transform);
    bool invertible = false;
    const QTransform inverse = q.inverted(&invertible);
    if (!invertible)
        return {};
    return inverse.mapRect(visibleLogicalRect()).adjusted(-1, -1, 1, 1);
}

void QtGraphicsContext::fillPath(const BezierPath& path, const Color& color) {
    if (path.isEmpty() || m_Finished)
        return;
    const QPainterPath qp = toQPainterPath(path);
    const QTransform q = toQTransform(m_State.transform);
    const QColor c = toQColor(color);
    paint([qp, q, c](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, q * base);
        p.fillPath(qp, c);
    });
}

void QtGraphicsContext::strokePath(const BezierPath& path, const Color& color) {
    if (path.isEmpty() || m_Finished)
        return;
    const QTransform q = toQTransform(m_State.transform);
    QPen pen = qtPenForPath(path, toQColor(color), deviceScale());
    // Qt's dasher flattens every curve and joins each tiny piece to the next,
    // and its stroker joins every dash again, which is slow; on pixels we cut
    // the path into its painted pieces ourselves and fill their outline.
    // Vector devices keep their native dash operator (small, exact files).
    // Pens at most a device pixel wide go to Qt's thin-line stroker, which
    // dashes cheaply on its own.
    const double scale = deviceScale();
    if (!m_Vector && pen.style() == Qt::CustomDashLine && !pen.isCosmetic() &&
        pen.widthF() * scale > 1 + 1e-9) {
        if (std::optional<QPainterPath> outline = dashOutlinePath(path, currentTransform())) {
            const QColor c = pen.color();
            paint([qp = std::move(*outline), q, c](QPainter& p, const QTransform& base) {
                setTransformIfChanged(p, q * base);
                p.fillPath(qp, c);
            });
            return;
        }
        pen.setStyle(Qt::SolidLine);
    }
    const QPainterPath qp = toQPainterPath(path);
    paint([qp, q, pen](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, q * base);
        p.strokePath(qp, pen);
    });
}

void QtGraphicsContext::clipToPath(const BezierPath& path) {
    if (m_Finished)
        return;
    const QPainterPath qp = toQPainterPath(path);
    const QTransform q = toQTransform(m_State.transform);
    const QRectF bounds = q.map(qp).boundingRect();
    m_State.clipBounds = m_State.clipBounds ? m_State.clipBounds->intersected(bounds) : bounds;
    savePainter();
    run([qp, q](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, q * base);
        p.setClipPath(qp, Qt::IntersectClip);
    });
}

void QtGraphicsContext::clipToRect(const Rect& rect) {
    clipToPath(BezierPath::bezierPathWithRect(rect.standardized()));
}

void QtGraphicsContext::drawImage(const Image& image, const Rect& rect, double opacity) {
    const QImage* source = QtImageCodec::qimageOf(image);
    if (!source || source->isNull() || m_Finished)
        return;
    const QImage picture = *source;
    // The picture's pixels mapped onto rect; a negative size mirrors it.
    const QTransform place(rect.width() / picture.width(), 0, 0, rect.height() / picture.height(),
                           rect.x(), rect.y());
    const QTransform q = place * toQTransform(m_State.transform);
    const double alpha = std::clamp(opacity, 0.0, 1.0);
    paint([picture, q, alpha](QPainter& p, const QTransform& base) {
        const double old = p.opacity();
        p.setOpacity(old * alpha);
        setTransformIfChanged(p, q * base);
        p.drawImage(QPointF(0, 0), picture);
        p.setOpacity(old);
    });
}

void QtGraphicsContext::fillGradient(const QGradient& gradient, const QPainterPath& region,
                                     bool wholeArea) {
    const QTransform q = toQTransform(m_State.transform);
    QPainterPath area = region;
    if (wholeArea) {
        area = QPainterPath();
        area.addRect(visibleUserRect());
    }
    const QBrush brush(gradient);
    paint([area, q, brush](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, q * base);
        p.fillPath(area, brush);
    });
}

void QtGraphicsContext::drawLinearGradient(Point start, Point end,
                                           const GradientColorFunction& colors, bool extendStart,
                                           bool extendEnd) {
    if (!colors || m_Finished)
        return;
    const double dx = end.x - start.x, dy = end.y - start.y;
    const double length = std::hypot(dx, dy);
    // A zero-length axis has no direction to shade along.
    if (!(length > 1e-12) || !std::isfinite(length))
        return;
    QLinearGradient g(QPointF(start.x, start.y), QPointF(end.x, end.y));
    g.setStops(sampledStops(colors));
    g.setSpread(QGradient::PadSpread);
    if (extendStart && extendEnd) {
        fillGradient(g, {}, true);
        return;
    }
    // Without extension the shading stops at the lines through the end points
    // perpendicular to the axis.
    const QRectF visible = visibleUserRect();
    double reach = length + 1;
    for (const QPointF& c :
         {visible.topLeft(), visible.topRight(), visible.bottomLeft(), visible.bottomRight()})
        reach = std::max(reach, std::hypot(c.x() - start.x, c.y() - start.y) + length + 1);
    const QPointF s(start.x, start.y), u(dx / length, dy / length), n(-u.y(), u.x());
    const double t0 = extendStart ? -reach : 0, t1 = extendEnd ? reach : length;
    QPainterPath band;
    band.moveTo(s + u * t0 + n * reach);
    band.lineTo(s + u * t1 + n * reach);
    band.lineTo(s + u * t1 - n * reach);
    band.lineTo(s + u * t0 - n * reach);
    band.closeSubpath();
    fillGradient(g, band, false);
}

void QtGraphicsContext::drawRadialGradient(Point startCenter, double startRadius, Point endCenter,
                                           double endRadius, const GradientColorFunction& colors,
                                           bool extendStart, bool extendEnd) {
    if (!colors || m_Finished)
        return;
    const double r0 = std::max(0.0, startRadius), r1 = std::max(0.0, endRadius);
    if (!std::isfinite(r0) || !std::isfinite(r1) || (r0 == 0 && r1 == 0))
        return;
    // Qt's extended radial gradient runs from its focal circle (t = 0) to its
    // centre circle (t = 1).
    QRadialGradient g(QPointF(endCenter.x, endCenter.y), r1, QPointF(startCenter.x, startCenter.y),
                      r0);
    g.setStops(sampledStops(colors));
    g.setSpread(QGradient::PadSpread);
    if (extendStart && extendEnd) {
        fillGradient(g, {}, true);
        return;
    }
    const double d = std::hypot(endCenter.x - startCenter.x, endCenter.y - startCenter.y);
    QPainterPath whole;
    whole.addRect(visibleUserRect());
    QPainterPath region;
    if (d + r0 <= r1) {
        // Start circle inside the end circle: t < 0 lies inside the start
        // circle, t > 1 outside the end circle.
        region = extendEnd ? whole : disk(endCenter, r1);
        if (!extendStart)
            region = region.subtracted(disk(startCenter, r0));
    } else if (d + r1 <= r0) {
        region = extendStart ? whole : disk(startCenter, r0);
        if (!extendEnd)
            region = region.subtracted(disk(endCenter, r1));
    } else if (!extendStart && !extendEnd) {
        region = hullOfDiscs(startCenter, r0, endCenter, r1);
    } else {
        // Apart circles extended on one side only: the cone is left to Qt.
        region = whole;
    }
    fillGradient(g, region, false);
}

void QtGraphicsContext::setShadow(Size offset, double blurRadius, const Color& color) {
    if (!std::isfinite(offset.width) || !std::isfinite(offset.height) ||
        !std::isfinite(blurRadius)) {
        m_State.shadow.reset();
        return;
    }
    m_State.shadow = ShadowState{offset, std::max(0.0, blurRadius), color};
}

void QtGraphicsContext::clearShadow() {
    m_State.shadow.reset();
}

void QtGraphicsContext::beginTransparencyLayer() {
    if (m_Finished)
        return;
    const std::optional<ShadowState> shadow = m_State.shadow;
    const QRectF visible = visibleLogicalRect();
    pushState();
    // Saved on the outer painter before the layer takes over, so that the
    // restore at the layer's end lands there too.
    savePainter();
    m_State.shadow.reset();
    auto layer = std::make_unique<Layer>();
    layer->stateDepth = int(m_Stack.size());
    // Without a shadow the layer changes nothing: its drawing goes straight on.
    if (shadow && shadow->color.alpha > 0 && !visible.isEmpty()) {
        const double sigma = shadow->blurRadius / 2;
        // Content this far outside the visible part still casts shadow into it.
        const double margin =
            (std::hypot(shadow->offset.width, shadow->offset.height) + 3 * sigma + 2) /
            m_PixelRatio;
        QRectF rect = visible.adjusted(-margin, -margin, margin, margin);
        // Whole device pixels, so that the picture lands on the pixel grid.
        rect = QRectF(QPointF(std::floor(rect.left() * m_PixelRatio) / m_PixelRatio,
                              std::floor(rect.top() * m_PixelRatio) / m_PixelRatio),
                      QPointF(std::ceil(rect.right() * m_PixelRatio) / m_PixelRatio,
                              std::ceil(rect.bottom() * m_PixelRatio) / m_PixelRatio));
        double ppu = m_PixelRatio;
        if (m_Vector) {
            const int dpi = m_Painter->device() ? m_Painter->device()->logicalDpiX() : 72;
            ppu = std::min(1.0, kVectorLayerDpi / std::max(1, dpi));
        }
        const double pixels = rect.width() * rect.height() * ppu * ppu;
        if (pixels > kMaxOffscreenPixels)
            ppu *= std::sqrt(kMaxOffscreenPixels / pixels);
        QImage image(std::max(1, int(std::ceil(rect.width() * ppu))),
                     std::max(1, int(std::ceil(rect.height() * ppu))),
                     QImage::Format_ARGB32_Premultiplied);
        if (!image.isNull()) {
            image.fill(Qt::transparent);
            layer->offscreen = true;
            layer->shadow = *shadow;
            layer->logicalRect = rect;
            layer->pixelsPerUnit = ppu;
            layer->image = std::move(image);
            layer->painter = std::make_unique<QPainter>(&layer->image);
            setUpPainter(*layer->painter);
            layer->base = QTransform::fromTranslate(-rect.left(), -rect.top()) *
                          QTransform::fromScale(ppu, ppu);
            layer->replayed = m_Vector;
            // The layer's own picture is not clipped; the clip applies when
            // it is composited.
            m_State.clipBounds.reset();
        }
    }
    m_Layers.push_back(std::move(layer));
}

void QtGraphicsContext::endTransparencyLayer() {
    if (!m_Finished && !m_Layers.empty())
        endLayer();
}

void QtGraphicsContext::endLayer() {
    const int depth = m_Layers.back()->stateDepth;
    while (int(m_Stack.size()) > depth)
        popState();
    std::unique_ptr<Layer> layer = std::move(m_Layers.back());
    m_Layers.pop_back();
    if (layer->painter)
        layer->painter->end();
    popState();
    if (!layer->offscreen)
        return;
    const double toLayer = layer->pixelsPerUnit / m_PixelRatio;
    const ShadowPicture shadow =
        shadowFromAlpha(layer->image, layer->shadow.blurRadius / 2 * toLayer, layer->shadow.color);
    if (shadow.contentBounds.isEmpty())
        return;
    // Layer pixels to logical units; the offset from device pixels, with a
    // positive height up the page.
    const double unit = 1 / layer->pixelsPerUnit;
    const QPointF origin = layer->logicalRect.topLeft();
    const QPointF offset(layer->shadow.offset.width / m_PixelRatio,
                         -layer->shadow.offset.height / m_PixelRatio);
    const QRectF shadowRect(origin + QPointF(shadow.origin) * unit + offset,
                            QSizeF(shadow.picture.size()) * unit);
    const QRect contentPixels = shadow.contentBounds;
    const QRectF contentRect(origin + QPointF(contentPixels.topLeft()) * unit,
                             QSizeF(contentPixels.size()) * unit);
    const bool replayed = layer->replayed;
    const QImage content = replayed ? QImage() : layer->image;
    const std::vector<PaintOp> ops = replayed ? std::move(layer->ops) : std::vector<PaintOp>();
    const QImage picture = shadow.picture;
    run([=](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, base);
        p.drawImage(shadowRect, picture);
        if (!replayed) {
            p.drawImage(contentRect, content, QRectF(contentPixels));
            return;
        }
        p.save();
        for (const PaintOp& op : ops)
            op(p, base);
        p.restore();
    });
}

void QtGraphicsContext::drawRichText(const RichText& text, const Rect& rect) {
    if (m_Finished)
        return;
    const QTransform q = toQTransform(m_State.transform);
    const RichText* t = &text;
    paint([t, q, rect](QPainter& p, const QTransform& base) {
        setTransformIfChanged(p, q * base);
        drawRichTextWithPainter(p, *t, rect);
    });
}

ImagePtr QtGraphicsContext::makeImage(Size pointSize, double scale,
                                      const std::function<void(GraphicsContext&)>& draw) {
    if (!(pointSize.width > 0) || !(pointSize.height > 0) || !(scale > 0) ||
        !std::isfinite(pointSize.width * pointSize.height * scale))
        return std::make_shared<QtImage>(QImage(), pointSize);
    QImage image = QtImageContext::makeImage(pointSize, scale);
    if (image.isNull())
        return std::make_shared<QtImage>(QImage(), pointSize);
    {
        // The picture's whole pixels span exactly pointSize, so that drawing it
        // back into a rectangle of that size puts everything where it was drawn.
        QPainter painter(&image);
        QtGraphicsContext context(painter,
                                  AffineTransform::scaling(image.width() / pointSize.width,
                                                           image.height() / pointSize.height),
                                  false);
        if (draw)
            draw(context);
        context.finish();
    }
    return std::make_shared<QtImage>(std::move(image), pointSize);
}

QtImageContext::QtImageContext(QImage& image, double zoom, bool drawingToScreen) {
    m_Painter.begin(&image);
    const double ratio = std::max(0.01, image.devicePixelRatio());
    m_Context = std::make_unique<QtGraphicsContext>(
        m_Painter, AffineTransform::scaling(zoom / ratio, zoom / ratio), drawingToScreen);
}

QtImageContext::~QtImageContext() {
    finish();
}

void QtImageContext::finish() {
    if (m_Context) {
        m_Context->finish();
        m_Context.reset();
    }
    if (m_Painter.isActive())
        m_Painter.end();
}

QImage QtImageContext::makeImage(Size size, double scale) {
    double w = std::ceil(size.width * scale - 1e-9), h = std::ceil(size.height * scale - 1e-9);
    if (!(w >= 1) || !(h >= 1))
        return {};
    // Very large pictures drop resolution rather than fail.
    if (w * h > kMaxOffscreenPixels) {
        const double f = std::sqrt(kMaxOffscreenPixels / (w * h));
        w = std::max(1.0, std::floor(w * f));
        h = std::max(1.0, std::floor(h * f));
    }
    QImage image(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.fill(Qt::transparent);
    return image;
}

std::unique_ptr<QtGraphicsContext> makePagedContext(QPainter& painter, QPagedPaintDevice& device,
                                                    bool drawingToScreen) {
    return std::make_unique<QtGraphicsContext>(painter, QtGraphicsContext::pointsToDevice(device),
                                               drawingToScreen);
}

} // namespace qv

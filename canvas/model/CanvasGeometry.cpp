#include "canvas/model/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

namespace qv {

double clampedZoom(double requested, double current) {
    if (std::isnan(requested))
        return current;
    return std::clamp(requested, kMinZoom, kMaxZoom);
}

std::optional<double> zoomInStep(double zoom) {
    if (!(zoom < kMaxZoom))
        return std::nullopt;
    return clampedZoom(zoom * 2, zoom);
}

std::optional<double> zoomOutStep(double zoom) {
    if (!(zoom > kMinZoom))
        return std::nullopt;
    return clampedZoom(zoom * 0.5, zoom);
}

double zoomOnPointZoom(double zoom, bool zoomOut) {
    return clampedZoom(zoomOut ? zoom * 0.5 : zoom * 2, zoom);
}

double zoomOnRectZoom(double zoom, const Rect& visible, const Rect& rect, bool zoomOut) {
    const Rect r = rect.standardized();
    const Rect v = visible.standardized();
    // Each axis offers a ratio only where both of its sides are positive; a
    // flat box must not divide by zero.
    std::optional<double> factor;
    auto offer = [&](double rSide, double vSide) {
        if (!(rSide > 0) || !(vSide > 0))
            return;
        const double ratio = zoomOut ? rSide / vSide : vSide / rSide;
        if (!std::isfinite(ratio) || !(ratio > 0))
            return;
        if (!factor)
            factor = ratio;
        else
            factor = zoomOut ? std::max(*factor, ratio) : std::min(*factor, ratio);
    };
    offer(r.width(), v.width());
    offer(r.height(), v.height());
    if (!factor)
        return clampedZoom(zoom, zoom);
    return clampedZoom(zoom * *factor, zoom);
}

std::optional<Rect> selectionZoomRect(std::span<const Rect> boxes) {
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (const Rect& b : boxes) {
        const double w = b.width(), h = b.height();
        if (!std::isfinite(b.x()) || !std::isfinite(b.y()) || !std::isfinite(w) ||
            !std::isfinite(h))
            continue;
        if (w < 0 || h < 0 || (w == 0 && h == 0))
            continue;
        if (!any) {
            x0 = b.x(), y0 = b.y(), x1 = b.x() + w, y1 = b.y() + h;
            any = true;
        } else {
            x0 = std::min(x0, b.x()), y0 = std::min(y0, b.y());
            x1 = std::max(x1, b.x() + w), y1 = std::max(y1, b.y() + h);
        }
    }
    if (!any)
        return std::nullopt;
    const Rect u(x0, y0, x1 - x0, y1 - y0);
    const double grow = static_cast<double>(0.05f) * std::max(u.width(), u.height());
    const Rect grown = u.insetBy(-grow, -grow);
    if (!std::isfinite(grown.width()) || !std::isfinite(grown.height()))
        return std::nullopt;
    return grown;
}

double fitPageZoom(Size page, Size viewport, double margin, double current) {
    const double w = viewport.width - 2 * margin, h = viewport.height - 2 * margin;
    if (!(page.width > 0) || !(page.height > 0) || !(w > 0) || !(h > 0))
        return clampedZoom(current, current);
    return clampedZoom(std::min(w / page.width, h / page.height), current);
}

bool isWholeZoom(double zoom) {
    return std::floor(zoom) == zoom;
}

Rect snappedInvalidationRect(const Rect& rect, double zoom) {
    if (isWholeZoom(zoom) || !(zoom > 0) || !std::isfinite(zoom))
        return rect;
    const double s = 1 / zoom;
    return {std::floor(rect.x() / s) * s - s, std::floor(rect.y() / s) * s - s,
            std::ceil(rect.width() / s) * s + 2 * s, std::ceil(rect.height() / s) * s + 2 * s};
}

Rect CanvasFrame::drawingBounds() const {
    return {-pageOrigin.x / zoom, -pageOrigin.y / zoom, canvasSize.width / zoom,
            canvasSize.height / zoom};
}

Point CanvasFrame::canvasPoint(Point d) const {
    return {d.x * zoom + pageOrigin.x, d.y * zoom + pageOrigin.y};
}

Point CanvasFrame::drawingPoint(Point c) const {
    return {(c.x - pageOrigin.x) / zoom, (c.y - pageOrigin.y) / zoom};
}

CanvasFrame canvasFrame(Size page, double zoom, Size content) {
    CanvasFrame f;
    f.zoom = zoom;
    const double pw = page.width * zoom, ph = page.height * zoom;
    f.canvasSize = {std::max(pw, content.width), std::max(ph, content.height)};
    f.pageOrigin = {std::floor((f.canvasSize.width - pw) / 2),
                    std::floor((f.canvasSize.height - ph) / 2)};
    return f;
}

Point scrollPositionCenteringRect(const Rect& r, const CanvasFrame& frame, Size viewport) {
    const double z = frame.zoom;
    const Point topLeft{r.midX() - viewport.width / z / 2, r.midY() - viewport.height / z / 2};
    const Point c = frame.canvasPoint(topLeft);
    const double maxX = std::max(0.0, std::ceil(frame.canvasSize.width) - viewport.width);
    const double maxY = std::max(0.0, std::ceil(frame.canvasSize.height) - viewport.height);
    auto place = [](double v, double hi) {
        if (!std::isfinite(v))
            return 0.0;
        return std::clamp(std::round(v), 0.0, hi);
    };
    return {place(c.x, maxX), place(c.y, maxY)};
}

Rect visibleDrawingRect(const CanvasFrame& frame, Point scroll, Size viewport) {
    const Point o = frame.drawingPoint(scroll);
    return {o.x, o.y, viewport.width / frame.zoom, viewport.height / frame.zoom};
}

double alignedToDevicePixel(double logical, double devicePixelRatio) {
    if (!(devicePixelRatio > 0))
        return logical;
    return std::round(logical * devicePixelRatio) / devicePixelRatio;
}

} // namespace qv

#include "canvas/model/PaintExtent.h"

#include "shapes/GroupShape.h"
#include "shapes/TextShape.h"
#include "styles/Arrow.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// Screen pixels around anything drawn: handles reach 4.5 pixels from their
// point, antialiasing and the half-pixel line tweak one more.
constexpr double kPixelMargin = 8;
// Of those, what the shape's own antialiased edge and line tweak may use.
constexpr double kDrawingPixelMargin = 2;
// Gradient handles reach 10.5 pixels from their point.
constexpr double kGradientPixelMargin = 14;

double maxAbs(const Rect& r) {
    return std::max(
        {std::fabs(r.minX()), std::fabs(r.maxX()), std::fabs(r.minY()), std::fabs(r.maxY())});
}

// How far paint reaches beyond the outline: half the width, times the miter
// limit for miter joins (a sharp corner's tip) or √2 for square caps, and the
// arrow heads, which sit on the outline's end points.
double strokeReach(const Stroke& stroke, double miterLimit) {
    if (!stroke.visible())
        return 0;
    const double width = std::fabs(stroke.width());
    if (!std::isfinite(width))
        return 0;
    double factor = 1;
    if (stroke.lineJoinStyle() == LineJoinStyle::Miter)
        factor = std::max(factor, miterLimit);
    if (stroke.lineCapStyle() == LineCapStyle::Square)
        factor = std::max(factor, std::sqrt(2.0));
    double reach = width / 2 * factor;
    const std::pair<std::int64_t, double> heads[] = {
        {stroke.arrowStartStyle(), stroke.arrowStartSize()},
        {stroke.arrowEndStyle(), stroke.arrowEndSize()}};
    for (const auto& [style, size] : heads) {
        const Arrow* arrow = Arrow::arrowAtIndex(style);
        if (!arrow || !arrow->unitPath())
            continue;
        // The head's own outline is stroked with the same width and join.
        const double head =
            (maxAbs(arrow->unitPath()->controlPointBounds()) + 1) * width * std::fabs(size) +
            width / 2 * std::max(miterLimit, 1.0);
        if (std::isfinite(head))
            reach = std::max(reach, head);
    }
    return reach;
}

// The shape's own drawing, without what the canvas adds over it.
Rect drawingExtent(const Shape& shape, const ShapeView* view, std::size_t depth) {
    if (dynamic_cast<const TextShape*>(&shape))
        return shape.visibleBoundsInView(view);
    if (const auto* group = dynamic_cast<const GroupShape*>(&shape)) {
        Rect r;
        for (const ShapePtr& member : group->shapes())
            if (member && depth < GroupShape::kMaxGroupDepth + 1)
                r = r.unionWith(drawingExtent(*member, view, depth + 1));
        return r.isEmpty() ? shape.visibleBoundsInView(view) : r;
    }
    const std::optional<BezierPath> path = shape.path();
    Rect local = shape.bounds();
    double miterLimit = 10;
    if (path) {
        local = local.unionWith(path->controlPointBounds());
        miterLimit = path->miterLimit();
    }
    Rect r = shape.transform().transformRect(local);
    const double reach = strokeReach(shape.stroke(), miterLimit);
    r = r.insetBy(-reach, -reach);
    const Shadow& shadow = shape.shadow();
    if (shadow.visible()) {
        // The blur's Gaussian has a standard deviation of half the radius;
        // two radii hold all of it that shows. The offset's height points up
        // the page; both signs are taken so a convention slip cannot clip.
        const double blur = 2 * std::fabs(shadow.shadowBlurRadius());
        const Size o = shadow.shadowOffset();
        if (std::isfinite(blur) && std::isfinite(o.width) && std::isfinite(o.height)) {
            const Rect up = r.offsetBy(o.width, -o.height).insetBy(-blur, -blur);
            const Rect down = r.offsetBy(o.width, o.height).insetBy(-blur, -blur);
            r = r.unionWith(up).unionWith(down);
        }
    }
    return r;
}

} // namespace

Rect canvasPaintExtent(const Shape& shape, const ShapeView* view) {
    const double zoom = view && view->zoom() > 0 && std::isfinite(view->zoom()) ? view->zoom() : 1;
    const double px = 1 / zoom;
    Rect r = drawingExtent(shape, view, 0);
    // Selection handles sit on the turned bounds' corners and edges.
    r = r.unionWith(shape.transformedBounds());
    r = r.insetBy(-kPixelMargin * px, -kPixelMargin * px);
    if (shape.fill().style() == FillStyleGradient) {
        const double g = kGradientPixelMargin * px;
        for (Point p : {shape.gradientStart(), shape.gradientEnd()})
            if (std::isfinite(p.x) && std::isfinite(p.y))
                r = r.unionWith({p.x - g, p.y - g, 2 * g, 2 * g});
    }
    return r;
}

Rect shapeDrawingWithin(const Rect& paintExtent, double zoom) {
    // The extent holds the drawing's box and the turned bounds grown by the
    // margin (and perhaps gradient handles): less most of the margin, it
    // still holds the drawing's box with room for its edge.
    const double inset = (kPixelMargin - kDrawingPixelMargin) / (zoom > 0 ? zoom : 1);
    return paintExtent.insetBy(inset, inset);
}

} // namespace qv

#include "styles/FillCache.h"

#include "document/ImageCache.h"
#include "framework/foundation/GraphicsContext.h"
#include "styles/Fill.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

bool makesPicture(const Fill& fill) {
    return fill.style() == FillStyleGradient || fill.style() == FillStyleImage;
}

bool hasArea(Size s) {
    return s.width > 0 && s.height > 0;
}

// A usable resolution for a picture of `size` points.
double limitedScale(Size size, double scale) {
    if (!(scale > 0) || !std::isfinite(scale))
        scale = 1;
    const double points = size.width * size.height;
    if (points * scale * scale > FillCache::kMaxPixels)
        scale = std::sqrt(FillCache::kMaxPixels / points);
    return scale;
}

} // namespace

void FillCache::clear() {
    m_Image.reset();
    m_Zoom = 0;
    m_Size = Size();
}

void FillCache::build(const Fill& fill, Size boundsSize, double zoom, double scale,
                      GraphicsContext& gc, const ImageCache& store) {
    const double s = limitedScale(boundsSize, scale);
    m_Image = fill.style() == FillStyleImage ? fill.imageFillImage(boundsSize, s, gc, store)
                                             : fill.gradientFillImage(boundsSize, s, gc);
    m_Zoom = zoom;
    m_Size = boundsSize;
}

const ImagePtr& FillCache::prepare(const Fill& fill, Size boundsSize, double zoom, double scale,
                                   GraphicsContext& gc, const ImageCache& store) {
    validate(boundsSize, zoom);
    if (!m_Image && makesPicture(fill) && hasArea(boundsSize))
        build(fill, boundsSize, zoom, scale, gc, store);
    return m_Image;
}

void FillCache::preload(const Fill& fill, Size boundsSize, GraphicsContext& gc,
                        const ImageCache& store, double scale) {
    if (!m_Image && makesPicture(fill) && hasArea(boundsSize))
        build(fill, boundsSize, 1.0, scale, gc, store);
}

void FillCache::validate(Size boundsSize, double zoom) {
    if (m_Image && (m_Size != boundsSize || m_Zoom != zoom))
        clear();
}

ImagePtr FillCache::imageFor(GraphicsContext& gc, const Fill& fill, const Rect& bounds,
                             double zoom) {
    return prepare(fill, bounds.size, zoom, deviceScale(gc), gc, imageCache());
}

void FillCache::preload(GraphicsContext& gc, const Fill& fill, const Rect& bounds) {
    preload(fill, bounds.size, gc, imageCache(), 1.0);
}

double FillCache::deviceScale(const GraphicsContext& gc) {
    const double det = std::abs(gc.currentTransform().determinant());
    const double s = std::sqrt(det);
    return (s > 0 && std::isfinite(s)) ? s : 1.0;
}

} // namespace qv

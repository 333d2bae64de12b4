#pragma once
// A shape's cached rendering of its gradient or picture fill. The picture has
// the bounds' size in points and is made at a device resolution, so drawing
// it stays cheap between redraws. It is stamped with the zoom it was made
// for: a new zoom or a new bounds size rebuilds it at the next redraw, a move
// does not. Every fill edit (and the shape's own gradient and outline edits)
// clears it.

#include "framework/foundation/Geometry.h"
#include "framework/foundation/Image.h"

namespace qv {

class Fill;
class GraphicsContext;
class ImageCache;

class FillCache {
public:
    // Pictures are kept to at most this many device pixels; a larger request
    // is made at a lower resolution and scaled up when drawn.
    static constexpr double kMaxPixels = 4096.0 * 4096.0;

    bool hasImage() const { return m_Image != nullptr; }
    const ImagePtr& image() const { return m_Image; }
    double zoom() const { return m_Zoom; }
    Size size() const { return m_Size; }

    void clear();

    // Before painting: drops a picture made for another size or zoom, then
    // makes one for fill styles 2 and 3 when none is held and the bounds have
    // area. Answers the picture to draw, or null.
    const ImagePtr& prepare(const Fill& fill, Size boundsSize, double zoom, double scale,
                            GraphicsContext& gc, const ImageCache& store);
    // Makes the picture ahead of drawing (previews), stamped with zoom 1.
    void preload(const Fill& fill, Size boundsSize, GraphicsContext& gc, const ImageCache& store,
                 double scale = 1.0);

    // The same steps as the shape uses them: drop a stale picture, then get
    // one made at the context's device scale from the shared image store.
    void validate(Size boundsSize, double zoom);
    ImagePtr imageFor(GraphicsContext& gc, const Fill& fill, const Rect& bounds, double zoom);
    void preload(GraphicsContext& gc, const Fill& fill, const Rect& bounds);

    // Device pixels per user-space unit of the context's current mapping.
    static double deviceScale(const GraphicsContext& gc);

private:
    void build(const Fill& fill, Size boundsSize, double zoom, double scale, GraphicsContext& gc,
               const ImageCache& store);

    ImagePtr m_Image;
    double m_Zoom = 0;
    Size m_Size;
};

} // namespace qv

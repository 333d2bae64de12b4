#pragma once
// The drawing surface the model draws through: Quartz-like calls on a y-down
// user space. Implementations: the QPainter one in the platform layer (screen,
// pictures, PDF, printer) and a recording one that tests inspect.

#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Image.h"

#include <functional>

namespace qv {

class RichText;

// A gradient's colour at t in [0, 1].
using GradientColorFunction = std::function<Color(double t)>;

class GraphicsContext {
public:
    virtual ~GraphicsContext() = default;

    // State stack: transform, clip, shadow and alpha.
    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;

    // Appends t before the current mapping (user space becomes t's input).
    virtual void concatCTM(const AffineTransform& t) = 0;
    // User space to device space, zoom and pixel ratio included.
    virtual AffineTransform currentTransform() const = 0;

    // Fills with the path's winding rule.
    virtual void fillPath(const BezierPath& path, const Color& color) = 0;
    // Strokes with the path's line width, cap, join, miter limit, dash and phase.
    virtual void strokePath(const BezierPath& path, const Color& color) = 0;
    // Intersects the clip with the path (its winding rule) or a rectangle.
    virtual void clipToPath(const BezierPath& path) = 0;
    virtual void clipToRect(const Rect& rect) = 0;

    // Draws the picture scaled into rect, upright in the y-down user space.
    virtual void drawImage(const Image& image, const Rect& rect, double opacity = 1.0) = 0;

    // Axial shading from start to end; extend* continue the end colours beyond
    // the end points.
    virtual void drawLinearGradient(Point start, Point end, const GradientColorFunction& colors,
                                    bool extendStart, bool extendEnd) = 0;
    // Radial shading between two circles.
    virtual void drawRadialGradient(Point startCenter, double startRadius, Point endCenter,
                                    double endRadius, const GradientColorFunction& colors,
                                    bool extendStart, bool extendEnd) = 0;

    // Shadow for what is drawn next (until restoreGState): offset and blur
    // radius in device pixels (the units currentTransform maps to), unaffected
    // by the current transform, so a caller scales them by the transform itself;
    // a positive height moves the shadow up the page. A radius r spreads like a
    // Gaussian of standard deviation r / 2. A transparency layer groups drawing
    // so that it casts one shadow; inside it no shadow is in effect.
    virtual void setShadow(Size offset, double blurRadius, const Color& color) = 0;
    virtual void clearShadow() = 0;
    virtual void beginTransparencyLayer() = 0;
    virtual void endTransparencyLayer() = 0;

    // Lays out and draws rich text inside rect (top-left aligned, wrapped to its width).
    virtual void drawRichText(const RichText& text, const Rect& rect) = 0;

    // True for the screen, false for pictures, PDF and printing.
    virtual bool isDrawingToScreen() const = 0;

    // Renders `draw` into a new offscreen picture of `pointSize` points at
    // `scale` device pixels per point (for cached fill pictures). The drawing
    // runs in a y-down user space of pointSize with the origin at top left.
    virtual ImagePtr makeImage(Size pointSize, double scale,
                               const std::function<void(GraphicsContext&)>& draw) = 0;
};

// Saves the graphics state and restores it at the end of the scope.
class GStateSaver {
public:
    explicit GStateSaver(GraphicsContext& gc) : m_gc(gc) { m_gc.saveGState(); }
    ~GStateSaver() { m_gc.restoreGState(); }
    GStateSaver(const GStateSaver&) = delete;
    GStateSaver& operator=(const GStateSaver&) = delete;

private:
    GraphicsContext& m_gc;
};

} // namespace qv

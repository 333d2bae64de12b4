#pragma once
// The graphics context the canvas draws its overlays through (selection,
// gradient and reshape handles): everything goes to the real context, except
// that small filled circles are stamped from cached pictures. Ten thousand
// selected shapes draw eighty thousand handles of two circles each, and
// stamping a picture costs a fraction of filling a curved path with
// antialiasing. A circle looks the same turned, so a picture is keyed by its
// radii and colours and made for the centre's position within its device
// pixel (in sixteenths).
//
// Stamps are blended into a transparent layer of the painted area, which goes
// onto the painter in one drawing: before anything else passes through to the
// real context (so the order of drawing holds), before a clip changes, and at
// the end. Source-over is associative, so the picture is the one the circles
// would make drawn one by one.

#include "framework/foundation/GraphicsContext.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QPainter;

namespace qv {

class OverlaySpriteContext : public GraphicsContext {
public:
    // `painter` is the one `inner` draws with. Stamps land within
    // `deviceBounds` (device pixels of the painter's device; empty means the
    // whole device), which should hold the painter's clip.
    OverlaySpriteContext(GraphicsContext& inner, QPainter& painter, QRect deviceBounds = {});
    // Composites what is still in the layer.
    ~OverlaySpriteContext() override;
    OverlaySpriteContext(const OverlaySpriteContext&) = delete;
    OverlaySpriteContext& operator=(const OverlaySpriteContext&) = delete;

    // A circle given by a path of a move-to and four curves (an oval in a
    // square, turned or not), in device pixels: centre and radius.
    struct Circle {
        Point center;
        double radius = 0;
    };
    static std::optional<Circle> circleOf(const BezierPath& path,
                                          const AffineTransform& toDevice = {});

    // Concentric filled circles, each drawn over the ones before (a
    // selection handle is a rim and a core); radii in device pixels.
    struct Ring {
        double radius = 0;
        Color color;
    };
    // The pictures of the rings at every phase, made as they are needed and
    // kept for every canvas; null when the rings are too large to stamp.
    class Mark;
    static const Mark* markForRings(std::span<const Ring> rings);
    // Pictures made so far.
    static std::size_t cachedSpriteCount();

    // Draws the rings centred on the device point, as filling their circles
    // in order would.
    void stamp(const Mark& mark, Point deviceCenter);
    // Puts the layer's stamps onto the painter now.
    void flush();

    void saveGState() override;
    void restoreGState() override;
    void concatCTM(const AffineTransform& t) override { m_Inner.concatCTM(t); }
    AffineTransform currentTransform() const override { return m_Inner.currentTransform(); }
    void fillPath(const BezierPath& path, const Color& color) override;
    void strokePath(const BezierPath& path, const Color& color) override {
        flush();
        m_Inner.strokePath(path, color);
    }
    void clipToPath(const BezierPath& path) override;
    void clipToRect(const Rect& rect) override;
    void drawImage(const Image& image, const Rect& rect, double opacity) override {
        flush();
        m_Inner.drawImage(image, rect, opacity);
    }
    void drawLinearGradient(Point start, Point end, const GradientColorFunction& colors,
                            bool extendStart, bool extendEnd) override {
        flush();
        m_Inner.drawLinearGradient(start, end, colors, extendStart, extendEnd);
    }
    void drawRadialGradient(Point startCenter, double startRadius, Point endCenter,
                            double endRadius, const GradientColorFunction& colors, bool extendStart,
                            bool extendEnd) override {
        flush();
        m_Inner.drawRadialGradient(startCenter, startRadius, endCenter, endRadius, colors,
                                   extendStart, extendEnd);
    }
    void setShadow(Size offset, double blurRadius, const Color& color) override {
        flush();
        m_Shadowed = true;
        m_Inner.setShadow(offset, blurRadius, color);
    }
    void clearShadow() override { m_Inner.clearShadow(); }
    void beginTransparencyLayer() override {
        flush();
        ++m_Layers;
        m_Inner.beginTransparencyLayer();
    }
    void endTransparencyLayer() override {
        --m_Layers;
        m_Inner.endTransparencyLayer();
    }
    void drawRichText(const RichText& text, const Rect& rect) override {
        flush();
        m_Inner.drawRichText(text, rect);
    }
    bool isDrawingToScreen() const override { return m_Inner.isDrawingToScreen(); }
    ImagePtr makeImage(Size pointSize, double scale,
                       const std::function<void(GraphicsContext&)>& draw) override {
        return m_Inner.makeImage(pointSize, scale, draw);
    }

private:
    GraphicsContext& m_Inner;
    QPainter& m_Painter;
    double m_DevicePixelRatio;
    // The stamps not yet on the painter, over m_LayerRect (device pixels);
    // m_Pending is the part holding any.
    QImage m_Layer;
    uchar* m_LayerBits = nullptr; // the layer's, without detaching it each time
    QRect m_LayerRect;
    QRect m_Pending;
    // Per saved state: whether that level clipped, so that restoring it
    // widens the clip.
    std::vector<bool> m_Clipped{false};
    // Stamping bypasses the inner context's layers and shadows; once either
    // is used, everything goes through it.
    bool m_Shadowed = false;
    int m_Layers = 0;
};

} // namespace qv

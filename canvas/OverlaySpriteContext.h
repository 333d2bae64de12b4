#pragma once
// The graphics context the canvas draws its overlays through (selection,
// gradient and reshape handles): everything goes to the real context, except
// that small filled circles are stamped from cached pictures. Ten thousand
// selected shapes draw eighty thousand handles of two circles each, and
// stamping a picture costs a fraction of filling a curved path with
// antialiasing. A circle looks the same turned, so the picture is keyed by
// radius, colour and the centre's position within its device pixel (in
// sixteenths), and drawn at the circle's device position.

#include "framework/foundation/GraphicsContext.h"

#include <QHash>
#include <QImage>

#include <cstdint>
#include <optional>

class QPainter;

namespace qv {

class OverlaySpriteContext : public GraphicsContext {
public:
    // `painter` is the one `inner` draws with.
    OverlaySpriteContext(GraphicsContext& inner, QPainter& painter);

    // A circle given by a path of a move-to and four curves (an oval in a
    // square, turned or not), in device pixels: centre and radius.
    struct Circle {
        Point center;
        double radius = 0;
    };
    static std::optional<Circle> circleOf(const BezierPath& path,
                                          const AffineTransform& toDevice = {});

    // Pictures made so far (the cache is shared by every canvas).
    static std::size_t cachedSpriteCount();

    void saveGState() override { m_Inner.saveGState(); }
    void restoreGState() override { m_Inner.restoreGState(); }
    void concatCTM(const AffineTransform& t) override { m_Inner.concatCTM(t); }
    AffineTransform currentTransform() const override { return m_Inner.currentTransform(); }
    void fillPath(const BezierPath& path, const Color& color) override;
    void strokePath(const BezierPath& path, const Color& color) override {
        m_Inner.strokePath(path, color);
    }
    void clipToPath(const BezierPath& path) override { m_Inner.clipToPath(path); }
    void clipToRect(const Rect& rect) override { m_Inner.clipToRect(rect); }
    void drawImage(const Image& image, const Rect& rect, double opacity) override {
        m_Inner.drawImage(image, rect, opacity);
    }
    void drawLinearGradient(Point start, Point end, const GradientColorFunction& colors,
                            bool extendStart, bool extendEnd) override {
        m_Inner.drawLinearGradient(start, end, colors, extendStart, extendEnd);
    }
    void drawRadialGradient(Point startCenter, double startRadius, Point endCenter,
                            double endRadius, const GradientColorFunction& colors, bool extendStart,
                            bool extendEnd) override {
        m_Inner.drawRadialGradient(startCenter, startRadius, endCenter, endRadius, colors,
                                   extendStart, extendEnd);
    }
    void setShadow(Size offset, double blurRadius, const Color& color) override {
        m_Shadowed = true;
        m_Inner.setShadow(offset, blurRadius, color);
    }
    void clearShadow() override { m_Inner.clearShadow(); }
    void beginTransparencyLayer() override {
        ++m_Layers;
        m_Inner.beginTransparencyLayer();
    }
    void endTransparencyLayer() override {
        --m_Layers;
        m_Inner.endTransparencyLayer();
    }
    void drawRichText(const RichText& text, const Rect& rect) override {
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
    // Stamping bypasses the inner context's layers and shadows; once either
    // is used, everything goes through it.
    bool m_Shadowed = false;
    int m_Layers = 0;
};

} // namespace qv

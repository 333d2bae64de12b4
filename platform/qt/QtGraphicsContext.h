#pragma once
// The model's drawing surface over a QPainter: widgets, QImage (ARGB32
// premultiplied), QPdfWriter and QPrinter. Everything is antialiased.
//
// Shadows and transparency layers are ours: a layer that casts a shadow is
// drawn offscreen at device resolution, its alpha is blurred with a Gaussian
// of standard deviation radius / 2, tinted, offset and composited beneath the
// layer's content. On vector devices (PDF, printer) only the shadow becomes a
// picture; the layer's content is replayed as vectors above it.

#include "framework/foundation/GraphicsContext.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace qv {

QTransform toQTransform(const AffineTransform& t);
AffineTransform fromQTransform(const QTransform& t);

// A dash array in user units turned into Qt's pen pattern, whose lengths are
// multiples of `unit` (the pen width, or for a zero-width pen the user length
// of one device pixel). Empty `pattern` means a solid line.
struct QtDashPattern {
    QList<qreal> pattern;
    qreal offset = 0;
};
QtDashPattern qtDashPattern(const std::vector<double>& lengths, double phase, double unit);

// The pen that strokes `path` (width, cap, join, miter limit, dash) in a user
// space whose transform to device pixels scales lengths by `deviceScale`.
QPen qtPenForPath(const BezierPath& path, const QColor& color, double deviceScale);
QPainterPath toQPainterPath(const BezierPath& path);
QColor toQColor(const Color& c);

// The alpha of `image` (ARGB32 premultiplied) blurred with a Gaussian of
// standard deviation `sigma` pixels and tinted with `color`. Only the part
// around what was drawn is kept: `picture` sits at `origin` of the image, and
// `contentBounds` is the box of the image's non-transparent pixels (empty when
// there are none). Large sigmas use three box blurs, which match the Gaussian
// within a few percent.
struct ShadowPicture {
    QImage picture;
    QPoint origin;
    QRect contentBounds;
};
ShadowPicture shadowFromAlpha(const QImage& image, double sigma, const Color& color);

class QtGraphicsContext : public GraphicsContext {
public:
    // `painter` is active on its device and stays owned by the caller;
    // `baseTransform` maps user space to the painter's logical coordinates
    // (for a view: scroll offset and zoom). The painter's state is restored
    // when the context finishes.
    QtGraphicsContext(QPainter& painter, const AffineTransform& baseTransform,
                      bool drawingToScreen);
    ~QtGraphicsContext() override;
    QtGraphicsContext(const QtGraphicsContext&) = delete;
    QtGraphicsContext& operator=(const QtGraphicsContext&) = delete;

    // Closes open layers and unbalanced states and hands the painter back as
    // it was. Drawing after finish() is ignored.
    void finish();

    // Points to the logical units of a paged device (PDF, printer) at its resolution.
    static AffineTransform pointsToDevice(const QPagedPaintDevice& device);

    void saveGState() override;
    void restoreGState() override;
    void concatCTM(const AffineTransform& t) override;
    AffineTransform currentTransform() const override;
    void fillPath(const BezierPath& path, const Color& color) override;
    void strokePath(const BezierPath& path, const Color& color) override;
    void clipToPath(const BezierPath& path) override;
    void clipToRect(const Rect& rect) override;
    void drawImage(const Image& image, const Rect& rect, double opacity = 1.0) override;
    void drawLinearGradient(Point start, Point end, const GradientColorFunction& colors,
                            bool extendStart, bool extendEnd) override;
    void drawRadialGradient(Point startCenter, double startRadius, Point endCenter,
                            double endRadius, const GradientColorFunction& colors, bool extendStart,
                            bool extendEnd) override;
    void setShadow(Size offset, double blurRadius, const Color& color) override;
    void clearShadow() override;
    void beginTransparencyLayer() override;
    void endTransparencyLayer() override;
    void drawRichText(const RichText& text, const Rect& rect) override;
    bool isDrawingToScreen() const override { return m_DrawingToScreen; }
    ImagePtr makeImage(Size pointSize, double scale,
                       const std::function<void(GraphicsContext&)>& draw) override;

private:
    // A painting step, run on the painter of the innermost offscreen layer (or
    // the device), whose own mapping from device logical units is `base`.
    using PaintOp = std::function<void(QPainter&, const QTransform& base)>;

    struct ShadowState {
        Size offset; // device pixels, positive height up the page
        double blurRadius = 0;
        Color color;
    };
    struct GState {
        AffineTransform transform;        // user space to the device's logical units
        std::optional<QRectF> clipBounds; // logical units
        std::optional<ShadowState> shadow;
        bool painterSaved = false; // the painter was saved on entering this level
    };
    struct Layer {
        int stateDepth = 0; // saved states once the layer began
        bool offscreen = false;
        ShadowState shadow;
        QRectF logicalRect; // the part of the device the picture covers
        double pixelsPerUnit = 1;
        QImage image;
        std::unique_ptr<QPainter> painter;
        QTransform base;
        bool replayed = false; // vector devices: ops drawn again above the shadow
        std::vector<PaintOp> ops;
    };

    void run(const PaintOp& op);
    // Runs a painting step, inside its own shadowed layer when a shadow is set.
    void paint(const PaintOp& op);
    void pushState();
    void popState();
    // Saves the painter for the current level, once.
    void savePainter();
    void endLayer();
    QRectF deviceLogicalRect() const;
    QRectF visibleLogicalRect() const;
    // The user-space box that covers everything still visible.
    QRectF visibleUserRect() const;
    void fillGradient(const QGradient& gradient, const QPainterPath& region, bool wholeArea);
    double deviceScale() const;

    QPainter* m_Painter;
    bool m_DrawingToScreen;
    bool m_Vector;
    double m_PixelRatio;
    bool m_Finished = false;
    GState m_State;
    std::vector<GState> m_Stack;
    std::vector<std::unique_ptr<Layer>> m_Layers;
};

// A context drawing into a QImage (made ARGB32 premultiplied and transparent
// by the caller or by `makeImage`), with `zoom` device pixels per point.
class QtImageContext {
public:
    QtImageContext(QImage& image, double zoom, bool drawingToScreen = false);
    ~QtImageContext();
    GraphicsContext& context() { return *m_Context; }
    // Ends the drawing; the image is complete afterwards.
    void finish();
    // A transparent ARGB32 premultiplied picture of `size` × `scale` pixels.
    static QImage makeImage(Size size, double scale);

private:
    QPainter m_Painter;
    std::unique_ptr<QtGraphicsContext> m_Context;
};

// A context on the current page of a QPdfWriter or QPrinter (already begun by
// `painter`), in points from the top-left corner of the page's paint area.
std::unique_ptr<QtGraphicsContext> makePagedContext(QPainter& painter, QPagedPaintDevice& device,
                                                    bool drawingToScreen = false);

} // namespace qv

#pragma once
// A GraphicsContext that draws nothing and remembers every call, so that tests
// can ask what was filled, stroked or clipped, with which colour, width, dash
// and transform, and in which order, without comparing pixels.

#include "framework/foundation/GraphicsContext.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class RecordedImage;

enum class DrawOpKind {
    SaveGState,
    RestoreGState,
    ConcatCTM,
    FillPath,
    StrokePath,
    ClipToPath,
    ClipToRect,
    DrawImage,
    LinearGradient,
    RadialGradient,
    SetShadow,
    ClearShadow,
    BeginTransparencyLayer,
    EndTransparencyLayer,
    DrawRichText,
    MakeImage,
};

const char* drawOpKindName(DrawOpKind kind);

// The shadow in effect, in device pixels as handed to setShadow.
struct RecordedShadow {
    bool active = false;
    Size offset;
    double blurRadius = 0;
    Color color;
    friend bool operator==(const RecordedShadow&, const RecordedShadow&) = default;
};

struct DrawOperation {
    DrawOpKind kind = DrawOpKind::SaveGState;

    // The current transform (user space to device space) at the call; for
    // ConcatCTM the transform after concatenation, with the argument in
    // `concatenated`.
    AffineTransform transform;
    AffineTransform concatenated;

    // Fill, stroke and clip: the path as given (user space), with its stroke
    // attributes, and the same path mapped to device space.
    BezierPath path;
    BezierPath devicePath;
    Color color;

    // Clip: the device-space bounding box of the clip in effect after the call
    // (or at the call for drawing operations); `clipped` is false while nothing
    // has been clipped.
    bool clipped = false;
    Rect deviceClipBounds;

    RecordedShadow shadow; // in effect at the call (SetShadow: the new one)
    int layerDepth = 0;    // open transparency layers at the call
    int gstateDepth = 0;   // saved states at the call

    // DrawImage, ClipToRect, DrawRichText, MakeImage: the rectangle (user space).
    Rect rect;
    const Image* image = nullptr;
    Size imageSize;
    double opacity = 1;

    // Gradients: start/end points (circle centres), radii, extension flags and
    // the colour function sampled at t = i / (kGradientSamples − 1).
    static constexpr int kGradientSamples = 11;
    Point start;
    Point end;
    double startRadius = 0;
    double endRadius = 0;
    bool extendStart = false;
    bool extendEnd = false;
    std::vector<Color> gradientColors;

    const RichText* text = nullptr;
    // MakeImage: the picture that was made (its own recording inside).
    std::shared_ptr<const RecordedImage> madeImage;

    // Shorthands for stroke attributes of `path`.
    double lineWidth() const { return path.lineWidth(); }
    LineCapStyle lineCap() const { return path.lineCapStyle(); }
    LineJoinStyle lineJoin() const { return path.lineJoinStyle(); }
    const std::vector<double>& dash() const { return path.lineDash(); }
    double dashPhase() const { return path.lineDashPhase(); }
    WindingRule windingRule() const { return path.windingRule(); }
};

class RecordingGraphicsContext : public GraphicsContext {
public:
    // `baseTransform` maps user space to device space before any concatCTM
    // (for a view: its zoom and pixel ratio).
    explicit RecordingGraphicsContext(bool drawingToScreen = false,
                                      const AffineTransform& baseTransform = {});

    void saveGState() override;
    void restoreGState() override;
    void concatCTM(const AffineTransform& t) override;
    AffineTransform currentTransform() const override { return m_State.transform; }
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
    void setDrawingToScreen(bool flag) { m_DrawingToScreen = flag; }
    ImagePtr makeImage(Size pointSize, double scale,
                       const std::function<void(GraphicsContext&)>& draw) override;

    // Queries.
    const std::vector<DrawOperation>& operations() const { return m_Operations; }
    std::vector<DrawOperation> operationsOfKind(DrawOpKind kind) const;
    std::size_t countOf(DrawOpKind kind) const;
    std::vector<DrawOperation> fills() const { return operationsOfKind(DrawOpKind::FillPath); }
    std::vector<DrawOperation> strokes() const { return operationsOfKind(DrawOpKind::StrokePath); }
    // Clip operations of both kinds, in order.
    std::vector<DrawOperation> clips() const;
    // Only the operations that put paint on the surface (fills, strokes,
    // pictures, gradients, text), in order.
    std::vector<DrawOperation> paintingOperations() const;
    // The sequence of kinds, e.g. to check drawing order; `paintingOnly`
    // keeps only painting operations.
    std::vector<DrawOpKind> kinds(bool paintingOnly = false) const;
    // Colours of fills (or strokes) in order.
    std::vector<Color> fillColors() const;
    std::vector<Color> strokeColors() const;
    // Saved states and open layers at the end of drawing; both 0 when balanced.
    int gstateDepth() const { return static_cast<int>(m_Stack.size()); }
    int layerDepth() const { return m_State.layerDepth; }
    // A readable listing, one operation a line, for failure messages.
    std::string description() const;
    void clear();

private:
    struct State {
        AffineTransform transform;
        bool clipped = false;
        Rect deviceClipBounds;
        RecordedShadow shadow;
        int layerDepth = 0;
    };
    DrawOperation makeOperation(DrawOpKind kind) const;
    void intersectClip(const Rect& deviceBounds);

    bool m_DrawingToScreen;
    AffineTransform m_BaseTransform;
    State m_State;
    std::vector<State> m_Stack;
    std::vector<DrawOperation> m_Operations;
};

// An offscreen picture made by a recording context: its size, its scale and
// what was drawn into it.
class RecordedImage : public Image {
public:
    RecordedImage(Size pointSize, double scale, std::vector<DrawOperation> operations);
    Size size() const override { return m_Size; }
    int pixelsWide() const override;
    int pixelsHigh() const override;
    double scale() const { return m_Scale; }
    const std::vector<DrawOperation>& operations() const { return m_Operations; }

private:
    Size m_Size;
    double m_Scale;
    std::vector<DrawOperation> m_Operations;
};

bool isPaintingOperation(DrawOpKind kind);

} // namespace qv

#include "framework/foundation/RecordingGraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace qv {

const char* drawOpKindName(DrawOpKind kind) {
    switch (kind) {
    case DrawOpKind::SaveGState:
        return "save";
    case DrawOpKind::RestoreGState:
        return "restore";
    case DrawOpKind::ConcatCTM:
        return "concat";
    case DrawOpKind::FillPath:
        return "fill";
    case DrawOpKind::StrokePath:
        return "stroke";
    case DrawOpKind::ClipToPath:
        return "clipPath";
    case DrawOpKind::ClipToRect:
        return "clipRect";
    case DrawOpKind::DrawImage:
        return "image";
    case DrawOpKind::LinearGradient:
        return "linearGradient";
    case DrawOpKind::RadialGradient:
        return "radialGradient";
    case DrawOpKind::SetShadow:
        return "setShadow";
    case DrawOpKind::ClearShadow:
        return "clearShadow";
    case DrawOpKind::BeginTransparencyLayer:
        return "beginLayer";
    case DrawOpKind::EndTransparencyLayer:
        return "endLayer";
    case DrawOpKind::DrawRichText:
        return "text";
    case DrawOpKind::MakeImage:
        return "makeImage";
    }
    return "?";
}

bool isPaintingOperation(DrawOpKind kind) {
    switch (kind) {
    case DrawOpKind::FillPath:
    case DrawOpKind::StrokePath:
    case DrawOpKind::DrawImage:
    case DrawOpKind::LinearGradient:
    case DrawOpKind::RadialGradient:
    case DrawOpKind::DrawRichText:
        return true;
    default:
        return false;
    }
}

RecordingGraphicsContext::RecordingGraphicsContext(bool drawingToScreen,
                                                   const AffineTransform& baseTransform)
    : m_DrawingToScreen(drawingToScreen), m_BaseTransform(baseTransform) {
    m_State.transform = baseTransform;
}

DrawOperation RecordingGraphicsContext::makeOperation(DrawOpKind kind) const {
    DrawOperation op;
    op.kind = kind;
    op.transform = m_State.transform;
    op.clipped = m_State.clipped;
    op.deviceClipBounds = m_State.deviceClipBounds;
    op.shadow = m_State.shadow;
    op.layerDepth = m_State.layerDepth;
    op.gstateDepth = static_cast<int>(m_Stack.size());
    return op;
}

void RecordingGraphicsContext::saveGState() {
    m_Operations.push_back(makeOperation(DrawOpKind::SaveGState));
    m_Stack.push_back(m_State);
}

void RecordingGraphicsContext::restoreGState() {
    m_Operations.push_back(makeOperation(DrawOpKind::RestoreGState));
    // An unbalanced restore is ignored, as the platform does.
    if (m_Stack.empty())
        return;
    // Layers still open at this level stay counted: a test sees the imbalance.
    const int layers = m_State.layerDepth;
    m_State = m_Stack.back();
    m_State.layerDepth = layers;
    m_Stack.pop_back();
}

void RecordingGraphicsContext::concatCTM(const AffineTransform& t) {
    AffineTransform m = t;
    m.append(m_State.transform);
    m_State.transform = m;
    DrawOperation op = makeOperation(DrawOpKind::ConcatCTM);
    op.concatenated = t;
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::fillPath(const BezierPath& path, const Color& color) {
    DrawOperation op = makeOperation(DrawOpKind::FillPath);
    op.path = path;
    op.devicePath = path.transformedBy(m_State.transform);
    op.color = color;
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::strokePath(const BezierPath& path, const Color& color) {
    DrawOperation op = makeOperation(DrawOpKind::StrokePath);
    op.path = path;
    op.devicePath = path.transformedBy(m_State.transform);
    op.color = color;
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::intersectClip(const Rect& deviceBounds) {
    m_State.deviceClipBounds = m_State.clipped ? m_State.deviceClipBounds.intersection(deviceBounds)
                                               : deviceBounds.standardized();
    m_State.clipped = true;
}

void RecordingGraphicsContext::clipToPath(const BezierPath& path) {
    BezierPath device = path.transformedBy(m_State.transform);
    intersectClip(device.bounds());
    DrawOperation op = makeOperation(DrawOpKind::ClipToPath);
    op.path = path;
    op.devicePath = std::move(device);
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::clipToRect(const Rect& rect) {
    intersectClip(m_State.transform.transformRect(rect.standardized()));
    DrawOperation op = makeOperation(DrawOpKind::ClipToRect);
    op.rect = rect;
    op.path = BezierPath::bezierPathWithRect(rect);
    op.devicePath = op.path.transformedBy(m_State.transform);
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::drawImage(const Image& image, const Rect& rect, double opacity) {
    DrawOperation op = makeOperation(DrawOpKind::DrawImage);
    op.image = &image;
    op.imageSize = image.size();
    op.rect = rect;
    op.opacity = opacity;
    if (auto recorded = dynamic_cast<const RecordedImage*>(&image))
        op.madeImage = std::make_shared<RecordedImage>(*recorded);
    m_Operations.push_back(std::move(op));
}

namespace {
std::vector<Color> sampleColors(const GradientColorFunction& colors) {
    std::vector<Color> out;
    if (!colors)
        return out;
    for (int i = 0; i < DrawOperation::kGradientSamples; ++i)
        out.push_back(colors(static_cast<double>(i) / (DrawOperation::kGradientSamples - 1)));
    return out;
}
} // namespace

void RecordingGraphicsContext::drawLinearGradient(Point start, Point end,
                                                  const GradientColorFunction& colors,
                                                  bool extendStart, bool extendEnd) {
    DrawOperation op = makeOperation(DrawOpKind::LinearGradient);
    op.start = start;
    op.end = end;
    op.extendStart = extendStart;
    op.extendEnd = extendEnd;
    op.gradientColors = sampleColors(colors);
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::drawRadialGradient(Point startCenter, double startRadius,
                                                  Point endCenter, double endRadius,
                                                  const GradientColorFunction& colors,
                                                  bool extendStart, bool extendEnd) {
    DrawOperation op = makeOperation(DrawOpKind::RadialGradient);
    op.start = startCenter;
    op.end = endCenter;
    op.startRadius = startRadius;
    op.endRadius = endRadius;
    op.extendStart = extendStart;
    op.extendEnd = extendEnd;
    op.gradientColors = sampleColors(colors);
    m_Operations.push_back(std::move(op));
}

void RecordingGraphicsContext::setShadow(Size offset, double blurRadius, const Color& color) {
    m_State.shadow = {true, offset, blurRadius, color};
    m_Operations.push_back(makeOperation(DrawOpKind::SetShadow));
}

void RecordingGraphicsContext::clearShadow() {
    m_State.shadow = {};
    m_Operations.push_back(makeOperation(DrawOpKind::ClearShadow));
}

void RecordingGraphicsContext::beginTransparencyLayer() {
    m_Operations.push_back(makeOperation(DrawOpKind::BeginTransparencyLayer));
    ++m_State.layerDepth;
}

void RecordingGraphicsContext::endTransparencyLayer() {
    if (m_State.layerDepth > 0)
        --m_State.layerDepth;
    m_Operations.push_back(makeOperation(DrawOpKind::EndTransparencyLayer));
}

void RecordingGraphicsContext::drawRichText(const RichText& text, const Rect& rect) {
    DrawOperation op = makeOperation(DrawOpKind::DrawRichText);
    op.text = &text;
    op.rect = rect;
    m_Operations.push_back(std::move(op));
}

ImagePtr RecordingGraphicsContext::makeImage(Size pointSize, double scale,
                                             const std::function<void(GraphicsContext&)>& draw) {
    RecordingGraphicsContext sub(false, AffineTransform::scaling(scale, scale));
    if (draw)
        draw(sub);
    auto image = std::make_shared<const RecordedImage>(pointSize, scale, sub.m_Operations);
    DrawOperation op = makeOperation(DrawOpKind::MakeImage);
    op.rect = Rect({0, 0}, pointSize);
    op.imageSize = pointSize;
    op.madeImage = image;
    m_Operations.push_back(std::move(op));
    return image;
}

std::vector<DrawOperation> RecordingGraphicsContext::operationsOfKind(DrawOpKind kind) const {
    std::vector<DrawOperation> out;
    std::copy_if(m_Operations.begin(), m_Operations.end(), std::back_inserter(out),
                 [&](const DrawOperation& op) { return op.kind == kind; });
    return out;
}

std::size_t RecordingGraphicsContext::countOf(DrawOpKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(m_Operations.begin(), m_Operations.end(),
                      [&](const DrawOperation& op) { return op.kind == kind; }));
}

std::vector<DrawOperation> RecordingGraphicsContext::clips() const {
    std::vector<DrawOperation> out;
    std::copy_if(m_Operations.begin(), m_Operations.end(), std::back_inserter(out),
                 [](const DrawOperation& op) {
                     return op.kind == DrawOpKind::ClipToPath || op.kind == DrawOpKind::ClipToRect;
                 });
    return out;
}

std::vector<DrawOperation> RecordingGraphicsContext::paintingOperations() const {
    std::vector<DrawOperation> out;
    std::copy_if(m_Operations.begin(), m_Operations.end(), std::back_inserter(out),
                 [](const DrawOperation& op) { return isPaintingOperation(op.kind); });
    return out;
}

std::vector<DrawOpKind> RecordingGraphicsContext::kinds(bool paintingOnly) const {
    std::vector<DrawOpKind> out;
    for (const DrawOperation& op : m_Operations)
        if (!paintingOnly || isPaintingOperation(op.kind))
            out.push_back(op.kind);
    return out;
}

std::vector<Color> RecordingGraphicsContext::fillColors() const {
    std::vector<Color> out;
    for (const DrawOperation& op : m_Operations)
        if (op.kind == DrawOpKind::FillPath)
            out.push_back(op.color);
    return out;
}

std::vector<Color> RecordingGraphicsContext::strokeColors() const {
    std::vector<Color> out;
    for (const DrawOperation& op : m_Operations)
        if (op.kind == DrawOpKind::StrokePath)
            out.push_back(op.color);
    return out;
}

std::string RecordingGraphicsContext::description() const {
    std::ostringstream s;
    for (const DrawOperation& op : m_Operations) {
        s << std::string(static_cast<std::size_t>(std::max(0, op.gstateDepth)) * 2, ' ')
          << drawOpKindName(op.kind);
        switch (op.kind) {
        case DrawOpKind::FillPath:
        case DrawOpKind::StrokePath:
            s << " " << op.color.hexStringWithAlpha() << " elements=" << op.path.elementCount();
            if (op.kind == DrawOpKind::StrokePath)
                s << " width=" << op.lineWidth() << " dash=" << op.dash().size();
            break;
        case DrawOpKind::DrawImage:
        case DrawOpKind::ClipToRect:
        case DrawOpKind::DrawRichText: {
            const Rect& r = op.rect;
            s << " (" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
            break;
        }
        case DrawOpKind::SetShadow:
            s << " offset=(" << op.shadow.offset.width << ", " << op.shadow.offset.height
              << ") blur=" << op.shadow.blurRadius;
            break;
        default:
            break;
        }
        s << "\n";
    }
    return s.str();
}

void RecordingGraphicsContext::clear() {
    m_Operations.clear();
    m_Stack.clear();
    m_State = State();
    m_State.transform = m_BaseTransform;
}

RecordedImage::RecordedImage(Size pointSize, double scale, std::vector<DrawOperation> operations)
    : m_Size(pointSize), m_Scale(scale), m_Operations(std::move(operations)) {}

int RecordedImage::pixelsWide() const {
    return std::max(0, static_cast<int>(std::ceil(m_Size.width * m_Scale - 1e-9)));
}

int RecordedImage::pixelsHigh() const {
    return std::max(0, static_cast<int>(std::ceil(m_Size.height * m_Scale - 1e-9)));
}

} // namespace qv

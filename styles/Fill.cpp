#include "styles/Fill.h"

#include "document/ImageCache.h"
#include "framework/foundation/GraphicsContext.h"
#include "styles/FillCache.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// A tiled picture so small that it needs more copies than this is drawn as
// no copies at all; it could not be seen and would stall the drawing.
constexpr double kMaxTiles = 1000000;

bool finiteSize(Size s) {
    return std::isfinite(s.width) && std::isfinite(s.height);
}

} // namespace

std::vector<Rect> imagePlacementRects(std::int32_t placement, Size bounds, Size image) {
    const double W = bounds.width, H = bounds.height;
    const double iw = image.width, ih = image.height;
    std::vector<Rect> rects;
    if (!(iw > 0) || !(ih > 0) || !finiteSize(bounds) || !finiteSize(image))
        return rects;
    switch (placement) {
    case ImagePlacementCover: {
        const double w = std::max(H * iw / ih, W);
        const double h = w * ih / iw;
        rects.emplace_back((W - w) / 2, (H - h) / 2, w, h);
        break;
    }
    case ImagePlacementCentre:
        rects.emplace_back((W - iw) / 2, (H - ih) / 2, iw, ih);
        break;
    case ImagePlacementTile: {
        if (!(W > 0) || !(H > 0))
            break;
        if (std::ceil(W / iw) * std::ceil(H / ih) > kMaxTiles)
            break;
        for (int j = 0; j * ih < H; ++j)
            for (int i = 0; i * iw < W; ++i)
                rects.emplace_back(i * iw, j * ih, iw, ih);
        break;
    }
    default:
        rects.emplace_back(0, 0, W, H);
        break;
    }
    return rects;
}

std::array<double, 4> GradientInterpolate(const std::array<double, 8>& c, double t) {
    t = std::clamp(t, 0.0, 1.0);
    std::array<double, 4> out{};
    for (int k = 0; k < 4; ++k)
        out[k] = (1 - t) * c[k] + t * c[k + 4];
    return out;
}

Fill::Fill(const Fill& other)
    : KeyValueCoding(), QVSaveableElement(), m_Shape(nullptr), m_Style(other.m_Style),
      m_Color(other.m_Color), m_GradientColor(other.m_GradientColor),
      m_GradientStyle(other.m_GradientStyle), m_GradientStart(other.m_GradientStart),
      m_GradientEnd(other.m_GradientEnd), m_ImageName(other.m_ImageName),
      m_ImagePlacement(other.m_ImagePlacement) {}

template <typename F> void Fill::announce(std::string_view key, F&& store) {
    if (!m_Shape) {
        store();
        return;
    }
    static constexpr std::string_view kDerived[] = {"fill.visible", "fill.hasColor",
                                                    "fill.hasGradient", "fill.hasImage"};
    const std::string path = "fill." + std::string(key);
    const bool styleChange = key == "style";
    StyleOwner* owner = m_Shape;
    owner->willChange();
    owner->styleWillChangeKeyPath(path);
    if (styleChange)
        for (std::string_view derived : kDerived)
            owner->styleWillChangeKeyPath(derived);
    store();
    owner->clearFillCache();
    if (styleChange)
        for (auto it = std::rbegin(kDerived); it != std::rend(kDerived); ++it)
            owner->styleDidChangeKeyPath(*it);
    owner->styleDidChangeKeyPath(path);
    owner->didChange();
}

void Fill::setStyle(std::int32_t style) {
    if (style != m_Style)
        announce("style", [&] { m_Style = style; });
}

void Fill::setColor(const Color& color) {
    announce("color", [&] { m_Color = color; });
}

void Fill::setGradientStyle(std::int32_t style) {
    if (style != m_GradientStyle)
        announce("gradientStyle", [&] { m_GradientStyle = style; });
}

void Fill::setGradientColor(const Color& color) {
    announce("gradientColor", [&] { m_GradientColor = color; });
}

void Fill::setGradientStart(Point start) {
    if (start != m_GradientStart)
        announce("gradientStart", [&] { m_GradientStart = start; });
}

void Fill::setGradientEnd(Point end) {
    if (end != m_GradientEnd)
        announce("gradientEnd", [&] { m_GradientEnd = end; });
}

void Fill::setImageName(std::string_view name) {
    if (name != m_ImageName)
        announce("imageName", [&] { m_ImageName = std::string(name); });
}

void Fill::setImagePlacement(std::int32_t placement) {
    if (placement != m_ImagePlacement)
        announce("imagePlacement", [&] { m_ImagePlacement = placement; });
}

std::array<double, 8> Fill::gradientContext() const {
    return {m_Color.red,          m_Color.green,        m_Color.blue,
            m_Color.alpha,        m_GradientColor.red,  m_GradientColor.green,
            m_GradientColor.blue, m_GradientColor.alpha};
}

Color Fill::gradientColorAt(double t) const {
    const auto c = GradientInterpolate(gradientContext(), t);
    return {c[0], c[1], c[2], c[3]};
}

ImagePtr Fill::gradientFillImage(Size size, double scale, GraphicsContext& gc) const {
    const auto context = gradientContext();
    const Point start(m_GradientStart.x * size.width, m_GradientStart.y * size.height);
    const Point end(m_GradientEnd.x * size.width, m_GradientEnd.y * size.height);
    const bool radial = m_GradientStyle == GradientStyleRadial;
    return gc.makeImage(size, scale, [&](GraphicsContext& picture) {
        const GradientColorFunction colors = [context](double t) {
            const auto c = GradientInterpolate(context, t);
            return Color(c[0], c[1], c[2], c[3]);
        };
        if (radial) {
            const double radius = std::hypot(end.x - start.x, end.y - start.y);
            picture.drawRadialGradient(start, 0.1, start, radius, colors, true, true);
        } else {
            picture.drawLinearGradient(start, end, colors, true, true);
        }
    });
}

ImagePtr Fill::imageFillImage(Size size, double scale, GraphicsContext& gc,
                              const ImageCache& store) const {
    const ImagePtr source = store.imageNamed(m_ImageName);
    return gc.makeImage(size, scale, [&](GraphicsContext& picture) {
        if (!source)
            return;
        for (const Rect& r : imagePlacementRects(m_ImagePlacement, size, source->size()))
            picture.drawImage(*source, r, 1.0);
    });
}

void Fill::fillPath(GraphicsContext& gc, const BezierPath& path, const Rect& bounds,
                    FillCache& cache, double zoom, double scale, const ImageCache& store,
                    Size offset) const {
    if (m_Style == FillStyleColor) {
        gc.fillPath(path, m_Color);
        return;
    }
    if ((m_Style != FillStyleGradient && m_Style != FillStyleImage) || path.isEmpty())
        return;
    const ImagePtr& picture = cache.prepare(*this, bounds.size, zoom, scale, gc, store);
    if (!picture)
        return;
    GStateSaver saver(gc);
    gc.clipToPath(path);
    const Rect destination(bounds.x() + offset.width, bounds.y() + offset.height, bounds.width(),
                           bounds.height());
    gc.drawImage(*picture, destination, 1.0);
}

AttributeMap Fill::elementAttributes() const {
    AttributeMap attributes;
    switch (m_Style) {
    case FillStyleColor:
        attributes.setStringValue(m_Color.hexStringWithAlpha(), "color");
        break;
    case FillStyleGradient:
        attributes.setStringValue(m_Color.hexStringWithAlpha(), "color");
        attributes.setStringValue(m_GradientColor.hexStringWithAlpha(), "grad-color");
        attributes.setIntValue(m_GradientStyle, "grad");
        attributes.setFloatValue(m_GradientStart.x, "grad-start-x");
        attributes.setFloatValue(m_GradientStart.y, "grad-start-y");
        attributes.setFloatValue(m_GradientEnd.x, "grad-end-x");
        attributes.setFloatValue(m_GradientEnd.y, "grad-end-y");
        break;
    case FillStyleImage:
        attributes.setStringValue(m_ImageName, "image");
        attributes.setIntValue(m_ImagePlacement, "image-placement");
        break;
    default:
        attributes.setStringValue("none", "color");
        break;
    }
    return attributes;
}

void Fill::setElementAttributes(const AttributeMap& a) {
    if (auto image = a.stringValueForKey("image")) {
        setStyle(FillStyleImage);
        setImageName(*image);
        setImagePlacement(static_cast<std::int32_t>(a.intValueForKey("image-placement")));
        return;
    }
    const auto color = a.stringValueForKey("color");
    if (!color || *color == "none") {
        setStyle(FillStyleNone);
        return;
    }
    setColor(Color::colorWithHexString(*color));
    const auto gradientColor = a.stringValueForKey("grad-color");
    if (!gradientColor || *gradientColor == "none") {
        setStyle(FillStyleColor);
        return;
    }
    setStyle(FillStyleGradient);
    setGradientStyle(static_cast<std::int32_t>(a.intValueForKey("grad")));
    setGradientColor(Color::colorWithHexString(*gradientColor));
    setGradientStart({a.floatValueForKey("grad-start-x"), a.floatValueForKey("grad-start-y")});
    setGradientEnd({a.floatValueForKey("grad-end-x"), a.floatValueForKey("grad-end-y")});
}

Value Fill::valueForKey(std::string_view key) const {
    if (key == "style")
        return Value(m_Style);
    if (key == "color")
        return Value(m_Color);
    if (key == "gradientStyle")
        return Value(m_GradientStyle);
    if (key == "gradientColor")
        return Value(m_GradientColor);
    if (key == "gradientStart")
        return Value(m_GradientStart);
    if (key == "gradientEnd")
        return Value(m_GradientEnd);
    if (key == "imageName")
        return Value(m_ImageName);
    if (key == "imagePlacement")
        return Value(m_ImagePlacement);
    if (key == "visible")
        return Value(visible());
    if (key == "hasColor")
        return Value(hasColor());
    if (key == "hasGradient")
        return Value(hasGradient());
    if (key == "hasImage")
        return Value(hasImage());
    return {};
}

bool Fill::setValueForKey(const Value& value, std::string_view key) {
    if (value.isNull() || value.isMarker())
        return false;
    auto integer = [&](void (Fill::*setter)(std::int32_t)) {
        if (!value.isNumber())
            return false;
        (this->*setter)(static_cast<std::int32_t>(value.toInt()));
        return true;
    };
    auto color = [&](void (Fill::*setter)(const Color&)) {
        if (value.kind() != Value::Kind::Color)
            return false;
        (this->*setter)(value.toColor());
        return true;
    };
    auto point = [&](void (Fill::*setter)(Point)) {
        if (value.kind() != Value::Kind::Point)
            return false;
        (this->*setter)(value.toPoint());
        return true;
    };
    if (key == "style")
        return integer(&Fill::setStyle);
    if (key == "color")
        return color(&Fill::setColor);
    if (key == "gradientStyle")
        return integer(&Fill::setGradientStyle);
    if (key == "gradientColor")
        return color(&Fill::setGradientColor);
    if (key == "gradientStart")
        return point(&Fill::setGradientStart);
    if (key == "gradientEnd")
        return point(&Fill::setGradientEnd);
    if (key == "imageName") {
        if (value.kind() != Value::Kind::String)
            return false;
        setImageName(value.toString());
        return true;
    }
    if (key == "imagePlacement")
        return integer(&Fill::setImagePlacement);
    return false;
}

} // namespace qv

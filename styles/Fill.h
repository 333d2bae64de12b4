#pragma once
// How the inside of a shape's path is painted: not at all, with one colour,
// with a two-colour linear or radial gradient, or with a picture from the
// image store placed in one of four ways. Gradient points are fractions of
// the shape's unrotated bounds ((0, 0) top left, (1, 1) bottom right), so
// they follow every move, resize and rotation. A fill belongs to one shape
// and announces its edits through it; without an owner the setters simply
// store.

#include "document/QVSaveableElement.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/Image.h"
#include "framework/foundation/KeyValueCoding.h"
#include "styles/StyleOwner.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class BezierPath;
class GraphicsContext;
class ImageCache;
class FillCache;

enum FillStyle : std::int32_t {
    FillStyleNone = 0,
    FillStyleColor = 1,
    FillStyleGradient = 2,
    FillStyleImage = 3,
};

// Any gradient style other than radial draws as linear.
enum GradientStyle : std::int32_t {
    GradientStyleLinear = 0,
    GradientStyleRadial = 1,
};

// Any placement outside 0..3 draws as stretch.
enum ImagePlacement : std::int32_t {
    ImagePlacementStretch = 0,
    ImagePlacementCover = 1,
    ImagePlacementCentre = 2,
    ImagePlacementTile = 3,
};

// Where a picture of `imageSize` is drawn inside bounds of `boundsSize`,
// relative to the bounds' top-left corner; tiles row by row from the top.
// Empty when the picture has no area.
std::vector<Rect> imagePlacementRects(std::int32_t placement, Size boundsSize, Size imageSize);

// The gradient's colour function: context holds the first colour's four
// components then the second's; each output is (1 − t)·c0 + t·c1.
std::array<double, 4> GradientInterpolate(const std::array<double, 8>& context, double t);

class Fill : public KeyValueCoding, public QVSaveableElement {
public:
    Fill() = default;
    // Copies the eight values; the copy has no owning shape.
    Fill(const Fill& other);
    Fill& operator=(const Fill&) = delete;
    ~Fill() override = default;

    std::shared_ptr<Fill> copy() const { return std::make_shared<Fill>(*this); }

    // The owning shape; set by the shape, never announced.
    StyleOwner* shape() const { return m_Shape; }
    void setShape(StyleOwner* shape) { m_Shape = shape; }

    std::int32_t style() const { return m_Style; }
    const Color& color() const { return m_Color; }
    const Color& gradientColor() const { return m_GradientColor; }
    std::int32_t gradientStyle() const { return m_GradientStyle; }
    Point gradientStart() const { return m_GradientStart; }
    Point gradientEnd() const { return m_GradientEnd; }
    const std::string& imageName() const { return m_ImageName; }
    std::int32_t imagePlacement() const { return m_ImagePlacement; }

    bool visible() const { return m_Style != FillStyleNone; }
    bool hasColor() const { return m_Style == FillStyleColor || m_Style == FillStyleGradient; }
    bool hasGradient() const { return m_Style == FillStyleGradient; }
    bool hasImage() const { return m_Style == FillStyleImage; }

    // Each does nothing for an unchanged value (exact comparison); otherwise
    // it announces one change through the owner and drops the owner's fill
    // picture. The colour setters always announce.
    void setStyle(std::int32_t style);
    void setColor(const Color& color);
    void setGradientStyle(std::int32_t style);
    void setGradientColor(const Color& color);
    void setGradientStart(Point start);
    void setGradientEnd(Point end);
    void setImageName(std::string_view name);
    void setImagePlacement(std::int32_t placement);

    // The two gradient colours as the colour function's context.
    std::array<double, 8> gradientContext() const;
    Color gradientColorAt(double t) const;

    // The cached pictures, at `boundsSize` points and `scale` device pixels
    // per point: the gradient drawn over the whole picture, and the stored
    // picture laid out by the placement (transparent when the store has no
    // usable picture of that name).
    ImagePtr gradientFillImage(Size boundsSize, double scale, GraphicsContext& gc) const;
    ImagePtr imageFillImage(Size boundsSize, double scale, GraphicsContext& gc,
                            const ImageCache& store) const;

    // Paints the inside of `path` (the shape's transform in effect): style 1
    // fills it; styles 2 and 3 clip to it and draw the cache's picture over
    // `bounds` moved by `offset`, rebuilding the picture first when needed.
    void fillPath(GraphicsContext& gc, const BezierPath& path, const Rect& bounds, FillCache& cache,
                  double zoom, double scale, const ImageCache& store, Size offset = {}) const;

    // Element vocabulary: only the attributes of the current style are written.
    static constexpr const char* kElementName = "fill";
    std::optional<std::string> elementName() const override { return kElementName; }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr&) override {}

    // Key-value coding: "style", "color", "gradientStyle", "gradientColor",
    // "gradientStart", "gradientEnd", "imageName", "imagePlacement" and the
    // read-only "visible", "hasColor", "hasGradient", "hasImage".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

private:
    // Brackets one real change with the owner's notifications and the key
    // path "fill.<key>" (plus the derived keys for a style change), and drops
    // the owner's fill picture after storing.
    template <typename F> void announce(std::string_view key, F&& store);

    StyleOwner* m_Shape = nullptr;
    std::int32_t m_Style = FillStyleColor;
    Color m_Color = Color::white();
    Color m_GradientColor = Color(0.5, 0.5, 0.5, 1);
    std::int32_t m_GradientStyle = GradientStyleLinear;
    // The single-precision 0.2 and 0.8, widened.
    Point m_GradientStart = {static_cast<double>(0.2f), static_cast<double>(0.2f)};
    Point m_GradientEnd = {static_cast<double>(0.8f), static_cast<double>(0.8f)};
    std::string m_ImageName;
    std::int32_t m_ImagePlacement = ImagePlacementStretch;
};

} // namespace qv

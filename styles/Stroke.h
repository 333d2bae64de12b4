#pragma once
// How a shape's outline is drawn: dash style, width, colour, cap, join, and an
// arrow head at the start and at the end of every open subpath. A stroke
// belongs to one shape and announces its edits through that shape; without an
// owner the setters simply store.

#include "document/QVSaveableElement.h"
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/KeyValueCoding.h"
#include "styles/StyleOwner.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class GraphicsContext;

// Stroke style values as stored in files; anything above 6 draws a solid line.
enum StrokeStyle : std::int32_t {
    StrokeStyleNone = 0,
    StrokeStyleSolid = 1,
    StrokeStyleDash = 2,
    StrokeStyleLongDash = 3,
    StrokeStyleDotted = 4,
    StrokeStyleDashDot = 5,
    StrokeStyleLongDashDot = 6,
};

// Inspector image names of the stroke styles 0 to 6 ("stroke-none" …), the cap
// styles 0 to 2 ("cap-butt" …) and the join styles 0 to 2 ("join-miter" …);
// empty outside those ranges.
std::string_view strokeStyleName(std::int64_t style);
std::string_view capStyleName(std::uint64_t cap);
std::string_view joinStyleName(std::uint64_t join);

class Stroke : public KeyValueCoding, public QVSaveableElement {
public:
    Stroke() = default;
    // Copies the nine values; the copy has no owning shape.
    Stroke(const Stroke& other);
    Stroke& operator=(const Stroke&) = delete;
    ~Stroke() override = default;

    std::shared_ptr<Stroke> copy() const { return std::make_shared<Stroke>(*this); }

    // The owning shape; set by the shape, never announced.
    StyleOwner* shape() const { return m_Shape; }
    void setShape(StyleOwner* shape) { m_Shape = shape; }

    std::int32_t style() const { return m_Style; }
    double width() const { return m_Width; }
    const Color& color() const { return m_Color; }
    std::uint64_t capStyle() const { return m_CapStyle; }
    std::uint64_t joinStyle() const { return m_JoinStyle; }
    std::int64_t arrowStartStyle() const { return m_ArrowStartStyle; }
    double arrowStartSize() const { return m_ArrowStartSize; }
    std::int64_t arrowEndStyle() const { return m_ArrowEndStyle; }
    double arrowEndSize() const { return m_ArrowEndSize; }
    // Style 0 is the only invisible one.
    bool visible() const { return m_Style != StrokeStyleNone; }

    // Each does nothing for an unchanged value (exact comparison), else
    // announces one change through the owner. setColor always announces.
    void setStyle(std::int32_t style);
    void setWidth(double width);
    void setColor(const Color& color);
    void setCapStyle(std::uint64_t cap);
    void setJoinStyle(std::uint64_t join);
    void setArrowStartStyle(std::int64_t style);
    void setArrowStartSize(double size);
    void setArrowEndStyle(std::int64_t style);
    void setArrowEndSize(double size);

    // Painted and unpainted lengths for a style, width and cap; empty for a
    // continuous line. Round and square caps reach half a width beyond each
    // painted piece, so painted lengths shrink and gaps grow by one width to
    // keep the rhythm. Caps other than 0, 1, 2 draw as butt caps. A width that
    // is not positive gives a continuous line (a pattern of zero total length
    // has no rhythm to draw).
    static std::vector<double> dashPatternForStyle(std::int64_t style, double width,
                                                   std::uint64_t cap);
    std::vector<double> dashPattern() const {
        return dashPatternForStyle(m_Style, m_Width, m_CapStyle);
    }
    // The path attributes a drawing surface uses: width, cap, join, dash (phase 0).
    LineCapStyle lineCapStyle() const;
    LineJoinStyle lineJoinStyle() const;
    void applyToPath(BezierPath& path) const;

    // Strokes a shape's path with these attributes and then draws the arrow
    // heads on its open subpaths; draws nothing when not visible. The caller
    // has the shape's transform in effect.
    void strokePath(GraphicsContext& gc, const BezierPath& path) const;
    // Arrow heads on every open subpath of `path`, in path order: for each
    // subpath its start arrow, then its end arrow. Closed subpaths and lone
    // move-tos get none.
    void drawArrowsForPath(GraphicsContext& gc, const BezierPath& path) const;
    // One arrow head at element `element` of `path`: the start arrow on a
    // move-to, the end arrow on the subpath's last line-to or curve-to. An
    // arrow style outside the catalogue draws nothing.
    void drawArrowForPath(GraphicsContext& gc, const BezierPath& path, std::size_t element,
                          bool isStart) const;

    // Element vocabulary.
    static constexpr const char* kElementName = "stroke";
    static std::optional<std::string> classElementName() { return kElementName; }
    std::optional<std::string> elementName() const override { return classElementName(); }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr&) override {}

    // Key-value coding: "style", "width", "color", "capStyle", "joinStyle",
    // "arrowStartStyle", "arrowStartSize", "arrowEndStyle", "arrowEndSize" and
    // the read-only "visible".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

private:
    // Brackets one real change with the owner's notifications and the key path
    // "stroke.<key>" (plus "stroke.visible" for a style change).
    template <typename F> void announce(std::string_view key, F&& store);

    StyleOwner* m_Shape = nullptr;
    std::int32_t m_Style = StrokeStyleSolid;
    double m_Width = 1.0;
    Color m_Color = Color::black();
    std::uint64_t m_CapStyle = 0;
    std::uint64_t m_JoinStyle = 0;
    std::int64_t m_ArrowStartStyle = 0;
    double m_ArrowStartSize = 7.0;
    std::int64_t m_ArrowEndStyle = 0;
    double m_ArrowEndSize = 7.0;
};

} // namespace qv

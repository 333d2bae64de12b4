#pragma once
// A drop shadow cast by everything a shape draws (fill, stroke and arrow
// heads together), with a visibility switch. Like the other styles it belongs
// to one shape and announces its edits through that shape.

#include "document/QVSaveableElement.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/KeyValueCoding.h"
#include "styles/StyleOwner.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class GraphicsContext;

class Shadow : public KeyValueCoding, public QVSaveableElement {
public:
    // Black at one-third opacity, the usual shadow colour of the platform.
    static constexpr Color kDefaultColor{0, 0, 0, 1.0 / 3.0};

    Shadow() = default;
    // Copies offset, blur radius, colour and visibility; the copy has no owner.
    Shadow(const Shadow& other);
    Shadow& operator=(const Shadow&) = delete;
    ~Shadow() override = default;

    std::shared_ptr<Shadow> copy() const { return std::make_shared<Shadow>(*this); }

    StyleOwner* shape() const { return m_Shape; }
    void setShape(StyleOwner* shape) { m_Shape = shape; }

    bool visible() const { return m_Visible; }
    void setVisible(bool visible);
    // A positive height moves the shadow up the page, whatever the canvas's
    // flipped coordinates.
    Size shadowOffset() const { return m_Offset; }
    void setShadowOffset(Size offset);
    double shadowOffsetWidth() const { return m_Offset.width; }
    void setShadowOffsetWidth(double width) { setShadowOffset({width, m_Offset.height}); }
    double shadowOffsetHeight() const { return m_Offset.height; }
    void setShadowOffsetHeight(double height) { setShadowOffset({m_Offset.width, height}); }
    double shadowBlurRadius() const { return m_BlurRadius; }
    void setShadowBlurRadius(double radius);
    const Color& shadowColor() const { return m_Color; }
    // Always announces, even for the same colour.
    void setShadowColor(const Color& color);

    // Around a shape's drawing, before the shape's own transform is applied
    // (so that the shadow does not turn with the shape): applyBegin saves the
    // graphics state and, when visible, installs the shadow and opens a
    // transparency layer so that everything drawn until applyEnd casts one
    // shadow; it answers whether it opened the layer, which applyEnd closes
    // before restoring the state. The context takes shadow offsets and radii
    // in device pixels, unaffected by the current transform, so they are
    // scaled here by the transform's horizontal scale. That transform already
    // carries the view's zoom (and the export resolution), so the zoom is not
    // applied a second time.
    bool applyBegin(GraphicsContext& gc) const;
    static void applyEnd(GraphicsContext& gc, bool layerBegun);
    // The factor by which shadow offsets and radii are scaled in gc now.
    static double deviceScale(const GraphicsContext& gc);
    // Installs the shadow, scaled for gc, without a transparency layer.
    void install(GraphicsContext& gc) const;

    // Element vocabulary.
    static constexpr const char* kElementName = "shadow";
    static std::optional<std::string> classElementName() { return kElementName; }
    std::optional<std::string> elementName() const override { return classElementName(); }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr&) override {}

    // Key-value coding: "visible", "shadowOffset", "shadowOffsetWidth",
    // "shadowOffsetHeight", "shadowBlurRadius", "shadowColor".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

private:
    StyleOwner* m_Shape = nullptr;
    bool m_Visible = false;
    Size m_Offset{0, -10};
    double m_BlurRadius = 10;
    Color m_Color = kDefaultColor;
};

// Brackets a scope of drawing with a shadow's applyBegin / applyEnd.
class ShadowScope {
public:
    ShadowScope(GraphicsContext& gc, const Shadow& shadow)
        : m_gc(gc), m_LayerBegun(shadow.applyBegin(gc)) {}
    ~ShadowScope() { Shadow::applyEnd(m_gc, m_LayerBegun); }
    ShadowScope(const ShadowScope&) = delete;
    ShadowScope& operator=(const ShadowScope&) = delete;

private:
    GraphicsContext& m_gc;
    bool m_LayerBegun;
};

} // namespace qv

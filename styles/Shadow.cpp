#include "styles/Shadow.h"

#include "framework/foundation/GraphicsContext.h"

#include <algorithm>
#include <initializer_list>

namespace qv {
namespace {

// One real change: the owner's pair around the key paths, the first of which
// is the property itself and the rest the properties derived from it.
template <typename F>
void announce(StyleOwner* owner, std::initializer_list<std::string_view> paths, F&& store) {
    if (!owner) {
        store();
        return;
    }
    owner->willChange();
    for (std::string_view p : paths)
        owner->styleWillChangeKeyPath(p);
    store();
    for (auto it = std::rbegin(paths); it != std::rend(paths); ++it)
        owner->styleDidChangeKeyPath(*it);
    owner->didChange();
}

} // namespace

Shadow::Shadow(const Shadow& other)
    : KeyValueCoding(), QVSaveableElement(), m_Shape(nullptr), m_Visible(other.m_Visible),
      m_Offset(other.m_Offset), m_BlurRadius(other.m_BlurRadius), m_Color(other.m_Color) {}

void Shadow::setVisible(bool visible) {
    if (visible != m_Visible)
        announce(m_Shape, {"shadow.visible"}, [&] { m_Visible = visible; });
}

void Shadow::setShadowOffset(Size offset) {
    if (offset == m_Offset)
        return;
    announce(m_Shape,
             {"shadow.shadowOffset", "shadow.shadowOffsetWidth", "shadow.shadowOffsetHeight"},
             [&] { m_Offset = offset; });
}

void Shadow::setShadowBlurRadius(double radius) {
    if (radius != m_BlurRadius)
        announce(m_Shape, {"shadow.shadowBlurRadius"}, [&] { m_BlurRadius = radius; });
}

void Shadow::setShadowColor(const Color& color) {
    announce(m_Shape, {"shadow.shadowColor"}, [&] { m_Color = color; });
}

double Shadow::deviceScale(const GraphicsContext& gc) {
    return gc.currentTransform().m11;
}

void Shadow::install(GraphicsContext& gc) const {
    const double f = deviceScale(gc);
    Size offset = m_Offset;
    double radius = m_BlurRadius;
    if (f != 1) {
        offset = {offset.width * f, offset.height * f};
        radius *= f;
    }
    // A negative radius (from a hand-edited file) means no blur.
    gc.setShadow(offset, std::max(radius, 0.0), m_Color);
}

bool Shadow::applyBegin(GraphicsContext& gc) const {
    gc.saveGState();
    if (!m_Visible)
        return false;
    install(gc);
    gc.beginTransparencyLayer();
    return true;
}

void Shadow::applyEnd(GraphicsContext& gc, bool layerBegun) {
    if (layerBegun)
        gc.endTransparencyLayer();
    gc.restoreGState();
}

AttributeMap Shadow::elementAttributes() const {
    AttributeMap a;
    if (m_Visible)
        a.setStringValue(m_Color.hexStringWithAlpha(), "color");
    else
        a.setStringValue("none", "color");
    a.setFloatValue(m_Offset.width, "width");
    a.setFloatValue(m_Offset.height, "height");
    a.setFloatValue(m_BlurRadius, "radius");
    return a;
}

void Shadow::setElementAttributes(const AttributeMap& a) {
    const std::optional<std::string> color = a.stringValueForKey("color");
    if (!color || *color == "none") {
        setVisible(false);
        return;
    }
    setVisible(true);
    setShadowColor(Color::colorWithHexString(std::string_view(*color)));
    setShadowOffset({a.floatValueForKey("width"), a.floatValueForKey("height")});
    setShadowBlurRadius(a.floatValueForKey("radius"));
}

} // namespace qv

namespace qv {

Value Shadow::valueForKey(std::string_view key) const {
    if (key == "visible")
        return Value(m_Visible);
    if (key == "shadowOffset")
        return Value(m_Offset);
    if (key == "shadowOffsetWidth")
        return Value(m_Offset.width);
    if (key == "shadowOffsetHeight")
        return Value(m_Offset.height);
    if (key == "shadowBlurRadius")
        return Value(m_BlurRadius);
    if (key == "shadowColor")
        return Value(m_Color);
    return {};
}

bool Shadow::setValueForKey(const Value& value, std::string_view key) {
    if (value.isNull() || value.isMarker())
        return false;
    if (key == "visible") {
        setVisible(value.toBool());
    } else if (key == "shadowOffset") {
        if (value.kind() != Value::Kind::Size)
            return false;
        setShadowOffset(value.toSize());
    } else if (key == "shadowOffsetWidth") {
        setShadowOffsetWidth(value.toDouble());
    } else if (key == "shadowOffsetHeight") {
        setShadowOffsetHeight(value.toDouble());
    } else if (key == "shadowBlurRadius") {
        setShadowBlurRadius(value.toDouble());
    } else if (key == "shadowColor") {
        if (value.kind() != Value::Kind::Color)
            return false;
        setShadowColor(value.toColor());
    } else {
        return false;
    }
    return true;
}

} // namespace qv

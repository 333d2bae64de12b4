#include "document/Page.h"

namespace qv {

void Page::setColor(const Color& color) {
    KeyValueChangeScope change(this, "color");
    m_Color = color;
}

Value Page::valueForKey(std::string_view key) const {
    if (key == "color")
        return Value(m_Color);
    return {};
}

bool Page::setValueForKey(const Value& value, std::string_view key) {
    if (key != "color" || value.kind() != Value::Kind::Color)
        return false;
    setColor(value.toColor());
    return true;
}

AttributeMap Page::elementAttributes() const {
    AttributeMap attributes;
    attributes.setStringValue(m_Color.hexString(), "color");
    return attributes;
}

void Page::setElementAttributes(const AttributeMap& attributes) {
    if (auto text = attributes.stringValueForKey("color"))
        setColor(Color::colorWithHexString(*text));
}

} // namespace qv

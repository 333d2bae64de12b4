#include "document/QVGenericElement.h"

namespace qv {
namespace {

// The key of one component: "x", or "P-x" with a prefix. Without a prefix
// (the common case) it is the component letter itself, with no string made.
class ComponentKey {
public:
    ComponentKey(std::string_view prefix, char component) : m_Letter(component) {
        if (!prefix.empty()) {
            m_Prefixed.assign(prefix);
            m_Prefixed += '-';
            m_Prefixed += component;
        }
    }
    operator std::string_view() const {
        return m_Prefixed.empty() ? std::string_view(&m_Letter, 1) : std::string_view(m_Prefixed);
    }

private:
    char m_Letter;
    std::string m_Prefixed;
};

ComponentKey componentKey(std::string_view prefix, char component) {
    return ComponentKey(prefix, component);
}

} // namespace

std::shared_ptr<QVGenericElement> QVGenericElement::elementNamed(std::string_view name) {
    return std::make_shared<QVGenericElement>(std::string(name));
}

QVGenericElement::~QVGenericElement() {
    ElementList pending = std::move(m_Children);
    while (!pending.empty()) {
        ElementPtr last = std::move(pending.back());
        pending.pop_back();
        // A generic child held only here gives up its children before it goes,
        // so its own destructor finds nothing left to release.
        if (last.use_count() == 1) {
            if (auto* generic = dynamic_cast<QVGenericElement*>(last.get())) {
                for (auto& child : generic->m_Children)
                    pending.push_back(std::move(child));
                generic->m_Children.clear();
            }
        }
    }
}

void QVGenericElement::setElementAttributes(const AttributeMap& attributes) {
    m_Attributes = attributes;
}

void QVGenericElement::addElement(const ElementPtr& child) {
    m_Children.push_back(child);
}

ElementPtr QVGenericElement::childNamed(std::string_view name) const {
    for (const auto& child : m_Children) {
        if (!child)
            continue;
        const auto childName = child->elementName();
        if (childName && *childName == name)
            return child;
    }
    return nullptr;
}

void QVGenericElement::setAttribute(std::optional<AttributeValue> value, std::string_view key) {
    if (value)
        m_Attributes.set(key, std::move(*value));
    else
        m_Attributes.remove(key);
}

Point QVGenericElement::pointAttributeForKey(std::string_view prefix) const {
    return {floatAttributeForKey(componentKey(prefix, 'x')),
            floatAttributeForKey(componentKey(prefix, 'y'))};
}

void QVGenericElement::setPointAttribute(Point p, std::string_view prefix) {
    setFloatAttribute(p.x, componentKey(prefix, 'x'));
    setFloatAttribute(p.y, componentKey(prefix, 'y'));
}

Size QVGenericElement::sizeAttributeForKey(std::string_view prefix) const {
    return {floatAttributeForKey(componentKey(prefix, 'w')),
            floatAttributeForKey(componentKey(prefix, 'h'))};
}

void QVGenericElement::setSizeAttribute(Size s, std::string_view prefix) {
    setFloatAttribute(s.width, componentKey(prefix, 'w'));
    setFloatAttribute(s.height, componentKey(prefix, 'h'));
}

Rect QVGenericElement::rectAttributeForKey(std::string_view prefix) const {
    return {pointAttributeForKey(prefix), sizeAttributeForKey(prefix)};
}

void QVGenericElement::setRectAttribute(const Rect& r, std::string_view prefix) {
    setPointAttribute(r.origin, prefix);
    setSizeAttribute(r.size, prefix);
}

} // namespace qv

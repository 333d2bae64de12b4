#pragma once
// A plain element: a name, attributes, children and character data. Used for
// sub-records that have no class of their own ("bounds", "rtf", "moveto"...)
// and for every element the reader has no registration for.

#include "document/QVSaveableElement.h"
#include "framework/foundation/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class QVGenericElement : public QVSaveableElement {
public:
    explicit QVGenericElement(std::string name) : m_Name(std::move(name)) {}
    // Releases deep trees of generic elements without recursing once per level.
    ~QVGenericElement() override;

    static std::shared_ptr<QVGenericElement> elementNamed(std::string_view name);
    // Never registered with a reader by itself.
    static std::optional<std::string> classElementName() { return std::nullopt; }

    // QVSaveableElement
    std::optional<std::string> elementName() const override { return m_Name; }
    AttributeMap elementAttributes() const override { return m_Attributes; }
    ElementList elementChildren() const override { return m_Children; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr& child) override;

    // The stored attributes and children themselves, without copying.
    const std::string& name() const { return m_Name; }
    const AttributeMap& attributes() const { return m_Attributes; }
    AttributeMap& attributes() { return m_Attributes; }
    const ElementList& children() const { return m_Children; }
    // The first child whose element name is name, or null.
    ElementPtr childNamed(std::string_view name) const;

    void addStringData(std::string_view data) { m_StringData.append(data); }
    const std::string& stringData() const { return m_StringData; }
    void setStringData(std::string_view data) { m_StringData.assign(data); }

    const AttributeValue* attributeForKey(std::string_view key) const {
        return m_Attributes.find(key);
    }
    // No value removes the key.
    void setAttribute(std::optional<AttributeValue> value, std::string_view key);

    double floatAttributeForKey(std::string_view key) const {
        return m_Attributes.floatValueForKey(key);
    }
    void setFloatAttribute(double value, std::string_view key) {
        m_Attributes.setFloatValue(value, key);
    }
    std::int64_t intAttributeForKey(std::string_view key) const {
        return m_Attributes.intValueForKey(key);
    }
    void setIntAttribute(std::int64_t value, std::string_view key) {
        m_Attributes.setIntValue(value, key);
    }

    // Compound values stored as one real per component: "x", "y", "w", "h",
    // or with a prefix P "P-x", "P-y", "P-w", "P-h". An empty prefix is no prefix.
    Point pointAttribute() const { return pointAttributeForKey({}); }
    void setPointAttribute(Point p) { setPointAttribute(p, {}); }
    Point pointAttributeForKey(std::string_view prefix) const;
    void setPointAttribute(Point p, std::string_view prefix);

    Size sizeAttribute() const { return sizeAttributeForKey({}); }
    void setSizeAttribute(Size s) { setSizeAttribute(s, {}); }
    Size sizeAttributeForKey(std::string_view prefix) const;
    void setSizeAttribute(Size s, std::string_view prefix);

    Rect rectAttribute() const { return rectAttributeForKey({}); }
    void setRectAttribute(const Rect& r) { setRectAttribute(r, {}); }
    Rect rectAttributeForKey(std::string_view prefix) const;
    void setRectAttribute(const Rect& r, std::string_view prefix);

private:
    friend class QVParser;
    // The reader hands a finished leaf that nobody kept to its next plain
    // tag, keeping the storage of its strings. The attributes are left for
    // the reader to overwrite.
    void reuseAs(std::string_view name) {
        m_Name.assign(name);
        m_Children.clear();
        m_StringData.clear();
    }

    std::string m_Name;
    AttributeMap m_Attributes;
    ElementList m_Children;
    std::string m_StringData;
};

} // namespace qv

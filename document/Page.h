#pragma once
// The paper a drawing sits on. Only its colour is kept here; its size comes
// from the document's print settings. The document observes "color" to make
// colour changes undoable.

#include "document/QVSaveableElement.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/KeyValueCoding.h"

#include <memory>

namespace qv {

class Page : public KeyValueObservable, public QVSaveableElement {
public:
    Page() = default;
    // Same colour, no observers.
    Page(const Page& other) : KeyValueObservable(), QVSaveableElement(), m_Color(other.m_Color) {}
    Page& operator=(const Page&) = delete;
    std::shared_ptr<Page> copy() const { return std::make_shared<Page>(*this); }

    const Color& color() const { return m_Color; }
    // Always announces "color", as every colour setter does.
    void setColor(const Color& color);

    // Key-value coding: "color".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    // Element "page" with "color" as "#RRGGBB": the alpha is not saved.
    static constexpr const char* kElementName = "page";
    std::optional<std::string> elementName() const override { return kElementName; }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr&) override {}

private:
    Color m_Color = Color::white();
};

} // namespace qv

#pragma once
// The protocol of every object that is saved as one XML element and rebuilt
// from one, and the attribute map such an element carries.

#include "framework/foundation/AttributeMap.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class QVSaveableElement;
using ElementPtr = std::shared_ptr<QVSaveableElement>;
using ElementList = std::vector<ElementPtr>;

class QVSaveableElement {
public:
    virtual ~QVSaveableElement() = default;

    // The name written for this object; no name means the object and all of its
    // children are left out of the output.
    virtual std::optional<std::string> elementName() const = 0;
    // Attributes to write, in the order they are written.
    virtual AttributeMap elementAttributes() const = 0;
    // Child elements to write, in this order.
    virtual ElementList elementChildren() const = 0;
    // Called once, right after the reader made the object, with the attributes
    // exactly as read (all values text).
    virtual void setElementAttributes(const AttributeMap& attributes) = 0;
    // Called once per child, in document order, when the child's end tag is read.
    virtual void addElement(const ElementPtr& child) = 0;
    // The reader brackets its work on an object that it made itself and that
    // nobody else holds yet: willReadElement comes before
    // setElementAttributes, didReadElement at the end tag, before the object
    // goes to its parent. In between nobody can be watching the object, so
    // it may keep its changes to itself.
    virtual void willReadElement() {}
    virtual void didReadElement() {}
};

} // namespace qv

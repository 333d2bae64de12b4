#include "shapes/RectangleShape.h"

#include "document/QVGenericElement.h"
#include "shapes/ElementCast.h"

namespace qv {

std::optional<BezierPath> RectangleShape::path() const {
    return BezierPath::bezierPathWithRect(m_Bounds);
}

ElementList RectangleShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    auto bounds = QVGenericElement::elementNamed("bounds");
    bounds->setRectAttribute(m_Bounds);
    children.push_back(bounds);
    return children;
}

void RectangleShape::addElement(const ElementPtr& child) {
    if (child && child->elementName() == "bounds") {
        if (auto* generic = elementCast<QVGenericElement>(child.get()))
            setBounds(sanitizedRect(generic->rectAttribute()));
        return;
    }
    Shape::addElement(child);
}

} // namespace qv

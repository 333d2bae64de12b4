#include "tools/TextTool.h"

#include "canvas/ShapesController.h"
#include "shapes/TextShape.h"

namespace qv {

// Text boxes start with the text's own default look, not the toolbox's styles.
TextTool::TextTool() : RectangleTool([] { return ShapePtr(std::make_shared<TextShape>()); }) {}

void TextTool::commit(ToolCanvas& view, ShapesController& target) {
    if (!m_DidMove) {
        const Point origin = snapPointToGrid(m_Current, view, (m_Modifiers & CommandKeyMask) != 0);
        m_Shape->setBounds(Rect(origin, kDefaultSize));
        m_DidMove = true;
    }
    const ShapePtr shape = m_Shape;
    target.addShape(shape);
    view.setNeedsDisplay();
    view.beginEditingShape(shape, true);
    finish();
}

} // namespace qv

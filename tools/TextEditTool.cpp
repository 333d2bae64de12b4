#include "tools/TextEditTool.h"

#include "canvas/ShapesController.h"
#include "shapes/GroupShape.h"
#include "shapes/TextShape.h"

namespace qv {

bool TextEditTool::wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    ShapePtr shape = target.shapeAtPoint(event.location);
    if (auto* group = dynamic_cast<GroupShape*>(shape.get()))
        shape = group->shapeAtPoint(event.location);
    if (dynamic_cast<TextShape*>(shape.get())) {
        if (event.clickCount == 2) {
            view.beginEditingShape(shape, false);
            return true;
        }
        // Further clicks of a multiple click belong to the editor.
        if (event.clickCount >= 3 && view.editingShape() == shape.get())
            return true;
    }
    if (dynamic_cast<TextShape*>(view.editingShape()))
        view.commitEditing();
    return false;
}

} // namespace qv

#include "tools/ReshapeTool.h"

#include "canvas/ShapesController.h"
#include "shapes/BezierShape.h"

namespace qv {

bool ReshapeTool::wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    m_Shape = nullptr;
    auto* editing = dynamic_cast<BezierShape*>(view.editingShape());
    if (editing &&
        editing->hitTestReshapeControl(event.location, m_Element, m_Point, &view.shapeView())) {
        m_Shape = editing;
        return true;
    }
    const ShapePtr shape = target.shapeAtPoint(event.location);
    if (auto* bezier = dynamic_cast<BezierShape*>(shape.get())) {
        if (event.clickCount == 2) {
            view.beginEditingShape(shape, false);
            view.setNeedsDisplayInRect(bezier->visibleBoundsInView(&view.shapeView()));
            return true;
        }
        // Further clicks of a multiple click only keep the edit going.
        if (event.clickCount >= 3 && editing == bezier)
            return true;
    }
    if (editing)
        view.commitEditing();
    return false;
}

void ReshapeTool::mouseDown(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        return;
    m_Tracking = true;
    if (m_Shape)
        m_OriginalPath = m_Shape->bezierPath();
}

void ReshapeTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    // A press that only began editing drags nothing.
    if (!m_Tracking || !m_Shape)
        return;
    const Point p = snapPointToGrid(event.location, view, event.command());
    beginUndoStep(target);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    m_Shape->reshapeToPoint(p, m_Element, m_Point, event.modifierFlags);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
}

void ReshapeTool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void ReshapeTool::endGesture(ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void ReshapeTool::finish() {
    const bool moved = m_Shape && !(m_Shape->bezierPath() == m_OriginalPath);
    m_Tracking = false;
    m_Shape = nullptr;
    m_OriginalPath = BezierPath();
    endUndoStep(moved ? "Reshape" : nullptr);
}

} // namespace qv

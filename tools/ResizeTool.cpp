#include "tools/ResizeTool.h"

#include "canvas/ShapesController.h"

namespace qv {

bool ResizeTool::wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    m_Shape.reset();
    const ShapeList selection = target.selectedObjects();
    // The shape selected last, drawn in front, wins.
    for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
        int h = 0, v = 0;
        Point origin;
        if ((*it)->hitTestSelectionHandle(event.location, h, v, origin, &view.shapeView())) {
            m_Shape = *it;
            m_HHandle = h;
            m_VHandle = v;
            m_Origin = origin;
            m_DidResize = false;
            return true;
        }
    }
    return false;
}

void ResizeTool::mouseDown(const ToolEvent& event, ToolCanvas&, ShapesController&) {
    if (m_Tracking || !m_Shape)
        return;
    m_Tracking = true;
    m_DidDrag = false;
    m_Shape->beginResize();
    m_Current = event.location;
    m_Modifiers = event.modifierFlags;
}

void ResizeTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Tracking)
        return;
    m_Current = event.location;
    m_Modifiers = event.modifierFlags;
    m_DidDrag = true;
    resize(view, target);
}

void ResizeTool::flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Tracking)
        return;
    m_Modifiers = event.modifierFlags;
    if (m_DidDrag)
        resize(view, target);
}

void ResizeTool::resize(ToolCanvas& view, ShapesController& target) {
    const Point p = snapPointToGrid(m_Current, view, (m_Modifiers & CommandKeyMask) != 0);
    m_DidResize = true;
    beginUndoStep(target);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    m_Shape->resizeToPoint(p, m_HHandle, m_VHandle, m_Origin, m_Modifiers);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
}

void ResizeTool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void ResizeTool::endGesture(ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void ResizeTool::finish() {
    m_Tracking = false;
    m_Shape->endResize();
    endUndoStep(m_DidResize ? "Resize" : nullptr);
    m_Shape.reset();
}

} // namespace qv

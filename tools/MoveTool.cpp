#include "tools/MoveTool.h"

#include "canvas/ShapesController.h"

#include <algorithm>

namespace qv {

bool MoveTool::wantsEvent(const ToolEvent& event, ToolCanvas&, ShapesController& target) {
    m_Shape = target.shapeAtPoint(event.location);
    return m_Shape != nullptr;
}

void MoveTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_Tracking || !m_Shape)
        return;
    ShapeList selection = target.selectedObjects();
    const bool selected = std::find(selection.begin(), selection.end(), m_Shape) != selection.end();
    if (!selected) {
        if (event.shift())
            selection.insert(selection.begin(), m_Shape);
        else
            selection = {m_Shape};
        target.setSelectedObjects(selection);
        view.setNeedsDisplay();
    } else if (event.shift()) {
        std::erase(selection, m_Shape);
        target.setSelectedObjects(selection);
        view.setNeedsDisplay();
        m_Shape.reset();
        return;
    }
    m_Shape.reset();
    m_Tracking = true;
    m_LastPoint = event.location;
    m_DidMove = false;
    m_IsDuplicate = event.option();
}

void MoveTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Tracking)
        return;
    // The displacement itself snaps, so moves go in whole grid steps.
    const Point d = snapPointToGrid(event.location - m_LastPoint, view, event.command());
    const Point next = m_LastPoint + d;
    if (!m_DidMove) {
        if (isPointNearPoint(next, m_LastPoint, view))
            return;
        m_DidMove = true;
        // Option may come after the button (where the window manager takes
        // Option-presses); it counts until the shapes start moving.
        m_IsDuplicate = m_IsDuplicate || event.option();
        beginUndoStep(target);
        if (m_IsDuplicate)
            target.duplicateWithOffset(0, 0);
    }
    if (d.x != 0 || d.y != 0)
        target.offset(d.x, d.y);
    m_LastPoint = next;
}

void MoveTool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void MoveTool::endGesture(ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void MoveTool::finish() {
    m_Tracking = false;
    endUndoStep(m_DidMove ? (m_IsDuplicate ? "Duplicate" : "Move") : nullptr);
}

} // namespace qv

#include "tools/GradientTool.h"

#include "canvas/ShapesController.h"

namespace qv {

bool GradientTool::wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    m_Shape.reset();
    const ShapeList selection = target.selectedObjects();
    for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
        bool isStart = false;
        if ((*it)->hitTestGradientControl(event.location, isStart, &view.shapeView())) {
            m_Shape = *it;
            m_IsStart = isStart;
            m_Anchor = event.location;
            m_DidMove = false;
            m_OtherGradientPoint = isStart ? m_Shape->gradientEnd() : m_Shape->gradientStart();
            return true;
        }
    }
    return false;
}

void GradientTool::mouseDown(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Shape)
        m_Tracking = true;
}

void GradientTool::mouseDragged(const ToolEvent& event, ToolCanvas& view,
                                ShapesController& target) {
    if (!m_Tracking)
        return;
    Point p = event.location;
    if (!m_DidMove) {
        if (isPointNearPoint(p, m_Anchor, view))
            return;
        m_DidMove = true;
    }
    if (event.shift())
        p = QVTransform::transformShiftedLineFromStart(m_OtherGradientPoint, p);
    beginUndoStep(target);
    if (m_IsStart)
        m_Shape->setGradientStart(p);
    else
        m_Shape->setGradientEnd(p);
    view.setNeedsDisplay();
}

void GradientTool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void GradientTool::endGesture(ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        finish();
}

void GradientTool::finish() {
    m_Tracking = false;
    // The document names the step after the fill it edits.
    endUndoStep();
    m_Shape.reset();
}

} // namespace qv

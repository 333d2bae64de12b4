#include "tools/RectangleTool.h"

#include "canvas/ShapesController.h"

#include <cmath>

namespace qv {

void RectangleTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (m_Shape)
        return;
    m_Shape = makeShape();
    m_Modifiers = event.modifierFlags;
    m_Anchor = m_Current = snapPointToGrid(event.location, view, event.command());
    m_DidMove = false;
}

void RectangleTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    m_Current = event.location;
    m_Modifiers = event.modifierFlags;
    track(view);
}

void RectangleTool::flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    m_Modifiers = event.modifierFlags;
    track(view);
}

void RectangleTool::track(ToolCanvas& view) {
    Point p = snapPointToGrid(m_Current, view, (m_Modifiers & CommandKeyMask) != 0);
    if (m_Modifiers & ShiftKeyMask)
        p = QVTransform::transformShiftedShapeFromStart(m_Anchor, p);
    if (!m_DidMove) {
        if (isPointNearPoint(p, m_Anchor, view))
            return;
        m_DidMove = true;
    }
    // With Option the press point is the centre: the far corner mirrored.
    const Point a = (m_Modifiers & AlternateKeyMask) ? m_Anchor * 2 - p : m_Anchor;
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    m_Shape->setBounds(
        Rect(std::min(a.x, p.x), std::min(a.y, p.y), std::fabs(p.x - a.x), std::fabs(p.y - a.y)));
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
}

void RectangleTool::mouseUp(const ToolEvent&, ToolCanvas& view, ShapesController& target) {
    if (m_Shape)
        commit(view, target);
}

void RectangleTool::commit(ToolCanvas& view, ShapesController& target) {
    if (m_DidMove) {
        target.addShape(m_Shape);
        view.setNeedsDisplay();
    }
    finish();
}

void RectangleTool::finish() {
    m_Shape.reset();
    trackingFinished();
}

void RectangleTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    if (m_DidMove)
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    finish();
}

void RectangleTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (!m_Shape || !m_DidMove)
        return;
    const ShapeView* sv = &view.shapeView();
    m_Shape->drawInView(gc, sv);
    m_Shape->drawSelectionHandlesInView(gc, sv);
    if (m_Modifiers & AlternateKeyMask)
        Shape::drawSelectionHandleAtPoint(gc, m_Anchor, sv);
}

} // namespace qv

#include "tools/ZoomTool.h"

#include "tools/MarqueeTool.h"

namespace qv {

void ZoomTool::mouseDown(const ToolEvent& event, ToolCanvas&, ShapesController&) {
    if (m_Tracking)
        return;
    m_Tracking = true;
    m_DidMove = false;
    m_Anchor = m_Current = event.location;
}

void ZoomTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Tracking)
        return;
    if (!isPointNearPoint(event.location, m_Anchor, view))
        m_DidMove = true;
    redisplay(view);
    m_Current = event.location;
    redisplay(view);
}

void ZoomTool::mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Tracking)
        return;
    m_Tracking = false;
    redisplay(view);
    // Option as it is at the release decides the direction.
    if (m_DidMove)
        view.zoomOnRect(MarqueeTool::marqueeRect(m_Anchor, m_Current), event.option());
    else
        view.zoomOnPoint(m_Anchor, event.option());
    trackingFinished();
}

void ZoomTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (!m_Tracking)
        return;
    m_Tracking = false;
    redisplay(view);
    trackingFinished();
}

void ZoomTool::redisplay(ToolCanvas& view) const {
    view.setNeedsDisplayInRect(MarqueeTool::marqueeRect(m_Anchor, m_Current).insetBy(-1, -1));
}

void ZoomTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (m_Tracking)
        MarqueeTool::drawMarquee(gc, MarqueeTool::marqueeRect(m_Anchor, m_Current), view.zoom());
}

CursorKind ZoomTool::cursorForView(const ToolCanvas&, unsigned modifierFlags) const {
    return (modifierFlags & AlternateKeyMask) ? CursorKind::ZoomOut : CursorKind::ZoomIn;
}

} // namespace qv

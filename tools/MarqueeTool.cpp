#include "tools/MarqueeTool.h"

#include "framework/foundation/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace qv {

bool MarqueeTool::wantsEvent(const ToolEvent&, ToolCanvas&, ShapesController&) {
    return true;
}

Rect MarqueeTool::marqueeRect(Point anchor, Point current) {
    return Rect(std::min(anchor.x, current.x), std::min(anchor.y, current.y),
                std::fabs(current.x - anchor.x), std::fabs(current.y - anchor.y));
}

void MarqueeTool::mouseDown(const ToolEvent& event, ToolCanvas&, ShapesController& target) {
    if (m_Tracking)
        return;
    m_Tracking = true;
    m_Anchor = m_Current = event.location;
    m_BaseSelection = event.shift() ? target.selectionIndexes() : ShapesController::IndexSet();
    applySelection(target);
}

void MarqueeTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Tracking)
        return;
    redisplay(view);
    m_Current = event.location;
    applySelection(target);
    redisplay(view);
}

void MarqueeTool::mouseUp(const ToolEvent&, ToolCanvas& view, ShapesController&) {
    if (m_Tracking)
        finish(view);
}

void MarqueeTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (m_Tracking)
        finish(view);
}

void MarqueeTool::finish(ToolCanvas& view) {
    m_Tracking = false;
    m_BaseSelection.clear();
    redisplay(view);
}

void MarqueeTool::applySelection(ShapesController& target) {
    const ShapesController::IndexSet hit =
        m_Outlines.indexesInRect(marqueeRect(m_Anchor, m_Current), target.arrangedObjects());
    ShapesController::IndexSet selection;
    selection.reserve(m_BaseSelection.size() + hit.size());
    std::set_union(m_BaseSelection.begin(), m_BaseSelection.end(), hit.begin(), hit.end(),
                   std::back_inserter(selection));
    target.setSelectionIndexes(std::move(selection));
}

void MarqueeTool::redisplay(ToolCanvas& view) const {
    view.setNeedsDisplayInRect(marqueeRect(m_Anchor, m_Current).insetBy(-1, -1));
}

void MarqueeTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (m_Tracking)
        drawMarquee(gc, marqueeRect(m_Anchor, m_Current), view.zoom());
}

void MarqueeTool::drawMarquee(GraphicsContext& gc, const Rect& rect, double zoom) {
    const double p = 1 / zoom;
    // Half a pixel over, so the one-pixel rim lies on whole device pixels.
    BezierPath path = BezierPath::bezierPathWithRect(rect.offsetBy(p / 2, p / 2));
    gc.fillPath(path, Color(0.75, 0.75, 0.75, 0.25));
    path.setLineWidth(p);
    gc.strokePath(path, Color(0.5, 0.5, 0.5, 1));
}

} // namespace qv

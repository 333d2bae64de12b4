#include "tools/FreehandTool.h"

#include "canvas/ShapesController.h"
#include "shapes/FreehandShape.h"
#include "styles/Fill.h"
#include "tools/Toolbox.h"

namespace qv {

namespace {
// The part of the canvas a new segment can touch: its box grown by the margin
// a shape's redraw area has for stroke, arrow heads and shadow. Only the new
// segment and the arrow head at the moving end change, so the whole stroke
// need not be drawn again at every sample.
constexpr double kSegmentMargin = 100;
} // namespace

void FreehandTool::mouseDown(const ToolEvent& event, ToolCanvas&, ShapesController&) {
    if (m_Shape)
        return;
    const Point p = event.location;
    m_Shape = Toolbox::sharedToolbox().shapeWithClass<FreehandShape>();
    m_OriginalFillStyle = m_Shape->fill().style();
    m_Shape->fill().setStyle(FillStyleNone);
    m_Start = m_LastPoint = p;
    m_DidMove = false;
    m_Shape->moveToPoint(p);
}

void FreehandTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    const Point p = event.location;
    if (isPointNearPoint(p, m_LastPoint, view))
        return;
    m_DidMove = true;
    m_Shape->lineToPoint(p);
    view.setNeedsDisplayInRect(
        rectFromPoints(m_LastPoint, p).insetBy(-kSegmentMargin, -kSegmentMargin));
    m_LastPoint = p;
}

void FreehandTool::mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (m_DidMove) {
        bool add = true;
        if (isPointNearPoint(event.location, m_Start, view)) {
            // Closed over a single segment the path would have no inside.
            add = m_Shape->elementCount() > 2;
            m_Shape->fill().setStyle(m_OriginalFillStyle);
            m_Shape->closePath();
        }
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
        if (add)
            target.addShape(m_Shape);
    }
    finish();
}

void FreehandTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    finish();
}

void FreehandTool::finish() {
    m_Shape.reset();
    trackingFinished();
}

void FreehandTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (m_Shape && m_DidMove)
        m_Shape->drawInView(gc, &view.shapeView());
}

CursorKind FreehandTool::cursorForView(const ToolCanvas&, unsigned) const {
    return CursorKind::Pencil;
}

} // namespace qv

#include "tools/LineTool.h"

#include "canvas/ShapesController.h"
#include "shapes/LineShape.h"
#include "styles/Fill.h"
#include "tools/Toolbox.h"

namespace qv {

void LineTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (m_Shape)
        return;
    const Point p = snapPointToGrid(event.location, view, event.command());
    m_Shape = Toolbox::sharedToolbox().shapeWithClass<LineShape>();
    m_Shape->fill().setStyle(FillStyleNone);
    m_Shape->setStart(p);
    m_Shape->setEnd(p);
    m_Shape->updateBounds();
    m_DidMove = false;
}

void LineTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    Point p = snapPointToGrid(event.location, view, event.command());
    if (event.shift())
        p = QVTransform::transformShiftedLineFromStart(m_Shape->start(), p);
    if (!m_DidMove) {
        if (isPointNearPoint(p, m_Shape->start(), view))
            return;
        m_DidMove = true;
    }
    const Rect before = m_Shape->visibleBoundsInView(&view.shapeView());
    m_Shape->setEnd(p);
    view.setNeedsDisplayInRect(before.unionWith(m_Shape->visibleBoundsInView(&view.shapeView())));
}

void LineTool::mouseUp(const ToolEvent&, ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (m_DidMove) {
        target.addShape(m_Shape);
        view.setNeedsDisplay();
    }
    finish();
}

void LineTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    finish();
}

void LineTool::finish() {
    m_Shape.reset();
    trackingFinished();
}

void LineTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (m_Shape)
        m_Shape->drawInView(gc, &view.shapeView());
}

} // namespace qv

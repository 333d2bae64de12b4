#include "tools/PolylineTool.h"

#include "canvas/ShapesController.h"
#include "shapes/PolylineShape.h"
#include "styles/Fill.h"
#include "tools/Toolbox.h"

namespace qv {

void PolylineTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    const Point p = snapPointToGrid(event.location, view, event.command());
    if (!m_Shape) {
        m_Shape = Toolbox::sharedToolbox().shapeWithClass<PolylineShape>();
        m_OriginalFillStyle = m_Shape->fill().style();
        m_Shape->fill().setStyle(FillStyleNone);
        m_AddedSegment = false;
        m_DidMove = false;
        m_Start = p;
        m_Shape->moveToPoint(p);
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    } else {
        // The segment ends where the click is, even if no movement got there first.
        rubberBand(event, view);
    }
    const bool rubberBand = m_DidMove;
    m_Anchor = p;
    m_DidMove = false;
    if (!event.inView) {
        if (rubberBand)
            m_Shape->removeLastElement();
        finishWithFixedSegments(view, target);
    } else if (event.clickCount >= 2) {
        commit(view, target);
    } else if (m_AddedSegment && isPointNearPoint(p, m_Start, view)) {
        if (rubberBand)
            m_Shape->removeLastElement();
        // A closed path needs two segments besides the closing one to enclose anything.
        const bool canStand = m_Shape->elementCount() > 2;
        m_Shape->closePath();
        m_Shape->fill().setStyle(m_OriginalFillStyle);
        if (canStand)
            commit(view, target);
        else
            abandon(view);
    }
}

void PolylineTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    rubberBand(event, view);
}

void PolylineTool::mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    rubberBand(event, view);
}

void PolylineTool::rubberBand(const ToolEvent& event, ToolCanvas& view) {
    if (!m_Shape)
        return;
    Point p = snapPointToGrid(event.location, view, event.command());
    const Rect before = m_Shape->visibleBoundsInView(&view.shapeView());
    if (!m_DidMove) {
        if (isPointNearPoint(p, m_Anchor, view))
            return;
        m_DidMove = true;
        m_AddedSegment = true;
        m_Shape->lineToPoint(p);
    }
    // Near the start the band snaps onto it, showing where a click closes.
    if (isPointNearPoint(p, m_Start, view))
        p = m_Start;
    m_Shape->setLastPoint(p);
    view.setNeedsDisplayInRect(before.unionWith(m_Shape->visibleBoundsInView(&view.shapeView())));
}

void PolylineTool::keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (isCommitKey(event))
        commit(view, target);
    else if (isCancelKey(event))
        abandon(view);
}

void PolylineTool::commit(ToolCanvas& view, ShapesController& target) {
    if (m_AddedSegment) {
        target.addShape(m_Shape);
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    }
    finish();
}

void PolylineTool::finishWithFixedSegments(ToolCanvas& view, ShapesController& target) {
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    if (m_Shape->elementCount() > 1)
        target.addShape(m_Shape);
    finish();
}

void PolylineTool::endGesture(ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (m_DidMove)
        m_Shape->removeLastElement();
    finishWithFixedSegments(view, target);
}

void PolylineTool::abandon(ToolCanvas& view) {
    view.setNeedsDisplay();
    finish();
}

void PolylineTool::finish() {
    m_Shape.reset();
    m_DidMove = false;
    trackingFinished();
}

void PolylineTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (!m_Shape || !m_AddedSegment)
        return;
    m_Shape->drawInView(gc, &view.shapeView());
    m_Shape->drawReshapeHandlesInView(gc, &view.shapeView());
}

} // namespace qv

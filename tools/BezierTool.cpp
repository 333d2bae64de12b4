#include "tools/BezierTool.h"

#include "canvas/ShapesController.h"
#include "shapes/BezierShape.h"
#include "styles/Fill.h"
#include "tools/Toolbox.h"

namespace qv {

namespace {
// Room around a tangent handle's square for its guide line.
constexpr double kHandleSlack = 5;
} // namespace

void BezierTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    const Point p = snapPointToGrid(event.location, view, event.command());
    if (!m_Shape) {
        m_Target = &target;
        m_Shape = Toolbox::sharedToolbox().shapeWithClass<BezierShape>();
        m_OriginalFillStyle = m_Shape->fill().style();
        m_Shape->fill().setStyle(FillStyleNone);
        m_Shape->moveToPoint(p);
        m_Start = p;
        m_DidFirstDrag = false;
        m_CommitOnMouseUp = false;
    }
    m_LastControl1 = m_Control1;
    m_Point = m_Control1 = m_Control2 = p;
    if (!event.inView || event.clickCount >= 2) {
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
        commit(view);
        return;
    }
    if (!m_DidFirstDrag)
        return;
    if (isPointNearPoint(p, m_Start, view)) {
        m_Point = m_Start;
        m_CommitOnMouseUp = true;
        m_Shape->fill().setStyle(m_OriginalFillStyle);
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    }
    // The new curve arrives straight; a drag before the release bends it.
    m_Shape->curveToPoint(m_Point, m_LastControl1, m_Control2);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
}

void BezierTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    const Point p = snapPointToGrid(event.location, view, event.command());
    const Rect before = m_Shape->visibleBoundsInView(&view.shapeView()).unionWith(handleArea(view));
    m_Control1 = p;
    m_Shape->setLastControl(p);
    if (m_CommitOnMouseUp)
        m_Shape->setFirstControl(p);
    view.setNeedsDisplayInRect(before.unionWith(
        m_Shape->visibleBoundsInView(&view.shapeView()).unionWith(handleArea(view))));
}

void BezierTool::mouseUp(const ToolEvent&, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    m_DidFirstDrag = true;
    if (m_CommitOnMouseUp) {
        m_Shape->closePath();
        commit(view);
    }
}

void BezierTool::keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape)
        return;
    if (isCommitKey(event)) {
        commit(view);
    } else if (isCancelKey(event)) {
        view.setNeedsDisplay();
        finish();
    }
}

void BezierTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (m_Shape)
        commit(view);
}

void BezierTool::commit(ToolCanvas& view) {
    if (m_Shape->elementCount() > 1 && m_Target) {
        m_Target->addShape(m_Shape);
        view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    }
    finish();
}

void BezierTool::finish() {
    m_Shape.reset();
    m_Target = nullptr;
    trackingFinished();
}

Rect BezierTool::handleArea(const ToolCanvas& view) const {
    const ShapeView* sv = &view.shapeView();
    return Shape::handleRectAtPoint(m_Point, sv)
        .unionWith(Shape::handleRectAtPoint(m_Control1, sv))
        .insetBy(-kHandleSlack, -kHandleSlack);
}

void BezierTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (!m_Shape)
        return;
    const ShapeView* sv = &view.shapeView();
    m_Shape->drawInView(gc, sv);
    m_Shape->drawReshapeHandlesInView(gc, sv);
    BezierShape::drawReshapeLineFromPoint(gc, m_Point, m_Control1, sv);
    BezierShape::drawReshapeHandleAtPoint(gc, m_Point, true, sv);
    BezierShape::drawReshapeHandleAtPoint(gc, m_Control1, false, sv);
}

} // namespace qv

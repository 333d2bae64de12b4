#include "tools/ArcTool.h"

#include "canvas/ShapesController.h"
#include "shapes/ArcShape.h"
#include "tools/Toolbox.h"

#include <cmath>

namespace qv {

namespace {
// π as the single-precision constant the angles have always been measured with.
constexpr double kPi = static_cast<double>(3.14159265358979323846f);
} // namespace

double ArcTool::angleOfOffset(double dx, double dy) {
    return std::atan2(dy, dx) * 180 / kPi;
}

void ArcTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_Shape) {
        // The click that ends the second phase.
        if (!m_CalculatingRadius)
            commit(view, target);
        return;
    }
    m_Shape = Toolbox::sharedToolbox().shapeWithClass<ArcShape>();
    m_CalculatingRadius = true;
    m_DidMove = false;
    m_Shape->setCenter(snapPointToGrid(event.location, view, event.command()));
}

void ArcTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape || !m_CalculatingRadius)
        return;
    const Point p = snapPointToGrid(event.location, view, event.command());
    const Point c = m_Shape->center();
    if (!m_DidMove) {
        if (isPointNearPoint(p, c, view))
            return;
        m_DidMove = true;
    }
    const Rect before = m_Shape->visibleBoundsInView(&view.shapeView());
    const double dx = p.x - c.x, dy = p.y - c.y;
    const double angle = angleOfOffset(dx, dy);
    m_Shape->setRadius(std::sqrt(dx * dx + dy * dy));
    m_Shape->setAngle1(angle);
    m_Shape->setAngle2(angle);
    redisplay(view, before);
}

void ArcTool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {
    if (!m_Shape || !m_CalculatingRadius)
        return;
    m_CalculatingRadius = false;
    if (!m_DidMove)
        finish();
}

void ArcTool::mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (!m_Shape || m_CalculatingRadius)
        return;
    const Point p = snapPointToGrid(event.location, view, event.command());
    const Point c = m_Shape->center();
    const Rect before = m_Shape->visibleBoundsInView(&view.shapeView());
    m_Shape->setAngle2(angleOfOffset(p.x - c.x, p.y - c.y));
    redisplay(view, before);
}

void ArcTool::keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (isCancelKey(event))
        cancel(view);
    else if (isCommitKey(event) && !m_CalculatingRadius)
        commit(view, target);
}

void ArcTool::commit(ToolCanvas& view, ShapesController& target) {
    target.addShape(m_Shape);
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    finish();
}

void ArcTool::cancel(ToolCanvas& view) {
    if (!m_Shape)
        return;
    view.setNeedsDisplayInRect(m_Shape->visibleBoundsInView(&view.shapeView()));
    finish();
}

void ArcTool::endGesture(ToolCanvas& view, ShapesController& target) {
    if (!m_Shape)
        return;
    if (m_CalculatingRadius)
        cancel(view);
    else
        commit(view, target);
}

void ArcTool::finish() {
    m_Shape.reset();
    m_CalculatingRadius = false;
    trackingFinished();
}

void ArcTool::redisplay(ToolCanvas& view, const Rect& before) {
    view.setNeedsDisplayInRect(before.unionWith(m_Shape->visibleBoundsInView(&view.shapeView())));
}

void ArcTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (!m_Shape || !m_DidMove)
        return;
    m_Shape->drawInView(gc, &view.shapeView());
    m_Shape->drawSelectionHandlesInView(gc, &view.shapeView());
}

} // namespace qv

#include "tools/Tool.h"

#include "canvas/ShapesController.h"
#include "document/Grid.h"
#include "framework/foundation/UndoManager.h"
#include "tools/Toolbox.h"

namespace qv {

void Tool::handleEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    using Type = ToolEvent::Type;
    switch (event.type) {
    case Type::MouseDown:
        mouseDown(event, view, target);
        break;
    case Type::MouseDragged:
    case Type::MouseUp:
    case Type::Periodic: {
        if (!autoscrolls()) {
            // A phase without autoscroll (the arc after its radius).
            if (m_HasScrollEvent)
                stopAutoscroll(view);
            if (event.type == Type::MouseDragged)
                mouseDragged(event, view, target);
            else if (event.type == Type::MouseUp)
                mouseUp(event, view, target);
            else
                periodic(event, view, target);
            break;
        }
        const ToolEvent e = autoscroll(event, view);
        if (e.type == Type::MouseDragged)
            mouseDragged(e, view, target);
        else if (e.type == Type::MouseUp)
            mouseUp(e, view, target);
        break;
    }
    case Type::MouseMoved:
        mouseMoved(event, view, target);
        break;
    case Type::FlagsChanged:
        flagsChanged(event, view, target);
        break;
    case Type::KeyDown:
        keyDown(event, view, target);
        break;
    }
    // A gesture that ended some other way (a key, a click) leaves no tick running.
    if (m_HasScrollEvent && !isTracking())
        stopAutoscroll(view);
}

void Tool::drawInView(GraphicsContext&, ToolCanvas&) {}

CursorKind Tool::cursorForView(const ToolCanvas&, unsigned) const {
    return CursorKind::Crosshair;
}

void Tool::endGesture(ToolCanvas&, ShapesController&) {}

bool Tool::wantsEvent(const ToolEvent&, ToolCanvas&, ShapesController&) {
    return false;
}

void Tool::mouseDown(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::mouseDragged(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::mouseUp(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::mouseMoved(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::flagsChanged(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::keyDown(const ToolEvent&, ToolCanvas&, ShapesController&) {}
void Tool::periodic(const ToolEvent&, ToolCanvas&, ShapesController&) {}

bool Tool::isPointNearPoint(Point a, Point b, const ToolCanvas& view) {
    const double reach = kClickTolerance / view.zoom();
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy < reach * reach;
}

Point Tool::snapPointToGrid(Point p, const ToolCanvas& view, bool cmdKeyDown) {
    const Grid& grid = view.grid();
    return grid.snap() != cmdKeyDown ? grid.snapPoint(p) : p;
}

ToolEvent Tool::autoscroll(const ToolEvent& event, ToolCanvas& view) {
    switch (event.type) {
    case ToolEvent::Type::MouseDragged:
        if (!view.documentVisibleRect().containsPoint(event.location)) {
            m_ScrollEvent = event;
            m_HasScrollEvent = true;
            // Restarted, so that the first tick follows at once.
            view.setAutoscrollTimerRunning(false);
            view.setAutoscrollTimerRunning(true);
        } else if (m_HasScrollEvent) {
            stopAutoscroll(view);
        }
        return event;
    case ToolEvent::Type::Periodic: {
        if (!m_HasScrollEvent)
            return event;
        const Point before = view.documentVisibleRect().origin;
        view.autoscrollToPoint(m_ScrollEvent.location);
        const Point after = view.documentVisibleRect().origin;
        // The pointer has not moved on the screen; the drawing under it has.
        m_ScrollEvent.location = m_ScrollEvent.location + (after - before);
        m_ScrollEvent.timestamp = event.timestamp;
        return m_ScrollEvent;
    }
    case ToolEvent::Type::MouseUp:
        if (m_HasScrollEvent)
            stopAutoscroll(view);
        return event;
    default:
        return event;
    }
}

void Tool::stopAutoscroll(ToolCanvas& view) {
    m_HasScrollEvent = false;
    m_ScrollEvent = ToolEvent();
    view.setAutoscrollTimerRunning(false);
}

void Tool::trackingFinished() {
    Toolbox::sharedToolbox().toolFinished(*this);
}

void Tool::beginUndoStep(ShapesController& target) {
    if (m_StepUndoManager)
        return;
    UndoManager* undo = target.undoManager();
    if (!undo)
        return;
    undo->beginUndoGrouping();
    m_StepUndoManager = undo;
}

void Tool::endUndoStep(const char* actionName) {
    if (!m_StepUndoManager)
        return;
    UndoManager* undo = m_StepUndoManager;
    m_StepUndoManager = nullptr;
    if (actionName)
        undo->setActionName(actionName);
    undo->endUndoGrouping();
    // The gesture is over, and so is its step: it must not take in whatever
    // the next event registers before the event loop closes the event group.
    undo->endEventGroup();
}

bool Tool::isCommitKey(const ToolEvent& event) {
    return event.character == 13 || event.character == 3;
}

bool Tool::isCancelKey(const ToolEvent& event) {
    return event.character == 27 || (event.character == '.' && event.command());
}

} // namespace qv

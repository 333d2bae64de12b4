#pragma once
// A tool turns the canvas's events into edits of the drawing. Each tool is a
// gesture state machine: the canvas pushes every event to the selected tool
// through handleEvent(), and while the tool reports isTracking() the canvas
// routes all mouse, modifier and key events to it and nothing else acts on
// them (menu shortcuts wait until the gesture has ended). A gesture may span
// several clicks (polyline, Bézier, the arc's second phase).
//
// Tools change the drawing only through the shapes controller, and each
// gesture ends as one undo step with its own action name.

#include "framework/foundation/Geometry.h"
#include "tools/ToolCanvas.h"
#include "tools/ToolEvent.h"

namespace qv {

class GraphicsContext;
class ShapesController;

class Tool {
public:
    virtual ~Tool() = default;

    // The canvas's single entry point for events. Drags and periodic ticks
    // pass through autoscroll() first where the tool follows a drag.
    void handleEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target);

    // A gesture is in progress: every event belongs to the tool.
    virtual bool isTracking() const { return false; }

    // Feedback drawn over the canvas after shapes, handles and edit
    // decorations, in drawing coordinates.
    virtual void drawInView(GraphicsContext& gc, ToolCanvas& view);

    // The pointer shape over the canvas's visible area.
    virtual CursorKind cursorForView(const ToolCanvas& view, unsigned modifierFlags) const;

    // Ends a gesture in progress cleanly because its window closes or the
    // application loses focus: a shape under construction that can stand on
    // its own is added, anything else is abandoned. Nothing when idle.
    virtual void endGesture(ToolCanvas& view, ShapesController& target);

    // Shared operations of every tool.
    // Closer than 5 screen pixels, at any zoom (squared distances compared).
    static bool isPointNearPoint(Point a, Point b, const ToolCanvas& view);
    // The grid's lattice point when the grid's snap setting differs from the
    // Command key (Command inverts snapping for one gesture), else p.
    static Point snapPointToGrid(Point p, const ToolCanvas& view, bool cmdKeyDown);

protected:
    virtual void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target);

    // Whether drags outside the visible area scroll the canvas (the default)
    // and repeat as periodic ticks.
    virtual bool autoscrolls() const { return true; }
    // The autoscroll step: an outside drag is kept and the tick started; a
    // tick scrolls towards the kept drag and answers it again; an inside
    // drag or a release stops the tick. Answers the event the tool handles.
    ToolEvent autoscroll(const ToolEvent& event, ToolCanvas& view);

    // Tells the toolbox the gesture has ended (a tool that is not kept
    // selected then gives way to the arrow tool).
    void trackingFinished();

private:
    ToolEvent m_ScrollEvent;
    bool m_HasScrollEvent = false;
};

} // namespace qv

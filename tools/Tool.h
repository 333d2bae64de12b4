#pragma once
// A tool turns the canvas's events into edits of the drawing. Each tool is a
// gesture state machine: the canvas pushes every event to the selected tool
// through handleEvent(), and while the tool reports isTracking() the canvas
// routes all mouse, modifier and key events to it and nothing else acts on
// them (menu shortcuts wait until the gesture has ended). A gesture may span
// several clicks (polyline, Bézier, the arc's second phase).
//
// Tools change the drawing only through the shapes controller, and each
// gesture ends as one undo step with its own action name. A gesture that
// changes shapes in place opens an undo group at its first change, so the
// event groups of the drags in between cannot split it, and closes the step
// when it ends.

#include "framework/foundation/Geometry.h"
#include "tools/ToolCanvas.h"
#include "tools/ToolEvent.h"

namespace qv {

class GraphicsContext;
class ShapesController;
class UndoManager;

class Tool {
public:
    Tool() = default;
    virtual ~Tool() = default;
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // The canvas's single entry point for events. Drags, releases and
    // periodic ticks pass through autoscroll() first where the tool follows
    // a drag; events that belong to no gesture are ignored.
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

    // The arrow tool's sub-tools are asked in turn whether they take a press;
    // the one that answers yes receives the gesture. May remember what the
    // press hit. Tools of the toolbox answer no.
    virtual bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target);

    // Shared operations of every tool.
    // Closer than 5 screen pixels, at any zoom (squared distances compared).
    static bool isPointNearPoint(Point a, Point b, const ToolCanvas& view);
    // The grid's lattice point when the grid's snap setting differs from the
    // Command key (Command inverts snapping for one gesture), else p.
    static Point snapPointToGrid(Point p, const ToolCanvas& view, bool cmdKeyDown);

    // Screen pixels a pointer may stray and still count as not moved.
    static constexpr double kClickTolerance = 5;

protected:
    virtual void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    virtual void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    // A tick of a tool that does not autoscroll (the arrow tool passes it on).
    virtual void periodic(const ToolEvent& event, ToolCanvas& view, ShapesController& target);

    // Whether drags outside the visible area scroll the canvas (the default)
    // and repeat as periodic ticks. Asked per event, so a tool may follow the
    // pointer with autoscroll in one phase and without in another.
    virtual bool autoscrolls() const { return true; }
    // The autoscroll step: an outside drag is kept and the tick restarted; a
    // tick scrolls towards the kept drag and answers it again, moved with the
    // scroll, since the pointer stays where it is on the screen while the
    // drawing passes under it; an inside drag or a release stops the tick.
    // Answers the event the tool handles.
    ToolEvent autoscroll(const ToolEvent& event, ToolCanvas& view);
    // Drops the kept drag and stops the tick (a gesture ended some other way).
    void stopAutoscroll(ToolCanvas& view);
    bool isAutoscrolling() const { return m_HasScrollEvent; }

    // Tells the toolbox the gesture has ended (a tool that is not kept
    // selected then gives way to the arrow tool).
    void trackingFinished();

    // The undo step of a gesture that edits shapes in place: opened at the
    // first change (so that an edit committed by the press stays a step of
    // its own), closed and named when the gesture ends. Without a document
    // there is no undo manager and both do nothing.
    void beginUndoStep(ShapesController& target);
    // Names the step (when a name is given) and closes it.
    void endUndoStep(const char* actionName = nullptr);
    bool hasUndoStep() const { return m_StepUndoManager != nullptr; }

    // Return and Enter finish a multi-click gesture; Escape and Command-period
    // abandon it.
    static bool isCommitKey(const ToolEvent& event);
    static bool isCancelKey(const ToolEvent& event);

private:
    ToolEvent m_ScrollEvent;
    bool m_HasScrollEvent = false;
    UndoManager* m_StepUndoManager = nullptr;
};

} // namespace qv

#pragma once
// The canvas as a tool sees it. The drawing view implements it; tests use a
// fake. Everything a gesture needs of the window goes through here: zoom and
// visible area, redisplay, the grid, editing, free rotation, zooming, the
// cursor and autoscroll.

#include "framework/foundation/Geometry.h"
#include "shapes/Shape.h"

namespace qv {

class Grid;
class ShapesController;

// The pointer shapes tools ask for; the canvas maps them to real cursors.
enum class CursorKind {
    Arrow,
    Crosshair,
    Pencil,
    FreeRotate,
    ZoomIn,
    ZoomOut,
};

class ToolCanvas {
public:
    virtual ~ToolCanvas() = default;

    // Scale from drawing units to screen points.
    virtual double zoom() const = 0;
    // The part of the drawing the window shows, in drawing coordinates.
    virtual Rect documentVisibleRect() const = 0;
    // What shapes need to draw handles and feedback at this zoom.
    virtual const ShapeView& shapeView() const = 0;

    // Redisplay of a drawing-coordinate rectangle, or of everything.
    virtual void setNeedsDisplayInRect(const Rect& rect) = 0;
    virtual void setNeedsDisplay() = 0;

    // The document's grid, for snapping.
    virtual const Grid& grid() const = 0;

    // In-place editing of a text or Bézier shape.
    virtual Shape* editingShape() const = 0;
    virtual void beginEditingShape(const ShapePtr& shape, bool creating) = 0;
    virtual bool commitEditing() = 0;

    // Free rotation mode, entered from the menu and left by the rotate gesture.
    virtual bool freeRotating() const = 0;
    virtual void setFreeRotating(bool on) = 0;
    virtual Point freeRotateCenter() const = 0;

    // The zoom tool's requests.
    virtual void zoomOnRect(const Rect& rect, bool zoomOut) = 0;
    virtual void zoomOnPoint(Point point, bool zoomOut) = 0;

    // Scrolls the visible area towards a point outside it (one autoscroll step).
    virtual void autoscrollToPoint(Point point) = 0;
    // Starts (with no delay, every 0.1 s) or stops the Periodic events the
    // canvas sends to the selected tool.
    virtual void setAutoscrollTimerRunning(bool running) = 0;

    // Asks the canvas to ask the selected tool for its cursor again.
    virtual void invalidateCursor() = 0;
};

} // namespace qv

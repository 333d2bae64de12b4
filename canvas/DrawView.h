#pragma once
// The canvas of a document window: page, grid and shapes at the current zoom,
// the selection's handles, the edit decorations and the selected tool's
// feedback. It is the viewport of its DrawScrollView. Mouse events go to the
// toolbox's selected tool; the view handles the canvas's keys itself
// (nudging, deleting, the one-letter tool keys), edits text shapes in place
// through an overlay editor and Bézier shapes through their reshape handles,
// and carries the canvas's commands (zoom, paths, free rotation, the text
// commands applied to whole text shapes).
//
// Drawing coordinates are y-down points of the page, with (0, 0) at the
// page's top-left corner; widget coordinates are the viewport's.

#include "canvas/ShapesController.h"
#include "canvas/model/CanvasCommands.h"
#include "canvas/model/CanvasGeometry.h"
#include "canvas/model/DirtyRegion.h"
#include "canvas/model/ShapeSpatialIndex.h"
#include "document/DrawDocument.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/Shape.h"
#include "tools/ToolCanvas.h"
#include "tools/ToolEvent.h"

#include <QElapsedTimer>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QInputEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QTimer;
class QWindow;

namespace qv {

class DrawScrollView;
class Grid;
class OverlaySpriteContext;
class Page;
class TextEditorOverlay;
class TextShape;
class Tool;
struct TextCommand;

class DrawView : public QWidget,
                 public ShapeView,
                 public ToolCanvas,
                 public DrawDocumentDelegate,
                 public EditingObject,
                 public KeyValueObserver {
    Q_OBJECT

public:
    static constexpr double kMinZoom = qv::kMinZoom;
    static constexpr double kMaxZoom = qv::kMaxZoom;

    explicit DrawView(DrawScrollView* scrollView);
    ~DrawView() override;

    // Window loading: binds "page", "grid" and "printInfo" to the document,
    // "shapes" and "selectedObjects" to the controller, installs the
    // document's read shapes and tells the document about this view. Unbinding
    // (also done by the destructor) stops every observation.
    void bind(DrawDocument& document, ShapesController& controller);
    void unbind();
    DrawDocument* document() const { return m_Document; }
    ShapesController* controller() const { return m_ShapesController; }
    DrawScrollView* scrollView() const { return m_ScrollView; }

    // Bound values.
    const ShapeList& shapes() const;
    ShapeList selectedObjects() const;
    const Page& page() const;
    const PrintInfo& printInfo() const;
    bool hasSelection() const;
    Rect selectionBounds() const;
    // (0, 0) and the paper less its margins.
    Rect pageRect() const;

    // Zoom, clamped to [kMinZoom, kMaxZoom].
    double zoom() const override { return m_Zoom; }
    void setZoom(double zoom);
    void zoomOnPoint(Point point, bool zoomOut) override;
    void zoomOnRect(const Rect& rect, bool zoomOut) override;
    void centerOnRect(const Rect& rect);
    Rect documentVisibleRect() const override;
    // Canvas size and page origin from the page, the zoom and the viewport;
    // keeps the visible centre.
    void updateFrame();
    // The window frame (Qt's y-down global geometry of the window's frame)
    // that shows the whole page at the current zoom, keeping the top edge.
    QRect idealWindowFrame() const;

    // Conversions between drawing coordinates and viewport pixels. The
    // page's corner sits on a device pixel.
    QPointF viewportPointForDrawingPoint(Point p) const;
    Point drawingPointForViewportPoint(QPointF p) const;
    QRectF viewportRectForDrawingRect(const Rect& r) const;
    Rect drawingRectForViewportRect(const QRectF& r) const;
    // The canvas as updateFrame last laid it out.
    const CanvasFrame& canvasFrame() const { return m_Frame; }

    // Redisplay (rulers included when they show). At a fractional zoom the
    // rectangle is first snapped outwards to whole screen points.
    void setNeedsDisplayInRect(const Rect& rect) override;
    void setNeedsDisplay() override;
    // Hands the collected redraw areas to Qt now and paints them at once
    // (normally the event loop does so on its next turn).
    void displayIfNeeded();
    // The scroll view moved the canvas by (dx, dy) viewport pixels.
    void viewportDidScroll(int dx, int dy);
    // Whether the content around the viewport is drawn and ready for
    // scrolling (it is drawn while the canvas is left alone).
    bool contentPrefetched() const;
    // What is waiting to be redrawn, in viewport pixels.
    const DirtyRegion& pendingRedraw() const { return m_Dirty; }
    // Paints the canvas's `region` (viewport pixels) with the painter, as a
    // paint event does.
    void drawRegion(QPainter& painter, const QRegion& region);

    // In-place editing of one text or Bézier shape.
    Shape* editingShape() const override { return m_EditingShape.get(); }
    void beginEditingShape(const ShapePtr& shape, bool creating) override;
    void beginEditingShape(const ShapePtr& shape, bool showEditor, bool creating);
    bool commitEditing() override;
    void discardEditing();

    // The shape a picture being dragged over the canvas would fill.
    const ShapePtr& dragTargetShape() const { return m_DragTargetShape; }

    // Free rotation.
    bool freeRotating() const override { return m_FreeRotating; }
    void setFreeRotating(bool on) override;
    Point freeRotateCenter() const override { return m_FreeRotateCenter; }

    // Commands of the canvas. The zoom commands beep at their limits.
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomToSelection();
    // The whole page in the window, as large as it fits.
    void zoomToFitPage();
    // Zooms keeping the drawing point under the viewport position still
    // (the pointer's, for Ctrl+wheel).
    void zoomAboutViewportPoint(double zoom, QPointF viewportPoint);
    void freeRotate();
    void editSelectedShape();
    void convertToBezierCurve();
    void combineBezierCurves();
    // A text command (font, alignment, underline, colour) for the selected
    // text shapes as wholes, members of groups included; while the editor
    // has the keyboard it applies to the editor's selection instead.
    void applyTextCommand(const TextCommand& command);

    // Menu commands by name ("zoomIn", "editSelectedShape", ...; the table is
    // canvasMenuCommands()). All answer false for a command the view does not
    // carry; performCommand also for "changeFont" and "changeAttributes",
    // whose value comes through applyTextCommand.
    bool respondsToCommand(std::string_view name) const;
    bool validateCommand(std::string_view name, MenuItemState& state) const;
    bool performCommand(std::string_view name);

    // A refused command: the system beep, and the reason for the status bar.
    void beep(const QString& reason);

    // The selected tool is in a gesture that this canvas started (menu
    // shortcuts wait). A gesture belongs to the window it began in.
    bool toolIsTracking() const;
    // The canvas whose gesture is in progress, if any.
    static DrawView* gestureOwner() { return s_GestureOwner; }
    // The selected tool of the shared toolbox.
    Tool& selectedTool() const;
    // Ends this canvas's gesture in progress (the window closes, the
    // application is deactivated); nothing for another window's.
    void endToolGesture();

    // ShapeView (editingShape above serves both interfaces).
    Color pageColor() const override;
    Color selectedTextBackgroundColor() const override;

    // ToolCanvas.
    const ShapeView& shapeView() const override { return *this; }
    const Grid& grid() const override;
    void autoscrollToPoint(Point point) override;
    void setAutoscrollTimerRunning(bool running) override;
    void invalidateCursor() override;

    // DrawDocumentDelegate: the document's requests.
    void redrawAll() override { setNeedsDisplay(); }
    void updateRulers() override;
    void startObservingShape(Shape& shape) override;
    void stopObservingShape(Shape& shape) override;

    // KeyValueObserver: the bindings.
    void observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                const Value& oldValue, const Value& newValue) override;

    // The overlay text editor (hidden while nothing is edited).
    TextEditorOverlay* textEditor() const { return m_TextEditor; }

    // Colours the platform chooses, from the palette (a dark theme works).
    QColor deskColor() const;
    QColor pageBorderColor() const;

signals:
    void zoomChanged(double zoom);
    // The pointer's position in drawing units, for the status bar.
    void pointerMoved(double x, double y);
    // A command refused; the reason for the status bar.
    void beeped(const QString& reason);
    void editingShapeChanged();
    // A drawing (".qvdraw" folder) was dropped on the canvas.
    void openDrawingRequested(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    enum class DropKind { None, Picture, Drawing };
    // The shape under a picture being dragged that would take it as its
    // fill, drawn highlighted.
    void setDragTarget(const ShapePtr& shape);
    void updateDragTarget(QPointF position);

    // An observed shape: a top-level one or a member of a group, with the
    // top-level shape whose drawing holds it.
    struct ObservedShape {
        Shape* shape = nullptr;
        const void* topLevel = nullptr;
        // A top-level shape changed this turn; its extent is measured anew
        // before the next redraw.
        bool stale = false;
    };

    void observeShapeTree(Shape& shape, const void* topLevel, std::size_t depth);
    void unobserveShapeTree(Shape& shape, const void* topLevel, std::size_t depth);
    void shapeDidChange(const void* object);
    void refreshStaleExtents();
    // ShapesController::offset is about to move, or has moved, the selected
    // shapes; when they are every shape of the drawing, their picture moves.
    void shapesWillMove(Size delta);
    void shapesDidMove(Size delta);
    // Every shape moved by delta: the index and the picture of the shapes
    // follow without drawing anything again.
    void translateDrawing(Size delta);
    Rect paintExtentOf(const Shape& shape) const;
    // Brings the index up to the current zoom (extents hold pixel margins).
    void refreshIndex();
    void ensureOrder();
    void invalidateViewportRect(const QRectF& rect);
    // Redraws only what lies over the shapes (handles, markers): the cached
    // picture of page and shapes beneath stays.
    void setOverlayNeedsDisplayInRect(const Rect& rect);
    void flushRedraw();
    // The pictures of desk, page and grid and of the shapes, brought up to
    // date for the region (canvas pixels) at the painting device's pixel
    // ratio.
    void updateContentCache(const QRegion& canvasRegion, double devicePixelRatio);
    // Draws the content of the canvas region into the caches.
    void renderContent(const QRegion& canvasRegion);
    // Desk, page and grid, with the page's corner at `pageCorner` in the
    // painter's coordinates.
    void drawPage(QPainter& painter, Point pageCorner);
    // The shapes meeting the areas (drawing coordinates), back to front,
    // into a device of `devicePixels`; those hidden under opaque shapes drawn
    // later are left out.
    void drawShapes(QPainter& painter, const std::vector<Rect>& areas, Point pageCorner,
                    QSize devicePixels);
    // The handles of the selected shapes meeting the areas.
    void drawSelectionHandles(OverlaySpriteContext& overlay, const std::vector<Rect>& areas);
    // Renders a band of the cache's margin beyond the viewport, so that a
    // scroll finds it ready; runs when the event loop is idle.
    void prefetchContent();
    // Puts the caches over another canvas rectangle of the same size.
    void moveContentCache(const QRect& wanted);
    QRect canvasViewportRect() const;
    void observeGridAndPage();
    void stopObservingGridAndPage();
    void selectionDidChange();

    // Geometry.
    // At the painting device's pixel ratio; the widget's by default.
    QPointF pageOriginInViewport(double devicePixelRatio = 0) const;
    QPoint scrollPosition() const;
    void scrollToPosition(QPoint position);
    void centerOnRectSilently(const Rect& rect);
    void placeTextEditor();
    Page* boundPage() const;
    Grid* boundGrid() const;

    // Events.
    ToolEvent toolEvent(ToolEvent::Type type, QPointF position, unsigned flags) const;
    void sendToTool(const ToolEvent& event);
    bool anotherViewIsTracking() const;
    // The event's own time in milliseconds (the clock's for events made
    // without one).
    qint64 eventTime(const QInputEvent& event) const;
    // With the left button (or the right acting for it) down but not among
    // the `held` buttons, its release was lost: the tool gets it now.
    bool deliverLostRelease(Qt::MouseButtons held);
    void endPan();
    void handlePress(QMouseEvent* event);
    void autoscrollTick();
    bool handleCanvasKey(QKeyEvent* event);
    void nudge(double dx, double dy);

    // Editing.
    void endTextEditing(TextShape& text, bool recordUndo);
    void removeShapeFromDrawing(const ShapePtr& shape);
    ShapePtr shapePointer(const Shape* shape) const;

    DrawScrollView* m_ScrollView;
    DrawDocument* m_Document = nullptr;
    ShapesController* m_ShapesController = nullptr;
    TextEditorOverlay* m_TextEditor = nullptr;
    double m_Zoom = 1.0;
    CanvasFrame m_Frame;
    bool m_FrameLaidOut = false;

    // Observation: one notification registration for every shape, filtered
    // by this map of the shapes the view draws.
    std::unordered_map<const void*, ObservedShape> m_ObservedShapes;
    NotificationCenter::Token m_WillChangeToken = 0;
    NotificationCenter::Token m_DidChangeToken = 0;
    NotificationCenter::Token m_WillMoveToken = 0;
    NotificationCenter::Token m_DidMoveToken = 0;
    // Every shape of the drawing is being moved alike (between the
    // controller's will-move and did-move).
    bool m_MovingDrawing = false;
    NotificationCenter::Token m_ToolToken = 0;
    Grid* m_ObservedGrid = nullptr;
    Page* m_ObservedPage = nullptr;
    // The top-level shapes' paint extents, at m_IndexZoom.
    ShapeSpatialIndex m_Index;
    double m_IndexZoom = 0;
    std::vector<const void*> m_StaleShapes;
    // List positions of the top-level shapes, rebuilt when the list changes.
    std::unordered_map<const void*, std::size_t> m_Order;
    bool m_OrderValid = false;
    // The selection as last drawn, to redraw only what changed.
    std::vector<const void*> m_DrawnSelection;

    // Redraw areas in viewport pixels, handed to Qt once per event loop turn.
    DirtyRegion m_Dirty;
    // The content's pictures over m_ContentRect (canvas pixels: the viewport
    // and a margin around it): desk, page and grid, and over them the shapes
    // on transparency, so that a move of the whole drawing moves only the
    // latter. Both are valid where m_ContentValid says, for the zoom and
    // pixel ratio they were drawn at. Areas whose content changed wait in
    // m_ContentDirty (canvas pixels) until the next paint.
    QImage m_PageCache;
    QImage m_ShapesCache;
    QRect m_ContentRect;
    QRegion m_ContentValid;
    DirtyRegion m_ContentDirty;
    double m_ContentZoom = 0;
    QTimer* m_PrefetchTimer = nullptr;
    bool m_FlushQueued = false;
    bool m_RulersNeedDisplay = false;

    // Editing.
    ShapePtr m_EditingShape;
    bool m_CreatingShape = false;
    bool m_EditingTextHadStorage = true;
    bool m_FreeRotating = false;
    Point m_FreeRotateCenter;

    // Events.
    unsigned m_Flags = 0;
    QElapsedTimer m_Clock;
    QPointF m_LastPointer;
    int m_ClickCount = 0;
    qint64 m_LastPressTime = -1;
    QPointF m_LastPressPosition;
    // A right click with the zoom tool acts as an Option-click.
    bool m_RightButtonActsAsLeft = false;
    bool m_LeftButtonDown = false;
    // Middle-button panning.
    bool m_Panning = false;
    QPointF m_PanStart;
    QPoint m_PanScrollStart;
    QTimer* m_AutoscrollTimer = nullptr;
    // The window whose moves to another screen pick the cursor again.
    QPointer<QWindow> m_WatchedWindow;

    // The drag over the canvas: what it offers, and the shape it would fill.
    DropKind m_DropKind = DropKind::None;
    ShapePtr m_DragTargetShape;

    static DrawView* s_GestureOwner;
};

} // namespace qv

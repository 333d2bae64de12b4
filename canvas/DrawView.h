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
#include "document/DrawDocument.h"
#include "shapes/Shape.h"
#include "tools/ToolCanvas.h"

#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>
#include <unordered_set>

namespace qv {

class DrawScrollView;
class TextEditorOverlay;
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
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 16.0;

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

    // Conversions between drawing coordinates and viewport pixels.
    QPointF viewportPointForDrawingPoint(Point p) const;
    Point drawingPointForViewportPoint(QPointF p) const;

    // Redisplay (rulers included when they show). At a fractional zoom the
    // rectangle is first snapped outwards to whole screen points.
    void setNeedsDisplayInRect(const Rect& rect) override;
    void setNeedsDisplay() override;

    // In-place editing of one text or Bézier shape.
    Shape* editingShape() const override { return m_EditingShape.get(); }
    void beginEditingShape(const ShapePtr& shape, bool creating) override;
    void beginEditingShape(const ShapePtr& shape, bool showEditor, bool creating);
    bool commitEditing() override;
    void discardEditing();

    // Free rotation.
    bool freeRotating() const override { return m_FreeRotating; }
    void setFreeRotating(bool on) override;
    Point freeRotateCenter() const override { return m_FreeRotateCenter; }

    // Commands of the canvas. The zoom commands beep at their limits.
    void zoomIn();
    void zoomOut();
    void zoomActualSize();
    void zoomToSelection();
    void zoomToFitPage();
    void freeRotate();
    void editSelectedShape();
    void convertToBezierCurve();
    void combineBezierCurves();
    // A text command (font, alignment, underline, colour) for the selected
    // text shapes as wholes, members of groups included; while the editor
    // has the keyboard it applies to the editor's selection instead.
    void applyTextCommand(const TextCommand& command);

    // Menu commands by name ("zoomIn", "editSelectedShape", ...). Both answer
    // false for a command the view does not carry.
    bool respondsToCommand(std::string_view name) const;
    bool validateCommand(std::string_view name, MenuItemState& state) const;
    bool performCommand(std::string_view name);

    // A refused command: the system beep, and the reason for the status bar.
    void beep(const QString& reason);

    // The tool currently driving a gesture, if any (menu shortcuts wait).
    bool toolIsTracking() const;
    // Ends a gesture in progress (the window closes, the application is
    // deactivated).
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

signals:
    void zoomChanged(double zoom);
    // The pointer's position in drawing units, for the status bar.
    void pointerMoved(double x, double y);
    // A command refused; the reason for the status bar.
    void beeped(const QString& reason);
    void editingShapeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    DrawScrollView* m_ScrollView;
    DrawDocument* m_Document = nullptr;
    ShapesController* m_ShapesController = nullptr;
    TextEditorOverlay* m_TextEditor = nullptr;
    double m_Zoom = 1.0;
    std::unordered_set<const Shape*> m_ObservedShapes;
    ShapePtr m_EditingShape;
    bool m_CreatingShape = false;
    bool m_FreeRotating = false;
    Point m_FreeRotateCenter;
    unsigned m_Flags = 0;
};

} // namespace qv

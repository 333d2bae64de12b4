#pragma once
// The abstract base of every drawable object. A shape describes its outline
// as a path in an unrotated local frame inside its bounds; one rotation about
// the centre of the bounds puts it in place. It owns copies of its stroke,
// fill and shadow, announces every change (for redrawing and undo) and saves
// itself as one XML element.

#include "document/ImageCache.h"
#include "document/QVSaveableElement.h"
#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/KeyValueCoding.h"
#include "styles/FillCache.h"
#include "styles/StyleOwner.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class Stroke;
class Fill;
class Shadow;
class Shape;
class BezierShape;
class GraphicsContext;

inline constexpr const char* QVShapeWillChangeNotification = "QVShapeWillChangeNotification";
inline constexpr const char* QVShapeDidChangeNotification = "QVShapeDidChangeNotification";

// Modifier-key flags as the model sees them (plain constants, so that they mix
// with other unsigned values without conversion warnings).
inline constexpr unsigned ShiftKeyMask = 0x20000;
inline constexpr unsigned AlternateKeyMask = 0x80000; // Option / Alt
inline constexpr unsigned CommandKeyMask = 0x100000;  // Command / Ctrl

using ShapePtr = std::shared_ptr<Shape>;
using ShapeList = std::vector<ShapePtr>;

// What a shape needs of the canvas it is drawn in or hit-tested against.
// Drawing without a view (export, printing, previews) means zoom 1.
class ShapeView {
public:
    virtual ~ShapeView() = default;
    virtual double zoom() const = 0;
    // The shape being edited in place (its drawing is left to the editor).
    virtual const Shape* editingShape() const { return nullptr; }
    virtual Color pageColor() const { return Color::white(); }
    // Colour of the band that marks the target of a drag.
    virtual Color selectedTextBackgroundColor() const;
};

class Shape : public KeyValueObservable,
              public StyleOwner,
              public QVSaveableElement,
              public PackageFileSource {
public:
    Shape();
    ~Shape() override;
    Shape(const Shape&) = delete;
    Shape& operator=(const Shape&) = delete;

    // A copy of the same class, with style objects of its own and no observers.
    virtual ShapePtr copy() const;

    // Coordinates read from files are kept within this range (NaN reads 0), so
    // that absurd values cannot overflow the geometry into infinities.
    static constexpr double kMaximumCoordinate = 1e7;
    static double sanitizedCoordinate(double v);
    static Rect sanitizedRect(const Rect& r);
    // Into [0, 360); a non-finite angle gives 0.
    static double normalizedRotation(double degrees);

    // Geometry.
    const Rect& bounds() const { return m_Bounds; }
    virtual void setBounds(const Rect& bounds);
    double rotation() const { return m_Rotation; }
    virtual void setRotation(double degrees);
    virtual Point position() const;
    // The outline in the local frame; none for the base class.
    virtual std::optional<BezierPath> path() const;
    AffineTransform transform() const;
    std::optional<BezierPath> transformedPath() const;
    Rect transformedBounds() const;
    AffineTransform gradientTransform() const;
    Point gradientStart() const;
    void setGradientStart(Point documentPoint);
    Point gradientEnd() const;
    void setGradientEnd(Point documentPoint);

    // Edits used by commands and tools.
    void offset(Size delta);
    void rotate(double degrees);
    virtual void flip(int axis);
    virtual void beginResize();
    virtual void resizeToPoint(Point point, int hHandle, int vHandle, Point origin,
                               unsigned modifierFlags);
    virtual void endResize();

    // Styles (installed as copies).
    const Stroke& stroke() const { return *m_Stroke; }
    Stroke& stroke() { return *m_Stroke; }
    void setStroke(const Stroke& stroke);
    const Fill& fill() const { return *m_Fill; }
    Fill& fill() { return *m_Fill; }
    void setFill(const Fill& fill);
    const Shadow& shadow() const { return *m_Shadow; }
    Shadow& shadow() { return *m_Shadow; }
    void setShadow(const Shadow& shadow);
    void clearFillCache() override;
    virtual void preloadFillCache(GraphicsContext& gc);

    // Capabilities queried by the inspector and commands.
    virtual bool usesStroke() const { return true; }
    virtual bool usesFill() const { return true; }
    virtual bool usesShadow() const { return true; }
    virtual bool canConvertToBezier() const { return true; }
    virtual std::string viewIdentifier() const { return "none"; }
    virtual double cornerRadiusWidth() const { return 0; }
    virtual void setCornerRadiusWidth(double) {}
    virtual double cornerRadiusHeight() const { return 0; }
    virtual void setCornerRadiusHeight(double) {}
    virtual std::int64_t numberOfSides() const { return 0; }
    virtual void setNumberOfSides(std::int64_t) {}
    virtual double stellation() const { return 0; }
    virtual void setStellation(double) {}

    // A new, unattached Bézier shape with this outline, rotation and styles.
    std::shared_ptr<BezierShape> bezierShape() const;

    // Change announcement and undo.
    void willChange() override;
    void didChange() override;
    void styleWillChangeKeyPath(std::string_view keyPath) override;
    void styleDidChangeKeyPath(std::string_view keyPath) override;
    virtual std::vector<std::string> undoableProperties() const;
    // undoableProperties as the shared list observers register, made once
    // per class: a class answers the same paths for all of its shapes.
    KeyPathList undoableKeyPaths() const;
    // Puts back a value that undo or redo recorded for one of the
    // undoableProperties. Most shapes take it as any assignment; a group
    // takes back only its own bounds and rotation (see GroupShape).
    virtual bool restoreValueForKeyPath(const Value& value, std::string_view keyPath);

    // Drawing, handles and hit testing (see the .cpp for the order of drawing).
    virtual void drawInView(GraphicsContext& gc, const ShapeView* view, bool dragTarget = false);
    virtual void drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view);
    void drawGradientControlsInView(GraphicsContext& gc, const ShapeView* view);
    virtual Rect visibleBoundsInView(const ShapeView* view) const;
    Rect visibleBoundsForExport() const;
    virtual bool hitTestPoint(Point p) const;
    virtual bool hitTestRect(const Rect& r) const;
    bool pathIntersectsRect(const Rect& r) const;
    static bool rectIntersectsLine(const Rect& r, Point lineStart, Point lineEnd);
    virtual bool hitTestSelectionHandle(Point p, int& hHandle, int& vHandle, Point& origin,
                                        const ShapeView* view) const;
    bool hitTestGradientControl(Point p, bool& isGradientStart, const ShapeView* view) const;

    static std::optional<AffineTransform> tweakLineWidth(double width, double zoom,
                                                         bool drawingToScreen);
    static Rect handleRectAtPoint(Point p, const ShapeView* view);
    static Rect gradientHandleRectAtPoint(Point p, const ShapeView* view);
    static void drawSelectionHandleAtPoint(GraphicsContext& gc, Point p, const ShapeView* view);
    static void drawRotateMarkerAtPoint(GraphicsContext& gc, Point p, const ShapeView* view);

    // Key-value coding: "bounds", "rotation", and "fill." / "stroke." / "shadow." paths.
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;
    KeyValueCoding* childForKey(std::string_view key) const override;

    // The picture file of an image fill, from the store, for saving.
    std::optional<ImageCacheError> addFileWrapperTo(FileWrapperMap& files,
                                                    const ImageCache& cache) const override;

    // Element vocabulary: fill, stroke, shadow and "transform" children first.
    // The base class has no element name; every concrete class answers its own.
    static std::optional<std::string> classElementName() { return std::nullopt; }
    std::optional<std::string> elementName() const override { return std::nullopt; }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override;
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr& child) override;
    // While the reader builds the shape, nobody can watch it: its edits post
    // no change notifications.
    void willReadElement() override { m_Reading = true; }
    void didReadElement() override { m_Reading = false; }

protected:
    // A default-constructed shape of the receiver's own class, for copy().
    virtual ShapePtr newInstance() const = 0;

    // One edit of a shape whose bounds follow from its own parameters (a
    // line's end points, an arc's centre and radius). Edits nest: a move sets
    // both end points, and each re-derives the bounds. Only the outermost
    // edit tells observers, of the parameters it names and of "bounds", with
    // "bounds" innermost. Undo thus records the parameters from before the
    // whole edit and replays them first; the recorded bounds come last, when
    // the restored parameters have already derived exactly those bounds, so
    // replaying them changes nothing (the setters ignore an equal rectangle).
    class DerivedGeometryChange {
    public:
        DerivedGeometryChange(Shape& shape, std::initializer_list<const char*> keys);
        ~DerivedGeometryChange();
        DerivedGeometryChange(const DerivedGeometryChange&) = delete;
        DerivedGeometryChange& operator=(const DerivedGeometryChange&) = delete;

    private:
        Shape& m_Shape;
        std::vector<const char*> m_Keys;
        bool m_Outermost;
    };
    // Stores bounds derived from the shape's parameters (raised to the 0.1
    // minimum), with the change notifications; "bounds" is announced to
    // observers here only outside a DerivedGeometryChange.
    void storeDerivedBounds(const Rect& bounds);

private:
    // Replaces one style with make()'s, announcing the change.
    template <class S, class Make>
    void installStyle(std::shared_ptr<S>& slot, const char* key, Make&& make);
    // A style child read from a file; one of another class is ignored.
    template <class S>
    void readStyle(std::shared_ptr<S>& slot, const char* key, const ElementPtr& child);

protected:
    Rect m_Bounds;
    double m_Rotation = 0;
    std::shared_ptr<Stroke> m_Stroke;
    std::shared_ptr<Fill> m_Fill;
    std::shared_ptr<Shadow> m_Shadow;
    Rect m_OldBounds;
    FillCache m_FillCache;
    int m_DerivedChangeDepth = 0;
    bool m_Reading = false;
};

// Segment a1–a2 against segment b1–b2, with the vertical and parallel
// tolerance of the hit tests.
bool linesIntersect(Point a1, Point a2, Point b1, Point b2);
// Whether the closed intervals a1..a2 and b1..b2 overlap (either order).
bool coordsOverlap(double a1, double a2, double b1, double b2);

// Constrained drags while Shift is held.
class QVTransform {
public:
    static Point transformShiftedShapeFromStart(Point start, Point end);
    static Point transformShiftedLineFromStart(Point start, Point end);
};

} // namespace qv

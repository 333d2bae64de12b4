#pragma once
// The off-screen view behind export, printing and the clipboard's PDF: a list
// of shapes over an optional page colour inside one fixed rectangle, drawn as
// their final appearance (no handles, grid, page border or rulers). Its
// coordinates are the canvas's (y down); the rectangle is both its frame and
// its bounds, so a surface drawing it maps the rectangle's origin to its own.

#include "document/PrintInfo.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"
#include "shapes/Shape.h"

#include <memory>
#include <optional>

namespace qv {

class GraphicsContext;

class PrintDrawView {
public:
    // With print settings the page boundary: the paper less its margins, from
    // the canvas origin. Without them the drawing boundary: the shapes' export
    // bounds grown by drawingMargin on every side.
    PrintDrawView(ShapeList shapes, const PrintInfo* printInfo, std::optional<Color> pageColor);
    static std::unique_ptr<PrintDrawView>
    viewWithShapes(ShapeList shapes, const PrintInfo* printInfo, std::optional<Color> pageColor);
    // The drawing boundary with no page colour (the clipboard's form).
    static std::unique_ptr<PrintDrawView> viewWithShapes(ShapeList shapes);

    const ShapeList& shapes() const { return m_Shapes; }
    const Rect& pageFrame() const { return m_PageFrame; }
    const Rect& frame() const { return m_PageFrame; }
    const Rect& bounds() const { return m_PageFrame; }
    const std::optional<Color>& pageColor() const { return m_PageColor; }

    // Always exactly one page, the whole rectangle.
    bool knowsPageRange(int& firstPage, int& pageCount) const;
    Rect rectForPage(int page) const;

    // Page colour (when there is one) over the rectangle, then every shape in
    // list order, clipped to the rectangle. `gc` is in the view's bounds
    // coordinates; `dirtyRect` is not needed to draw correctly.
    void drawRect(GraphicsContext& gc, const Rect& dirtyRect) const;
    void draw(GraphicsContext& gc) const { drawRect(gc, m_PageFrame); }

    // The page rectangle of print settings.
    static Rect pageBoundary(const PrintInfo& printInfo);
    // The union of the shapes' visibleBoundsForExport (empty ones add
    // nothing), grown by drawingMargin.
    static Rect drawingBoundary(const ShapeList& shapes);
    // Five per cent of the larger side in whole points, halves away from zero
    // (the factor is the single-precision 0.05, widened).
    static double drawingMargin(Size size);

private:
    ShapeList m_Shapes;
    Rect m_PageFrame;
    std::optional<Color> m_PageColor;
};

} // namespace qv

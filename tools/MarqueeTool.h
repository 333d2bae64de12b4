#pragma once
// Arrow sub-tool for a press on empty canvas: the dragged rectangle selects
// every shape whose outline it touches, added to the earlier selection when
// Shift was held at the press.
//
// Each step asks an outline cache kept across gestures, which answers as the
// controller's shapesInRect does without flattening every outline each time.

#include "canvas/ShapesController.h"
#include "shapes/Shape.h"
#include "tools/OutlineBoxCache.h"
#include "tools/Tool.h"

namespace qv {

class MarqueeTool : public Tool {
public:
    bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    bool isTracking() const override { return m_Tracking; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

    // The rectangle spanned by two points (also the zoom tool's).
    static Rect marqueeRect(Point anchor, Point current);
    // The translucent rectangle with a one-pixel grey rim.
    static void drawMarquee(GraphicsContext& gc, const Rect& rect, double zoom);

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void applySelection(ShapesController& target);
    void finish(ToolCanvas& view);
    void redisplay(ToolCanvas& view) const;

    bool m_Tracking = false;
    Point m_Anchor;
    Point m_Current;
    ShapesController::IndexSet m_BaseSelection;
    OutlineBoxCache m_Outlines;
};

} // namespace qv

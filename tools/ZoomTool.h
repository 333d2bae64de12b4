#pragma once
// Zooms the canvas: a click zooms in about the point, a dragged rectangle
// fills the view; with Option (or the right button) both zoom out instead.

#include "tools/Tool.h"

namespace qv {

class ZoomTool : public Tool {
public:
    bool isTracking() const override { return m_Tracking; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    CursorKind cursorForView(const ToolCanvas& view, unsigned modifierFlags) const override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void redisplay(ToolCanvas& view) const;

    bool m_Tracking = false;
    bool m_DidMove = false;
    Point m_Anchor;
    Point m_Current;
};

} // namespace qv

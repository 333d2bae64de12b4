#pragma once
// Draws a straight line by dragging from one end to the other; Shift keeps it
// horizontal, vertical or at 45°.

#include "tools/Tool.h"

#include <memory>

namespace qv {

class LineShape;

class LineTool : public Tool {
public:
    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void finish();

    std::shared_ptr<LineShape> m_Shape;
    bool m_DidMove = false;
};

} // namespace qv

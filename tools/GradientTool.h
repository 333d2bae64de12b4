#pragma once
// Arrow sub-tool: a press on the start or end handle of a selected shape's
// gradient drags that end of the gradient; Shift keeps the axis horizontal,
// vertical or at 45°.

#include "shapes/Shape.h"
#include "tools/Tool.h"

namespace qv {

class GradientTool : public Tool {
public:
    bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    bool isTracking() const override { return m_Tracking; }
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void finish();

    ShapePtr m_Shape;
    bool m_IsStart = false;
    bool m_DidMove = false;
    bool m_Tracking = false;
    Point m_Anchor;
    Point m_OtherGradientPoint;
};

} // namespace qv

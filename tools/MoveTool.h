#pragma once
// Arrow sub-tool: a press on a shape selects it (Shift adds it, or takes a
// selected one out), and the drag moves the selection, in grid steps when
// snapping is on. Option at the press drags copies instead ("Duplicate").

#include "shapes/Shape.h"
#include "tools/Tool.h"

namespace qv {

class MoveTool : public Tool {
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
    bool m_Tracking = false;
    bool m_IsDuplicate = false;
    bool m_DidMove = false;
    Point m_LastPoint;
};

} // namespace qv

#pragma once
// Draws a Bézier path anchor by anchor: each press places an anchor, and
// dragging before the release pulls out its tangent (the incoming one
// mirrors it, so the anchor is smooth). A press near the first anchor closes
// the path; a double click, a press outside the canvas, Return or Enter end it
// open; Escape abandons it. When the application loses focus the path is
// added as it stands.

#include "tools/Tool.h"

#include <cstdint>
#include <memory>

namespace qv {

class BezierShape;

class BezierTool : public Tool {
public:
    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    // Adds the path when it has a segment, to the controller of the gesture.
    void commit(ToolCanvas& view);
    void finish();
    Rect handleArea(const ToolCanvas& view) const;

    std::shared_ptr<BezierShape> m_Shape;
    Point m_Start;
    Point m_Point;
    Point m_Control1;
    Point m_LastControl1;
    Point m_Control2;
    bool m_DidFirstDrag = false;
    bool m_CommitOnMouseUp = false;
    std::int32_t m_OriginalFillStyle = 0;
    ShapesController* m_Target = nullptr;
};

} // namespace qv

#pragma once
// Arrow sub-tool for Bézier shapes: a double click on one starts editing it
// (its anchors and control points show), and a press on one of those points
// of the shape being edited drags it ("Reshape"). Any other press commits a
// path edit in progress and goes on to the next sub-tool.

#include "framework/foundation/BezierPath.h"
#include "tools/Tool.h"

#include <cstddef>

namespace qv {

class BezierShape;

class ReshapeTool : public Tool {
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

    // The shape being edited, while a press that hit one of its points lasts.
    BezierShape* m_Shape = nullptr;
    std::size_t m_Element = 0;
    int m_Point = 0;
    bool m_Tracking = false;
    // The path as the press found it: "Reshape" names only a real change.
    BezierPath m_OriginalPath;
};

} // namespace qv

#pragma once
// Arrow sub-tool: a press on a selection handle of a selected shape drags that
// handle, the opposite one staying put ("Resize"). Shift keeps the starting
// proportions and Option acts as each shape defines; both take effect the
// moment they are pressed or released.

#include "shapes/Shape.h"
#include "tools/Tool.h"

namespace qv {

class ResizeTool : public Tool {
public:
    bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    bool isTracking() const override { return m_Tracking; }
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void resize(ToolCanvas& view, ShapesController& target);
    void finish();

    ShapePtr m_Shape;
    Point m_Origin;
    Point m_Current;
    unsigned m_Modifiers = 0;
    int m_HHandle = 0;
    int m_VHandle = 0;
    bool m_DidResize = false;
    bool m_Tracking = false;
    // Until the first drag the pointer is only somewhere on the handle: a
    // modifier change then must not pull the handle onto it.
    bool m_DidDrag = false;
};

} // namespace qv

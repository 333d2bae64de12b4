#pragma once
// Arrow sub-tool in free-rotate mode: any press turns the selection about the
// view's rotation centre as the pointer goes round it, in 45° steps from the
// starting angle while Shift is held. The mode lasts one drag ("Free Rotate").

#include "tools/Tool.h"

namespace qv {

class RotateTool : public Tool {
public:
    bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    bool isTracking() const override { return m_Tracking; }
    void endGesture(ToolCanvas& view, ShapesController& target) override;

    // The angle of the offset in degrees, y down (clockwise on the screen).
    static double angleOfOffset(Point offset);
    // An angle difference brought into (-180, 180].
    static double wrappedDegrees(double degrees);

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    bool autoscrolls() const override { return false; }

private:
    void rotateTo(Point offset, unsigned modifierFlags, ShapesController& target);
    void finish(ToolCanvas& view);

    bool m_Tracking = false;
    bool m_DidRotate = false;
    Point m_Center;
    Point m_LastOffset;
    double m_StartAngle = 0;
    double m_CurrentAngle = 0;
};

} // namespace qv

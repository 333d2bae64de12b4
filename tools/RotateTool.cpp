#include "tools/RotateTool.h"

#include "canvas/ShapesController.h"
#include "shapes/Shape.h"

#include <cmath>

namespace qv {

namespace {
// π as the single-precision constant the angles have always been measured with.
constexpr double kPi = static_cast<double>(3.14159265358979323846f);
} // namespace

bool RotateTool::wantsEvent(const ToolEvent&, ToolCanvas& view, ShapesController&) {
    return view.freeRotating();
}

double RotateTool::angleOfOffset(Point offset) {
    return std::atan2(offset.y, offset.x) * 180 / kPi;
}

double RotateTool::wrappedDegrees(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d > 180)
        d -= 360;
    else if (d <= -180)
        d += 360;
    return d;
}

void RotateTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController&) {
    if (m_Tracking)
        return;
    m_Tracking = true;
    m_DidRotate = false;
    m_Center = view.freeRotateCenter();
    m_LastOffset = event.location - m_Center;
    m_StartAngle = m_CurrentAngle = angleOfOffset(m_LastOffset);
}

void RotateTool::mouseDragged(const ToolEvent& event, ToolCanvas&, ShapesController& target) {
    if (!m_Tracking)
        return;
    m_LastOffset = event.location - m_Center;
    rotateTo(m_LastOffset, event.modifierFlags, target);
}

void RotateTool::flagsChanged(const ToolEvent& event, ToolCanvas&, ShapesController& target) {
    if (m_Tracking)
        rotateTo(m_LastOffset, event.modifierFlags, target);
}

void RotateTool::rotateTo(Point offset, unsigned modifierFlags, ShapesController& target) {
    double a = angleOfOffset(offset);
    if (modifierFlags & ShiftKeyMask)
        a = 45 * std::round(wrappedDegrees(a - m_StartAngle) / 45) + m_StartAngle;
    if (a == m_CurrentAngle)
        return;
    // Across the ±180° line the raw difference is nearly a full turn.
    const double delta = wrappedDegrees(a - m_CurrentAngle);
    m_CurrentAngle = a;
    if (delta == 0)
        return;
    beginUndoStep(target);
    target.rotateByDegrees(delta, m_Center);
    m_DidRotate = true;
}

void RotateTool::mouseUp(const ToolEvent&, ToolCanvas& view, ShapesController&) {
    if (m_Tracking)
        finish(view);
}

void RotateTool::endGesture(ToolCanvas& view, ShapesController&) {
    if (m_Tracking)
        finish(view);
}

void RotateTool::finish(ToolCanvas& view) {
    m_Tracking = false;
    endUndoStep(m_DidRotate ? "Free Rotate" : nullptr);
    view.setFreeRotating(false);
    view.setNeedsDisplay();
}

} // namespace qv

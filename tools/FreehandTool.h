#pragma once
// Draws the pointer's track while the button is held: a polyline of samples
// at least the click tolerance apart, without smoothing. Released near its
// start the path closes and takes the toolbox's fill.

#include "tools/Tool.h"

#include <cstdint>
#include <memory>

namespace qv {

class FreehandShape;

class FreehandTool : public Tool {
public:
    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    CursorKind cursorForView(const ToolCanvas& view, unsigned modifierFlags) const override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void finish();

    std::shared_ptr<FreehandShape> m_Shape;
    Point m_Start;
    Point m_LastPoint;
    bool m_DidMove = false;
    std::int32_t m_OriginalFillStyle = 0;
};

} // namespace qv

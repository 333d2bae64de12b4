#pragma once
// Draws a pie slice in two phases: drag from the centre to set the radius and
// the first angle, release, then move the pointer round to set the second
// angle and click (or press Return) to add it. Escape abandons it.

#include "tools/Tool.h"

#include <memory>

namespace qv {

class ArcShape;

class ArcTool : public Tool {
public:
    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    // Adds an arc whose radius is set; one still being dragged out is dropped.
    void endGesture(ToolCanvas& view, ShapesController& target) override;
    // Drops the arc under construction.
    void cancel(ToolCanvas& view);

    // The direction of the offset in degrees, from +x towards +y.
    static double angleOfOffset(double dx, double dy);

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    // The second phase follows the pointer without the button, so without autoscroll.
    bool autoscrolls() const override { return m_CalculatingRadius; }

private:
    void commit(ToolCanvas& view, ShapesController& target);
    void finish();
    void redisplay(ToolCanvas& view, const Rect& before);

    std::shared_ptr<ArcShape> m_Shape;
    bool m_CalculatingRadius = false;
    bool m_DidMove = false;
};

} // namespace qv

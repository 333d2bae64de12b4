#pragma once
// The general-purpose tool. It does no work itself: each press goes to the
// first of its sub-tools that wants it (free rotation, text editing,
// reshaping, resizing, gradient handles, moving, and the marquee, asked in
// that order), which then runs the gesture to its end.

#include "tools/Tool.h"

#include <memory>
#include <vector>

namespace qv {

class ArrowTool : public Tool {
public:
    ArrowTool();
    ~ArrowTool() override;

    bool isTracking() const override { return m_ActiveSubTool != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    CursorKind cursorForView(const ToolCanvas& view, unsigned modifierFlags) const override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

    // The sub-tools in the order they are asked.
    const std::vector<std::unique_ptr<Tool>>& subTools() const { return m_SubTools; }
    Tool* activeSubTool() const { return m_ActiveSubTool; }

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void periodic(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    // The active sub-tool autoscrolls for itself.
    bool autoscrolls() const override { return false; }

private:
    // Hands an event of the gesture to the active sub-tool and reports the
    // end of the gesture when the sub-tool has finished.
    void forward(const ToolEvent& event, ToolCanvas& view, ShapesController& target);
    void finishIfDone();

    std::vector<std::unique_ptr<Tool>> m_SubTools;
    Tool* m_ActiveSubTool = nullptr;
};

} // namespace qv

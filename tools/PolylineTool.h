#pragma once
// Draws a polyline click by click, with a rubber band from the last point to
// the pointer. A double click, Return or Enter ends it open; a click near the
// first point closes it (and gives it the toolbox's fill); a click outside
// the canvas ends it without the rubber band; Escape abandons it.

#include "tools/Tool.h"

#include <cstdint>
#include <memory>

namespace qv {

class PolylineShape;

class PolylineTool : public Tool {
public:
    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    // Keeps the fixed segments, as a click outside the canvas does.
    void endGesture(ToolCanvas& view, ShapesController& target) override;

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseMoved(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

private:
    void rubberBand(const ToolEvent& event, ToolCanvas& view);
    // Adds the shape when it has a segment, and ends the gesture.
    void commit(ToolCanvas& view, ShapesController& target);
    // Drops the rubber band and adds what remains.
    void finishWithFixedSegments(ToolCanvas& view, ShapesController& target);
    void abandon(ToolCanvas& view);
    void finish();

    std::shared_ptr<PolylineShape> m_Shape;
    bool m_AddedSegment = false;
    // The pointer has left the latest click: the last segment is the rubber band.
    bool m_DidMove = false;
    Point m_Anchor;
    Point m_Start;
    std::int32_t m_OriginalFillStyle = 0;
};

} // namespace qv

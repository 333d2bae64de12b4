#include "tools/ArrowTool.h"

#include "tools/GradientTool.h"
#include "tools/MarqueeTool.h"
#include "tools/MoveTool.h"
#include "tools/ReshapeTool.h"
#include "tools/ResizeTool.h"
#include "tools/RotateTool.h"
#include "tools/TextEditTool.h"

namespace qv {

ArrowTool::ArrowTool() {
    // The specific before the general: the marquee takes whatever is left.
    m_SubTools.push_back(std::make_unique<RotateTool>());
    m_SubTools.push_back(std::make_unique<TextEditTool>());
    m_SubTools.push_back(std::make_unique<ReshapeTool>());
    m_SubTools.push_back(std::make_unique<ResizeTool>());
    m_SubTools.push_back(std::make_unique<GradientTool>());
    m_SubTools.push_back(std::make_unique<MoveTool>());
    m_SubTools.push_back(std::make_unique<MarqueeTool>());
}

ArrowTool::~ArrowTool() = default;

void ArrowTool::mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool) {
        forward(event, view, target);
        return;
    }
    for (const auto& sub : m_SubTools) {
        if (sub->wantsEvent(event, view, target)) {
            m_ActiveSubTool = sub.get();
            forward(event, view, target);
            return;
        }
    }
}

void ArrowTool::forward(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    m_ActiveSubTool->handleEvent(event, view, target);
    finishIfDone();
}

void ArrowTool::finishIfDone() {
    if (m_ActiveSubTool && !m_ActiveSubTool->isTracking()) {
        m_ActiveSubTool = nullptr;
        trackingFinished();
    }
}

void ArrowTool::mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool)
        forward(event, view, target);
}

void ArrowTool::mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool)
        forward(event, view, target);
}

void ArrowTool::flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool)
        forward(event, view, target);
}

void ArrowTool::keyDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool)
        forward(event, view, target);
}

void ArrowTool::periodic(const ToolEvent& event, ToolCanvas& view, ShapesController& target) {
    if (m_ActiveSubTool)
        forward(event, view, target);
}

void ArrowTool::drawInView(GraphicsContext& gc, ToolCanvas& view) {
    if (m_ActiveSubTool)
        m_ActiveSubTool->drawInView(gc, view);
}

CursorKind ArrowTool::cursorForView(const ToolCanvas& view, unsigned) const {
    return view.freeRotating() ? CursorKind::FreeRotate : CursorKind::Arrow;
}

void ArrowTool::endGesture(ToolCanvas& view, ShapesController& target) {
    if (!m_ActiveSubTool)
        return;
    m_ActiveSubTool->endGesture(view, target);
    finishIfDone();
}

} // namespace qv

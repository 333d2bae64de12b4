#include "document/PrintDrawView.h"

#include "framework/foundation/BezierPath.h"
#include "framework/foundation/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace qv {

PrintDrawView::PrintDrawView(ShapeList shapes, const PrintInfo* printInfo,
                             std::optional<Color> pageColor)
    : m_Shapes(std::move(shapes)), m_PageColor(pageColor) {
    m_PageFrame = printInfo ? pageBoundary(*printInfo) : drawingBoundary(m_Shapes);
}

std::unique_ptr<PrintDrawView> PrintDrawView::viewWithShapes(ShapeList shapes,
                                                             const PrintInfo* printInfo,
                                                             std::optional<Color> pageColor) {
    return std::make_unique<PrintDrawView>(std::move(shapes), printInfo, pageColor);
}

std::unique_ptr<PrintDrawView> PrintDrawView::viewWithShapes(ShapeList shapes) {
    return viewWithShapes(std::move(shapes), nullptr, std::nullopt);
}

bool PrintDrawView::knowsPageRange(int& firstPage, int& pageCount) const {
    firstPage = 1;
    pageCount = 1;
    return true;
}

Rect PrintDrawView::rectForPage(int) const {
    return m_PageFrame;
}

Rect PrintDrawView::pageBoundary(const PrintInfo& printInfo) {
    const Size paper = printInfo.paperSize();
    return Rect(0, 0, paper.width - printInfo.leftMargin() - printInfo.rightMargin(),
                paper.height - printInfo.topMargin() - printInfo.bottomMargin());
}

double PrintDrawView::drawingMargin(Size size) {
    const double factor = static_cast<double>(0.05f);
    // std::round rounds halves away from zero, as the rule asks.
    return -std::round(-factor * std::max(size.width, size.height));
}

Rect PrintDrawView::drawingBoundary(const ShapeList& shapes) {
    Rect box;
    for (const ShapePtr& shape : shapes)
        if (shape)
            box = box.unionWith(shape->visibleBoundsForExport());
    const double d = drawingMargin(box.size);
    return Rect(box.x() - d, box.y() - d, box.width() + 2 * d, box.height() + 2 * d);
}

void PrintDrawView::drawRect(GraphicsContext& gc, const Rect&) const {
    GStateSaver saver(gc);
    gc.clipToRect(m_PageFrame);
    if (m_PageColor)
        gc.fillPath(BezierPath::bezierPathWithRect(m_PageFrame), *m_PageColor);
    for (const ShapePtr& shape : m_Shapes)
        if (shape)
            shape->drawInView(gc, nullptr);
}

} // namespace qv

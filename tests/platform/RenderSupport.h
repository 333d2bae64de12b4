#pragma once
// Drawing shapes through Qt onto a picture the way the canvas draws them on
// screen, for the reference-picture tests.

#include "framework/foundation/Color.h"
#include "framework/foundation/GraphicsContext.h"
#include "shapes/Shape.h"

#include <QImage>
#include <QSize>

#include <functional>

namespace qv::test {

// The canvas as the shapes see it: its zoom, the shape being edited in place
// and the colour of the page.
class CanvasView : public ShapeView {
public:
    explicit CanvasView(double zoom, const Shape* editing = nullptr,
                        Color pageColor = Color::white())
        : m_Zoom(zoom), m_Editing(editing), m_PageColor(pageColor) {}
    double zoom() const override { return m_Zoom; }
    const Shape* editingShape() const override { return m_Editing; }
    Color pageColor() const override { return m_PageColor; }

private:
    double m_Zoom;
    const Shape* m_Editing;
    Color m_PageColor;
};

using DrawInView = std::function<void(GraphicsContext&, const ShapeView&)>;

// Renders `draw` on a white canvas of `size` pixels, scaled by the view's zoom.
QImage render(QSize size, const ShapeView& view, const DrawInView& draw);
QImage render(QSize size, double zoom, const DrawInView& draw);

} // namespace qv::test

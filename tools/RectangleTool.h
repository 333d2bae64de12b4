#pragma once
// Draws a box-like shape (rectangle, oval, rounded rectangle, regular
// polygon) by dragging from one corner to the other. Shift makes the box
// square, Option makes the press point its centre; both act the moment they
// change. A drag shorter than the click tolerance draws nothing.

#include "shapes/Shape.h"
#include "tools/Tool.h"
#include "tools/Toolbox.h"

#include <memory>

namespace qv {

class RectangleTool : public Tool {
public:
    using ShapeFactory = ShapePtr (*)();

    // A tool that draws shapes of class T with the toolbox's styles.
    template <class T> static std::unique_ptr<RectangleTool> toolWithShapeClass() {
        return std::make_unique<RectangleTool>(
            [] { return ShapePtr(Toolbox::sharedToolbox().shapeWithClass<T>()); });
    }
    explicit RectangleTool(ShapeFactory factory) : m_ShapeFactory(factory) {}

    bool isTracking() const override { return m_Shape != nullptr; }
    void drawInView(GraphicsContext& gc, ToolCanvas& view) override;
    void endGesture(ToolCanvas& view, ShapesController& target) override;

    // A new shape of the tool's class, as a gesture starts with it.
    ShapePtr makeShape() const { return m_ShapeFactory(); }

protected:
    void mouseDown(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseDragged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void mouseUp(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
    void flagsChanged(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;

    // Adds the shape when the pointer moved, and ends the gesture.
    virtual void commit(ToolCanvas& view, ShapesController& target);
    // Lets go of the shape and tells the toolbox.
    void finish();

    ShapePtr m_Shape;
    Point m_Anchor;
    Point m_Current;
    unsigned m_Modifiers = 0;
    bool m_DidMove = false;

private:
    void track(ToolCanvas& view);

    ShapeFactory m_ShapeFactory;
};

} // namespace qv

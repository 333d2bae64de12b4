#include "canvas/model/CanvasCommands.h"

#include "canvas/model/CanvasGeometry.h"
#include "framework/foundation/UndoManager.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/TextShape.h"

#include <array>

namespace qv {
namespace {

constexpr std::array<MenuCommand, 20> kCanvasCommands{{
    {"zoomIn", "Zoom In", "View"},
    {"zoomOut", "Zoom Out", "View"},
    {"zoomActualSize", "Actual Size", "View"},
    {"zoomToSelection", "Zoom to Selection", "View"},
    {"zoomToFitPage", "Zoom to Fit Page", "View"},
    {"editSelectedShape", "Edit Shape", "Edit"},
    {"freeRotate", "Free Rotate", "Arrange"},
    {"convertToBezierCurve", "Convert to Path", "Arrange"},
    {"combineBezierCurves", "Combine Paths", "Arrange"},
    {"changeFont", "Font", "Format"},
    {"bold", "Bold", "Format"},
    {"italic", "Italic", "Format"},
    {"underline", "Underline", "Format"},
    {"biggerFont", "Bigger", "Format"},
    {"smallerFont", "Smaller", "Format"},
    {"changeAttributes", "Text Color", "Format"},
    {"alignLeft", "Align Left", "Format"},
    {"alignCenter", "Center", "Format"},
    {"alignJustified", "Justify", "Format"},
    {"alignRight", "Align Right", "Format"},
}};

bool hasText(const ShapeList& shapes) {
    for (const ShapePtr& s : shapes) {
        if (!s)
            continue;
        if (dynamic_cast<const TextShape*>(s.get()))
            return true;
        if (const auto* g = dynamic_cast<const GroupShape*>(s.get()); g && hasText(g->shapes()))
            return true;
    }
    return false;
}

void collectText(const ShapeList& shapes, std::vector<TextShape*>& out) {
    for (const ShapePtr& s : shapes) {
        if (auto* t = dynamic_cast<TextShape*>(s.get()))
            out.push_back(t);
        else if (const auto* g = dynamic_cast<const GroupShape*>(s.get()))
            collectText(g->shapes(), out);
    }
}

bool contributesPath(const Shape& s) {
    return s.canConvertToBezier() || dynamic_cast<const BezierShape*>(&s);
}

void nameUndoAction(ShapesController& controller, const char* name) {
    if (UndoManager* undo = controller.undoManager())
        undo->setActionName(name);
}

} // namespace

std::span<const MenuCommand> canvasMenuCommands() {
    return kCanvasCommands;
}

const MenuCommand* findCanvasMenuCommand(std::string_view name) {
    for (const MenuCommand& c : kCanvasCommands)
        if (c.name == name)
            return &c;
    return nullptr;
}

bool isCanvasTextCommand(std::string_view name) {
    const MenuCommand* c = findCanvasMenuCommand(name);
    return c && c->menu == "Format";
}

std::optional<MenuItemState> validateCanvasCommand(std::string_view name,
                                                   const CanvasCommandContext& context) {
    if (!findCanvasMenuCommand(name))
        return std::nullopt;
    MenuItemState state;
    const ShapeList& selected = context.selected;
    if (name == "freeRotate" || name == "zoomToSelection") {
        state.enabled = !selected.empty();
    } else if (name == "zoomActualSize") {
        state.enabled = context.zoom != 1.0;
    } else if (name == "zoomIn") {
        state.enabled = context.zoom < kMaxZoom;
    } else if (name == "zoomOut") {
        state.enabled = context.zoom > kMinZoom;
    } else if (name == "editSelectedShape") {
        state.enabled = false;
        state.title = "Edit Shape";
        if (!context.controllerEditing && selected.size() == 1 && selected.front()) {
            if (dynamic_cast<const BezierShape*>(selected.front().get())) {
                state.enabled = true;
                state.title = "Edit Path";
            } else if (dynamic_cast<const TextShape*>(selected.front().get())) {
                state.enabled = true;
                state.title = "Edit Text";
            }
        }
    } else if (name == "convertToBezierCurve") {
        state.enabled =
            selected.size() == 1 && selected.front() && selected.front()->canConvertToBezier();
    } else if (name == "combineBezierCurves") {
        int count = 0;
        for (const ShapePtr& s : selected)
            if (s && contributesPath(*s))
                ++count;
        state.enabled = count >= 2;
    } else if (isCanvasTextCommand(name)) {
        state.enabled = hasText(selected);
    }
    return state;
}

std::vector<TextShape*> textShapesIn(const ShapeList& shapes) {
    std::vector<TextShape*> out;
    collectText(shapes, out);
    return out;
}

ShapeList convertToBezierCurve(ShapesController& controller) {
    const ShapeList& list = controller.arrangedObjects();
    ShapesController::IndexSet indexes;
    ShapeList made;
    for (std::size_t i : controller.selectionIndexes()) {
        const ShapePtr& s = list[i];
        if (s && s->canConvertToBezier()) {
            indexes.push_back(i);
            made.push_back(s->bezierShape());
        }
    }
    if (made.empty())
        return {};
    // Removing them all and putting the new ones at the same indexes keeps
    // every other shape where it was.
    controller.removeObjectsAtArrangedObjectIndexes(indexes);
    controller.insertObjects(made, indexes);
    nameUndoAction(controller, "Convert to Path");
    return made;
}

ShapePtr combineBezierCurves(ShapesController& controller) {
    const ShapesController::IndexSet selection = controller.selectionIndexes();
    if (selection.empty())
        return nullptr;
    const ShapeList& list = controller.arrangedObjects();
    const std::size_t frontIndex = selection.front();
    ShapesController::IndexSet contributors;
    BezierPath combined;
    combined.setWindingRule(WindingRule::EvenOdd);
    const Shape* styleSource = nullptr;
    for (std::size_t i : selection) {
        const ShapePtr& s = list[i];
        if (!s || !contributesPath(*s))
            continue;
        const std::optional<BezierPath> outline = s->transformedPath();
        if (!outline)
            continue;
        combined.appendBezierPath(*outline);
        contributors.push_back(i);
        if (!styleSource)
            styleSource = s.get();
    }
    if (!styleSource)
        return nullptr;
    auto shape = std::make_shared<BezierShape>();
    shape->setStroke(styleSource->stroke());
    shape->setFill(styleSource->fill());
    shape->setShadow(styleSource->shadow());
    shape->setPath(combined);
    // Every contributor lies at or after the backmost selected index, so
    // that index is still in the list once they are gone.
    controller.removeObjectsAtArrangedObjectIndexes(contributors);
    controller.insertObjects({shape}, {frontIndex});
    nameUndoAction(controller, "Combine Paths");
    return shape;
}

} // namespace qv

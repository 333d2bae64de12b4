#pragma once
// The drawing view's menu commands without the view: their table (name,
// title, menu), their validation and titles, and the two path commands,
// which work on the shapes controller alone.

#include "canvas/ShapesController.h"
#include "canvas/model/MenuCommands.h"
#include "shapes/Shape.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class TextShape;

// What a menu item shows after validation.
struct MenuItemState {
    bool enabled = true;
    // Replaces the item's title when not empty ("Hide Grid", "Edit Path").
    std::string title;
    // For items with a check mark.
    bool checked = false;
};

// The canvas's commands in menu order. The text commands "changeFont" (the
// font dialog's choice) and "changeAttributes" (the text colour) carry a
// value and so reach the view through applyTextCommand, not by name.
std::span<const MenuCommand> canvasMenuCommands();
const MenuCommand* findCanvasMenuCommand(std::string_view name);
bool isCanvasTextCommand(std::string_view name);

// What validation needs to know of the canvas.
struct CanvasCommandContext {
    double zoom = 1;
    // An edit is in progress at the shapes controller.
    bool controllerEditing = false;
    // The selected shapes, back to front.
    ShapeList selected;
};

// The state of a canvas command's menu item; nothing for a name that is not
// a canvas command.
std::optional<MenuItemState> validateCanvasCommand(std::string_view name,
                                                   const CanvasCommandContext& context);

// The text shapes among the shapes and, at any depth, inside their groups.
std::vector<TextShape*> textShapesIn(const ShapeList& shapes);

// Replaces every selected shape that can become a Bézier shape by its Bézier
// equivalent at the same index, selects the new shapes and names the undo
// action "Convert to Path". Answers the new shapes (none: nothing changed).
ShapeList convertToBezierCurve(ShapesController& controller);

// One Bézier shape with the even-odd rule from the outlines of the selected
// shapes that are or can become Bézier shapes, in list order. It takes the
// stroke, fill and shadow of the first shape that contributes (the backmost
// selected one may be a text shape, which has neither) and goes to the
// backmost selected shape's former index; the contributing shapes go away.
// The undo action is "Combine Paths". Answers the new shape, or null when no
// shape contributed.
ShapePtr combineBezierCurves(ShapesController& controller);

} // namespace qv

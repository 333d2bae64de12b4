#pragma once
// What a tool hears from the canvas: mouse, modifier, key and autoscroll
// events in drawing coordinates, with the model's modifier flags. The canvas
// turns the window system's events into these at its edge, so tools never
// see a Qt event and tests can drive them with made-up ones.

#include "framework/foundation/Geometry.h"

namespace qv {

struct ToolEvent {
    enum class Type {
        MouseDown,    // left button pressed
        MouseDragged, // pointer moved with the left button held
        MouseUp,      // left button released
        MouseMoved,   // pointer moved with no button held
        FlagsChanged, // a modifier key went down or up
        KeyDown,      // a key press the canvas hands to the tool in a gesture
        Periodic,     // the autoscroll tick, every 0.1 s while it runs
    };

    Type type = Type::MouseDown;
    // Drawing coordinates (y down); for key and flag events the last known
    // pointer position.
    Point location;
    // ShiftKeyMask, AlternateKeyMask (Option) and CommandKeyMask.
    unsigned modifierFlags = 0;
    // 1 for a single click, 2 for a double click, 3 and more after that.
    int clickCount = 1;
    // False when the press happened outside the canvas's visible area or in
    // another window (multi-click gestures end on such a press).
    bool inView = true;
    // Key events: the key's first character ignoring modifiers (13 Return,
    // 3 Enter, 27 Escape, 127 Backspace, '.' …), 0 for keys without one.
    char32_t character = 0;
    // Seconds on a monotonic clock.
    double timestamp = 0;

    bool shift() const;
    bool option() const;
    bool command() const;
};

} // namespace qv

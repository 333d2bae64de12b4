#include "tools/ToolEvent.h"

#include "shapes/Shape.h"

namespace qv {

bool ToolEvent::shift() const {
    return (modifierFlags & ShiftKeyMask) != 0;
}

bool ToolEvent::option() const {
    return (modifierFlags & AlternateKeyMask) != 0;
}

bool ToolEvent::command() const {
    return (modifierFlags & CommandKeyMask) != 0;
}

} // namespace qv

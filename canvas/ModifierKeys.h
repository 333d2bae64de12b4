#pragma once
// The keyboard at the Qt boundary: Qt's modifiers turned into the model's
// flags (Shift, Option, Command), with the key that acts as Option chosen by
// the user (Alt by default; Super where the desktop takes Alt-drags for
// moving windows), and the one-letter tool keys found by the physical key
// rather than the character, so that they work in any keyboard layout.

#include <Qt>

class QKeyEvent;

namespace qv {

class UserDefaults;

enum class OptionKey { Alt, Meta };

// The user-defaults key and its values.
inline constexpr const char* kOptionKeyDefaultsKey = "QVOptionKey";
inline constexpr const char* kOptionKeyAlt = "alt";
inline constexpr const char* kOptionKeyMeta = "meta";

// The setting as stored: "meta" chooses Super/Meta, anything else Alt.
OptionKey optionKeyFromDefaults(const UserDefaults& defaults);
// The process's choice, read by every conversion below.
OptionKey optionKey();
void setOptionKey(OptionKey key);

// Shift → ShiftKeyMask, Ctrl → CommandKeyMask, the Option key's modifier →
// AlternateKeyMask.
unsigned modelModifierFlags(Qt::KeyboardModifiers modifiers);
// The flags after a modifier key went down or up: X11 reports the modifiers
// from before the key's own change.
unsigned modelModifierFlagsForKey(int key, Qt::KeyboardModifiers modifiers, bool pressed);
// Whether the key is one of the modifier keys that make a FlagsChanged event.
bool isModifierKey(int key);

// The upper-case letter of the US layout on the key's position, or 0. Under
// X11 and Wayland the native scan code is the XKB keycode (the evdev code
// plus 8), which names the position whatever the layout; elsewhere (and for
// synthetic events without a scan code) a Latin letter key() stands for
// itself.
char physicalLetter(const QKeyEvent& event);
// The same from a native scan code alone; 0 when it is not a letter key.
char letterForXkbKeycode(unsigned keycode);

} // namespace qv

#include "canvas/ModifierKeys.h"

#include "framework/foundation/UserDefaults.h"
#include "shapes/Shape.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace qv {
namespace {

OptionKey g_OptionKey = OptionKey::Alt;

Qt::KeyboardModifier optionModifier() {
    return g_OptionKey == OptionKey::Meta ? Qt::MetaModifier : Qt::AltModifier;
}

// The modifier a modifier key sets, 0 for other keys.
Qt::KeyboardModifiers modifierOfKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    default:
        return {};
    }
}

bool nativeScanCodesAreXkb() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

} // namespace

OptionKey optionKeyFromDefaults(const UserDefaults& defaults) {
    return defaults.stringForKey(kOptionKeyDefaultsKey) == kOptionKeyMeta ? OptionKey::Meta
                                                                          : OptionKey::Alt;
}

OptionKey optionKey() {
    return g_OptionKey;
}

void setOptionKey(OptionKey key) {
    g_OptionKey = key;
}

unsigned modelModifierFlags(Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= ShiftKeyMask;
    if (modifiers & Qt::ControlModifier)
        flags |= CommandKeyMask;
    if (modifiers & optionModifier())
        flags |= AlternateKeyMask;
    return flags;
}

unsigned modelModifierFlagsForKey(int key, Qt::KeyboardModifiers modifiers, bool pressed) {
    const Qt::KeyboardModifiers own = modifierOfKey(key);
    if (pressed)
        modifiers |= own;
    else
        modifiers &= ~own;
    return modelModifierFlags(modifiers);
}

bool isModifierKey(int key) {
    return modifierOfKey(key) != Qt::KeyboardModifiers();
}

char letterForXkbKeycode(unsigned keycode) {
    // Evdev codes of the letter rows (KEY_Q = 16 … KEY_M = 50), plus 8.
    static constexpr const char* rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    static constexpr unsigned firsts[] = {16, 30, 44};
    if (keycode < 8)
        return 0;
    const unsigned evdev = keycode - 8;
    for (int r = 0; r < 3; ++r) {
        const std::string_view row = rows[r];
        if (evdev >= firsts[r] && evdev < firsts[r] + row.size())
            return row[evdev - firsts[r]];
    }
    return 0;
}

char physicalLetter(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0 && nativeScanCodesAreXkb())
        return letterForXkbKeycode(event.nativeScanCode());
    const int key = event.key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<char>('A' + (key - Qt::Key_A));
    return 0;
}

} // namespace qv

#pragma once
// The text commands of the Format menu as values: applied by the in-place
// editor to its selection, and by the canvas to the whole text of every
// selected text shape.

#include "document/RichText.h"
#include "framework/foundation/Color.h"

#include <string>

namespace qv {

struct TextCommand {
    enum class Kind {
        SetFont,          // family, size, bold and italic from the font dialog
        AddBold,          // the bold trait toggled on (or off when all is bold)
        AddItalic,        // likewise for italic
        Bigger,           // one point larger
        Smaller,          // one point smaller
        SetAlignment,     // the paragraphs' alignment
        ToggleUnderline,  // underline added, or removed when the first run has it
        SetColor,         // the text colour
    };

    Kind kind = Kind::SetFont;
    TextAttributes font;                        // SetFont
    TextAlignment alignment = TextAlignment::Left; // SetAlignment
    Color color = Color::black();               // SetColor
};

// Applies the command to the whole text.
void applyTextCommand(RichText& text, const TextCommand& command);

} // namespace qv

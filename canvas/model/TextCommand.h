#pragma once
// The text commands of the Format menu as values: applied by the in-place
// editor to its selection, and by the canvas to the whole text of every
// selected text shape.

#include "document/RichText.h"
#include "framework/foundation/Color.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

struct TextCommand {
    enum class Kind {
        SetFont,         // family, size, bold and italic from the font dialog
        AddBold,         // the bold trait toggled on (or off when all is bold)
        AddItalic,       // likewise for italic
        Bigger,          // one point larger
        Smaller,         // one point smaller
        SetAlignment,    // the paragraphs' alignment
        ToggleUnderline, // underline added, or removed when the first run has it
        SetColor,        // the text colour
    };

    Kind kind = Kind::SetFont;
    TextAttributes font;                           // SetFont
    TextAlignment alignment = TextAlignment::Left; // SetAlignment
    Color color = Color::black();                  // SetColor
};

// How the command changes the attributes of each run it applies to, decided
// from all of those runs in text order (`runs`): bold and italic are taken
// away only when every run has them, underline when the first run has it.
// Sizes stay within RichText's limits. SetAlignment changes no attributes.
std::function<void(TextAttributes&)>
attributeChangeForTextCommand(const TextCommand& command, const std::vector<TextAttributes>& runs);

// Applies the command to the whole text. The runs are those of every
// paragraph, an empty paragraph counting with the one empty run that holds
// the attributes of its line.
void applyTextCommand(RichText& text, const TextCommand& command);

} // namespace qv

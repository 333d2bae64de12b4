#include "canvas/model/TextCommand.h"

#include <algorithm>

namespace qv {

std::function<void(TextAttributes&)>
attributeChangeForTextCommand(const TextCommand& command, const std::vector<TextAttributes>& runs) {
    using Kind = TextCommand::Kind;
    switch (command.kind) {
    case Kind::SetFont: {
        const TextAttributes font = RichText::normalizedAttributes(command.font);
        return [font](TextAttributes& a) {
            a.fontFamily = font.fontFamily;
            a.fontSize = font.fontSize;
            a.bold = font.bold;
            a.italic = font.italic;
        };
    }
    case Kind::AddBold: {
        const bool on =
            !std::all_of(runs.begin(), runs.end(), [](const TextAttributes& a) { return a.bold; });
        return [on](TextAttributes& a) { a.bold = on; };
    }
    case Kind::AddItalic: {
        const bool on = !std::all_of(runs.begin(), runs.end(),
                                     [](const TextAttributes& a) { return a.italic; });
        return [on](TextAttributes& a) { a.italic = on; };
    }
    case Kind::Bigger:
        return [](TextAttributes& a) {
            a.fontSize =
                RichText::normalizedFontSize(std::min(a.fontSize + 1, RichText::kMaxFontSize));
        };
    case Kind::Smaller:
        return [](TextAttributes& a) {
            a.fontSize =
                RichText::normalizedFontSize(std::max(a.fontSize - 1, RichText::kMinFontSize));
        };
    case Kind::ToggleUnderline: {
        const bool on = runs.empty() || !runs.front().underline;
        return [on](TextAttributes& a) { a.underline = on; };
    }
    case Kind::SetColor: {
        const Color color = RichText::normalizedColor(command.color);
        return [color](TextAttributes& a) { a.color = color; };
    }
    case Kind::SetAlignment:
        break;
    }
    return [](TextAttributes&) {};
}

void applyTextCommand(RichText& text, const TextCommand& command) {
    if (command.kind == TextCommand::Kind::SetAlignment) {
        text.setAlignment(command.alignment);
        return;
    }
    std::vector<TextAttributes> runs;
    for (const TextParagraph& paragraph : text.paragraphs())
        for (const TextRun& run : paragraph.runs)
            runs.push_back(run.attributes);
    text.changeAttributes(attributeChangeForTextCommand(command, runs));
}

} // namespace qv

#include "canvas/model/TextCommand.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using Kind = TextCommand::Kind;

TextAttributes font(double size, bool bold = false, bool italic = false, bool underline = false,
                    std::string family = "Times") {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    a.bold = bold;
    a.italic = italic;
    a.underline = underline;
    return a;
}

// Two runs, an empty line and a right-aligned line: every kind of run the
// commands must reach.
RichText sample(const TextAttributes& a, const TextAttributes& b, const TextAttributes& empty,
                const TextAttributes& c, TextAlignment first = TextAlignment::Left,
                TextAlignment last = TextAlignment::Right) {
    return RichText({{first, {{"ab", a}, {"cd", b}}}, {first, {{"", empty}}}, {last, {{"ef", c}}}});
}

TextCommand command(Kind kind) {
    TextCommand c;
    c.kind = kind;
    return c;
}

struct Case {
    const char* name;
    TextCommand command;
    RichText before;
    RichText after;
};

TEST(TextCommand, ChangesEveryRunAsTheCommandDecidesFromAllOfThem) {
    TextCommand setFont = command(Kind::SetFont);
    setFont.font = font(20.3, true, false, false, "  Courier ");
    TextCommand setColor = command(Kind::SetColor);
    setColor.color = Color(0.5, 0.25, 1.0, 0.5);
    const Color colorAfter = RichText::normalizedColor(setColor.color);
    TextCommand center = command(Kind::SetAlignment);
    center.alignment = TextAlignment::Center;

    TextAttributes red = font(9, false, true, true);
    red.color = Color(1, 0, 0);
    TextAttributes redAfterFont = font(20.5, true, false, true, "Courier");
    redAfterFont.color = red.color;
    TextAttributes coloured = font(12);
    coloured.color = colorAfter;
    TextAttributes colouredBold = font(14, true);
    colouredBold.color = colorAfter;

    const Case cases[] = {
        {"bold on where one run lacks it", command(Kind::AddBold),
         sample(font(12), font(12, true), font(12, true), font(12, true)),
         sample(font(12, true), font(12, true), font(12, true), font(12, true))},
        {"bold off where every run has it, the empty line too", command(Kind::AddBold),
         sample(font(12, true), font(14, true), font(12, true), font(12, true)),
         sample(font(12), font(14), font(12), font(12))},
        {"bold on when only the empty line lacks it", command(Kind::AddBold),
         sample(font(12, true), font(12, true), font(12), font(12, true)),
         sample(font(12, true), font(12, true), font(12, true), font(12, true))},
        {"italic on", command(Kind::AddItalic),
         sample(font(12, false, true), font(12), font(12), font(12, false, true)),
         sample(font(12, false, true), font(12, false, true), font(12, false, true),
                font(12, false, true))},
        {"italic off", command(Kind::AddItalic),
         sample(font(12, true, true), font(12, false, true), font(12, false, true),
                font(12, false, true)),
         sample(font(12, true), font(12), font(12), font(12))},
        {"underline follows the first run: added", command(Kind::ToggleUnderline),
         sample(font(12), font(12, false, false, true), font(12), font(12)),
         sample(font(12, false, false, true), font(12, false, false, true),
                font(12, false, false, true), font(12, false, false, true))},
        {"underline follows the first run: removed", command(Kind::ToggleUnderline),
         sample(font(12, false, false, true), font(12), font(12), font(12)),
         sample(font(12), font(12), font(12), font(12))},
        {"bigger by a point, held at the largest size", command(Kind::Bigger),
         sample(font(12), font(1637.5), font(1638), font(7.5)),
         sample(font(13), font(1638), font(1638), font(8.5))},
        {"smaller by a point, held at the smallest size", command(Kind::Smaller),
         sample(font(12), font(1.5), font(1), font(7.5)),
         sample(font(11), font(1), font(1), font(6.5))},
        {"font: family, size, bold and italic; underline and colour kept", setFont,
         sample(font(12), red, font(30), font(12, false, true)),
         sample(font(20.5, true, false, false, "Courier"), redAfterFont,
                font(20.5, true, false, false, "Courier"),
                font(20.5, true, false, false, "Courier"))},
        {"colour, stored as the model keeps colours", setColor,
         sample(font(12), font(14, true), font(12), font(12)),
         sample(coloured, colouredBold, coloured, coloured)},
        {"alignment of every paragraph, attributes kept", center,
         sample(font(12), font(14, true), font(12), font(12)),
         sample(font(12), font(14, true), font(12), font(12), TextAlignment::Center,
                TextAlignment::Center)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RichText text = c.before;
        applyTextCommand(text, c.command);
        EXPECT_EQ(text, c.after);
    }
}

TEST(TextCommand, EmptyTextStaysEmpty) {
    for (Kind kind : {Kind::SetFont, Kind::AddBold, Kind::AddItalic, Kind::Bigger, Kind::Smaller,
                      Kind::SetAlignment, Kind::ToggleUnderline, Kind::SetColor}) {
        RichText text;
        applyTextCommand(text, command(kind));
        EXPECT_TRUE(text.isEmpty());
    }
}

} // namespace
} // namespace qv

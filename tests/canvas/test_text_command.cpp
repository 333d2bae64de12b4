#include "canvas/model/TextCommand.h"

#include <gtest/gtest.h>

#include <array>

namespace qv {
namespace {

using Kind = TextCommand::Kind;

TextAttributes font(double size, bool bold = false, bool italic = false, bool underline = false) {
    TextAttributes a;
    a.fontFamily = "Times";
    a.fontSize = size;
    a.bold = bold;
    a.italic = italic;
    a.underline = underline;
    return a;
}

// Two runs, an empty line and a line of its own: every kind of run the
// commands must reach.
RichText sample(std::array<TextAttributes, 4> runs, TextAlignment alignment = TextAlignment::Left) {
    return RichText({{alignment, {{"ab", runs[0]}, {"cd", runs[1]}}},
                     {alignment, {{"", runs[2]}}},
                     {alignment, {{"ef", runs[3]}}}});
}

TextCommand command(Kind kind) {
    TextCommand c;
    c.kind = kind;
    c.font = font(20.3, true);
    c.font.fontFamily = " Courier ";
    c.color = Color(0.5, 0.25, 1.0, 0.5);
    c.alignment = TextAlignment::Center;
    return c;
}

TEST(TextCommand, ChangesEveryRunAsTheCommandDecidesFromAllOfThem) {
    const TextAttributes plain = font(12), bold = font(12, true), italic = font(12, false, true),
                         underlined = font(12, false, false, true);
    TextAttributes red = font(9, false, true, true), courier = font(20.5, true);
    red.color = Color(1, 0, 0);
    courier.fontFamily = "Courier";
    TextAttributes redCourier = courier;
    redCourier.underline = true;
    redCourier.color = red.color;
    TextAttributes coloured = plain;
    coloured.color = RichText::normalizedColor(command(Kind::SetColor).color);

    const struct {
        const char* name;
        Kind kind;
        RichText before, after;
    } cases[] = {
        {"bold on where one run lacks it", Kind::AddBold, sample({plain, bold, bold, bold}),
         sample({bold, bold, bold, bold})},
        {"bold off where every run has it", Kind::AddBold, sample({bold, bold, bold, bold}),
         sample({plain, plain, plain, plain})},
        {"bold on when only the empty line lacks it", Kind::AddBold,
         sample({bold, bold, plain, bold}), sample({bold, bold, bold, bold})},
        {"italic on", Kind::AddItalic, sample({italic, plain, italic, italic}),
         sample({italic, italic, italic, italic})},
        {"underline added when the first run lacks it", Kind::ToggleUnderline,
         sample({plain, underlined, plain, plain}),
         sample({underlined, underlined, underlined, underlined})},
        {"underline removed when the first run has it", Kind::ToggleUnderline,
         sample({underlined, plain, plain, plain}), sample({plain, plain, plain, plain})},
        {"bigger by a point up to the largest size", Kind::Bigger,
         sample({plain, font(1637.5), font(1638), font(7.5)}),
         sample({font(13), font(1638), font(1638), font(8.5)})},
        {"smaller by a point down to the smallest size", Kind::Smaller,
         sample({plain, font(1.5), font(1), font(7.5)}),
         sample({font(11), font(1), font(1), font(6.5)})},
        {"font: family, size, bold, italic; underline and colour kept", Kind::SetFont,
         sample({plain, red, font(30), italic}), sample({courier, redCourier, courier, courier})},
        {"colour as the model keeps colours", Kind::SetColor, sample({plain, plain, plain, plain}),
         sample({coloured, coloured, coloured, coloured})},
        {"alignment of every paragraph", Kind::SetAlignment, sample({plain, bold, plain, plain}),
         sample({plain, bold, plain, plain}, TextAlignment::Center)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RichText text = c.before;
        applyTextCommand(text, command(c.kind));
        EXPECT_EQ(text, c.after);
    }
}

} // namespace
} // namespace qv

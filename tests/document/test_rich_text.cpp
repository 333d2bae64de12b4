#include "document/RichText.h"

#include <gtest/gtest.h>

#include <random>

using namespace qv;

namespace {

TextAttributes attributes(std::string family, double size, bool bold = false,
                          Color color = Color::black()) {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    a.bold = bold;
    a.color = color;
    return a;
}

TextParagraph paragraph(std::vector<TextRun> runs, TextAlignment alignment = TextAlignment::Left) {
    return {alignment, std::move(runs)};
}

} // namespace

TEST(RichText, PlainTextLinesBecomeParagraphsWithDefaultAttributes) {
    const RichText text = RichText::fromPlainText("one\ntwo\r\nthree\rfour\tend\xE2\x80\xA9"
                                                  "five\xE2\x80\xA8six");
    ASSERT_EQ(text.paragraphs().size(), 5u);
    EXPECT_EQ(text.plainText(), "one\ntwo\nthree\nfour\tend\nfive\xE2\x80\xA8six");
    const TextAttributes& a = text.paragraphs()[0].runs[0].attributes;
    EXPECT_EQ(a.fontFamily, "Helvetica");
    EXPECT_EQ(a.fontSize, 12);
    EXPECT_EQ(a.color, Color::black());
    EXPECT_FALSE(a.bold || a.italic || a.underline);
    EXPECT_EQ(text.paragraphs()[3].alignment, TextAlignment::Left);
}

TEST(RichText, EmptyTextAndEmptyLines) {
    EXPECT_TRUE(RichText().isEmpty());
    EXPECT_TRUE(RichText::fromPlainText("").isEmpty());
    EXPECT_EQ(RichText::fromPlainText(""), RichText());

    // Empty lines survive, each with one empty run for its attributes.
    const RichText lines = RichText::fromPlainText("\n\n", attributes("Times", 30));
    EXPECT_FALSE(lines.isEmpty());
    ASSERT_EQ(lines.paragraphs().size(), 3u);
    EXPECT_EQ(lines.plainText(), "\n\n");
    for (const TextParagraph& p : lines.paragraphs()) {
        ASSERT_EQ(p.runs.size(), 1u);
        EXPECT_EQ(p.runs[0].text, "");
        EXPECT_EQ(p.runs[0].attributes.fontSize, 30);
    }
}

TEST(RichText, RunsAreMergedAndEmptyRunsDropped) {
    const TextAttributes plain = attributes("Times", 14);
    const TextAttributes bold = attributes("Times", 14, true);
    const RichText text({paragraph({{"a", plain}, {"", bold}, {"b", plain}, {"c", bold}})});
    ASSERT_EQ(text.paragraphs()[0].runs.size(), 2u);
    EXPECT_EQ(text.paragraphs()[0].runs[0], (TextRun{"ab", plain}));
    EXPECT_EQ(text.paragraphs()[0].runs[1], (TextRun{"c", bold}));

    // A paragraph given without runs reads as an empty line.
    const RichText lines({paragraph({{"x", plain}}), paragraph({})});
    ASSERT_EQ(lines.paragraphs().size(), 2u);
    EXPECT_EQ(lines.paragraphs()[1].runs.size(), 1u);
    EXPECT_EQ(lines.plainText(), "x\n");
}

TEST(RichText, LineBreaksInsideRunsSplitParagraphsKeepingAlignment) {
    const TextAttributes big = attributes("Courier", 20);
    const RichText text({paragraph({{"a\r", big}, {"\nb\n", big}, {"c", attributes("Courier", 10)}},
                                   TextAlignment::Center)});
    ASSERT_EQ(text.paragraphs().size(), 3u);
    EXPECT_EQ(text.plainText(), "a\nb\nc");
    for (const TextParagraph& p : text.paragraphs())
        EXPECT_EQ(p.alignment, TextAlignment::Center);
    EXPECT_EQ(text.paragraphs()[2].runs[0].attributes.fontSize, 10);
}

TEST(RichText, TextIsValidUtf8WithoutNul) {
    const std::string bad = std::string("a\xC3") + "(" + std::string(1, '\0') + "\xED\xA0\x80" +
                            "\xF0\x9F\x98\x80" + "\xC0\xAF";
    const RichText text = RichText::fromPlainText(bad);
    EXPECT_EQ(text.plainText(), "a\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80"
                                "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(RichText, AttributeValuesTakeTheirStoredForm) {
    EXPECT_EQ(RichText::normalizedFontSize(12.3), 12.5);
    EXPECT_EQ(RichText::normalizedFontSize(12.2), 12);
    EXPECT_EQ(RichText::normalizedFontSize(0), RichText::kMinFontSize);
    EXPECT_EQ(RichText::normalizedFontSize(1e9), RichText::kMaxFontSize);
    EXPECT_EQ(RichText::normalizedFontSize(std::nan("")), 12);

    EXPECT_EQ(RichText::normalizedColor({0.5, 2, -1, 0.3}), Color(128 / 255.0, 1, 0, 1));
    EXPECT_EQ(RichText::normalizedColor({std::nan(""), 0, 0}), Color(0, 0, 0, 1));

    EXPECT_EQ(RichText::normalizedFontFamily("  Times New Roman \t"), "Times New Roman");
    EXPECT_EQ(RichText::normalizedFontFamily(""), "Helvetica");
    EXPECT_EQ(RichText::normalizedFontFamily(" \n "), "Helvetica");
    // Long names are cut at a character boundary.
    std::string longName = "A";
    for (int i = 0; i < 200; ++i)
        longName += "\xC3\xA9";
    const std::string cut = RichText::normalizedFontFamily(longName);
    EXPECT_LE(cut.size(), RichText::kMaxFontFamilyBytes);
    EXPECT_EQ(cut.size(), RichText::kMaxFontFamilyBytes - 1);
    EXPECT_EQ(RichText::normalizedFontFamily(cut), cut);
}

TEST(RichText, ChangingAttributesOfEverythingMergesRuns) {
    RichText text({paragraph({{"a", attributes("Times", 14)}, {"b", attributes("Courier", 9)}}),
                   paragraph({{"", attributes("Courier", 30)}}, TextAlignment::Right)});
    text.setFontFamily("Menlo");
    ASSERT_EQ(text.paragraphs()[0].runs.size(), 2u);
    text.setFontSize(18.26);
    ASSERT_EQ(text.paragraphs()[0].runs.size(), 1u);
    EXPECT_EQ(text.paragraphs()[0].runs[0].text, "ab");
    EXPECT_EQ(text.paragraphs()[0].runs[0].attributes, attributes("Menlo", 18.5));
    EXPECT_EQ(text.paragraphs()[1].runs[0].attributes, attributes("Menlo", 18.5));

    text.changeAttributes([](TextAttributes& a) { a.underline = true; });
    EXPECT_TRUE(text.paragraphs()[1].runs[0].attributes.underline);

    text.setAlignment(TextAlignment::Justified);
    EXPECT_EQ(text.paragraphs()[0].alignment, TextAlignment::Justified);
    EXPECT_EQ(text.paragraphs()[1].alignment, TextAlignment::Justified);
}

TEST(RichText, CanonicalFormIsStable) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "", "a", " ", "\n", "\r", "\r\n", "\t", "\xC3\xA9", std::string(1, '\0'), "\xFF", "xyz"};
    for (int round = 0; round < 300; ++round) {
        std::vector<TextParagraph> paragraphs(random() % 4);
        for (TextParagraph& p : paragraphs) {
            p.alignment = static_cast<TextAlignment>(random() % 4);
            p.runs.resize(random() % 4);
            for (TextRun& run : p.runs) {
                for (int k = random() % 4; k > 0; --k)
                    run.text += pieces[random() % pieces.size()];
                run.attributes = attributes(random() % 2 ? " Times" : "", random() % 40 / 3.0,
                                            random() % 2, Color(random() % 3 / 2.0, 0.3, 1.2));
            }
        }
        const RichText text(paragraphs);
        EXPECT_EQ(RichText(text.paragraphs()), text);
        EXPECT_EQ(RichText::fromPlainText(text.plainText()).plainText(), text.plainText());
    }
}

// Rich text: its canonical form, the RTF reader (other programs' RTF, escapes,
// broken and hostile input) and writer (exact bytes, random round trips).
#include "document/RichText.h"
#include "document/RtfReader.h"
#include "document/RtfWriter.h"
#include "tests/support/RandomRichText.h"
#include "tests/support/SplitList.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace qv;

namespace {

RichText read(std::string_view rtf) {
    std::optional<RichText> text = richTextFromRTF(rtf);
    EXPECT_TRUE(text.has_value());
    return text.value_or(RichText());
}

// A text as one string: a line per paragraph, its alignment (L, C, R, J) and
// its runs as [text|family size, b i u when set, colour when not black].
std::string describe(const RichText& text) {
    std::string s;
    for (const TextParagraph& p : text.paragraphs()) {
        s += "LCRJ"[static_cast<int>(p.alignment)];
        for (const TextRun& r : p.runs) {
            const TextAttributes& a = r.attributes;
            char size[32];
            std::snprintf(size, sizeof size, " %g", a.fontSize);
            s += "[" + r.text + "|" + a.fontFamily + size + (a.bold ? " b" : "") +
                 (a.italic ? " i" : "") + (a.underline ? " u" : "") +
                 (a.color == Color::black() ? "" : " " + a.color.hexString()) + "]";
        }
        s += "\n";
    }
    return s;
}

TextAttributes attributes(std::string family, double size, bool bold = false,
                          Color color = Color::black()) {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    a.bold = bold;
    a.color = color;
    return a;
}

// What the platform's text system writes for two lines with a bold word.
constexpr std::string_view kCocoaRtf =
    "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
    "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;"
    "\\f1\\fswiss\\fcharset0 Helvetica-Bold;}\n"
    "{\\colortbl;\\red255\\green255\\blue255;\\red251\\green0\\blue7;}\n"
    "{\\*\\expandedcolortbl;;\\csgenericrgb\\c98431\\c0\\c2745;}\n"
    "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
    "\\pard\\tx560\\tx1120\\tx1680\\tx2240\\tx2800\\pardirnatural\\partightenfactor0\n"
    "\n"
    "\\f0\\fs24 \\cf0 Hello \n"
    "\\f1\\b world\n"
    "\\f0\\b0 \\\n"
    "\\pard\\tx560\\pardirnatural\\qc\\partightenfactor0\n"
    "\\cf2 caf\\'e9 \\uc0\\u8364 \t\\u55357 \\u56832 }";

// What a word processor writes, with the destinations it likes to add.
constexpr std::string_view kWordRtf =
    "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl"
    "{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
    "{\\f1\\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604020202020204}Arial{\\*\\falt Helv};}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}"
    "{\\stylesheet{\\ql \\f0\\fs24 \\snext0 Normal;}{\\*\\cs10 \\additive Default Paragraph Font;}}"
    "{\\info{\\title Report}{\\author Somebody}{\\creatim\\yr2020\\mo1\\dy2}}"
    "{\\*\\generator Word;}\\paperw12240\\paperh15840"
    "\\pard\\plain \\qj \\f0\\fs20 Na\\'efve \\u8364\\'80 price {\\b\\i bold} "
    "{\\field{\\*\\fldinst {HYPERLINK \"http://example.com\"}}"
    "{\\fldrslt {\\ul\\cf2 link}}} end.\\par"
    "\\pard\\qr {\\f1\\fs28\\uldb under\\ulnone  not}{\\*\\bkmkstart x}"
    "{\\pict\\wmetafile8\\picw10\\pich10 0123456789abcdef}\\par\n"
    "}";

} // namespace

TEST(RichText, CanonicalForm) {
    // Lines become paragraphs with the default attributes; text is valid UTF-8 without NUL.
    const std::pair<std::string, std::string> plain[] = {
        {"one\ntwo\r\nthree\rfour\tend\xE2\x80\xA9"
         "five\xE2\x80\xA8six",
         "L[one|Helvetica 12]\nL[two|Helvetica 12]\nL[three|Helvetica 12]\nL[four\tend|Helvetica "
         "12]\n"
         "L[five\xE2\x80\xA8six|Helvetica 12]\n"},
        {"", ""},
        {std::string("a\xC3") + "(" + std::string(1, '\0') + "\xED\xA0\x80\xF0\x9F\x98\x80\xC0\xAF",
         "L[a\xEF\xBF\xBD("
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD|"
         "Helvetica 12]\n"},
    };
    for (const auto& [in, expected] : plain)
        EXPECT_EQ(describe(RichText::fromPlainText(in)), expected);
    EXPECT_TRUE(RichText::fromPlainText("").isEmpty());
    // Empty lines survive, each with one empty run for its attributes.
    EXPECT_EQ(describe(RichText::fromPlainText("\n\n", attributes("Times", 30))),
              "L[|Times 30]\nL[|Times 30]\nL[|Times 30]\n");

    // Equal neighbours merge, empty runs go, a paragraph without runs is an
    // empty line, and line breaks inside runs split paragraphs keeping alignment.
    const TextAttributes plain14 = attributes("Times", 14), bold = attributes("Times", 14, true);
    EXPECT_EQ(describe(RichText(
                  {{TextAlignment::Left, {{"a", plain14}, {"", bold}, {"b", plain14}, {"c", bold}}},
                   {TextAlignment::Right, {}}})),
              "L[ab|Times 14][c|Times 14 b]\nR[|Helvetica 12]\n");
    const TextAttributes big = attributes("Courier", 20);
    RichText text(
        {{TextAlignment::Center, {{"a\r", big}, {"\nb", big}, {"c", attributes("Courier", 10)}}}});
    EXPECT_EQ(describe(text), "C[a|Courier 20]\nC[b|Courier 20][c|Courier 10]\n");

    // Changing the attributes of everything merges runs.
    text.setFontFamily("Menlo");
    text.setFontSize(18.26);
    text.changeAttributes([](TextAttributes& a) { a.underline = true; });
    text.setAlignment(TextAlignment::Justified);
    EXPECT_EQ(describe(text), "J[a|Menlo 18.5 u]\nJ[bc|Menlo 18.5 u]\n");
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
    EXPECT_EQ(cut.size(), RichText::kMaxFontFamilyBytes - 1);
    EXPECT_EQ(RichText::normalizedFontFamily(cut), cut);
}

TEST(RichText, CanonicalFormIsStable) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {
        "", "a", " ", "\n", "\r", "\r\n", "\t", "\xC3\xA9", std::string(1, '\0'), "\xFF", "xyz"};
    for (int round = 0; round < 300; ++round) {
        const RichText text = test::randomRichText(random, 4, 4, pieces, [](std::mt19937& r) {
            return attributes(r() % 2 ? " Times" : "", r() % 40 / 3.0, r() % 2,
                              Color(r() % 3 / 2.0, 0.3, 1.2));
        });
        EXPECT_EQ(RichText(text.paragraphs()), text);
        EXPECT_EQ(RichText::fromPlainText(text.plainText()).plainText(), text.plainText());
    }
}

TEST(RtfReader, RunsOfOtherProgramsRtfAndOfBrokenOrOddRtf) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string(kCocoaRtf),
         "L[Hello |Helvetica 12][world|Helvetica-Bold 12 b]\n"
         "C[caf\xC3\xA9 \xE2\x82\xAC\t\xF0\x9F\x98\x80|Helvetica 12 #FB0007]\n"},
        {std::string(kWordRtf),
         "J[Na\xC3\xAFve \xE2\x82\xAC price |Times New Roman 10][bold|Times New Roman 10 b i][ "
         "|Times "
         "New Roman 10][link|Times New Roman 10 u #0000FF][ end.|Times New Roman 10]\n"
         "R[under|Arial 14 u][ not|Arial 14]\nR[|Times New Roman 10]\n"},
        // Font table entries with and without groups.
        {"{\\rtf1{\\fonttbl {\\f0 A;} {\\f1\\fnil B} \\f2 C; \\f3 D; \n}\\f0 a\\f1 b\\f2 c\\f3 d}",
         "L[a|A 12][b|B 12][c|C 12][d|D 12]\n"},
        // Unknown fonts and \fs0 change nothing; a colour table without the
        // automatic entry; automatic and out-of-range colours are black; \plain
        // goes back to \cf0.
        {"{\\rtf1\\deff1{\\fonttbl{\\f0 Courier;}{\\f1 "
         "Times;}}{\\colortbl\\red255\\green0\\blue0;;}"
         "\\cf1 a\\f7\\fs0 b\\fs99999 c\\cf0 d\\cf1 e\\cf9 f\\plain g}",
         "L[ab|Times 12][c|Times 1638][d|Times 1638 #FF0000][ef|Times 1638][g|Times 12 #FF0000]\n"},
        // Truncated input yields what was read up to the cut.
        {"{\\rtf1{\\fonttbl\\f0 Courier;}{\\b Hello\\par wor",
         "L[Hello|Courier 12 b]\nL[wor|Courier 12 b]\n"},
        {"{\\rtf", ""},
        {"{\\rtf1}", ""},
    };
    for (const auto& [rtf, expected] : cases)
        EXPECT_EQ(describe(read(rtf)), expected) << rtf;
    for (const char* notRtf : {"", "hello", " {\\rtf1 x}"})
        EXPECT_FALSE(richTextFromRTF(notRtf).has_value()) << notRtf;
}

TEST(RtfReader, EscapesFallbacksAndWhatIsNotText) {
    const int depth = kMaxRtfGroupDepth + 10000;
    const std::pair<std::string, std::string> cases[] = {
        {"{\\rtf1 \\uc2\\u8364\\'80\\'80x}", "\xE2\x82\xAC"
                                             "x"},
        {"{\\rtf1 \\uc0\\u233 x}", "\xC3\xA9x"},
        // The fallback count belongs to the group, and never reaches past its end.
        {"{\\rtf1 {\\uc0 \\u233}\\u233?x}", "\xC3\xA9\xC3\xA9x"},
        {"{\\rtf1 {\\uc3\\u233}ab}", "\xC3\xA9"
                                     "ab"},
        {"{\\rtf1 \\u-10179?\\u-8704?}", "\xF0\x9F\x98\x80"},
        // Lone surrogates become the replacement character.
        {"{\\rtf1 \\u-10179?x\\u-8704?}", "\xEF\xBF\xBDx\xEF\xBF\xBD"},
        {"{\\rtf1 a\\{b\\}c\\\\d\\~e\\_f\\-g\\tab h\\line i\\emdash\\lquote}",
         "a{b}c\\d\xC2\xA0"
         "e\xE2\x80\x91"
         "fg\th\xE2\x80\xA8i\xE2\x80\x94\xE2\x80\x98"},
        // Encoded line breaks end paragraphs.
        {"{\\rtf1 a\\u8233?b\\'0dc\\u10?d}", "a\nb\nc\nd"},
        // 8-bit bytes are read in the ANSI code page too; raw line breaks are ignored.
        {"{\\rtf1 \x93q\x94\r\n\\'9c\\'zz}", "\xE2\x80\x9Cq\xE2\x80\x9D\xC5\x93zz"},
        // \bin data may hold braces and backslashes.
        {"{\\rtf1 a{\\pict\\bin6 {}\\}{x}b}", "ab"},
        {"{\\rtf1 a{\\*\\unknowndest {nested {deeper}} text}b}", "ab"},
        {"{\\rtf1 a\\unknownword12 b\\v hidden\\v0 c}", "abc"},
        {"{\\rtf1 {\\header page 1}body{\\footnote note}}", "body"},
        {"{\\rtf1 x\\*y}", "xy"}, // \* only marks a destination at the start of a group
        // Nothing after the document's closing brace belongs to it, also after
        // unbalanced closing braces.
        {"{\\rtf1 a}b{c}", "a"},
        {"{\\rtf1 a}}}}b", "a"},
        {"{\\rtf1 ab\\", "ab"},
        {"{\\rtf1 ab\\'4", "ab4"},
        {"{\\rtf1 ab\\u", "ab"},
        {"{\\rtf1{\\fonttbl\\f0 Cour", ""},
        {"{\\rtf1 a\\bin99999999 bc}", "a"},
        {"{\\rtf1 a\\fs-5 \\f-2147483649 \\u99999999999999999999 ?b}", "a\xEF\xBF\xBF"
                                                                       "b"},
        // Deep nesting is bounded; never closed, the text before it is kept.
        {"{\\rtf1 a" + std::string(depth, '{') + "deep" + std::string(depth, '}') + "b" +
             std::string(10, '{') + "c" + std::string(10, '}') + "}",
         "abc"},
        {"{\\rtf1 x" + std::string(1000000, '{'), "x"},
    };
    for (const auto& [rtf, expected] : cases)
        EXPECT_EQ(read(rtf).plainText(), expected) << rtf.substr(0, 80);
}

namespace {

using test::split;

RichText randomRichText(std::mt19937& random) {
    static const std::vector<std::string> families = {"Helvetica",      "Times New Roman",
                                                      "Menlo-Regular",  "Caf\xC3\xA9 Sans",
                                                      "We{ir}d;\\Font", "\xE6\x98\x8E\xE6\x9C\x9D"};
    static const std::vector<std::string> pieces =
        split("a|Hello| |  |\t|\xE2\x80\xA8|{|}|\\|;|\xC3\xA9|\xE2\x82\xAC|\xC5\x93|\xCE\xA9|"
              "\xF0\x9F\x98\x80|?|0|\xC2\x81|\xEF\xBF\xBD|\x01|\\par");
    return test::randomRichText(random, 5, 5, pieces, [](std::mt19937& r) {
        return test::randomAttributes(r, families, 200);
    });
}

} // namespace

TEST(RtfRoundTrip, RandomRichTextsSurviveWritingAndReading) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 2000; ++round) {
        const RichText text = randomRichText(random);
        const std::string rtf = rtfFromRichText(text);
        const RichText back = read(rtf);
        ASSERT_EQ(back, text) << rtf;
        ASSERT_EQ(rtfFromRichText(back), rtf);
        ASSERT_EQ(back.plainText(), text.plainText());
    }
}

TEST(RtfRoundTrip, ArbitraryInputReadsToAStableText) {
    // Whatever the reader makes of an input, writing and reading it again
    // gives the same text.
    std::mt19937 random(99);
    const std::vector<std::string> tokens =
        split("{|}|\\b |\\i0|\\ul|\\f1 |\\fs7 |\\cf2 |\\par |\\'|e9|\\u|-10179|?|\\uc0 |\\*|"
              "\\bin3 |x| |;|\\qc |\\pard|\\tab|\\\n|\xFF|{\\fonttbl\\f1 A;}|{\\colortbl;\\red9;}|"
              "\\plain |\\v |\\line |\\");
    for (int round = 0; round < 3000; ++round) {
        std::string rtf = "{\\rtf1 ";
        for (int k = random() % 40; k > 0; --k)
            rtf += tokens[random() % tokens.size()];
        const RichText text = read(rtf);
        const std::string written = rtfFromRichText(text);
        const RichText again = read(written);
        ASSERT_EQ(again, text) << rtf;
        ASSERT_EQ(rtfFromRichText(again), written);
    }
}

#include "document/RtfReader.h"
#include "document/RtfWriter.h"

#include <gtest/gtest.h>

#include <random>

using namespace qv;

namespace {

RichText read(std::string_view rtf) {
    std::optional<RichText> text = richTextFromRTF(rtf);
    EXPECT_TRUE(text.has_value());
    return text.value_or(RichText());
}

const TextRun& runAt(const RichText& text, std::size_t p, std::size_t r) {
    static const TextRun none;
    if (p >= text.paragraphs().size() || r >= text.paragraphs()[p].runs.size()) {
        ADD_FAILURE() << "no run " << r << " in paragraph " << p;
        return none;
    }
    return text.paragraphs()[p].runs[r];
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

TEST(RtfReader, ReadsTheTextSystemsRtf) {
    const RichText text = read(kCocoaRtf);
    ASSERT_EQ(text.paragraphs().size(), 2u);
    EXPECT_EQ(text.plainText(), "Hello world\ncaf\xC3\xA9 \xE2\x82\xAC\t\xF0\x9F\x98\x80");

    const TextRun& hello = runAt(text, 0, 0);
    EXPECT_EQ(hello.text, "Hello ");
    EXPECT_EQ(hello.attributes.fontFamily, "Helvetica");
    EXPECT_EQ(hello.attributes.fontSize, 12);
    EXPECT_FALSE(hello.attributes.bold);
    EXPECT_EQ(hello.attributes.color, Color::black()); // \cf0 is the automatic colour

    const TextRun& world = runAt(text, 0, 1);
    EXPECT_EQ(world.text, "world");
    EXPECT_EQ(world.attributes.fontFamily, "Helvetica-Bold");
    EXPECT_TRUE(world.attributes.bold);
    EXPECT_EQ(text.paragraphs()[0].alignment, TextAlignment::Left);

    EXPECT_EQ(text.paragraphs()[1].alignment, TextAlignment::Center);
    EXPECT_EQ(runAt(text, 1, 0).attributes.color, Color(251 / 255.0, 0, 7 / 255.0));
    EXPECT_EQ(text.paragraphs()[1].runs.size(), 1u);
}

TEST(RtfReader, ReadsWordProcessorRtf) {
    const RichText text = read(kWordRtf);
    ASSERT_EQ(text.paragraphs().size(), 3u);
    EXPECT_EQ(text.plainText(), "Na\xC3\xAFve \xE2\x82\xAC price bold link end.\nunder not\n");
    EXPECT_EQ(text.paragraphs()[0].alignment, TextAlignment::Justified);
    EXPECT_EQ(text.paragraphs()[1].alignment, TextAlignment::Right);

    const TextRun& first = runAt(text, 0, 0);
    EXPECT_EQ(first.attributes.fontFamily, "Times New Roman");
    EXPECT_EQ(first.attributes.fontSize, 10);
    const TextRun& bold = runAt(text, 0, 1);
    EXPECT_EQ(bold.text, "bold");
    EXPECT_TRUE(bold.attributes.bold && bold.attributes.italic);
    const TextRun& link = runAt(text, 0, 3);
    EXPECT_EQ(link.text, "link");
    EXPECT_TRUE(link.attributes.underline);
    EXPECT_EQ(link.attributes.color, Color(0, 0, 1));
    EXPECT_EQ(runAt(text, 0, 4).text, " end.");
    EXPECT_FALSE(runAt(text, 0, 4).attributes.underline);

    const TextRun& under = runAt(text, 1, 0);
    EXPECT_EQ(under.text, "under");
    EXPECT_EQ(under.attributes.fontFamily, "Arial");
    EXPECT_EQ(under.attributes.fontSize, 14);
    EXPECT_TRUE(under.attributes.underline);
    EXPECT_EQ(runAt(text, 1, 1).text, " not");
    // The empty last line has the attributes in force at the end.
    EXPECT_EQ(runAt(text, 2, 0).attributes.fontSize, 10);
}

TEST(RtfReader, UnicodeFallbacksAndEscapes) {
    EXPECT_EQ(read("{\\rtf1 \\uc2\\u8364\\'80\\'80x}").plainText(), "\xE2\x82\xAC"
                                                                    "x");
    EXPECT_EQ(read("{\\rtf1 \\uc0\\u233 x}").plainText(), "\xC3\xA9x");
    // The fallback count belongs to the group.
    EXPECT_EQ(read("{\\rtf1 {\\uc0 \\u233}\\u233?x}").plainText(), "\xC3\xA9\xC3\xA9x");
    // A fallback never reaches past the end of its group.
    EXPECT_EQ(read("{\\rtf1 {\\uc3\\u233}ab}").plainText(), "\xC3\xA9"
                                                            "ab");
    EXPECT_EQ(read("{\\rtf1 \\u-10179?\\u-8704?}").plainText(), "\xF0\x9F\x98\x80");
    // Lone surrogates become the replacement character.
    EXPECT_EQ(read("{\\rtf1 \\u-10179?x\\u-8704?}").plainText(), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(
        read("{\\rtf1 a\\{b\\}c\\\\d\\~e\\_f\\-g\\tab h\\line i\\emdash\\lquote}").plainText(),
        "a{b}c\\d\xC2\xA0"
        "e\xE2\x80\x91"
        "fg\th\xE2\x80\xA8i\xE2\x80\x94\xE2\x80\x98");
    // Encoded line breaks end paragraphs.
    EXPECT_EQ(read("{\\rtf1 a\\u8233?b\\'0dc\\u10?d}").paragraphs().size(), 4u);
    // 8-bit bytes are read in the ANSI code page too; raw line breaks are ignored.
    EXPECT_EQ(read("{\\rtf1 \x93q\x94\r\n\\'9c\\'zz}").plainText(),
              "\xE2\x80\x9Cq\xE2\x80\x9D\xC5\x93zz");
}

TEST(RtfReader, SkipsWhatIsNotText) {
    // \bin data may hold braces and backslashes.
    EXPECT_EQ(read("{\\rtf1 a{\\pict\\bin6 {}\\}{x}b}").plainText(), "ab");
    EXPECT_EQ(read("{\\rtf1 a{\\*\\unknowndest {nested {deeper}} text}b}").plainText(), "ab");
    EXPECT_EQ(read("{\\rtf1 a\\unknownword12 b\\v hidden\\v0 c}").plainText(), "abc");
    EXPECT_EQ(read("{\\rtf1 {\\header page 1}body{\\footnote note}}").plainText(), "body");
    // \* only marks a destination at the start of a group.
    EXPECT_EQ(read("{\\rtf1 x\\*y}").plainText(), "xy");
    // Nothing after the document's closing brace belongs to it.
    EXPECT_EQ(read("{\\rtf1 a}b{c}").plainText(), "a");
}

TEST(RtfReader, FontTableEntriesWithAndWithoutGroups) {
    const RichText text = read("{\\rtf1{\\fonttbl {\\f0 A;} {\\f1\\fnil B} \\f2 C; \\f3 D; \n}"
                               "\\f0 a\\f1 b\\f2 c\\f3 d}");
    ASSERT_EQ(text.paragraphs().size(), 1u);
    const auto& runs = text.paragraphs()[0].runs;
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].attributes.fontFamily, "A");
    EXPECT_EQ(runs[1].attributes.fontFamily, "B");
    EXPECT_EQ(runs[2].attributes.fontFamily, "C");
    EXPECT_EQ(runs[3].attributes.fontFamily, "D");
}

TEST(RtfReader, FontsSizesAndColoursFallBackSensibly) {
    const RichText text = read("{\\rtf1\\deff1{\\fonttbl{\\f0 Courier;}{\\f1 Times;}}"
                               "{\\colortbl\\red255\\green0\\blue0;;}"
                               "\\cf1 a\\f7\\fs0 b\\fs99999 c\\cf0 d\\cf1 e\\cf9 f\\plain g}");
    ASSERT_EQ(text.paragraphs().size(), 1u);
    const auto& runs = text.paragraphs()[0].runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "ab"); // unknown font and \fs0 change nothing visible
    EXPECT_EQ(runs[0].attributes.fontFamily, "Times");
    EXPECT_EQ(runs[0].attributes.fontSize, 12);
    EXPECT_EQ(runs[1].text, "c");
    EXPECT_EQ(runs[1].attributes.fontSize, RichText::kMaxFontSize);
    EXPECT_EQ(runs[2].text, "d"); // a colour table without the automatic entry
    EXPECT_EQ(runs[2].attributes.color, Color(1, 0, 0));
    EXPECT_EQ(runs[3].text, "ef"); // automatic and out-of-range colours are black
    EXPECT_EQ(runs[3].attributes.color, Color::black());
    EXPECT_EQ(runs[4].text, "g");
    EXPECT_EQ(runs[4].attributes.fontFamily, "Times");
    EXPECT_EQ(runs[4].attributes.color, Color(1, 0, 0)); // \plain goes back to \cf0
}

TEST(RtfReader, NotRtfAndBrokenRtf) {
    EXPECT_FALSE(richTextFromRTF("").has_value());
    EXPECT_FALSE(richTextFromRTF("hello").has_value());
    EXPECT_FALSE(richTextFromRTF(" {\\rtf1 x}").has_value());
    EXPECT_TRUE(read("{\\rtf").isEmpty());
    EXPECT_TRUE(read("{\\rtf1}").isEmpty());

    // Truncated input yields what was read up to the cut.
    const RichText truncated = read("{\\rtf1{\\fonttbl\\f0 Courier;}{\\b Hello\\par wor");
    EXPECT_EQ(truncated.plainText(), "Hello\nwor");
    EXPECT_TRUE(runAt(truncated, 1, 0).attributes.bold);
    EXPECT_EQ(runAt(truncated, 1, 0).attributes.fontFamily, "Courier");
    EXPECT_EQ(read("{\\rtf1 ab\\").plainText(), "ab");
    EXPECT_EQ(read("{\\rtf1 ab\\'4").plainText(), "ab4");
    EXPECT_EQ(read("{\\rtf1 ab\\u").plainText(), "ab");
    EXPECT_EQ(read("{\\rtf1{\\fonttbl\\f0 Cour").plainText(), "");
    EXPECT_EQ(read("{\\rtf1 a\\bin99999999 bc}").plainText(), "a");
    EXPECT_EQ(read("{\\rtf1 a\\fs-5 \\f-2147483649 \\u99999999999999999999 ?b}").plainText(),
              "a\xEF\xBF\xBF"
              "b");

    // Unbalanced closing braces end the document.
    EXPECT_EQ(read("{\\rtf1 a}}}}b").plainText(), "a");
}

TEST(RtfReader, DeepNestingIsBounded) {
    const int depth = kMaxRtfGroupDepth + 10000;
    std::string rtf = "{\\rtf1 a";
    rtf += std::string(depth, '{') + "deep" + std::string(depth, '}') + "b";
    rtf += std::string(10, '{') + "c" + std::string(10, '}') + "}";
    EXPECT_EQ(read(rtf).plainText(), "abc");

    // Never closed: no crash, the text before the deep part is kept.
    EXPECT_EQ(read("{\\rtf1 x" + std::string(1000000, '{')).plainText(), "x");
}

TEST(RtfWriter, WritesAnsiRtfWithTables) {
    TextAttributes red;
    red.fontFamily = "Times New Roman";
    red.fontSize = 10.5;
    red.bold = true;
    red.color = Color(1, 0, 0);
    TextAttributes plain;
    TextParagraph first{TextAlignment::Center, {{"caf\xC3\xA9 {x}", red}, {"\\\t", plain}}};
    TextParagraph second{TextAlignment::Right,
                         {{"\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD", plain}}};
    const std::string rtf = rtfFromRichText(RichText({first, second}));
    EXPECT_EQ(rtf,
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\n"
              "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}"
              "{\\f1\\fnil\\fcharset0 Helvetica;}}\n"
              "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}\n"
              "\\pard\\qc\\f0\\fs21\\cf1\\b caf\\'e9 \\{x\\}\\f1\\fs24\\cf2\\b0 \\\\\\tab \\par\n"
              "\\pard\\qr \\'80\\u937?\\u-10179?\\u-8704?\\u-3?}");
}

TEST(RtfWriter, EmptyTextAndEmptyLines) {
    EXPECT_TRUE(read(rtfFromRichText(RichText())).isEmpty());
    TextAttributes big;
    big.fontSize = 40;
    const RichText lines = RichText::fromPlainText("\n\n", big);
    EXPECT_EQ(read(rtfFromRichText(lines)), lines);
}

namespace {

// The pieces of a list written as one string with "|" between them.
std::vector<std::string> split(std::string_view list) {
    std::vector<std::string> pieces;
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = list.find('|', start);
        pieces.emplace_back(list.substr(start, end == std::string_view::npos ? end : end - start));
    }
    return pieces;
}

RichText randomRichText(std::mt19937& random) {
    static const std::vector<std::string> families = {"Helvetica",      "Times New Roman",
                                                      "Menlo-Regular",  "Caf\xC3\xA9 Sans",
                                                      "We{ir}d;\\Font", "\xE6\x98\x8E\xE6\x9C\x9D"};
    static const std::vector<std::string> pieces =
        split("a|Hello| |  |\t|\xE2\x80\xA8|{|}|\\|;|\xC3\xA9|\xE2\x82\xAC|\xC5\x93|\xCE\xA9|"
              "\xF0\x9F\x98\x80|?|0|\xC2\x81|\xEF\xBF\xBD|\x01|\\par");
    std::vector<TextParagraph> paragraphs(random() % 5);
    for (TextParagraph& p : paragraphs) {
        p.alignment = static_cast<TextAlignment>(random() % 4);
        p.runs.resize(random() % 4);
        for (TextRun& run : p.runs) {
            for (int k = random() % 5; k > 0; --k)
                run.text += pieces[random() % pieces.size()];
            TextAttributes& a = run.attributes;
            a.fontFamily = families[random() % families.size()];
            a.fontSize = 1 + random() % 200 / 2.0;
            a.bold = random() % 2;
            a.italic = random() % 2;
            a.underline = random() % 2;
            a.color = Color(random() % 256 / 255.0, random() % 256 / 255.0, random() % 256 / 255.0);
        }
    }
    return RichText(paragraphs);
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

// Rich text through Qt: the QTextDocument conversion both ways, font names,
// and the layout drawn in points at any zoom and resolution.
#include "platform/qt/QtRichText.h"
#include "tests/support/RandomRichText.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <random>

namespace qv {
namespace {

TextAttributes font(std::string family, double size) {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    return a;
}

// Every attribute, a PostScript name, a tab, a line separator, an empty
// paragraph between others and at the end, and text outside the BMP.
RichText sampleText() {
    const TextAttributes bold{"Helvetica-Bold", 14.5, true, false, false, {1, 0, 128 / 255.0}};
    const TextAttributes times{"Times New Roman", 9, false, true, true};
    return RichText({{TextAlignment::Center,
                      {{"Bold \xE2\x82\xAC", bold}, {"\tslanted\xE2\x80\xA8line", times}}},
                     {TextAlignment::Right, {{"", font("Courier", 40)}}},
                     {TextAlignment::Justified, {{"\xF0\x9F\x98\x80 end", font("Helvetica", 12)}}},
                     {TextAlignment::Left, {{"", times}}}});
}

// `text` drawn in `rect` on a white picture of `size` pixels at `zoom`, whose
// resolution is `dpi`.
QImage draw(const RichText& text, const Rect& rect, QSize size, double zoom, int dpi = 72) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    drawRichTextWithPainter(painter, text, rect);
    return image;
}

// The box of the pixels that are not white (null when none are), and the
// top rows of the bands of rows holding ink, one band per line of text.
struct Ink {
    QRect box;
    std::vector<int> lineTops;
};
Ink inkOf(const QImage& image) {
    Ink ink;
    bool inLine = false;
    for (int y = 0; y < image.height(); ++y) {
        bool row = false;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                ink.box |= QRect(x, y, 1, 1);
                row = true;
            }
        if (row && !inLine)
            ink.lineTops.push_back(y);
        inLine = row;
    }
    return ink;
}

TEST(QtRichText, DocumentsHoldEveryAttributeAndTheirEditsReachTheModel) {
    const RichText text = sampleText();
    const auto document = makeTextDocument(text, 200);
    EXPECT_EQ(document->blockCount(), 4);
    EXPECT_EQ(document->toRawText().toStdString(),
              "Bold \xE2\x82\xAC\tslanted\xE2\x80\xA8line\xE2\x80\xA9\xE2\x80\xA9\xF0\x9F\x98\x80 "
              "end\xE2\x80\xA9");
    EXPECT_EQ(richTextFromTextDocument(*document), text);

    // A paragraph edited in the document: font, size, weight, alignment, text.
    QTextCursor cursor(document->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat change;
    change.setFontFamilies(QStringList{"DejaVu Serif"});
    change.setFontPointSize(20);
    change.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(change);
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignLeft);
    cursor.setBlockFormat(block);
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText("!");
    const RichText edited = richTextFromTextDocument(*document);
    TextAttributes serif = font("DejaVu Serif", 20);
    serif.bold = true;
    EXPECT_EQ(edited.paragraphs()[2],
              (TextParagraph{TextAlignment::Left, {{"\xF0\x9F\x98\x80 end!", serif}}}));
    // The untouched first paragraph keeps its PostScript family name.
    EXPECT_EQ(edited.paragraphs()[0], text.paragraphs()[0]);

    // Setting text again replaces the content.
    setRichTextOnTextDocument(*document, RichText::fromPlainText("x"));
    EXPECT_EQ(richTextFromTextDocument(*document), RichText::fromPlainText("x"));
    setRichTextOnTextDocument(*document, RichText());
    EXPECT_TRUE(richTextFromTextDocument(*document).isEmpty());
    // Text typed into an empty document gets the document's font.
    QTextDocument plain;
    configureTextDocumentLayout(plain, 100);
    QTextCursor(&plain).insertText("typed");
    EXPECT_EQ(richTextFromTextDocument(plain), RichText::fromPlainText("typed"));
}

TEST(QtRichText, RandomTextsSurviveTheDocument) {
    const std::vector<std::string> families = {"Helvetica", "Helvetica-Oblique", "Times New Roman",
                                               "Caf\xC3\xA9 Sans"};
    const std::vector<std::string> pieces = {
        "a", "Hello", " ", "\t", "\xE2\x80\xA8", "{", "\xC3\xA9", "\xF0\x9F\x98\x80", "\x01", "  "};
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        const RichText text = test::randomRichText(random, 4, 4, pieces, [&](std::mt19937& r) {
            return test::randomAttributes(r, families, 100);
        });
        ASSERT_EQ(richTextFromTextDocument(*makeTextDocument(text, 100)), text) << round;
    }
}

TEST(QtRichText, PostScriptNamesMapToFamilies) {
    // Names that are not PostScript names (the last three) stay as they are.
    const std::pair<const char*, const char*> names[] = {
        // clang-format off
        {"Helvetica", "Helvetica"}, {"Helvetica-Bold", "Helvetica"},
        {"Helvetica-BoldOblique", "Helvetica"}, {"Menlo-Regular", "Menlo"},
        {"TimesNewRomanPSMT", "Times New Roman"}, {"TimesNewRomanPS-BoldItalicMT", "Times New Roman"},
        {"ArialMT", "Arial"}, {"Arial-BoldMT", "Arial"},
        {"Gill Sans-Bold", "Gill Sans-Bold"}, {"Foo-Bar", "Foo-Bar"}, {"-Bold", "-Bold"},
        // clang-format on
    };
    for (const auto& [name, family] : names)
        EXPECT_EQ(qtFontFamilyForFamily(name), family) << name;
}

TEST(QtRichText, LayoutIsInPointsAtEveryZoomAndResolution) {
    // A 100-point capital is about 0.7 em high: 70 units, not the 96 a
    // screen-dpi layout would give.
    const QRect h = inkOf(draw(RichText::fromPlainText("H", font("DejaVu Sans", 100)),
                               Rect(10, 10, 300, 200), QSize(300, 200), 1))
                        .box;
    EXPECT_GT(h.height(), 65);
    EXPECT_LT(h.height(), 80);
    // Pixels do not depend on the device's resolution.
    const QImage at72 = draw(sampleText(), Rect(5, 5, 120, 40), QSize(200, 200), 1, 72);
    EXPECT_EQ(draw(sampleText(), Rect(5, 5, 120, 40), QSize(200, 200), 1, 96), at72);
    EXPECT_EQ(draw(sampleText(), Rect(5, 5, 120, 40), QSize(200, 200), 1, 300), at72);
    // Tab stops every 28 points.
    const auto tabs = makeTextDocument(RichText::fromPlainText("\tX\t\tY"), 500);
    ASSERT_NE(tabs->begin().layout(), nullptr);
    EXPECT_NEAR(tabs->begin().layout()->lineAt(0).cursorToX(1), 28, 0.05);
    EXPECT_NEAR(tabs->begin().layout()->lineAt(0).cursorToX(4), 84, 0.05);

    // At twice the zoom, the same lines at twice the distances.
    const RichText text = RichText::fromPlainText(
        "The quick brown fox jumps over the lazy dog and keeps running far away.",
        font("DejaVu Sans", 12));
    const Ink one = inkOf(draw(text, Rect(10, 20, 110, 30), QSize(200, 200), 1));
    const Ink two = inkOf(draw(text, Rect(10, 20, 110, 30), QSize(400, 400), 2));
    ASSERT_GE(one.lineTops.size(), 3u);
    ASSERT_EQ(two.lineTops.size(), one.lineTops.size());
    for (std::size_t i = 0; i < one.lineTops.size(); ++i)
        EXPECT_NEAR(two.lineTops[i], 2 * one.lineTops[i], 2) << "line " << i;
    EXPECT_NEAR(two.box.left(), 2 * one.box.left(), 2);
    EXPECT_NEAR(two.box.right(), 2 * one.box.right() + 1, 3);
    EXPECT_NEAR(two.box.bottom(), 2 * one.box.bottom() + 1, 3);
    // Wrapped to the rectangle's width from its top-left corner, running on
    // below it rather than cut off (a pixel of anti-aliasing aside).
    EXPECT_GE(one.box.left(), 9);
    EXPECT_LT(one.box.left(), 13);
    EXPECT_GE(one.box.top(), 19);
    EXPECT_LE(one.box.right(), 10 + 110 + 1);
    EXPECT_GT(one.box.bottom(), 20 + 30);

    // Alignment places lines in the rectangle; nothing is drawn for no text.
    auto box = [](TextAlignment alignment) {
        return inkOf(draw(RichText::fromPlainText("word", font("DejaVu Sans", 20), alignment),
                          Rect(0, 0, 200, 50), QSize(200, 50), 1))
            .box;
    };
    const QRect left = box(TextAlignment::Left), right = box(TextAlignment::Right);
    EXPECT_LT(left.left(), 4);
    EXPECT_GT(right.right(), 195);
    EXPECT_EQ(left.width(), right.width());
    EXPECT_NEAR(box(TextAlignment::Center).center().x(), 100, 3);
    EXPECT_TRUE(inkOf(draw(RichText(), Rect(0, 0, 200, 50), QSize(200, 50), 1)).box.isNull());
}

} // namespace
} // namespace qv

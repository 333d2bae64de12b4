#include "platform/qt/QtRichText.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <random>

using namespace qv;

namespace {

TextAttributes attributes(std::string family, double size) {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    return a;
}

RichText sampleText() {
    TextAttributes bold = attributes("Helvetica-Bold", 14.5);
    bold.bold = true;
    bold.color = Color(1, 0, 128 / 255.0);
    TextAttributes times = attributes("Times New Roman", 9);
    times.italic = true;
    times.underline = true;
    TextAttributes big = attributes("Courier", 40);
    std::vector<TextParagraph> paragraphs = {
        {TextAlignment::Center,
         {{"Bold \xE2\x82\xAC", bold}, {"\tslanted\xE2\x80\xA8line", times}}},
        {TextAlignment::Right, {{"", big}}},
        {TextAlignment::Justified, {{"\xF0\x9F\x98\x80 end", attributes("Helvetica", 12)}}},
        {TextAlignment::Left, {{"", times}}},
    };
    return RichText(paragraphs);
}

// The box of pixels that are not white, or a null rectangle.
QRect inkBounds(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Top rows of the bands of rows that hold ink, one band per text line.
std::vector<int> lineTops(const QImage& image) {
    std::vector<int> tops;
    bool inLine = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != qRgb(255, 255, 255);
        if (ink && !inLine)
            tops.push_back(y);
        inLine = ink;
    }
    return tops;
}

QImage draw(const RichText& text, const Rect& rect, QSize size, double zoom, int dpi = 72) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    drawRichTextWithPainter(painter, text, rect);
    return image;
}

} // namespace

TEST(QtRichText, DocumentConversionKeepsEveryAttribute) {
    const RichText text = sampleText();
    const auto document = makeTextDocument(text, 200);
    EXPECT_EQ(document->blockCount(), 4);
    EXPECT_EQ(document->toRawText().toStdString(),
              "Bold \xE2\x82\xAC\tslanted\xE2\x80\xA8line\xE2\x80\xA9\xE2\x80\xA9\xF0\x9F\x98\x80 "
              "end\xE2\x80\xA9");
    EXPECT_EQ(richTextFromTextDocument(*document), text);

    // Setting the same text again replaces the content.
    setRichTextOnTextDocument(*document, RichText::fromPlainText("x"));
    EXPECT_EQ(richTextFromTextDocument(*document), RichText::fromPlainText("x"));
    setRichTextOnTextDocument(*document, RichText());
    EXPECT_TRUE(richTextFromTextDocument(*document).isEmpty());
}

TEST(QtRichText, EditsInTheDocumentReachTheModel) {
    const auto document = makeTextDocument(sampleText(), 200);
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
    const TextParagraph& p = edited.paragraphs()[2];
    EXPECT_EQ(p.alignment, TextAlignment::Left);
    ASSERT_EQ(p.runs.size(), 1u);
    EXPECT_EQ(p.runs[0].text, "\xF0\x9F\x98\x80 end!");
    EXPECT_EQ(p.runs[0].attributes.fontFamily, "DejaVu Serif");
    EXPECT_EQ(p.runs[0].attributes.fontSize, 20);
    EXPECT_TRUE(p.runs[0].attributes.bold);
    // The untouched first paragraph keeps its PostScript family name.
    EXPECT_EQ(edited.paragraphs()[0].runs[0].attributes.fontFamily, "Helvetica-Bold");

    // Text typed into an empty document gets the document's font.
    QTextDocument plain;
    configureTextDocumentLayout(plain, 100);
    QTextCursor(&plain).insertText("typed");
    EXPECT_EQ(richTextFromTextDocument(plain), RichText::fromPlainText("typed"));
}

TEST(QtRichText, PostScriptNamesMapToFamilies) {
    EXPECT_EQ(qtFontFamilyForFamily("Helvetica"), "Helvetica");
    EXPECT_EQ(qtFontFamilyForFamily("Helvetica-Bold"), "Helvetica");
    EXPECT_EQ(qtFontFamilyForFamily("Helvetica-BoldOblique"), "Helvetica");
    EXPECT_EQ(qtFontFamilyForFamily("Menlo-Regular"), "Menlo");
    EXPECT_EQ(qtFontFamilyForFamily("TimesNewRomanPSMT"), "Times New Roman");
    EXPECT_EQ(qtFontFamilyForFamily("TimesNewRomanPS-BoldItalicMT"), "Times New Roman");
    EXPECT_EQ(qtFontFamilyForFamily("ArialMT"), "Arial");
    EXPECT_EQ(qtFontFamilyForFamily("Arial-BoldMT"), "Arial");
    // Names that are not PostScript names stay as they are.
    EXPECT_EQ(qtFontFamilyForFamily("Gill Sans-Bold"), "Gill Sans-Bold");
    EXPECT_EQ(qtFontFamilyForFamily("Foo-Bar"), "Foo-Bar");
    EXPECT_EQ(qtFontFamilyForFamily("-Bold"), "-Bold");
}

TEST(QtRichText, LayoutUsesPointsAsUnitsOnEveryDevice) {
    // A 100-point capital is about 0.7 em high: 70 units, not the 96 a
    // screen-dpi layout would give.
    TextAttributes a = attributes("DejaVu Sans", 100);
    const RichText h = RichText::fromPlainText("H", a);
    const QRect box = inkBounds(draw(h, Rect(10, 10, 300, 200), QSize(300, 200), 1));
    EXPECT_GT(box.height(), 65);
    EXPECT_LT(box.height(), 80);

    // Pixels do not depend on the device's resolution.
    const RichText text = sampleText();
    const QImage at72 = draw(text, Rect(5, 5, 120, 40), QSize(200, 200), 1, 72);
    EXPECT_EQ(draw(text, Rect(5, 5, 120, 40), QSize(200, 200), 1, 96), at72);
    EXPECT_EQ(draw(text, Rect(5, 5, 120, 40), QSize(200, 200), 1, 300), at72);

    // Tab stops every 28 points.
    const auto document = makeTextDocument(RichText::fromPlainText("\tX\t\tY"), 500);
    QTextLayout* layout = document->begin().layout();
    ASSERT_NE(layout, nullptr);
    EXPECT_NEAR(layout->lineAt(0).cursorToX(1), 28, 0.05);
    EXPECT_NEAR(layout->lineAt(0).cursorToX(4), 84, 0.05);
}

TEST(QtRichText, ZoomScalesTheLayoutExactly) {
    const RichText text = RichText::fromPlainText(
        "The quick brown fox jumps over the lazy dog and keeps running far away.",
        attributes("DejaVu Sans", 12));
    const Rect rect(10, 20, 110, 30);
    const QImage one = draw(text, rect, QSize(200, 200), 1);
    const QImage two = draw(text, rect, QSize(400, 400), 2);

    // The same lines at twice the distances.
    const std::vector<int> linesOne = lineTops(one);
    const std::vector<int> linesTwo = lineTops(two);
    ASSERT_GE(linesOne.size(), 3u);
    ASSERT_EQ(linesTwo.size(), linesOne.size());
    for (std::size_t i = 0; i < linesOne.size(); ++i)
        EXPECT_NEAR(linesTwo[i], 2 * linesOne[i], 2) << "line " << i;

    const QRect boxOne = inkBounds(one);
    const QRect boxTwo = inkBounds(two);
    EXPECT_NEAR(boxTwo.left(), 2 * boxOne.left(), 2);
    EXPECT_NEAR(boxTwo.right(), 2 * boxOne.right() + 1, 3);
    EXPECT_NEAR(boxTwo.bottom(), 2 * boxOne.bottom() + 1, 3);

    // Wrapped to the rectangle's width from its top-left corner; taller text
    // runs on below the rectangle instead of being cut off.
    // (Allowing a pixel of antialiasing outside the glyph boxes.)
    EXPECT_GE(boxOne.left(), 9);
    EXPECT_LT(boxOne.left(), 13);
    EXPECT_GE(boxOne.top(), 19);
    EXPECT_LE(boxOne.right(), 10 + 110 + 1);
    EXPECT_GT(boxOne.bottom(), 20 + 30);
}

TEST(QtRichText, AlignmentPlacesLinesInTheRectangle) {
    const Rect rect(0, 0, 200, 50);
    const auto box = [&](TextAlignment alignment) {
        return inkBounds(
            draw(RichText::fromPlainText("word", attributes("DejaVu Sans", 20), alignment), rect,
                 QSize(200, 50), 1));
    };
    const QRect left = box(TextAlignment::Left);
    const QRect center = box(TextAlignment::Center);
    const QRect right = box(TextAlignment::Right);
    EXPECT_LT(left.left(), 4);
    EXPECT_GT(right.right(), 195);
    EXPECT_NEAR(center.center().x(), 100, 3);
    EXPECT_EQ(left.width(), right.width());

    EXPECT_TRUE(inkBounds(draw(RichText(), rect, QSize(200, 50), 1)).isNull());
}

TEST(QtRichText, RandomTextsSurviveTheDocument) {
    const std::vector<std::string> families = {"Helvetica", "Helvetica-Oblique", "Times New Roman",
                                               "Caf\xC3\xA9 Sans"};
    const std::vector<std::string> pieces = {
        "a", "Hello", " ", "\t", "\xE2\x80\xA8", "{", "\xC3\xA9", "\xF0\x9F\x98\x80", "\x01", "  "};
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        std::vector<TextParagraph> paragraphs(random() % 4);
        for (TextParagraph& p : paragraphs) {
            p.alignment = static_cast<TextAlignment>(random() % 4);
            p.runs.resize(random() % 4);
            for (TextRun& run : p.runs) {
                for (int k = random() % 4; k > 0; --k)
                    run.text += pieces[random() % pieces.size()];
                TextAttributes& a = run.attributes;
                a.fontFamily = families[random() % families.size()];
                a.fontSize = 1 + random() % 100 / 2.0;
                a.bold = random() % 2;
                a.italic = random() % 2;
                a.underline = random() % 2;
                a.color =
                    Color(random() % 256 / 255.0, random() % 256 / 255.0, random() % 256 / 255.0);
            }
        }
        const RichText text(paragraphs);
        ASSERT_EQ(richTextFromTextDocument(*makeTextDocument(text, 100)), text) << round;
    }
}

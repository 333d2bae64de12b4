// The in-place text editor: drawn on the shape's own pixels at every zoom,
// typing into the shape's storage, Format commands, pasted rich text.
#include "canvas/TextEditorOverlay.h"

#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtRichText.h"
#include "shapes/TextShape.h"
#include "tests/platform/ReferenceImage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace qv {

void PrintTo(const RichText& text, std::ostream* out) {
    *out << "\"" << text.plainText() << "\" in " << text.paragraphs().size() << " paragraphs";
}

namespace {

using Kind = TextCommand::Kind;

TextAttributes font(std::string family, double size, bool bold = false, bool italic = false) {
    TextAttributes a;
    a.fontFamily = std::move(family);
    a.fontSize = size;
    a.bold = bold;
    a.italic = italic;
    return a;
}

TextCommand command(Kind kind, TextAlignment alignment = TextAlignment::Left) {
    TextCommand c;
    c.kind = kind;
    c.alignment = alignment;
    return c;
}

// Several wrapped lines, mixed families, sizes and styles, an empty line,
// a tab and every alignment.
RichText sampleText() {
    TextAttributes slanted = font("DejaVu Serif", 10.5, false, true);
    slanted.underline = true;
    slanted.color = Color(0.8, 0.1, 0.3);
    return RichText({
        {TextAlignment::Left,
         {{"The quick brown fox ", font("DejaVu Serif", 14)},
          {"jumps over", font("DejaVu Sans", 18, true)},
          {" the lazy dog and keeps on running", slanted}}},
        {TextAlignment::Left, {{"", font("DejaVu Sans", 20)}}},
        {TextAlignment::Center, {{"tab\tstop", font("DejaVu Sans Mono", 12)}}},
        {TextAlignment::Justified,
         {{"justified words that fill more than one line here", font("Helvetica", 11)}}},
        {TextAlignment::Right, {{"end", font("DejaVu Sans", 9, true, true)}}},
    });
}

// Receives what the editor leaves to the window.
class Canvas : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Control)
            keys.push_back(event->key());
    }
};

class TextEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        canvas.resize(520, 420);
        editor = new TextEditorOverlay(&canvas);
        shape->setBounds(Rect(20.3, 30.7, 230, 190));
        shape->setRichText(sampleText());
    }

    QGraphicsTextItem& item() {
        return *qgraphicsitem_cast<QGraphicsTextItem*>(editor->scene()->items().front());
    }
    const RichText& shapeText() const { return shape->text()->richText(); }

    void attachWithKeyboard() {
        editor->attach(*shape);
        editor->place(shape->bounds(), 1, QPointF(0, 0));
        canvas.show();
        editor->show();
        editor->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
    }

    void select(int from, int to) {
        QTextCursor cursor(item().document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        item().setTextCursor(cursor);
    }

    // The editor as the canvas shows it, against the shape's own drawing into
    // a canvas-sized picture with the canvas's transform. `shift` misplaces
    // the editor, to show that the comparison can fail.
    ::testing::AssertionResult drawsLikeTheShape(double zoom, QPointF origin,
                                                 QPointF shift = QPointF()) {
        editor->place(shape->bounds(), zoom, origin + shift);
        // Neither caret nor selection.
        const bool focused = editor->hasFocus();
        editor->clearFocus();
        item().setTextCursor(QTextCursor(item().document()));
        QImage edited(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        edited.fill(Qt::transparent);
        editor->QWidget::render(&edited, editor->geometry().topLeft(), QRegion(),
                                QWidget::DrawChildren);
        if (focused)
            editor->setFocus();

        QImage drawn(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            QtGraphicsContext gc(
                painter,
                AffineTransform::scaling(zoom, zoom).appendTranslation(origin.x(), origin.y()),
                true);
            shape->drawInView(gc, nullptr);
            gc.finish();
        }
        // Both are drawn the same way and should agree exactly; the slack is
        // for rounding of glyph positions under other font engines.
        const test::ImageComparison c = test::compareImages(edited, drawn, 8);
        if (c.outliers <= 4)
            return ::testing::AssertionSuccess();
        const std::string name = "text_editor_" + std::to_string(zoom);
        edited.save(QString::fromStdString(test::testOutputPath(name + ".editor.png")));
        drawn.save(QString::fromStdString(test::testOutputPath(name + ".shape.png")));
        return ::testing::AssertionFailure()
               << c.outliers << " pixels differ at zoom " << zoom << " (largest difference "
               << c.maxDifference << "); pictures in " << test::testOutputPath("");
    }

    Canvas canvas;
    TextEditorOverlay* editor = nullptr;
    std::shared_ptr<TextShape> shape = std::make_shared<TextShape>();
};

TEST_F(TextEditorTest, DrawsTheTextOnThePixelsOfTheShape) {
    // The decisive property: the text must not move when editing begins.
    ASSERT_LT(makeTextDocument(sampleText(), 230)->size().height(), 190);
    editor->attach(*shape);
    for (double zoom : {1.0, 1.5, 2.0, 4.0})
        EXPECT_TRUE(drawsLikeTheShape(zoom, QPointF(7.25, 3.5)));
    // Half a pixel off is visibly off.
    EXPECT_FALSE(drawsLikeTheShape(1, QPointF(0, 0), QPointF(0.5, 0)));
}

TEST_F(TextEditorTest, TypingGoesIntoTheShapesOwnStorageAndUndoStopsAtTheOriginal) {
    const TextStorage* storage = shape->text().get();
    int edits = 0;
    QObject::connect(editor, &TextEditorOverlay::textEdited, [&] { ++edits; });
    attachWithKeyboard();
    EXPECT_EQ(item().textCursor().selectedText().size(), item().document()->characterCount() - 1);
    EXPECT_FALSE(editor->detach());
    EXPECT_TRUE(editor->isHidden());

    attachWithKeyboard();
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00E9"));
    QApplication::sendEvent(editor, &composed);
    EXPECT_EQ(shapeText().plainText(), "\xC3\xA9");
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, "Hi S");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "x\ty");
    EXPECT_EQ(shape->text().get(), storage);
    EXPECT_EQ(shapeText().plainText(), "Hi S\nx\ty");
    // Typing over the selection keeps the font of its first character.
    EXPECT_EQ(shapeText().paragraphs()[1].runs[0].attributes, font("DejaVu Serif", 14));
    EXPECT_GT(edits, 0);
    EXPECT_TRUE(drawsLikeTheShape(1.5, QPointF(0, 0)));

    // Escape, Ctrl+period and the keypad's Enter end editing: the window's keys.
    QTest::keyClick(editor, Qt::Key_Escape);
    QTest::keyClick(editor, Qt::Key_Period, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(canvas.keys, (std::vector<int>{Qt::Key_Escape, Qt::Key_Period, Qt::Key_Enter}));
    EXPECT_EQ(shapeText().plainText(), "Hi S\nx\ty");

    // Ctrl+Z is the editor's own, not the window's Undo, while it edits.
    QAction windowUndo(&canvas);
    windowUndo.setShortcut(QKeySequence::Undo);
    canvas.addAction(&windowUndo);
    int windowUndos = 0;
    QObject::connect(&windowUndo, &QAction::triggered, [&] { ++windowUndos; });
    for (int i = 0; i < 30; ++i)
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shapeText(), sampleText());
    EXPECT_EQ(windowUndos, 0);
    QTest::keyClicks(editor, "!");
    EXPECT_TRUE(editor->detach());
    EXPECT_EQ(editor->originalText(), sampleText());
    EXPECT_EQ(shape->text().get(), storage);
    // Detached, the editor no longer writes to the shape.
    item().textCursor().insertText("lost");
    EXPECT_EQ(shapeText().plainText().find("lost"), std::string::npos);

    // A shape given another storage while it is edited (an undo) is edited
    // there from the next placement on; a shape without one gets one.
    attachWithKeyboard();
    shape->setRichText(RichText::fromPlainText("new"));
    editor->place(shape->bounds(), 1, QPointF(0, 0));
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "er");
    EXPECT_EQ(shapeText().plainText(), "newer");
    editor->detach();
    shape->setText(nullptr);
    attachWithKeyboard();
    QTest::keyClicks(editor, "a");
    EXPECT_EQ(shapeText().plainText(), "a");
}

TEST_F(TextEditorTest, MouseAndCaretFindTheTextWhereItIsDrawn) {
    attachWithKeyboard();
    const double zoom = 2;
    const QPointF origin(5.5, 2.25);
    editor->place(shape->bounds(), zoom, origin);
    // The middle of "quick" (characters 4 to 9) on the first line.
    const QTextLine line = item().document()->firstBlock().layout()->lineAt(0);
    const double x = (line.cursorToX(4) + line.cursorToX(9)) / 2, y = line.y() + line.height() / 2;
    const QPointF canvasPoint =
        origin + QPointF(shape->bounds().x() + x, shape->bounds().y() + y) * zoom;
    QTest::mouseDClick(editor->viewport(), Qt::LeftButton, {},
                       (canvasPoint - editor->geometry().topLeft()).toPoint());
    EXPECT_EQ(item().textCursor().selectedText(), "quick");
    QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(item().textCursor().selectedText(), "quick ");

    // Text running past the bottom scrolls by whole pixels to keep the caret
    // in view, and back.
    shape->setBounds(Rect(20.3, 30.7, 230, 40));
    editor->place(shape->bounds(), zoom, origin);
    const double height = editor->height(), textHeight = item().document()->size().height() * zoom;
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    const double scrolled = item().pos().y() * zoom;
    EXPECT_NEAR(scrolled + textHeight, height, 1);
    const double fraction = canvasPoint.y() - std::floor(canvasPoint.y());
    EXPECT_NEAR(scrolled - std::round(scrolled - fraction), fraction, 1e-9);
    QTest::keyClick(editor, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_GE(item().pos().y() * zoom, 0);
    EXPECT_LT(item().pos().y() * zoom, 1);
}

TEST_F(TextEditorTest, CommandsAreTheModelsCommandsOnTheWholeTextOrOnlyTheSelection) {
    for (Kind kind : {Kind::SetFont, Kind::SetColor, Kind::SetAlignment, Kind::AddBold,
                      Kind::AddItalic, Kind::Bigger, Kind::Smaller, Kind::ToggleUnderline}) {
        const TextCommand command{kind, font("DejaVu Sans Mono", 16.5, false, true),
                                  TextAlignment::Right, Color(0.2, 0.6, 0.4)};
        for (bool caretOnly : {false, true}) {
            SCOPED_TRACE(testing::Message() << "command " << int(kind) << " " << caretOnly);
            shape->setRichText(sampleText());
            editor->attach(*shape);
            if (caretOnly)
                select(7, 7);
            // Twice: toggles come back, sizes step again.
            RichText expected = sampleText();
            for (int time = 0; time < 2; ++time) {
                editor->applyTextCommand(command);
                applyTextCommand(expected, command);
                EXPECT_EQ(shapeText(), expected);
            }
            // The last one leaves it attached: attaching again detaches first.
            if (kind != Kind::ToggleUnderline)
                editor->detach();
        }
    }
    EXPECT_TRUE(drawsLikeTheShape(2, QPointF(0, 0)));

    // On a selection, only the selection changes.
    editor->detach();
    shape->setRichText(sampleText());
    editor->attach(*shape);
    select(4, 9); // "quick"
    EXPECT_EQ(editor->currentAttributes(), font("DejaVu Serif", 14));
    editor->applyTextCommand(command(Kind::AddBold));
    ASSERT_EQ(shapeText().paragraphs()[0].runs.size(), 5u);
    EXPECT_EQ(shapeText().paragraphs()[0].runs[1],
              (TextRun{"quick", font("DejaVu Serif", 14, true)}));

    // From " over" into the third paragraph: the first selected run has no
    // underline, so all that is selected gets it; the alignment reaches the
    // paragraphs the selection touches.
    select(25, 70);
    EXPECT_EQ(editor->currentAttributes(), font("DejaVu Sans", 18, true));
    editor->applyTextCommand(command(Kind::ToggleUnderline));
    editor->applyTextCommand(command(Kind::SetAlignment, TextAlignment::Center));
    // The underlined runs, and the paragraphs' alignments as letters.
    std::string underlined, alignments;
    for (const TextParagraph& p : shapeText().paragraphs()) {
        alignments += "LCRJ"[static_cast<int>(p.alignment)];
        for (const TextRun& run : p.runs)
            if (run.attributes.underline)
                underlined += run.text + "|";
    }
    EXPECT_EQ(underlined, " over| the lazy dog and keeps on running||tab\t|");
    EXPECT_EQ(alignments, "CCCJR");

    // One undo step per command.
    for (int i = 0; i < 3; ++i)
        item().document()->undo();
    EXPECT_EQ(shapeText(), sampleText());
}

TEST_F(TextEditorTest, PastedRichTextBecomesWhatTheShapeDraws) {
    attachWithKeyboard();
    // Copied and pasted inside the editor, text keeps its fonts.
    select(20, 30);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shapeText().paragraphs().back().runs.back(),
              (TextRun{"jumps over", font("DejaVu Sans", 18, true)}));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(shapeText(), sampleText());

    select(4, 9);
    auto* mime = new QMimeData;
    mime->setHtml("<p style='font-size:13.3pt; margin-left:40px'>big <b>bold</b> "
                  "<a href='x'>link</a><img src='none.png' width=20 height=20></p>"
                  "<ul><li style='font-size:16px'>item</li></ul>");
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    // Link, picture and list are gone, the size is one the model keeps, and
    // what the editor shows is what the shape draws.
    EXPECT_EQ(shapeText().plainText().substr(0, 25), "The big bold link\nitem br");
    EXPECT_EQ(shapeText().paragraphs()[0].runs[1].attributes.fontSize, 13.5);
    EXPECT_TRUE(drawsLikeTheShape(1, QPointF(0, 0)));
    // The paste and its clean-up are one step.
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shapeText(), sampleText());

    // A table cannot stay a table: its cells become paragraphs.
    select(0, 0);
    mime = new QMimeData;
    mime->setHtml("<table><tr><td>one</td><td>two</td></tr></table>");
    QApplication::clipboard()->setMimeData(mime);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    EXPECT_NE(shapeText().plainText().find("one\ntwo\nThe quick"), std::string::npos);
    EXPECT_TRUE(item().document()->rootFrame()->childFrames().isEmpty());
    EXPECT_TRUE(drawsLikeTheShape(1, QPointF(0, 0)));
}

} // namespace
} // namespace qv

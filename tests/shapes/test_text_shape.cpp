// Text shapes: RTF storage in base64 lines, unreadable and hostile RTF,
// drawing (nothing while edited, the shadow otherwise), the editing
// decoration, change announcements of edits, the "text" key for undo, copies
// and files.

#include "ShapeTestSupport.h"

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "document/RtfWriter.h"
#include "framework/foundation/Base64.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/RectangleShape.h"
#include "shapes/ShapeRegistry.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace qv {
namespace {

using namespace test;

using K = DrawOpKind;

RichText styledText() {
    TextParagraph first;
    first.alignment = TextAlignment::Center;
    TextAttributes bold;
    bold.bold = true;
    bold.fontSize = 18;
    TextAttributes red;
    red.color = {1, 0, 0, 1};
    red.fontFamily = "Times";
    first.runs = {{"Bold title ", bold}, {"and red words", red}};
    TextParagraph second;
    second.runs = {{"Accents: \xC3\xA9t\xC3\xA9, euro \xE2\x82\xAC, tab\tend", TextAttributes()}};
    return RichText({first, second});
}

std::string base64Of(std::string_view s) {
    return base64Encoding(ByteBuffer(s.begin(), s.end()), 72);
}

TEST(TextShape, StartsEmptyWithAnOutlineInItsLocalFrame) {
    TextShape t;
    ASSERT_TRUE(t.text());
    EXPECT_TRUE(t.text()->richText().isEmpty());
    t.setBounds({10, 20, 30, 40});
    t.setRotation(30);
    EXPECT_EQ(t.path()->bounds(), Rect(10, 20, 30, 40));
}

TEST(TextShape, TextDataIsBase64RtfInLinesOf72) {
    TextShape t;
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "Line " + std::to_string(i) + " of a text long enough for many base64 lines\n";
    t.setRichText(RichText::fromPlainText(longText));
    const std::string data = t.textData();
    std::istringstream lines(data);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 72u);
        ++count;
    }
    EXPECT_GT(count, 10);
    // Reading it back is part of the file round trip over random texts.
    const ByteBuffer bytes = dataWithBase64EncodedString(data);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), rtfFromRichText(t.text()->richText()));
}

TEST(TextShape, DataThatIsNotRtfLeavesNoText) {
    TextShape t;
    t.setTextData(base64Of("plain words, no RTF"));
    EXPECT_FALSE(t.text());
    EXPECT_EQ(t.textData(), "");
    EXPECT_TRUE(t.valueForKey("text").isNull());
    RecordingGraphicsContext gc;
    t.drawInView(gc, nullptr);
    EXPECT_TRUE(gc.operations().empty());
    auto copy = std::dynamic_pointer_cast<TextShape>(t.copy());
    EXPECT_FALSE(copy->text());
    t.setTextData("");
    EXPECT_FALSE(t.text());
    t.setTextData("\xff\xfe not even ASCII");
    EXPECT_FALSE(t.text());
}

TEST(TextShape, TruncatedUnbalancedOrHostileRtfGivesWhatCouldBeRead) {
    TextShape t;
    const std::string full = rtfFromRichText(RichText::fromPlainText("Hello world"));
    // Cut anywhere after the header: never a crash, and once the words are
    // in, they are read.
    for (std::size_t n = 5; n <= full.size(); ++n) {
        t.setTextData(base64Of(full.substr(0, n)));
        ASSERT_TRUE(t.text()) << n;
    }
    t.setTextData(base64Of("{\\rtf1\\ansi Hello world"));
    ASSERT_TRUE(t.text());
    EXPECT_EQ(t.text()->richText().plainText(), "Hello world");
    t.setTextData(base64Of("{\\rtf1 abc}}}}}} def"));
    ASSERT_TRUE(t.text());
    EXPECT_NE(t.text()->richText().plainText().find("abc"), std::string::npos);

    std::string deep = "{\\rtf1 start";
    deep += std::string(100000, '{') + "inner" + std::string(100000, '}');
    t.setTextData(base64Of(deep));
    ASSERT_TRUE(t.text());
    EXPECT_NE(t.text()->richText().plainText().find("start"), std::string::npos);

    std::mt19937 rng(5);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string junk = "{\\rtf1";
        for (int i = 0; i < 200; ++i)
            junk.push_back(static_cast<char>(byte(rng)));
        t.setTextData(base64Of(junk));
        ASSERT_TRUE(t.text());
        // Whatever was read writes and reads back to the same text.
        TextShape again;
        again.setTextData(t.textData());
        ASSERT_TRUE(again.text());
        EXPECT_EQ(again.text()->richText(), t.text()->richText()) << round;
    }
}

TEST(TextShape, DrawsTheTextInItsTurnedFrameWithTheShadow) {
    TextShape t;
    t.setRichText(styledText());
    t.setBounds({10, 20, 100, 50});
    t.setRotation(30);
    t.fill().setColor({0, 1, 0, 1});
    t.stroke().setWidth(5);

    RecordingGraphicsContext gc;
    t.drawInView(gc, nullptr, true);
    EXPECT_EQ(gc.kinds(),
              (std::vector<K>{K::SaveGState, K::ConcatCTM, K::DrawRichText, K::RestoreGState}))
        << gc.description();
    const DrawOperation text = gc.operationsOfKind(K::DrawRichText).at(0);
    EXPECT_EQ(text.rect, t.bounds());
    EXPECT_EQ(text.transform, t.transform());
    EXPECT_EQ(text.text, &t.text()->richText());
    EXPECT_FALSE(text.shadow.active);

    // The shadow at zoom 2 (carried by the context's transform), scaled like
    // every shape's shadow, without a layer.
    t.shadow().setVisible(true);
    t.shadow().setShadowOffset({3, -4});
    t.shadow().setShadowBlurRadius(5);
    const ZoomView zoomed(2);
    RecordingGraphicsContext zgc(false, AffineTransform::scaling(2, 2));
    t.drawInView(zgc, &zoomed);
    const DrawOperation shadowed = zgc.operationsOfKind(K::DrawRichText).at(0);
    EXPECT_TRUE(shadowed.shadow.active);
    EXPECT_EQ(shadowed.shadow.offset, Size(6, -8));
    EXPECT_EQ(shadowed.shadow.blurRadius, 10);
    EXPECT_EQ(shadowed.shadow.color, t.shadow().shadowColor());
    EXPECT_EQ(zgc.countOf(K::BeginTransparencyLayer), 0u);
    EXPECT_EQ(zgc.countOf(K::FillPath) + zgc.countOf(K::StrokePath), 0u);
    EXPECT_EQ(zgc.gstateDepth(), 0);
}

TEST(TextShape, DrawsNothingInTheViewThatEditsIt) {
    TextShape t;
    t.setRichText(RichText::fromPlainText("being edited"));
    t.setBounds({0, 0, 50, 20});
    const ZoomView editing(1, &t);
    RecordingGraphicsContext gc;
    t.drawInView(gc, &editing);
    EXPECT_TRUE(gc.operations().empty());

    TextShape other;
    const ZoomView elsewhere(1, &other);
    t.drawInView(gc, &elsewhere);
    EXPECT_EQ(gc.countOf(K::DrawRichText), 1u);
    t.drawInView(gc, nullptr);
    EXPECT_EQ(gc.countOf(K::DrawRichText), 2u);
}

TEST(TextShape, EditDecorationIsADashedFrameOverAPageColouredVeil) {
    TextShape t;
    t.setBounds({10, 10, 80, 40});
    t.setRotation(45); // the decoration is not turned
    const ZoomView view(2);
    RecordingGraphicsContext gc;
    t.drawEditDecoractionInView(gc, &view);
    ASSERT_EQ(gc.kinds(true), (std::vector<K>{K::StrokePath, K::FillPath}));
    const DrawOperation frame = gc.strokes().at(0);
    EXPECT_EQ(frame.path.bounds(), t.bounds());
    EXPECT_EQ(frame.color, Color::black());
    EXPECT_EQ(frame.lineWidth(), 0.5);
    EXPECT_EQ(frame.dash(), (std::vector<double>{0.5, 1}));
    EXPECT_EQ(frame.dashPhase(), 0.5);
    const DrawOperation veil = gc.fills().at(0);
    EXPECT_EQ(veil.path.bounds(), t.bounds());
    EXPECT_EQ(veil.color, Color(0.9, 0.8, 0.7, 0.75));
}

// Did-change notifications of one shape, and will-changes.
struct Announced {
    int will = 0, did = 0;
};

TEST(TextShape, EditsOfTheStorageAnnounceADidChangeOnly) {
    TextShape t;
    TextStoragePtr storage = t.text();
    KeyPathRecorder recorder;
    t.addObserver(&recorder, "text");
    Announced n;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&n, QVShapeWillChangeNotification, &t,
                       [&](const Notification&) { ++n.will; });
    center.addObserver(&n, QVShapeDidChangeNotification, &t, [&](const Notification&) { ++n.did; });
    const std::pair<std::function<void()>, Announced> steps[] = {
        // Typing is not an undoable "text" change.
        {[&] { storage->setRichText(RichText::fromPlainText("typed")); }, {0, 1}},
        // A new storage: the old one no longer speaks for the shape.
        {[&] { t.setRichText(RichText::fromPlainText("replaced")); }, {1, 2}},
        {[&] { storage->setRichText(RichText::fromPlainText("stale")); }, {1, 2}},
        {[&] { t.text()->setRichText(RichText::fromPlainText("typed again")); }, {1, 3}},
        {[&] { t.setText(t.text()); }, {1, 3}}, // the same storage: nothing
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        EXPECT_EQ(n.will, steps[i].second.will) << i;
        EXPECT_EQ(n.did, steps[i].second.did) << i;
    }
    EXPECT_EQ(recorder.changes.size(), 1u);
    center.removeObserver(&n);
    t.removeObserver(&recorder);

    // The storage may outlive its shape.
    TextStoragePtr survivor;
    {
        TextShape gone;
        survivor = gone.text();
    }
    survivor->setRichText(RichText::fromPlainText("nobody listens"));
}

TEST(TextShape, TheTextKeyCarriesASnapshotForUndo) {
    auto t = std::make_shared<TextShape>();
    t->setRichText(RichText::fromPlainText("first"));
    KeyPathRecorder recorder;
    t->addObserver(&recorder, "text");
    t->setRichText(RichText::fromPlainText("second"));
    EXPECT_TRUE(t->setValueForKey(t->valueForKey("text"), "text")); // the same: no change
    t->removeObserver(&recorder);
    ASSERT_EQ(recorder.changes.size(), 1u);
    const Value old = recorder.changes[0].oldValue;
    auto snapshot = old.toObject<RichTextValue>();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->richText().plainText(), "first");
    EXPECT_TRUE(t->setValueForKeyPath(old, "text"));
    EXPECT_EQ(t->valueForKey("text"), old);
    // Editing the storage later leaves the snapshot alone.
    t->text()->setRichText(RichText::fromPlainText("changed"));
    EXPECT_EQ(snapshot->richText().plainText(), "first");
    // A value of another kind is refused; none clears the text.
    EXPECT_FALSE(t->setValueForKey(Value("words"), "text"));

    // Through a document: a new text, one set through the key and no text are undone
    // and redone exactly.
    DrawDocument document;
    document.setShapes({t});
    UndoScript script(document);
    script.step("new text", [&] { t->setRichText(styledText()); });
    script.step("set through the key", [&] {
        t->setValueForKey(RichTextValue::make(RichText::fromPlainText("typed")), "text");
    });
    script.step("no text", [&] { EXPECT_TRUE(t->setValueForKey(Value(), "text")); });
    EXPECT_FALSE(t->text());
    script.undoAndRedoAll();
}

// ---------------------------------------------------------------------------
// Files

TEST(TextShapeXml, RtfReadsFromCharacterDataOrTheDataAttribute) {
    auto readTexts = [](const std::string& xml) {
        std::vector<std::shared_ptr<TextShape>> out;
        for (const ShapePtr& s : readShapes(xml))
            out.push_back(std::dynamic_pointer_cast<TextShape>(s));
        return out;
    };
    const std::string data = base64Of(rtfFromRichText(styledText()));
    const std::string asText = R"(<drawing><text><bounds x="1" y="2" w="30" h="40"/><rtf>)" + data +
                               "</rtf></text></drawing>";
    std::string oneLine = data;
    std::erase(oneLine, '\n');
    const std::string asAttribute =
        R"(<drawing><text><bounds x="1" y="2" w="30" h="40"/><rtf data=")" + oneLine +
        R"("/></text></drawing>)";
    // The attribute wins over character data.
    const std::string both = R"(<drawing><text><rtf data=")" + oneLine +
                             R"(">e1xydGYxIHdyb25nfQ==</rtf></text></drawing>)";
    for (const std::string* xml : {&asText, &asAttribute, &both}) {
        const auto texts = readTexts(*xml);
        ASSERT_EQ(texts.size(), 1u);
        ASSERT_TRUE(texts[0]->text());
        EXPECT_EQ(texts[0]->text()->richText(), styledText()) << *xml;
    }
    EXPECT_EQ(readTexts(asText)[0]->bounds(), Rect(1, 2, 30, 40));

    // No "rtf" child keeps the empty text; an empty one holds no text.
    EXPECT_TRUE(readTexts("<drawing><text/></drawing>")[0]->text()->richText().isEmpty());
    EXPECT_FALSE(readTexts("<drawing><text><rtf/></text></drawing>")[0]->text());
}

} // namespace
} // namespace qv

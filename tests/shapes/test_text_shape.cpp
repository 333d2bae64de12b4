// Text shapes: RTF kept as base64 lines, data that is not RTF, truncated,
// unbalanced and hostile RTF, and the announcements of edits of the storage.

#include "ShapeTestSupport.h"

#include "document/RtfWriter.h"
#include "framework/foundation/Base64.h"
#include "shapes/TextShape.h"

#include <sstream>

namespace qv {
namespace {

using namespace test;

std::string base64Of(std::string_view s) {
    return base64Encoding(ByteBuffer(s.begin(), s.end()), 72);
}

TEST(TextShape, TextDataIsBase64RtfInLinesOf72) {
    TextShape t;
    EXPECT_TRUE(t.text()->richText().isEmpty());
    std::string words;
    for (int i = 0; i < 40; ++i)
        words += "Line " + std::to_string(i) + " of a text long enough for many base64 lines\n";
    t.setRichText(RichText::fromPlainText(words));
    std::istringstream lines(t.textData());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_LE(line.size(), 72u);
    EXPECT_GT(count, 10);
    const ByteBuffer bytes = dataWithBase64EncodedString(t.textData());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), rtfFromRichText(t.text()->richText()));
    // Data that is not RTF leaves no text, which draws, copies and writes as none.
    for (const std::string& data :
         {base64Of("plain words, no RTF"), std::string(), std::string("\xff\xfe no")}) {
        t.setTextData(data);
        EXPECT_FALSE(t.text());
        EXPECT_EQ(t.textData(), "");
        EXPECT_TRUE(t.valueForKey("text").isNull());
        EXPECT_FALSE(std::static_pointer_cast<TextShape>(t.copy())->text());
        RecordingGraphicsContext gc;
        t.drawInView(gc, nullptr);
        EXPECT_TRUE(gc.operations().empty());
    }
}

// Never a crash; once the words are in, they are read; whatever was read
// writes and reads back to the same text.
TEST(TextShape, TruncatedUnbalancedOrHostileRtfGivesWhatCouldBeRead) {
    TextShape t;
    const std::string full = rtfFromRichText(RichText::fromPlainText("Hello world"));
    for (std::size_t n = 5; n <= full.size(); ++n) {
        t.setTextData(base64Of(full.substr(0, n)));
        ASSERT_TRUE(t.text()) << n;
    }
    const std::pair<std::string, std::string> rows[] = {
        {"{\\rtf1\\ansi Hello world", "Hello world"},
        {"{\\rtf1 abc}}}}}} def", "abc"},
        {"{\\rtf1 start" + std::string(100000, '{') + "inner" + std::string(100000, '}'), "start"}};
    for (const auto& [rtf, words] : rows) {
        t.setTextData(base64Of(rtf));
        ASSERT_TRUE(t.text());
        EXPECT_NE(t.text()->richText().plainText().find(words), std::string::npos);
    }
    Random random(5);
    for (int round = 0; round < 200; ++round) {
        std::string junk = "{\\rtf1";
        for (int i = 0; i < 200; ++i)
            junk.push_back(static_cast<char>(random.integer(0, 255)));
        t.setTextData(base64Of(junk));
        ASSERT_TRUE(t.text());
        TextShape again;
        again.setTextData(t.textData());
        ASSERT_TRUE(again.text());
        EXPECT_EQ(again.text()->richText(), t.text()->richText()) << round;
    }
}

// Typing into the storage announces a did-change only (it is not an undoable
// "text" change); a new storage silences the old one; the storage may
// outlive its shape.
TEST(TextShape, EditsOfTheStorageAnnounceADidChangeOnly) {
    TextShape t;
    TextStoragePtr storage = t.text();
    KeyPathRecorder recorder;
    t.addObserver(&recorder, "text");
    int will = 0, did = 0;
    auto& center = NotificationCenter::defaultCenter();
    center.addObserver(&will, QVShapeWillChangeNotification, &t,
                       [&](const Notification&) { ++will; });
    center.addObserver(&did, QVShapeDidChangeNotification, &t, [&](const Notification&) { ++did; });
    const std::pair<std::function<void()>, Point> steps[] = {
        {[&] { storage->setRichText(RichText::fromPlainText("typed")); }, {0, 1}},
        {[&] { t.setRichText(RichText::fromPlainText("replaced")); }, {1, 2}},
        {[&] { storage->setRichText(RichText::fromPlainText("stale")); }, {1, 2}},
        {[&] { t.text()->setRichText(RichText::fromPlainText("typed again")); }, {1, 3}},
        {[&] { t.setText(t.text()); }, {1, 3}}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        EXPECT_EQ(Point(will, did), steps[i].second) << i;
    }
    EXPECT_EQ(recorder.changes.size(), 1u);
    center.removeObserver(&will);
    center.removeObserver(&did);
    t.removeObserver(&recorder);
    TextStoragePtr survivor;
    {
        TextShape gone;
        survivor = gone.text();
    }
    survivor->setRichText(RichText::fromPlainText("nobody listens"));
}

} // namespace
} // namespace qv

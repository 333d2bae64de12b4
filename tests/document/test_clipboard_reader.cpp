// The drawing's own clipboard forms without a window system: the picture
// payload's layout and the private XML read into shapes with their pictures.
#include "document/ClipboardReader.h"

#include "shapes/ElementCast.h"
#include "shapes/GroupShape.h"
#include "styles/Fill.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

ByteBuffer bytes(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

// "Decodes" for these tests: bytes starting with 'P'.
bool fakeCheck(const ByteBuffer& b) {
    return !b.empty() && b[0] == 'P';
}

std::string rectangleWithPicture(std::string_view name) {
    return "<rectangle><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/><fill image=\"" +
           std::string(name) + "\"/></rectangle>";
}

std::string nestedGroups(int levels, std::string inner) {
    for (int i = 0; i < levels; ++i)
        inner = "<group>" + inner + "</group>";
    return inner;
}

std::string document(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<qvdrawdocument>" + std::string(body) +
           "</qvdrawdocument>";
}

TEST(ClipboardPayload, WritesAndReadsBackAndRefusesBrokenLayouts) {
    const std::vector<ClipboardPicture> pictures{{"a.png", bytes("PNG1")},
                                                 {"b c.tiff", bytes("TIFF")}};
    const ByteBuffer payload = encodePicturePayload(pictures);
    ASSERT_EQ(decodePicturePayload(payload.data(), payload.size()), pictures);
    // Names that could leave the package are not written.
    const ByteBuffer filtered = encodePicturePayload(
        {{"../x.png", bytes("P")}, {"a/b", bytes("P")}, {"tab\t", bytes("P")}, {"ok", bytes("P")}});
    EXPECT_EQ(decodePicturePayload(filtered.data(), filtered.size()),
              (std::vector<ClipboardPicture>{{"ok", bytes("P")}}));

    struct Case {
        const char* what;
        ByteBuffer data;
    };
    ByteBuffer trailing = payload;
    trailing.push_back(0);
    ByteBuffer badMark = payload;
    badMark[7] = '2';
    ByteBuffer tooMany = payload;
    tooMany[8] = 0xFF; // count 0xFF000002
    ByteBuffer emptyName = bytes("QVPICT01");
    for (int b : {0, 0, 0, 1, 0, 0, 0, 0, 0, 1, int('P')})
        emptyName.push_back(std::uint8_t(b));
    for (const Case& c :
         {Case{"truncated", ByteBuffer(payload.begin(), payload.end() - 1)},
          Case{"trailing byte", trailing}, Case{"other mark", badMark},
          Case{"count past the limit", tooMany}, Case{"empty name", emptyName}, Case{"empty", {}}})
        EXPECT_FALSE(decodePicturePayload(c.data.data(), c.data.size())) << c.what;
}

TEST(ClipboardReader, TakesOnlyShapesAndRefusesWhatHoldsNone) {
    ImageCache store;
    const std::string xml =
        document("<printinfo>AAAA</printinfo><page color=\"#FF0000\"/><grid spacing=\"99\"/>"
                 "<rectangle><bounds x=\"5\" y=\"6\" w=\"7\" h=\"8\"/></rectangle>");
    const ClipboardShapes read = readClipboardShapes(xml, nullptr, store, fakeCheck);
    ASSERT_EQ(read.shapes.size(), 1u);
    EXPECT_EQ(read.shapes[0]->bounds(), Rect(5, 6, 7, 8));

    for (const std::string& refused :
         {document("<page color=\"#FF0000\"/><grid spacing=\"99\"/>"), std::string("<qvdraw"),
          std::string(), document(nestedGroups(1100, rectangleWithPicture("x.png")))}) {
        const ClipboardShapes none = readClipboardShapes(refused, nullptr, store, fakeCheck);
        EXPECT_FALSE(none) << refused;
        EXPECT_FALSE(none.error.empty());
    }
    // Groups deeper than a drawing may hold keep only their allowed levels.
    const ClipboardShapes nested = readClipboardShapes(
        document(nestedGroups(300, rectangleWithPicture("none.png"))), nullptr, store, fakeCheck);
    ASSERT_EQ(nested.shapes.size(), 1u);
    std::size_t depth = 0;
    for (const Shape* s = nested.shapes[0].get(); auto* g = elementCast<const GroupShape>(s);
         s = g->shapes().empty() ? nullptr : g->shapes()[0].get())
        ++depth;
    EXPECT_LE(depth, GroupShape::kMaxGroupDepth);
    EXPECT_EQ(store.count(), 0u);
}

TEST(ClipboardReader, PicturesAreStoredOnceAndFillsFollowTheStoresNames) {
    ImageCache store;
    ASSERT_TRUE(store.addImageData(bytes("Pold"), "a.png"));    // same name, other bytes
    ASSERT_TRUE(store.addImageData(bytes("Pdup"), "kept.png")); // same bytes, other name
    const std::vector<ClipboardPicture> pictures{{"a.png", bytes("Pnew")},
                                                 {"dup.png", bytes("Pdup")},
                                                 {"bad.png", bytes("not a picture")},
                                                 {"unused.png", bytes("Punused")}};
    const ByteBuffer payload = encodePicturePayload(pictures);
    const std::string xml =
        document("<group>" + rectangleWithPicture("a.png") + rectangleWithPicture("dup.png") +
                 "</group>" + rectangleWithPicture("a.png") + rectangleWithPicture("bad.png") +
                 rectangleWithPicture("../escape.png") + rectangleWithPicture("missing.png"));
    const ClipboardShapes read = readClipboardShapes(xml, &payload, store, fakeCheck);
    ASSERT_EQ(read.shapes.size(), 5u);
    const auto& members = elementCast<GroupShape>(read.shapes[0].get())->shapes();
    EXPECT_EQ(members[0]->fill().imageName(), "a 1.png");
    EXPECT_EQ(members[1]->fill().imageName(), "kept.png");
    EXPECT_EQ(read.shapes[1]->fill().imageName(), "a 1.png");
    // Pictures the drawing could not save leave their shapes without fill.
    for (std::size_t i : {2u, 3u, 4u}) {
        EXPECT_EQ(read.shapes[i]->fill().style(), FillStyleNone) << i;
        EXPECT_EQ(read.shapes[i]->fill().imageName(), "") << i;
    }
    EXPECT_EQ(store.count(), 3u); // a.png, kept.png and the new a 1.png
    EXPECT_EQ(store.entryNamed("a 1.png")->data, bytes("Pnew"));
    EXPECT_FALSE(store.containsName("unused.png"));
    EXPECT_GE(read.warnings.size(), 3u);

    // Pasting the same again adds nothing new.
    EXPECT_TRUE(readClipboardShapes(xml, &payload, store, fakeCheck));
    EXPECT_EQ(store.count(), 3u);
    // The shapes' own pictures, each once, as the payload of a copy.
    EXPECT_EQ(
        picturesForShapes(read.shapes, store),
        (std::vector<ClipboardPicture>{{"a 1.png", bytes("Pnew")}, {"kept.png", bytes("Pdup")}}));
}

} // namespace
} // namespace qv

#include "document/ImageCache.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "styles/Fill.h"
#include "styles/FillCache.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::FakeImageCodec;
using test::pictureBytes;

// Records what a fill announces through its shape.
class LoggingOwner : public StyleOwner {
public:
    void willChange() override { events.push_back("will"); }
    void didChange() override { events.push_back("did"); }
    void styleWillChangeKeyPath(std::string_view path) override {
        events.push_back("will " + std::string(path));
    }
    void styleDidChangeKeyPath(std::string_view path) override {
        events.push_back("did " + std::string(path));
    }
    void clearFillCache() override { events.push_back("clear"); }
    std::vector<std::string> events;
};

AttributeMap asText(const AttributeMap& written) {
    AttributeMap text;
    for (const auto& [key, value] : written)
        text.setStringValue(attributeValueText(value), key);
    return text;
}

std::vector<std::string> keysOf(const AttributeMap& a) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : a)
        keys.push_back(key);
    return keys;
}

TEST(FillValues, Defaults) {
    Fill fill;
    EXPECT_EQ(fill.style(), 1);
    EXPECT_EQ(fill.color(), Color(1, 1, 1, 1));
    EXPECT_EQ(fill.gradientColor(), Color(0.5, 0.5, 0.5, 1));
    EXPECT_EQ(fill.gradientStyle(), 0);
    EXPECT_EQ(fill.gradientStart(), Point(0.20000000298023224, 0.20000000298023224));
    EXPECT_EQ(fill.gradientEnd(), Point(0.800000011920929, 0.800000011920929));
    EXPECT_EQ(fill.imageName(), "");
    EXPECT_EQ(fill.imagePlacement(), 0);
    EXPECT_EQ(fill.shape(), nullptr);
}

TEST(FillValues, DerivedPropertiesFollowTheStyle) {
    Fill fill;
    struct Row {
        int style;
        bool visible, hasColor, hasGradient, hasImage;
    };
    for (Row r : {Row{0, false, false, false, false}, Row{1, true, true, false, false},
                  Row{2, true, true, true, false}, Row{3, true, false, false, true},
                  Row{9, true, false, false, false}}) {
        fill.setStyle(r.style);
        EXPECT_EQ(fill.visible(), r.visible) << r.style;
        EXPECT_EQ(fill.hasColor(), r.hasColor) << r.style;
        EXPECT_EQ(fill.hasGradient(), r.hasGradient) << r.style;
        EXPECT_EQ(fill.hasImage(), r.hasImage) << r.style;
        EXPECT_EQ(fill.valueForKey("hasImage"), Value(r.hasImage));
        EXPECT_EQ(fill.valueForKey("visible"), Value(r.visible));
    }
}

TEST(FillValues, CopyHasTheEightValuesAndNoOwner) {
    LoggingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    fill.setStyle(2);
    fill.setColor(Color(0.1, 0.2, 0.3, 0.4));
    fill.setGradientColor(Color(0.5, 0.6, 0.7, 0.8));
    fill.setGradientStyle(1);
    fill.setGradientStart({-1, 2});
    fill.setGradientEnd({3, 4});
    fill.setImageName("p.png");
    fill.setImagePlacement(3);
    const auto copy = fill.copy();
    EXPECT_EQ(copy->shape(), nullptr);
    for (const char* key : {"style", "color", "gradientStyle", "gradientColor", "gradientStart",
                            "gradientEnd", "imageName", "imagePlacement"})
        EXPECT_EQ(copy->valueForKey(key), fill.valueForKey(key)) << key;
}

TEST(FillAnnouncements, SetterBracketsOneChangeAndClearsTheCacheInside) {
    LoggingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    fill.setGradientStart({0, 0});
    fill.setGradientStart({0, 0});
    EXPECT_EQ(owner.events, (std::vector<std::string>{"will", "will fill.gradientStart", "clear",
                                                      "did fill.gradientStart", "did"}));
}

TEST(FillAnnouncements, ColoursAlwaysAnnounceOtherValuesOnlyWhenChanged) {
    LoggingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    auto countChanges = [&] { return std::count(owner.events.begin(), owner.events.end(), "did"); };
    fill.setColor(Color::white());
    fill.setColor(Color::white());
    EXPECT_EQ(countChanges(), 2);
    fill.setGradientColor(Color(0.5, 0.5, 0.5, 1));
    EXPECT_EQ(countChanges(), 3);
    fill.setStyle(1);
    fill.setGradientStyle(0);
    fill.setGradientEnd(fill.gradientEnd());
    fill.setImageName("");
    fill.setImagePlacement(0);
    EXPECT_EQ(countChanges(), 3);
    fill.setImageName("a.png");
    fill.setImagePlacement(2);
    fill.setGradientStyle(1);
    EXPECT_EQ(countChanges(), 6);
    EXPECT_EQ(fill.imageName(), "a.png");
}

TEST(FillAnnouncements, StyleChangeAlsoAnnouncesTheDerivedKeys) {
    LoggingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    fill.setStyle(3);
    EXPECT_EQ(owner.events, (std::vector<std::string>{
                                "will", "will fill.style", "will fill.visible",
                                "will fill.hasColor", "will fill.hasGradient", "will fill.hasImage",
                                "clear", "did fill.hasImage", "did fill.hasGradient",
                                "did fill.hasColor", "did fill.visible", "did fill.style", "did"}));
}

TEST(FillAnnouncements, WithoutOwnerSettersJustStore) {
    Fill fill;
    fill.setStyle(2);
    fill.setGradientEnd({1, 1});
    EXPECT_EQ(fill.style(), 2);
    EXPECT_EQ(fill.gradientEnd(), Point(1, 1));
}

TEST(FillKeyValue, KeysReadAndWriteThroughTheSetters) {
    LoggingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    EXPECT_TRUE(fill.setValueForKey(Value(2), "style"));
    EXPECT_TRUE(fill.setValueForKey(Value(Color(1, 0, 0)), "color"));
    EXPECT_TRUE(fill.setValueForKey(Value(Color(0, 0, 1)), "gradientColor"));
    EXPECT_TRUE(fill.setValueForKey(Value(1), "gradientStyle"));
    EXPECT_TRUE(fill.setValueForKey(Value(Point(0.5, 0.5)), "gradientStart"));
    EXPECT_TRUE(fill.setValueForKey(Value(Point(1, 0.5)), "gradientEnd"));
    EXPECT_TRUE(fill.setValueForKey(Value("pic.png"), "imageName"));
    EXPECT_TRUE(fill.setValueForKey(Value(3), "imagePlacement"));
    EXPECT_EQ(fill.style(), 2);
    EXPECT_EQ(fill.color(), Color(1, 0, 0));
    EXPECT_EQ(fill.gradientColor(), Color(0, 0, 1));
    EXPECT_EQ(fill.gradientStyle(), 1);
    EXPECT_EQ(fill.gradientStart(), Point(0.5, 0.5));
    EXPECT_EQ(fill.gradientEnd(), Point(1, 0.5));
    EXPECT_EQ(fill.imageName(), "pic.png");
    EXPECT_EQ(fill.imagePlacement(), 3);
    EXPECT_EQ(fill.valueForKey("gradientStart"), Value(Point(0.5, 0.5)));
    EXPECT_EQ(fill.valueForKey("imageName"), Value("pic.png"));
    EXPECT_EQ(fill.valueForKey("style"), Value(2));
    EXPECT_TRUE(fill.valueForKey("nonsense").isNull());

    owner.events.clear();
    EXPECT_FALSE(fill.setValueForKey(Value(1), "visible"));
    EXPECT_FALSE(fill.setValueForKey(Value(true), "hasImage"));
    EXPECT_FALSE(fill.setValueForKey(Value("red"), "color"));
    EXPECT_FALSE(fill.setValueForKey(Value(3), "gradientStart"));
    EXPECT_FALSE(fill.setValueForKey(Value::multipleValues(), "style"));
    EXPECT_FALSE(fill.setValueForKey(Value(), "imageName"));
    EXPECT_TRUE(owner.events.empty());
}

TEST(FillElement, EachStyleWritesItsOwnAttributes) {
    Fill fill;
    EXPECT_EQ(fill.elementName(), "fill");
    EXPECT_TRUE(fill.elementChildren().empty());
    AttributeMap a = fill.elementAttributes();
    EXPECT_EQ(keysOf(a), std::vector<std::string>{"color"});
    EXPECT_EQ(a.stringValueForKey("color"), "#FFFFFFFF");

    fill.setStyle(2);
    fill.setGradientStyle(1);
    const AttributeMap written = fill.elementAttributes();
    EXPECT_EQ(*written.find("grad-start-x"), AttributeValue(static_cast<double>(0.2f)));
    EXPECT_EQ(*written.find("grad-end-y"), AttributeValue(static_cast<double>(0.8f)));
    a = asText(written);
    EXPECT_EQ(keysOf(a), (std::vector<std::string>{"color", "grad-color", "grad", "grad-start-x",
                                                   "grad-start-y", "grad-end-x", "grad-end-y"}));
    EXPECT_EQ(a.stringValueForKey("grad-color"), "#7F7F7FFF");
    EXPECT_EQ(a.stringValueForKey("grad"), "1");

    fill.setStyle(3);
    fill.setImageName("photo.jpg");
    fill.setImagePlacement(1);
    a = asText(fill.elementAttributes());
    EXPECT_EQ(keysOf(a), (std::vector<std::string>{"image", "image-placement"}));
    EXPECT_EQ(a.stringValueForKey("image"), "photo.jpg");
    EXPECT_EQ(a.stringValueForKey("image-placement"), "1");

    for (int style : {0, 4, -1}) {
        fill.setStyle(style);
        a = fill.elementAttributes();
        EXPECT_EQ(keysOf(a), std::vector<std::string>{"color"});
        EXPECT_EQ(a.stringValueForKey("color"), "none");
    }
}

TEST(FillElement, ImageWinsOverColourAndLeavesTheColour) {
    AttributeMap a;
    a.setStringValue("#FF0000FF", "color");
    a.setStringValue("p.png", "image");
    a.setStringValue("2", "image-placement");
    Fill fill;
    fill.setElementAttributes(a);
    EXPECT_EQ(fill.style(), 3);
    EXPECT_EQ(fill.imageName(), "p.png");
    EXPECT_EQ(fill.imagePlacement(), 2);
    EXPECT_EQ(fill.color(), Color::white());
}

TEST(FillElement, NoColourOrNoneMeansNoFill) {
    for (bool none : {false, true}) {
        AttributeMap a;
        if (none)
            a.setStringValue("none", "color");
        a.setStringValue("#000000FF", "grad-color");
        Fill fill;
        fill.setElementAttributes(a);
        EXPECT_EQ(fill.style(), 0);
        EXPECT_EQ(fill.gradientColor(), Color(0.5, 0.5, 0.5, 1));
    }
}

TEST(FillElement, MissingOrNoneGradientColourReadsAsSolid) {
    for (bool none : {false, true}) {
        AttributeMap a;
        a.setStringValue("#00FF00FF", "color");
        if (none)
            a.setStringValue("none", "grad-color");
        a.setStringValue("1", "grad");
        Fill fill;
        fill.setElementAttributes(a);
        EXPECT_EQ(fill.style(), 1);
        EXPECT_EQ(fill.color(), Color(0, 1, 0, 1));
        EXPECT_EQ(fill.gradientStyle(), 0);
    }
}

TEST(FillElement, GradientWithoutStartPointStartsAtTheTopLeftCorner) {
    AttributeMap a;
    a.setStringValue("#000000FF", "color");
    a.setStringValue("#FFFFFF80", "grad-color");
    a.setStringValue("1", "grad");
    a.setStringValue("0.75", "grad-end-x");
    a.setStringValue("1", "grad-end-y");
    Fill fill;
    fill.setElementAttributes(a);
    EXPECT_EQ(fill.style(), 2);
    EXPECT_EQ(fill.gradientStyle(), 1);
    EXPECT_EQ(fill.gradientStart(), Point(0, 0));
    EXPECT_EQ(fill.gradientEnd(), Point(0.75, 1));
    EXPECT_EQ(fill.gradientColor(), Color::colorWithHexString("#FFFFFF80"));
}

TEST(FillElement, WriteReadWriteGivesTheSameAttributes) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> style(-1, 4), small(-2, 5);
    std::uniform_real_distribution<double> unit(0, 1), coordinate(-3, 3);
    const char* names[] = {"a.png", "photo 2.jpg", "QVImage.tiff", "x"};
    for (int i = 0; i < 500; ++i) {
        Fill fill;
        fill.setStyle(style(random));
        fill.setColor(Color(unit(random), unit(random), unit(random), unit(random)));
        fill.setGradientColor(Color(unit(random), unit(random), unit(random), unit(random)));
        fill.setGradientStyle(small(random));
        fill.setGradientStart({coordinate(random), coordinate(random)});
        fill.setGradientEnd({coordinate(random), coordinate(random)});
        fill.setImageName(names[i % 4]);
        fill.setImagePlacement(small(random));
        const AttributeMap first = asText(fill.elementAttributes());
        Fill read;
        read.setElementAttributes(first);
        const AttributeMap second = asText(read.elementAttributes());
        ASSERT_EQ(second, first) << i;
        if (fill.style() == FillStyleGradient || fill.style() == FillStyleImage ||
            fill.style() == FillStyleColor)
            EXPECT_EQ(read.style(), fill.style());
        else
            EXPECT_EQ(read.style(), 0);
    }
}

TEST(FillPlacement, StretchCoverCentreAndTile) {
    using Rects = std::vector<Rect>;
    EXPECT_EQ(imagePlacementRects(0, {50, 40}, {200, 100}), Rects{Rect(0, 0, 50, 40)});
    EXPECT_EQ(imagePlacementRects(7, {50, 40}, {200, 100}), Rects{Rect(0, 0, 50, 40)});
    EXPECT_EQ(imagePlacementRects(1, {50, 50}, {200, 100}), Rects{Rect(-25, 0, 100, 50)});
    // A tall picture in wide bounds is scaled to the width and cut top and bottom.
    EXPECT_EQ(imagePlacementRects(1, {100, 20}, {10, 20}), Rects{Rect(0, -90, 100, 200)});
    EXPECT_EQ(imagePlacementRects(2, {50, 50}, {200, 100}), Rects{Rect(-75, -25, 200, 100)});
    EXPECT_EQ(imagePlacementRects(2, {50, 50}, {10, 20}), Rects{Rect(20, 15, 10, 20)});

    const Rects tiles = imagePlacementRects(3, {100, 40}, {30, 30});
    ASSERT_EQ(tiles.size(), 8u);
    for (std::size_t k = 0; k < tiles.size(); ++k)
        EXPECT_EQ(tiles[k], Rect((k % 4) * 30.0, (k / 4) * 30.0, 30, 30)) << k;
    // A tile is drawn only while its edge lies inside: 60 wide holds exactly two.
    EXPECT_EQ(imagePlacementRects(3, {60, 30}, {30, 30}).size(), 2u);
}

TEST(FillPlacement, PicturesWithoutAreaOrAbsurdTilingDrawNothing) {
    for (int placement : {0, 1, 2, 3}) {
        EXPECT_TRUE(imagePlacementRects(placement, {50, 50}, {0, 10}).empty());
        EXPECT_TRUE(imagePlacementRects(placement, {50, 50}, {10, 0}).empty());
        EXPECT_TRUE(imagePlacementRects(placement, {50, 50}, {10, NAN}).empty());
    }
    EXPECT_TRUE(imagePlacementRects(3, {1e6, 1e6}, {0.01, 0.01}).empty());
    EXPECT_TRUE(imagePlacementRects(3, {INFINITY, 10}, {1, 1}).empty());
}

TEST(FillGradient, InterpolatesEachComponent) {
    const std::array<double, 8> context = {1, 0, 0.2, 1, 0, 1, 0.6, 0};
    EXPECT_EQ(GradientInterpolate(context, 0), (std::array<double, 4>{1, 0, 0.2, 1}));
    EXPECT_EQ(GradientInterpolate(context, 1), (std::array<double, 4>{0, 1, 0.6, 0}));
    const auto mid = GradientInterpolate(context, 0.25);
    EXPECT_DOUBLE_EQ(mid[0], 0.75);
    EXPECT_DOUBLE_EQ(mid[1], 0.25);
    EXPECT_DOUBLE_EQ(mid[2], 0.3);
    EXPECT_DOUBLE_EQ(mid[3], 0.75);
}

// The one picture made by `gc` and what was drawn into it.
const RecordedImage& onlyPicture(const RecordingGraphicsContext& gc) {
    const auto made = gc.operationsOfKind(DrawOpKind::MakeImage);
    EXPECT_EQ(made.size(), 1u);
    static const RecordedImage none({0, 0}, 1, {});
    return made.empty() || !made[0].madeImage ? none : *made[0].madeImage;
}

TEST(FillGradient, LinearRunsCornerToCornerAndBlendsEvenlyInTheMiddle) {
    Fill fill;
    fill.setStyle(2);
    fill.setColor(Color(1, 0, 0, 1));
    fill.setGradientColor(Color(0, 0, 1, 0.5));
    fill.setGradientStart({0, 0});
    fill.setGradientEnd({1, 1});
    RecordingGraphicsContext gc;
    const ImagePtr picture = fill.gradientFillImage({100, 50}, 2.0, gc);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), Size(100, 50));
    const RecordedImage& recorded = onlyPicture(gc);
    EXPECT_EQ(recorded.scale(), 2.0);
    ASSERT_EQ(recorded.operations().size(), 1u);
    const DrawOperation& g = recorded.operations()[0];
    ASSERT_EQ(g.kind, DrawOpKind::LinearGradient);
    EXPECT_EQ(g.start, Point(0, 0));
    EXPECT_EQ(g.end, Point(100, 50));
    EXPECT_TRUE(g.extendStart);
    EXPECT_TRUE(g.extendEnd);
    // (50, 25) projects onto the axis at t = 0.5.
    const Point p(50, 25), axis = g.end - g.start;
    const double t = ((p.x - g.start.x) * axis.x + (p.y - g.start.y) * axis.y) /
                     (axis.x * axis.x + axis.y * axis.y);
    EXPECT_DOUBLE_EQ(t, 0.5);
    ASSERT_EQ(g.gradientColors.size(), std::size_t(DrawOperation::kGradientSamples));
    EXPECT_EQ(g.gradientColors[5], Color(0.5, 0, 0.5, 0.75));
    EXPECT_EQ(g.gradientColors.front(), fill.color());
    EXPECT_EQ(g.gradientColors.back(), fill.gradientColor());
}

TEST(FillGradient, RadialReachesTheGradientColourAtTheEndRadius) {
    Fill fill;
    fill.setStyle(2);
    fill.setGradientStyle(1);
    fill.setColor(Color::black());
    fill.setGradientColor(Color(0, 1, 0, 1));
    fill.setGradientStart({0.5, 0.5});
    fill.setGradientEnd({1, 0.5});
    RecordingGraphicsContext gc;
    fill.gradientFillImage({100, 100}, 1.0, gc);
    const RecordedImage& recorded = onlyPicture(gc);
    ASSERT_EQ(recorded.operations().size(), 1u);
    const DrawOperation& g = recorded.operations()[0];
    ASSERT_EQ(g.kind, DrawOpKind::RadialGradient);
    EXPECT_EQ(g.start, Point(50, 50));
    EXPECT_EQ(g.end, Point(50, 50));
    EXPECT_EQ(g.startRadius, 0.1);
    EXPECT_EQ(g.endRadius, 50);
    EXPECT_TRUE(g.extendStart);
    EXPECT_TRUE(g.extendEnd); // so the gradient colour carries on outside
    EXPECT_EQ(g.gradientColors.back(), Color(0, 1, 0, 1));
}

TEST(FillGradient, UnknownGradientStylesDrawLinear) {
    Fill fill;
    fill.setStyle(2);
    fill.setGradientStyle(5);
    RecordingGraphicsContext gc;
    fill.gradientFillImage({10, 10}, 1.0, gc);
    ASSERT_EQ(onlyPicture(gc).operations().size(), 1u);
    EXPECT_EQ(onlyPicture(gc).operations()[0].kind, DrawOpKind::LinearGradient);
}

TEST(FillImagePicture, DrawsTheStoredPictureByPlacement) {
    FakeImageCodec codec;
    ImageCache store;
    store.addImageData(pictureBytes(200, 100), "wide.png");
    Fill fill;
    fill.setStyle(3);
    fill.setImageName("wide.png");
    fill.setImagePlacement(1);
    RecordingGraphicsContext gc;
    const ImagePtr picture = fill.imageFillImage({50, 50}, 1.0, gc, store);
    ASSERT_NE(picture, nullptr);
    const auto& ops = onlyPicture(gc).operations();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, DrawOpKind::DrawImage);
    EXPECT_EQ(ops[0].rect, Rect(-25, 0, 100, 50));
    EXPECT_EQ(ops[0].image, store.imageNamed("wide.png").get());
    EXPECT_EQ(ops[0].opacity, 1.0);
}

TEST(FillImagePicture, UnknownUnsafeOrUndecodableNamesLeaveThePictureTransparent) {
    FakeImageCodec codec;
    ImageCache store;
    store.addImageData(test::bytesOf("garbage"), "bad.png");
    for (const char* name : {"missing.png", "bad.png", "..", "../wide.png", ""}) {
        Fill fill;
        fill.setStyle(3);
        fill.setImageName(name);
        RecordingGraphicsContext gc;
        EXPECT_NE(fill.imageFillImage({50, 50}, 1.0, gc, store), nullptr) << name;
        EXPECT_TRUE(onlyPicture(gc).operations().empty()) << name;
    }
}

TEST(FillPainting, SolidFillsThePathAndNoneDrawsNothing) {
    const BezierPath path = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10));
    FillCache cache;
    ImageCache store;
    Fill fill;
    fill.setColor(Color(0, 0, 1));
    RecordingGraphicsContext gc;
    fill.fillPath(gc, path, Rect(0, 0, 10, 10), cache, 1, 1, store);
    ASSERT_EQ(gc.fills().size(), 1u);
    EXPECT_EQ(gc.fills()[0].color, Color(0, 0, 1));
    EXPECT_EQ(gc.fills()[0].path, path);
    fill.setStyle(0);
    gc.clear();
    fill.fillPath(gc, path, Rect(0, 0, 10, 10), cache, 1, 1, store);
    EXPECT_TRUE(gc.operations().empty());
}

TEST(FillPainting, GradientClipsToThePathAndCoversTheBounds) {
    const Rect bounds(20, 30, 100, 50);
    const BezierPath path = BezierPath::bezierPathWithOvalInRect(bounds);
    FillCache cache;
    ImageCache store;
    Fill fill;
    fill.setStyle(2);
    RecordingGraphicsContext gc;
    fill.fillPath(gc, path, bounds, cache, 1, 1, store, Size(0.5, 0.5));
    EXPECT_EQ(gc.kinds(), (std::vector<DrawOpKind>{DrawOpKind::MakeImage, DrawOpKind::SaveGState,
                                                   DrawOpKind::ClipToPath, DrawOpKind::DrawImage,
                                                   DrawOpKind::RestoreGState}));
    const auto drawn = gc.operationsOfKind(DrawOpKind::DrawImage);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rect, Rect(20.5, 30.5, 100, 50));
    EXPECT_EQ(drawn[0].image, cache.image().get());
    EXPECT_EQ(gc.clips()[0].path, path);
}

TEST(FillPainting, EmptyPathOrBoundsWithoutAreaDrawNoPicture) {
    FillCache cache;
    ImageCache store;
    Fill fill;
    fill.setStyle(2);
    RecordingGraphicsContext gc;
    fill.fillPath(gc, BezierPath(), Rect(0, 0, 10, 10), cache, 1, 1, store);
    const BezierPath line = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 0));
    fill.fillPath(gc, line, Rect(0, 0, 10, 0), cache, 1, 1, store);
    EXPECT_TRUE(gc.operations().empty());
    EXPECT_FALSE(cache.hasImage());
}

} // namespace
} // namespace qv

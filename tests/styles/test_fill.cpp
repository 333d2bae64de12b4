#include "document/ImageCache.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "styles/Fill.h"
#include "styles/FillCache.h"

#include "StyleTestSupport.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace qv {
namespace {

using test::attributes;
using test::FakeImageCodec;
using test::line;
using test::pictureBytes;
using test::RecordingOwner;

TEST(FillValues, DefaultsAndWhatTheStyleImplies) {
    Fill fill;
    // The gradient points are single-precision 0.2 and 0.8.
    EXPECT_EQ(fill.gradientStart(), Point(0.20000000298023224, 0.20000000298023224));
    EXPECT_EQ(fill.gradientEnd(), Point(0.800000011920929, 0.800000011920929));
    EXPECT_EQ(fill.gradientColor(), Color(0.5, 0.5, 0.5, 1));
    struct Row {
        int style;
        bool visible, hasColor, hasGradient, hasImage;
    };
    for (Row r : {Row{1, true, true, false, false}, Row{0, false, false, false, false},
                  Row{2, true, true, true, false}, Row{3, true, false, false, true},
                  Row{9, true, false, false, false}}) {
        if (r.style != 1)
            fill.setStyle(r.style);
        EXPECT_EQ(fill.style(), r.style);
        EXPECT_EQ(fill.visible(), r.visible) << r.style;
        EXPECT_EQ(fill.hasColor(), r.hasColor) << r.style;
        EXPECT_EQ(fill.hasGradient(), r.hasGradient) << r.style;
        EXPECT_EQ(fill.hasImage(), r.hasImage) << r.style;
        EXPECT_EQ(fill.valueForKey("hasImage"), Value(r.hasImage));
        EXPECT_EQ(fill.valueForKey("visible"), Value(r.visible));
    }
}

// Each edit runs twice: colours announce both times, other values only when
// they change; the style also announces what it implies.
TEST(FillAnnouncements, RealChangesAnnounceOnePairAndClearTheCacheInside) {
    auto fill = [](std::initializer_list<const char*> keys, int times = 1) {
        return test::announced("fill", keys, true, times);
    };
    const std::pair<std::function<void(Fill&)>, std::vector<std::string>> cases[] = {
        {[](Fill& f) {
             f.setGradientStart({0, 0});
         },
         fill({"gradientStart"})},
        {[](Fill& f) { f.setColor(Color::white()); }, fill({"color"}, 2)},
        {[](Fill& f) { f.setGradientColor(Color(0.5, 0.5, 0.5, 1)); }, fill({"gradientColor"}, 2)},
        {[](Fill& f) { f.setImageName("a.png"); }, fill({"imageName"})},
        {[](Fill& f) { f.setImagePlacement(2); }, fill({"imagePlacement"})},
        {[](Fill& f) { f.setGradientStyle(1); }, fill({"gradientStyle"})},
        {[](Fill& f) { f.setStyle(1); }, {}},
        {[](Fill& f) { f.setGradientStyle(0); }, {}},
        {[](Fill& f) { f.setGradientEnd(f.gradientEnd()); }, {}},
        {[](Fill& f) { f.setImageName(""); }, {}},
        {[](Fill& f) { f.setImagePlacement(0); }, {}},
        {[](Fill& f) { f.setStyle(3); },
         fill({"style", "visible", "hasColor", "hasGradient", "hasImage"})},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        RecordingOwner owner;
        Fill fill;
        fill.setShape(&owner);
        cases[i].first(fill);
        cases[i].first(fill);
        EXPECT_EQ(owner.events, cases[i].second) << i;
    }
}

// Every key reaches its value; values of the wrong kind, and the derived
// keys, are refused without a word to the owner.
TEST(FillKeyValue, KeysReadAndWriteAndWrongKindsAreRefused) {
    RecordingOwner owner;
    Fill fill;
    fill.setShape(&owner);
    const std::pair<const char*, Value> keys[] = {
        {"style", Value(2)},           {"color", Value(Color(1, 0, 0))},
        {"gradientStyle", Value(1)},   {"gradientColor", Value(Color(0, 0, 1))},
        {"imagePlacement", Value(3)},  {"gradientStart", Value(Point(0.5, 0.5))},
        {"imageName", Value("a.png")}, {"gradientEnd", Value(Point(1, 0.5))}};
    for (const auto& [key, value] : keys) {
        EXPECT_TRUE(fill.setValueForKey(value, key)) << key;
        EXPECT_EQ(fill.valueForKey(key), value) << key;
    }
    EXPECT_EQ(fill.gradientStart(), Point(0.5, 0.5));
    EXPECT_TRUE(fill.valueForKey("nonsense").isNull());
    const auto copy = fill.copy();
    EXPECT_EQ(copy->shape(), nullptr);
    EXPECT_EQ(line(copy->elementAttributes()), line(fill.elementAttributes()));

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
    EXPECT_EQ(line(fill.elementAttributes()), "color=#FFFFFFFF");
    fill.setStyle(2);
    fill.setGradientStyle(1);
    EXPECT_EQ(line(fill.elementAttributes()),
              "color=#FFFFFFFF grad-color=#7F7F7FFF grad=1 grad-start-x=0.2000000029802322 "
              "grad-start-y=0.2000000029802322 grad-end-x=0.800000011920929 "
              "grad-end-y=0.800000011920929");
    fill.setStyle(3);
    fill.setImageName("photo.jpg");
    fill.setImagePlacement(1);
    EXPECT_EQ(line(fill.elementAttributes()), "image=photo.jpg image-placement=1");
    for (int style : {0, 4, -1}) {
        fill.setStyle(style);
        EXPECT_EQ(line(fill.elementAttributes()), "color=none");
    }
}

TEST(FillElement, ReadingDecidesTheStyleFromWhatIsThere) {
    const Color W = Color::white(), G(0.5, 0.5, 0.5, 1), K = Color::black(), Green(0, 1, 0, 1);
    const Point s0(0.20000000298023224, 0.20000000298023224);
    const Point e0(0.800000011920929, 0.800000011920929);
    struct Case {
        const char* file;
        int style, gradientStyle;
        Color color, gradientColor;
        Point start, end;
    };
    const Case cases[] = {
        // An image wins over a colour and leaves the colour alone.
        {"color=#FF0000FF image=p.png image-placement=2", 3, 0, W, G, s0, e0},
        {"grad-color=#000000FF", 0, 0, W, G, s0, e0},
        {"color=none grad-color=#000000FF", 0, 0, W, G, s0, e0},
        // A missing or "none" gradient colour reads as a solid fill.
        {"color=#00FF00FF grad=1", 1, 0, Green, G, s0, e0},
        {"color=#00FF00FF grad-color=none grad=1", 1, 0, Green, G, s0, e0},
        // A gradient without a start point starts at the top left corner.
        {"color=#000000FF grad-color=#FFFFFF80 grad=1 grad-end-x=0.75 grad-end-y=1",
         2,
         1,
         K,
         Color::colorWithHexString("#FFFFFF80"),
         {0, 0},
         {0.75, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Fill fill;
        fill.setElementAttributes(attributes(c.file));
        EXPECT_EQ(fill.style(), c.style);
        EXPECT_EQ(fill.gradientStyle(), c.gradientStyle);
        EXPECT_EQ(fill.color(), c.color);
        EXPECT_EQ(fill.gradientColor(), c.gradientColor);
        EXPECT_EQ(fill.gradientStart(), c.start);
        EXPECT_EQ(fill.gradientEnd(), c.end);
        EXPECT_EQ(fill.imageName(), c.style == 3 ? "p.png" : "");
        EXPECT_EQ(fill.imagePlacement(), c.style == 3 ? 2 : 0);
    }
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
        const AttributeMap first = test::asRead(fill.elementAttributes());
        Fill read;
        read.setElementAttributes(first);
        ASSERT_EQ(line(test::asRead(read.elementAttributes())), line(first)) << i;
        const bool known = fill.style() >= 1 && fill.style() <= 3;
        EXPECT_EQ(read.style(), known ? fill.style() : 0);
    }
}

TEST(FillPlacement, StretchCoverCentreAndTile) {
    using Rects = std::vector<Rect>;
    struct Case {
        int placement;
        Size bounds, picture;
        Rects rects;
    };
    const Case cases[] = {
        {0, {50, 40}, {200, 100}, {Rect(0, 0, 50, 40)}},
        {7, {50, 40}, {200, 100}, {Rect(0, 0, 50, 40)}},
        {1, {50, 50}, {200, 100}, {Rect(-25, 0, 100, 50)}},
        // A tall picture in wide bounds is scaled to the width and cut top and bottom.
        {1, {100, 20}, {10, 20}, {Rect(0, -90, 100, 200)}},
        {2, {50, 50}, {200, 100}, {Rect(-75, -25, 200, 100)}},
        {2, {50, 50}, {10, 20}, {Rect(20, 15, 10, 20)}},
        // A tile is drawn only while its edge lies inside: 60 wide holds exactly two.
        {3, {60, 30}, {30, 30}, {Rect(0, 0, 30, 30), Rect(30, 0, 30, 30)}},
        // Pictures without area, or absurd tiling, draw nothing.
        {3, {1e6, 1e6}, {0.01, 0.01}, {}},
        {3, {INFINITY, 10}, {1, 1}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(imagePlacementRects(c.placement, c.bounds, c.picture), c.rects) << c.placement;
    for (int placement : {0, 1, 2, 3})
        for (Size empty : {Size(0, 10), Size(10, 0), Size(10, NAN)})
            EXPECT_TRUE(imagePlacementRects(placement, {50, 50}, empty).empty()) << placement;
    const Rects tiles = imagePlacementRects(3, {100, 40}, {30, 30});
    ASSERT_EQ(tiles.size(), 8u);
    for (std::size_t k = 0; k < tiles.size(); ++k)
        EXPECT_EQ(tiles[k], Rect((k % 4) * 30.0, (k / 4) * 30.0, 30, 30)) << k;
}

TEST(FillGradient, InterpolatesEachComponent) {
    const std::array<double, 8> context = {1, 0, 0.2, 1, 0, 1, 0.6, 0};
    EXPECT_EQ(GradientInterpolate(context, 0), (std::array<double, 4>{1, 0, 0.2, 1}));
    EXPECT_EQ(GradientInterpolate(context, 1), (std::array<double, 4>{0, 1, 0.6, 0}));
    const auto mid = GradientInterpolate(context, 0.25);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(mid[i], (std::array<double, 4>{0.75, 0.25, 0.3, 0.75})[i]) << i;
}

// The one picture made by `gc` and what was drawn into it.
const RecordedImage& onlyPicture(const RecordingGraphicsContext& gc) {
    const auto made = gc.operationsOfKind(DrawOpKind::MakeImage);
    EXPECT_EQ(made.size(), 1u);
    static const RecordedImage none({0, 0}, 1, {});
    return made.empty() || !made[0].madeImage ? none : *made[0].madeImage;
}

TEST(FillGradient, LinearCornerToCornerRadialToTheEndRadiusUnknownLinear) {
    using K = DrawOpKind;
    struct Case {
        int gradientStyle;
        Point start, end;
        Size size;
        K kind;
        Point from, to;
        double startRadius, endRadius;
    };
    const Case cases[] = {
        {0, {0, 0}, {1, 1}, {100, 50}, K::LinearGradient, {0, 0}, {100, 50}, 0, 0},
        {5, {0, 0}, {1, 1}, {100, 50}, K::LinearGradient, {0, 0}, {100, 50}, 0, 0},
        {1, {0.5, 0.5}, {1, 0.5}, {100, 100}, K::RadialGradient, {50, 50}, {50, 50}, 0.1, 50},
    };
    for (const Case& c : cases) {
        Fill fill;
        fill.setStyle(2);
        fill.setGradientStyle(c.gradientStyle);
        fill.setColor(Color(1, 0, 0, 1));
        fill.setGradientColor(Color(0, 0, 1, 0.5));
        fill.setGradientStart(c.start);
        fill.setGradientEnd(c.end);
        RecordingGraphicsContext gc;
        const ImagePtr picture = fill.gradientFillImage(c.size, 2.0, gc);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->size(), c.size);
        const RecordedImage& recorded = onlyPicture(gc);
        EXPECT_EQ(recorded.scale(), 2.0);
        ASSERT_EQ(recorded.operations().size(), 1u);
        const DrawOperation& g = recorded.operations()[0];
        ASSERT_EQ(g.kind, c.kind) << c.gradientStyle;
        EXPECT_EQ(g.start, c.from);
        EXPECT_EQ(g.end, c.to);
        if (c.kind == DrawOpKind::RadialGradient) {
            EXPECT_EQ(g.startRadius, c.startRadius);
            EXPECT_EQ(g.endRadius, c.endRadius);
        }
        // Both ends carry on, so the gradient colour fills what lies beyond.
        EXPECT_TRUE(g.extendStart);
        EXPECT_TRUE(g.extendEnd);
        ASSERT_EQ(g.gradientColors.size(), std::size_t(DrawOperation::kGradientSamples));
        EXPECT_EQ(g.gradientColors[5], Color(0.5, 0, 0.5, 0.75));
        EXPECT_EQ(g.gradientColors.front(), fill.color());
        EXPECT_EQ(g.gradientColors.back(), fill.gradientColor());
    }
}

TEST(FillImagePicture, DrawsTheStoredPictureByPlacementOrNothingForBadNames) {
    FakeImageCodec codec;
    ImageCache store;
    store.addImageData(pictureBytes(200, 100), "wide.png");
    store.addImageData(test::bytesOf("garbage"), "bad.png");
    for (const char* name : {"wide.png", "missing.png", "bad.png", "..", "../wide.png", ""}) {
        Fill fill;
        fill.setStyle(3);
        fill.setImageName(name);
        fill.setImagePlacement(1);
        RecordingGraphicsContext gc;
        EXPECT_NE(fill.imageFillImage({50, 50}, 1.0, gc, store), nullptr) << name;
        const auto& ops = onlyPicture(gc).operations();
        if (std::string(name) != "wide.png") {
            EXPECT_TRUE(ops.empty()) << name;
            continue;
        }
        ASSERT_EQ(ops.size(), 1u);
        EXPECT_EQ(ops[0].kind, DrawOpKind::DrawImage);
        EXPECT_EQ(ops[0].rect, Rect(-25, 0, 100, 50));
        EXPECT_EQ(ops[0].image, store.imageNamed("wide.png").get());
        EXPECT_EQ(ops[0].opacity, 1.0);
    }
}

TEST(FillPainting, SolidFillsGradientClipsNoneAndEmptyDrawNothing) {
    const BezierPath square = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10));
    FillCache cache;
    ImageCache store;
    Fill fill;
    fill.setColor(Color(0, 0, 1));
    RecordingGraphicsContext gc;
    fill.fillPath(gc, square, Rect(0, 0, 10, 10), cache, 1, 1, store);
    ASSERT_EQ(gc.fills().size(), 1u);
    EXPECT_EQ(gc.fills()[0].color, Color(0, 0, 1));
    EXPECT_EQ(gc.fills()[0].path, square);
    fill.setStyle(0);
    gc.clear();
    fill.fillPath(gc, square, Rect(0, 0, 10, 10), cache, 1, 1, store);
    // A gradient on an empty path, or on bounds without area, draws no picture.
    fill.setStyle(2);
    fill.fillPath(gc, BezierPath(), Rect(0, 0, 10, 10), cache, 1, 1, store);
    const BezierPath flat = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 0));
    fill.fillPath(gc, flat, Rect(0, 0, 10, 0), cache, 1, 1, store);
    EXPECT_TRUE(gc.operations().empty());
    EXPECT_FALSE(cache.hasImage());

    // The gradient's picture covers the bounds, clipped to the path.
    const Rect bounds(20, 30, 100, 50);
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(bounds);
    fill.fillPath(gc, oval, bounds, cache, 1, 1, store, Size(0.5, 0.5));
    EXPECT_EQ(gc.kinds(), (std::vector<DrawOpKind>{DrawOpKind::MakeImage, DrawOpKind::SaveGState,
                                                   DrawOpKind::ClipToPath, DrawOpKind::DrawImage,
                                                   DrawOpKind::RestoreGState}));
    const auto drawn = gc.operationsOfKind(DrawOpKind::DrawImage);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rect, Rect(20.5, 30.5, 100, 50));
    EXPECT_EQ(drawn[0].image, cache.image().get());
    EXPECT_EQ(gc.clips()[0].path, oval);
}

} // namespace
} // namespace qv

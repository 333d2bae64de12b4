// Fills: what each style implies and writes, reading that decides the style,
// file round trips, keys with what the owner hears, picture placement, the
// gradient and image pictures, painting, and the picture cache's rules.
#include "document/ImageCache.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "styles/Fill.h"
#include "styles/FillCache.h"

#include "StyleTestSupport.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qv {
namespace {

using test::attributes;
using test::line;

TEST(Fill, StylesWriteTheirOwnAttributesAndReadingDecidesTheStyle) {
    // The gradient points are single-precision 0.2 and 0.8.
    Fill fill;
    EXPECT_TRUE(fill.elementName() == "fill" && fill.elementChildren().empty());
    EXPECT_EQ(fill.gradientStart(), Point(0.20000000298023224, 0.20000000298023224));
    EXPECT_EQ(fill.gradientEnd(), Point(0.800000011920929, 0.800000011920929));
    fill.setGradientStyle(1);
    fill.setImageName("photo.jpg");
    fill.setImagePlacement(1);
    const std::tuple<int, const char*, const char*> styles[] = {
        {1, "true true false false", "color=#FFFFFFFF"},
        {2, "true true true false",
         "color=#FFFFFFFF grad-color=#7F7F7FFF grad=1 grad-start-x=0.2000000029802322 "
         "grad-start-y=0.2000000029802322 grad-end-x=0.800000011920929 "
         "grad-end-y=0.800000011920929"},
        {3, "true false false true", "image=photo.jpg image-placement=1"},
        {0, "false false false false", "color=none"},
        {4, "true false false false", "color=none"},
        {-1, "true false false false", "color=none"}};
    for (const auto& [style, implied, written] : styles) {
        fill.setStyle(style);
        EXPECT_EQ(test::values(fill, {"visible", "hasColor", "hasGradient", "hasImage"}), implied);
        EXPECT_EQ(line(fill.elementAttributes()), written);
    }

    // An image wins over a colour and leaves the colour alone; a missing or
    // "none" gradient colour reads as a solid fill; a gradient without a
    // start point starts at the top left corner.
    const std::pair<const char*, const char*> reads[] = {
        {"color=#FF0000FF image=p.png image-placement=2", "3 0 #FFFFFFFF #7F7F7FFF \"p.png\" 2"},
        {"grad-color=#000000FF", "0 0 #FFFFFFFF #7F7F7FFF \"\" 0"},
        {"color=none grad-color=#000000FF", "0 0 #FFFFFFFF #7F7F7FFF \"\" 0"},
        {"color=#00FF00FF grad=1", "1 0 #00FF00FF #7F7F7FFF \"\" 0"},
        {"color=#00FF00FF grad-color=none grad=1", "1 0 #00FF00FF #7F7F7FFF \"\" 0"},
        {"color=#000000FF grad-color=#FFFFFF80 grad=1 grad-end-x=0.75 grad-end-y=1",
         "2 1 #000000FF #FFFFFF80 \"\" 0"}};
    for (const auto& [file, values] : reads) {
        Fill r;
        r.setElementAttributes(attributes(file));
        EXPECT_EQ(test::values(r, {"style", "gradientStyle", "color", "gradientColor", "imageName",
                                   "imagePlacement"}),
                  values)
            << file;
        EXPECT_EQ(r.gradientStart(), r.style() == 2 ? Point(0, 0) : Fill().gradientStart());
        EXPECT_EQ(r.gradientEnd(), r.style() == 2 ? Point(0.75, 1) : Fill().gradientEnd());
    }

    // Write, read, write: the same attributes; unknown styles read as none.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> style(-1, 4), small(-2, 5);
    std::uniform_real_distribution<double> unit(0, 1), coordinate(-3, 3);
    const char* names[] = {"a.png", "photo 2.jpg", "QVImage.tiff", "x"};
    for (int i = 0; i < 500; ++i) {
        SCOPED_TRACE(i);
        fill.setStyle(style(random));
        fill.setColor(Color(unit(random), unit(random), unit(random), unit(random)));
        fill.setGradientColor(Color(unit(random), unit(random), unit(random), unit(random)));
        fill.setGradientStyle(small(random));
        fill.setGradientStart({coordinate(random), coordinate(random)});
        fill.setGradientEnd({coordinate(random), coordinate(random)});
        fill.setImageName(names[i % 4]);
        fill.setImagePlacement(small(random));
        Fill read;
        read.setElementAttributes(test::asRead(fill.elementAttributes()));
        EXPECT_EQ(line(read.elementAttributes()), line(fill.elementAttributes()));
        const bool known = fill.style() >= 1 && fill.style() <= 3;
        EXPECT_EQ(read.style(), known ? fill.style() : 0);
    }
}

// A colour announces even when it is the same, other values only when they
// change, each clearing the picture cache inside; the style also announces
// what it implies.
TEST(Fill, KeysReadWriteAndAnnounceRealChanges) {
    const Point end = Fill().gradientEnd();
    test::checkKeys<Fill>(
        "fill", {{"gradientStart", Value(Point(0, 0)), {"gradientStart"}},
                 {"gradientEnd", Value(Point(1, 0.5)), {"gradientEnd"}},
                 {"color", Value(Color::white()), {"color"}, 2},
                 {"gradientColor", Value(Color(0, 0, 1)), {"gradientColor"}, 2},
                 {"imageName", Value("a.png"), {"imageName"}},
                 {"imagePlacement", Value(2), {"imagePlacement"}},
                 {"gradientStyle", Value(1), {"gradientStyle"}},
                 {"style", Value(3), {"style", "visible", "hasColor", "hasGradient", "hasImage"}},
                 {"style", Value(1)},
                 {"gradientStyle", Value(0)},
                 {"gradientEnd", Value(end)},
                 {"imageName", Value("")},
                 {"imagePlacement", Value(0)}});
    test::checkRefused<Fill>({{"visible", Value(1)},
                              {"hasImage", Value(true)},
                              {"color", Value("red")},
                              {"gradientStart", Value(3)},
                              {"style", Value::multipleValues()},
                              {"imageName", Value()}});
}

TEST(Fill, PicturesArePlacedByStretchCoverCentreOrTile) {
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

TEST(Fill, GradientsRunCornerToCornerOrToTheEndRadiusAndImagesDrawTheStoredPicture) {
    // Linear corner to corner (also for unknown gradient styles), radial from
    // the start to the end's distance; both ends carry on, so the gradient
    // colour fills what lies beyond; colours are interpolated per component.
    using K = DrawOpKind;
    const std::tuple<int, Point, Point, Size, K, Point, Point, double, double> cases[] = {
        {0, {0, 0}, {1, 1}, {100, 50}, K::LinearGradient, {0, 0}, {100, 50}, 0, 0},
        {5, {0, 0}, {1, 1}, {100, 50}, K::LinearGradient, {0, 0}, {100, 50}, 0, 0},
        {1, {0.5, 0.5}, {1, 0.5}, {100, 100}, K::RadialGradient, {50, 50}, {50, 50}, 0.1, 50}};
    for (const auto& [style, start, end, size, kind, from, to, r0, r1] : cases) {
        Fill fill;
        fill.setStyle(2);
        fill.setGradientStyle(style);
        fill.setColor(Color(1, 0, 0, 1));
        fill.setGradientColor(Color(0, 0, 1, 0.5));
        fill.setGradientStart(start);
        fill.setGradientEnd(end);
        RecordingGraphicsContext gc;
        const ImagePtr picture = fill.gradientFillImage(size, 2.0, gc);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->size(), size);
        const auto made = gc.operationsOfKind(K::MakeImage);
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0].madeImage->scale(), 2.0);
        ASSERT_EQ(made[0].madeImage->operations().size(), 1u);
        const DrawOperation& g = made[0].madeImage->operations()[0];
        ASSERT_EQ(g.kind, kind) << style;
        EXPECT_EQ(g.start, from);
        EXPECT_EQ(g.end, to);
        EXPECT_EQ(g.startRadius, r0);
        EXPECT_EQ(g.endRadius, r1);
        EXPECT_TRUE(g.extendStart && g.extendEnd);
        ASSERT_EQ(g.gradientColors.size(), std::size_t(DrawOperation::kGradientSamples));
        EXPECT_EQ(g.gradientColors[5], Color(0.5, 0, 0.5, 0.75));
        EXPECT_EQ(g.gradientColors.front(), fill.color());
        EXPECT_EQ(g.gradientColors.back(), fill.gradientColor());
    }

    // The stored picture by placement; nothing for bad or missing names.
    test::FakeImageCodec codec;
    ImageCache store;
    store.addImageData(test::pictureBytes(200, 100), "wide.png");
    store.addImageData(test::bytesOf("garbage"), "bad.png");
    for (const char* name : {"wide.png", "missing.png", "bad.png", "..", "../wide.png", ""}) {
        Fill fill;
        fill.setStyle(3);
        fill.setImageName(name);
        fill.setImagePlacement(1);
        RecordingGraphicsContext gc;
        EXPECT_NE(fill.imageFillImage({50, 50}, 1.0, gc, store), nullptr) << name;
        const auto made = gc.operationsOfKind(K::MakeImage);
        ASSERT_EQ(made.size(), 1u);
        const auto& ops = made[0].madeImage->operations();
        ASSERT_EQ(ops.size(), name == std::string("wide.png") ? 1u : 0u) << name;
        for (const DrawOperation& op : ops) {
            EXPECT_EQ(op.kind, K::DrawImage);
            EXPECT_EQ(op.rect, Rect(-25, 0, 100, 50));
            EXPECT_EQ(op.image, store.imageNamed("wide.png").get());
            EXPECT_EQ(op.opacity, 1.0);
        }
    }
}

// The least a shape does with its fill: own it, embed the cache, clear the
// cache on every fill edit, and paint its rectangle at a zoom.
struct MiniShape : StyleOwner {
    MiniShape() {
        fill.setShape(this);
        fill.setStyle(2);
    }
    void willChange() override {}
    void didChange() override {}
    void styleWillChangeKeyPath(std::string_view) override {}
    void styleDidChangeKeyPath(std::string_view) override {}
    void clearFillCache() override { cache.clear(); }
    void draw(double zoom) {
        fill.fillPath(gc, BezierPath::bezierPathWithRect(bounds), bounds, cache, zoom, zoom, store);
    }
    std::size_t made() const { return gc.countOf(DrawOpKind::MakeImage); }
    Fill fill;
    Rect bounds{10, 10, 100, 50};
    FillCache cache;
    ImageCache store;
    RecordingGraphicsContext gc;
};

TEST(Fill, PaintingDrawsColoursAndClippedPicturesOrNothing) {
    const BezierPath square = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 10));
    MiniShape shape;
    shape.fill.setStyle(1);
    shape.fill.setColor(Color(0, 0, 1));
    shape.fill.fillPath(shape.gc, square, Rect(0, 0, 10, 10), shape.cache, 1, 1, shape.store);
    ASSERT_EQ(shape.gc.fills().size(), 1u);
    EXPECT_EQ(shape.gc.fills()[0].color, Color(0, 0, 1));
    EXPECT_EQ(shape.gc.fills()[0].path, square);
    // No fill, and a gradient on an empty path or on bounds without area, draw nothing.
    shape.gc.clear();
    shape.fill.setStyle(0);
    shape.draw(1);
    shape.fill.setStyle(2);
    shape.fill.fillPath(shape.gc, BezierPath(), Rect(0, 0, 10, 10), shape.cache, 1, 1, shape.store);
    const BezierPath flat = BezierPath::bezierPathWithRect(Rect(0, 0, 10, 0));
    shape.fill.fillPath(shape.gc, flat, Rect(0, 0, 10, 0), shape.cache, 1, 1, shape.store);
    shape.cache.preload(shape.fill, Size(0, 50), shape.gc, shape.store);
    EXPECT_TRUE(shape.gc.operations().empty());
    EXPECT_FALSE(shape.cache.hasImage());

    // The gradient's picture covers the bounds, clipped to the path.
    const Rect bounds(20, 30, 100, 50);
    const BezierPath oval = BezierPath::bezierPathWithOvalInRect(bounds);
    shape.fill.fillPath(shape.gc, oval, bounds, shape.cache, 1, 1, shape.store, Size(0.5, 0.5));
    using K = DrawOpKind;
    EXPECT_EQ(shape.gc.kinds(), (std::vector<K>{K::MakeImage, K::SaveGState, K::ClipToPath,
                                                K::DrawImage, K::RestoreGState}));
    const auto drawn = shape.gc.operationsOfKind(K::DrawImage);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].rect, Rect(20.5, 30.5, 100, 50));
    EXPECT_EQ(drawn[0].image, shape.cache.image().get());
    EXPECT_EQ(shape.gc.clips()[0].path, oval);
}

TEST(Fill, CachedPictureIsKeptForMovesAndRebuiltForZoomSizeAndFillEdits) {
    // Each step, then the pictures made so far and whether one is kept.
    MiniShape shape;
    const std::tuple<std::function<void(MiniShape&)>, std::size_t, bool> steps[] = {
        {[](MiniShape& s) { s.draw(1), s.draw(1); }, 1, true},
        {[](MiniShape& s) { s.bounds = s.bounds.offsetBy(40, -3), s.draw(1); }, 1, true},
        {[](MiniShape& s) { s.draw(2); }, 2, true},
        {[](MiniShape& s) {
             s.bounds.size = {80, 50}, s.draw(2);
         },
         3, true},
        {[](MiniShape& s) { s.fill.setGradientColor(Color(1, 0, 0)); }, 3, false},
        {[](MiniShape& s) { s.draw(2); }, 4, true},
        // Not the stored single-precision 0.8, then the stored one unchanged.
        {[](MiniShape& s) {
             s.fill.setGradientEnd({0.8, 0.8});
         },
         4, false},
        {[](MiniShape& s) { s.draw(2), s.fill.setGradientEnd(s.fill.gradientEnd()); }, 5, true}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        std::get<0>(steps[i])(shape);
        EXPECT_EQ(shape.made(), std::get<1>(steps[i])) << i;
        EXPECT_EQ(shape.cache.hasImage(), std::get<2>(steps[i])) << i;
        // The kept picture is drawn at the new place.
        EXPECT_TRUE(i != 1 || shape.gc.operationsOfKind(DrawOpKind::DrawImage).back().rect ==
                                  Rect(50, 7, 100, 50));
    }
    // Made at the device scale so it stays crisp, still at the bounds' size in points.
    const auto made = shape.gc.operationsOfKind(DrawOpKind::MakeImage).back();
    EXPECT_EQ(made.madeImage->scale(), 2);
    EXPECT_EQ(made.madeImage->size(), Size(80, 50));
    EXPECT_EQ(shape.cache.zoom(), 2);
    EXPECT_EQ(shape.cache.size(), Size(80, 50));

    // Preloading stamps zoom one and is used at zoom one only.
    MiniShape preloaded;
    preloaded.cache.preload(preloaded.fill, preloaded.bounds.size, preloaded.gc, preloaded.store);
    preloaded.cache.preload(preloaded.fill, preloaded.bounds.size, preloaded.gc, preloaded.store);
    EXPECT_EQ(preloaded.cache.zoom(), 1.0);
    preloaded.draw(1);
    EXPECT_EQ(preloaded.made(), 1u);
    preloaded.draw(1.5);
    EXPECT_EQ(preloaded.made(), 2u);
    // Solid fills make no picture.
    preloaded.fill.setStyle(1);
    preloaded.draw(1);
    preloaded.cache.preload(preloaded.fill, preloaded.bounds.size, preloaded.gc, preloaded.store);
    EXPECT_EQ(preloaded.made(), 2u);
    EXPECT_FALSE(preloaded.cache.hasImage());

    // Huge pictures are made at a lower resolution.
    MiniShape huge;
    huge.bounds = Rect(0, 0, 10000, 10000);
    huge.draw(16);
    const double scale = huge.gc.operationsOfKind(DrawOpKind::MakeImage).at(0).madeImage->scale();
    EXPECT_LE(10000 * scale * 10000 * scale, FillCache::kMaxPixels * (1 + 1e-12));
    EXPECT_GT(scale, 0.4);
}

TEST(Fill, CacheMakesImageFillsFromTheStoreAndFollowsTheContextScale) {
    test::FakeImageCodec codec;
    MiniShape shape;
    shape.store.addImageData(test::pictureBytes(30, 30), "tile.png");
    shape.fill.setStyle(3);
    shape.fill.setImageName("tile.png");
    shape.fill.setImagePlacement(3);
    shape.bounds = Rect(0, 0, 100, 40);
    shape.draw(1);
    const auto* picture = dynamic_cast<const RecordedImage*>(shape.cache.image().get());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->operations().size(), 8u);
    EXPECT_EQ(picture->operations()[7].rect, Rect(90, 30, 30, 30));

    Fill fill;
    fill.setStyle(2);
    FillCache cache;
    RecordingGraphicsContext gc(true, AffineTransform::scaling(3, 3));
    EXPECT_EQ(FillCache::deviceScale(gc), 3);
    const ImagePtr first = cache.imageFor(gc, fill, Rect(5, 5, 20, 10), 3);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(dynamic_cast<const RecordedImage&>(*first).scale(), 3);
    cache.validate({20, 10}, 3);
    EXPECT_TRUE(cache.hasImage());
    cache.validate({20, 10}, 1);
    EXPECT_FALSE(cache.hasImage());
    cache.preload(gc, fill, Rect(5, 5, 20, 10));
    EXPECT_EQ(cache.zoom(), 1.0);
}

} // namespace
} // namespace qv

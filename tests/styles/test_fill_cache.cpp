#include "document/ImageCache.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "styles/Fill.h"
#include "styles/FillCache.h"
#include "tests/document/FakeImageCodec.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// The least a shape does with its fill: own it, embed the cache, clear the
// cache on every fill edit, and paint its rectangle at a zoom.
class MiniShape : public StyleOwner {
public:
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

TEST(FillCacheRules, KeptForMovesRebuiltForZoomSizeAndFillEdits) {
    MiniShape shape;
    shape.draw(1);
    shape.draw(1);
    EXPECT_EQ(shape.made(), 1u);
    EXPECT_EQ(shape.cache.zoom(), 1);
    EXPECT_EQ(shape.cache.size(), Size(100, 50));

    shape.bounds = shape.bounds.offsetBy(40, -3);
    shape.draw(1);
    EXPECT_EQ(shape.made(), 1u);
    // The kept picture is drawn at the new place.
    EXPECT_EQ(shape.gc.operationsOfKind(DrawOpKind::DrawImage).back().rect, Rect(50, 7, 100, 50));

    shape.draw(2);
    EXPECT_EQ(shape.made(), 2u);
    EXPECT_EQ(shape.cache.zoom(), 2);
    // Made at the device scale so it stays crisp, still at the bounds' size in points.
    const auto made = shape.gc.operationsOfKind(DrawOpKind::MakeImage).back();
    EXPECT_EQ(made.madeImage->scale(), 2);
    EXPECT_EQ(made.madeImage->size(), Size(100, 50));

    shape.bounds.size = {80, 50};
    shape.draw(2);
    EXPECT_EQ(shape.made(), 3u);
    EXPECT_EQ(shape.cache.size(), Size(80, 50));

    shape.fill.setGradientColor(Color(1, 0, 0));
    EXPECT_FALSE(shape.cache.hasImage());
    shape.draw(2);
    ASSERT_TRUE(shape.cache.hasImage());
    shape.fill.setGradientEnd({0.8, 0.8}); // not the stored single-precision 0.8
    EXPECT_FALSE(shape.cache.hasImage());
    shape.draw(2);
    shape.fill.setGradientEnd(shape.fill.gradientEnd()); // unchanged: kept
    EXPECT_TRUE(shape.cache.hasImage());
    EXPECT_EQ(shape.made(), 5u);
}

TEST(FillCacheRules, ImageStyleMakesThePictureFromTheStore) {
    test::FakeImageCodec codec;
    MiniShape shape;
    shape.store.addImageData(test::pictureBytes(30, 30), "tile.png");
    shape.fill.setStyle(3);
    shape.fill.setImageName("tile.png");
    shape.fill.setImagePlacement(3);
    shape.bounds = Rect(0, 0, 100, 40);
    shape.draw(1);
    ASSERT_TRUE(shape.cache.hasImage());
    const auto* picture = dynamic_cast<const RecordedImage*>(shape.cache.image().get());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->operations().size(), 8u);
    EXPECT_EQ(picture->operations()[0].rect, Rect(0, 0, 30, 30));
    EXPECT_EQ(picture->operations()[7].rect, Rect(90, 30, 30, 30));
}

TEST(FillCacheRules, SolidAndNoFillsMakeNoPicture) {
    MiniShape shape;
    shape.fill.setStyle(1);
    shape.draw(1);
    shape.fill.setStyle(0);
    shape.draw(1);
    shape.cache.preload(shape.fill, shape.bounds.size, shape.gc, shape.store);
    EXPECT_EQ(shape.made(), 0u);
    EXPECT_FALSE(shape.cache.hasImage());
}

TEST(FillCacheRules, PreloadStampsZoomOneAndIsUsedAtZoomOne) {
    MiniShape shape;
    shape.cache.preload(shape.fill, Size(0, 50), shape.gc, shape.store);
    EXPECT_FALSE(shape.cache.hasImage());
    shape.cache.preload(shape.fill, shape.bounds.size, shape.gc, shape.store);
    ASSERT_TRUE(shape.cache.hasImage());
    EXPECT_EQ(shape.cache.zoom(), 1.0);
    shape.cache.preload(shape.fill, shape.bounds.size, shape.gc, shape.store);
    shape.draw(1);
    EXPECT_EQ(shape.made(), 1u);
    shape.draw(1.5);
    EXPECT_EQ(shape.made(), 2u);
}

TEST(FillCacheRules, HugePicturesAreMadeAtALowerResolution) {
    MiniShape shape;
    shape.bounds = Rect(0, 0, 10000, 10000);
    shape.draw(16);
    const auto made = shape.gc.operationsOfKind(DrawOpKind::MakeImage);
    ASSERT_EQ(made.size(), 1u);
    const double scale = made[0].madeImage->scale();
    EXPECT_LE(10000 * scale * 10000 * scale, FillCache::kMaxPixels * (1 + 1e-12));
    EXPECT_GT(scale, 0.4);
    EXPECT_EQ(made[0].madeImage->size(), Size(10000, 10000));
}

TEST(FillCacheRules, ShapeFacingCallsUseTheContextScaleAndTheSharedStore) {
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

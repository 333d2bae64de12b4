// Reference pictures of the stroke and fill styles drawn through Qt: every
// arrow head at the start and at the end of an open line, every dash style
// with butt and round caps, and the four ways an image fill lays out its
// picture.

#include "tests/platform/ReferenceImage.h"
#include "tests/platform/RenderSupport.h"

#include "document/ImageCache.h"
#include "platform/qt/QtImageCodec.h"
#include "shapes/RectangleShape.h"
#include "styles/Arrow.h"
#include "styles/Fill.h"
#include "styles/Stroke.h"

#include <QBuffer>
#include <QImage>

namespace qv {
namespace {

using test::render;

BezierPath line(Point a, Point b) {
    BezierPath path;
    path.moveToPoint(a);
    path.lineToPoint(b);
    return path;
}

// Arrow heads 1 to 18 in three columns of six cells. Each cell has two lines
// running left to right: the upper one with the head at its start (left end),
// the lower one with the head at its end (right end). With `reversed` the
// lines run right to left and the heads swap ends, which must look the same.
constexpr int kArrowColumns = 3;
constexpr double kCellWidth = 190;
constexpr double kCellHeight = 60;

QImage arrowHeads(bool reversed) {
    return render({570, 360}, 1, [&](GraphicsContext& gc, const ShapeView&) {
        for (std::int64_t arrow = 1; arrow < Arrow::kCount; ++arrow) {
            const double x = static_cast<double>((arrow - 1) % kArrowColumns) * kCellWidth;
            const double y = static_cast<double>((arrow - 1) / kArrowColumns) * kCellHeight;
            for (int row = 0; row < 2; ++row) {
                const bool headOnLeft = row == 0;
                Stroke stroke;
                stroke.setWidth(2);
                stroke.setColor({0.1, 0.2, 0.6, 1});
                const Point left{x + 30, y + 18 + row * 24};
                const Point right{x + kCellWidth - 30, y + 18 + row * 24};
                const bool atStart = headOnLeft != reversed;
                if (atStart) {
                    stroke.setArrowStartStyle(arrow);
                    stroke.setArrowStartSize(5);
                } else {
                    stroke.setArrowEndStyle(arrow);
                    stroke.setArrowEndSize(5);
                }
                stroke.strokePath(gc, reversed ? line(right, left) : line(left, right));
            }
        }
    });
}

TEST(StyleRendering, ArrowHeadsAtTheStartAndTheEndOfOpenLines) {
    const QImage image = arrowHeads(false);
    // The solid triangle's body lies along the line with its tip on the
    // line's end: painted beside the line just inside each end, nothing
    // beyond the ends.
    auto dark = [&](int px, int py) { return qRed(image.pixel(px, py)) < 128; };
    EXPECT_TRUE(dark(38, 16));
    EXPECT_FALSE(dark(24, 18));
    EXPECT_FALSE(dark(22, 16));
    EXPECT_TRUE(dark(152, 40));
    EXPECT_FALSE(dark(166, 42));
    EXPECT_TRUE(test::matchesReference(image, "style_arrow_heads"));

    // A start head on a line drawn one way is the end head on the same line
    // drawn the other way.
    const test::ImageComparison mirrored = test::compareImages(image, arrowHeads(true), 8);
    EXPECT_TRUE(mirrored.sameSize);
    EXPECT_LE(mirrored.outliers, 4) << "largest difference " << mirrored.maxDifference;
}

TEST(StyleRendering, DashStylesWithButtAndRoundCaps) {
    // Styles 0 (none) to 6 top to bottom; butt caps on the left, round caps on
    // the right, each on a straight run and a bend so the pattern follows it.
    const QImage image = render({560, 260}, 1, [](GraphicsContext& gc, const ShapeView&) {
        for (std::int32_t style = 0; style <= StrokeStyleLongDashDot; ++style) {
            for (std::uint64_t cap = 0; cap < 2; ++cap) {
                Stroke stroke;
                stroke.setStyle(style);
                stroke.setWidth(5);
                stroke.setCapStyle(cap);
                stroke.setJoinStyle(1);
                stroke.setColor({0.6, 0.1, 0.1, 1});
                const double x = 20 + static_cast<double>(cap) * 280;
                const double y = 20 + style * 35;
                BezierPath path;
                path.moveToPoint({x, y});
                path.lineToPoint({x + 200, y});
                path.lineToPoint({x + 240, y + 20});
                stroke.strokePath(gc, path);
            }
        }
    });
    // No stroke at all for style 0.
    for (int x = 0; x < image.width(); ++x)
        ASSERT_EQ(image.pixel(x, 20), qRgb(255, 255, 255)) << x;
    // Dotted (width 5): butt dots cover 0..5 of every 15; round dots are
    // centred on the same rhythm, so the pattern starts with a half dot
    // reaching back over the start.
    const int dottedY = 20 + StrokeStyleDotted * 35;
    auto dark = [&](int px) { return qGreen(image.pixel(px, dottedY)) < 128; };
    EXPECT_TRUE(dark(22) && dark(37) && dark(52));
    EXPECT_FALSE(dark(30) || dark(45));
    EXPECT_TRUE(dark(300) && dark(315));
    EXPECT_TRUE(dark(298));
    EXPECT_FALSE(dark(296));
    EXPECT_FALSE(dark(307) || dark(322));
    EXPECT_TRUE(test::matchesReference(image, "style_dash_caps"));
}

// A 40 × 30 picture whose corners are told apart: red top left, green top
// right, blue bottom left, yellow bottom right, split 12 pixels from the left
// so that stretching and covering differ, with a black frame. Stored at
// 72 dpi, so its size in points is its size in pixels.
ByteBuffer placementPicturePNG() {
    QImage picture(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            QRgb c = y < 15 ? (x < 12 ? qRgb(220, 40, 40) : qRgb(40, 180, 60))
                            : (x < 12 ? qRgb(40, 70, 220) : qRgb(240, 210, 40));
            if (x == 0 || y == 0 || x == 39 || y == 29)
                c = qRgb(0, 0, 0);
            picture.setPixel(x, y, c);
        }
    }
    picture.setDotsPerMeterX(qRound(72 / 0.0254));
    picture.setDotsPerMeterY(qRound(72 / 0.0254));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, "PNG"));
    return ByteBuffer(data.begin(), data.end());
}

TEST(StyleRendering, ImageFillPlacements) {
    const QtImageCodec codec;
    const ImageCodec* previous = ImageCodec::shared();
    ImageCodec::setShared(&codec);
    const std::optional<std::string> name =
        ImageCache::imageCache().addImageData(placementPicturePNG(), "placement-corners-72dpi.png");
    ASSERT_TRUE(name.has_value());

    // Stretch, cover, centre and tile, left to right, each in 100 × 100 bounds
    // with a thin frame; a fifth cell centres the picture in bounds smaller
    // than it, so it is cut on every side.
    const QImage image = render({600, 140}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (std::int32_t placement = 0; placement <= 4; ++placement) {
            auto rect = std::make_shared<RectangleShape>();
            const bool small = placement == 4;
            rect->setBounds(
                {20 + placement * 115.0, 20, small ? 24.0 : 100.0, small ? 20.0 : 100.0});
            rect->fill().setStyle(FillStyleImage);
            rect->fill().setImageName(*name);
            rect->fill().setImagePlacement(small ? ImagePlacementCentre : placement);
            rect->stroke().setWidth(1);
            rect->stroke().setColor({0.5, 0.5, 0.5, 1});
            rect->drawInView(gc, &view);
        }
    });
    ImageCodec::setShared(previous);

    auto at = [&](int x, int y) { return image.pixel(x, y); };
    const QRgb red = qRgb(220, 40, 40), green = qRgb(40, 180, 60), blue = qRgb(40, 70, 220),
               yellow = qRgb(240, 210, 40);
    // Stretch: the split lands at 30 % of the bounds, the picture upright.
    EXPECT_EQ(at(45, 45), red);
    EXPECT_EQ(at(55, 45), green);
    EXPECT_EQ(at(95, 45), green);
    EXPECT_EQ(at(45, 95), blue);
    EXPECT_EQ(at(95, 95), yellow);
    // Cover: 133.3 × 100 centred, so the sides are cut and the split lands at
    // 23.3.
    EXPECT_EQ(at(135 + 20, 45), red);
    EXPECT_EQ(at(135 + 27, 45), green);
    EXPECT_EQ(at(135 + 55, 95), yellow);
    EXPECT_EQ(at(138, 90), blue);
    // Centre: natural size in the middle, the bounds' corners left empty.
    EXPECT_EQ(at(250 + 40, 70 - 10), red);
    EXPECT_EQ(at(250 + 60, 70 + 10), yellow);
    EXPECT_EQ(at(250 + 10, 30), qRgb(255, 255, 255));
    // Tile: copies from the top-left corner, 40 × 30 apart.
    EXPECT_EQ(at(365 + 10, 25), red);
    EXPECT_EQ(at(365 + 50, 25), red);
    EXPECT_EQ(at(365 + 90, 55), red);
    EXPECT_EQ(at(365 + 30, 115), green);
    EXPECT_TRUE(test::matchesReference(image, "style_image_placements"));
}

} // namespace
} // namespace qv

// GIF encoding: exact palettes, the transparent index and quantisation.
#include "ExportTestSupport.h"

#include "platform/qt/GifEncoder.h"

#include <QSet>

#include <gtest/gtest.h>

#include <random>

using namespace qv;
using namespace qv::test;

namespace {

QImage decodeGif(const ByteBuffer& gif) {
    return QImage::fromData(bytes(gif), "GIF").convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(GifEncoder, KeepsUpTo255ColoursExactlyWithOneTransparentIndex) {
    QImage image(20, 16, QImage::Format_ARGB32);
    // 255 opaque colours plus transparent pixels, and some half-transparent
    // ones on either side of the cut.
    int n = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x, ++n)
            image.setPixel(x, y, n < 255 ? qRgb(n, (n * 7) & 255, 255 - n) : qRgba(0, 0, 0, 0));
    image.setPixel(0, 15, qRgba(10, 20, 30, 127));
    image.setPixel(1, 15, qRgba(0, 0, 255, 128)); // the colour of pixel 0 at alpha 128

    const GifPalette palette = gifPaletteForImage(image);
    EXPECT_TRUE(palette.exact);
    EXPECT_EQ(palette.colors.size(), 256u);
    ASSERT_GE(palette.transparentIndex, 0);

    const std::optional<ByteBuffer> gif = encodeGif(image);
    ASSERT_TRUE(gif);
    ASSERT_GE(gif->size(), 6u);
    EXPECT_EQ(std::string(gif->begin(), gif->begin() + 6), "GIF89a");
    const QImage back = decodeGif(*gif);
    ASSERT_EQ(back.size(), image.size());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb in = image.pixel(x, y);
            const QRgb out = back.pixel(x, y);
            if (qAlpha(in) < 128)
                EXPECT_EQ(qAlpha(out), 0) << x << "," << y;
            else
                EXPECT_EQ(out, in | 0xFF000000u) << x << "," << y;
        }
}

TEST(GifEncoder, Uses256ColoursWhenNothingIsTransparent) {
    QImage image(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i)
        image.setPixel(i % 16, i / 16, qRgb(i, 255 - i, (i * 3) & 255));
    const GifPalette palette = gifPaletteForImage(image);
    EXPECT_TRUE(palette.exact);
    EXPECT_EQ(palette.transparentIndex, -1);
    const QImage back = decodeGif(*encodeGif(image));
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(back.pixel(i % 16, i / 16), image.pixel(i % 16, i / 16));
}

TEST(GifEncoder, QuantisesRichPicturesCloseToTheirColours) {
    // A smooth two-axis gradient has thousands of colours.
    QImage image(128, 128, QImage::Format_ARGB32);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            image.setPixel(x, y, x + y < 8 ? qRgba(0, 0, 0, 0) : qRgb(x * 2, y * 2, 128));
    const GifPalette palette = gifPaletteForImage(image);
    EXPECT_FALSE(palette.exact);
    EXPECT_LE(palette.colors.size(), 256u);
    const QImage back = decodeGif(*encodeGif(image));
    ASSERT_EQ(back.size(), image.size());
    double total = 0;
    int worst = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const QRgb in = image.pixel(x, y), out = back.pixel(x, y);
            if (qAlpha(in) == 0) {
                EXPECT_EQ(qAlpha(out), 0);
                continue;
            }
            const int d = std::abs(qRed(in) - qRed(out)) + std::abs(qGreen(in) - qGreen(out)) +
                          std::abs(qBlue(in) - qBlue(out));
            total += d;
            worst = std::max(worst, d);
        }
    // 255 boxes over a 256 × 256 plane: each about 16 levels on a side.
    EXPECT_LT(total / (128 * 128), 12);
    EXPECT_LT(worst, 40);
}

TEST(GifEncoder, RandomPicturesRoundTripTheirPaletteIndices) {
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        const int w = 1 + int(random() % 60), h = 1 + int(random() % 60);
        const int colours = 1 + int(random() % 400);
        std::vector<QRgb> set;
        for (int i = 0; i < colours; ++i)
            set.push_back(random() % 5 == 0 ? qRgba(0, 0, 0, 0) : (random() | 0xFF000000u));
        QImage image(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, set[random() % set.size()]);
        const GifPalette palette = gifPaletteForImage(image);
        const QImage back = decodeGif(*encodeGif(image));
        ASSERT_EQ(back.size(), image.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t index = palette.indices[std::size_t(y * w + x)];
                const QRgb out = back.pixel(x, y);
                if (int(index) == palette.transparentIndex) {
                    EXPECT_EQ(qAlpha(out), 0);
                } else {
                    ASSERT_LT(index, palette.colors.size());
                    EXPECT_EQ(out & 0xFFFFFFu, palette.colors[index]);
                    if (palette.exact) {
                        EXPECT_EQ(out, image.pixel(x, y));
                    }
                }
            }
    }
}

TEST(GifEncoder, RefusesNullAndOversizedPictures) {
    EXPECT_FALSE(encodeGif(QImage()));
    // A one-pixel picture still makes a valid file.
    QImage one(1, 1, QImage::Format_ARGB32);
    one.fill(qRgba(0, 0, 0, 0));
    const QImage back = decodeGif(*encodeGif(one));
    EXPECT_EQ(back.size(), QSize(1, 1));
    EXPECT_EQ(qAlpha(back.pixel(0, 0)), 0);
}

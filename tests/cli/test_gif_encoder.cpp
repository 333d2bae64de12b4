// GIF encoding: exact palettes, the transparent index and quantisation.
#include "ExportTestSupport.h"

#include "platform/qt/GifEncoder.h"

#include <gtest/gtest.h>

#include <random>

using namespace qv;
using namespace qv::test;

namespace {

// Encodes and decodes `image`: every pixel must show its palette entry (or be
// clear at the transparent index), and the source itself when the palette is exact.
QImage roundTrip(const QImage& image, const GifPalette& palette) {
    const std::optional<ByteBuffer> gif = encodeGif(image);
    EXPECT_TRUE(gif && std::string(gif->begin(), gif->begin() + 6) == "GIF89a");
    const QImage back = QImage::fromData(bytes(gif.value_or(ByteBuffer())), "GIF")
                            .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(back.size(), image.size());
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x) {
            const std::uint8_t index = palette.indices[std::size_t(y * image.width() + x)];
            const QRgb in = image.pixel(x, y), out = back.pixel(x, y);
            if (int(index) == palette.transparentIndex) {
                EXPECT_EQ(qAlpha(out), 0) << x << "," << y;
                EXPECT_LT(qAlpha(in), 128) << x << "," << y;
                continue;
            }
            // An index past the palette can match no colour.
            EXPECT_EQ(out & 0xFFFFFFu,
                      index < palette.colors.size() ? palette.colors[index] : 0xFF000000u);
            EXPECT_TRUE(!palette.exact || out == (in | 0xFF000000u)) << x << "," << y;
        }
    return back;
}

} // namespace

TEST(GifEncoder, KeepsUpTo256ColoursExactlyWithATransparentIndexOnlyWhenNeeded) {
    // 255 opaque colours, transparent pixels and some half-transparent ones on
    // either side of the cut; then 256 opaque colours.
    QImage clear(20, 16, QImage::Format_ARGB32), opaque(16, 16, QImage::Format_RGB32);
    for (int n = 0; n < 320; ++n)
        clear.setPixel(n % 20, n / 20,
                       n < 255 ? qRgb(n, (n * 7) & 255, 255 - n) : qRgba(0, 0, 0, 0));
    clear.setPixel(0, 15, qRgba(10, 20, 30, 127));
    clear.setPixel(1, 15, qRgba(0, 0, 255, 128)); // the colour of pixel 0 at alpha 128
    for (int i = 0; i < 256; ++i)
        opaque.setPixel(i % 16, i / 16, qRgb(i, 255 - i, (i * 3) & 255));
    for (const QImage& image : {clear, opaque}) {
        const GifPalette palette = gifPaletteForImage(image);
        EXPECT_TRUE(palette.exact);
        EXPECT_EQ(palette.colors.size(), 256u);
        EXPECT_EQ(palette.transparentIndex >= 0, image.hasAlphaChannel());
        roundTrip(image, palette);
    }
    // A one-pixel picture still makes a valid file; a null one none.
    QImage one(1, 1, QImage::Format_ARGB32);
    one.fill(qRgba(0, 0, 0, 0));
    roundTrip(one, gifPaletteForImage(one));
    EXPECT_FALSE(encodeGif(QImage()));
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
    const QImage back = roundTrip(image, palette);
    double total = 0;
    int worst = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const QRgb in = image.pixel(x, y), out = back.pixel(x, y);
            const int d = qAlpha(in) == 0 ? 0
                                          : std::abs(qRed(in) - qRed(out)) +
                                                std::abs(qGreen(in) - qGreen(out)) +
                                                std::abs(qBlue(in) - qBlue(out));
            total += d;
            worst = std::max(worst, d);
        }
    // 255 boxes over a 256 × 256 plane: each about 16 levels on a side.
    EXPECT_LT(total / (128 * 128), 12);
    EXPECT_LT(worst, 40);

    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        const int w = 1 + int(random() % 60), h = 1 + int(random() % 60);
        std::vector<QRgb> set(1 + random() % 400);
        for (QRgb& c : set)
            c = random() % 5 == 0 ? qRgba(0, 0, 0, 0) : (random() | 0xFF000000u);
        QImage picture(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.setPixel(x, y, set[random() % set.size()]);
        roundTrip(picture, gifPaletteForImage(picture));
    }
}

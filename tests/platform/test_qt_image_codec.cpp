#include "platform/qt/QtImageCodec.h"

#include "framework/foundation/RecordingGraphicsContext.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstring>

namespace qv {
namespace {

ByteBuffer encode(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return ByteBuffer(data.begin(), data.end());
}

QImage pattern(int w, int h, double dpi) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, (x + y) % 256, 255));
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    return image;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

// Removes every chunk of the given type from a PNG file.
ByteBuffer withoutChunk(const ByteBuffer& png, const char* type) {
    ByteBuffer out(png.begin(), png.begin() + 8);
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length =
            (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) != 0)
            out.insert(out.end(), png.begin() + at, png.begin() + at + 12 + length);
        at += 12 + length;
    }
    return out;
}

void putBE32(ByteBuffer& b, std::size_t at, std::uint32_t v) {
    b[at] = std::uint8_t(v >> 24);
    b[at + 1] = std::uint8_t(v >> 16);
    b[at + 2] = std::uint8_t(v >> 8);
    b[at + 3] = std::uint8_t(v);
}

TEST(QtImageCodecTest, SizeInPointsComesFromTheFileResolution) {
    const QtImageCodec codec;
    ImagePtr png = codec.decode(encode(pattern(40, 30, 144), "png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->pixelsWide(), 40);
    EXPECT_EQ(png->pixelsHigh(), 30);
    EXPECT_DOUBLE_EQ(png->size().width, 20);
    EXPECT_DOUBLE_EQ(png->size().height, 15);

    ImagePtr jpeg = codec.decode(encode(pattern(60, 30, 300), "jpeg"));
    ASSERT_TRUE(jpeg);
    EXPECT_DOUBLE_EQ(jpeg->size().width, 60 * 72.0 / 300);
    EXPECT_DOUBLE_EQ(jpeg->size().height, 30 * 72.0 / 300);
}

TEST(QtImageCodecTest, PicturesWithoutAResolutionAreSeventyTwoDpi) {
    const QtImageCodec codec;
    // Qt always writes the resolution; take it out again.
    const ByteBuffer png = withoutChunk(encode(pattern(40, 30, 144), "png"), "pHYs");
    ImagePtr image = codec.decode(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(40, 30));
    // A file that says 96 dpi, Qt's default, is still taken at its word.
    ImagePtr at96 = codec.decode(encode(pattern(96, 48, 96), "png"));
    ASSERT_TRUE(at96);
    EXPECT_DOUBLE_EQ(at96->size().width, 72);
    // PPM has no resolution at all.
    ImagePtr ppm = codec.decode(encode(pattern(10, 10, 144), "ppm"));
    ASSERT_TRUE(ppm);
    EXPECT_EQ(ppm->size(), Size(10, 10));
}

TEST(QtImageCodecTest, TiffRoundTripKeepsPixelsAndPointSize) {
    const QtImageCodec codec;
    const QImage source = pattern(40, 20, 72).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QtImage image(source, {20, 10});
    const std::optional<ByteBuffer> tiff = codec.encodeTIFF(image);
    ASSERT_TRUE(tiff);
    ASSERT_GE(tiff->size(), 4u);
    EXPECT_TRUE(((*tiff)[0] == 'I' && (*tiff)[1] == 'I') ||
                ((*tiff)[0] == 'M' && (*tiff)[1] == 'M'));
    ImagePtr back = codec.decode(*tiff);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), Size(20, 10));
    const QImage* pixels = QtImageCodec::qimageOf(*back);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->convertToFormat(QImage::Format_ARGB32),
              source.convertToFormat(QImage::Format_ARGB32));
    // Encoding the decoded picture again gives the same bytes.
    EXPECT_EQ(codec.encodeTIFF(*back), tiff);
}

TEST(QtImageCodecTest, OnlyQtPicturesEncode) {
    const QtImageCodec codec;
    RecordedImage recorded({10, 10}, 1, {});
    EXPECT_FALSE(codec.encodeTIFF(recorded));
    EXPECT_FALSE(codec.encodeTIFF(QtImage(QImage(), {10, 10})));
}

TEST(QtImageCodecTest, RefusesWhatIsNotAPicture) {
    const QtImageCodec codec;
    EXPECT_FALSE(codec.decode({}));
    EXPECT_FALSE(codec.decode(ByteBuffer{'h', 'e', 'l', 'l', 'o'}));
    ByteBuffer truncated = encode(pattern(40, 30, 72), "png");
    truncated.resize(truncated.size() / 3);
    EXPECT_FALSE(codec.decode(truncated));
}

TEST(QtImageCodecTest, RefusesPicturesAboveTheAllocationLimit) {
    // A valid header announcing 40000 × 40000 pixels (6 GB decoded).
    ByteBuffer png = encode(pattern(8, 8, 72), "png");
    ASSERT_EQ(std::memcmp(&png[12], "IHDR", 4), 0);
    putBE32(png, 16, 40000);
    putBE32(png, 20, 40000);
    putBE32(png, 29, crc32(&png[12], 17));
    EXPECT_FALSE(QtImageCodec().decode(png));
    // A small limit refuses an ordinary picture that a normal codec takes.
    const ByteBuffer ordinary = encode(pattern(100, 100, 72), "png");
    EXPECT_TRUE(QtImageCodec().decode(ordinary));
    EXPECT_FALSE(QtImageCodec(100 * 100 * 4 - 1).decode(ordinary));
}

} // namespace
} // namespace qv

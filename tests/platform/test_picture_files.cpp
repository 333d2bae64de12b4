// Picture files: our PNG encoder (every pixel format and size read back
// exactly from well-formed chunks, filters, resolution, text) and the Qt
// picture codec (sizes in points, TIFF, refusal of what is not a picture or
// too large to decode).
#include "framework/foundation/RecordingGraphicsContext.h"
#include "platform/qt/PngEncoder.h"
#include "platform/qt/QtImageCodec.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>

namespace qv {
namespace {

struct Chunk {
    std::string type;
    QByteArray data;
};

std::uint32_t bigEndian(const QByteArray& bytes, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t crcOf(const QByteArray& bytes) {
    return std::uint32_t(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

// The chunks of a PNG file, each CRC checked; fails the test on a malformed file.
std::vector<Chunk> chunksOf(const QByteArray& png) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(png.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    for (qsizetype at = 8; at < png.size();) {
        const qsizetype length = png.size() - at < 12 ? -1 : qsizetype(bigEndian(png, at));
        if (length < 0 || length > png.size() - at - 12) {
            ADD_FAILURE() << "chunk runs past the end at " << at;
            break;
        }
        const QByteArray typeAndData = png.mid(at + 4, 4 + length);
        EXPECT_EQ(bigEndian(png, at + 8 + length), crcOf(typeAndData)) << "CRC at " << at;
        chunks.push_back({typeAndData.left(4).toStdString(), typeAndData.mid(4)});
        at += 12 + length;
    }
    return chunks;
}

// The inflated IDAT stream, of the given size.
QByteArray imageData(const std::vector<Chunk>& chunks, std::size_t size) {
    QByteArray compressed, raw(qsizetype(size), '\0');
    for (const Chunk& c : chunks)
        if (c.type == "IDAT")
            compressed += c.data;
    uLongf length = uLongf(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &length,
                         reinterpret_cast<const Bytef*>(compressed.constData()),
                         uLong(compressed.size())),
              Z_OK);
    EXPECT_EQ(length, uLongf(size));
    return raw;
}

// Random bytes as a picture of `format`, valid where the format needs it.
QImage randomImage(int width, int height, QImage::Format format, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(width, height, format);
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int i = 0; i < 16; ++i)
            table.push_back(random() | (i % 3 == 0 ? 0xFF000000u : 0u));
        image.setColorTable(table);
    }
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < image.bytesPerLine(); ++i)
            image.scanLine(y)[i] =
                uchar(format == QImage::Format_Indexed8 ? random() % 16 : random());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == QImage::Format_RGBX8888) // the padding byte is full
                image.scanLine(y)[4 * x + 3] = 0xFF;
            if (format == QImage::Format_ARGB32_Premultiplied) {
                // Mostly valid premultiplied pixels, with runs of opaque and clear.
                const int a = x % 5 == 0 ? 255 : x % 7 == 0 ? 0 : int(random() % 256);
                const auto part = [&] { return a == 0 ? 0 : int(random() % unsigned(a + 1)); };
                reinterpret_cast<QRgb*>(image.scanLine(y))[x] = qRgba(part(), part(), part(), a);
            }
        }
    return image;
}

// Reading our file back gives exactly what Qt's conversion to ARGB32 gives;
// the file is well formed, RGB when nothing is transparent, RGBA otherwise.
void expectRoundTrip(const QImage& source) {
    SCOPED_TRACE(testing::Message()
                 << source.width() << "x" << source.height() << " format " << int(source.format()));
    const std::optional<QByteArray> png = encodePng(source, 72);
    ASSERT_TRUE(png);
    const QImage expected = source.convertToFormat(QImage::Format_ARGB32);
    const QImage decoded = QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(decoded.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        ASSERT_EQ(std::memcmp(decoded.constScanLine(y), expected.constScanLine(y),
                              std::size_t(expected.width()) * 4),
                  0)
            << "row " << y;
    bool opaque = true;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            opaque &= qAlpha(expected.pixel(x, y)) == 255;

    const std::vector<Chunk> chunks = chunksOf(*png);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.isEmpty());
    ASSERT_EQ(chunks.front().data.size(), 13);
    EXPECT_EQ(int(chunks.front().data[8]), 8);
    EXPECT_EQ(int(chunks.front().data[9]), opaque ? 2 : 6);
    // Every row starts with a valid filter type.
    const std::size_t rowBytes = std::size_t(source.width()) * (opaque ? 3 : 4) + 1;
    const QByteArray raw = imageData(chunks, rowBytes * std::size_t(source.height()));
    for (int y = 0; y < source.height(); ++y)
        EXPECT_LE(int(raw[qsizetype(rowBytes) * y]), 4) << "row " << y;
}

TEST(PngEncoder, RoundTripsEveryFormatAndSize) {
    unsigned seed = 1;
    for (const QImage::Format format :
         {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32, QImage::Format_RGB32,
          QImage::Format_Grayscale8, QImage::Format_RGB888, QImage::Format_RGBA8888,
          QImage::Format_Indexed8, QImage::Format_RGB16, QImage::Format_Mono,
          QImage::Format_RGBA64_Premultiplied, QImage::Format_Alpha8, QImage::Format_RGBX8888})
        for (const QSize size : {QSize(1, 1), QSize(2, 3), QSize(7, 5), QSize(33, 17), QSize(1, 40),
                                 QSize(61, 1), QSize(129, 64)})
            expectRoundTrip(randomImage(size.width(), size.height(), format, seed++));
    // A full page: large enough for several IDAT chunks.
    expectRoundTrip(randomImage(540, 720, QImage::Format_ARGB32_Premultiplied, 99));
    expectRoundTrip(randomImage(540, 720, QImage::Format_RGB32, 98));

    // A format with alpha whose pixels are all opaque is written as RGB; one
    // pixel short of opaque keeps alpha.
    QImage image = randomImage(40, 30, QImage::Format_ARGB32_Premultiplied, 5);
    image.fill(qRgba(10, 20, 30, 255));
    EXPECT_EQ(int(chunksOf(*encodePng(image, 72)).front().data[9]), 2);
    image.setPixel(39, 29, qRgba(0, 0, 0, 254));
    EXPECT_EQ(int(chunksOf(*encodePng(image, 72)).front().data[9]), 6);

    EXPECT_FALSE(encodePng(QImage(), 72));
    EXPECT_FALSE(encodePng(QImage(0, 5, QImage::Format_ARGB32), 72));
}

TEST(PngEncoder, FiltersFollowThePicture) {
    // Rows of one colour favour Sub, columns of one colour Up.
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, y < 32 ? qRgb(y * 7, y * 3, 255 - y) : qRgb(x * 5, x, 200 - x));
    expectRoundTrip(image);
    const QByteArray raw = imageData(chunksOf(*encodePng(image, 72)), 64 * (64 * 3 + 1));
    EXPECT_EQ(int(raw[qsizetype(64 * 3 + 1) * 10]), 1);
    EXPECT_EQ(int(raw[qsizetype(64 * 3 + 1) * 50]), 2);
}

TEST(PngEncoder, WritesTheResolutionAndTextChunks) {
    const QImage image = randomImage(9, 4, QImage::Format_ARGB32, 7);
    for (const double dpi : {72.0, 96.0, 144.0, 300.0, 1.0, 2400.5}) {
        const QImage decoded = QImage::fromData(*encodePng(image, dpi), "PNG");
        EXPECT_EQ(decoded.dotsPerMeterX(), qRound(dpi / 0.0254)) << dpi;
        EXPECT_EQ(decoded.dotsPerMeterY(), qRound(dpi / 0.0254)) << dpi;
    }
    for (const double dpi : {0.0, -72.0})
        for (const Chunk& c : chunksOf(*encodePng(image, dpi)))
            EXPECT_NE(c.type, "pHYs") << dpi;

    // Text chunks follow the header in the order given, Latin-1.
    const std::vector<PngText> text = {{"Thumb::URI", "file:///home/a/Plan%201.qvdraw"},
                                       {"Thumb::MTime", "1700000000"},
                                       {"Comment", "caf\xE9\nsecond line"},
                                       {"Empty", ""}};
    const std::optional<QByteArray> png = encodePng(image, 72, text);
    ASSERT_TRUE(png);
    const std::vector<Chunk> chunks = chunksOf(*png);
    ASSERT_GT(chunks.size(), text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        EXPECT_EQ(chunks[i + 1].type, "tEXt");
        EXPECT_EQ(chunks[i + 1].data.toStdString(), text[i].first + '\0' + text[i].second);
    }
    const QImage decoded = QImage::fromData(*png, "PNG");
    EXPECT_EQ(decoded.text("Thumb::URI"), "file:///home/a/Plan%201.qvdraw");
    EXPECT_EQ(decoded.text("Comment"), QString::fromLatin1("caf\xE9\nsecond line"));
}

TEST(PngEncoder, RefusesInvalidText) {
    const QImage image = randomImage(3, 3, QImage::Format_RGB32, 9);
    for (const std::string& keyword :
         {std::string(), std::string(80, 'k'), std::string(" lead"), std::string("trail "),
          std::string("two  spaces"), std::string("tab\there"), std::string("del\x7f"),
          std::string("nbsp\xA0"), std::string("nul\0x", 5)}) {
        EXPECT_FALSE(isValidPngKeyword(keyword)) << keyword;
        EXPECT_FALSE(encodePng(image, 72, {{keyword, "v"}})) << keyword;
    }
    for (const std::string& keyword :
         {std::string("k"), std::string(79, 'k'), std::string("one space"),
          std::string("Thumb::URI"), std::string("\xA1\xFF~!")}) {
        EXPECT_TRUE(isValidPngKeyword(keyword)) << keyword;
        EXPECT_TRUE(encodePng(image, 72, {{keyword, "v"}})) << keyword;
    }
    EXPECT_FALSE(encodePng(image, 72, {{"Key", std::string("a\0b", 3)}}));
}

QImage gradient(int w, int h, int alpha = 255) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, (x + y) % 256, alpha));
    return image;
}

// A w × h gradient at `dpi` as a file of `format` written by Qt, or by our
// encoder for "png" (which states no resolution for a dpi of 0).
ByteBuffer pictureFile(int w, int h, double dpi, const char* format, int alpha = 255) {
    QImage image = gradient(w, h, alpha);
    QByteArray data;
    if (std::string(format) == "png") {
        data = encodePng(image, dpi).value_or(QByteArray());
    } else {
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(QImageWriter(&buffer, format).write(image)) << format;
    }
    return ByteBuffer(data.begin(), data.end());
}

TEST(QtImageCodec, SizeInPointsComesFromTheFileResolutionOrSeventyTwoDpi) {
    const QtImageCodec codec;
    const struct {
        ByteBuffer file;
        int pixelsWide, pixelsHigh;
        Size points;
    } cases[] = {
        {pictureFile(40, 30, 144, "png", 128), 40, 30, {20, 15}},
        {pictureFile(60, 30, 300, "jpeg"), 60, 30, {60 * 72.0 / 300, 30 * 72.0 / 300}},
        {pictureFile(96, 48, 96, "png"), 96, 48, {72, 36}}, // 96 dpi is taken at its word
        {pictureFile(40, 30, 0, "png"), 40, 30, {40, 30}},
        {pictureFile(10, 10, 144, "ppm"), 10, 10, {10, 10}}, // PPM has no resolution
    };
    for (const auto& c : cases) {
        const ImagePtr image = codec.decode(c.file);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->pixelsWide(), c.pixelsWide);
        EXPECT_EQ(image->pixelsHigh(), c.pixelsHigh);
        EXPECT_DOUBLE_EQ(image->size().width, c.points.width);
        EXPECT_DOUBLE_EQ(image->size().height, c.points.height);
    }
}

TEST(QtImageCodec, TiffRoundTripKeepsPixelsPointSizeAndBytes) {
    const QtImageCodec codec;
    const QImage source = gradient(40, 20).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const std::optional<ByteBuffer> tiff = codec.encodeTIFF(QtImage(source, {20, 10}));
    ASSERT_TRUE(tiff && tiff->size() >= 4);
    EXPECT_TRUE(((*tiff)[0] == 'I' && (*tiff)[1] == 'I') ||
                ((*tiff)[0] == 'M' && (*tiff)[1] == 'M'));
    const ImagePtr back = codec.decode(*tiff);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), Size(20, 10));
    ASSERT_TRUE(QtImageCodec::qimageOf(*back));
    EXPECT_EQ(QtImageCodec::qimageOf(*back)->convertToFormat(QImage::Format_ARGB32),
              source.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(codec.encodeTIFF(*back), tiff);
    // Only Qt pictures encode.
    EXPECT_FALSE(codec.encodeTIFF(RecordedImage({10, 10}, 1, {})));
    EXPECT_FALSE(codec.encodeTIFF(QtImage(QImage(), {10, 10})));
}

TEST(QtImageCodec, RefusesWhatIsNotAPictureOrTooLargeToDecode) {
    EXPECT_FALSE(QtImageCodec().decode({}));
    EXPECT_FALSE(QtImageCodec().decode(ByteBuffer{'h', 'e', 'l', 'l', 'o'}));
    ByteBuffer truncated = pictureFile(40, 30, 72, "png");
    truncated.resize(truncated.size() / 3);
    EXPECT_FALSE(QtImageCodec().decode(truncated));

    // A valid header announcing 40000 × 40000 pixels (6 GB decoded).
    QByteArray png = *encodePng(gradient(8, 8), 72);
    ASSERT_EQ(png.mid(12, 4), "IHDR");
    for (const int at : {16, 20})
        for (int i = 0; i < 4; ++i)
            png[at + i] = char((40000u >> (24 - 8 * i)) & 0xFF);
    const std::uint32_t crc = crcOf(png.mid(12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
    EXPECT_FALSE(QtImageCodec().decode(ByteBuffer(png.begin(), png.end())));
    // A small limit refuses an ordinary picture that a normal codec takes.
    const ByteBuffer ordinary = pictureFile(100, 100, 72, "png");
    EXPECT_TRUE(QtImageCodec().decode(ordinary));
    EXPECT_FALSE(QtImageCodec(100 * 100 * 4 - 1).decode(ordinary));
}

} // namespace
} // namespace qv

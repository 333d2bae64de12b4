#include "platform/qt/PngEncoder.h"

#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// The chunks of a PNG file, each CRC checked; fails the test on a malformed file.
std::vector<Chunk> chunksOf(const QByteArray& png) {
    std::vector<Chunk> chunks;
    EXPECT_EQ(png.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    qsizetype at = 8;
    while (at < png.size()) {
        if (png.size() - at < 12) {
            ADD_FAILURE() << "truncated chunk at " << at;
            break;
        }
        const std::uint32_t length = bigEndian(png, at);
        if (qsizetype(length) > png.size() - at - 12) {
            ADD_FAILURE() << "chunk runs past the end at " << at;
            break;
        }
        const QByteArray typeAndData = png.mid(at + 4, 4 + qsizetype(length));
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()),
                                uInt(typeAndData.size()));
        const std::string type = typeAndData.left(4).toStdString();
        EXPECT_EQ(bigEndian(png, at + 8 + qsizetype(length)), std::uint32_t(crc))
            << "CRC of " << type;
        chunks.push_back({type, typeAndData.mid(4)});
        at += 12 + qsizetype(length);
    }
    return chunks;
}

// The inflated IDAT stream.
QByteArray imageData(const std::vector<Chunk>& chunks, std::size_t expected) {
    QByteArray compressed;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT")
            compressed += c.data;
    QByteArray raw(qsizetype(expected), '\0');
    uLongf size = uLongf(expected);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                         reinterpret_cast<const Bytef*>(compressed.constData()),
                         uLong(compressed.size())),
              Z_OK);
    EXPECT_EQ(size, uLongf(expected));
    return raw;
}

QImage randomImage(int width, int height, QImage::Format format, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(width, height, format);
    if (format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int i = 0; i < 16; ++i)
            table.push_back(random() | (i % 3 == 0 ? 0xFF000000u : 0u));
        image.setColorTable(table);
    }
    const int bytes = image.bytesPerLine();
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int i = 0; i < bytes; ++i)
            row[i] = uchar(format == QImage::Format_Indexed8 ? random() % 16 : random());
    }
    if (format == QImage::Format_RGBX8888) {
        // The padding byte of a valid picture is full.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.scanLine(y)[4 * x + 3] = 0xFF;
    }
    if (format == QImage::Format_ARGB32_Premultiplied) {
        // Mostly valid premultiplied pixels, with runs of opaque and clear.
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int a = x % 5 == 0 ? 255 : x % 7 == 0 ? 0 : int(random() % 256);
                const auto part = [&] { return a == 0 ? 0 : int(random() % unsigned(a + 1)); };
                row[x] = qRgba(part(), part(), part(), a);
            }
        }
    }
    return image;
}

bool opaque(const QImage& argb) {
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) != 255)
                return false;
    return true;
}

// Reading our file back gives exactly what Qt's conversion to ARGB32 gives,
// as RGB when nothing is transparent, and the file is well formed.
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

    const std::vector<Chunk> chunks = chunksOf(*png);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.isEmpty());
    const bool isOpaque = opaque(expected);
    ASSERT_EQ(chunks.front().data.size(), 13);
    EXPECT_EQ(int(chunks.front().data[8]), 8);
    EXPECT_EQ(int(chunks.front().data[9]), isOpaque ? 2 : 6);

    // Every row starts with a valid filter type.
    const std::size_t rowBytes = std::size_t(source.width()) * (isOpaque ? 3 : 4) + 1;
    const QByteArray raw = imageData(chunks, rowBytes * std::size_t(source.height()));
    for (int y = 0; y < source.height(); ++y)
        EXPECT_LE(int(raw[qsizetype(rowBytes) * y]), 4) << "row " << y;
}

TEST(PngEncoder, RoundTripsEveryFormatAndSize) {
    const QImage::Format formats[] = {
        QImage::Format_ARGB32_Premultiplied,
        QImage::Format_ARGB32,
        QImage::Format_RGB32,
        QImage::Format_Grayscale8,
        QImage::Format_RGB888,
        QImage::Format_RGBA8888,
        QImage::Format_Indexed8,
        QImage::Format_RGB16,
        QImage::Format_Mono,
        QImage::Format_RGBA64_Premultiplied,
        QImage::Format_Alpha8,
        QImage::Format_RGBX8888,
    };
    const QSize sizes[] = {{1, 1}, {2, 3}, {7, 5}, {33, 17}, {1, 40}, {61, 1}, {129, 64}};
    unsigned seed = 1;
    for (const QImage::Format format : formats)
        for (const QSize size : sizes)
            expectRoundTrip(randomImage(size.width(), size.height(), format, seed++));
    // A full page: large enough for several IDAT chunks.
    expectRoundTrip(randomImage(540, 720, QImage::Format_ARGB32_Premultiplied, 99));
    expectRoundTrip(randomImage(540, 720, QImage::Format_RGB32, 98));
}

TEST(PngEncoder, OpaqueAlphaFormatsComeOutAsRgb) {
    QImage image = randomImage(40, 30, QImage::Format_ARGB32_Premultiplied, 5);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, image.pixel(x, y) | 0xFF000000u);
    expectRoundTrip(image);
    const std::vector<Chunk> chunks = chunksOf(*encodePng(image, 72));
    EXPECT_EQ(int(chunks.front().data[9]), 2);

    // One pixel short of opaque keeps alpha.
    image.setPixel(39, 29, qRgba(0, 0, 0, 254));
    EXPECT_EQ(int(chunksOf(*encodePng(image, 72)).front().data[9]), 6);
}

TEST(PngEncoder, FiltersFollowThePicture) {
    // Rows of one colour favour Sub, columns of one colour Up; both must be
    // used and both decode exactly.
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, y < 32 ? qRgb(y * 7, y * 3, 255 - y) : qRgb(x * 5, x, 200 - x));
    expectRoundTrip(image);
    const QByteArray raw = imageData(chunksOf(*encodePng(image, 72)), 64 * (64 * 3 + 1));
    EXPECT_EQ(int(raw[qsizetype(64 * 3 + 1) * 10]), 1);
    EXPECT_EQ(int(raw[qsizetype(64 * 3 + 1) * 50]), 2);
}

TEST(PngEncoder, WritesTheResolution) {
    const QImage image = randomImage(9, 4, QImage::Format_ARGB32, 7);
    for (const double dpi : {72.0, 96.0, 144.0, 300.0, 1.0, 2400.5}) {
        const QImage decoded = QImage::fromData(*encodePng(image, dpi), "PNG");
        EXPECT_EQ(decoded.dotsPerMeterX(), qRound(dpi / 0.0254)) << dpi;
        EXPECT_EQ(decoded.dotsPerMeterY(), qRound(dpi / 0.0254)) << dpi;
    }
    for (const double dpi : {0.0, -72.0}) {
        bool hasResolution = false;
        for (const Chunk& c : chunksOf(*encodePng(image, dpi)))
            hasResolution |= c.type == "pHYs";
        EXPECT_FALSE(hasResolution) << dpi;
    }
}

TEST(PngEncoder, TextChunksFollowTheHeaderInOrder) {
    const QImage image = randomImage(12, 3, QImage::Format_ARGB32_Premultiplied, 8);
    const std::vector<PngText> text = {
        {"Thumb::URI", "file:///home/a/Plan%201.qvdraw"},
        {"Thumb::MTime", "1700000000"},
        {"Comment", "caf\xE9\nsecond line"},
        {"Empty", ""},
    };
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
    EXPECT_EQ(decoded.text("Thumb::MTime"), "1700000000");
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

TEST(PngEncoder, NullPictureGivesNothing) {
    EXPECT_FALSE(encodePng(QImage(), 72));
    EXPECT_FALSE(encodePng(QImage(0, 5, QImage::Format_ARGB32), 72));
}

} // namespace
} // namespace qv

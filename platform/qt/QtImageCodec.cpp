#include "platform/qt/QtImageCodec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qv {
namespace {

constexpr double kMetersPerInch = 0.0254;

std::uint32_t be32(const ByteBuffer& b, std::size_t at) {
    return (std::uint32_t(b[at]) << 24) | (std::uint32_t(b[at + 1]) << 16) |
           (std::uint32_t(b[at + 2]) << 8) | std::uint32_t(b[at + 3]);
}

std::uint16_t be16(const ByteBuffer& b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

struct Resolution {
    double xDpi = 0;
    double yDpi = 0;
    bool known = false;
};

// PNG keeps its resolution in a pHYs chunk, in pixels per metre.
Resolution pngResolution(const ByteBuffer& b) {
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        const std::uint32_t length = be32(b, at);
        if (length > b.size() - at - 12)
            break;
        const bool isPhys =
            b[at + 4] == 'p' && b[at + 5] == 'H' && b[at + 6] == 'Y' && b[at + 7] == 's';
        if (isPhys && length == 9) {
            const std::uint32_t x = be32(b, at + 8);
            const std::uint32_t y = be32(b, at + 12);
            if (b[at + 16] == 1 && x > 0 && y > 0)
                return {x * kMetersPerInch, y * kMetersPerInch, true};
            return {};
        }
        if (b[at + 4] == 'I' && b[at + 5] == 'D' && b[at + 6] == 'A' && b[at + 7] == 'T')
            break; // pHYs must come before the image data
        at += 12 + length;
    }
    return {};
}

// JPEG states a density in its JFIF header: unit 1 dots per inch, 2 per cm.
Resolution jpegResolution(const ByteBuffer& b) {
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        const std::uint8_t marker = b[at + 1];
        const std::uint16_t length = be16(b, at + 2);
        if (marker == 0xDA || length < 2)
            break;
        if (marker == 0xE0 && length >= 14 && at + 4 + 12 <= b.size() && b[at + 4] == 'J' &&
            b[at + 5] == 'F' && b[at + 6] == 'I' && b[at + 7] == 'F' && b[at + 8] == 0) {
            const std::uint8_t unit = b[at + 11];
            const double x = be16(b, at + 12);
            const double y = be16(b, at + 14);
            if (x > 0 && y > 0 && unit == 1)
                return {x, y, true};
            if (x > 0 && y > 0 && unit == 2)
                return {x * 2.54, y * 2.54, true};
            return {};
        }
        at += 2 + length;
    }
    return {};
}

bool startsWith(const ByteBuffer& b, std::initializer_list<std::uint8_t> prefix) {
    return b.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), b.begin());
}

Resolution fileResolution(const QImage& image, const ByteBuffer& bytes) {
    if (startsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return pngResolution(bytes);
    if (startsWith(bytes, {0xFF, 0xD8}))
        return jpegResolution(bytes);
    // Other readers set the resolution only when the file has one; otherwise
    // the picture keeps QImage's default.
    static const QImage probe(1, 1, QImage::Format_ARGB32);
    if (image.dotsPerMeterX() <= 0 || image.dotsPerMeterY() <= 0 ||
        (image.dotsPerMeterX() == probe.dotsPerMeterX() &&
         image.dotsPerMeterY() == probe.dotsPerMeterY()))
        return {};
    return {image.dotsPerMeterX() * kMetersPerInch, image.dotsPerMeterY() * kMetersPerInch, true};
}

// Pixels per metre are whole numbers, so 72 dpi is stored as 2835 (72.009 dpi);
// a value that close to a whole dpi is taken as that dpi.
double snappedDpi(double dpi) {
    const double whole = std::round(dpi);
    return std::abs(dpi - whole) <= 0.5 * kMetersPerInch + 1e-9 ? whole : dpi;
}

Size pointSizeAt(const QImage& image, const Resolution& r) {
    if (!r.known)
        return {double(image.width()), double(image.height())};
    return {image.width() * 72.0 / snappedDpi(r.xDpi), image.height() * 72.0 / snappedDpi(r.yDpi)};
}

} // namespace

QtImage::QtImage(QImage image, Size pointSize) : m_Image(std::move(image)), m_Size(pointSize) {}

QtImage::QtImage(QImage image) : m_Image(std::move(image)) {
    m_Size = pointSizeAt(m_Image, fileResolution(m_Image, {}));
}

QtImageCodec::QtImageCodec(std::size_t allocationLimitBytes)
    : m_AllocationLimit(allocationLimitBytes) {}

Size QtImageCodec::pointSizeFor(const QImage& image, const ByteBuffer& bytes) {
    return pointSizeAt(image, fileResolution(image, bytes));
}

ImagePtr QtImageCodec::decode(const ByteBuffer& bytes) const {
    if (bytes.empty())
        return nullptr;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // Refuse what the header announces as too large before decoding anything;
    // the reader's own limit catches formats that cannot tell in advance.
    const QSize announced = reader.size();
    if (announced.isValid() &&
        double(announced.width()) * double(announced.height()) * 4.0 > double(m_AllocationLimit))
        return nullptr;
    QImageReader::setAllocationLimit(
        static_cast<int>(std::max<std::size_t>(1, (m_AllocationLimit + (1u << 20) - 1) >> 20)));
    QImage image;
    if (!reader.read(&image) || image.isNull() || image.width() <= 0 || image.height() <= 0)
        return nullptr;
    if (double(image.width()) * double(image.height()) * 4.0 > double(m_AllocationLimit))
        return nullptr;
    const Size points = pointSizeFor(image, bytes);
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format)
        image.convertTo(format);
    if (image.isNull())
        return nullptr;
    return std::make_shared<QtImage>(std::move(image), points);
}

const QImage* QtImageCodec::qimageOf(const Image& image) {
    if (auto qt = dynamic_cast<const QtImage*>(&image))
        return &qt->qimage();
    return nullptr;
}

std::optional<ByteBuffer> QtImageCodec::encodeTIFF(const Image& image) const {
    const QImage* source = qimageOf(image);
    if (!source || source->isNull())
        return std::nullopt;
    QImage out = *source;
    // Keep the picture's size on the page through its resolution.
    const Size points = image.size();
    if (points.width > 0 && points.height > 0) {
        out.setDotsPerMeterX(qRound(out.width() * 72.0 / points.width / kMetersPerInch));
        out.setDotsPerMeterY(qRound(out.height() * 72.0 / points.height / kMetersPerInch));
    }
    if (out.format() == QImage::Format_ARGB32_Premultiplied)
        out.convertTo(QImage::Format_ARGB32);
    QByteArray data;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1); // LZW, lossless
    if (!writer.write(out))
        return std::nullopt;
    return ByteBuffer(data.begin(), data.end());
}

} // namespace qv

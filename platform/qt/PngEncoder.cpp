#include "platform/qt/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qv {

namespace {

constexpr double kMetersPerInch = 0.0254;
constexpr std::size_t kMaximumKeywordLength = 79;
// Rows premultiplied pixels are converted in at a time: small enough to stay
// in cache between converting, filtering and deflating.
constexpr int kStripRows = 16;
// Filtered rows are handed to zlib in batches of about this many bytes.
constexpr std::size_t kBatchBytes = 64 * 1024;
// Compressed bytes per IDAT chunk.
constexpr std::size_t kIdatBytes = 256 * 1024;

enum Filter : std::uint8_t { kSub = 1, kUp = 2 };

void appendBigEndian(QByteArray& out, std::uint32_t v) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray& out, const char* type, const void* data, std::size_t size) {
    appendBigEndian(out, std::uint32_t(size));
    out.append(type, 4);
    if (size > 0)
        out.append(static_cast<const char*>(data), qsizetype(size));
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0)
        crc = crc32(crc, static_cast<const Bytef*>(data), uInt(size));
    appendBigEndian(out, std::uint32_t(crc));
}

void putBigEndian(unsigned char* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

bool isLatin1Printable(unsigned char c) {
    return (c >= 32 && c <= 126) || c >= 161;
}

// Whether every pixel of a 32-bit picture has full alpha.
bool allOpaque(const QImage& image) {
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb all = 0xFF000000u;
        for (int x = 0; x < width; ++x)
            all &= row[x];
        if ((all & 0xFF000000u) != 0xFF000000u)
            return false;
    }
    return true;
}

// The picture's bytes in PNG order, R G B (A), from ARGB32 pixels.
void packRow(const QRgb* pixels, int width, bool alpha, unsigned char* out) {
    if (alpha) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = pixels[x];
            out[4 * x] = std::uint8_t(p >> 16);
            out[4 * x + 1] = std::uint8_t(p >> 8);
            out[4 * x + 2] = std::uint8_t(p);
            out[4 * x + 3] = std::uint8_t(p >> 24);
        }
    } else {
        for (int x = 0; x < width; ++x) {
            const QRgb p = pixels[x];
            out[3 * x] = std::uint8_t(p >> 16);
            out[3 * x + 1] = std::uint8_t(p >> 8);
            out[3 * x + 2] = std::uint8_t(p);
        }
    }
}

// Which of Sub and Up leaves the smaller residuals, summed as signed bytes:
// the usual estimate of which will deflate smaller, at a fraction of the
// cost of trying all five filters.
Filter cheaperFilter(const unsigned char* row, const unsigned char* prior, std::size_t size,
                     std::size_t bpp) {
    std::uint64_t subTotal = 0, upTotal = 0;
    for (std::size_t i = 0; i < std::min(bpp, size); ++i) {
        subTotal += row[i] < 128 ? row[i] : 256 - row[i];
        upTotal += unsigned(std::abs(int(std::int8_t(std::uint8_t(row[i] - prior[i])))));
    }
    // In blocks, so that the 32-bit sums cannot overflow.
    constexpr std::size_t kBlock = 1 << 16;
    for (std::size_t start = bpp; start < size; start += kBlock) {
        const std::size_t end = std::min(size, start + kBlock);
        unsigned sub = 0, up = 0;
        for (std::size_t i = start; i < end; ++i) {
            sub += unsigned(std::abs(int(std::int8_t(std::uint8_t(row[i] - row[i - bpp])))));
            up += unsigned(std::abs(int(std::int8_t(std::uint8_t(row[i] - prior[i])))));
        }
        subTotal += sub;
        upTotal += up;
    }
    return subTotal <= upTotal ? kSub : kUp;
}

// `out` gets the filter type byte and then `size` filtered bytes.
void filterRow(Filter filter, const unsigned char* row, const unsigned char* prior,
               std::size_t size, std::size_t bpp, unsigned char* out) {
    *out++ = filter;
    if (filter == kSub) {
        for (std::size_t i = 0; i < bpp; ++i)
            out[i] = row[i];
        for (std::size_t i = bpp; i < size; ++i)
            out[i] = std::uint8_t(row[i] - row[i - bpp]);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            out[i] = std::uint8_t(row[i] - prior[i]);
    }
}

// Deflates filtered rows into IDAT chunks appended to `out`.
class IdatWriter {
public:
    explicit IdatWriter(QByteArray& out) : out_(out), buffer_(kIdatBytes) {}
    ~IdatWriter() {
        if (ready_)
            deflateEnd(&stream_);
    }
    IdatWriter(const IdatWriter&) = delete;
    IdatWriter& operator=(const IdatWriter&) = delete;

    // Run-length matching only: on filtered drawings it came out both faster
    // and smaller than level 1's general matching.
    bool begin() {
        ready_ = deflateInit2(&stream_, 1, Z_DEFLATED, MAX_WBITS, 8, Z_RLE) == Z_OK;
        stream_.next_out = buffer_.data();
        stream_.avail_out = uInt(buffer_.size());
        return ready_;
    }

    bool write(const unsigned char* data, std::size_t size, bool last) {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = uInt(size);
        const int flush = last ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            const int status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR)
                return false;
            if (stream_.avail_out == 0) {
                flushChunk();
                continue;
            }
            if (last ? status == Z_STREAM_END : stream_.avail_in == 0)
                break;
            if (status == Z_BUF_ERROR)
                return false;
        }
        if (last && stream_.avail_out < buffer_.size())
            flushChunk();
        return true;
    }

private:
    void flushChunk() {
        appendChunk(out_, "IDAT", buffer_.data(), buffer_.size() - stream_.avail_out);
        stream_.next_out = buffer_.data();
        stream_.avail_out = uInt(buffer_.size());
    }

    QByteArray& out_;
    std::vector<unsigned char> buffer_;
    z_stream stream_{};
    bool ready_ = false;
};

} // namespace

bool isValidPngKeyword(const std::string& keyword) {
    if (keyword.empty() || keyword.size() > kMaximumKeywordLength)
        return false;
    if (keyword.front() == ' ' || keyword.back() == ' ')
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const auto c = static_cast<unsigned char>(keyword[i]);
        if (!isLatin1Printable(c) || (c == ' ' && keyword[i + 1] == ' '))
            return false;
    }
    return true;
}

std::optional<QByteArray> encodePng(const QImage& image, double dpi,
                                    const std::vector<PngText>& textChunks) {
    if (image.isNull())
        return std::nullopt;
    for (const auto& [keyword, text] : textChunks)
        if (!isValidPngKeyword(keyword) || text.find('\0') != std::string::npos)
            return std::nullopt;

    // ARGB32 and RGB32 are read as they are and premultiplied pixels strip
    // by strip; anything else is converted whole first, which is rare.
    QImage converted;
    const QImage* source = &image;
    const QImage::Format format = image.format();
    if (format != QImage::Format_ARGB32 && format != QImage::Format_RGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        converted = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32);
        if (converted.isNull())
            return std::nullopt;
        source = &converted;
    }
    const bool premultiplied = source->format() == QImage::Format_ARGB32_Premultiplied;
    // Unpremultiplying keeps alpha, so the source tells.
    const bool alpha = source->format() != QImage::Format_RGB32 && !allOpaque(*source);

    const int width = source->width(), height = source->height();
    const std::size_t bpp = alpha ? 4 : 3;
    const std::size_t rowBytes = bpp * std::size_t(width);

    QByteArray out;
    out.reserve(qsizetype(
        std::min<std::size_t>(rowBytes * std::size_t(height) / 3 + 1024, std::size_t(64) << 20)));
    out.append("\x89PNG\r\n\x1a\n", 8);

    unsigned char header[13];
    putBigEndian(header, std::uint32_t(width));
    putBigEndian(header + 4, std::uint32_t(height));
    header[8] = 8;               // bits per channel
    header[9] = alpha ? 6 : 2;   // RGBA or RGB
    header[10] = header[11] = 0; // deflate, adaptive filtering
    header[12] = 0;              // not interlaced
    appendChunk(out, "IHDR", header, sizeof header);

    for (const auto& [keyword, text] : textChunks) {
        std::string body = keyword;
        body.push_back('\0');
        body += text;
        appendChunk(out, "tEXt", body.data(), body.size());
    }

    if (dpi > 0 && std::isfinite(dpi)) {
        const double perMeter = std::round(dpi / kMetersPerInch);
        if (perMeter >= 1 && perMeter <= double(INT32_MAX)) {
            const int dotsPerMeter = qRound(dpi / kMetersPerInch);
            unsigned char phys[9];
            putBigEndian(phys, std::uint32_t(dotsPerMeter));
            putBigEndian(phys + 4, std::uint32_t(dotsPerMeter));
            phys[8] = 1; // metres
            appendChunk(out, "pHYs", phys, sizeof phys);
        }
    }

    IdatWriter idat(out);
    if (!idat.begin())
        return std::nullopt;

    std::vector<unsigned char> rows(2 * rowBytes, 0);
    unsigned char* current = rows.data();
    unsigned char* prior = rows.data() + rowBytes; // zeros above the first row
    const std::size_t batchRows = std::max<std::size_t>(1, kBatchBytes / (rowBytes + 1));
    std::vector<unsigned char> batch(batchRows * (rowBytes + 1));
    std::size_t batched = 0;

    QImage strip;
    int stripStart = 0;
    for (int y = 0; y < height; ++y) {
        const QRgb* pixels;
        if (premultiplied) {
            if (y == 0 || y - stripStart >= kStripRows) {
                stripStart = y;
                const int n = std::min(kStripRows, height - y);
                strip = QImage(source->constScanLine(y), width, n, source->bytesPerLine(),
                               QImage::Format_ARGB32_Premultiplied)
                            .convertToFormat(QImage::Format_ARGB32);
                if (strip.isNull())
                    return std::nullopt;
            }
            pixels = reinterpret_cast<const QRgb*>(strip.constScanLine(y - stripStart));
        } else {
            pixels = reinterpret_cast<const QRgb*>(source->constScanLine(y));
        }
        packRow(pixels, width, alpha, current);

        unsigned char* target = batch.data() + batched * (rowBytes + 1);
        filterRow(cheaperFilter(current, prior, rowBytes, bpp), current, prior, rowBytes, bpp,
                  target);
        std::swap(current, prior);

        const bool last = y == height - 1;
        if (++batched == batchRows || last) {
            if (!idat.write(batch.data(), batched * (rowBytes + 1), last))
                return std::nullopt;
            batched = 0;
        }
    }

    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace qv

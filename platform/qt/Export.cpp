#include "platform/qt/Export.h"

#include "document/DrawDocument.h"
#include "platform/qt/GifEncoder.h"
#include "platform/qt/PngEncoder.h"
#include "platform/qt/QtGraphicsContext.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <zlib.h>

#include <cmath>

#include <dlfcn.h>

// Qt's PDF engine deflates its streams through zlib's deflateInit() at the
// default level, which took about half of a busy page's export time for a
// file an eighth smaller than the fastest level gives. The program's own
// definition comes first in the dynamic linker's search, so it serves Qt as
// well: a stream begun at the default level is deflated at the fastest one,
// still standard Flate. Callers that choose a level keep it (our PNG encoder
// and qCompress set up their streams through other entry points).
extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    if (level == Z_DEFAULT_COMPRESSION)
        level = Z_BEST_SPEED;
    constexpr int kDefaultMemLevel = 8; // zlib's own choice for deflateInit()
    return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, kDefaultMemLevel, Z_DEFAULT_STRATEGY,
                         version, streamSize);
}

namespace qv {

namespace {

constexpr double kMetersPerInch = 0.0254;
constexpr int kPdfPictureResolution = 300;

ExportResult failure() {
    ExportResult result;
    result.errorDescription = kExportErrorDescription;
    result.errorCode = kExportErrorCode;
    result.errorDomain = kApplicationErrorDomain;
    return result;
}

bool drawable(const Rect& r) {
    return !r.isEmpty() && std::isfinite(r.x()) && std::isfinite(r.y()) &&
           std::isfinite(r.width()) && std::isfinite(r.height());
}

std::optional<ByteBuffer> write(const QImage& image, const char* format, int compression = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, format);
    if (compression >= 0)
        writer.setCompression(compression);
    if (!writer.write(image))
        return std::nullopt;
    return ByteBuffer(bytes.begin(), bytes.end());
}

QByteArray pdfNumber(double v) {
    QByteArray text = QByteArray::number(v, 'f', 6);
    while (text.contains('.') && (text.endsWith('0') || text.endsWith('.')))
        text.chop(1);
    return text;
}

// Qt's PDF pages are whole points. The page is made of the size rounded up
// and the drawing sits at its top-left corner; the media box is then narrowed
// to exactly the drawing's rectangle, [0, H - h, w, H] in the page's y-up
// space, rewritten in place with padding so that every byte offset of the
// file stays valid. Output that does not look as expected is left as it is.
void narrowMediaBox(QByteArray& pdf, double width, double height, double pageHeight) {
    static const QByteArray kKey = "/MediaBox [";
    const qsizetype start = pdf.indexOf(kKey);
    if (start < 0 || pdf.indexOf(kKey, start + 1) >= 0)
        return;
    const qsizetype open = start + kKey.size();
    const qsizetype close = pdf.indexOf(']', open);
    if (close < 0 || close - open > 80)
        return;
    const QByteArray box = pdfNumber(0) + ' ' + pdfNumber(pageHeight - height) + ' ' +
                           pdfNumber(width) + ' ' + pdfNumber(pageHeight);
    const qsizetype room = close - open;
    if (box.size() > room)
        return;
    pdf.replace(open, room, box + QByteArray(room - box.size(), ' '));
}

} // namespace

PrintDrawView exportViewFor(const DrawDocument& document, std::int64_t shapesToExport,
                            std::int64_t exportBoundary, bool transparentBackground,
                            const ShapeList& selectedShapes) {
    std::optional<Color> pageColor;
    if (!transparentBackground)
        pageColor = document.page().color();
    const PrintInfo* printInfo = exportBoundary == 0 ? &document.printInfo() : nullptr;
    return PrintDrawView(shapesToExport != 0 ? selectedShapes : document.shapes(), printInfo,
                         pageColor);
}

std::optional<ByteBuffer> pdfDataForView(const PrintDrawView& view) {
    const Rect frame = view.frame();
    if (!drawable(frame))
        return std::nullopt;
    const double pageWidth = std::ceil(frame.width()), pageHeight = std::ceil(frame.height());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Quorvik Draw"));
        // Paths stay vectors at any resolution; this is the resolution of
        // what the drawing turns into pictures (shadows, gradient and picture
        // fills), fine enough for print without swelling the file.
        writer.setResolution(kPdfPictureResolution);
        const QPageSize size(QSizeF(pageWidth, pageHeight), QPageSize::Point, QString(),
                             QPageSize::ExactMatch);
        if (!writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                              QPageLayout::Point, QMarginsF(0, 0, 0, 0))))
            return std::nullopt;
        QPainter painter;
        if (!painter.begin(&writer))
            return std::nullopt;
        {
            std::unique_ptr<QtGraphicsContext> gc = makePagedContext(painter, writer);
            gc->concatCTM(AffineTransform::translation(-frame.x(), -frame.y()));
            view.draw(*gc);
            gc->finish();
        }
        if (!painter.end())
            return std::nullopt;
    }
    if (bytes.isEmpty())
        return std::nullopt;
    if (pageWidth != frame.width() || pageHeight != frame.height())
        narrowMediaBox(bytes, frame.width(), frame.height(), pageHeight);
    return ByteBuffer(bytes.begin(), bytes.end());
}

QImage imageForView(const PrintDrawView& view, double dpi) {
    const Rect frame = view.frame();
    const double scale = dpi / 72.0;
    if (!drawable(frame) || !(scale > 0) || !std::isfinite(scale))
        return {};
    const double w = std::ceil(frame.width() * scale - 1e-9);
    const double h = std::ceil(frame.height() * scale - 1e-9);
    if (!(w >= 1 && h >= 1) || w > kMaximumExportPixelsPerSide || h > kMaximumExportPixelsPerSide ||
        w * h > kMaximumExportPixels)
        return {};
    QImage image(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    {
        QtImageContext context(image, scale);
        context.context().concatCTM(AffineTransform::translation(-frame.x(), -frame.y()));
        view.draw(context.context());
        context.finish();
    }
    const int dotsPerMeter = qRound(dpi / kMetersPerInch);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

std::optional<ByteBuffer> encodeImage(const QImage& image, std::string_view type, double dpi) {
    if (image.isNull())
        return std::nullopt;
    if (type == "png") {
        // Our own encoder, straight from the premultiplied picture.
        const std::optional<QByteArray> png = encodePng(image, dpi);
        if (!png)
            return std::nullopt;
        return ByteBuffer(png->begin(), png->end());
    }
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const int dotsPerMeter = qRound(dpi / kMetersPerInch);
    out.setDotsPerMeterX(dotsPerMeter);
    out.setDotsPerMeterY(dotsPerMeter);
    if (type == "tif")
        return write(out, "tiff", 1); // LZW, lossless
    if (type == "gif")
        return encodeGif(out);
    if (type == "jpg") {
        // JPEG has no alpha: lay the picture over white.
        QImage flat(out.size(), QImage::Format_RGB32);
        flat.setDotsPerMeterX(dotsPerMeter);
        flat.setDotsPerMeterY(dotsPerMeter);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, out);
        painter.end();
        return write(flat, "jpeg");
    }
    return std::nullopt;
}

bool pdfStreamsUseFastCompression() {
    return dlsym(RTLD_DEFAULT, "deflateInit_") == reinterpret_cast<void*>(&deflateInit_);
}

ExportResult dataForType(const DrawDocument& document, std::string_view type,
                         std::int64_t shapesToExport, std::int64_t exportBoundary,
                         bool transparentBackground, double dpi, const ShapeList& selectedShapes) {
    if (!exportFormatIndex(type))
        return failure();
    const PrintDrawView view = exportViewFor(document, shapesToExport, exportBoundary,
                                             transparentBackground, selectedShapes);
    ExportResult result;
    if (type == "pdf")
        result.data = pdfDataForView(view);
    else
        result.data = encodeImage(imageForView(view, dpi), type, dpi);
    if (!result.data)
        return failure();
    return result;
}

} // namespace qv

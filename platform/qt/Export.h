#pragma once
// The bytes of an exported drawing: one PDF page, or a picture as PNG, TIFF,
// JPEG or GIF. Everything is drawn through a PrintDrawView.
//
// PDF is vector content on one page whose media box is the view's
// rectangle. Pictures are drawn straight from the shapes into a bitmap (not
// by rasterising the PDF), one pixel per point at 72 dpi; areas nothing
// paints stay transparent in PNG, TIFF and GIF. JPEG has no alpha: its
// picture is laid over white, so transparent areas come out white.

#include "document/ExportOptions.h"
#include "document/PrintDrawView.h"
#include "framework/foundation/ByteBuffer.h"
#include "shapes/Shape.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class DrawDocument;

struct ExportResult {
    std::optional<ByteBuffer> data;
    // Set when there is no data.
    std::string errorDescription;
    int errorCode = 0;
    std::string errorDomain;
    explicit operator bool() const { return data.has_value(); }
};

// The largest picture an export makes, in pixels per side and in all.
inline constexpr int kMaximumExportPixelsPerSide = 32767;
inline constexpr double kMaximumExportPixels = double(1 << 28);

// `type` is the file extension, compared exactly. `shapesToExport` 0 takes
// every shape of the document, any other value `selectedShapes` (in list
// order); `exportBoundary` 0 the page rectangle, any other value the
// drawing's extent; `transparentBackground` leaves the page colour out.
// Pictures have dpi / 72 pixels per point.
ExportResult dataForType(const DrawDocument& document, std::string_view type,
                         std::int64_t shapesToExport, std::int64_t exportBoundary,
                         bool transparentBackground, double dpi = 72,
                         const ShapeList& selectedShapes = {});

// The view dataForType draws for these options.
PrintDrawView exportViewFor(const DrawDocument& document, std::int64_t shapesToExport,
                            std::int64_t exportBoundary, bool transparentBackground,
                            const ShapeList& selectedShapes = {});

// One PDF page of the view's rectangle; nothing for an empty rectangle.
std::optional<ByteBuffer> pdfDataForView(const PrintDrawView& view);
// The view at `dpi` as ARGB32 premultiplied, transparent where nothing is
// drawn; a null picture for an empty or too large rectangle.
QImage imageForView(const PrintDrawView& view, double dpi = 72);
// The picture encoded as "png", "tif", "jpg" or "gif", stating `dpi` as its
// resolution where the format keeps one.
// True when the process's PDF streams are deflated at zlib's fastest level
// (the program's compress() is the one the dynamic linker serves).
bool pdfStreamsUseFastCompression();

std::optional<ByteBuffer> encodeImage(const QImage& image, std::string_view type, double dpi);

} // namespace qv

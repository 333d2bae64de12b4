#pragma once
// A decoded picture as the model sees it: a size in points and a pixel size.
// The pixels live in the platform layer's subclass; the model only hands
// pictures from a codec or an offscreen rendering to a GraphicsContext.

#include "framework/foundation/ByteBuffer.h"
#include "framework/foundation/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace qv {

class Image {
public:
    virtual ~Image() = default;
    // Size in points (pixels at the picture's physical resolution; 72 dpi when
    // the picture carries none).
    virtual Size size() const = 0;
    virtual int pixelsWide() const = 0;
    virtual int pixelsHigh() const = 0;
};

using ImagePtr = std::shared_ptr<const Image>;

// Decodes and encodes pictures. The programs register their platform codec at
// start-up; without one nothing decodes.
class ImageCodec {
public:
    virtual ~ImageCodec() = default;
    // Null when the bytes are not a picture or would decode too large.
    virtual ImagePtr decode(const ByteBuffer& bytes) const = 0;
    // TIFF bytes of the picture, or nothing when it cannot be encoded.
    virtual std::optional<ByteBuffer> encodeTIFF(const Image& image) const = 0;

    static const ImageCodec* shared();
    // The codec stays owned by the caller and must outlive its use.
    static void setShared(const ImageCodec* codec);
};

} // namespace qv

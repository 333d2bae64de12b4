#pragma once
// Pictures over Qt: QImage pixels behind the model's Image, decoded with
// QImageReader (TIFF through the image-formats plug-ins) and encoded as TIFF.

#include "framework/foundation/Image.h"

#include <QImage>

#include <cstddef>

namespace qv {

class QtImage : public Image {
public:
    // `pointSize` is the picture's size on the page; a null QImage is an empty
    // picture.
    QtImage(QImage image, Size pointSize);
    // Points from the picture's physical resolution (72 dpi when it has none).
    explicit QtImage(QImage image);

    Size size() const override { return m_Size; }
    int pixelsWide() const override { return m_Image.width(); }
    int pixelsHigh() const override { return m_Image.height(); }
    const QImage& qimage() const { return m_Image; }

private:
    QImage m_Image;
    Size m_Size;
};

class QtImageCodec : public ImageCodec {
public:
    // Pictures whose decoded pixels would take more than this are refused.
    static constexpr std::size_t kDefaultAllocationLimit = std::size_t(256) << 20;

    explicit QtImageCodec(std::size_t allocationLimitBytes = kDefaultAllocationLimit);

    ImagePtr decode(const ByteBuffer& bytes) const override;
    std::optional<ByteBuffer> encodeTIFF(const Image& image) const override;

    // The QImage behind a picture of this codec or of a Qt context's offscreen
    // rendering; null for other pictures.
    static const QImage* qimageOf(const Image& image);

    // The size in points of `image` as decoded from `bytes`: the file's own
    // resolution when it states one, 72 dpi otherwise.
    static Size pointSizeFor(const QImage& image, const ByteBuffer& bytes);

private:
    std::size_t m_AllocationLimit;
};

} // namespace qv

#pragma once
// A stand-in picture codec for model tests: "IMG <w>x<h>" decodes to a picture
// of that size in points, anything else does not decode; TIFF encoding writes
// "TIFF <w>x<h>". It counts its decodes and registers itself while alive.

#include "framework/foundation/Image.h"

#include <cstdio>
#include <string>

namespace qv::test {

class FakeImage : public Image {
public:
    explicit FakeImage(Size size) : m_Size(size) {}
    Size size() const override { return m_Size; }
    int pixelsWide() const override { return static_cast<int>(m_Size.width); }
    int pixelsHigh() const override { return static_cast<int>(m_Size.height); }

private:
    Size m_Size;
};

inline ByteBuffer bytesOf(const std::string& text) {
    return ByteBuffer(text.begin(), text.end());
}

// Bytes that the fake codec decodes to a w × h picture.
inline ByteBuffer pictureBytes(double w, double h) {
    char text[64];
    std::snprintf(text, sizeof text, "IMG %gx%g", w, h);
    return bytesOf(text);
}

class FakeImageCodec : public ImageCodec {
public:
    FakeImageCodec() : m_Previous(ImageCodec::shared()) { ImageCodec::setShared(this); }
    ~FakeImageCodec() override { ImageCodec::setShared(m_Previous); }
    FakeImageCodec(const FakeImageCodec&) = delete;
    FakeImageCodec& operator=(const FakeImageCodec&) = delete;

    ImagePtr decode(const ByteBuffer& bytes) const override {
        ++decodeCount;
        const std::string text(bytes.begin(), bytes.end());
        double w = 0, h = 0;
        if (std::sscanf(text.c_str(), "IMG %lfx%lf", &w, &h) != 2)
            return nullptr;
        return std::make_shared<FakeImage>(Size(w, h));
    }
    std::optional<ByteBuffer> encodeTIFF(const Image& image) const override {
        char text[64];
        std::snprintf(text, sizeof text, "TIFF %gx%g", image.size().width, image.size().height);
        return bytesOf(text);
    }

    mutable int decodeCount = 0;

private:
    const ImageCodec* m_Previous;
};

} // namespace qv::test

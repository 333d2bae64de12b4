#pragma once
// GIF89a encoding through giflib (Qt reads GIF but cannot write it).
//
// Pixels whose alpha is below one half become the one transparent colour;
// the others keep their colour without alpha. A picture with at most 255
// distinct such colours (256 when nothing is transparent) keeps every colour
// exactly; a richer one is reduced by median cut to a palette of 255 (or 256)
// and each colour is drawn with its nearest palette entry, without dithering.

#include "framework/foundation/ByteBuffer.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

struct GifPalette {
    // 0xRRGGBB entries, at most 256 (the transparent entry included).
    std::vector<std::uint32_t> colors;
    // The index of the transparent entry, or -1 when no pixel is transparent.
    int transparentIndex = -1;
    // One palette index per pixel, row by row.
    std::vector<std::uint8_t> indices;
    // True when every opaque colour is in the palette exactly.
    bool exact = true;
};

// The palette and indexed pixels of `image` (any format).
GifPalette gifPaletteForImage(const QImage& image);

// The GIF89a bytes of `image`, or nothing for a null picture or when giflib
// fails.
std::optional<ByteBuffer> encodeGif(const QImage& image);

} // namespace qv
